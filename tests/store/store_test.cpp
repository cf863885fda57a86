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

// Past 64 points a group grows by steps of its own; every point must come
// through each step, and a group cut short refills its slots before growing.
TEST(StoreSection, ALongGroupKeepsEveryPointAsItGrows) {
  Section sec;
  for (int i = 1; i <= 1000; ++i) ASSERT_EQ(sec.append(Group::kRight, at(static_cast<float>(i))), i);
  ASSERT_EQ(sec.inUse(Group::kRight).size(), 1000u);
  for (int i = 1; i <= 1000; ++i) ASSERT_EQ(sec.point(Group::kRight, i).z, static_cast<float>(i)) << i;
  sec.keepFirst(Group::kRight, 100);
  for (int i = 101; i <= 1200; ++i) ASSERT_EQ(sec.append(Group::kRight, at(-static_cast<float>(i))), i);
  EXPECT_EQ(sec.point(Group::kRight, 100).z, 100.0f);
  EXPECT_EQ(sec.point(Group::kRight, 101).z, -101.0f);
  EXPECT_EQ(sec.point(Group::kRight, 1200).z, -1200.0f);
  EXPECT_EQ(sec.counts(), (std::array<int, 3>{0, 0, 1200}));
}

}  // namespace
}  // namespace kestrix
