#include <gtest/gtest.h>

#include "point_run.h"
#include "support/layer_text.h"
#include "support/section_values.h"
#include "gis/layers.h"

namespace kestrix::testing {
namespace {

TEST(SectionsPoints, LcrLettersChooseTheGroupAndEachPointIsReported) {
  TestPoints t;
  t.ctx.settings.mnrType = ResistanceType::Manning;  // the values are Manning's n
  LayerBuilder()
      .point(1, 2, "1.5,0.03,\"left\",\"XS1\"")
      .point(3, 4, "2.5,0.04,\"Centre\",\"XS1\"")
      .point(5, 6, "3.5,0.05,\"right\",\"XS1\"")
      .point(7, 8, "4.5,0.06,\"\",\"XS1\"")
      .point(9, 10, "5.5,0.07,\"x\",\"XS1\"")
      .point(11, 12, "6.5,0.08,l,XS1")
      .addTo(t.fs, "survey");
  xsReadPoints(t.ctx, t.ctx.gis, "survey.mif");

  const Section& s = t.ctx.store[1];
  EXPECT_EQ(t.ctx.store.nxs(), 1);
  // Offsets are measured later: every x is still 0.
  EXPECT_EQ(pointsOf(s, Group::kLeft), (std::vector<P>{{0, 1.5f, 0.03f, 1, 2}, {0, 6.5f, 0.08f, 11, 12}}));
  EXPECT_EQ(pointsOf(s, Group::kCentre),
            (std::vector<P>{{0, 2.5f, 0.04f, 3, 4}, {0, 4.5f, 0.06f, 7, 8}, {0, 5.5f, 0.07f, 9, 10}}));
  EXPECT_EQ(pointsOf(s, Group::kRight), (std::vector<P>{{0, 3.5f, 0.05f, 5, 6}}));
  EXPECT_FALSE(t.ctx.tally.linesFound);
  EXPECT_FALSE(t.ctx.tally.errFound);

  const std::string& out = t.out();
  EXPECT_EQ(out.rfind("\nReading Cross-Section Points from survey.mif...\n", 0), 0u) << out;
  EXPECT_TRUE(has(out,
                  "Found new cross-section ID: \"XS1\"\n"
                  " Read L point    1 for XS XS1\n"
                  " Read C point    1 for XS XS1\n"
                  " Read R point    1 for XS XS1\n"
                  " Read C point    2 for XS XS1\n"
                  " Read C point    3 for XS XS1\n"
                  " Read L point    2 for XS XS1\n"))
      << out;
}

TEST(SectionsPoints, NullValuesKeepThePreviousRecordsValuesAcrossLayers) {
  TestPoints t;
  t.ctx.settings.mnrType = ResistanceType::Manning;
  // The second record has no elevation: it is left out, and makes no section, but its values carry on.
  LayerBuilder().point(0, 0, "10.25,0.03,L,\"XS1\"").point(1, 0, ",0.04,,\"XS2\"").addTo(t.fs, "a");
  LayerBuilder().point(2, 0, "8,,R,,").point(3, 0, "7,,,\"xs1\"").addTo(t.fs, "b");
  xsReadPoints(t.ctx, t.ctx.gis, "a.mif");
  EXPECT_EQ(t.ctx.store.nxs(), 1);
  EXPECT_TRUE(has(t.out(), "\nWARNING - \"a.mid\" has 1 point record without an elevation (Z), left out: 2\n"))
      << t.out();
  xsReadPoints(t.ctx, t.ctx.gis, "b.mif");

  ASSERT_EQ(t.ctx.store.nxs(), 2);
  const Section& xs2 = t.ctx.store[2];
  EXPECT_EQ(xs2.ptCount(Group::kLeft), 0);
  ASSERT_EQ(xs2.ptCount(Group::kRight), 1);  // MNR and XS_ID carried over from the left-out record
  EXPECT_EQ(xs2.point(Group::kRight, 1).z, 8.0f);
  EXPECT_EQ(xs2.point(Group::kRight, 1).mnr, 0.04f);
  const Section& xs1 = t.ctx.store[1];
  ASSERT_EQ(xs1.ptCount(Group::kRight), 1);  // the second layer's point joins the section of the first
  EXPECT_EQ(xs1.point(Group::kRight, 1).z, 7.0f);
  EXPECT_EQ(xs1.point(Group::kRight, 1).mapX, 3.0);
  EXPECT_TRUE(has(t.out(), " Read R point    1 for XS xs1\n")) << t.out();
  // Each record that took values is reported with the values it took; the left-out one is not.
  EXPECT_FALSE(has(t.out(), "Record 2 of \"a.mid\"")) << t.out();
  EXPECT_TRUE(has(t.out(), "\nWARNING - Record 1 of \"b.mid\" has no value for MNR, XS_ID: the previous point "
                           "record's values are used (MNR 0.04, XS_ID \"XS2\")\n"));
  EXPECT_TRUE(has(t.out(), "\nWARNING - Record 2 of \"b.mid\" has no value for MNR, LCR: the previous point record's "
                           "values are used (MNR 0.04, LCR \"R\")\n"));
  EXPECT_EQ(t.ctx.tally.warnings, 3);
}

TEST(SectionsPoints, CarriedValuesAreReportedTwentyTimesPerLayerThenCounted) {
  TestPoints t;
  t.ctx.settings.mnrType = ResistanceType::Manning;
  LayerBuilder b;
  b.point(0, 0, "4,,L,XS1");  // the first record of the run has no earlier record
  b.mifText("Line 0 0 1 1\r\n").withRow("\"XS1\"");  // a line's row is counted, not read
  for (int i = 0; i < 24; ++i) b.point(i, 1, "5,,C,XS1");
  b.addTo(t.fs, "a");
  xsReadPoints(t.ctx, t.ctx.gis, "a.mif");
  EXPECT_FALSE(t.ctx.tally.errFound);
  EXPECT_TRUE(has(t.out(), "\nWARNING - Record 1 of \"a.mid\" has no value for MNR: there is no earlier point record, "
                           "so MNR 0 is used\n"))
      << t.out();
  EXPECT_TRUE(has(t.out(), "WARNING - Record 3 of \"a.mid\" has no value for MNR: the previous point record's values "
                           "are used (MNR 0)\n"));
  EXPECT_TRUE(has(t.out(), "WARNING - Record 21 of \"a.mid\""));
  EXPECT_FALSE(has(t.out(), "WARNING - Record 22 of"));
  EXPECT_TRUE(has(t.out(), "\nWARNING - 5 more records of \"a.mid\" have blank values that take the previous point "
                           "record's values\n...Closed File Unit:1001\n"));
  EXPECT_EQ(t.ctx.tally.warnings, 21);
  EXPECT_EQ(t.ctx.tally.pointsRead, 25);
  EXPECT_EQ(t.ctx.store[1].point(Group::kCentre, 24).mnr, 0.0f);
}

TEST(SectionsPoints, PointsWithoutAnElevationAreNamedTwentyTimesThenCounted) {
  TestPoints t;
  LayerBuilder b;
  b.point(0, 0, "1,2,C,XS1");
  for (int i = 0; i < 23; ++i) b.point(i, 1, " ,2,C,XS2");
  b.addTo(t.fs, "a");
  xsReadPoints(t.ctx, t.ctx.gis, "a.mif");
  EXPECT_TRUE(has(t.out(), "\nWARNING - \"a.mid\" has 23 point records without an elevation (Z), left out: 2, 3, 4, 5, "
                           "6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21 and 3 more\n"))
      << t.out();
  EXPECT_EQ(t.ctx.store.nxs(), 1);  // XS2 had no point with an elevation
  EXPECT_FALSE(has(t.out(), "XS2"));
  EXPECT_EQ(t.ctx.tally.warnings, 1);
  EXPECT_EQ(t.ctx.tally.pointsRead, 1);
}

TEST(SectionsPoints, RecordWithFewerThanFourValuesStopsTheLayer) {
  TestPoints t;
  LayerBuilder()
      .point(0, 0, "1,0.03,C,XS1")
      .point(1, 0, "2,0.03,C")
      .point(2, 0, "XS2")
      .addTo(t.fs, "a");
  xsReadPoints(t.ctx, t.ctx.gis, "a.mif");
  EXPECT_TRUE(t.ctx.tally.errFound);
  EXPECT_TRUE(has(t.out(), " Read C point    1 for XS XS1\nERROR - Reading points data\n \"a.mid\" record 2: field "
                           "XS_ID (the 4th column) has no value - the layer's columns are Z, MNR, LCR, XS_ID\n"))
      << t.out();
  EXPECT_EQ(t.ctx.store.nxs(), 1);  // the next row was not taken for the missing value
  EXPECT_EQ(t.ctx.store[1].ptCount(Group::kCentre), 1);
  // The abandoned layer gives its units back: the next layer opens on the same numbers.
  EXPECT_FALSE(t.anyUnitOpen());
  LayerBuilder().point(0, 0, "1,0.03,C,XS3").addTo(t.fs, "b");
  xsReadPoints(t.ctx, t.ctx.gis, "b.mif");
  EXPECT_TRUE(has(t.out(), "b.mif...OK.\nOpened File Unit:1001\n")) << t.out();
}

TEST(SectionsPoints, MidFileEndingEarlyIsReported) {
  TestPoints t;
  LayerBuilder().point(0, 0, "1,0.03,C,XS1").point(1, 0, "2,0.03,C,XS1").addTo(t.fs, "a");
  t.fs.add("a.mid", "1,0.03,C,XS1\r\n", 100);
  xsReadPoints(t.ctx, t.ctx.gis, "a.mif");
  EXPECT_TRUE(t.ctx.tally.errFound);
  EXPECT_TRUE(has(t.out(), "ERROR - End of File encountered reading points\n")) << t.out();
  EXPECT_FALSE(t.anyUnitOpen());
}

TEST(SectionsPoints, LimitIsPerGroup) {
  TestPoints t({""});
  t.ctx.settings.mpt = 2;
  LayerBuilder b;
  for (const char* lcr : {"L", "L", "C", "C", "R", "R"}) b.point(0, 0, std::string("1,0,") + lcr + ",\"XS 9\"");
  b.addTo(t.fs, "a");
  xsReadPoints(t.ctx, t.ctx.gis, "a.mif");
  EXPECT_FALSE(t.ctx.tally.errFound);
  EXPECT_EQ(t.ctx.store[1].counts(), (std::array<int, 3>{2, 2, 2}));

  b.point(0, 0, "1,0,C,\"XS 9\"").addTo(t.fs, "b");
  EXPECT_EQ(endsRun([&] { xsReadPoints(t.ctx, t.ctx.gis, "b"); }), kExitFailure);
  EXPECT_TRUE(has(t.out(),
                  "ERROR - Exceeded number of allowable points per cross-section section.\n"
                  "        Cross-section \"XS 9\" in \"b\"\n"))
      << t.out();
}

TEST(SectionsPoints, LineObjectsAreNotedAndTheirRowsSkipped) {
  TestPoints t;
  LayerBuilder()
      .line(0, 0, 1, 1, "\"XS1\"")
      .point(5, 5, "1,0.03,C,XS1")
      .mifText("Pline Multiple 2\r\n  2\r\n0 0\r\n1 1\r\n  2\r\n2 2\r\n3 3\r\n")
      .withRow("\"XS2\"")
      .mifText("Region 1\r\n  3\r\n0 0\r\n1 0\r\n0 1\r\n")
      .withRow("\"XS3\"")
      .point(6, 6, "2,0.03,C,XS1,extra,columns")
      .withRow("9,9,C,SPARE")  // a row after the last object is not read
      .addTo(t.fs, "a");
  xsReadPoints(t.ctx, t.ctx.gis, "a.mif");
  EXPECT_TRUE(t.ctx.tally.linesFound);
  EXPECT_FALSE(t.ctx.tally.errFound);
  ASSERT_EQ(t.ctx.store.nxs(), 1);
  EXPECT_EQ(t.ctx.store[1].ptCount(Group::kCentre), 2);
  EXPECT_EQ(t.ctx.store[1].point(Group::kCentre, 2).z, 2.0f);
}

TEST(SectionsPoints, MultipleSectionPolylinesDoNotCountAsLines) {
  TestPoints t;
  LayerBuilder()
      .mifText("Pline Multiple 1\r\n  2\r\n0 0\r\n1 1\r\n")
      .withRow("\"XS2\"")
      .addTo(t.fs, "a");
  xsReadPoints(t.ctx, t.ctx.gis, "a.mif");
  EXPECT_FALSE(t.ctx.tally.linesFound);
  EXPECT_EQ(t.ctx.store.nxs(), 0);
}

}  // namespace
}  // namespace kestrix::testing
