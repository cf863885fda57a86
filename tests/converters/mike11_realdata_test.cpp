// The MIKE 11 readers over the public sample network and parameter files,
// read in place from the shared sample folder.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "converters/mike11.h"
#include "support/e2e.h"
#include "support/workspace_run.h"

namespace kestrix {
namespace {

using testing::endsRun;
using testing::realDataDir;
using testing::TestWorkspace;

// Reads one sample file into the run's file system under its own name.
bool load(TestWorkspace& t, const std::string& relative, const std::string& name) {
  const auto dir = realDataDir();
  if (dir.empty()) return false;
  std::ifstream in(dir / "mike11" / relative, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  t.fs.add(name, bytes.str());
  return true;
}

TEST(Mike11RealData, VidaNetwork) {
  TestWorkspace t;
  if (!load(t, "Vida/vida96-3.nwk11", "vida.nwk11")) GTEST_SKIP() << "the shared real-world samples are not there";
  M11Tables tables;
  ASSERT_EQ(endsRun([&] { m11ReadNetwork(t.ctx, "vida.nwk11", tables); }), -1) << t.out();
  // The 451 "point =" lines of later sections are not part of the table.
  EXPECT_EQ(tables.nPoints, 369);
  EXPECT_EQ(tables.points[0].Number, 1);
  EXPECT_DOUBLE_EQ(tables.points[0].X, 6374.79);
  EXPECT_FLOAT_EQ(tables.points[1].Chainage, 253.9803988954334f);
  // Numbers 250, 280 and 282 are not used: number 372 is the 369th point.
  EXPECT_EQ(tables.points[368].Number, 372);
  EXPECT_FLOAT_EQ(tables.points[368].Chainage, 4822.0f);

  ASSERT_EQ(tables.nBranches, 10);
  const m11Branch& ned = tables.branches[0];
  EXPECT_EQ(ned.Name, "VIDAA-NED");
  EXPECT_EQ(ned.TopoID, "TOPO-92");
  EXPECT_FLOAT_EQ(ned.EndChainage, 11300.0f);
  EXPECT_EQ(ned.NPoints, 114);
  EXPECT_EQ(ned.Points[36], 37);
  EXPECT_EQ(ned.Points[37], 112);  // the list is not in number order
  EXPECT_EQ(ned.Points[38], 38);
  EXPECT_EQ(ned.Connection1, "");
  const m11Branch& sejers = tables.branches[1];
  EXPECT_EQ(sejers.Connection2, "VIDAA-NED");
  EXPECT_FLOAT_EQ(sejers.Connection2Chainage, 8775.0f);
  // VIDAA-MEL ends with point 281, the 279th of the table.
  const m11Branch& mel = tables.branches[7];
  EXPECT_EQ(mel.Name, "VIDAA-MEL");
  EXPECT_EQ(mel.Points.front(), 250);
  EXPECT_EQ(mel.Points.back(), 279);
  for (int b = 0; b < 10; ++b)
    for (bool m : tables.branches[b].Matched) EXPECT_TRUE(m) << tables.branches[b].Name;
}

TEST(Mike11RealData, VidaParameters) {
  TestWorkspace t;
  if (!load(t, "Vida/Vida96-2.hd11", "vida.hd11")) GTEST_SKIP() << "the shared real-world samples are not there";
  M11Tables tables;
  ASSERT_EQ(endsRun([&] { m11ReadBedResistance(t.ctx, "vida.hd11", tables); }), -1) << t.out();
  EXPECT_FLOAT_EQ(tables.globalN, 25.0f);
  // The two "DATA =" lines of an earlier section are not bed values.
  ASSERT_EQ(tables.nBedList, 14);
  EXPECT_EQ(tables.bedList[0].Name, "VIDAA-OVR");
  EXPECT_FLOAT_EQ(tables.bedList[0].ChainageTo, 4822.0f);
  EXPECT_FLOAT_EQ(tables.bedList[10].ValueFrom, 23.0f);  // VIDAA-RES from the bed list, not 0.8
  EXPECT_FLOAT_EQ(tables.bedList[12].ChainageTo, 4.873f);
  EXPECT_FLOAT_EQ(tables.bedList[12].ValueTo, 20.0f);
  EXPECT_FLOAT_EQ(tables.bedList[13].ChainageTo, 4.873f);
}

}  // namespace
}  // namespace kestrix
