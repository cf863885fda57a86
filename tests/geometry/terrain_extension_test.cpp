#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "geometry/terrain_extension.h"
#include "store/store.h"
#include "support/files_run.h"

namespace kestrix::testing {
namespace {

// A terrain whose elevation is a function of the position; no value where it returns false.
class FunctionTerrain final : public Terrain {
 public:
  explicit FunctionTerrain(std::function<bool(double, double, double&)> f) : f_(std::move(f)) {}
  bool elevation(double x, double y, double& z, int& source) override {
    source = 0;
    return f_(x, y, z);
  }
  int count() const override { return 1; }
  std::string name(int) const override { return "dem.tif"; }
  double finestCell() const override { return 10.0; }
  std::string failure() const override { return ""; }

 private:
  std::function<bool(double, double, double&)> f_;
};

// The plane z = 10 + 0.1 x, without values where x lies in [hole.first, hole.second].
FunctionTerrain plane(std::pair<double, double> hole = {1e9, 1e9}) {
  return FunctionTerrain([hole](double x, double, double& z) {
    if (x >= hole.first && x <= hole.second) return false;
    z = 10.0 + 0.1 * x;
    return true;
  });
}

struct TerrainRun : FilesRun {
  using FilesRun::FilesRun;
  SectionStore store;
};
using TestRun = BasicTestRun<TerrainRun>;

// A section along y = 0 with a start line from x = 0 to x = 100 and L, C, R points at x = 40, 45, 50 (z 5, 4, 5.2).
int surveyed(TerrainRun& run, bool withLine = true) {
  const int s = run.store.append();
  Section& sec = run.store[s];
  sec.id = "A";
  const double xs[] = {40, 45, 50};
  const float zs[] = {5.0f, 4.0f, 15.2f};
  const float ns[] = {0.06f, 0.03f, 0.05f};
  for (int i = 0; i < 3; ++i) {
    StorePoint p;
    p.mapX = xs[i];
    p.z = zs[i];
    p.mnr = ns[i];
    sec.append(kGroups[static_cast<std::size_t>(i)], p);
  }
  if (withLine) sec.startLine = {MapPoint{0, 0}, MapPoint{100, 0}};
  return s;
}

void extend(TestRun& t, Terrain& terrain) {
  t.ctx.settings.terrain.dems = {"dem.tif"};
  terrainStage(t.ctx, t.ctx.tally, t.ctx.store, TerrainWork{terrain, nullptr, t.ctx.settings});
}

// "offset:z:mnr" of each DEM point of group g, in stored order.
std::vector<std::string> demPoints(const Section& sec, Group g) {
  std::vector<std::string> out;
  for (int p = 1; p <= sec.ptCount(g); ++p) {
    const StorePoint& pt = sec.point(g, p);
    if (pt.dem >= 0) out.push_back(std::to_string(static_cast<int>(pt.x)) + ":" + std::to_string(pt.z).substr(0, 4) +
                                   ":" + std::to_string(pt.mnr).substr(0, 4));
  }
  return out;
}

TEST(TerrainStage, ExtendsBothSidesBeyondTheGapOutwardFromTheSurvey) {
  TestRun t;
  surveyed(t.ctx);
  FunctionTerrain dem = plane();
  extend(t, dem);
  const Section& sec = t.ctx.store[1];
  // Step 10 (the finest cell), gap 5: left below offset 35, right beyond 55; each side takes its end's resistance.
  using V = std::vector<std::string>;
  EXPECT_EQ(demPoints(sec, Group::kLeft), (V{"30:13.0:0.06", "20:12.0:0.06", "10:11.0:0.06", "0:10.0:0.06"}));
  EXPECT_EQ(demPoints(sec, Group::kRight),
            (V{"60:16.0:0.05", "70:17.0:0.05", "80:18.0:0.05", "90:19.0:0.05", "100:20.0:0.05"}));
  EXPECT_TRUE(demPoints(sec, Group::kCentre).empty());
  EXPECT_EQ(sec.start->x, 0.0);
  EXPECT_EQ(t.ctx.tally.sectionsExtended, 1);
  EXPECT_EQ(t.ctx.tally.demPoints, 9);
  // The left end lies 9 below the DEM (14 against 5); the right end within the tolerance (15 against 15.2).
  EXPECT_EQ(t.out(), "\nExtending cross-sections from the DEM...\n\n"
                     "WARNING - XS \"A\": the DEM is 9.000 above the survey at the left end - check datums and units\n");
  EXPECT_EQ(t.ctx.tally.datumWarnings, 1);
}

TEST(TerrainStage, AHoleEndsASideAndAGapOptionMovesTheFirstSample) {
  TestRun t;
  surveyed(t.ctx);
  t.ctx.settings.terrain.gap = 0.0;
  t.ctx.settings.terrain.tolerance = 100.0;
  t.ctx.settings.terrain.step = 25.0;
  FunctionTerrain dem = plane({70, 80});
  extend(t, dem);
  const Section& sec = t.ctx.store[1];
  using V = std::vector<std::string>;
  // Samples at 0, 25, 50, 75, 100: 50 is the last surveyed offset itself, 75 has no value and ends the right side.
  EXPECT_EQ(demPoints(sec, Group::kLeft), (V{"25:12.5:0.06", "0:10.0:0.06"}));
  EXPECT_TRUE(demPoints(sec, Group::kRight).empty());
  EXPECT_EQ(t.out(), "\nExtending cross-sections from the DEM...\n\n"
                     "WARNING - XS \"A\": no DEM value at offset 75.000 on the right - the section ends there\n");
  EXPECT_EQ(t.ctx.tally.sidesCutShort, 1);
}

TEST(TerrainStage, CutSectionsKeepTheirValuesInTheCentreGroup) {
  struct Case {
    std::pair<double, double> hole;
    int points;
    bool used;
    std::string out;
  };
  const std::string head = "\nExtending cross-sections from the DEM...\n";
  const Case cases[] = {
      {{1e9, 1e9}, 4, true, head},
      {{5, 15}, 3, true, head + "\nWARNING - XS \"B\": 1 of 4 samples along its line have no DEM value - left out\n"},
      {{-1, 22}, 1, false,
       head + "\nWARNING - XS \"B\": 3 of 4 samples along its line have no DEM value - left out\n"
              "\nWARNING - XS \"B\": fewer than two DEM values along its line - the section is left out\n"},
  };
  for (const Case& c : cases) {
    TestRun t;
    const int s = t.ctx.store.append();
    Section& sec = t.ctx.store[s];
    sec.id = "B";
    sec.demCut = true;
    sec.startLine = {MapPoint{0, 0}, MapPoint{25, 0}};  // samples at 0, 10, 20 and the end, 25
    FunctionTerrain dem = plane(c.hole);
    extend(t, dem);
    EXPECT_EQ(sec.ptCount(Group::kCentre), c.points);
    EXPECT_EQ(sec.ptCount(Group::kLeft) + sec.ptCount(Group::kRight), 0);
    EXPECT_EQ(sec.use, c.used);
    EXPECT_EQ(sec.point(Group::kCentre, 1).mnr, 0.0f);
    EXPECT_EQ(t.ctx.tally.sectionsCut, c.used ? 1 : 0);
    EXPECT_EQ(t.out(), c.out);
  }
}

TEST(TerrainStage, ProjectionLinesStartTheSectionAndSectionsWithoutALineAreCounted) {
  TestRun t;
  t.ctx.settings.optPpol = true;
  t.ctx.settings.terrain.tolerance = 100.0;
  const int s = surveyed(t.ctx, false);
  const int other = surveyed(t.ctx, false);
  t.ctx.store[other].id = "C";
  Section& sec = t.ctx.store[s];
  sec.ppolX = {20, 100, -99999};
  sec.ppolY = {0, 0, -99999};
  sec.ppolNv = 2;
  sec.start = MapPoint{40, 0};  // the projected point of smallest chainage
  FunctionTerrain dem = plane();
  extend(t, dem);
  EXPECT_EQ(sec.start->x, 20.0);
  EXPECT_EQ(demPoints(sec, Group::kLeft), (std::vector<std::string>{"10:13.0:0.06", "0:12.0:0.06"}));
  EXPECT_EQ(t.ctx.store[other].ptCount(Group::kLeft), 1);
  EXPECT_EQ(t.out(), "\nExtending cross-sections from the DEM...\n\n"
                     "NOTE - 1 section has no line to sample the DEM along - written from the survey alone\n");
}

TEST(TerrainStage, AGroupPastMptEndsTheRunWithTheHint) {
  TestRun t;
  surveyed(t.ctx);
  t.ctx.settings.mpt = 3;
  t.ctx.settings.terrain.tolerance = 100.0;
  FunctionTerrain dem = plane();
  EXPECT_EQ(endsRun([&] { extend(t, dem); }), 1);
  EXPECT_NE(t.out().find("ERROR - Exceeded number of allowable points per cross-section section.\n"
                         "        Cross-section \"A\": raise -demstep or -mpt\n"),
            std::string::npos)
      << t.out();
}

}  // namespace
}  // namespace kestrix::testing
