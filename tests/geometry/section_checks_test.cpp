#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <numbers>
#include <optional>
#include <vector>

#include "geometry/section_checks.h"

namespace kestrix::testing {
namespace {

struct Line {
  std::vector<double> x, y;
};

std::vector<CheckedLine> view(const std::vector<Line>& lines) {
  std::vector<CheckedLine> out;
  for (const Line& l : lines) out.push_back(CheckedLine{l.x, l.y});
  return out;
}

TEST(SectionChecks, CrossingsAreProperAndFoundOncePerPair) {
  // 0 and 1 cross at (5, 5): x = 5 on line 1, y = 5 on line 0. Line 2 ends on line 0 at (8, 5): touching.
  // Line 3 lies along line 0 from (1, 5) to (3, 5): overlapping. Line 4 crosses line 0 twice (at x = 12 and
  // x = 14) and line 1 not at all; the pair is found once, at its first crossing along line 0.
  const std::vector<Line> lines{{{0, 20}, {5, 5}},
                                {{5, 5}, {0, 10}},
                                {{8, 8}, {9, 5}},
                                {{1, 3}, {5, 5}},
                                {{12, 13, 14}, {0, 10, 0}}};
  const auto found = findCrossings(view(lines));
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].first, 0u);
  EXPECT_EQ(found[0].second, 1u);
  EXPECT_DOUBLE_EQ(found[0].x, 5.0);
  EXPECT_DOUBLE_EQ(found[0].y, 5.0);
  EXPECT_EQ(found[1].first, 0u);
  EXPECT_EQ(found[1].second, 4u);
  EXPECT_DOUBLE_EQ(found[1].x, 12.5);  // the segment (12, 0)-(13, 10) meets y = 5 half way
  EXPECT_DOUBLE_EQ(found[1].y, 5.0);
}

TEST(SectionChecks, LongLinesSharingTheirBoxCrossOnce) {
  // Two zigzags of 301 vertices (too many segment pairs to try them all): the first through (0, 1), (1, 2), (2, 1)...,
  // the second through (0.5, -1), (1.5, 3), (2.5, -1)... They cross many times; the first crossing along the first
  // line is on its segment 1, y = 3 - x, with the second's segment 0, y = 4x - 3: at x = 1.2, y = 1.8.
  Line first, second;
  for (int i = 0; i <= 300; ++i) {
    first.x.push_back(i);
    first.y.push_back(i % 2 == 0 ? 1 : 2);
    second.x.push_back(i + 0.5);
    second.y.push_back(i % 2 == 0 ? -1 : 3);
  }
  const auto found = findCrossings(view({first, second}));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NEAR(found[0].x, 1.2, 1e-12);
  EXPECT_NEAR(found[0].y, 1.8, 1e-12);
}

TEST(SectionChecks, TenThousandSectionsAreCheckedForCrossingsQuickly) {
  // Parallel sections 10 apart, 50 long, in 100 rows: none crosses; one more line crosses the first two, through
  // their middle vertices.
  std::vector<Line> lines;
  for (int i = 0; i < 10000; ++i) {
    const double x = (i % 100) * 10.0, y = (i / 100) * 100.0;
    lines.push_back({{x, x + 1, x + 2}, {y, y + 25, y + 50}});
  }
  lines.push_back({{-5, 15}, {25, 25}});
  // Processor time, so that other work on a loaded machine does not count.
  const std::clock_t started = std::clock();
  const auto found = findCrossings(view(lines));
  const double seconds = static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].first, 0u);
  EXPECT_EQ(found[1].first, 1u);
  EXPECT_EQ(found[1].second, 10000u);
  EXPECT_LT(seconds, 0.1);
}

TEST(SectionChecks, ReversedAmongNeighboursOfItsReach) {
  // Five sections 10 long, 10 apart along x, drawn north to south; the middle one south to north.
  std::vector<Line> lines;
  for (int i = 0; i < 5; ++i) lines.push_back({{i * 10.0, i * 10.0}, {10, 0}});
  std::swap(lines[2].y[0], lines[2].y[1]);
  EXPECT_EQ(findReversed(view(lines), std::vector<int>{0, 0, 0, 0, 0}), std::vector<std::size_t>{2});
  // A neighbour of another reach, or farther than three lengths (30), leaves it unchecked.
  EXPECT_TRUE(findReversed(view(lines), std::vector<int>{0, 0, 0, 1, 1}).empty());
  lines[3].x = {50.5, 50.5};
  EXPECT_TRUE(findReversed(view(lines), std::vector<int>{0, 0, 0, 0, 0}).empty());
  // 110 degrees from a neighbour is not reversed: direction (sin 110, cos 110) against (0, -1).
  lines[3].x = {30, 30};
  lines[2].x = {20, 20 + 10 * std::sin(110.0 * std::numbers::pi / 180.0)};
  lines[2].y = {0, -10 * std::cos(110.0 * std::numbers::pi / 180.0)};
  EXPECT_TRUE(findReversed(view(lines), std::vector<int>{0, 0, 0, 0, 0}).empty());
}

TEST(SectionChecks, BedJumpsArePitsAndPeaksBeyondTheThreshold) {
  const std::vector<std::optional<double>> beds{10.0, 9.5, -0.5, 9.0, 8.5, 11.0, 8.4, std::nullopt, 8.0};
  const std::vector<int> one(beds.size(), 0);
  // 2: a pit of 10 below 9.5 and 9.5 below 9.0; 5: a peak 2.5 over 8.5 and 2.6 over 8.4. 6 is 2.6 below 11 but has
  // no bed after it to compare with.
  EXPECT_EQ(findBedJumps(beds, one, 2.0), (std::vector<std::size_t>{2, 5}));
  EXPECT_EQ(findBedJumps(beds, one, 2.5), (std::vector<std::size_t>{2}));
  std::vector<int> split = one;
  split[2] = split[3] = 1;  // 2's neighbour 1 is of another reach
  EXPECT_EQ(findBedJumps(beds, split, 2.0), (std::vector<std::size_t>{5}));
}

TEST(SectionChecks, RowFindings) {
  const std::vector<float> x{0, 2, 2, 1, 3, 3};
  const std::vector<float> z{5, 4, 4, 9000, -9000, 1};
  const auto found = checkRows(x, z);
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].kind, CheckKind::RepeatedPoint);
  EXPECT_EQ(found[0].row, 2u);
  EXPECT_EQ(found[1].kind, CheckKind::OffsetsBack);
  EXPECT_EQ(found[1].row, 3u);
  EXPECT_EQ(found[2].kind, CheckKind::NoData);
  EXPECT_EQ(found[2].row, 3u);
  EXPECT_EQ(found[3].kind, CheckKind::NoData);  // row 5 repeats the offset of 4 but not its level
  EXPECT_EQ(found[3].row, 4u);
}

}  // namespace
}  // namespace kestrix::testing
