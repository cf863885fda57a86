// The converter run of ISIS and MIKE 11 models: which files the patterns of
// the command line find, in which order, and the failures that end the run.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "driver/modes.h"
#include "support/driver_run.h"
#include "support/isis_text.h"

namespace kestrix {
namespace {

using testing::endsRun;
using testing::join;
using testing::kHead;
using testing::kTail;
using testing::lines;
using testing::point;
using testing::river;
using testing::TestRun;

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
