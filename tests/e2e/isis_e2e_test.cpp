// ISIS mode from the command line: a converted section's .csv file and
// layers byte for byte, a broken file that stops the run before anything is
// written, and a file without plan coordinates reported.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/fakes.h"
#include "support/layer_check.h"

namespace kestrix {
namespace {

using testing::lines;
using testing::ScratchDir;

const std::string kProjection = testing::converterProjection();
const std::vector<std::string> kCopiedHeader = testing::converterHeader();

const auto point = testing::isisPoint;

// One section: L = the first point, C = the LEFT point and the next, R = the RIGHT point (n 0).
std::string modelFile() {
  return lines({"Hand-made model", "#REVISION#1", "END GENERAL", "RIVER Main (CH 10)", "SECTION", "XS 12/a",
                "    10.000              0.0001      1000", "         4",
                point(0, 12.5, 0.035, "", 1000.5, 2000.25), point(2, 10.25, 0.035, "LEFT", 1001.5, 2001.25),
                point(5, 9.125, 0.04, "", 1003, 2003), point(8, 11, 0, "RIGHT", 1005, 2005), "GISINFO"});
}

std::vector<std::string> withHeader(const std::vector<std::string>& attributes, const std::vector<std::string>& body) {
  std::vector<std::string> all = kCopiedHeader;
  all.insert(all.end(), attributes.begin(), attributes.end());
  all.insert(all.end(), body.begin(), body.end());
  return all;
}

const std::vector<std::string> kXsColumns = {
    "Columns 11",          "  Source Char(50)",   "  Type Char(2)",        "  Flags Char(10)",
    "  Column_1 Char(20)", "  Column_2 Char(20)", "  Column_3 Char(20)",   "  Column_4 Char(20)",
    "  Column_5 Char(20)", "  Column_6 Char(20)", "  Z_Increment Float",   "  Z_Maximum Float",
    "Data",                ""};
const std::vector<std::string> kPointColumns = {"Columns 2", "  XS_ID Char(100)", "  Z Float", "Data", ""};

TEST(IsisE2E, ConvertedSectionByteForByte) {
  struct Case {
    const char* option;
    std::vector<std::string> csv;
    const char* flags;
  };
  const Case cases[] = {
      {"-M",
       {"\"XS 12/a\",\"model\",\"RIVER Main (CH 10)\",\"SECTION\",", "\"X\",\"Z\",\"M\",\"LCR\"",
        "     0.000,  12.500,    35, 1", "     2.000,  10.250,    35, 2", "     5.000,   9.125,    40, 2",
        "     8.000,  11.000,, 3"},
       "MP"},
      {"-N",
       {"\"XS 12/a\",\"model\",\"RIVER Main (CH 10)\",\"SECTION\",", "\"X\",\"Z\",\"N\",\"LCR\"",
        "     0.000,  12.500,     0.035, 1", "     2.000,  10.250,     0.035, 2", "     5.000,   9.125,     0.040, 2",
        "     8.000,  11.000,, 3"},
       "NP"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write("proj.mif", kProjection);
    dir.write("proj.mid", "");
    dir.write("model.dat", modelFile());
    const auto run = dir.run({c.option, "-isis", "proj.mif", "*.dat"}, "\n");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\nReading Cross-Section Data from model.dat...\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nFinished.\n"), std::string::npos);

    EXPECT_EQ(dir.read("XS_12_a.csv"), lines(c.csv)) << c.option;
    // The single R point is no vertex; the single L point is, as C holds two.
    EXPECT_EQ(dir.read("1d_xs.mif"), lines(withHeader(kXsColumns, {"Pline 3", "     1000.500000     2000.250000",
                                                                    "     1001.500000     2001.250000",
                                                                    "     1003.000000     2003.000000"})));
    EXPECT_EQ(dir.read("1d_xs.mid"),
              lines({std::string("\"XS_12_a.csv\",\"XZ\",\"") + c.flags + "\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0"}));
    EXPECT_EQ(dir.read("_xs_bed_points.mif"),
              lines(withHeader(kPointColumns, {"Point      1003.000000     2003.000000",
                                               "    Symbol (41,65535,8,\"MapInfo Symbols\",16,0)"})));
    EXPECT_EQ(dir.read("_xs_bed_points.mid"), lines({"\"XS 12/a\",   9.125"}));
    EXPECT_EQ(dir.read("_xs_all_points.mif"),
              lines(withHeader(kPointColumns,
                               {"Point      1000.500000     2000.250000", "    Symbol (32,65535,5)",
                                "Point      1001.500000     2001.250000", "    Symbol (33,16711935,5)",
                                "Point      1003.000000     2003.000000", "    Symbol (33,16711935,5)"})));
    EXPECT_EQ(dir.read("_xs_all_points.mid"),
              lines({"\"XS 12/a\",  12.500", "\"XS 12/a\",  10.250", "\"XS 12/a\",   9.125"}));
  }
}

TEST(IsisE2E, BrokenFileIsReportedTheOthersReadAndNothingWritten) {
  ScratchDir dir;
  dir.write("proj.mif", kProjection);
  dir.write("proj.mid", "");
  dir.write("a.dat", lines({"END GENERAL", "RIVER", "SECTION", "BROKEN", "    10.000", "  many"}));
  dir.write("b.dat", modelFile());
  const auto run = dir.run({"-M", "-isis", "proj.mif", "a.dat", "b.dat"}, "\n");
  EXPECT_EQ(run.status, 1);
  const auto error = run.output.find("ERROR - End of File encountered reading from ISIS file");
  const auto second = run.output.find("Reading Cross-Section Data from b.dat...");
  const auto stop = run.output.find("\nERRORS were found - see above [3]\n");
  ASSERT_NE(error, std::string::npos) << run.output;
  ASSERT_NE(second, std::string::npos);
  ASSERT_NE(stop, std::string::npos);
  EXPECT_LT(error, second);
  EXPECT_LT(second, stop);
  EXPECT_FALSE(dir.has("XS_12_a.csv"));
  EXPECT_FALSE(dir.has("1d_xs.mif"));
  EXPECT_EQ(run.output.find("Finished."), std::string::npos);
}

TEST(IsisE2E, FileWithoutPlanCoordinatesIsReported) {
  ScratchDir dir;
  dir.write("proj.mif", kProjection);
  dir.write("proj.mid", "");
  dir.write("placed.dat", modelFile());
  // Two sections without plan coordinates and one with a single point off (0, 0).
  dir.write("flat.dat",
            lines({"END GENERAL", "RIVER", "SECTION", "FLAT1", "    10.000", "         2", point(0, 5, 0.03, "", 0, 0),
                   point(3, 4, 0.03, "", 0, 0), "RIVER", "SECTION", "FLAT2", "    20.000", "         2",
                   point(0, 5, 0.03, "", 0, 0), point(2, 4, 0.03, "", 0, 0), "RIVER", "SECTION", "PLACED", "    30.000", "         2",
                   point(0, 5, 0.03, "", 0, 0), point(3, 4, 0.03, "", 10, 0)}));
  const auto run = dir.run({"-batch", "-N", "-isis", "proj.mif", "placed.dat", "flat.dat"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(testing::hasLine(run.output, "WARNING - 2 of the 3 river sections of \"flat.dat\" have every point at "
                                           "(0, 0): the file holds no plan coordinates, so these sections all lie at "
                                           "(0, 0) in the layers"))
      << run.output;
  EXPECT_EQ(run.output.find("WARNING - 1 of"), std::string::npos);  // nothing about placed.dat
  EXPECT_TRUE(testing::hasLine(run.output, "Summary: input files read: 2"));
  EXPECT_TRUE(testing::hasLine(run.output, "Summary: points read: 10"));
  EXPECT_TRUE(testing::hasLine(run.output, "Summary: warnings: 1"));
}

}  // namespace
}  // namespace kestrix
