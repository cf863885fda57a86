#include <functional>

#include <gtest/gtest.h>

#include "mif/mif.h"
#include "mif_test_util.h"

namespace kestrix::testing {
namespace {

std::string opened(const std::string& name, int unit) {
  return "\nTrying to open file " + name + "...OK.\nOpened File Unit:" + std::to_string(unit) + "\n";
}

void addLayer(MemoryFileSystem& fs, const std::string& base, std::int64_t midTime, std::int64_t tabTime) {
  fs.add(base + ".mif", lines({"Version 300", "Columns 1", "  XS_ID Char(10)", "Data", "Point 1 2"}), midTime);
  fs.add(base + ".mid", lines({"\"XS1\""}), midTime);
  fs.add(base + ".tab", "!table", tabTime);
}

TEST(MifOpenLayer, EveryNamingOfTheLayerOpensThePair) {
  for (const char* name : {"River.mif", "River.MID", "River", "  River  "}) {
    TestLayers t;
    addLayer(t.fs, "River", 100, 100);
    int geom = 0, attr = 0;
    miOpenLayer(t.ctx, name, geom, attr, FileMode::Input);
    EXPECT_EQ(geom, 1001) << name;
    EXPECT_EQ(attr, 1002) << name;
    EXPECT_EQ(t.out(), opened("River.mif", 1001) + opened("River.mid", 1002) +
                           "Checking save date is later than that of River.tab...OK\n\n")
        << name;
  }
}

TEST(MifOpenLayer, OtherExtensionsStayPartOfTheBaseName) {
  TestLayers t;
  addLayer(t.fs, "River.txt", 5, 4);
  int geom = 0, attr = 0;
  miOpenLayer(t.ctx, "River.txt", geom, attr, FileMode::Input);
  EXPECT_NE(t.out().find("Trying to open file River.txt.mif...OK."), std::string::npos);
  EXPECT_NE(t.out().find("Trying to open file River.txt.mid...OK."), std::string::npos);
  EXPECT_NE(t.out().find("than that of River.txt.tab...OK\n"), std::string::npos);
}

TEST(MifOpenLayer, OutputLayerIsNeverComparedWithATable) {
  TestLayers t;
  int geom = 0, attr = 0;
  miOpenLayer(t.ctx, "out\\1d_xs.mif", geom, attr, FileMode::Output);
  EXPECT_EQ(t.out(), "\nTrying to open file out\\1d_xs.mif...OK.  File Unit:1001\n"
                     "\nTrying to open file out\\1d_xs.mid...OK.  File Unit:1002\n");
  EXPECT_TRUE(t.fs.has("out\\1d_xs.mif"));
  EXPECT_TRUE(t.fs.has("out\\1d_xs.mid"));
}

// A console whose every read first runs an action: the user re-exporting the
// layer while the run waits at the prompt.
class ExportingConsole : public ScriptedConsole {
 public:
  using ScriptedConsole::ScriptedConsole;
  std::function<void()> onRead;
  bool readLine(std::string& line) override {
    if (onRead) onRead();
    return ScriptedConsole::readLine(line);
  }
};

const std::string kExportNote =
    "NOTE - Layers exported by QGIS or GDAL have no MapInfo table: run with -savedate:off or -savedate:warning\n";

TEST(MifSaveDate, NewerTableAsksForReExportThenOpensAfresh) {
  MemoryFileSystem fs;
  ExportingConsole console({""});
  LayerRun ctx(console, fs);
  ctx.units.INITUNITS(1000);
  addLayer(fs, "River", 100, 101);
  console.onRead = [&] { fs.touch("River.mid", 101); };

  int geom = 0, attr = 0;
  miOpenLayer(ctx, "River", geom, attr, FileMode::Input);
  EXPECT_EQ(geom, 1001);
  EXPECT_EQ(attr, 1002);
  EXPECT_EQ(console.output(),
            opened("River.mif", 1001) + opened("River.mid", 1002) +
                "Checking save date is later than that of River.tab...NOT OK\n\n"
                "...Closed File Unit:1001\n...Closed File Unit:1002\n"
                "ERROR 0004 - Save date of \"River.tab\" file is later than that of \"River.mid\"\n" +
                kExportNote + "Re-export mif file and press Enter, or close window.\n" +
                opened("River.mif", 1001) + opened("River.mid", 1002) +
                "Checking save date is later than that of River.tab...OK\n\n");
  EXPECT_EQ(console.reads(), 1);
}

TEST(MifSaveDate, PromptAtEndOfInputEndsTheRun) {
  TestLayers t;
  addLayer(t.fs, "River", 100, 101);
  int geom = 0, attr = 0;
  EXPECT_EQ(endsRun([&] { miOpenLayer(t.ctx, "River", geom, attr, FileMode::Input); }), kExitFailure);
  const std::string& out = t.out();
  const std::size_t prompt = out.find("Re-export mif file and press Enter, or close window.\n");
  ASSERT_NE(prompt, std::string::npos);
  EXPECT_NE(out.find("\nERROR - ", prompt), std::string::npos);
  // Only one round: the run did not loop.
  EXPECT_EQ(out.find("Re-export", prompt + 1), std::string::npos);
  EXPECT_EQ(geom, 0);
  EXPECT_EQ(attr, 0);
}

TEST(MifSaveDate, CheckItselfComparesWholeSeconds) {
  TestLayers t({"", ""});
  t.fs.add("a.mid", "", 50);
  t.fs.add("a.tab", "", 50);
  int geom = 0, attr = 0;
  EXPECT_TRUE(miCheckSaveDate(t.ctx, "a.mid", "a.tab", geom, attr));
  EXPECT_EQ(t.out(), "Checking save date is later than that of a.tab...OK\n\n");

  t.fs.touch("a.tab", 49);
  EXPECT_TRUE(miCheckSaveDate(t.ctx, "a.mid", "a.tab", geom, attr));

  // Not-open units (0) are left alone and print nothing.
  t.console.clearOutput();
  t.fs.touch("a.tab", 51);
  EXPECT_FALSE(miCheckSaveDate(t.ctx, "a.mid", "a.tab", geom, attr));
  const std::string failed = "Checking save date is later than that of a.tab...NOT OK\n\n"
                             "ERROR 0004 - Save date of \"a.tab\" file is later than that of \"a.mid\"\n";
  EXPECT_EQ(t.out(), failed + kExportNote + "Re-export mif file and press Enter, or close window.\n");
  // The note is given once per run.
  t.console.clearOutput();
  EXPECT_FALSE(miCheckSaveDate(t.ctx, "a.mid", "a.tab", geom, attr));
  EXPECT_EQ(t.out(), failed + "Re-export mif file and press Enter, or close window.\n");
}

TEST(MifSaveDate, MissingTableEndsTheRun) {
  TestLayers t;
  t.fs.add("River.mif", "Data\r\n", 1);
  t.fs.add("River.mid", "", 1);
  int geom = 0, attr = 0;
  EXPECT_EQ(endsRun([&] { miOpenLayer(t.ctx, "River.mif", geom, attr, FileMode::Input); }), kExitFailure);
  EXPECT_EQ(t.out(), opened("River.mif", 1001) + opened("River.mid", 1002) +
                         "Checking save date is later than that of River.tab...NOT OK\n\n"
                         "ERROR 0004 - Could not access save date of \"River.mid\" to check with \"River.tab\"\n\n"
                         "NOTE - If using VORLAN.exe, use CHECK MI SAVE DATE == WARNING or OFF to suppress check\n" +
                         kExportNote + "\n"
                         "\nPress Enter to Close\n");
  EXPECT_FALSE(t.ctx.units.slotOf(1001)->open);
}

TEST(MifSaveDate, WarningSettingReportsOnceAndReadsTheLayer) {
  TestLayers t;
  t.ctx.settings.saveDate = SaveDateCheck::Warning;
  addLayer(t.fs, "Stale", 100, 101);
  int geom = 0, attr = 0;
  miOpenLayer(t.ctx, "Stale.mif", geom, attr, FileMode::Input);
  EXPECT_EQ(geom, 1001);
  EXPECT_EQ(attr, 1002);
  EXPECT_EQ(t.out(), opened("Stale.mif", 1001) + opened("Stale.mid", 1002) +
                         "Checking save date is later than that of Stale.tab...NOT OK\n\n"
                         "WARNING 0004 - Save date of \"Stale.tab\" file is later than that of \"Stale.mid\"\n\n");
  EXPECT_EQ(t.ctx.tally.warnings, 1);
  // Opened again in the same run, the layer is not reported again.
  t.console.clearOutput();
  int g2 = 0, a2 = 0;
  miOpenLayer(t.ctx, "Stale", g2, a2, FileMode::Input);
  EXPECT_EQ(t.out(), opened("Stale.mif", 1003) + opened("Stale.mid", 1004));
  EXPECT_EQ(t.console.reads(), 0);
}

TEST(MifSaveDate, OffSettingAndQuietRunsPrintNothingForAGoodLayer) {
  TestLayers off;
  off.ctx.settings.saveDate = SaveDateCheck::Off;
  off.ctx.settings.optQuiet = true;
  off.fs.add("NoTable.mif", lines({"Version 300", "Columns 1", "  XS_ID Char(10)", "Data"}));
  off.fs.add("NoTable.mid", "");
  int geom = 0, attr = 0;
  miOpenLayer(off.ctx, "NoTable", geom, attr, FileMode::Input);
  EXPECT_EQ(attr, 1002);
  EXPECT_EQ(off.out(), "");

  TestLayers quiet;
  quiet.ctx.settings.optQuiet = true;
  addLayer(quiet.fs, "Good", 100, 100);
  miOpenLayer(quiet.ctx, "Good", geom, attr, FileMode::Input);
  EXPECT_EQ(quiet.out(), "");
  // A failing check is shown whole in a quiet run.
  addLayer(quiet.fs, "Bare", 100, 100);
  quiet.fs.add("Bare.tab", "", 0);
  EXPECT_TRUE(miCheckSaveDate(quiet.ctx, "Bare.mid", "Bare.tab", geom, attr));
  quiet.fs.touch("Bare.tab", 200);
  quiet.ctx.settings.saveDate = SaveDateCheck::Warning;
  EXPECT_TRUE(miCheckSaveDate(quiet.ctx, "Bare.mid", "Bare.tab", geom, attr));
  EXPECT_EQ(quiet.out(), "Checking save date is later than that of Bare.tab...NOT OK\n\n"
                         "WARNING 0004 - Save date of \"Bare.tab\" file is later than that of \"Bare.mid\"\n\n");
}

TEST(MifOpenLayer, MidIsTakenBesideTheMifNamedAtThePrompt) {
  TestLayers t({"Other/Real.mif"});
  addLayer(t.fs, "Other/Real", 100, 100);
  int geom = 0, attr = 0;
  miOpenLayer(t.ctx, "Wrong.mif", geom, attr, FileMode::Input);
  EXPECT_EQ(t.ctx.units.slotOf(attr)->name, "Other/Real.mid");
  EXPECT_EQ(t.out().find("Wrong.mid"), std::string::npos);
  EXPECT_NE(t.out().find("than that of Other/Real.tab...OK\n"), std::string::npos);
}

TEST(MifSkipHeader, OnlyTheDataLineEndsTheHeader) {
  TestLayers t;
  const int unit = openInput(t, "a.mif",
                             lines({"Version 300", "Columns 4", "  Metadata Char(20)", "  Data_Source Char(50)",
                                    "  DATA Integer", "  Line_ID Integer", " \tdata  ", "Point 1 2"}));
  std::string line;
  t.ctx.units.readLine(unit, line);  // the skip starts from the top whatever was read before
  EXPECT_TRUE(miSkipHeader(t.ctx, unit));
  ASSERT_EQ(t.ctx.units.readLine(unit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "Point 1 2");
  EXPECT_EQ(t.out(), "");
}

TEST(MifSkipHeader, HeaderWithoutDataLineReachesTheEnd) {
  TestLayers t;
  const int unit = openInput(t, "a.mif", lines({"Version 300", "Columns 1", "  Metadata Char(20)"}));
  EXPECT_TRUE(miSkipHeader(t.ctx, unit));
  EXPECT_TRUE(t.ctx.units.atEnd(unit));
}

TEST(MifSkipHeader, ReadErrorWarnsAndPauses) {
  TestLayers t({""});
  const int unit = openFailing(t, 2, ReadStatus::Error);
  EXPECT_FALSE(miSkipHeader(t.ctx, unit));
  EXPECT_EQ(t.out(), "WARNING 0313 - Problems finding start of data in .mif file\n\nPress Enter to Continue\n");
  EXPECT_EQ(t.console.reads(), 1);
}

}  // namespace
}  // namespace kestrix::testing
