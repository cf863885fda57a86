#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <iterator>
#include <limits>

#include "geometry/ordering.h"
#include "text/numbers.h"
#include "store/store.h"
#include "support/files_run.h"
#include "support/section_values.h"

namespace kestrix::testing {
namespace {

// The ordering stages need the reporter, the settings and the store of a run.
struct OrderingRun : FilesRun {
  using FilesRun::FilesRun;
  SectionStore store;
};
using TestRun = BasicTestRun<OrderingRun>;

// Adds a section with points given as {x, y, z} per group.
struct Pt {
  double x, y;
  float z;
};
int addSection(OrderingRun& ctx, const std::string& id, std::initializer_list<Pt> l, std::initializer_list<Pt> c,
               std::initializer_list<Pt> r) {
  const int s = ctx.store.append();
  Section& sec = ctx.store[s];
  sec.id = id;
  const std::initializer_list<Pt> groups[] = {l, c, r};
  for (const Group g : kGroups) {
    for (const Pt& p : groups[groupNumber(g) - 1]) {
      StorePoint sp;
      sp.mapX = p.x;
      sp.mapY = p.y;
      sp.z = p.z;
      sec.append(g, sp);
    }
  }
  return s;
}

// The stages over the run's own settings and sections.
void order(OrderingRun& ctx) { orderingStage(ctx, ctx.tally, ctx.store); }
void project(OrderingRun& ctx) { projectionStage(ctx, ctx.tally, ctx.store); }

TEST(OrderingDistance, DifferencesAreRoundedToSinglePrecisionFirst) {
  EXPECT_EQ(DISTANCE_8(0, 0, 3, 4), 5.0f);
  EXPECT_EQ(DISTANCE_8(3, 4, 0, 0), 5.0f);
  EXPECT_EQ(DISTANCE_8(1, 1, 1 + 9e-7, 1 - 9e-7), 0.0f);  // both axes below 1e-6
  EXPECT_EQ(DISTANCE_8(1, 1, 1 + 2e-6, 1), 2e-6f);         // one axis is enough
  // Far from the origin the difference is formed before rounding, so it keeps its digits.
  EXPECT_EQ(DISTANCE_8(500000.125, 0, 500000.25, 0), 0.125f);
}

TEST(OrderingSections, GroupsChainFromOutermostLeftPoint) {
  TestRun t;
  // L at map x 0, 4, 7 and C at 7, 9, 12 along y = 0, stored out of order; the first C point is 9.
  addSection(t.ctx, "XS1", {{4, 0, 2}, {7, 0, 3}, {0, 0, 1}}, {{9, 0, 5}, {12, 0, 6}, {7, 0, 4}}, {{13, 0, 7}});
  order(t.ctx);
  const Section& s = t.ctx.store[1];
  EXPECT_TRUE(s.use);
  EXPECT_EQ(offsets(s, Group::kLeft), (F{0, 4, 7}));
  EXPECT_EQ(elevations(s, Group::kLeft), (F{1, 2, 3}));
  EXPECT_EQ(offsets(s, Group::kCentre), (F{0, 2, 5}));  // from the last L point
  EXPECT_EQ(elevations(s, Group::kCentre), (F{4, 5, 6}));
  EXPECT_EQ(offsets(s, Group::kRight), (F{1}));  // from the last C point
  EXPECT_EQ(s.point(Group::kCentre, 3).mapX, 12.0);
  EXPECT_EQ(t.out(), "Sorting \"XS1\"    3    3    1\n");
}

TEST(OrderingSections, FirstOfEqualOutermostLeftPointsWins) {
  TestRun t;
  // Both L points lie 5 from the first C point: the one stored first is the outermost.
  addSection(t.ctx, "A", {{-5, 0, 1}, {5, 0, 2}}, {{0, 0, 0}, {1, 0, 0}}, {});
  order(t.ctx);
  EXPECT_EQ(elevations(t.ctx.store[1], Group::kLeft), (F{1, 2}));
  EXPECT_EQ(offsets(t.ctx.store[1], Group::kLeft), (F{0, 10}));
}

TEST(OrderingSections, EqualCentreOffsetsKeepStoredOrder) {
  TestRun t;
  addSection(t.ctx, "A", {{0, 0, 0}}, {{3, 4, 1}, {5, 0, 2}, {0, 5, 3}, {1, 0, 4}}, {});
  order(t.ctx);
  EXPECT_EQ(elevations(t.ctx.store[1], Group::kCentre), (F{4, 1, 2, 3}));
  EXPECT_EQ(offsets(t.ctx.store[1], Group::kCentre), (F{1, 5, 5, 5}));
}

TEST(OrderingSections, WarningsDropSectionsWithAPauseEach) {
  TestRun t({"", "", ""});
  addSection(t.ctx, "one C", {{0, 0, 0}}, {{1, 0, 0}}, {});
  addSection(t.ctx, "no L", {}, {{1, 0, 0}, {2, 0, 0}}, {{3, 0, 0}});
  addSection(t.ctx, "no C", {{0, 0, 0}}, {}, {{3, 0, 0}});
  addSection(t.ctx, "only L", {{0, 0, 0}, {2, 0, 0}}, {}, {});
  order(t.ctx);
  EXPECT_EQ(t.out(),
            "Sorting \"one C\"    1    1\n"
            "WARNING - Less than two \"C\" points found for cross-section one C\n"
            "\nPress Enter to Continue\n"
            "    0\n"
            "Sorting \"no L\"    0    2\n"
            "WARNING - No \"L\" point found for cross-section no L\n"
            "\nPress Enter to Continue\n"
            "    1\n"
            "Sorting \"no C\"    1    0    1\n"
            "WARNING - No \"C\" point found for cross-section no C\n"
            "\nPress Enter to Continue\n"
            "\n"
            "Sorting \"only L\"    2    0    0\n");
  EXPECT_FALSE(t.ctx.store[1].use);
  EXPECT_FALSE(t.ctx.store[2].use);
  EXPECT_FALSE(t.ctx.store[3].use);
  EXPECT_TRUE(t.ctx.store[4].use);
  EXPECT_EQ(t.console.reads(), 3);
  EXPECT_FALSE(t.ctx.tally.errFound);
  // Measured from the origin, where the missing first C point reads.
  EXPECT_EQ(offsets(t.ctx.store[4], Group::kLeft), (F{0, 2}));
  EXPECT_EQ(t.ctx.store[4].point(Group::kLeft, 1).mapX, 2.0);
}

TEST(OrderingSections, PausesAtTheEndOfInputLetTheRunGoOn) {
  TestRun t;  // no console input at all
  addSection(t.ctx, "a", {{0, 0, 0}}, {{1, 0, 0}}, {});
  addSection(t.ctx, "b", {{0, 0, 0}}, {{1, 0, 0}, {2, 0, 0}}, {});
  EXPECT_EQ(endsRun([&] { order(t.ctx); }), -1);
  EXPECT_FALSE(t.ctx.store[1].use);
  EXPECT_TRUE(t.ctx.store[2].use);
}

TEST(OrderingSections, WithLinesEveryGroupIsMeasuredFromTheStartPoint) {
  TestRun t;
  t.ctx.tally.linesFound = true;
  const int s = addSection(t.ctx, "A", {{3, 4, 1}}, {{6, 8, 3}, {0, 1, 2}}, {{-3, -4, 4}});
  t.ctx.store[s].start = MapPoint{0, 0};
  order(t.ctx);
  const Section& sec = t.ctx.store[s];
  EXPECT_TRUE(sec.use);
  EXPECT_EQ(offsets(sec, Group::kLeft), (F{5}));
  EXPECT_EQ(offsets(sec, Group::kCentre), (F{1, 10}));
  EXPECT_EQ(offsets(sec, Group::kRight), (F{5}));
  EXPECT_EQ(t.out(), "Sorting \"A\"    1    2    1\n");
}

// A start point far west of the grid's origin is a start point like any other.
TEST(OrderingSections, WithLinesAStartBelowMinus99998IsStillAStart) {
  TestRun t;
  t.ctx.tally.linesFound = true;
  const int s = addSection(t.ctx, "A", {{-199997, 4, 1}}, {{-199994, 8, 3}}, {});
  t.ctx.store[s].start = MapPoint{-200000, 0};
  order(t.ctx);
  EXPECT_TRUE(t.ctx.store[s].use);
  EXPECT_EQ(offsets(t.ctx.store[s], Group::kLeft), (F{5}));
  EXPECT_EQ(offsets(t.ctx.store[s], Group::kCentre), (F{10}));
  EXPECT_EQ(t.out(), "Sorting \"A\"    1    1    0\n");
}

TEST(OrderingSections, WithLinesAMissingStartLineIsWarnedPerGroupWithoutPause) {
  TestRun t;
  t.ctx.tally.linesFound = true;
  const int s = addSection(t.ctx, "A", {{3, 4, 1}}, {{6, 8, 3}}, {});
  t.ctx.store[s].start.reset();
  order(t.ctx);
  EXPECT_FALSE(t.ctx.store[s].use);
  EXPECT_EQ(t.out(),
            "Sorting \"A\"    1\n"
            "WARNING - Start of line for XS \"A\" was not found - IGNORING\n"
            "    1\n"
            "WARNING - Start of line for XS \"A\" was not found - IGNORING\n"
            "    0\n");
  EXPECT_EQ(t.console.reads(), 0);
  EXPECT_FALSE(t.ctx.tally.errFound);
}

TEST(OrderingSections, WithLinesASectionWithoutCPointsIsAnError) {
  TestRun t;
  t.ctx.tally.linesFound = true;
  const int s = addSection(t.ctx, "A", {{3, 4, 1}}, {}, {{1, 1, 1}});
  t.ctx.store[s].start = MapPoint{0, 0};
  addSection(t.ctx, "B", {}, {{1, 0, 0}}, {});
  order(t.ctx);
  EXPECT_TRUE(t.ctx.tally.errFound);
  EXPECT_EQ(t.out(),
            "Sorting \"A\"    1    0\n"
            "ERROR - Cross-section \"A\" does not contain any \"C\" points.\n"
            "Sorting \"B\"    0    1    0\n");
}

TEST(OrderingSections, UnorderableOffsetsEndTheRun) {
  TestRun t({""});
  addSection(t.ctx, "A", {{0, 0, 0}}, {{1, 0, 0}, {1e300, 0, 0}}, {});
  EXPECT_EQ(endsRun([&] { order(t.ctx); }), kExitFailure);
  EXPECT_NE(t.out().find("\nWhy are we here? - is = 0\n"), std::string::npos) << t.out();

  TestRun n({""});
  addSection(n.ctx, "B", {{0, 0, 0}}, {{1, 0, 0}, {std::numeric_limits<double>::quiet_NaN(), 0, 0}}, {});
  EXPECT_EQ(endsRun([&] { order(n.ctx); }), kExitFailure);
  EXPECT_NE(n.out().find("Why are we here? - is = 0"), std::string::npos);
}

TEST(OrderingSections, LargeGroupsSortQuickly) {
  TestRun t;
  t.ctx.settings.mpt = 100000;
  const int s = addSection(t.ctx, "big", {{-1, 0, 0}}, {}, {});
  for (int i = 0; i < 100000; ++i) {
    StorePoint p;
    p.mapX = (i * 7919) % 100000;  // every x from 0 to 99999 once, shuffled
    p.z = static_cast<float>(p.mapX);
    t.ctx.store[s].append(Group::kCentre, p);
  }
  order(t.ctx);
  const Section& sec = t.ctx.store[s];
  for (int p = 1; p <= 100000; ++p) ASSERT_EQ(sec.point(Group::kCentre, p).z, static_cast<float>(p - 1));
}

// Projection ---------------------------------------------------------------

void setLine(Section& s, std::initializer_list<std::pair<double, double>> v) {
  s.ppolX.clear();
  s.ppolY.clear();
  for (const auto& [x, y] : v) {
    s.ppolX.push_back(x);
    s.ppolY.push_back(y);
  }
  s.ppolNv = static_cast<int>(v.size());
  s.start.reset();
}

TEST(OrderingProjection, FootOnTheLastVertexIsKeptAndPointsBeyondTheEndsGo) {
  TestRun t;
  t.ctx.settings.optPpol = true;
  const int s = addSection(t.ctx, "A", {{-1, 2, 1}}, {{3, 4, 2}, {4, 3, 3}, {1.5, -2, 4}}, {{1, 2, 5}});
  setLine(t.ctx.store[s], {{0, 0}, {3, 0}});
  project(t.ctx);
  const Section& sec = t.ctx.store[s];
  EXPECT_EQ(sec.ptCount(Group::kLeft), 0);  // before the first vertex
  ASSERT_EQ(sec.ptCount(Group::kCentre), 2);
  EXPECT_EQ(elevations(sec, Group::kCentre), (F{2, 4}));  // the point after a removed one is projected next
  EXPECT_EQ(sec.point(Group::kCentre, 1).mapX, 3.0);      // foot exactly on the last vertex
  EXPECT_EQ(sec.point(Group::kCentre, 1).mapY, 0.0);
  EXPECT_DOUBLE_EQ(sec.point(Group::kCentre, 2).mapX, 1.5);
  EXPECT_DOUBLE_EQ(sec.point(Group::kCentre, 2).mapY, 0.0);
  ASSERT_EQ(sec.ptCount(Group::kRight), 1);
  // The smallest chainage over all groups is the R point's foot at 1.
  ASSERT_TRUE(sec.start.has_value());
  EXPECT_NEAR(sec.start->x, 1.0, 1e-6);
  EXPECT_EQ(sec.start->y, 0.0);
  EXPECT_FALSE(t.ctx.tally.errFound);
  EXPECT_EQ(t.out(),
            "\nProjecting cross-section points onto lines...\n"
            "Projecting cross-section points onto line \"A\"\n");
}

TEST(OrderingProjection, FootOnAnInnerVertexBelongsToTheNextSegment) {
  TestRun t;
  // Straight line: the second segment takes the point at its start (chainage 3).
  const int a = addSection(t.ctx, "A", {}, {{3, 4, 1}, {5, 1, 2}}, {});
  setLine(t.ctx.store[a], {{0, 0}, {3, 0}, {6, 0}});
  // Bent line: the first segment may not take it, and the second turns away from it.
  const int b = addSection(t.ctx, "B", {}, {{3, 4, 1}, {1, 1, 2}}, {});
  setLine(t.ctx.store[b], {{0, 0}, {3, 0}, {6, -3}});
  project(t.ctx);

  const Section& sa = t.ctx.store[a];
  ASSERT_EQ(sa.ptCount(Group::kCentre), 2);
  EXPECT_EQ(sa.point(Group::kCentre, 1).mapX, 3.0);
  EXPECT_EQ(sa.point(Group::kCentre, 1).mapY, 0.0);
  ASSERT_TRUE(sa.start.has_value());
  EXPECT_EQ(sa.start->x, 3.0);
  const Section& sb = t.ctx.store[b];
  ASSERT_EQ(sb.ptCount(Group::kCentre), 1);
  EXPECT_EQ(elevations(sb, Group::kCentre), (F{2}));
}

// Points that lie on the line, or whose foot does, must never be lost to the
// rounding of the single-precision distances. The lines below have lengths
// whose squares single precision cannot hold.
TEST(OrderingProjection, PointsOnTheEndVerticesStay) {
  struct Case {
    double x, y;        // the point
    double endX, endY;  // the line runs from (1000, 2000) to here
  };
  // A point on the first vertex, and one on the last.
  for (const Case& c : {Case{1000, 2000, 1003, 2001}, Case{1002, 2003, 1002, 2003}}) {
    TestRun t;
    const int s = addSection(t.ctx, "A", {}, {{c.x, c.y, 1}}, {});
    setLine(t.ctx.store[s], {{1000, 2000}, {c.endX, c.endY}});
    project(t.ctx);
    const Section& sec = t.ctx.store[s];
    ASSERT_EQ(sec.ptCount(Group::kCentre), 1) << c.x;
    EXPECT_EQ(sec.point(Group::kCentre, 1).mapX, c.x);
    EXPECT_EQ(sec.point(Group::kCentre, 1).mapY, c.y);
    ASSERT_TRUE(sec.start.has_value());
    EXPECT_EQ(sec.start->x, c.x);
  }
}

TEST(OrderingProjection, FeetOnTheEndVerticesStayAndPointsBeyondThemGo) {
  TestRun t;
  // Feet exactly on (1000, 2000) and (1010, 2000) from both sides of the line;
  // then points 1 m beyond the end and 1 m before the start.
  const int s = addSection(t.ctx, "A", {},
                           {{1000, 2003, 1}, {1000, 1997, 2}, {1010, 2003, 3}, {1010, 1997, 4}, {1011, 2000.5, 5},
                            {999, 1999.5, 6}},
                           {});
  setLine(t.ctx.store[s], {{1000, 2000}, {1010, 2000}});
  project(t.ctx);
  const Section& sec = t.ctx.store[s];
  ASSERT_EQ(elevations(sec, Group::kCentre), (F{1, 2, 3, 4}));
  for (int p = 1; p <= 4; ++p) {
    EXPECT_NEAR(sec.point(Group::kCentre, p).mapX, p <= 2 ? 1000.0 : 1010.0, 1e-9) << p;
    EXPECT_NEAR(sec.point(Group::kCentre, p).mapY, 2000.0, 1e-9) << p;
  }
  ASSERT_TRUE(sec.start.has_value());
  EXPECT_NEAR(sec.start->x, 1000.0, 1e-9);
}

TEST(OrderingProjection, FootOnAnInnerVertexOfAStraightLineStays) {
  TestRun t;
  // Both segments put the foot of (1005, 2003.7) a rounding error outside themselves.
  const int s = addSection(t.ctx, "A", {}, {{1009, 2001, 1}, {1005, 2003.7, 2}}, {});
  setLine(t.ctx.store[s], {{1000, 2000}, {1005, 2000}, {1012.3, 2000}});
  project(t.ctx);
  const Section& sec = t.ctx.store[s];
  ASSERT_EQ(elevations(sec, Group::kCentre), (F{1, 2}));
  EXPECT_NEAR(sec.point(Group::kCentre, 2).mapX, 1005.0, 1e-9);
  EXPECT_NEAR(sec.point(Group::kCentre, 2).mapY, 2000.0, 1e-9);
  ASSERT_TRUE(sec.start.has_value());
  EXPECT_NEAR(sec.start->x, 1005.0, 1e-9);  // chainage 5, before the other point's 9
}

// A bent line whose feet fall exactly on vertices, a rounding error outside
// every segment. Each point's foot is taken at the vertex only where the
// rounding alone put it outside the line: before the first vertex, past the
// last, or before an inner vertex when the segment before refused the point
// at or past its own end.
TEST(OrderingProjection, FeetOnVerticesOfABentLine) {
  struct Row {
    double x, y;          // the point
    bool kept;            // else removed
    double footX, footY;  // where a kept point lands
  };
  const Row rows[] = {
      // On the third segment at chainage 1.414 + 3.606 + 1.414 = 6.434.
      {-1636, -1111, true, -1636, -1111},
      // 1.39 m past the end of the second segment; its foot on the third is
      // that segment's first vertex (chainage 1.414 + 3.606 = 5.020).
      {-1636, -1109, true, -1637, -1110},
      // Its foot is the last vertex, a rounding error past the end.
      {-1620, -1104, true, -1621, -1111},
      // 1 m beyond the last vertex, 1.41 m before the first.
      {-1620, -1111, false, 0, 0},
      {-1642, -1110, false, 0, 0},
      // Its foot on the fourth segment is that segment's first vertex, a
      // rounding error before it, but the third segment refused the point
      // ahead of its own start, not past its end.
      {-1637, -1105, false, 0, 0},
  };
  TestRun t;
  const int s = addSection(t.ctx, "A", {}, {}, {});
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    StorePoint p;
    p.mapX = rows[i].x;
    p.mapY = rows[i].y;
    p.z = static_cast<float>(i);
    t.ctx.store[s].append(Group::kCentre, p);
  }
  setLine(t.ctx.store[s], {{-1641, -1111}, {-1640, -1112}, {-1637, -1110}, {-1635, -1112}, {-1628, -1110},
                           {-1621, -1111}});
  project(t.ctx);
  const Section& sec = t.ctx.store[s];
  int p = 0;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    if (!rows[i].kept) continue;
    ++p;
    ASSERT_LE(p, sec.ptCount(Group::kCentre)) << "row " << i << " was removed";
    ASSERT_EQ(sec.point(Group::kCentre, p).z, static_cast<float>(i)) << "row " << i << " was removed";
    EXPECT_NEAR(sec.point(Group::kCentre, p).mapX, rows[i].footX, 1e-6) << "row " << i;
    EXPECT_NEAR(sec.point(Group::kCentre, p).mapY, rows[i].footY, 1e-6) << "row " << i;
  }
  EXPECT_EQ(sec.ptCount(Group::kCentre), p) << "a point that should go was kept";
  // The foot taken at the vertex has the smallest chainage of the section.
  ASSERT_TRUE(sec.start.has_value());
  EXPECT_EQ(sec.start->x, -1637.0);
  EXPECT_EQ(sec.start->y, -1110.0);
  EXPECT_FALSE(t.ctx.tally.errFound);
}

TEST(OrderingProjection, ShortSegmentsNeverPullAPointThatALaterSegmentTakes) {
  TestRun t;
  // (20, -0.71) lies 0.71 m before the 0.15 mm segment going north; only the
  // last segment takes it, at (20, 20).
  const int s = addSection(t.ctx, "A", {}, {{20, -0.71, 1}}, {});
  setLine(t.ctx.store[s], {{0, 0}, {10, 0}, {10, 0.00015}, {10, 20}, {30, 20}});
  project(t.ctx);
  const Section& sec = t.ctx.store[s];
  ASSERT_EQ(sec.ptCount(Group::kCentre), 1);
  EXPECT_NEAR(sec.point(Group::kCentre, 1).mapX, 20.0, 1e-5);
  EXPECT_NEAR(sec.point(Group::kCentre, 1).mapY, 20.0, 1e-5);
}

TEST(OrderingProjection, ProjectedCoordinatesKeepTheirSixthDecimal) {
  TestRun t;
  // A 180 m line in national grid coordinates. The foot of (512146.59,
  // 184325.85) is (512163.2002867, 184302.5916296) to the last digit shown;
  // the distances of single precision with the rest of the formula in double
  // give the same six decimals.
  const int s = addSection(t.ctx, "A", {}, {{512146.59, 184325.85, 1}}, {});
  setLine(t.ctx.store[s], {{512034.25, 184210.5}, {512180.75, 184315.125}});
  project(t.ctx);
  const Section& sec = t.ctx.store[s];
  ASSERT_EQ(sec.ptCount(Group::kCentre), 1);
  EXPECT_EQ(formatFixed(sec.point(Group::kCentre, 1).mapX, 16, 6), "   512163.200287");
  EXPECT_EQ(formatFixed(sec.point(Group::kCentre, 1).mapY, 16, 6), "   184302.591630");
}

TEST(OrderingProjection, LineOfOneVertexRemovesEveryPoint) {
  TestRun t;
  const int s = addSection(t.ctx, "A", {{1, 1, 1}}, {{2, 2, 2}}, {});
  setLine(t.ctx.store[s], {{0, 0}});
  project(t.ctx);
  EXPECT_EQ(t.ctx.store[s].counts(), (std::array<int, 3>{0, 0, 0}));
  EXPECT_FALSE(t.ctx.store[s].start.has_value());
}

TEST(OrderingProjection, CoincidentVerticesAreReportedOncePerNonEmptyGroup) {
  TestRun t({""});
  const int s = addSection(t.ctx, "A", {{1, 1, 1}}, {{2, 2, 2}, {3, 3, 3}}, {});
  setLine(t.ctx.store[s], {{0, 0}, {10, 0}, {10 + 5e-7, 0}, {20, 0}});
  EXPECT_EQ(endsRun([&] { project(t.ctx); }), kExitFailure);
  EXPECT_EQ(t.out().rfind(
                "\nProjecting cross-section points onto lines...\n"
                "Projecting cross-section points onto line \"A\"\n"
                "\nERROR - Coincident points found on projection line \"A\"\n"
                "\nERROR - Coincident points found on projection line \"A\"\n"
                "ERRORS were found projecting cross-section points onto lines - see above\n",
                0),
            0u)
      << t.out();
  EXPECT_EQ(t.ctx.store[s].ptCount(Group::kCentre), 2);  // the group is left as it was
  EXPECT_EQ(t.ctx.store[s].point(Group::kCentre, 2).z, 3.0f);
}

}  // namespace
}  // namespace kestrix::testing
