// Where a line is sampled: multiples of the spacing, vertices and the end,
// one sample where they meet, with offsets as the crow flies from the first
// vertex, as surveyed points get them.

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/line_samples.h"

namespace kestrix::testing {
namespace {

struct LineCase {
  const char* name;
  std::vector<double> xs;
  std::vector<double> ys;
  double spacing;
  std::vector<LineSample> expected;
};

TEST(LineSamples, PositionsAlongTheLine) {
  // A bent line: 5 along (3,4), then 6 up; offsets past the bend are plan distances from (0,0), not lengths along.
  const std::vector<double> bentX{0, 3, 3};
  const std::vector<double> bentY{0, 4, 10};
  const std::vector<LineCase> cases{
      {"bent line",
       bentX,
       bentY,
       2.0,
       {{0, 0, 0, 0},
        {1.2, 1.6, 2, 2},
        {2.4, 3.2, 4, 4},
        {3, 4, 5, 5},
        {3, 5, 6, std::sqrt(34.0f)},
        {3, 7, 8, std::sqrt(58.0f)},
        {3, 9, 10, std::sqrt(90.0f)},
        {3, 10, 11, std::sqrt(109.0f)}}},
      // 5 is a multiple and the vertex: one sample; 10 is a multiple, the end 11 is not.
      {"multiple on a vertex",
       bentX,
       bentY,
       2.5,
       {{0, 0, 0, 0}, {1.5, 2, 2.5, 2.5}, {3, 4, 5, 5}, {3, 6.5, 7.5, std::sqrt(51.25f)}, {3, 9, 10, std::sqrt(90.0f)},
        {3, 10, 11, std::sqrt(109.0f)}}},
      {"repeated vertex and a spacing longer than the line",
       {10, 10, 10, 13},
       {20, 20, 20, 24},
       100.0,
       {{10, 20, 0, 0}, {13, 24, 5, 5}}},
      {"end on a multiple", {0, 4}, {0, 0}, 2.0, {{0, 0, 0, 0}, {2, 0, 2, 2}, {4, 0, 4, 4}}},
      {"no spacing: the vertices", bentX, bentY, 0.0, {{0, 0, 0, 0}, {3, 4, 5, 5}, {3, 10, 11, std::sqrt(109.0f)}}},
      {"one vertex", {7}, {8}, 1.0, {{7, 8, 0, 0}}},
      {"no vertex", {}, {}, 1.0, {}},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<LineSample> got = lineSamples(c.xs, c.ys, c.spacing);
    ASSERT_EQ(got.size(), c.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_NEAR(got[i].x, c.expected[i].x, 1e-9);
      EXPECT_NEAR(got[i].y, c.expected[i].y, 1e-9);
      EXPECT_NEAR(got[i].along, c.expected[i].along, 1e-9);
      EXPECT_FLOAT_EQ(got[i].offset, c.expected[i].offset);
    }
  }
}

TEST(LineSamples, LongLineKeepsToTheMultiples) {
  // 0.1 is not exact in binary; added up 30,000 times it would drift off the multiples and double a sample.
  const std::vector<LineSample> got = lineSamples({500000.0, 503000.0}, {6000000.0, 6000000.0}, 0.1);
  ASSERT_EQ(got.size(), 30001u);
  EXPECT_NEAR(got[12345].x, 500000.0 + 1234.5, 1e-6);
  EXPECT_DOUBLE_EQ(got.back().x, 503000.0);
}

}  // namespace
}  // namespace kestrix::testing
