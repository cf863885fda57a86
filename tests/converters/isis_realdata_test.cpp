// The ISIS reader over the public model files, read in place from the shared
// sample folder with the machine's file system.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "converters/isis.h"
#include "support/e2e.h"
#include "support/workspace_run.h"

namespace kestrix {
namespace {

class IsisRealFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testing::realDataDir();
    if (root_.empty()) GTEST_SKIP() << "real-world samples (../shared/realdata) not present";
  }
  // Reads one file of the isis folder into `ctx_`.
  void read(const std::string& name) {
    ctx_.reset();
    fs_ = makeSystemFileSystem();
    ctx_ = std::make_unique<testing::WorkspaceRun>(console_, *fs_);
    ctx_->units.INITUNITS(1000);
    isisReadSections(*ctx_, (root_ / "isis" / name).string());
    EXPECT_FALSE(ctx_->tally.errFound) << console_.output();
  }
  int nxs() const { return ctx_->store.nxs(); }
  const Section& sec(int s) const { return ctx_->store[s]; }
  int points() const {
    int n = 0;
    for (int s = 1; s <= nxs(); ++s) n += sec(s).ptCount(Group::kLeft) + sec(s).ptCount(Group::kCentre) + sec(s).ptCount(Group::kRight);
    return n;
  }

  std::filesystem::path root_;
  testing::ScriptedConsole console_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<testing::WorkspaceRun> ctx_;
};

TEST_F(IsisRealFiles, DouglasLowerCaseMarkersAndTheCommentLineSkipped) {
  read("Douglas_2018_DN_002_DesQ_internal.DAT");
  EXPECT_EQ(console_.output().find("WARNING"), std::string::npos);  // every section has plan coordinates
  // 366 river sections; the COMMENT line "River flows under building ..." is not one.
  ASSERT_EQ(nxs(), 366);
  EXPECT_EQ(points(), 12356);
  const Section& a = sec(1);
  EXPECT_EQ(a.id, "DOUG06_4620D");
  EXPECT_EQ(a.source[1], "RIVER Douglas (DOUG006)      C/S 231. 2012 - Cut back on LB");
  EXPECT_EQ(a.source[2], "SECTION");
  ASSERT_EQ(a.ptCount(Group::kLeft), 1);
  ASSERT_EQ(a.ptCount(Group::kCentre), 7);
  ASSERT_EQ(a.ptCount(Group::kRight), 1);
  EXPECT_FLOAT_EQ(a.point(Group::kLeft, 1).x, 4.42f);
  EXPECT_FLOAT_EQ(a.point(Group::kLeft, 1).z, 55.41f);
  EXPECT_FLOAT_EQ(a.point(Group::kLeft, 1).mnr, 0.042f);
  EXPECT_DOUBLE_EQ(a.point(Group::kLeft, 1).mapX, 357940.81);
  EXPECT_DOUBLE_EQ(a.point(Group::kLeft, 1).mapY, 410058.06);
  EXPECT_FLOAT_EQ(a.point(Group::kCentre, 1).x, 4.85f);  // the "left" line begins group C
  EXPECT_FLOAT_EQ(a.point(Group::kRight, 1).x, 12.331f);
  EXPECT_DOUBLE_EQ(a.point(Group::kRight, 1).mapY, 410064.59);
  const Section& b = sec(2);
  EXPECT_EQ(b.id, "DOUG06_4610U");
  EXPECT_EQ(b.ptCount(Group::kLeft), 12);
  EXPECT_EQ(b.ptCount(Group::kCentre), 7);
  EXPECT_EQ(b.ptCount(Group::kRight), 42);
  EXPECT_FLOAT_EQ(b.point(Group::kLeft, 1).x, -5.457f);
  const Section& last = sec(366);
  EXPECT_EQ(last.id, "SMIT01_0013");
  EXPECT_EQ(last.source[2], "SECTION    CHAINAGE 13.888");
}

TEST_F(IsisRealFiles, PackedAndNegativeCoordinates) {
  read("River_Bridge.dat");
  ASSERT_EQ(nxs(), 27);
  EXPECT_EQ(points(), 1077);
  EXPECT_EQ(sec(1).id, "M029");
  ASSERT_EQ(sec(1).ptCount(Group::kCentre), 47);
  EXPECT_EQ(sec(1).ptCount(Group::kLeft) + sec(1).ptCount(Group::kRight), 0);
  EXPECT_DOUBLE_EQ(sec(1).point(Group::kCentre, 1).mapX, 385063.2);
  EXPECT_DOUBLE_EQ(sec(1).point(Group::kCentre, 1).mapY, 242674.7);

  read("TIDAL.DAT");
  ASSERT_EQ(nxs(), 89);
  EXPECT_EQ(sec(1).id, "2.1");
  EXPECT_EQ(sec(1).source[2], "SECTION 2.1");
  ASSERT_EQ(sec(1).ptCount(Group::kCentre), 19);
  EXPECT_FLOAT_EQ(sec(1).point(Group::kCentre, 1).z, 10.0f);
  EXPECT_DOUBLE_EQ(sec(1).point(Group::kCentre, 1).mapX, -35833.016);
  EXPECT_DOUBLE_EQ(sec(1).point(Group::kCentre, 1).mapY, 6697730.04);
}

TEST_F(IsisRealFiles, MarkersOutsideTheirColumnsAndOtherRiverUnits) {
  read("ship_test_v1-1.DAT");
  ASSERT_EQ(nxs(), 6);
  EXPECT_EQ(sec(1).id, "RIV_1-1");
  EXPECT_EQ(sec(1).source[1], "RIVER (Culvert Exit) CH:7932 - Trimmed to BT");
  EXPECT_EQ(sec(1).ptCount(Group::kLeft), 0);  // LEFT on the first data line
  EXPECT_EQ(sec(1).ptCount(Group::kRight), 1);
  // LEFT and RIGHT in columns 71-80 are not markers: every point in group C.
  EXPECT_EQ(sec(2).id, "RIV_B1_US");
  EXPECT_EQ(sec(2).ptCount(Group::kCentre), 21);
  EXPECT_DOUBLE_EQ(sec(2).point(Group::kCentre, 5).mapY, 86643.19);

  // CES SECTION and the Muskingum units begin with RIVER too; only the three river sections count.
  read("encoding_test_cp1252.dat");
  ASSERT_EQ(nxs(), 3);
  EXPECT_EQ(sec(1).id, "d\xE5rek");
  EXPECT_EQ(sec(2).id, "UNIT007");
  EXPECT_EQ(sec(2).ptCount(Group::kLeft), 0);
  ASSERT_EQ(sec(2).ptCount(Group::kCentre), 2);
  ASSERT_EQ(sec(2).ptCount(Group::kRight), 3);
  EXPECT_FLOAT_EQ(sec(2).point(Group::kCentre, 2).z, -2.0f);
  EXPECT_DOUBLE_EQ(sec(2).point(Group::kRight, 1).mapX, 3.0);
  EXPECT_EQ(sec(3).id, "bernie");
}

TEST_F(IsisRealFiles, FilesWithoutCoordinates) {
  read("EX3.DAT");
  EXPECT_NE(console_.output().find("WARNING - 40 of the 40 river sections of "), std::string::npos);
  ASSERT_EQ(nxs(), 40);
  EXPECT_EQ(sec(1).id, "m60");
  ASSERT_EQ(sec(1).ptCount(Group::kCentre), 14);
  EXPECT_FLOAT_EQ(sec(1).point(Group::kCentre, 1).x, -32.961f);
  EXPECT_DOUBLE_EQ(sec(1).point(Group::kCentre, 1).mapX, 0.0);

  read("EX6.DAT");
  EXPECT_EQ(nxs(), 86);
  EXPECT_NE(console_.output().find("WARNING - 86 of the 86 river sections of "), std::string::npos);

  read("floodplain.dat");
  ASSERT_EQ(nxs(), 4);
  for (int s = 1; s <= 4; ++s) {
    EXPECT_EQ(sec(s).ptCount(Group::kCentre), 1);
    EXPECT_DOUBLE_EQ(sec(s).point(Group::kCentre, 1).mapX, 0.0);
  }
  EXPECT_EQ(sec(4).id, "down");
}

}  // namespace
}  // namespace kestrix
