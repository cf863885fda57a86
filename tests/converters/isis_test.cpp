// Reading ISIS river sections: where sections are taken from, the fixed
// columns of a data line, the bank markers that split the points into the
// three position groups, and the read failures and limits that stop a file.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "converters/isis.h"
#include "driver/modes.h"
#include "support/fakes.h"
#include "support/section_values.h"

namespace kestrix {
namespace {

using testing::endsRun;
using testing::join;
using testing::lines;
using testing::TestRun;
using testing::F;
using testing::offsets;
using testing::P;
using testing::pointsOf;

// One data line in the fixed columns: X, Z, n in 1-30, column 31 blank, an
// unused number in 32-40, the marker in 41-50, easting and northing in 51-70.
std::string point(double x, double z, double n, const std::string& marker = "", double e = 0.0,
                  double north = 0.0) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%10.3f%10.3f%10.3f %9.3f%-10s%10.3f%10.3f", x, z, n, 0.0, marker.c_str(), e,
                north);
  return buf;
}

// A river section unit: keyword, SECTION, label, chainage line, count, data lines.
std::vector<std::string> river(const std::string& label, const std::vector<std::string>& data,
                               const std::string& keyword = "RIVER", const std::string& second = "SECTION") {
  std::vector<std::string> unit = {keyword, second, label, "    10.000              0.0001      1000"};
  char count[16];
  std::snprintf(count, sizeof count, "%10d", static_cast<int>(data.size()));
  unit.push_back(count);
  unit.insert(unit.end(), data.begin(), data.end());
  return unit;
}

const std::vector<std::string> kHead = {"ISIS test model", "#REVISION#1", "         2     0.750     0.900",
                                        "END GENERAL"};
const std::vector<std::string> kTail = {"INITIAL CONDITIONS", "GISINFO", "RIVER", "SECTION"};

// Reads one file of the given lines into a fresh run.
struct Read {
  explicit Read(const std::vector<std::string>& fileLines, const std::string& name = "model.dat") {
    t.fs.add(name, lines(fileLines));
    status = endsRun([&] { isisReadSections(t.ctx, name); });
  }
  TestRun t;
  int status = -1;
  int nxs() const { return t.ctx.store.nxs(); }
  const Section& sec(int s) const { return t.ctx.store[s]; }
};

TEST(IsisRead, SectionsOnlyBetweenEndGeneralAndGisinfo) {
  const auto sec = river("XS1", {point(0, 5, 0.03), point(1, 4, 0.03)});
  Read none(join({{"title"}, sec, sec}));
  EXPECT_EQ(none.nxs(), 0);
  EXPECT_FALSE(none.t.ctx.tally.errFound);

  Read some(join({{"title"}, river("BEFORE", {point(0, 1, 0.03)}), {"end general"},
                  river("INSIDE", {point(0, 1, 0.03, "", 5.0, 6.0)}), {"GISINFO"}, river("AFTER", {point(0, 1, 0.03)})}));
  ASSERT_EQ(some.nxs(), 1);
  EXPECT_EQ(some.sec(1).id, "INSIDE");
  EXPECT_EQ(some.t.out(),
            "\nReading Cross-Section Data from model.dat...\n\nTrying to open file model.dat...OK.\n"
            "Opened File Unit:1001\n...Closed File Unit:1001\n");
}

TEST(IsisRead, KeywordMustStartColumnOneAndBeFollowedBySection) {
  const std::vector<std::string> pts = {point(0, 1, 0.03)};
  Read r(join({kHead,
               river("LOWER", pts, "river"),
               river("BLANKED", pts, " RIVER"),
               river("CES", pts, "RIVER #revision#1", "CES SECTION"),
               river("MUSK", pts, "RIVER", "MUSKINGUM"),
               {"COMMENT", "         2", "River flows under building at scrap yard", "more text"},
               // a RIVER line without SECTION after it: the next line is examined as usual
               {"RIVER"},
               river("TEXT", pts, "RIVER (Culvert Exit) CH:7932", "SECTION   Open Channel - Looking Downstream"),
               kTail}));
  ASSERT_EQ(r.nxs(), 2);
  EXPECT_FALSE(r.t.ctx.tally.errFound);
  EXPECT_EQ(r.sec(1).id, "LOWER");
  EXPECT_EQ(r.sec(1).source[1], "river");
  EXPECT_EQ(r.sec(2).id, "TEXT");
  EXPECT_EQ(r.sec(2).source[0], "model");
  EXPECT_EQ(r.sec(2).source[1], "RIVER (Culvert Exit) CH:7932");
  EXPECT_EQ(r.sec(2).source[2], "SECTION   Open Channel - Looking Downstream");
}

TEST(IsisRead, FixedColumnsAndShortLines) {
  Read r(join({kHead,
               river("PACKED   ", {"     7.600    12.920     0.028*    0.000          385063.200242674.700          0",
                                   "    -5.000     2.700     0.030     1.0000         -35833.0166697730.04",
                                   "     9.000    12.820     0.028     0.000",
                                   "        12         3",
                                   "1.5e1     1.2E+00        .035"}),
               kTail}));
  ASSERT_EQ(r.nxs(), 1);
  const Section& s = r.sec(1);
  EXPECT_EQ(s.id, "PACKED");
  EXPECT_EQ(s.ptCount(Group::kLeft), 0);
  EXPECT_EQ(s.ptCount(Group::kRight), 0);
  EXPECT_EQ(pointsOf(s, Group::kCentre), (std::vector<P>{
                                             {7.6f, 12.92f, 0.028f, 385063.2, 242674.7},
                                             // The number in 32-41 runs into the marker field: the marker reads "0".
                                             {-5.0f, 2.7f, 0.03f, -35833.016, 6697730.04},
                                             // A line that stops before column 51 has no plan position.
                                             {9.0f, 12.82f, 0.028f},
                                             // Whole numbers without a point, and a line of two fields.
                                             {12.0f, 3.0f, 0.0f},
                                             // Numbers anywhere in their columns, with exponents.
                                             {15.0f, 1.2f, 0.035f},
                                         }));
}

TEST(IsisRead, BankMarkersSplitTheGroups) {
  // LEFT on the first line, RIGHT on the last: L empty, R holds one point.
  Read edge(join({kHead,
                  river("EDGE", {point(0, 9, 0.03, "LEFT", 100, 200), point(1, 8, 0.03), point(2, 7, 0.03),
                                 point(3, 9, 0.04, "RIGHT", 103, 203)}),
                  kTail}));
  ASSERT_EQ(edge.nxs(), 1);
  const Section& e = edge.sec(1);
  EXPECT_EQ(e.ptCount(Group::kLeft), 0);
  EXPECT_EQ(pointsOf(e, Group::kCentre), (std::vector<P>{{0, 9, 0.03f, 100, 200}, {1, 8, 0.03f}, {2, 7, 0.03f}}));
  EXPECT_EQ(pointsOf(e, Group::kRight), (std::vector<P>{{3, 9, 0.04f, 103, 203}}));

  // Lower-case and joined words count; a field with both words counts as LEFT only.
  Read inner(join({kHead,
                   river("INNER", {point(0, 9, 0.03), point(1, 8, 0.03, "leftbank"), point(2, 7, 0.03),
                                   point(3, 8, 0.03, "LEFT RIGHT"), point(4, 6, 0.03),
                                   point(5, 8, 0.03, " Right Bnk"), point(6, 9, 0.03)}),
                   kTail}));
  const Section& i = inner.sec(1);
  // The second LEFT closes group L again with the points since the first marker.
  EXPECT_EQ(offsets(i, Group::kLeft), (F{1, 2}));
  EXPECT_EQ(offsets(i, Group::kCentre), (F{3, 4}));
  EXPECT_EQ(offsets(i, Group::kRight), (F{5, 6}));

  // BED and other words are not markers; a marker outside columns 41-50 does not count.
  Read plain(join({kHead,
                   river("PLAIN", {point(0, 9, 0.03, "BED"), point(1, 8, 0.03) + "LEFT", point(2, 7, 0.03)}),
                   kTail}));
  EXPECT_EQ(plain.sec(1).ptCount(Group::kLeft), 0);
  EXPECT_EQ(plain.sec(1).ptCount(Group::kCentre), 3);
  EXPECT_EQ(plain.sec(1).ptCount(Group::kRight), 0);
}

TEST(IsisRead, SameLabelTwiceGivesTwoSections) {
  Read r(join({kHead, river("DUP", {point(0, 1, 0.03)}), river("DUP", {point(0, 2, 0.03), point(1, 3, 0.03)}),
               kTail}));
  ASSERT_EQ(r.nxs(), 2);
  EXPECT_EQ(r.sec(1).id, "DUP");
  EXPECT_EQ(r.sec(2).id, "DUP");
  EXPECT_EQ(r.sec(1).ptCount(Group::kCentre), 1);
  EXPECT_EQ(r.sec(2).ptCount(Group::kCentre), 2);
}

TEST(IsisRead, ReadFailuresStopTheFileButNotTheRun) {
  const char* kError = "ERROR - End of File encountered reading from ISIS file\n...Closed File Unit:1001\n";
  auto good = join({kHead, river("GOOD", {point(0, 1, 0.03)}), kTail});

  auto badCount = join({kHead, river("FIRST", {point(0, 1, 0.03)}),
                        {"RIVER", "SECTION", "BROKEN", "    10.000", "  many", point(0, 1, 0.03)},
                        river("LATER", {point(0, 1, 0.03)}), kTail});
  auto endsInside = join({kHead, {"RIVER", "SECTION", "CUT", "    10.000", "         3", point(0, 1, 0.03)}});
  auto badField = join({kHead, river("FIELD", {point(0, 1, 0.03), "     1.0x0     2.000     0.030"}), kTail});

  for (const auto& bad : {badCount, endsInside, badField}) {
    TestRun t;
    t.fs.add("a.dat", lines(bad));
    t.fs.add("b.dat", lines(good));
    EXPECT_EQ(endsRun([&] { isisReadSections(t.ctx, "a.dat"); }), -1);
    EXPECT_TRUE(t.ctx.tally.errFound);
    EXPECT_NE(t.out().find(kError), std::string::npos) << t.out();
    const int before = t.ctx.store.nxs();
    // The file was closed: the next file opens on the same unit and is read.
    EXPECT_EQ(endsRun([&] { isisReadSections(t.ctx, "b.dat"); }), -1);
    ASSERT_EQ(t.ctx.store.nxs(), before + 1);
    EXPECT_EQ(t.ctx.store[before + 1].id, "GOOD");
    EXPECT_TRUE(t.ctx.tally.errFound);
    EXPECT_NE(t.out().find("Trying to open file b.dat...OK.\nOpened File Unit:1001\n"), std::string::npos);
  }
}

TEST(IsisRead, LimitsEndTheRunNamingTheirOption) {
  {
    Read ok(join({kHead, river("A", {point(0, 1, 0.03)}), kTail}));
    EXPECT_EQ(ok.status, -1);
  }
  {
    TestRun t;
    t.ctx.settings.mxs = 1;
    t.fs.add("m.dat", lines(join({kHead, river("A", {point(0, 1, 0.03)}), river("B", {point(0, 1, 0.03)})})));
    EXPECT_EQ(endsRun([&] { isisReadSections(t.ctx, "m.dat"); }), 1);
    EXPECT_TRUE(t.ctx.tally.errFound);
    EXPECT_EQ(t.ctx.store.nxs(), 1);
    EXPECT_NE(t.out().find("\nERROR - More than 1 cross-sections: raise the maximum number of cross-sections with -mxs\n"),
              std::string::npos)
        << t.out();
  }
  // Two points per group: a LEFT on the third line still fits group L, three C points do not.
  {
    TestRun t;
    t.ctx.settings.mpt = 2;
    t.fs.add("fits.dat", lines(join({kHead,
                                     river("FITS", {point(0, 1, 0.03), point(1, 1, 0.03), point(2, 1, 0.03, "LEFT"),
                                                    point(3, 1, 0.03, "RIGHT"), point(4, 1, 0.03)}),
                                     kTail})));
    EXPECT_EQ(endsRun([&] { isisReadSections(t.ctx, "fits.dat"); }), -1);
    EXPECT_EQ(t.ctx.store[1].ptCount(Group::kLeft), 2);
    EXPECT_EQ(t.ctx.store[1].ptCount(Group::kCentre), 1);
    EXPECT_EQ(t.ctx.store[1].ptCount(Group::kRight), 2);
  }
  for (const std::vector<std::string>& data :
       {std::vector<std::string>{point(0, 1, 0.03), point(1, 1, 0.03), point(2, 1, 0.03)},
        std::vector<std::string>{point(0, 1, 0.03), point(1, 1, 0.03), point(2, 1, 0.03), point(3, 1, 0.03),
                                 point(4, 1, 0.03, "LEFT")}}) {
    TestRun t;
    t.ctx.settings.mpt = 2;
    t.fs.add("p.dat", lines(join({kHead, river("BIG", data), kTail})));
    EXPECT_EQ(endsRun([&] { isisReadSections(t.ctx, "p.dat"); }), 1);
    EXPECT_TRUE(t.ctx.tally.errFound);
    EXPECT_NE(t.out().find("\nERROR - More than 2 points in one position group of cross-section BIG: raise the "
                           "maximum number of points with -mpt\n"),
              std::string::npos)
        << t.out();
  }
}

// A file system whose directory search fails in a given way.
class FailingSearch : public testing::MemoryFileSystem {
 public:
  explicit FailingSearch(SearchStatus status) : status_(status) {}
  SearchStatus search(const std::string&, std::vector<std::string>& matches) override {
    matches.clear();
    return status_;
  }

 private:
  SearchStatus status_;
};

TEST(IsisRun, PatternsInArgumentOrderMatchesInNameOrderWithTheirFolder) {
  TestRun t;
  const auto one = join({kHead, river("S", {point(0, 1, 0.03)}), kTail});
  t.fs.add("data/b.dat", lines(one));
  t.fs.add("data/A.DAT", lines(one));
  t.fs.add("data/c.txt", lines(one));
  t.fs.add("other.dat", lines(join({kHead, {"RIVER", "SECTION", "CUT"}})));
  Settings& set = t.ctx.settings;
  set.mode = RunMode::Isis;
  set.inFiles = {"proj.mif", "data/*.dat", "missing*.dat", "nofolder/*.dat", "other.dat"};
  EXPECT_EQ(endsRun([&] { converterRun(t.ctx); }), 1);
  const std::string& out = t.out();
  const auto a = out.find("Reading Cross-Section Data from data/A.DAT...");
  const auto b = out.find("Reading Cross-Section Data from data/b.dat...");
  const auto o = out.find("Reading Cross-Section Data from other.dat...");
  ASSERT_NE(a, std::string::npos) << out;
  ASSERT_NE(b, std::string::npos);
  ASSERT_NE(o, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_LT(b, o);
  EXPECT_EQ(out.find("c.txt"), std::string::npos);
  // Patterns that match nothing are named once, before any file is read.
  const auto missing = out.find("\nWARNING - No file matches \"missing*.dat\"\n");
  const auto nofolder = out.find("\nWARNING - No file matches \"nofolder/*.dat\"\n");
  ASSERT_NE(missing, std::string::npos);
  ASSERT_NE(nofolder, std::string::npos);
  EXPECT_LT(nofolder, a);
  EXPECT_EQ(t.ctx.store.nxs(), 3);
  EXPECT_EQ(set.outFolder, "data/");
  // The broken last file stops the run before anything is written.
  EXPECT_NE(out.find("ERROR - End of File encountered reading from ISIS file\n...Closed File Unit:1001\n"
                     "\nERRORS were found - see above [3]\n"),
            std::string::npos);
}

TEST(IsisRun, Mike11WinsOverIsisAndOutFolderComesFromAnyFirstMatch) {
  TestRun t;
  t.fs.add("sub/a.dat", lines(join({kHead, river("S", {point(0, 1, 0.03)}), kTail})));
  Settings& set = t.ctx.settings;
  set.mode = RunMode::Mike11;  // -isis -m11
  t.ctx.tally.errFound = true;  // stops the run at the last checkpoint, before the writer
  set.outFolder = "unchanged/";
  set.inFiles = {"proj.mif", "nothing*.x"};
  EXPECT_EQ(endsRun([&] { converterRun(t.ctx); }), 1);
  EXPECT_EQ(set.outFolder, "unchanged/");

  set.inFiles = {"proj.mif", "sub/*.dat"};
  t.console.clearOutput();
  EXPECT_EQ(endsRun([&] { converterRun(t.ctx); }), 1);
  EXPECT_EQ(t.ctx.store.nxs(), 0);
  EXPECT_EQ(set.outFolder, "sub/");
  // Without a network and parameter file nothing can be converted: said before pass 2.
  EXPECT_EQ(t.out(), "\nERROR - No MIKE 11 network file (.nwk11) was read - name one on the command line\n"
                     "ERROR - No MIKE 11 hydrodynamic parameter file (.hd11) was read - name one on the command "
                     "line\n\nPress Enter to Close\n");
}

TEST(IsisRun, ANamedModelFileThatIsNotThereEndsTheRunBeforeAnyConversion) {
  TestRun t;
  t.fs.add("a.dat", lines(join({kHead, river("S", {point(0, 1, 0.03)}), kTail})));
  Settings& set = t.ctx.settings;
  set.mode = RunMode::Isis;
  set.inFiles = {"proj.mif", "a.dat", "Modle.dat", "gone.dat"};
  EXPECT_EQ(endsRun([&] { converterRun(t.ctx); }), 1);
  EXPECT_EQ(t.out(), "\nERROR - Model file \"Modle.dat\" cannot be found (or is not a file)\n"
                     "ERROR - Model file \"gone.dat\" cannot be found (or is not a file)\n\nPress Enter to Close\n");
  EXPECT_EQ(t.ctx.store.nxs(), 0);
}

TEST(IsisRun, Mike11PassTwoReportsEachFileButKeepsAnEarlierError) {
  TestRun t;
  t.fs.add("proj.mif", lines({"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"", "Columns 1",
                              "  ID Integer", "Data", ""}));
  t.fs.add("proj.mid", "");
  t.fs.add("a.txt", lines({"TOPO-92"}));  // a block cut short: a read failure
  t.fs.add("b.txt", "");                  // nothing to convert, no error
  t.fs.add("m.nwk11", lines({"[POINTS]", "   point = 1, 1000, 2000, 1, 0, 0", "   point = 2, 1100, 2000, 1, 100, 0",
                             "EndSect  // POINTS", "[BRANCHES]", "   [branch]",
                             "      definitions = 'R1', 'T1', 0, 100, 0, 10000, 0",
                             "      connections = '', -1e-155, '', -1e-155", "      points = 1, 2",
                             "   EndSect  // branch", "EndSect  // BRANCHES"}));
  t.fs.add("m.hd11", lines({"[Global_Values]", "   G_resistance = 0.035", "EndSect  // Global_Values"}));
  Settings& set = t.ctx.settings;
  set.mode = RunMode::Mike11;
  set.inFiles = {"proj.mif", "*.txt", "m.nwk11", "m.hd11"};
  EXPECT_EQ(endsRun([&] { converterRun(t.ctx); }), 1);
  const std::string& out = t.out();
  const std::string pad(250, ' ');
  const auto first = out.find("Errors were \"T\"\nFilename is \"a.txt" + pad + "\"\n");
  const auto second = out.find("Errors were \"F\"\nFilename is \"b.txt" + pad + "\"\n");
  ASSERT_NE(first, std::string::npos) << out;
  ASSERT_NE(second, std::string::npos) << out;
  EXPECT_LT(first, second);
  EXPECT_EQ(out.find(" Made it here\n"), out.find(" Made it here\n\nReading Cross-Section Data from a.txt..."));
  // The good second file does not hide the failure of the first.
  EXPECT_NE(out.find("\nERRORS were found - see above [3]\n", second), std::string::npos);
  EXPECT_TRUE(t.ctx.tally.errFound);
}

TEST(IsisRun, SearchFailuresEndTheRun) {
  for (auto [status, message] : {std::pair{SearchStatus::OutOfMemory, " ERROR - Out of memory.  Contact " +
                                                                          std::string(kSupportEmail) + "\n"},
                                 std::pair{SearchStatus::OtherError,
                                           std::string(" ERROR - Invalid file or pathname specified\n")}}) {
    testing::ScriptedConsole console;
    FailingSearch fs(status);
    RunContext ctx(console, fs);
    ctx.units.INITUNITS(1000);
    ctx.settings.mode = RunMode::Isis;
    ctx.settings.inFiles = {"proj.mif", "*.dat"};
    EXPECT_EQ(endsRun([&] { converterRun(ctx); }), 1);
    EXPECT_EQ(console.output(), message + "\nPress Enter to Close\n");
  }
}

}  // namespace
}  // namespace kestrix
