#include <gtest/gtest.h>

#include "gis/identifiers.h"
#include "support/layer_text.h"
#include "support/workspace_run.h"
#include "gis/layers.h"

namespace kestrix::testing {
namespace {

// A run with the sections XS1 and XS2 registered and their line data preset, as before the line layers are read.
struct LineRun {
  explicit LineRun(bool ppol, int mlp = 20) {
    t.ctx.settings.optPpol = ppol;
    t.ctx.settings.mlp = mlp;
    t.ctx.tally.linesFound = true;
    bool found = false;
    xsFindID(t.ctx, "XS1", found);
    xsFindID(t.ctx, "XS2", found);
    for (int s = 1; s <= 2; ++s) {
      t.ctx.store[s].start.reset();
      if (ppol) {
        t.ctx.store[s].ppolX.assign(mlp, -99999.0);
        t.ctx.store[s].ppolY.assign(mlp, -99999.0);
      }
    }
    t.console.clearOutput();
  }
  TestWorkspace t{{"", "", ""}};
};

TEST(SectionsLines, StartLinesTakeTheirFirstVertexAndSkipPointRows) {
  LineRun r(false);
  LayerBuilder()
      .point(9, 9, "1,0.03,C,XS2")
      .pline({{10, 20}, {30, 40}, {50, 60}}, "\"xs2\",5")
      .line(1.5, 2.5, 3, 4, "'XS1'")
      .addTo(r.t.fs, "lines");
  xsReadLines(r.t.ctx, "lines.mif");
  EXPECT_FALSE(r.t.ctx.tally.errFound);
  ASSERT_TRUE(r.t.ctx.store[2].start && r.t.ctx.store[1].start);
  EXPECT_EQ(r.t.ctx.store[2].start->x, 10.0);
  EXPECT_EQ(r.t.ctx.store[2].start->y, 20.0);
  EXPECT_EQ(r.t.ctx.store[1].start->x, 1.5);
  EXPECT_EQ(r.t.ctx.store[1].start->y, 2.5);
  EXPECT_EQ(r.t.ctx.store[1].ppolNv, 0);
  const std::string& out = r.t.out();
  EXPECT_EQ(out.rfind("\nReading Cross-Section Lines from lines.mif...\n", 0), 0u) << out;
  EXPECT_TRUE(has(out,
                  " Found line setting starting point for XS \"xs2\"\n"
                  " Found line setting starting point for XS \"XS1\"\n"))
      << out;
}

TEST(SectionsLines, UnknownIdentifierIsAnErrorAndReadingGoesOn) {
  LineRun r(false);
  LayerBuilder().line(0, 0, 1, 1, "\"XS9\"").line(5, 6, 7, 8, "XS1").addTo(r.t.fs, "lines");
  xsReadLines(r.t.ctx, "lines");
  EXPECT_TRUE(r.t.ctx.tally.errFound);
  EXPECT_TRUE(has(r.t.out(),
                  "Found new cross-section ID: \"XS9\"\n"
                  "ERROR - Could not find any points with same ID as XS line \"XS9\"\n"))
      << r.t.out();
  ASSERT_TRUE(r.t.ctx.store[1].start.has_value());
  EXPECT_EQ(r.t.ctx.store[1].start->x, 5.0);
}

TEST(SectionsLines, RecordWithoutAnyValueIsAReadError) {
  LineRun r(false);
  LayerBuilder().line(0, 0, 1, 1, "").line(5, 6, 7, 8, "XS1").addTo(r.t.fs, "lines");
  xsReadLines(r.t.ctx, "lines");
  EXPECT_TRUE(r.t.ctx.tally.errFound);
  EXPECT_TRUE(has(r.t.out(), "ERROR - Reading line data\n")) << r.t.out();
  EXPECT_FALSE(r.t.ctx.store[1].start.has_value());  // the layer stopped there
}

TEST(SectionsLines, CoincidenceIsTestedBetweenNeighboursAsRead) {
  LineRun r(true);
  // B lies within 0.0001 of A, C within 0.0001 of B (but not of A): both go.
  LayerBuilder()
      .pline({{0, 0}, {0.00005, 0}, {0.00012, 0}, {10, 0}}, "XS1")
      .addTo(r.t.fs, "lines");
  xsReadLines(r.t.ctx, "lines");
  const Section& s = r.t.ctx.store[1];
  ASSERT_EQ(s.ppolNv, 2);
  EXPECT_EQ(s.ppolX[0], 0.0);
  EXPECT_EQ(s.ppolX[1], 10.0);
  EXPECT_EQ(s.ppolX[2], -99999.0);
  EXPECT_FALSE(s.start.has_value());  // a projection line is no start line
  EXPECT_TRUE(has(r.t.out(),
                  "\nWARNING - Removed coincident point found on projection line \"XS1\"\n"
                  "\nWARNING - Removed coincident point found on projection line \"XS1\"\n"
                  " Found projection line for points for XS \"XS1\"\n"))
      << r.t.out();
}

TEST(SectionsLines, VertexLimitCountsEveryVertexAsRead) {
  LineRun r(true, 3);
  LayerBuilder()
      .pline({{0, 0}, {0, 0}, {5, 0}, {10, 0}}, "XS1")
      .pline({{1, 1}, {1, 1}, {6, 1}}, "XS2")
      .addTo(r.t.fs, "lines");
  xsReadLines(r.t.ctx, "lines");
  EXPECT_TRUE(r.t.ctx.tally.errFound);
  EXPECT_TRUE(has(r.t.out(),
                  "ERROR - Cannot have lines with more than 3 vertices if using the -project option.  "
                  "See XS line \"XS1\"\n"))
      << r.t.out();
  EXPECT_EQ(r.t.ctx.store[1].ppolNv, 0);
  EXPECT_EQ(r.t.ctx.store[2].ppolNv, 2);
  EXPECT_EQ(r.t.ctx.store[2].ppolX[1], 6.0);
}

TEST(SectionsLines, PolylineWithoutVerticesFixesNothing) {
  LineRun r(false);
  LayerBuilder().mifText("Pline 0\r\n").withRow("XS1").line(3, 4, 5, 6, "XS2").addTo(r.t.fs, "lines");
  xsReadLines(r.t.ctx, "lines");
  EXPECT_FALSE(r.t.ctx.tally.errFound);
  EXPECT_FALSE(r.t.ctx.store[1].start.has_value());
  ASSERT_TRUE(r.t.ctx.store[2].start.has_value());
  EXPECT_EQ(r.t.ctx.store[2].start->x, 3.0);
  EXPECT_TRUE(has(r.t.out(), "WARNING - Line for XS \"XS1\" has no vertices - IGNORING\n")) << r.t.out();
}

TEST(SectionsLines, LaterLineReplacesTheEarlierOne) {
  LineRun r(true);
  LayerBuilder()
      .pline({{0, 0}, {5, 0}, {10, 0}}, "XS1")
      .line(100, 100, 200, 100, "xs1")
      .addTo(r.t.fs, "lines");
  xsReadLines(r.t.ctx, "lines");
  const Section& s = r.t.ctx.store[1];
  EXPECT_EQ(s.ppolNv, 2);
  EXPECT_EQ(s.ppolX[0], 100.0);
  EXPECT_EQ(s.ppolX[1], 200.0);
  EXPECT_EQ(s.ppolX[2], 10.0);  // beyond the count, the old vertex is left alone
}

}  // namespace
}  // namespace kestrix::testing
