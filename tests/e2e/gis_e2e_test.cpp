// GIS mode through the real binary: survey layers in, cross-section files and
// layers out, with every expected byte worked out by hand.

#include <gtest/gtest.h>

#include <cstdio>

#include "support/e2e.h"
#include "support/layer_text.h"

namespace kestrix {
namespace {

using testing::ScratchDir;

const char* const kHeader = testing::kSurveyHeader;
using Layer = testing::SurveyLayer;

// The worked chaining example: L at offsets 0, 4, 7, C at 0, 2, 5 from the
// last L point, one R point 1 beyond the last C point.
Layer chainingSurvey() {
  const double x0 = 500000.0, y0 = 200000.0;
  Layer l;
  l.point(x0 + 0, y0, "12.5,0.06,\"L\",\"XS1\"")
      .point(x0 + 4, y0, "11.25,0.06,\"l\",\"xs1\"")
      .point(x0 + 7, y0, "10,0.045,\"L\",\"'XS1'\"")
      .point(x0 + 9, y0, "8.125,0.035,\"C\",\"XS1\"")
      .point(x0 + 12, y0, "9.5,0,\"centre\",\"XS1\"")
      .point(x0 + 7, y0, "10,0.045,\"C\",\"XS1\"")
      .point(x0 + 13, y0, "11,0.05,\"R\",\"XS1\"");
  return l;
}

TEST(GisE2E, SectionWithoutLinesChainsTheGroups) {
  ScratchDir dir;
  chainingSurvey().save(dir, "survey");
  auto run = dir.run({"-N", "survey.mif"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Found new cross-section ID: \"XS1\"\n"), std::string::npos);
  EXPECT_EQ(run.output.find("Found new cross-section ID: \"xs1\""), std::string::npos);
  EXPECT_NE(run.output.find(" Read L point    2 for XS xs1\n"), std::string::npos);
  EXPECT_NE(run.output.find("Sorting \"XS1\"    3    3    1\n"), std::string::npos);
  EXPECT_NE(run.output.find("\nFinished.\n\nPress Enter to Close\n"), std::string::npos);
  // The C points are stored 9, 12, 7 and ordered by offset from the last L
  // point (x 7): 7, 9, 12, written at 7 + 0, 7 + 2, 7 + 5.
  EXPECT_EQ(dir.read("XS1.csv"),
            "\"XS1\",\r\n"
            "\"X\",\"Z\",\"N\",\"LCR\"\r\n"
            "     0.000,  12.500,     0.060, 1\r\n"
            "     4.000,  11.250,     0.060, 1\r\n"
            "     7.000,  10.000,     0.045, 1\r\n"
            "     7.000,  10.000,     0.045, 2\r\n"
            "     9.000,   8.125,     0.035, 2\r\n"
            "    12.000,   9.500,, 2\r\n"
            "    13.000,  11.000,     0.050, 3\r\n");
  // The single R point is no vertex; the bed is the lowest C point.
  const std::string mif = dir.read("1d_xs.mif");
  const std::string objects = "Data\r\n\r\nPline 6\r\n"
                              "   500000.000000   200000.000000\r\n"
                              "   500004.000000   200000.000000\r\n"
                              "   500007.000000   200000.000000\r\n"
                              "   500007.000000   200000.000000\r\n"
                              "   500009.000000   200000.000000\r\n"
                              "   500012.000000   200000.000000\r\n";
  ASSERT_GE(mif.size(), objects.size());
  EXPECT_EQ(mif.substr(mif.size() - objects.size()), objects);
  EXPECT_EQ(mif.rfind(kHeader, 0), 0u);
  EXPECT_NE(mif.find("\r\nColumns 11\r\n  Source Char(50)\r\n  Type Char(2)\r\n  Flags Char(10)\r\n"), std::string::npos);
  EXPECT_EQ(dir.read("1d_xs.mid"), "\"XS1.csv\",\"XZ\",\"NP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0\r\n");
  const std::string bed = dir.read("_xs_bed_points.mif");
  const std::string bedObject = "Point    500009.000000   200000.000000\r\n"
                                "    Symbol (41,65535,8,\"MapInfo Symbols\",16,0)\r\n";
  ASSERT_GE(bed.size(), bedObject.size());
  EXPECT_EQ(bed.substr(bed.size() - bedObject.size()), bedObject);
  EXPECT_NE(bed.find("Columns 2\r\n  XS_ID Char(100)\r\n  Z Float\r\nData\r\n\r\n"), std::string::npos);
  EXPECT_EQ(dir.read("_xs_bed_points.mid"), "\"XS1\",   8.125\r\n");
  EXPECT_EQ(dir.read("_xs_all_points.mid"),
            "\"XS1\",  12.500\r\n\"XS1\",  11.250\r\n\"XS1\",  10.000\r\n"
            "\"XS1\",  10.000\r\n\"XS1\",   8.125\r\n\"XS1\",   9.500\r\n");
  const std::string all = dir.read("_xs_all_points.mif");
  EXPECT_NE(all.find("Point    500007.000000   200000.000000\r\n    Symbol (32,65535,5)\r\n"
                     "Point    500007.000000   200000.000000\r\n    Symbol (33,16711935,5)\r\n"),
            std::string::npos);
}

TEST(GisE2E, ResistanceColumnFollowsTheOption) {
  ScratchDir dir;
  chainingSurvey().save(dir, "survey");
  auto material = dir.run({"-M", "survey.mif"});
  ASSERT_EQ(material.status, 0);
  // -M rounds the value itself: 0.06 is material 0, and 0 stays empty.
  EXPECT_NE(dir.read("XS1.csv").find("\"X\",\"Z\",\"M\",\"LCR\"\r\n     0.000,  12.500,     0, 1\r\n"),
            std::string::npos);
  EXPECT_NE(dir.read("XS1.csv").find("    12.000,   9.500,, 2\r\n"), std::string::npos);
  auto n2m = dir.run({"-N2M", "survey.mif"});
  ASSERT_EQ(n2m.status, 0);
  EXPECT_NE(dir.read("XS1.csv").find("     9.000,   8.125,    35, 2\r\n"), std::string::npos);
  EXPECT_NE(dir.read("XS1.csv").find("     7.000,  10.000,    45, 1\r\n"), std::string::npos);
  EXPECT_EQ(dir.read("1d_xs.mid"), "\"XS1.csv\",\"XZ\",\"MP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0\r\n");
  auto relative = dir.run({"-R", "survey.mif"});
  ASSERT_EQ(relative.status, 0);
  EXPECT_NE(dir.read("XS1.csv").find("\"X\",\"Z\",\"R\",\"LCR\"\r\n     0.000,  12.500,     0.060, 1\r\n"),
            std::string::npos);
}

TEST(GisE2E, StartLinesMeasureFromTheFirstVertex) {
  ScratchDir dir;
  Layer points;
  points.point(100010, 0, "5,0.03,L,A").point(100013, 4, "4,0.03,C,A").point(100016, 8, "3,0.03,C,A");
  points.save(dir, "pts");
  Layer lines;
  lines.replaceMif(std::string(kHeader) + "Columns 1\r\n  XS_ID Char(12)\r\nData\r\n\r\n");
  lines.pline({{100010, -3}, {100020, 10}}, "\"a\"");
  lines.save(dir, "lines");
  auto run = dir.run({"-N", "pts.mif", "lines.mif"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find(" Found line setting starting point for XS \"a\"\n"), std::string::npos);
  // Offsets are plain distances from (100010, -3): 3, sqrt(9 + 49), sqrt(36 + 121).
  EXPECT_EQ(dir.read("A.csv"),
            "\"A\",\r\n\"X\",\"Z\",\"N\",\"LCR\"\r\n"
            "     3.000,   5.000,     0.030, 1\r\n"
            "     7.616,   4.000,     0.030, 2\r\n"
            "    12.530,   3.000,     0.030, 2\r\n");
}

TEST(GisE2E, ProjectionKeepsTheLastVertexAndDropsPointsBeyondTheEnds) {
  ScratchDir dir;
  Layer points;
  points.point(-1, 1, "9,0.03,C,P")       // before the first vertex: removed
      .point(2, 3, "8,0.03,C,P")          // foot (2, 0)
      .point(10, -2, "7,0.03,C,P")        // foot on the inner vertex: taken by the second segment
      .point(20, 5, "6,0.03,C,P")         // foot on the last vertex (20, 0): kept
      .point(21, 1, "5,0.03,C,P");        // beyond the last vertex: removed
  points.save(dir, "pts");
  Layer lines;
  lines.replaceMif(std::string(kHeader) + "Columns 1\r\n  XS_ID Char(12)\r\nData\r\n\r\n");
  lines.pline({{0, 0}, {10, 0}, {20, 0}}, "P");
  lines.save(dir, "lines");
  auto run = dir.run({"-N", "-ppol", "pts.mif", "lines.mif"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("\nProjecting cross-section points onto lines...\n"), std::string::npos);
  EXPECT_NE(run.output.find("Sorting \"P\"    0    3    0\n"), std::string::npos);
  // The start is the projected point of smallest chainage, (2, 0).
  EXPECT_EQ(dir.read("P.csv"),
            "\"P\",\r\n\"X\",\"Z\",\"N\",\"LCR\"\r\n"
            "     0.000,   8.000,     0.030, 2\r\n"
            "     8.000,   7.000,     0.030, 2\r\n"
            "    18.000,   6.000,     0.030, 2\r\n");
  const std::string all = dir.read("_xs_all_points.mif");
  EXPECT_NE(all.find("Point " + std::string(8, ' ') + "2.000000" + std::string(8, ' ') + "0.000000\r\n"),
            std::string::npos);
  EXPECT_NE(all.find("Point " + std::string(7, ' ') + "20.000000" + std::string(8, ' ') + "0.000000\r\n"),
            std::string::npos);
}

TEST(GisE2E, ProjectionTakesAFootThatRoundingPutsBeforeAnInnerVertex) {
  ScratchDir dir;
  Layer points;
  points.point(-1640, -1107, "4,0.03,L,B")   // foot on the second segment, 0.832 before the third vertex: the start
      .point(-1636, -1109, "3,0.03,C,B")     // past the second segment; its foot is the third vertex exactly
      .point(-1631, -1110, "2,0.03,C,B")     // foot on the fourth segment
      .point(-1642, -1110, "1,0.03,R,B")     // before the first vertex: removed
      .point(-1625, -1113, "5,0.03,R,B");    // foot on the last segment
  points.save(dir, "pts");
  Layer lines;
  lines.replaceMif(std::string(kHeader) + "Columns 1\r\n  XS_ID Char(12)\r\nData\r\n\r\n");
  lines.pline({{-1641, -1111}, {-1640, -1112}, {-1637, -1110}, {-1635, -1112}, {-1628, -1110}, {-1621, -1111}},
              "B");
  lines.save(dir, "lines");
  auto run = dir.run({"-N", "-ppol", "pts.mif", "lines.mif"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Sorting \"B\"    1    2    1\n"), std::string::npos) << run.output;
  // Offsets from the start's foot (-1637.692, -1110.462): 0.832 to the third
  // vertex, 6.927 to (-1630.774, -1110.792), 13.052 to (-1624.640, -1110.480).
  EXPECT_EQ(dir.read("B.csv"),
            "\"B\",\r\n\"X\",\"Z\",\"N\",\"LCR\"\r\n"
            "     0.000,   4.000,     0.030, 1\r\n"
            "     0.832,   3.000,     0.030, 2\r\n"
            "     6.927,   2.000,     0.030, 2\r\n"
            "    13.052,   5.000,     0.030, 3\r\n");
}

TEST(GisE2E, WarningsDropSectionsAndTheRunFinishes) {
  ScratchDir dir;
  Layer l;
  l.point(0, 0, "1,1,L,GOOD").point(1, 0, "1,1,C,GOOD").point(2, 0, "1,1,C,GOOD");
  l.point(0, 5, "1,1,L,ONE_C").point(1, 5, "1,1,C,ONE_C");
  l.point(1, 9, "1,1,C,NO_L").point(2, 9, "1,1,C,NO_L").point(3, 9, "1,1,R,NO_L");
  l.save(dir, "s");
  auto run = dir.run({"s.mif"}, "\n\n");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("WARNING - Less than two \"C\" points found for cross-section ONE_C\n\n"
                            "Press Enter to Continue\n"),
            std::string::npos);
  EXPECT_NE(run.output.find("WARNING - No \"L\" point found for cross-section NO_L\n\nPress Enter to Continue\n"),
            std::string::npos);
  // The R count still follows on the Sorting line after the warning and its pause.
  EXPECT_NE(run.output.find("Sorting \"NO_L\"    0    2\nWARNING - No \"L\""), std::string::npos);
  EXPECT_NE(run.output.find("Press Enter to Continue\n    1\n"), std::string::npos);
  EXPECT_TRUE(dir.has("GOOD.csv"));
  EXPECT_FALSE(dir.has("ONE_C.csv"));
  EXPECT_FALSE(dir.has("NO_L.csv"));
}

TEST(GisE2E, CheckpointsStopBeforeAnythingIsWritten) {
  // A layer whose identifier comes first: the message names the record, the field, its text and the columns.
  ScratchDir a;
  Layer bad;
  bad.replaceMif(std::string(kHeader) +
                 "Columns 4\r\n  XS_ID Char(12)\r\n  Z Float\r\n  MNR Float\r\n  LCR Char(1)\r\nData\r\n\r\n");
  bad.point(0, 0, "\"XS1\",1,1,L").point(1, 0, "\"XS1\",1,1,C");
  bad.save(a, "s");
  auto pointsError = a.run({"s.mif"});
  EXPECT_EQ(pointsError.status, 1);
  EXPECT_NE(pointsError.output.find("ERROR - Reading points data\n \"s.mid\" record 1: field Z (the 1st column) holds "
                                    "\"XS1\", not a number - the layer's columns are XS_ID, Z, MNR, LCR\n"
                                    "ERRORS were found - see above\n\nPress Enter to Close"),
            std::string::npos)
      << pointsError.output;
  EXPECT_FALSE(a.has("1d_xs.mif"));

  ScratchDir b;
  Layer pts;
  pts.point(0, 0, "1,1,L,X").point(1, 0, "1,1,C,X").point(2, 0, "1,1,C,X");
  pts.save(b, "s");
  Layer lines;
  lines.replaceMif(std::string(kHeader) + "Columns 1\r\n  XS_ID Char(12)\r\nData\r\n\r\n");
  lines.pline({{0, 1}, {5, 1}}, "UNKNOWN");
  lines.save(b, "l");
  auto linesError = b.run({"s.mif", "l.mif"});
  EXPECT_EQ(linesError.status, 1);
  EXPECT_NE(linesError.output.find("ERROR - Could not find any points with same ID as XS line \"UNKNOWN\""),
            std::string::npos);
  EXPECT_NE(linesError.output.find("ERRORS were found - see above\n"), std::string::npos);
  EXPECT_FALSE(b.has("1d_xs.mif"));

  ScratchDir c;
  Layer onlyL;
  onlyL.point(0, 0, "1,1,L,X").point(1, 0, "1,1,L,X");
  onlyL.save(c, "s");
  Layer line;
  line.replaceMif(std::string(kHeader) + "Columns 1\r\n  XS_ID Char(12)\r\nData\r\n\r\n");
  line.pline({{0, 1}, {5, 1}}, "X");
  line.save(c, "l");
  auto noC = c.run({"s.mif", "l.mif"});
  EXPECT_EQ(noC.status, 1);
  EXPECT_NE(noC.output.find("ERROR - Cross-section \"X\" does not contain any \"C\" points."), std::string::npos);
  EXPECT_NE(noC.output.find("\nERRORS were found - see above [3]\n"), std::string::npos);
  EXPECT_FALSE(c.has("X.csv"));
}

TEST(GisE2E, FirstLayerWithoutExtensionAndNewerTable) {
  ScratchDir dir;
  chainingSurvey().save(dir, "survey");
  auto run = dir.run({"-N", "survey"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(dir.has("XS1.csv"));
}

}  // namespace
}  // namespace kestrix
