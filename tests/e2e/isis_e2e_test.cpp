// ISIS mode from the command line: a converted section's .csv file and
// layers byte for byte, a broken file that stops the run before anything is
// written, and the public model files read in place.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "converters/isis.h"
#include "driver/run_context.h"
#include "support/e2e.h"
#include "support/fakes.h"
#include "support/layer_check.h"

namespace kestrix {
namespace {

using testing::lines;
using testing::ScratchDir;

const std::string kProjection = lines({"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                                       "CoordSys NonEarth Units \"m\" Bounds (0, 0) (100000, 100000)", "Columns 1",
                                       "  ID Integer", "Data", ""});
const std::vector<std::string> kCopiedHeader = {"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                                                "CoordSys NonEarth Units \"m\" Bounds (0, 0) (100000, 100000)"};

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

// The public model files, read in place with the machine's file system.
class IsisE2ERealFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testing::realDataDir();
    if (root_.empty()) GTEST_SKIP() << "real-world samples (../shared/realdata) not present";
  }
  // Reads one file of the isis folder into `ctx_`.
  void read(const std::string& name) {
    ctx_.reset();
    fs_ = makeSystemFileSystem();
    ctx_ = std::make_unique<RunContext>(console_, *fs_);
    ctx_->units.INITUNITS(1000);
    isisReadSections(*ctx_, (root_ / "isis" / name).string());
    EXPECT_FALSE(ctx_->settings.errFound) << console_.output();
  }
  int nxs() const { return ctx_->store.nxs(); }
  const Section& sec(int s) const { return ctx_->store[s]; }
  int points() const {
    int n = 0;
    for (int s = 1; s <= nxs(); ++s) n += sec(s).ptCount(1) + sec(s).ptCount(2) + sec(s).ptCount(3);
    return n;
  }

  std::filesystem::path root_;
  testing::ScriptedConsole console_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<RunContext> ctx_;
};

TEST_F(IsisE2ERealFiles, DouglasLowerCaseMarkersAndTheCommentLineSkipped) {
  read("Douglas_2018_DN_002_DesQ_internal.DAT");
  EXPECT_EQ(console_.output().find("WARNING"), std::string::npos);  // every section has plan coordinates
  // 366 river sections; the COMMENT line "River flows under building ..." is not one.
  ASSERT_EQ(nxs(), 366);
  EXPECT_EQ(points(), 12356);
  const Section& a = sec(1);
  EXPECT_EQ(a.id, "DOUG06_4620D");
  EXPECT_EQ(a.source[1], "RIVER Douglas (DOUG006)      C/S 231. 2012 - Cut back on LB");
  EXPECT_EQ(a.source[2], "SECTION");
  ASSERT_EQ(a.ptCount(1), 1);
  ASSERT_EQ(a.ptCount(2), 7);
  ASSERT_EQ(a.ptCount(3), 1);
  EXPECT_FLOAT_EQ(a.point(1, 1).x, 4.42f);
  EXPECT_FLOAT_EQ(a.point(1, 1).z, 55.41f);
  EXPECT_FLOAT_EQ(a.point(1, 1).mnr, 0.042f);
  EXPECT_DOUBLE_EQ(a.point(1, 1).mapX, 357940.81);
  EXPECT_DOUBLE_EQ(a.point(1, 1).mapY, 410058.06);
  EXPECT_FLOAT_EQ(a.point(2, 1).x, 4.85f);  // the "left" line begins group C
  EXPECT_FLOAT_EQ(a.point(3, 1).x, 12.331f);
  EXPECT_DOUBLE_EQ(a.point(3, 1).mapY, 410064.59);
  const Section& b = sec(2);
  EXPECT_EQ(b.id, "DOUG06_4610U");
  EXPECT_EQ(b.ptCount(1), 12);
  EXPECT_EQ(b.ptCount(2), 7);
  EXPECT_EQ(b.ptCount(3), 42);
  EXPECT_FLOAT_EQ(b.point(1, 1).x, -5.457f);
  const Section& last = sec(366);
  EXPECT_EQ(last.id, "SMIT01_0013");
  EXPECT_EQ(last.source[2], "SECTION    CHAINAGE 13.888");
}

TEST_F(IsisE2ERealFiles, PackedAndNegativeCoordinates) {
  read("River_Bridge.dat");
  ASSERT_EQ(nxs(), 27);
  EXPECT_EQ(points(), 1077);
  EXPECT_EQ(sec(1).id, "M029");
  ASSERT_EQ(sec(1).ptCount(2), 47);
  EXPECT_EQ(sec(1).ptCount(1) + sec(1).ptCount(3), 0);
  EXPECT_DOUBLE_EQ(sec(1).point(2, 1).mapX, 385063.2);
  EXPECT_DOUBLE_EQ(sec(1).point(2, 1).mapY, 242674.7);

  read("TIDAL.DAT");
  ASSERT_EQ(nxs(), 89);
  EXPECT_EQ(sec(1).id, "2.1");
  EXPECT_EQ(sec(1).source[2], "SECTION 2.1");
  ASSERT_EQ(sec(1).ptCount(2), 19);
  EXPECT_FLOAT_EQ(sec(1).point(2, 1).z, 10.0f);
  EXPECT_DOUBLE_EQ(sec(1).point(2, 1).mapX, -35833.016);
  EXPECT_DOUBLE_EQ(sec(1).point(2, 1).mapY, 6697730.04);
}

TEST_F(IsisE2ERealFiles, MarkersOutsideTheirColumnsAndOtherRiverUnits) {
  read("ship_test_v1-1.DAT");
  ASSERT_EQ(nxs(), 6);
  EXPECT_EQ(sec(1).id, "RIV_1-1");
  EXPECT_EQ(sec(1).source[1], "RIVER (Culvert Exit) CH:7932 - Trimmed to BT");
  EXPECT_EQ(sec(1).ptCount(1), 0);  // LEFT on the first data line
  EXPECT_EQ(sec(1).ptCount(3), 1);
  // LEFT and RIGHT in columns 71-80 are not markers: every point in group C.
  EXPECT_EQ(sec(2).id, "RIV_B1_US");
  EXPECT_EQ(sec(2).ptCount(2), 21);
  EXPECT_DOUBLE_EQ(sec(2).point(2, 5).mapY, 86643.19);

  // CES SECTION and the Muskingum units begin with RIVER too; only the three river sections count.
  read("encoding_test_cp1252.dat");
  ASSERT_EQ(nxs(), 3);
  EXPECT_EQ(sec(1).id, "d\xE5rek");
  EXPECT_EQ(sec(2).id, "UNIT007");
  EXPECT_EQ(sec(2).ptCount(1), 0);
  ASSERT_EQ(sec(2).ptCount(2), 2);
  ASSERT_EQ(sec(2).ptCount(3), 3);
  EXPECT_FLOAT_EQ(sec(2).point(2, 2).z, -2.0f);
  EXPECT_DOUBLE_EQ(sec(2).point(3, 1).mapX, 3.0);
  EXPECT_EQ(sec(3).id, "bernie");
}

TEST_F(IsisE2ERealFiles, FilesWithoutCoordinates) {
  read("EX3.DAT");
  EXPECT_NE(console_.output().find("WARNING - 40 of the 40 river sections of "), std::string::npos);
  ASSERT_EQ(nxs(), 40);
  EXPECT_EQ(sec(1).id, "m60");
  ASSERT_EQ(sec(1).ptCount(2), 14);
  EXPECT_FLOAT_EQ(sec(1).point(2, 1).x, -32.961f);
  EXPECT_DOUBLE_EQ(sec(1).point(2, 1).mapX, 0.0);

  read("EX6.DAT");
  EXPECT_EQ(nxs(), 86);
  EXPECT_NE(console_.output().find("WARNING - 86 of the 86 river sections of "), std::string::npos);

  read("floodplain.dat");
  ASSERT_EQ(nxs(), 4);
  for (int s = 1; s <= 4; ++s) {
    EXPECT_EQ(sec(s).ptCount(2), 1);
    EXPECT_DOUBLE_EQ(sec(s).point(2, 1).mapX, 0.0);
  }
  EXPECT_EQ(sec(4).id, "down");
}

}  // namespace
}  // namespace kestrix
