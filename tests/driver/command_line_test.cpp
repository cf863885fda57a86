// The command line: option rules, dimension values, file names and the usage
// text.

#include <gtest/gtest.h>

#include <algorithm>

#include "driver/command_line.h"
#include "driver/run_end_report.h"
#include "support/driver_run.h"

namespace kestrix {
namespace {

using testing::endsRun;
using testing::TestRun;

Settings parse(TestRun& t, std::vector<std::string> args, int* status = nullptr) {
  args.insert(args.begin(), "kestrix");
  int s = endsRun([&] { readCommandLine(t.ctx, args); });
  if (status) *status = s;
  return t.ctx.settings;
}

TEST(CommandLine, OnlyTheLetterOptionsChooseTheResistanceType) {
  TestRun a;
  Settings s = parse(a, {"-N", "-mxs20000", "-MPT50", "-mlp9", "x.mif"});
  EXPECT_EQ(s.mxs, 20000);
  EXPECT_EQ(s.mpt, 50);
  EXPECT_EQ(s.mnrType, ResistanceType::Manning);  // a dimension is no letter
  TestRun b;
  s = parse(b, {"-N", "-m11", "x.mif"});
  EXPECT_EQ(s.mnrType, ResistanceType::Manning);
  EXPECT_EQ(s.mode, RunMode::Mike11);
  TestRun c;
  s = parse(c, {"-m11", "-N", "x.mif"});
  EXPECT_EQ(s.mnrType, ResistanceType::Manning);
  TestRun d;
  s = parse(d, {"-N2M", "-R", "x.mif"});
  EXPECT_EQ(s.mnrType, ResistanceType::Relative);
  EXPECT_TRUE(s.optN2M);  // a later letter leaves the conversion flag set
  TestRun e;
  s = parse(e, {"-Nfoo", "/ISISplus", "-trimmed", "-PPOL", "-x", "-bedm", "x.mif"});
  EXPECT_EQ(s.mnrType, ResistanceType::Manning);
  EXPECT_EQ(s.mode, RunMode::Isis);
  EXPECT_TRUE(s.optTrim);
  EXPECT_TRUE(s.optPpol);
  EXPECT_TRUE(s.optBedM);
  EXPECT_FALSE(s.optN2M);
  // Only the word that matches nothing is named.
  EXPECT_EQ(e.out().find("WARNING"), e.out().rfind("WARNING"));
  EXPECT_NE(e.out().find("\nWARNING - Unknown option \"-x\" was ignored: kestrix --help lists the options\n"),
            std::string::npos);
  TestRun g;
  s = parse(g, {"-M", "-mxs20", "x.mif"});
  EXPECT_EQ(s.mnrType, ResistanceType::Material);
  EXPECT_EQ(g.out().find("WARNING"), std::string::npos);
  TestRun f;
  s = parse(f, {"-N2Mx", "x.mif"});
  EXPECT_EQ(s.mnrType, ResistanceType::Material);
  EXPECT_TRUE(s.optN2M);
  EXPECT_EQ(s.mode, RunMode::Gis);
}

TEST(CommandLine, Mike11WinsOverIsisInEitherOrder) {
  TestRun a;
  EXPECT_EQ(parse(a, {"-ISIS", "-M11", "x.mif"}).mode, RunMode::Mike11);
  TestRun b;
  EXPECT_EQ(parse(b, {"-M11", "-ISIS", "x.mif"}).mode, RunMode::Mike11);
}

TEST(CommandLine, DimensionsAreReadFromTheSameArgument) {
  TestRun a;
  Settings s = parse(a, {"-mxs12,5", "-mpt7", "-mpt9", "-mlp 3", "x.mif"});
  EXPECT_EQ(s.mxs, 12);
  EXPECT_EQ(s.mpt, 9);
  EXPECT_EQ(s.mlp, 3);
  const std::string& out = a.out();
  std::size_t first = out.find("\nOverwriting mpt dimension.\n");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(out.find("\nOverwriting mpt dimension.\n", first + 1), std::string::npos);

  for (const char* bad : {"-mxs", "-mxs1.5", "-mxsabc", "-mpt0", "-mlp-3"}) {
    TestRun t;
    int status = 0;
    parse(t, {bad, "20000", "x.mif"}, &status);
    EXPECT_EQ(status, kExitFailure) << bad;
    EXPECT_NE(t.out().find("\n\nERROR reading data\n\n"), std::string::npos) << bad;
  }
}

TEST(CommandLine, FileNamesAndIntroducers) {
  TestRun t;
  t.fs.add("/data/a.mif", "");
  t.fs.add("/b.mif", "");
  Settings s = parse(t, {"\x96N", "\xE2\x80\x93R", "one.mif", "/data/a.mif", "/b.mif", "/N2M", "two"});
  EXPECT_EQ(s.mnrType, ResistanceType::Material);
  EXPECT_TRUE(s.optN2M);
  ASSERT_EQ(s.inFiles.size(), 4u);
  EXPECT_EQ(s.inFiles[0], "one.mif");
#ifndef _WIN32
  EXPECT_EQ(s.inFiles[1], "/data/a.mif");
  EXPECT_EQ(s.inFiles[2], "/b.mif");
#endif
  EXPECT_EQ(s.inFiles[3], "two");
  EXPECT_NE(t.out().find("\nExecutable: kestrix\n"), std::string::npos);
}

TEST(CommandLine, UsageTextWithoutArgumentsOrWithoutFiles) {
  TestRun t;
  EXPECT_EQ(endsRun([&] { readCommandLine(t.ctx, {"kestrix"}); }), kExitSuccess);
  const std::string& out = t.out();
  EXPECT_EQ(out.rfind("\nKestrix.exe\nGenerates .csv VORLAN cross-section files, and 1d_xs and other layers.\n", 0), 0u);
  EXPECT_NE(out.find("\n   LCR must be one of \"L\", \"C\" or \"R\" indicating whether the point \n"), std::string::npos);
  EXPECT_NE(out.find("\n   Example: Kestrix -M -m11 Projection.mif xs.txt my_model.nwk11 my_model.hd11\n\n"
                     "More options (-batch, -quiet, -out:, -html, -gpkg and others): kestrix --help\n\n\n"
                     "Press Enter to Close\n"),
            std::string::npos);
  EXPECT_EQ(out.find("Executable"), std::string::npos);

  TestRun o;
  int status = 0;
  parse(o, {"-N", "-ppol"}, &status);
  EXPECT_EQ(status, kExitFailure);
  EXPECT_NE(o.out().find("Kestrix.exe"), std::string::npos);
}

TEST(CommandLine, AddedOptionsMatchLikeTheOthersAndLeaveTheLetterAlone) {
  TestRun a;
  Settings s = parse(a, {"-N", "/BATCHmode", "\xE2\x80\x93Quiet", "-SaveDate:Warning", "-out:res/run", "x.mif"});
  EXPECT_TRUE(s.optBatch);
  EXPECT_TRUE(s.optQuiet);
  EXPECT_EQ(s.saveDate, SaveDateCheck::Warning);
  EXPECT_EQ(s.outOption, "res/run");
  EXPECT_EQ(s.mnrType, ResistanceType::Manning);  // none of them is a resistance letter
  EXPECT_FALSE(s.optN2M);
  ASSERT_EQ(s.inFiles.size(), 1u);

  TestRun b;
  s = parse(b, {"-savedate:off", "-savedate:error", "x.mif", "-out:C:\\Model Runs\\"});
  EXPECT_EQ(s.saveDate, SaveDateCheck::Error);  // the last one wins
  EXPECT_EQ(s.outOption, "C:\\Model Runs\\");
  EXPECT_FALSE(s.optBatch);
  EXPECT_FALSE(s.optQuiet);
  EXPECT_EQ(s.mnrType, ResistanceType::Material);

  // Without its value the option stops the run; -batch, wherever it stands, keeps it from waiting.
  for (const char* bad : {"-savedate", "-savedate:", "-savedate:sometimes", "-out", "-out:  "}) {
    TestRun t;
    int status = 0;
    parse(t, {bad, "x.mif", "-batch"}, &status);
    EXPECT_EQ(status, kExitFailure) << bad;
    EXPECT_NE(t.out().find("\nERROR - "), std::string::npos) << bad;
    EXPECT_EQ(t.console.reads(), 0) << bad;
  }
}

TEST(CommandLine, CheckOptionsAreToldApartByTheirWholeWords) {
  TestRun a;
  Settings s = parse(a, {"-checkbed:3.5", "x.mif"});
  EXPECT_FALSE(s.checks.on);  // a threshold alone does not check
  EXPECT_DOUBLE_EQ(s.checks.bedJump, 3.5);
  EXPECT_FALSE(s.checks.strict);
  TestRun b;
  s = parse(b, {"/CHECK", "-Strict", "x.mif"});
  EXPECT_TRUE(s.checks.on);
  EXPECT_TRUE(s.checks.strict);
  EXPECT_DOUBLE_EQ(s.checks.bedJump, 2.0);
  for (const char* bad : {"-checkbed", "-checkbed:", "-checkbed:-1", "-checkbed:two"}) {
    TestRun t;
    int status = 0;
    parse(t, {bad, "x.mif", "-batch"}, &status);
    EXPECT_EQ(status, kExitFailure) << bad;
    EXPECT_NE(t.out().find("\nERROR - Cannot read \"" + std::string(bad) + "\""), std::string::npos) << t.out();
  }
  // A longer word is none of them: it is named in a WARNING and ignored.
  TestRun c;
  s = parse(c, {"-checks", "-strictly", "x.mif", "-batch"});
  EXPECT_FALSE(s.checks.on);
  EXPECT_FALSE(s.checks.strict);
}

TEST(CommandLine, OutFolderGetsTheSeparatorItsNameUses) {
  Settings s;
  EXPECT_EQ(outOptionFolder(s), "");
  // Written with "/"; every separator becomes this system's, whatever was typed.
  const std::pair<const char*, const char*> cases[] = {
      {"results", "results/"}, {"a/b", "a/b/"}, {"a\\b/c", "a/b/c/"}, {"C:\\runs\\", "C:/runs/"}, {"/tmp/x/", "/tmp/x/"},
      // Doubled separators are dropped, except the pair that begins a network name.
      {"a//b", "a/b/"}, {"a\\\\b\\", "a/b/"}, {"\\\\server\\runs", "//server/runs/"}};
  for (const auto& [typed, folder] : cases) {
    s.outOption = typed;
    std::string native = folder;
    std::replace(native.begin(), native.end(), '/', nativeSeparator());
    EXPECT_EQ(outOptionFolder(s), native) << typed;
  }

  TestRun t;
  t.ctx.settings.outOption = "made/here";
  readyOutFolder(t.ctx);
  EXPECT_TRUE(t.fs.isFolder("made/here/"));
  EXPECT_EQ(t.out(), "\nCreated the output folder \"made/here\"\n");
  readyOutFolder(t.ctx);  // there now: nothing more is said
  EXPECT_EQ(t.out(), "\nCreated the output folder \"made/here\"\n");
}

TEST(CommandLine, SizingBlock) {
  TestRun t;
  parse(t, {"-mlp5", "x.mif"});
  t.console.clearOutput();
  allocateStore(t.ctx);
  EXPECT_EQ(t.out(), "\nAllocating Memory Based on the following array sizes:\n"
                     "   Maximum number of cross-sections (mxs): 10000\n"
                     "   Maximum number of point per cross-section (mpt): 1000\n"
                     "   Maximum number of vertices on -ppol line (mlp: 5\n");
}

}  // namespace
}  // namespace kestrix
