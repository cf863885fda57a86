#include <gtest/gtest.h>

#include "driver/modes.h"
#include "files/paths.h"
#include "support/driver_run.h"
#include "support/layer_text.h"
#include "support/section_values.h"

namespace kestrix::testing {
namespace {

// A GIS run over the given layers, with enough console answers for its pauses.
struct GisRun {
  explicit GisRun(std::vector<std::string> files) : t({"", "", "", "", ""}) {
    t.ctx.settings.inFiles = std::move(files);
  }
  int run() { return endsRun([&] { gisRun(t.ctx); }); }
  TestRun t;
};

LayerText survey() {
  // XS1 along y = 0: L at x 0, C at 2 and 5 (stored 5 then 2), R at 6.
  return LayerBuilder()
      .point(0, 0, "10,0.05,L,\"XS1\"")
      .point(5, 0, "8,0.03,C,\"XS1\"")
      .point(2, 0, "7,0.03,C,\"XS1\"")
      .point(6, 0, "9,0.05,R,\"XS1\"");
}

TEST(SectionsGisRun, PointLayerErrorsStopBeforeTheLinesAreRead) {
  GisRun r({"pts.mif"});
  survey().point(7, 0, "1,2").line(0, 0, 1, 0, "XS1").addTo(r.t.fs, "pts");
  EXPECT_EQ(r.run(), kExitFailure);
  EXPECT_TRUE(has(r.t.out(), "ERROR - Reading points data\n"));
  EXPECT_TRUE(has(r.t.out(), "ERRORS were found - see above\n\nPress Enter to Close\n")) << r.t.out();
  EXPECT_FALSE(has(r.t.out(), "Reading Cross-Section Lines"));
}

TEST(SectionsGisRun, LineLayerErrorsStopBeforeOrdering) {
  GisRun r({"pts.mif", "lines.mif"});
  survey().addTo(r.t.fs, "pts");
  LayerBuilder().line(0, 0, 1, 0, "XS1").line(0, 0, 1, 0, "XS7").addTo(r.t.fs, "lines");
  EXPECT_EQ(r.run(), kExitFailure);
  EXPECT_TRUE(has(r.t.out(),
                  "ERROR - Could not find any points with same ID as XS line \"XS7\"\n"
                  "...Closed File Unit:1001\n...Closed File Unit:1002\n"
                  "ERRORS were found - see above\n\nPress Enter to Close\n"))
      << r.t.out();
  EXPECT_FALSE(has(r.t.out(), "Sorting"));
}

TEST(SectionsGisRun, ProjectionWithoutAnyLineObjectIsRefused) {
  GisRun r({"pts.mif"});
  r.t.ctx.settings.optPpol = true;
  survey().addTo(r.t.fs, "pts");
  EXPECT_EQ(r.run(), kExitFailure);
  const std::string& out = r.t.out();
  const auto at = out.find("ERROR - ");
  ASSERT_NE(at, std::string::npos) << out;
  const std::string message = out.substr(at, out.find('\n', at) - at);
  EXPECT_TRUE(has(message, "-ppol")) << message;
  EXPECT_TRUE(has(message, "line")) << message;
  EXPECT_FALSE(has(out, "Projecting"));
  EXPECT_FALSE(has(out, "should not be here"));
}

TEST(SectionsGisRun, StartLinesFixTheOffsetsAndTheRunFinishes) {
  GisRun r({"proj/pts.mif", "proj/lines.mif"});
  survey().addTo(r.t.fs, "proj/pts");
  LayerBuilder().line(-1, 0, 9, 0, "xs1").addTo(r.t.fs, "proj/lines");
  EXPECT_EQ(r.run(), kExitSuccess) << r.t.out();
  const Section& s = r.t.ctx.store[1];
  EXPECT_EQ(offsets(s, Group::kLeft), (F{1}));
  EXPECT_EQ(offsets(s, Group::kCentre), (F{3, 6}));
  EXPECT_EQ(offsets(s, Group::kRight), (F{7}));
  EXPECT_EQ(r.t.ctx.settings.outFolder, "proj/");
  // Both layers are read twice: points first, then lines.
  const std::string& out = r.t.out();
  const auto lines = out.find("Reading Cross-Section Lines from proj/pts.mif...");
  ASSERT_NE(lines, std::string::npos);
  EXPECT_LT(out.find("Reading Cross-Section Points from proj/lines.mif..."), lines);
  EXPECT_TRUE(has(out, " Found line setting starting point for XS \"xs1\"\n"));
  EXPECT_TRUE(has(out, "Sorting \"XS1\"    1    2    1\n"));
  EXPECT_TRUE(has(out, "\nFinished.\n\nPress Enter to Close\n"));
  EXPECT_TRUE(r.t.fs.has(ADDFOLDER("proj/", "XS1.csv")));
}

TEST(SectionsGisRun, ProjectedPointsAreMeasuredFromTheSmallestChainage) {
  GisRun r({"pts.mif", "lines.mif"});
  r.t.ctx.settings.optPpol = true;
  LayerBuilder()
      .point(1, 3, "10,0.05,L,XS1")
      .point(12, 4, "6,0.03,C,XS1")  // beyond the end: removed
      .point(6, -4, "8,0.03,C,XS1")
      .point(3, 2, "7,0.03,C,XS1")
      .point(9, 1, "9,0.05,R,XS1")
      .addTo(r.t.fs, "pts");
  LayerBuilder().pline({{0, 0}, {5, 0}, {10, 0}}, "XS1").addTo(r.t.fs, "lines");
  EXPECT_EQ(r.run(), kExitSuccess) << r.t.out();
  const Section& s = r.t.ctx.store[1];
  EXPECT_EQ(s.counts(), (std::array<int, 3>{1, 2, 1}));
  ASSERT_TRUE(s.start.has_value());
  EXPECT_NEAR(s.start->x, 1.0, 1e-6);
  EXPECT_EQ(s.start->y, 0.0);
  EXPECT_NEAR(s.point(Group::kLeft, 1).x, 0.0f, 1e-5);
  EXPECT_NEAR(s.point(Group::kCentre, 1).x, 2.0f, 1e-5);
  EXPECT_EQ(s.point(Group::kCentre, 1).z, 7.0f);
  EXPECT_NEAR(s.point(Group::kCentre, 2).x, 5.0f, 1e-5);
  EXPECT_NEAR(s.point(Group::kRight, 1).x, 8.0f, 1e-5);
  EXPECT_TRUE(has(r.t.out(), " Found projection line for points for XS \"XS1\"\n"));
}

TEST(SectionsGisRun, VerticesThatCoincideOnlyAfterADroppedOneStopTheProjection) {
  GisRun r({"pts.mif", "lines.mif"});
  r.t.ctx.settings.optPpol = true;
  survey().addTo(r.t.fs, "pts");
  // B is dropped (within 0.0001 of A); C is kept (0.0001003 from B) but lies 8e-7 from A.
  LayerBuilder().pline({{0, 0}, {0.0000995, 0}, {-0.0000008, 0}, {10, 0}}, "XS1").addTo(r.t.fs, "lines");
  EXPECT_EQ(r.run(), kExitFailure);
  const std::string& out = r.t.out();
  EXPECT_TRUE(has(out,
                  "Projecting cross-section points onto line \"XS1\"\n"
                  "\nERROR - Coincident points found on projection line \"XS1\"\n"
                  "\nERROR - Coincident points found on projection line \"XS1\"\n"
                  "\nERROR - Coincident points found on projection line \"XS1\"\n"
                  "ERRORS were found projecting cross-section points onto lines - see above\n"))
      << out;
  EXPECT_FALSE(has(out, "Sorting"));
}

}  // namespace
}  // namespace kestrix::testing
