#include "output/section_writer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "support/workspace_run.h"
#include "text/numbers.h"

namespace kestrix {
namespace {

using testing::endsRun;
using testing::lines;
using testing::TestWorkspace;

const char* const kFolder = "C:\\s\\";

// The first layer of the run; only the lines before "Columns" reach the output.
const std::string kSurvey = lines({"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                                   "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000",
                                   "Columns 4", "  Z Float", "  MNR Float", "  LCR Integer", "  XS_ID Char(20)",
                                   "Data", "", "Point 1 2"});
const std::string kHeader = lines({"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                                   "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000"});
const std::string kLineColumns =
    lines({"Columns 11", "  Source Char(50)", "  Type Char(2)", "  Flags Char(10)", "  Column_1 Char(20)",
           "  Column_2 Char(20)", "  Column_3 Char(20)", "  Column_4 Char(20)", "  Column_5 Char(20)",
           "  Column_6 Char(20)", "  Z_Increment Float", "  Z_Maximum Float", "Data", ""});
const std::string kPointColumns = lines({"Columns 2", "  XS_ID Char(100)", "  Z Float", "Data", ""});
const std::string kCsvHeadingM = "\"X\",\"Z\",\"M\",\"LCR\"";

// A run of the writer over a store filled by hand, GIS mode by default.
struct WriterRun : TestWorkspace {
  WriterRun() {
    ctx.settings.mode = RunMode::Gis;
    ctx.settings.inFiles = {std::string(kFolder) + "survey.mif"};
    ctx.settings.outFolder = kFolder;
    fs.add(std::string(kFolder) + "survey.mif", kSurvey);
  }
  Section& section(const std::string& id) {
    const int s = ctx.store.append();
    ctx.store[s].id = id;
    return ctx.store[s];
  }
  std::string file(const std::string& name) const { return fs.content(std::string(kFolder) + name); }
  int run() {
    return endsRun([this] { xsWriteSections(ctx); });
  }
};

void add(Section& sec, Group g, float x, float z, float mnr, double mapX = 0.0, double mapY = 0.0) {
  sec.append(g, StorePoint{mapX, mapY, x, z, mnr});
}

// The data line (third line) of a .csv holding one point.
std::string firstDataLine(const std::string& csv) {
  std::size_t at = 0;
  for (int i = 0; i < 2; ++i) at = csv.find("\r\n", at) + 2;
  return csv.substr(at, csv.find("\r\n", at) - at);
}

TEST(WriterCsv, MaterialExampleAndSingleCentrePoint) {
  WriterRun t;
  t.ctx.tally.linesFound = true;
  add(t.section("XS1"), Group::kCentre, 12.5f, 101.25f, 3.0f, 500.0, 600.0);
  EXPECT_EQ(t.run(), -1);
  EXPECT_EQ(t.file("XS1.csv"), lines({"\"XS1\",", kCsvHeadingM, "    12.500, 101.250,     3, 2"}));
  // One C point draws no line: the section is left out of 1d_xs, but its bed point is that point.
  EXPECT_NE(t.out().find("\nWARNING - Cross-section \"XS1\" has no points to draw in 1d_xs"), std::string::npos);
  EXPECT_EQ(t.file("1d_xs.mif"), kHeader + kLineColumns);
  EXPECT_EQ(t.file("1d_xs.mid"), "");
  EXPECT_EQ(t.file("_xs_bed_points.mif"),
            kHeader + kPointColumns +
                lines({"Point       500.000000      600.000000", "    Symbol (41,65535,8,\"MapInfo Symbols\",16,0)"}));
  EXPECT_EQ(t.file("_xs_bed_points.mid"), lines({"\"XS1\", 101.250"}));
  EXPECT_FALSE(t.anyUnitOpen());
}

TEST(WriterCsv, GroupsChainedWithoutLines) {
  WriterRun t;
  t.ctx.settings.mnrType = ResistanceType::Manning;
  Section& sec = t.section("XS 12/a");
  add(sec, Group::kLeft, 0.0f, 12.0f, 0.035f);
  add(sec, Group::kLeft, 4.0f, 11.5f, 0.0f);
  add(sec, Group::kLeft, 7.0f, 10.25f, 0.035f);
  add(sec, Group::kCentre, 0.0f, 9.0f, 0.035f);
  add(sec, Group::kCentre, 2.0f, 8.125f, 0.035f);
  add(sec, Group::kCentre, 5.0f, 9.5f, 0.0f);
  add(sec, Group::kRight, 1.0f, 11.0f, 0.035f);
  t.section("dropped").use = false;
  EXPECT_EQ(t.run(), -1);
  EXPECT_EQ(t.file("XS_12_a.csv"),
            lines({"\"XS 12/a\",", "\"X\",\"Z\",\"N\",\"LCR\"", "     0.000,  12.000,     0.035, 1",
                   "     4.000,  11.500,, 1", "     7.000,  10.250,     0.035, 1", "     7.000,   9.000,     0.035, 2",
                   "     9.000,   8.125,     0.035, 2", "    12.000,   9.500,, 2", "    13.000,  11.000,     0.035, 3"}));
  EXPECT_FALSE(t.fs.has(std::string(kFolder) + "dropped.csv"));
  EXPECT_EQ(t.file("1d_xs.mid"), lines({"\"C:\\s\\XS_12_a.csv\",\"XZ\",\"NP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0"}));
}

TEST(WriterCsv, ChainedOffsetIsSummedInSinglePrecision) {
  // 7 + 0.0025f is 7.0024999999 exactly, but 7.0025001 once rounded to single precision.
  WriterRun t;
  Section& sec = t.section("T");
  add(sec, Group::kLeft, 0.0f, 1.0f, 0.0f);
  add(sec, Group::kLeft, 7.0f, 1.0f, 0.0f);
  add(sec, Group::kCentre, 0.0025f, 1.0f, 0.0f);
  add(sec, Group::kCentre, 1.0f, 1.0f, 0.0f);
  EXPECT_EQ(t.run(), -1);
  EXPECT_NE(t.file("T.csv").find("\r\n     7.003,   1.000,, 2\r\n"), std::string::npos) << t.file("T.csv");
}

TEST(WriterCsv, OneLeftPointAndSingleRightPoint) {
  WriterRun t;
  Section& sec = t.section("S");
  add(sec, Group::kLeft, 0.0f, 5.0f, 1.0f, 10.0, 20.0);
  add(sec, Group::kCentre, 0.0f, 4.0f, 1.0f, 11.0, 21.0);
  add(sec, Group::kCentre, 3.0f, 3.5f, 1.0f, 12.0, 22.0);
  add(sec, Group::kRight, 2.0f, 6.0f, 1.0f, 13.0, 23.0);
  EXPECT_EQ(t.run(), -1);
  EXPECT_EQ(t.file("S.csv"), lines({"\"S\",", kCsvHeadingM, "     0.000,   5.000,     1, 1", "     0.000,   4.000,     1, 2",
                                    "     3.000,   3.500,     1, 2", "     5.000,   6.000,     1, 3"}));
  // The single L point is drawn because C holds two points; the single R point is not drawn.
  EXPECT_EQ(t.file("1d_xs.mif"), kHeader + kLineColumns +
                                     lines({"Pline 3", "       10.000000       20.000000",
                                            "       11.000000       21.000000", "       12.000000       22.000000"}));
  EXPECT_EQ(t.file("_xs_all_points.mid"), lines({"\"S\",   5.000", "\"S\",   4.000", "\"S\",   3.500"}));
}

TEST(WriterCsv, ResistanceFieldInEveryMode) {
  struct Case {
    char letter;
    bool n2m, isis, m11;
    float mnr;
    std::string field;
  };
  const std::vector<Case> cases = {
      {'M', false, false, false, 0.0f, ""},          {'N', false, false, false, 0.0f, ""},
      {'R', false, false, false, 0.0f, ""},          {'M', true, false, false, 0.0f, ""},
      {'M', false, true, false, 0.0f, ""},           {'M', false, false, true, 0.0f, ""},
      {'M', false, false, false, -0.0f, ""},         {'M', true, false, false, 0.035f, "    35"},
      {'N', false, false, false, 0.035f, "     0.035"}, {'R', false, false, false, 12.3456f, "    12.346"},
      {'M', false, false, false, 2.5f, "     3"},    {'M', false, false, false, -2.5f, "    -3"},
      {'M', false, true, false, 0.035f, "    35"},   {'M', false, false, true, 0.03f, "    30"},
      // 0.0025 in single precision is just below it; its product with 1000 in
      // single precision is exactly 2.5, which rounds away from zero.
      {'M', false, true, false, 0.0025f, "     3"},  {'N', true, false, false, 0.0025f, "     3"},
      // Too wide for the field: written in full, never as asterisks.
      {'M', false, false, false, 1.0e7f, "10000000"},  {'M', false, false, false, -123456.5f, "-123457"},
      {'M', false, true, false, 1.0e30f, "999999994495727286427992885035008"},
      {'N', false, false, false, 1.0e8f, "100000000.000"},
      // A material beyond single precision is the product in double, in full.
      {'M', false, false, true, 1.0e38f, "99999996802856924650656260769173209088000"},
  };
  for (const Case& c : cases) {
    WriterRun t;
    t.ctx.settings.mnrType = c.letter == 'N'   ? ResistanceType::Manning
                             : c.letter == 'R' ? ResistanceType::Relative
                                               : ResistanceType::Material;
    ASSERT_EQ(resistanceLetter(t.ctx.settings.mnrType), c.letter);
    t.ctx.settings.optN2M = c.n2m;
    t.ctx.settings.mode = c.m11 ? RunMode::Mike11 : c.isis ? RunMode::Isis : RunMode::Gis;
    t.ctx.tally.linesFound = true;
    add(t.section("A"), Group::kCentre, 1.0f, 2.0f, c.mnr);
    EXPECT_EQ(t.run(), -1);
    EXPECT_EQ(firstDataLine(t.file("A.csv")), "     1.000,   2.000," + c.field + ", 2")
        << c.letter << " n2m " << c.n2m << " isis " << c.isis << " m11 " << c.m11 << " mnr " << c.mnr;
  }
}

TEST(WriterCsv, ValuesThatAreNotNumbersStopTheRunBeforeAnythingIsWritten) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    StorePoint bad;
    std::string message;
  };
  const Case cases[] = {
      {{0, 0, 1, -inf, 1}, "the level of point 2 of group C"},
      {{0, 0, 1, 1, nan}, "the resistance value of point 2 of group C"},
      {{0, 0, inf, 1, 1}, "the offset of point 2 of group C"},
      {{std::numeric_limits<double>::infinity(), 0, 1, 1, 1}, "the map position of point 2 of group C"},
  };
  for (const Case& c : cases) {
    WriterRun t;
    t.ctx.settings.mode = RunMode::Mike11;
    add(t.section("GOOD"), Group::kCentre, 1.0f, 2.0f, 0.03f);
    Section& bad = t.section("R1_000050000");
    add(bad, Group::kCentre, 1.0f, 2.0f, 0.03f);
    bad.append(Group::kCentre, c.bad);
    EXPECT_EQ(t.run(), kExitFailure);
    EXPECT_NE(t.out().find("\nERROR - Cross-section \"R1_000050000\": " + c.message +
                           " is not a finite number - nothing was written\n"),
              std::string::npos)
        << t.out();
    EXPECT_FALSE(t.fs.has(std::string(kFolder) + "GOOD.csv"));
    EXPECT_FALSE(t.fs.has(std::string(kFolder) + "1d_xs.mif"));
  }
}

TEST(WriterCsv, ConvertedSectionsUseOffsetsAsStoredAndSourceTexts) {
  WriterRun t;
  t.ctx.settings.mode = RunMode::Isis;
  Section& sec = t.section("RIV_001");
  sec.source = {"C:\\s\\river", "  ", "RIV; 1.000"};
  add(sec, Group::kLeft, -3.0f, 10.0f, 0.05f, 1.0, 1.0);
  add(sec, Group::kCentre, 2.0f, -1.5f, 0.0f, 2.0, 2.0);
  add(sec, Group::kCentre, 4.0f, -1234.5f, 0.04f, 3.0, 3.0);
  add(sec, Group::kRight, 1.0f, 10000.0f, 0.05f, 4.0, 4.0);
  EXPECT_EQ(t.run(), -1);
  EXPECT_EQ(t.file("RIV_001.csv"),
            lines({"\"RIV_001\",\"C:\\s\\river\",\"RIV; 1.000\",", kCsvHeadingM, "    -3.000,  10.000,    50, 1",
                   "     2.000,  -1.500,, 2", "     4.000,-1234.500,    40, 2", "     1.000,10000.000,    50, 3"}));
  // One warning for the section, naming its first value that needed more room.
  EXPECT_EQ(t.out().find("WARNING - Cross-section \"RIV_001\": the value -1234.500 does not fit its column in "
                         "C:\\s\\RIV_001.csv - written in full\n"),
            t.out().find("WARNING"))
      << t.out();
  EXPECT_EQ(t.out().find("WARNING", t.out().find("WARNING") + 1), std::string::npos);
  EXPECT_EQ(t.file("_xs_all_points.mid"), lines({"\"RIV_001\",  10.000", "\"RIV_001\",  -1.500", "\"RIV_001\",-1234.500"}));
}

TEST(WriterCsv, NameCollisionsGetFreeNames) {
  WriterRun t;
  t.ctx.tally.linesFound = true;
  for (const char* id : {"XS 1", "XS-1", "xs_1", "XS_1_2", "XS 1.csv"}) {
    Section& sec = t.section(id);
    add(sec, Group::kCentre, 1.0f, 2.0f, 0.0f);
    add(sec, Group::kCentre, 2.0f, 2.0f, 0.0f);
  }
  EXPECT_EQ(t.run(), -1);
  const std::string data = lines({kCsvHeadingM, "     1.000,   2.000,, 2", "     2.000,   2.000,, 2"});
  EXPECT_EQ(t.file("XS_1.csv"), "\"XS 1\",\r\n" + data);
  EXPECT_EQ(t.file("XS_1_2.csv"), "\"XS-1\",\r\n" + data);
  EXPECT_EQ(t.file("xs_1_3.csv"), "\"xs_1\",\r\n" + data);
  EXPECT_EQ(t.file("XS_1_2_2.csv"), "\"XS_1_2\",\r\n" + data);
  // An identifier ending in .csv is named like any other.
  EXPECT_EQ(t.file("XS_1_csv.csv"), "\"XS 1.csv\",\r\n" + data);
  EXPECT_NE(t.out().find("\nWARNING - Cross-section \"XS-1\" would overwrite XS_1.csv of an earlier section - "
                         "writing XS_1_2.csv instead\n"),
            std::string::npos);
  EXPECT_NE(t.out().find("WARNING - Cross-section \"xs_1\" would overwrite xs_1.csv of an earlier section - "
                         "writing xs_1_3.csv instead\n"),
            std::string::npos);
  EXPECT_NE(t.out().find("WARNING - Cross-section \"XS_1_2\" would overwrite XS_1_2.csv of an earlier section - "
                         "writing XS_1_2_2.csv instead\n"),
            std::string::npos);
  EXPECT_EQ(t.out().find("\"XS 1.csv\" would overwrite"), std::string::npos);
  // Each 1d_xs object names the file its section was written to.
  const std::string tail = "\",\"XZ\",\"MP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0";
  EXPECT_EQ(t.file("1d_xs.mid"), lines({"\"C:\\s\\XS_1.csv" + tail, "\"C:\\s\\XS_1_2.csv" + tail,
                                        "\"C:\\s\\xs_1_3.csv" + tail, "\"C:\\s\\XS_1_2_2.csv" + tail,
                                        "\"C:\\s\\XS_1_csv.csv" + tail}));
}

TEST(WriterCsv, SectionWithoutLeftPointsStops) {
  {
    WriterRun t;
    Section& sec = t.section("X1");
    add(sec, Group::kCentre, 0.0f, 1.0f, 0.0f);
    add(sec, Group::kCentre, 1.0f, 1.0f, 0.0f);
    EXPECT_EQ(t.run(), kExitFailure);
    EXPECT_NE(t.out().find("\nshould not be here - AAA\n"), std::string::npos);
    EXPECT_EQ(t.file("X1.csv"), lines({"\"X1\",", kCsvHeadingM}));
  }
  {
    WriterRun t;
    add(t.section("X2"), Group::kRight, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(t.run(), kExitFailure);
    EXPECT_NE(t.out().find("\nshould not be here - BBB\n"), std::string::npos);
  }
  {
    // With lines every group is measured from the start point: no chaining, no stop.
    WriterRun t;
    t.ctx.tally.linesFound = true;
    add(t.section("X3"), Group::kRight, 0.5f, 1.0f, 0.0f);
    EXPECT_EQ(t.run(), -1);
    EXPECT_EQ(firstDataLine(t.file("X3.csv")), "     0.500,   1.000,, 3");
  }
}

TEST(WriterLayers, ThreeLayersOfOneSection) {
  WriterRun t;
  t.ctx.tally.linesFound = true;
  t.ctx.settings.mnrType = ResistanceType::Relative;
  Section& sec = t.section("A 1");
  add(sec, Group::kLeft, 0.0f, 6.0f, 0.5f, 100.5, 200.25);
  add(sec, Group::kCentre, 1.25f, 5.0f, 0.5f, 101.0, 201.0);
  add(sec, Group::kCentre, 2.5f, 4.5f, 0.0f, 102.0, 202.0);
  add(sec, Group::kCentre, 3.0f, 4.5f, 1.25f, 102.5, 202.5);
  add(sec, Group::kRight, 4.0f, 6.5f, 0.5f, 103.0, 203.0);
  add(sec, Group::kRight, 5.125f, 7.0f, 0.5f, 104.125, -5.5);
  EXPECT_EQ(t.run(), -1);
  EXPECT_EQ(t.file("A_1.csv"),
            lines({"\"A 1\",", "\"X\",\"Z\",\"R\",\"LCR\"", "     0.000,   6.000,     0.500, 1",
                   "     1.250,   5.000,     0.500, 2", "     2.500,   4.500,, 2", "     3.000,   4.500,     1.250, 2",
                   "     4.000,   6.500,     0.500, 3", "     5.125,   7.000,     0.500, 3"}));
  EXPECT_EQ(t.file("1d_xs.mif"),
            kHeader + kLineColumns +
                lines({"Pline 6", "      100.500000      200.250000", "      101.000000      201.000000",
                       "      102.000000      202.000000", "      102.500000      202.500000",
                       "      103.000000      203.000000", "      104.125000       -5.500000"}));
  EXPECT_EQ(t.file("1d_xs.mid"), lines({"\"C:\\s\\A_1.csv\",\"XZ\",\"RP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0"}));
  // The first of the two lowest C points is the bed point.
  EXPECT_EQ(t.file("_xs_bed_points.mif"),
            kHeader + kPointColumns +
                lines({"Point       102.000000      202.000000", "    Symbol (41,65535,8,\"MapInfo Symbols\",16,0)"}));
  EXPECT_EQ(t.file("_xs_bed_points.mid"), lines({"\"A 1\",   4.500"}));
  EXPECT_EQ(t.file("_xs_all_points.mif"),
            kHeader + kPointColumns +
                lines({"Point       100.500000      200.250000", "    Symbol (32,65535,5)",
                       "Point       101.000000      201.000000", "    Symbol (33,16711935,5)",
                       "Point       102.000000      202.000000", "    Symbol (33,16711935,5)",
                       "Point       102.500000      202.500000", "    Symbol (33,16711935,5)",
                       "Point       103.000000      203.000000", "    Symbol (32,16776960,4)",
                       "Point       104.125000       -5.500000", "    Symbol (32,16776960,4)"}));
  EXPECT_EQ(t.file("_xs_all_points.mid"), lines({"\"A 1\",   6.000", "\"A 1\",   5.000", "\"A 1\",   4.500",
                                                 "\"A 1\",   4.500", "\"A 1\",   6.500", "\"A 1\",   7.000"}));
  EXPECT_FALSE(t.anyUnitOpen());
}

// Sections are formatted ahead of their writing where their values are
// common, and by their sinks as they are written where one is not: either
// way each output keeps the section order, and a value written in full is
// warned about for its own section, in order.
TEST(WriterLayers, ManySectionsKeepTheirOrderAndTheirWarningsWhicheverWayTheyAreFormatted) {
  WriterRun t;
  t.ctx.tally.linesFound = true;
  constexpr int kSections = 150;
  std::vector<std::string> pointRows;
  std::vector<std::string> lineRows;
  for (int s = 1; s <= kSections; ++s) {
    const std::string id = "S" + std::to_string(s);
    Section& sec = t.section(id);
    for (int p = 0; p < 3; ++p) {
      const bool wide = (s == 17 || s == 120) && p == 1;  // 123456792 needs more than the 8 columns of Z
      add(sec, Group::kCentre, static_cast<float>(p), wide ? 123456789.0f : static_cast<float>(s), 2.0f, 1000.0 + s,
          2000.0 + p);
      pointRows.push_back("\"" + id + "\"," + (wide ? std::string("123456792.000") : formatFixed(s, 8, 3)));
    }
    lineRows.push_back("\"C:\\s\\" + id + ".csv\",\"XZ\",\"MP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0");
  }
  EXPECT_EQ(t.run(), -1);
  EXPECT_EQ(t.file("_xs_all_points.mid"), lines(pointRows));
  EXPECT_EQ(t.file("1d_xs.mid"), lines(lineRows));
  EXPECT_EQ(t.file("S17.csv"), lines({"\"S17\",", kCsvHeadingM, "     0.000,  17.000,     2, 2",
                                      "     1.000,123456792.000,     2, 2", "     2.000,  17.000,     2, 2"}));
  EXPECT_EQ(firstDataLine(t.file("S150.csv")), "     0.000, 150.000,     2, 2");
  const std::string out = t.out();
  const std::string warning = "\": the value 123456792.000 does not fit its column in C:\\s\\";
  const std::size_t first = out.find("WARNING - Cross-section \"S17" + warning + "S17.csv - written in full");
  const std::size_t second = out.find("WARNING - Cross-section \"S120" + warning + "S120.csv - written in full");
  ASSERT_NE(first, std::string::npos) << out;
  ASSERT_NE(second, std::string::npos) << out;
  EXPECT_LT(first, second);
  // Once per section, and for no other.
  EXPECT_EQ(out.find("does not fit"), out.find("does not fit", first));
  EXPECT_EQ(out.find("does not fit", out.find("does not fit", first) + 1), out.find("does not fit", second));
  EXPECT_EQ(out.find("does not fit", out.find("does not fit", second) + 1), std::string::npos);
  EXPECT_FALSE(t.anyUnitOpen());
}

TEST(WriterLayers, HeaderFromFirstLayerNamedWithoutMifExtension) {
  for (const std::string& given : {std::string("C:\\s\\survey"), std::string("  C:\\s\\survey.MID ")}) {
    WriterRun t;
    t.ctx.settings.inFiles = {given};
    t.ctx.tally.linesFound = true;
    add(t.section("A"), Group::kCentre, 1.0f, 2.0f, 0.0f);
    EXPECT_EQ(t.run(), -1) << given;
    EXPECT_EQ(t.file("1d_xs.mif"), kHeader + kLineColumns) << given;
    EXPECT_EQ(t.out().find("cannot be found"), std::string::npos) << given;
  }
}

TEST(WriterLayers, SectionWithoutCentrePointsHasNoBedPoint) {
  WriterRun t;
  Section& sec = t.section("ONLY L");
  add(sec, Group::kLeft, 0.0f, 1.0f, 0.0f, 1.0, 2.0);
  add(sec, Group::kLeft, 1.0f, 2.0f, 0.0f, 3.0, 4.0);
  EXPECT_EQ(t.run(), -1);
  EXPECT_EQ(t.file("_xs_bed_points.mif"), kHeader + kPointColumns);
  EXPECT_EQ(t.file("_xs_bed_points.mid"), "");
  EXPECT_EQ(t.file("1d_xs.mif"), kHeader + kLineColumns +
                                     lines({"Pline 2", "        1.000000        2.000000",
                                            "        3.000000        4.000000"}));
}

// A converted MIKE 11 section: point 1 of each group carries the section line's map position.
Section& mike11Section(WriterRun& t) {
    t.ctx.settings.mode = RunMode::Mike11;
  Section& sec = t.section("R1_000000500");
  sec.source = {"C:\\m\\xs", "TOPO1", "R1; 0.500"};
  add(sec, Group::kLeft, 0.0f, 12.0f, 0.03f, 90.0, 10.0);
  add(sec, Group::kLeft, 1.0f, 11.0f, 0.03f);
  add(sec, Group::kCentre, 2.0f, 11.0f, 0.03f, 100.0, 10.0);
  add(sec, Group::kCentre, 3.0f, 7.25f, 0.0f);
  add(sec, Group::kCentre, 4.0f, 7.5f, 0.03f);
  add(sec, Group::kRight, 5.0f, 12.5f, 0.03f, 110.0, 10.0);
  return sec;
}

TEST(WriterMike11, TrimmedSectionKeepsThreeVertexLine) {
  WriterRun t;
  mike11Section(t);
  t.ctx.settings.optTrim = true;
  EXPECT_EQ(t.run(), -1);
  EXPECT_EQ(t.file("R1_000000500.csv"),
            lines({"\"R1_000000500\",\"C:\\m\\xs\",\"TOPO1\",\"R1; 0.500\",", kCsvHeadingM,
                   "     2.000,  11.000,    30, 2", "     3.000,   7.250,, 2", "     4.000,   7.500,    30, 2"}));
  EXPECT_EQ(t.file("1d_xs.mif"),
            kHeader + kLineColumns +
                lines({"Pline 3", "       90.000000       10.000000", "      100.000000       10.000000",
                       "      110.000000       10.000000"}));
  EXPECT_EQ(t.file("1d_xs.mid"),
            lines({"\"C:\\s\\R1_000000500.csv\",\"XZ\",\"MP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0"}));
  // The bed point stands at the crossing point with the lowest C level.
  EXPECT_EQ(t.file("_xs_bed_points.mif"),
            kHeader + kPointColumns +
                lines({"Point       100.000000       10.000000", "    Symbol (41,65535,8,\"MapInfo Symbols\",16,0)"}));
  EXPECT_EQ(t.file("_xs_bed_points.mid"), lines({"\"R1_000000500\",   7.250"}));
  EXPECT_EQ(t.file("_xs_all_points.mif"), kHeader + kPointColumns);
  EXPECT_EQ(t.file("_xs_all_points.mid"), "");
  // The point layers are left for the end of the run to close.
  int open = 0;
  for (int i = 0; i < t.ctx.units.size(); ++i) {
    const UnitSlot& slot = t.ctx.units.slot(i);
    if (slot.open) {
      ++open;
      EXPECT_NE(slot.name.find("_xs_"), std::string::npos) << slot.name;
    }
  }
  EXPECT_EQ(open, 4);
}

TEST(WriterMike11, UntrimmedSectionWritesAllGroups) {
  WriterRun t;
  mike11Section(t);
  EXPECT_EQ(t.run(), -1);
  EXPECT_EQ(t.file("R1_000000500.csv"),
            lines({"\"R1_000000500\",\"C:\\m\\xs\",\"TOPO1\",\"R1; 0.500\",", kCsvHeadingM,
                   "     0.000,  12.000,    30, 1", "     1.000,  11.000,    30, 1", "     2.000,  11.000,    30, 2",
                   "     3.000,   7.250,, 2", "     4.000,   7.500,    30, 2", "     5.000,  12.500,    30, 3"}));
}

}  // namespace
}  // namespace kestrix

namespace kestrix {
namespace {

TEST(WriterFiles, EachOutputIsOpenedOnceAndTheHeaderLayerIsReadOnce) {
  WriterRun t;
  t.ctx.tally.linesFound = true;
  add(t.section("A"), Group::kCentre, 0.0f, 1.0f, 0.0f);
  add(t.section("B"), Group::kCentre, 0.0f, 1.0f, 0.0f);
  EXPECT_EQ(t.run(), -1);
  const std::string f = kFolder;
  EXPECT_EQ(t.fs.opens(), (std::vector<std::string>{
                              "read " + f + "survey.mif", "write " + f + "1d_xs.mif", "write " + f + "1d_xs.mid",
                              "write " + f + "_xs_bed_points.mif", "write " + f + "_xs_bed_points.mid",
                              "write " + f + "_xs_all_points.mif", "write " + f + "_xs_all_points.mid",
                              "write " + f + "A.csv", "write " + f + "B.csv"}));
}

TEST(WriterFiles, ASectionFileThatCannotBeWrittenEndsTheRunAndLeavesNoUnitOpen) {
  WriterRun t;
  t.ctx.tally.linesFound = true;
  t.fs.failWriting(std::string(kFolder) + "B.csv");
  add(t.section("A"), Group::kCentre, 0.0f, 1.0f, 0.0f);
  add(t.section("B"), Group::kCentre, 0.0f, 1.0f, 0.0f);
  EXPECT_EQ(t.run(), kExitFailure);
  EXPECT_TRUE(testing::hasLine(t.out(), "ERROR - Could not write file \"" + std::string(kFolder) +
                                            "B.csv\" (is the disk full?) - no output written"))
      << t.out();
  EXPECT_EQ(t.file("B.csv"), "");
  EXPECT_EQ(t.ctx.tally.csvWritten, 1);
  // The layers still open when the run stopped were let go on the way out.
  EXPECT_FALSE(t.anyUnitOpen());
}

TEST(WriterFiles, ALayerWhoseCloseFailsEndsTheRun) {
  WriterRun t;
  t.ctx.tally.linesFound = true;
  t.fs.failClosing(std::string(kFolder) + "_xs_bed_points.mid");
  add(t.section("A"), Group::kCentre, 0.0f, 1.0f, 0.0f);
  EXPECT_EQ(t.run(), kExitFailure);
  EXPECT_TRUE(testing::hasLine(t.out(), "ERROR - Could not write file \"" + std::string(kFolder) +
                                            "_xs_bed_points.mid\" (is the disk full?) - no output written"))
      << t.out();
  EXPECT_FALSE(t.anyUnitOpen());
}

}  // namespace
}  // namespace kestrix
