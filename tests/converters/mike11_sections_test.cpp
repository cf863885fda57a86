// Converting MIKE 11 cross-section text files: the blocks and their points,
// identifiers, datum and bed values, the placement across the branch, the
// dropped sections, and the 1d_nwk and 1d_branches layers written alongside.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "converters/mike11.h"
#include "output/mike11_layers.h"
#include "support/workspace_run.h"
#include "text/numbers.h"

namespace kestrix {
namespace {

using testing::endsRun;
using testing::join;
using testing::hasLine;
using testing::lines;
using testing::TestWorkspace;


// Branch R1/T1 runs east from (1000,2000) to (1100,2000) (chainage 0 to 100),
// then north to (1100,2400) (chainage 500) through (1100,2200) at 300.
const std::vector<std::string> kNetwork = {
    "[MIKE_11_Network_editor]",
    "   [POINTS]",
    "      point = 1, 1000, 2000, 1, 0, 0",
    "      point = 2, 1100, 2000, 0, 100, 0",
    "      point = 3, 1100, 2200, 0, 300, 0",
    "      point = 4, 1100, 2400, 1, 500, 0",
    "      point = 5, 0, 0, 1, 0, 0",
    "      point = 6, 0, 100, 1, 100, 0",
    "      point = 7, 5000, 0, 1, 0, 0",
    "      point = 8, 5100, 0, 1, 1000, 0",
    "      point = 9, 200, 200, 1, 50, 0",
    "      point = 10, 300, 300, 1, 50, 0",
    "   EndSect  // POINTS",
    "   [BRANCHES]",
    "      [branch]",
    "         definitions = 'R1', 'T1', 0, 500, 0, 10000, 0",
    "         connections = '', -1e-155, '', -1e-155",
    "         points = 1, 2, 3, 4",
    "      EndSect  // branch",
    "      [branch]",
    "         definitions = 'R2', 'T2', 0, 100, 0, 10000, 0",
    "         connections = '', -1e-155, '', -1e-155",
    "         points = 5, 6",
    "      EndSect  // branch",
    "      [branch]",
    "         definitions = 'R1', 'T9', 0, 1000, 0, 10000, 0",
    "         connections = '', -1e-155, '', -1e-155",
    "         points = 7, 8",
    "      EndSect  // branch",
    "      [branch]",
    "         definitions = 'FLAT', 'T5', 0, 100, 0, 10000, 0",
    "         connections = '', -1e-155, '', -1e-155",
    "         points = 9, 10",
    "      EndSect  // branch",
    "      [branch]",
    "         definitions = 'SHORT', 'T3', 0, 100, 0, 10000, 0",
    "         connections = '', -1e-155, '', -1e-155",
    "         points = 1",
    "      EndSect  // branch",
    "      [branch]",
    "         definitions = 'MISS', 'T4', 0, 100, 0, 10000, 0",
    "         connections = '', -1e-155, '', -1e-155",
    "         points = 1, 99",
    "      EndSect  // branch",
    "   EndSect  // BRANCHES",
    "EndSect  // MIKE_11_Network_editor"};

// R1 has 0.03 at chainage 0 and 0.05 at 100; elsewhere the global 0.035 holds.
const std::vector<std::string> kParameters = {
    "[Global_Values]", "   G_resistance = 0.035", "EndSect  // Global_Values", "[BedList]",
    "   DATA = 'R1', 0, 0.03, 30, 25, 20", "   DATA = 'r1', 100, 0.05, 30, 25, 20", "EndSect  // BedList"};

const std::vector<std::string> kProjectionHeader = {
    "Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
    "CoordSys Nonearth Units \"m\" Bounds (0, 0) (10000, 10000)"};

struct Point {
  double x, z, r;
  std::string marker;
};

std::string pointLine(const Point& p) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%10.3f%10.3f%10.3f     %s     0     0.000     0", p.x, p.z, p.r,
                p.marker.empty() ? "<#0>" : p.marker.c_str());
  return buf;
}

// One block of a cross-section text file, with the keyword lines a MIKE 11 export carries.
std::vector<std::string> block(const std::string& topo, const std::string& branch, const std::string& chainage,
                               const std::vector<Point>& points, const std::string& datum = "0.00") {
  std::vector<std::string> b = {topo,     branch,   "               " + chainage,
                                "COORDINATES", "    0", "FLOW DIRECTION", "    0", "PROTECT DATA", "    0"};
  if (!datum.empty()) {
    b.push_back("DATUM");
    b.push_back("      " + datum);
  }
  b.insert(b.end(), {"RADIUS TYPE", "    0", "DIVIDE X-Section", "0", "SECTION ID", "    ", "INTERPOLATED", "    0",
                     "ANGLE", "    0.00   0", "RESISTANCE NUMBERS", "   2  0     1.000     1.000     1.000"});
  char profile[32];
  std::snprintf(profile, sizeof profile, "PROFILE %7d", static_cast<int>(points.size()));
  b.push_back(profile);
  for (const Point& p : points) b.push_back(pointLine(p));
  b.push_back("LEVEL PARAMS");
  b.push_back("   0  0    0.000  0    0.000   50");
  b.push_back("*******************************");
  return b;
}

const std::vector<Point> kFive = {{0, 12, 1, ""}, {2, 10, 1, "<#1>"}, {5, 8, 2, ""}, {8, 10, 1, "<#4>"},
                                  {10, 12, 1, ""}};
const std::vector<Point> kTwo = {{0, 5, 1, ""}, {4, 5, 1, ""}};

// A run with the network and parameters read and a projection layer in place.
struct Conversion {
  explicit Conversion(std::vector<std::string> input = {}) : t(std::move(input)) {
    t.fs.add("proj.mif", lines(join({kProjectionHeader, {"Columns 1", "  Name Char(10)", "Data"}})));
    t.fs.add("net.nwk11", lines(kNetwork));
    t.fs.add("par.hd11", lines(kParameters));
    t.ctx.settings.mode = RunMode::Mike11;
    t.ctx.settings.inFiles = {"proj.mif", "xs.txt", "net.nwk11", "par.hd11"};
    EXPECT_EQ(endsRun([&] {
                m11ReadNetwork(t.ctx, "net.nwk11", tables);
                m11ReadBedResistance(t.ctx, "par.hd11", tables);
              }),
              -1);
    t.console.clearOutput();
  }
  // Converts a .txt file of the given lines; the exit status, -1 when the conversion returned.
  int convert(const std::vector<std::string>& txt, const std::string& name = "xs.txt") {
    t.fs.add(name, lines(txt));
    return endsRun([&] {
      M11NetworkLayers network(t.ctx);
      m11ConvertSections(t.ctx, name, tables, network);
    });
  }
  const Section& s(int n) const { return t.ctx.store[n]; }
  TestWorkspace t;
  M11Tables tables;
};

std::string xy(double x, double y) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%16.6f%16.6f", x, y);
  return buf;
}

const std::vector<std::string> kNwkColumns = {
    "Columns 22",          "  ID Char(12)",       "  Type Char(4)",        "  Ignore Logical",
    "  UCS Logical",       "  Len_or_ANA Float",  "  n_or_n_F Float",      "  US_Invert Float",
    "  DS_Invert Float",   "  Form_Loss Float",   "  pBlockage Float",     "  Inlet_Type Char(12)",
    "  Conn_2D Char(4)",   "  Conn_No Integer",   "  Width_or_Dia Float",  "  Height_or_WF Float",
    "  Number_of Integer", "  Height_Cont Float", "  Width_Cont Float",    "  Entry_Loss Float",
    "  Exit_Loss Float",   "  US_XSect Char(100)", "  DS_XSect Char(100)", "Data",
    ""};
const std::vector<std::string> kBranchColumns = {"Columns 1", "  Branch Char(200)", "Data", ""};

std::string nwkRow(const std::string& id, const std::string& length, const std::string& us, const std::string& ds) {
  return id + ",S,F,T," + length + ", 1.000,     0.000,     0.000,  0.00,0,,,         0,   0.000,   0.000,    0, " +
         "0.000, 0.000, 0.000, 0.000,\"" + us + "\",\"" + ds + "\"";
}

std::string padded(const std::string& name) { return name + std::string(100 - name.size(), ' '); }

TEST(Mike11Sections, SectionPointsGroupsSourcesAndPlacement) {
  Conversion c;
  ASSERT_EQ(c.convert(block("T1", "R1", "50.000", kFive)), -1) << c.t.out();
  ASSERT_EQ(c.t.ctx.store.nxs(), 1);
  const Section& s = c.s(1);
  EXPECT_EQ(s.id, "R1_000050000");
  EXPECT_EQ(s.source[0], "xs");
  EXPECT_EQ(s.source[1], "T1");
  EXPECT_EQ(s.source[2], "R1; 50.000");
  // The point before <#1> is L; <#1> through <#4> are C; the rest R.
  ASSERT_EQ(s.ptCount(Group::kLeft), 1);
  ASSERT_EQ(s.ptCount(Group::kCentre), 3);
  ASSERT_EQ(s.ptCount(Group::kRight), 1);
  EXPECT_FLOAT_EQ(s.point(Group::kLeft, 1).x, 0.0f);
  EXPECT_FLOAT_EQ(s.point(Group::kCentre, 1).x, 2.0f);
  EXPECT_FLOAT_EQ(s.point(Group::kCentre, 3).x, 8.0f);
  EXPECT_FLOAT_EQ(s.point(Group::kCentre, 2).z, 8.0f);
  EXPECT_FLOAT_EQ(s.point(Group::kRight, 1).x, 10.0f);
  // Halfway along the 0.03 to 0.05 stretch the bed value is 0.04.
  EXPECT_FLOAT_EQ(s.point(Group::kCentre, 1).mnr, 0.04f);
  EXPECT_FLOAT_EQ(s.point(Group::kCentre, 2).mnr, 0.08f);
  // Half-way along the eastward first segment; width 8 - 2, left end to the north.
  EXPECT_DOUBLE_EQ(s.point(Group::kCentre, 1).mapX, 1050.0);
  EXPECT_DOUBLE_EQ(s.point(Group::kCentre, 1).mapY, 2000.0);
  EXPECT_NEAR(s.point(Group::kLeft, 1).mapX, 1050.0, 1e-9);
  EXPECT_NEAR(s.point(Group::kLeft, 1).mapY, 2003.0, 1e-9);
  EXPECT_NEAR(s.point(Group::kRight, 1).mapX, 1050.0, 1e-9);
  EXPECT_NEAR(s.point(Group::kRight, 1).mapY, 1997.0, 1e-9);

  const std::string& out = c.t.out();
  EXPECT_NE(out.find("\nReading Cross-Section Data from xs.txt...\n"), std::string::npos) << out;
  EXPECT_TRUE(hasLine(out, "  Debug: Found Profile Number: (1)"));
  EXPECT_EQ(out.find("Debug: Datum"), std::string::npos);
  EXPECT_FALSE(c.t.ctx.tally.errFound);
}

TEST(Mike11Sections, LayersByteForByte) {
  Conversion c;
  ASSERT_EQ(c.convert(join({block("T1", "R1", "50.000", kFive), block("T1", "R1", "80.000", kTwo),
                            block("T1", "R1", "300.000", kTwo)})),
            -1)
      << c.t.out();
  // Two sections on one segment: a two-vertex channel. The next one, on the
  // inner point at 300, runs through the network points between them. The
  // fraction is single precision: 0.8 is 0.800000012, so 80 lies at 1080.000001.
  const std::string at80 = "     1080.000001     2000.000000";
  const std::string nwkMif = lines(join({kProjectionHeader, kNwkColumns,
                                         {"Pline 2", xy(1050, 2000), at80, "    Pen (2,59,255)", "Pline 4", at80,
                                          xy(1100, 2000), xy(1100, 2200), xy(1100, 2200), "    Pen (2,59,255)"}}));
  EXPECT_EQ(c.t.fs.content("1d_nwk.mif"), nwkMif);
  EXPECT_EQ(c.t.fs.content("1d_nwk.mid"),
            lines({nwkRow("R10010", "    30.0", "R1_000050000", "R1_000080000"),
                   nwkRow("R10020", "   220.0", "R1_000080000", "R1_000300000")}));
  // Every branch of two or more known points.
  const std::string branchesMif =
      lines(join({kProjectionHeader, kBranchColumns,
                  {"Pline 4", xy(1000, 2000), xy(1100, 2000), xy(1100, 2200), xy(1100, 2400), "    Pen (2,59,255)",
                   "Pline 2", xy(0, 0), xy(0, 100), "    Pen (2,59,255)", "Pline 2", xy(5000, 0), xy(5100, 0),
                   "    Pen (2,59,255)", "Pline 2", xy(200, 200), xy(300, 300), "    Pen (2,59,255)"}}));
  EXPECT_EQ(c.t.fs.content("1d_branches.mif"), branchesMif);
  EXPECT_EQ(c.t.fs.content("1d_branches.mid"), lines({padded("R1"), padded("R2"), padded("R1"), padded("FLAT")}));

  // The section on the inner point lies on the segment that starts there, due north.
  const Section& s3 = c.s(3);
  EXPECT_DOUBLE_EQ(s3.point(Group::kCentre, 1).mapX, 1100.0);
  EXPECT_DOUBLE_EQ(s3.point(Group::kCentre, 1).mapY, 2200.0);
  EXPECT_NEAR(s3.point(Group::kLeft, 1).mapX, 1098.0, 1e-9);  // west
  EXPECT_NEAR(s3.point(Group::kLeft, 1).mapY, 2200.0, 1e-9);
  EXPECT_NEAR(s3.point(Group::kRight, 1).mapX, 1102.0, 1e-9);
  // Without markers every point is C and the width is last minus first.
  EXPECT_EQ(s3.ptCount(Group::kLeft), 0);
  EXPECT_EQ(s3.ptCount(Group::kCentre), 2);
  EXPECT_EQ(s3.ptCount(Group::kRight), 0);
  // Beyond the bed list's last R1 chainage (100) the global value holds.
  EXPECT_FLOAT_EQ(s3.point(Group::kCentre, 1).mnr, 0.035f);
  EXPECT_FLOAT_EQ(c.s(2).point(Group::kCentre, 1).mnr, 0.046f);
}

// What a network sink is handed: each channel once, worked out, and the branches at the close.
struct RecordingSink final : M11NetworkSink {
  void open(const std::string&, int) override {}
  void channel(const M11Channel& c) override {
    channels.push_back(c.id + " " + std::to_string(c.upstream) + "-" + std::to_string(c.downstream) + " " +
                       std::to_string(c.x.size()) + " " + formatFixed(c.length, 6, 1));
  }
  void close(const std::vector<M11BranchLine>& branches) override {
    for (const M11BranchLine& b : branches) names.push_back(b.name + " " + std::to_string(b.x.size()));
  }
  void abandon() override {}
  std::vector<std::string> channels;
  std::vector<std::string> names;
};

TEST(Mike11Sections, TheSinkIsHandedTheNetworkView) {
  Conversion c;
  c.t.fs.add("xs.txt", lines(join({block("T1", "R1", "50.000", kFive), block("T1", "R1", "80.000", kTwo),
                                   block("T1", "R1", "300.000", kTwo)})));
  RecordingSink sink;
  ASSERT_EQ(endsRun([&] { m11ConvertSections(c.t.ctx, "xs.txt", c.tables, sink); }), -1) << c.t.out();
  EXPECT_EQ(sink.channels, (std::vector<std::string>{"R10010 1-2 2   30.0", "R10020 2-3 4  220.0"}));
  EXPECT_EQ(sink.names, (std::vector<std::string>{"R1 4", "R2 2", "R1 2", "FLAT 2"}));
}

TEST(Mike11Sections, ChannelIdentifiersKeepWithinTheirColumn) {
  Conversion c;
  c.t.fs.add("long.nwk11", lines({"[POINTS]", "point = 1, 0, 0, 1, 0, 0", "point = 2, 0, 100000, 1, 100000, 0",
                                  "EndSect  // POINTS", "[BRANCHES]", "[branch]",
                                  "definitions = 'Longriver', 'T1', 0, 100000, 0, 10000, 0",
                                  "connections = '', -1e-155, '', -1e-155", "points = 1, 2",
                                  "EndSect  // branch", "EndSect  // BRANCHES"}));
  ASSERT_EQ(endsRun([&] { m11ReadNetwork(c.t.ctx, "long.nwk11", c.tables); }), -1);
  // 1002 sections make 1001 channels, counted 10, 20, ... 10010.
  std::vector<std::string> txt;
  for (int k = 0; k < 1002; ++k) {
    const std::vector<std::string> b = block("T1", "Longriver", std::to_string(10 * k), kTwo);
    txt.insert(txt.end(), b.begin(), b.end());
  }
  ASSERT_EQ(c.convert(txt), -1);
  std::vector<std::string> ids;
  const std::string mid = c.t.fs.content("1d_nwk.mid");
  for (std::size_t at = 0; at < mid.size(); at = mid.find("\r\n", at) + 2)
    ids.push_back(mid.substr(at, mid.find(',', at) - at));
  ASSERT_EQ(ids.size(), 1001u);
  EXPECT_EQ(ids[0], "LONGRIVE0010");
  EXPECT_EQ(ids[998], "LONGRIVE9990");
  EXPECT_EQ(ids[999], "LONGRIV10000");
  EXPECT_EQ(ids[1000], "LONGRIV10010");
}

TEST(Mike11Sections, IdentifiersFromTheChainage) {
  Conversion c;
  ASSERT_EQ(c.convert(join({block("T1", "R1", "0.5", kTwo), block("T1", "R1", "2.0005", kTwo),
                            block("T9", "R1", "12345.678", kTwo), block("T9", "R1", "-2.5", kTwo)})),
            -1)
      << c.t.out();
  EXPECT_EQ(c.s(1).id, "R1_000000500");
  // 2.0005 times 1000 is 2000.5 in single precision, and the half goes up.
  EXPECT_EQ(c.s(2).id, "R1_000002001");
  // Outside R1/T9's range 0-1000: both are dropped, under their identifiers.
  EXPECT_EQ(c.t.ctx.store.nxs(), 2);
  EXPECT_TRUE(hasLine(c.t.out(), "WARNING - No Branch (with same TOPO ID) found for cross-section R1_012345678 (IGNORED)"))
      << c.t.out();
  EXPECT_TRUE(hasLine(c.t.out(), "WARNING - No Branch (with same TOPO ID) found for cross-section R1_-2500 (IGNORED)"));
  EXPECT_EQ(c.s(2).source[2], "R1; 2.000");  // 2.0005 is 2.00049996 in single precision
}

TEST(Mike11Sections, DatumAndRightMarkerOnTheLastPointOnABranchDueNorth) {
  Conversion c;
  const std::vector<Point> pts = {{0, 5, 1, "<#1>"}, {3, 4, 2, ""}, {6, 5, 1, "<#4>"}};
  ASSERT_EQ(c.convert(join({block("T2", "R2", "25", pts, "-1.5"), block("T2", "R2", "30", kTwo, "0.5"),
                            block("T2", "R2", "40", kTwo, "0.001")})),
            -1)
      << c.t.out();
  const Section& s = c.s(1);
  EXPECT_EQ(s.ptCount(Group::kLeft), 0);
  EXPECT_EQ(s.ptCount(Group::kCentre), 3);
  EXPECT_EQ(s.ptCount(Group::kRight), 0);
  EXPECT_FLOAT_EQ(s.point(Group::kCentre, 1).z, 3.5f);
  EXPECT_FLOAT_EQ(s.point(Group::kCentre, 2).z, 2.5f);
  EXPECT_FLOAT_EQ(s.point(Group::kCentre, 2).mnr, 0.07f);  // R2 is not in the bed list: 2 times the global 0.035
  // North along x = 0: the section runs west to east, its left end west.
  EXPECT_NEAR(s.point(Group::kLeft, 1).mapX, -3.0, 1e-9);
  EXPECT_NEAR(s.point(Group::kLeft, 1).mapY, 25.0, 1e-9);
  EXPECT_NEAR(s.point(Group::kRight, 1).mapX, 3.0, 1e-9);
  EXPECT_NEAR(s.point(Group::kRight, 1).mapY, 25.0, 1e-9);
  // Only the datum above 0.001 is reported.
  EXPECT_FLOAT_EQ(c.s(2).point(Group::kCentre, 1).z, 5.5f);
  EXPECT_EQ(c.t.out().find("Debug: Datum for xs: (1)"), std::string::npos);
  EXPECT_TRUE(hasLine(c.t.out(), "  Debug: Datum for xs: (2)"));
  EXPECT_EQ(c.t.out().find("Debug: Datum for xs: (3)"), std::string::npos);
}

TEST(Mike11Sections, ChainageRangeEqualChainagesAndBranchesThatCannotPlace) {
  Conversion c;
  ASSERT_EQ(c.convert(join({block("T1", "R1", "500", kTwo), block("T1", "R1", "500.01", kTwo),
                            block("T5", "FLAT", "50", kTwo), block("T3", "SHORT", "0", kTwo),
                            block("T4", "MISS", "50", kTwo), block("t1", "r1", "400", kTwo)})),
            -1)
      << c.t.out();
  ASSERT_EQ(c.t.ctx.store.nxs(), 3);
  // EndChainage itself is on the branch, at its last point.
  EXPECT_DOUBLE_EQ(c.s(1).point(Group::kCentre, 1).mapX, 1100.0);
  EXPECT_DOUBLE_EQ(c.s(1).point(Group::kCentre, 1).mapY, 2400.0);
  // Two network points at one chainage: the section lies at the first.
  EXPECT_EQ(c.s(2).id, "FLAT_000050000");
  EXPECT_DOUBLE_EQ(c.s(2).point(Group::kCentre, 1).mapX, 200.0);
  EXPECT_DOUBLE_EQ(c.s(2).point(Group::kCentre, 1).mapY, 200.0);
  const std::string& out = c.t.out();
  EXPECT_TRUE(hasLine(out, "WARNING - No Branch (with same TOPO ID) found for cross-section R1_000500010 (IGNORED)"));
  EXPECT_TRUE(hasLine(out, "WARNING - No Branch (with same TOPO ID) found for cross-section SHORT_000000000 (IGNORED)"));
  EXPECT_TRUE(hasLine(out, "WARNING - No Branch (with same TOPO ID) found for cross-section MISS_000050000 (IGNORED)"));
  // Names and topo identifiers compare without case: r1/t1 finds R1/T1. No
  // two consecutive placed sections share a branch, so there is no channel.
  EXPECT_EQ(c.s(3).id, "r1_000400000");
  EXPECT_EQ(c.t.fs.content("1d_nwk.mid"), "");
}

TEST(Mike11Sections, DroppedSectionsLeaveTheChannelStateAlone) {
  Conversion c;
  ASSERT_EQ(c.convert(join({block("T1", "R1", "500", kTwo), block("T1", "R1", "400", kTwo),
                            block("T1", "R1", "600", kTwo), block("T1", "R1", "350", kTwo),
                            block("T9", "R1", "10", kTwo), block("T1", "R1", "320", kTwo)})),
            -1)
      << c.t.out();
  // 500 -> 400 and 400 -> 350 (across the dropped 600, length from 400); the
  // T9 section has another topo identifier and is not joined to either side.
  const std::string mid = c.t.fs.content("1d_nwk.mid");
  EXPECT_EQ(mid, lines({nwkRow("R10010", "  -100.0", "R1_000500000", "R1_000400000"),
                        nwkRow("R10020", "   -50.0", "R1_000400000", "R1_000350000")}));
  // Decreasing chainages on one segment: straight from crossing to crossing.
  const std::string mif = c.t.fs.content("1d_nwk.mif");
  EXPECT_NE(mif.find(lines({"Pline 2", xy(1100, 2400), xy(1100, 2300), "    Pen (2,59,255)", "Pline 2",
                            xy(1100, 2300), xy(1100, 2250)})),
            std::string::npos)
      << mif;
}

TEST(Mike11Sections, ReadErrorClosesTheFileAndBothLayers) {
  Conversion c({""});
  std::vector<std::string> txt = join({block("T1", "R1", "50", kFive), block("T1", "R1", "80", kTwo),
                                       block("T1", "R1", "90", kTwo)});
  txt.resize(txt.size() - 3);  // the file ends before the last block's end line
  ASSERT_EQ(c.convert(txt), -1) << c.t.out();
  EXPECT_TRUE(hasLine(c.t.out(), "ERROR - End of File encountered reading from ISIS file"));
  EXPECT_TRUE(c.t.ctx.tally.errFound);
  EXPECT_EQ(c.t.ctx.store.nxs(), 2);
  for (int i = 0; i < c.t.ctx.units.size(); ++i) EXPECT_FALSE(c.t.ctx.units.slot(i).open) << i;
  EXPECT_EQ(c.t.fs.content("1d_nwk.mid"), lines({nwkRow("R10010", "    30.0", "R1_000050000", "R1_000080000")}));
  EXPECT_EQ(c.t.fs.content("1d_branches.mif"), lines(join({kProjectionHeader, kBranchColumns})));
  EXPECT_EQ(c.t.fs.content("1d_branches.mid"), "");

  // A later file opens both layers afresh, without being asked about them,
  // and reports on itself.
  c.t.console.clearOutput();
  ASSERT_EQ(c.convert(block("T1", "R1", "60", kTwo), "more.txt"), -1) << c.t.out();
  EXPECT_EQ(c.t.out().find("already open"), std::string::npos);
  EXPECT_FALSE(c.t.ctx.tally.errFound);
  EXPECT_EQ(c.t.fs.content("1d_branches.mid").size(), 4u * 102u);
}

TEST(Mike11Sections, BlankLinesAtTheEndAndUnreadableValues) {
  {
    Conversion c;
    ASSERT_EQ(c.convert(join({block("T1", "R1", "50", kTwo), {"", "   ", ""}})), -1) << c.t.out();
    EXPECT_FALSE(c.t.ctx.tally.errFound) << c.t.out();
    EXPECT_EQ(c.t.ctx.store.nxs(), 1);
  }
  {
    Conversion c;
    std::vector<std::string> txt = block("T1", "R1", "50", kTwo);
    txt[2] = "   fifty";
    ASSERT_EQ(c.convert(txt), -1);
    EXPECT_TRUE(c.t.ctx.tally.errFound);
    EXPECT_TRUE(hasLine(c.t.out(), "ERROR - End of File encountered reading from ISIS file"));
    EXPECT_EQ(c.t.ctx.store.nxs(), 0);
  }
  {
    Conversion c;
    std::vector<std::string> txt = block("T1", "R1", "50", kTwo, "0.2");
    txt[10] = "      x";  // the datum value
    ASSERT_EQ(c.convert(txt), -1);
    EXPECT_TRUE(c.t.ctx.tally.errFound);
  }
}

TEST(Mike11Sections, LimitsOfSectionsAndGroupPoints) {
  {
    Conversion c({""});
    c.t.ctx.settings.mxs = 1;
    EXPECT_EQ(c.convert(join({block("T1", "R1", "50", kTwo), block("T1", "R1", "60", kTwo)})), 1);
    EXPECT_TRUE(hasLine(c.t.out(),
                        "ERROR - More than 1 cross-sections: raise the maximum number of cross-sections with -mxs"));
    EXPECT_TRUE(c.t.ctx.tally.errFound);
  }
  {
    Conversion c({""});
    c.t.ctx.settings.mpt = 2;
    // Group L holds 2 (allowed), group C would hold 3.
    const std::vector<Point> pts = {{0, 1, 1, ""}, {1, 1, 1, ""}, {2, 1, 1, "<#1>"}, {3, 1, 1, ""}, {4, 1, 1, ""}};
    EXPECT_EQ(c.convert(block("T1", "R1", "50", pts)), 1);
    EXPECT_TRUE(hasLine(c.t.out(), "ERROR - More than 2 points in one position group of cross-section R1_000050000: "
                                   "raise the maximum number of points with -mpt"))
        << c.t.out();
  }
}

}  // namespace
}  // namespace kestrix
