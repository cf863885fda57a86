// The unit table and the file unit manager: unit numbers, the console
// reports of every opening and closing, and the prompts that keep a run alive.

#include <gtest/gtest.h>

#include "files/file_units.h"
#include "support/files_run.h"

namespace kestrix {
namespace {

using testing::endsRun;
using testing::TestFiles;

TEST(UnitsTable, NumbersStartAtBasePlusOneAndFreedSlotsAreReused) {
  TestFiles t;
  t.fs.add("a.txt", "x\n");
  t.fs.add("b.txt", "y\n");
  int a = 0, b = 0;
  OPENFILE(t.ctx, a, FileMode::Input, "a.txt");
  OPENFILE(t.ctx, b, FileMode::Input, "b.txt");
  EXPECT_EQ(a, 1001);
  EXPECT_EQ(b, 1002);
  CLOSER(t.ctx, a);
  EXPECT_EQ(a, 0);
  EXPECT_NE(t.out().find("...Closed File Unit:1001\n"), std::string::npos);
  int c = 0;
  OPENFILE(t.ctx, c, FileMode::Input, "b.txt");  // a second read-only connection is fine
  EXPECT_EQ(c, 1001);

  UnitTable small;
  small.INITUNITS(3);  // the base never goes below 9
  EXPECT_EQ(small.slot(0).number, 10);
  EXPECT_TRUE(small.pauseAtEnd);

  // A file connected through the last slot, however it was reached, is found as connected.
  for (const bool byNumber : {false, true}) {
    UnitTable table;
    table.INITUNITS(0);
    UnitSlot& last = byNumber ? *table.slotOf(1009) : table.slot(UnitTable::kSlots - 1);
    EXPECT_EQ(table.connectedUnit("key"), 0);
    last.output = t.fs.openWrite("x.csv");
    last.identity = "key";
    EXPECT_EQ(table.connectedUnit("key"), 1009);
  }
}

TEST(UnitsTable, CloserIgnoresUnknownAndClosedUnits) {
  TestFiles t;
  int zero = 0, outside = 5000, closed = 1003;
  CLOSER(t.ctx, zero);
  CLOSER(t.ctx, outside);
  CLOSER(t.ctx, closed);
  EXPECT_EQ(t.out(), "");
  EXPECT_EQ(closed, 1003);
  EXPECT_EQ(outside, 5000);
}

TEST(FileUnits, InputReportsAndLineReading) {
  TestFiles t;
  t.fs.add("data.txt", "first\r\nsecond\nlast without end");
  int u = 0;
  OPENFILE(t.ctx, u, FileMode::Input, "   data.txt  ");
  EXPECT_EQ(t.out(), "\nTrying to open file data.txt...OK.\nOpened File Unit:1001\n");
  std::string line;
  ASSERT_EQ(t.ctx.units.readLine(u, line), ReadStatus::Ok);
  EXPECT_EQ(line, "first");
  ASSERT_EQ(t.ctx.units.readLine(u, line), ReadStatus::Ok);
  EXPECT_EQ(line, "second");
  ASSERT_EQ(t.ctx.units.readLine(u, line), ReadStatus::Ok);
  EXPECT_EQ(line, "last without end");
  EXPECT_TRUE(t.ctx.units.atEnd(u));
  EXPECT_EQ(t.ctx.units.readLine(u, line), ReadStatus::End);
  t.ctx.units.rewind(u);
  ASSERT_EQ(t.ctx.units.readLine(u, line), ReadStatus::Ok);
  EXPECT_EQ(line, "first");
}

TEST(FileUnits, OutputWritesCrLfAndReportsUnit) {
  TestFiles t;
  int u = 0;
  OPENFILE(t.ctx, u, FileMode::Output, "out.csv");
  t.ctx.units.writeLine(u, "a,b");
  CLOSER(t.ctx, u);
  EXPECT_EQ(t.fs.content("out.csv"), "a,b\r\n");
  EXPECT_EQ(t.out(), "\nTrying to open file out.csv...OK.  File Unit:1001\n...Closed File Unit:1001\n");
}

TEST(FileUnits, MissingInputAsksForAnotherNameAndRetriesOnBlankReply) {
  TestFiles t({"", std::string(5, ' ') + "good.txt" + std::string(100, 'x')});
  t.fs.add("good.txt" + std::string(67, 'x'), "ok\n");
  int u = 0;
  OPENFILE(t.ctx, u, FileMode::Input, "missing.txt");
  const std::string prompt = "Check file exists and press enter or enter another file name: ";
  std::string expected = "\nTrying to open file missing.txt...\nCHECK 0008 - \"missing.txt\" cannot be found\n\n" +
                         prompt + "\nNo file name entered.  Trying file again..." +
                         "\nTrying to open file missing.txt...\nCHECK 0008 - \"missing.txt\" cannot be found\n\n" +
                         prompt + "\nTrying to open file good.txt" + std::string(67, 'x') +
                         "...OK.\nOpened File Unit:1001\n";
  // The reply is cut to its first 80 characters before its blanks are trimmed.
  EXPECT_EQ(t.out(), expected);
  EXPECT_EQ(u, 1001);
}

TEST(FileUnits, PromptsEndTheRunAtEndOfInput) {
  TestFiles t;
  int u = 0;
  EXPECT_EQ(endsRun([&] { OPENFILE(t.ctx, u, FileMode::Input, "missing.txt"); }), kExitFailure);
  EXPECT_NE(t.out().find("ERROR - "), std::string::npos);
  EXPECT_NE(t.out().find("missing.txt"), std::string::npos);

  TestFiles locked;
  locked.fs.lockForWriting("busy.csv");
  EXPECT_EQ(endsRun([&] { OPENFILE(locked.ctx, u, FileMode::Output, "busy.csv"); }), kExitFailure);
  EXPECT_NE(locked.out().find("Can't Open\n\n Can't open: busy.csv\n\n Another application or user maybe using it,\n"
                              "    or the file's folder does not exist.\n If so, close the file or create file path.\n"
                              "\nPress Enter to Continue\n"),
            std::string::npos);
  EXPECT_NE(locked.out().find("\nERROR - "), std::string::npos);
}

TEST(FileUnits, AlreadyOpenOutputAsksToClose) {
  TestFiles t({"y", "n", "other.csv"});
  int first = 0, second = 0, third = 0;
  OPENFILE(t.ctx, first, FileMode::Output, "x.csv");
  t.ctx.units.writeLine(first, "old");
  OPENFILE(t.ctx, second, FileMode::Output, "x.csv");
  EXPECT_NE(t.out().find("\nx.csv is already open, close it? OK.  File Unit:1002\n"), std::string::npos);
  t.ctx.units.writeLine(second, "new");
  t.ctx.units.disconnect(second);
  EXPECT_EQ(t.fs.content("x.csv"), "new\r\n");
  // The first unit's slot stays handed out after the close the user agreed to.
  EXPECT_TRUE(t.ctx.units.slotOf(1001)->open);

  OPENFILE(t.ctx, third, FileMode::Output, "other.csv");
  EXPECT_EQ(third, 1003);
  TestFiles u({"n", "y.csv"});
  int a = 0, b = 0;
  OPENFILE(u.ctx, a, FileMode::Output, "x.csv");
  OPENFILE(u.ctx, b, FileMode::Output, "x.csv");
  EXPECT_NE(u.out().find("close it? \nCheck file exists and press enter or enter another file name: "
                         "\nTrying to open file y.csv...OK.  File Unit:1002\n"),
            std::string::npos);
}

TEST(FileUnits, LockedOutputRetriesAfterPause) {
  TestFiles t({""});
  t.fs.lockForWriting("busy.csv");
  int u = 0;
  EXPECT_EQ(endsRun([&] { OPENFILE(t.ctx, u, FileMode::Output, "busy.csv"); }), kExitFailure);
  // Two attempts were made: one pause answered, the second met the end of input.
  std::size_t first = t.out().find("Press Enter to Continue");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(t.out().find("Press Enter to Continue", first + 1), std::string::npos);
}

TEST(FileUnits, BatchRunNeverReadsTheConsole) {
  // Answers are there, but a batch run must not take them: its input may never end.
  TestFiles t({"other.txt", "y", ""});
  t.ctx.settings.optBatch = true;
  t.fs.add("other.txt", "x\n");
  int u = 0;
  EXPECT_EQ(endsRun([&] { OPENFILE(t.ctx, u, FileMode::Input, "missing.txt"); }), kExitFailure);
  EXPECT_NE(t.out().find("Check file exists and press enter or enter another file name: \n"
                         "ERROR - No answer for \"missing.txt\" (file name prompt): the run was started with -batch\n"
                         "\nPress Enter to Close\n"),
            std::string::npos)
      << t.out();

  t.fs.lockForWriting("busy.csv");
  EXPECT_EQ(endsRun([&] { OPENFILE(t.ctx, u, FileMode::Output, "busy.csv"); }), kExitFailure);
  EXPECT_NE(t.out().find("Can't Open\n"), std::string::npos);
  EXPECT_NE(t.out().find("\nPress Enter to Continue\n\nERROR - No answer for \"busy.csv\" (Can't Open): the run was "
                         "started with -batch\n"),
            std::string::npos);

  int first = 0, second = 0;
  OPENFILE(t.ctx, first, FileMode::Output, "x.csv");
  EXPECT_EQ(endsRun([&] { OPENFILE(t.ctx, second, FileMode::Output, "x.csv"); }), kExitFailure);
  EXPECT_NE(t.out().find("x.csv is already open, close it? \nERROR - No answer for \"x.csv\" (is already open, "
                         "close it?)"),
            std::string::npos);
  EXPECT_TRUE(t.ctx.pauses() == false);
  EXPECT_EQ(t.console.reads(), 0);
}

TEST(FileUnits, QuietRunShowsAnAttemptOnlyWhenItNeedsTheUser) {
  TestFiles t({"real.txt"});
  t.ctx.settings.optQuiet = true;
  t.fs.add("real.txt", "x\n");
  int a = 0, b = 0, c = 0;
  OPENFILE(t.ctx, a, FileMode::Input, "real.txt");
  OPENFILE(t.ctx, b, FileMode::Output, "out.csv");
  CLOSER(t.ctx, b);
  EXPECT_EQ(t.out(), "");
  OPENFILE(t.ctx, c, FileMode::Input, "gone.txt");
  EXPECT_EQ(t.out(), "\nTrying to open file gone.txt...\nCHECK 0008 - \"gone.txt\" cannot be found\n\n"
                     "Check file exists and press enter or enter another file name: ");
  EXPECT_EQ(c, 1002);
}

TEST(FileUnits, NameGivenAtThePromptReplacesTheMissingOneForTheRun) {
  TestFiles t({"second.txt", "real.txt"});
  t.fs.add("real.txt", "x\n");
  int a = 0, b = 0;
  OPENFILE(t.ctx, a, FileMode::Input, "first.txt");  // first.txt, then second.txt, are missing
  EXPECT_EQ(t.ctx.units.slotOf(a)->name, "real.txt");
  t.console.clearOutput();
  OPENFILE(t.ctx, b, FileMode::Input, "  first.txt");
  EXPECT_EQ(t.out(), "\nTrying to open file real.txt...OK.\nOpened File Unit:1002\n");
  // Outputs keep their own names: a correction never points an output at an input.
  int d = 0;
  OPENFILE(t.ctx, d, FileMode::Output, "first.txt");
  EXPECT_EQ(t.ctx.units.slotOf(d)->name, "first.txt");
  EXPECT_EQ(t.fs.content("real.txt"), "x\n");

  UnitTable table;
  table.INITUNITS(1000);
  table.rememberCorrection("a", "b");
  table.rememberCorrection("b", "c");  // b went missing later: a leads on to c
  EXPECT_EQ(table.corrected("a"), "c");
  EXPECT_EQ(table.corrected("b"), "c");
  EXPECT_EQ(table.corrected("c"), "c");
}

TEST(FileUnits, EmptyNameAndFullTableStopTheRun) {
  TestFiles t;
  int u = 0;
  EXPECT_EQ(endsRun([&] { OPENFILE(t.ctx, u, FileMode::Input, "   "); }), kExitFailure);
  EXPECT_EQ(t.out(), "\nEmpty filename specified.  Bailing out.  Please contact support@kestrix.example.\n"
                     "Press Enter to Close\n");

  TestFiles full;
  full.fs.add("f", "");
  for (int i = 0; i < UnitTable::kSlots; ++i) {
    int unit = 0;
    OPENFILE(full.ctx, unit, FileMode::Input, "f");
    ASSERT_EQ(unit, 1001 + i);
  }
  full.console.clearOutput();
  EXPECT_EQ(endsRun([&] { OPENFILE(full.ctx, u, FileMode::Input, "f"); }), kExitFailure);
  EXPECT_EQ(full.out(), "No free file numbers.\n");
}

TEST(FileUnits, UnreadableExistingInputEndsTheRun) {
  TestFiles t;
  t.fs.add("secret.mid", "1\n");
  t.fs.denyReading("secret.mid");
  int u = 0;
  EXPECT_EQ(endsRun([&] { OPENFILE(t.ctx, u, FileMode::Input, "secret.mid"); }), kExitFailure);
  EXPECT_NE(t.out().find("ERROR - Could not read file \"secret.mid\""), std::string::npos);
}

TEST(RunConsole, WarningMessagesAreCountedAndDetailsLeftOutWhenQuiet) {
  TestFiles t;
  t.ctx.warning("one", "XS1");
  t.ctx.coded(Severity::Warning, "0313", "two");
  t.ctx.worded(Severity::Warning, " WARNING - three");
  t.ctx.say("WARNING - a plain line is not a message");
  t.ctx.error("not a warning");
  t.ctx.note("nor this");
  t.ctx.detail("a detail");
  EXPECT_EQ(t.ctx.tally.warnings, 3);
  t.ctx.settings.optQuiet = true;
  t.ctx.detail("left out");
  t.ctx.warning("kept");
  EXPECT_EQ(t.out(),
            "WARNING - one\nWARNING 0313 - two\n WARNING - three\nWARNING - a plain line is not a message\n"
            "ERROR - not a warning\nNOTE - nor this\na detail\nWARNING - kept\n");
}

TEST(RunEnding, ExitsClosesFilesThenPauses) {
  TestFiles t;
  int u = 0;
  OPENFILE(t.ctx, u, FileMode::Output, "partial.csv");
  t.ctx.units.writeLine(u, "kept");
  t.console.clearOutput();
  EXPECT_EQ(endsRun([&] { t.ctx.exits(kExitFailure); }), kExitFailure);
  EXPECT_EQ(t.out(), "\nPress Enter to Close\n");
  EXPECT_EQ(t.fs.content("partial.csv"), "kept\r\n");
  EXPECT_FALSE(t.ctx.units.slotOf(1001)->open);

  TestFiles p({"", ""});
  EXPECT_TRUE(p.ctx.pauses());
  EXPECT_TRUE(p.ctx.pauses());
  EXPECT_FALSE(p.ctx.pauses());  // end of input lets the run go on, never spins
  EXPECT_EQ(p.out(), "\nPress Enter to Continue\n\nPress Enter to Continue\n\nPress Enter to Continue\n");
}

}  // namespace
TEST(UnitHandles, AHandleClosesWithItsReportOrLetsGoSilentlyAtTheEndOfItsScope) {
  TestFiles t;
  int unit = 0;
  {
    UnitHandle file(t.ctx);
    file.open(FileMode::Output, "a.csv");
    unit = file.unit();
    ASSERT_GT(unit, 0);
    t.ctx.units.writeLine(unit, "x");
    t.console.clearOutput();
    file.close();
    EXPECT_EQ(file.unit(), 0);
    EXPECT_TRUE(testing::hasLine(t.out(), "...Closed File Unit:" + unitField(unit))) << t.out();
  }
  {
    UnitHandle file(t.ctx);
    file.open(FileMode::Output, "b.csv");
    EXPECT_EQ(file.unit(), unit);  // the unit closed before is free again
    t.ctx.units.writeLine(file.unit(), "y");
    t.console.clearOutput();
  }
  EXPECT_EQ(t.out(), "");  // let go without a report
  ASSERT_NE(t.ctx.units.slotOf(unit), nullptr);
  EXPECT_FALSE(t.ctx.units.slotOf(unit)->open);
  EXPECT_EQ(t.fs.content("b.csv"), "y\r\n");
  {
    UnitHandle file(t.ctx);
    file.open(FileMode::Output, "c.csv");
    file.release();  // the end of the run closes it
  }
  EXPECT_TRUE(t.ctx.units.slotOf(unit)->open);
}

TEST(UnitHandles, AFailedWriteIsReportedWhenTheFileIsClosed) {
  TestFiles t;
  t.fs.failWriting("full.csv");
  UnitHandle file(t.ctx);
  file.open(FileMode::Output, "full.csv");
  t.ctx.units.writeLine(file.unit(), "lost");
  EXPECT_EQ(endsRun([&] { file.close(); }), kExitFailure);
  EXPECT_TRUE(testing::hasLine(t.out(), "ERROR - Could not write file \"full.csv\" (is the disk full?) - no output written"))
      << t.out();
  EXPECT_EQ(t.fs.content("full.csv"), "");
  EXPECT_EQ(t.fs.opens(), std::vector<std::string>{"write full.csv"});
}

}  // namespace kestrix
