// Reading the MIKE 11 network (.nwk11) and bed resistance (.hd11) files: the
// tables they fill, the case-sensitive keywords, the console lines and the
// stops.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "converters/mike11.h"
#include "support/workspace_run.h"

namespace kestrix {
namespace {

using testing::endsRun;
using testing::join;
using testing::hasLine;
using testing::lines;
using testing::TestWorkspace;


std::vector<std::string> network(const std::vector<std::string>& points, const std::vector<std::string>& branches,
                                 const std::string& pointsHeader = "[POINTS]") {
  std::vector<std::string> file = {"[MIKE_11_Network_editor]", "   " + pointsHeader};
  for (const auto& p : points) file.push_back("      point = " + p);
  file.push_back("   EndSect  // POINTS");
  file.push_back("");
  file.push_back("   [BRANCHES]");
  for (const auto& b : branches) file.push_back(b);
  file.push_back("   EndSect  // BRANCHES");
  file.push_back("EndSect  // MIKE_11_Network_editor");
  return file;
}

std::vector<std::string> branch(const std::string& definitions, const std::string& points,
                                const std::string& connections = "'', -1e-155, '', -1e-155") {
  std::vector<std::string> block = {"      [branch]", "         definitions = " + definitions};
  if (!connections.empty()) block.push_back("         connections = " + connections);
  else block.push_back("         something = 1");
  block.push_back("         points = " + points);
  block.push_back("      EndSect  // branch");
  block.push_back("");
  return block;
}

struct NetworkRead {
  explicit NetworkRead(const std::vector<std::string>& file, std::vector<std::string> input = {})
      : t(std::move(input)) {
    t.fs.add("net.nwk11", lines(file));
    status = endsRun([&] { m11ReadNetwork(t.ctx, "net.nwk11", tables); });
  }
  TestWorkspace t;
  M11Tables tables;
  int status = -1;
};

const std::vector<std::string> kThreePoints = {"1, 100, 200, 1, 0, 0", "2, 150.5, 200, 0, 50.5, 0",
                                               "3, 200, 260.25, 1, 128.75, 0"};

TEST(Mike11Network, ReadsPointsAndBranchesWithPositionsAndConsoleLines) {
  NetworkRead r(network(kThreePoints, join({branch("'RIVER 1', 'TOPO-1', 0, 128.75, 0, 500, 0", "3, 1, 2",
                                                   "'', -1e-155, 'OTHER', 8775"),
                                            branch("'Side', 'T2', 15, 1710, 1, 2.5, 3", "1, 2", "")})));
  ASSERT_EQ(r.status, -1) << r.t.out();
  ASSERT_EQ(r.tables.nPoints, 3);
  EXPECT_EQ(r.tables.points[1].Number, 2);
  EXPECT_DOUBLE_EQ(r.tables.points[1].X, 150.5);
  EXPECT_DOUBLE_EQ(r.tables.points[2].Y, 260.25);
  EXPECT_FLOAT_EQ(r.tables.points[2].Chainage, 128.75f);

  ASSERT_EQ(r.tables.nBranches, 2);
  const m11Branch& b1 = r.tables.branches[0];
  EXPECT_EQ(b1.Name, "RIVER 1");
  EXPECT_EQ(b1.TopoID, "TOPO-1");
  EXPECT_FLOAT_EQ(b1.EndChainage, 128.75f);
  EXPECT_EQ(b1.Def6, 500.0f);
  EXPECT_EQ(b1.Connection1, "");
  EXPECT_EQ(b1.Connection2, "OTHER");
  EXPECT_FLOAT_EQ(b1.Connection2Chainage, 8775.0f);
  EXPECT_EQ(b1.NPoints, 3);
  EXPECT_EQ(b1.Points, (std::vector<std::int32_t>{3, 1, 2}));
  // Without a connections line both names read "$None".
  const m11Branch& b2 = r.tables.branches[1];
  EXPECT_EQ(b2.Connection1, "$None");
  EXPECT_EQ(b2.Connection2, "$None");
  EXPECT_EQ(b2.Def5, 1);
  EXPECT_EQ(b2.Def7, 3);

  const std::string& out = r.t.out();
  EXPECT_NE(out.find("\nReading MIKE 11 Branches from net.nwk11...\n"), std::string::npos) << out;
  EXPECT_TRUE(hasLine(out, " Looking for points..."));
  EXPECT_TRUE(hasLine(out, " Number of points found:  3"));
  EXPECT_TRUE(hasLine(out, " Looking for branches..."));
  EXPECT_TRUE(hasLine(out, " Number of branches found: 2"));
  EXPECT_TRUE(hasLine(out, "...Closed File Unit:1001"));
}

TEST(Mike11Network, UnknownPointNumberKeepsItsValueAndIsMarked) {
  NetworkRead r(network(kThreePoints, branch("'R', 'T', 0, 100, 0, 0, 0", "1, 7, 3")));
  ASSERT_EQ(r.status, -1) << r.t.out();
  const m11Branch& b = r.tables.branches[0];
  EXPECT_EQ(b.Points, (std::vector<std::int32_t>{1, 7, 3}));
  EXPECT_EQ(b.Matched, (std::vector<bool>{true, false, true}));
}

TEST(Mike11Network, KeywordsAreCaseSensitive) {
  // "[Points]" does not open the table: it stays as it was and nothing is reported about points.
  NetworkRead r(network(kThreePoints, branch("'R', 'T', 0, 100, 0, 0, 0", "1, 2"), "[Points]"));
  ASSERT_EQ(r.status, -1) << r.t.out();
  EXPECT_EQ(r.tables.nPoints, 0);
  EXPECT_EQ(r.t.out().find("points found"), std::string::npos);
  EXPECT_EQ(r.tables.branches[0].Matched, (std::vector<bool>{false, false}));
}

TEST(Mike11Network, NoPointLineStopsAfterEnterWithStatusOne) {
  std::vector<std::string> file = network({}, branch("'R', 'T', 0, 100, 0, 0, 0", "1, 2"));
  NetworkRead r(file, {""});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(hasLine(r.t.out(), " Could not find any points"));
  EXPECT_EQ(r.t.console.reads(), 1);
  EXPECT_EQ(r.t.out().find("Press Enter to Close"), std::string::npos);
}

TEST(Mike11Network, NoBranchStopsAfterEnterWithStatusOne) {
  // A [branch] block without its definitions line names no branch.
  std::vector<std::string> block = {"      [branch]", "         connections = 'A', 1, 'B', 2",
                                    "         points = 1, 2", "      EndSect  // branch"};
  NetworkRead r(network(kThreePoints, block), {""});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(hasLine(r.t.out(), " Could not find any branches"));
  EXPECT_EQ(r.t.console.reads(), 1);
}

TEST(Mike11Network, BlockWithoutDefinitionsIsPassedOver) {
  std::vector<std::string> bad = {"      [branch]", "         points = 1, 2", "      EndSect  // branch"};
  NetworkRead r(network(kThreePoints, join({bad, branch("'R', 'T', 0, 100, 0, 0, 0", "2, 3")})));
  ASSERT_EQ(r.status, -1) << r.t.out();
  ASSERT_EQ(r.tables.nBranches, 1);
  EXPECT_EQ(r.tables.branches[0].Name, "R");
  EXPECT_EQ(r.tables.branches[0].Points, (std::vector<std::int32_t>{2, 3}));
}

TEST(Mike11Network, SecondFileReplacesEntriesFromTheFirstOn) {
  TestWorkspace t;
  M11Tables tables;
  t.fs.add("a.nwk11", lines(network(kThreePoints, join({branch("'A', 'T', 0, 1, 0, 0, 0", "1, 2"),
                                                         branch("'B', 'T', 0, 1, 0, 0, 0", "2, 3")}))));
  t.fs.add("b.nwk11", lines(network({"9, 1, 2, 0, 0", "8, 3, 4, 0, 10"}, branch("'C', 'U', 0, 10, 0, 0, 0", "8, 9"))));
  ASSERT_EQ(endsRun([&] {
              m11ReadNetwork(t.ctx, "a.nwk11", tables);
              m11ReadNetwork(t.ctx, "b.nwk11", tables);
            }),
            -1)
      << t.out();
  EXPECT_EQ(tables.nPoints, 2);
  EXPECT_EQ(tables.points[0].Number, 9);
  EXPECT_EQ(tables.points[2].Number, 3);  // stale, not in use
  EXPECT_EQ(tables.nBranches, 1);
  EXPECT_EQ(tables.branches[0].Name, "C");
  EXPECT_EQ(tables.branches[0].Points, (std::vector<std::int32_t>{2, 1}));
  EXPECT_EQ(tables.branches[1].Name, "B");
}

TEST(Mike11Network, PositionsBeyond32767AreKept) {
  std::vector<std::string> points;
  for (int i = 1; i <= 40000; ++i) points.push_back(std::to_string(i) + ", " + std::to_string(i) + ", 0, 0, " +
                                                    std::to_string(i));
  NetworkRead r(network(points, branch("'R', 'T', 0, 40000, 0, 0, 0", "39999, 40000")));
  ASSERT_EQ(r.status, -1);
  EXPECT_EQ(r.tables.branches[0].Points, (std::vector<std::int32_t>{39999, 40000}));
  EXPECT_DOUBLE_EQ(r.tables.points[39999].X, 40000.0);
}

TEST(Mike11Network, ReadFailuresEndTheRunWithTheirMessages) {
  {
    std::vector<std::string> file = network(kThreePoints, {});
    file.resize(3);  // the file ends inside the point table
    NetworkRead r(file, {""});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(hasLine(r.t.out(), "ERROR - End of File encountered reading .nwk11 file")) << r.t.out();
    EXPECT_NE(r.t.out().find("Press Enter to Close"), std::string::npos);
  }
  {
    NetworkRead r(network({"1, 100, x200, 1, 0"}, {}), {""});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(hasLine(r.t.out(), "ERROR - Reading .nwk11 file data.")) << r.t.out();
  }
  {
    // The branch list never closes.
    std::vector<std::string> file = {"[POINTS]", "point = 1, 0, 0, 0, 0", "EndSect", "[BRANCHES]"};
    NetworkRead r(file, {""});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(hasLine(r.t.out(), "ERROR - End of File encountered reading .nwk11 file")) << r.t.out();
  }
}

TEST(Mike11Network, TooManyPointsInOneBranchEndsAtOnce) {
  std::string list = "1";
  for (int i = 0; i < 10000; ++i) list += ", 1";
  NetworkRead r(network(kThreePoints, branch("'R', 'T', 0, 1, 0, 0, 0", list)));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(hasLine(r.t.out(), "Exceeded number of allowable points per branch."));
  EXPECT_EQ(r.t.out().find("Press Enter"), std::string::npos);
}

// ---- bed resistance ----

std::vector<std::string> hd11(const std::string& global, const std::vector<std::string>& data) {
  std::vector<std::string> file = {"[MIKE0_HD]", "   [Global_Variables]", "      [Global_Values]",
                                   "         G_waterlevel = 0"};
  if (!global.empty()) file.push_back("         G_resistance = " + global);
  file.insert(file.end(), {"      EndSect  // Global_Values", "   EndSect  // Global_Variables", "   [ResList]",
                           "      DATA = 'IGNORED', 0, 0.8, 0", "   EndSect  // ResList", "   [BedList]"});
  for (const auto& d : data) file.push_back("      DATA = " + d);
  file.push_back("   EndSect  // BedList");
  file.push_back("   [LaterList]");
  file.push_back("      DATA = 'LATER', 5, 5");
  file.push_back("   EndSect  // LaterList");
  return file;
}

struct BedRead {
  explicit BedRead(const std::vector<std::string>& file) : t({""}) {
    t.fs.add("par.hd11", lines(file));
    status = endsRun([&] { m11ReadBedResistance(t.ctx, "par.hd11", tables); });
  }
  TestWorkspace t;
  M11Tables tables;
  int status = -1;
};

TEST(Mike11Bed, EntriesBecomeStretchesUpToTheNextEntryOfTheirBranch) {
  BedRead r(hd11("0.035", {"'A', 0, 0.030, 30, 25", "'A', 100, 0.040", "'a', 300, 0.050", "'B', 50, 0.060",
                           "'RIVER1', 10, 0.01", "'river1', 20, 0.02"}));
  ASSERT_EQ(r.status, -1) << r.t.out();
  ASSERT_EQ(r.tables.nBedList, 6);
  const auto& e = r.tables.bedList;
  EXPECT_FLOAT_EQ(e[0].ChainageTo, 100.0f);
  EXPECT_FLOAT_EQ(e[0].ValueTo, 0.040f);
  EXPECT_FLOAT_EQ(e[1].ChainageFrom, 100.0f);
  EXPECT_FLOAT_EQ(e[1].ChainageTo, 300.0f);
  EXPECT_FLOAT_EQ(e[1].ValueTo, 0.050f);
  // The last entry of a branch describes its own chainage.
  EXPECT_FLOAT_EQ(e[2].ChainageTo, 300.0f);
  EXPECT_FLOAT_EQ(e[2].ValueTo, 0.050f);
  EXPECT_FLOAT_EQ(e[3].ChainageTo, 50.0f);
  EXPECT_FLOAT_EQ(e[3].ValueTo, 0.060f);
  // RIVER1 and river1 are one branch.
  EXPECT_FLOAT_EQ(e[4].ChainageTo, 20.0f);
  EXPECT_FLOAT_EQ(e[4].ValueTo, 0.02f);
  EXPECT_FLOAT_EQ(e[5].ChainageTo, 20.0f);
  EXPECT_FLOAT_EQ(r.tables.globalN, 0.035f);

  const std::string& out = r.t.out();
  EXPECT_NE(out.find("\nReading MIKE 11 Bed Resistance data from par.hd11...\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\n\nLooking for Global Manning's n value...\n"), std::string::npos);
  EXPECT_NE(out.find("\n\nGlobal Manning's n value = 0.035\n"), std::string::npos);
  EXPECT_NE(out.find("\n\nLooking for bed resistance values...\n"), std::string::npos);
  EXPECT_TRUE(hasLine(out, " Number of bed resistance values found: 6"));
}

TEST(Mike11Bed, GlobalValueLimitIsTakenInSinglePrecision) {
  BedRead refused(hd11("0.5e-6", {}));
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(hasLine(refused.t.out(), " Could not find global n value."));
  EXPECT_NE(refused.t.out().find("Press Enter to Close"), std::string::npos);

  BedRead accepted(hd11("1.0e-6", {}));
  EXPECT_EQ(accepted.status, -1) << accepted.t.out();
  EXPECT_NE(accepted.t.out().find("Global Manning's n value = 0.000001\n"), std::string::npos) << accepted.t.out();
  // An empty list is reported and the run goes on.
  EXPECT_TRUE(hasLine(accepted.t.out(), " Could not find any bed resistance values"));
  EXPECT_EQ(accepted.tables.nBedList, 0);
}

TEST(Mike11Bed, GlobalValueIsSoughtAfterItsSectionOnly) {
  // Without [Global_Values] the run ends even with a complete list.
  std::vector<std::string> none = {"[BedList]", "DATA = 'A', 0, 0.03", "EndSect  // BedList",
                                   "G_resistance = 0.04"};
  BedRead missing(none);
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(hasLine(missing.t.out(), " Could not find global n value."));

  // A value in a later section is still taken.
  std::vector<std::string> later = {"[Global_Values]", "EndSect  // Global_Values", "[Other]", "G_resistance = 25",
                                    "EndSect  // Other"};
  BedRead found(later);
  EXPECT_EQ(found.status, -1) << found.t.out();
  EXPECT_FLOAT_EQ(found.tables.globalN, 25.0f);
  EXPECT_NE(found.t.out().find("Global Manning's n value = 25.\n"), std::string::npos);
  // Without a [BedList] nothing is said about the list.
  EXPECT_EQ(found.t.out().find("bed resistance values found"), std::string::npos);
  EXPECT_EQ(found.t.out().find("Could not find any bed"), std::string::npos);
}

TEST(Mike11Bed, UnreadableValueEndsTheRun) {
  BedRead r(hd11("0.03", {"'A', zero, 0.03"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(hasLine(r.t.out(), "ERROR - Reading .hd11 file data."));
}

}  // namespace
}  // namespace kestrix
