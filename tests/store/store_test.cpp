// The operations through which the position groups of a section change, and
// what they keep true: a count never runs past the points that are stored.

#include "store/store.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrix {
namespace {

StorePoint at(float z) { return StorePoint{0.0, 0.0, 0.0f, z, 0.0f}; }

TEST(StoreSection, GroupsChangeOnlyThroughOperationsThatKeepTheirCounts) {
  Section sec;
  EXPECT_EQ(sec.append(Group::kCentre, at(1)), 1);
  EXPECT_EQ(sec.append(Group::kCentre, at(2)), 2);
  EXPECT_EQ(sec.append(Group::kCentre, at(3)), 3);
  EXPECT_EQ(sec.inUse(Group::kCentre).size(), 3u);

  sec.keepFirst(Group::kCentre, 5);  // more than are in use: refused
  EXPECT_EQ(sec.ptCount(Group::kCentre), 3);
  sec.keepFirst(Group::kCentre, -1);
  EXPECT_EQ(sec.ptCount(Group::kCentre), 3);
  sec.keepFirst(Group::kCentre, 2);
  EXPECT_EQ(sec.counts(), (std::array<int, 3>{0, 2, 0}));
  EXPECT_EQ(sec.inUse(Group::kCentre).back().z, 2.0f);
  // A point appended after a cut takes the first slot no longer in use.
  EXPECT_EQ(sec.append(Group::kCentre, at(9)), 3);
  EXPECT_EQ(sec.point(Group::kCentre, 3).z, 9.0f);

  const std::vector<StorePoint> left{at(4), at(5)};
  sec.replaceGroup(Group::kLeft, left);
  EXPECT_EQ(sec.ptCount(Group::kLeft), 2);
  EXPECT_EQ(sec.point(Group::kLeft, 2).z, 5.0f);
  sec.replaceGroup(Group::kLeft, {});
  EXPECT_EQ(sec.ptCount(Group::kLeft), 0);
  EXPECT_TRUE(sec.inUse(Group::kLeft).empty());
}

}  // namespace
}  // namespace kestrix
