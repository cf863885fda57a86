// Outputs held under temporary names until the run commits them, and the
// registry that keeps outputs off the run's inputs.

#include "files/staged_files.h"

#include <gtest/gtest.h>

#include "files/file_units.h"
#include "support/files_run.h"

namespace kestrix::testing {
namespace {

void write(FileSystem& fs, const std::string& name, const std::string& text) {
  auto file = fs.openWrite(name);
  ASSERT_TRUE(file);
  file->write(text);
  ASSERT_TRUE(file->close());
}

// A library that writes a file itself (GDAL's GeoPackage) is handed the
// temporary name, and the file is committed or discarded with the others.
TEST(StagedFiles, FilesALibraryWritesAreStagedToo) {
  MemoryFileSystem base;
  base.add("out/kestrix_layers.gpkg", "old");
  StagedFileSystem fs(base, &base);
  EXPECT_EQ(fs.libraryPath("out/kestrix_layers.gpkg", LibraryUse::Create), "out/kestrix_layers.gpkg");
  fs.enable(7);
  base.add("out/.kestrix-7-kestrix_layers.gpkg.tmp", "left by an earlier process");
  const std::string temporary = fs.libraryPath("out/kestrix_layers.gpkg", LibraryUse::Create);
  EXPECT_EQ(temporary, "out/.kestrix-7-kestrix_layers.gpkg.tmp");
  EXPECT_FALSE(base.has(temporary));  // the library creates it afresh
  EXPECT_EQ(fs.libraryPath("out/kestrix_layers.gpkg", LibraryUse::Create), temporary);
  EXPECT_EQ(fs.pending(), 1u);
  base.add(temporary, "new");
  std::string failed;
  ASSERT_TRUE(fs.commit(failed));
  EXPECT_EQ(base.content("out/kestrix_layers.gpkg"), "new");

  base.add(fs.libraryPath("out/kestrix_layers.gpkg", LibraryUse::Create), "newer");
  fs.discard();
  EXPECT_EQ(base.names(), (std::vector<std::string>{"out/kestrix_layers.gpkg"}));
  EXPECT_EQ(base.content("out/kestrix_layers.gpkg"), "new");
}

// A header the run composes is read on a unit like a file, but names none.
TEST(StagedFiles, AComposedTextIsReadOnAUnitLikeAFile) {
  TestFiles t;
  int unit = 0;
  OPENTEXT(t.ctx.files, unit, "survey.gpkg", "Version 300\r\nColumns 0");
  std::string line;
  ASSERT_EQ(t.ctx.units.readLine(unit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "Version 300");
  ASSERT_EQ(t.ctx.units.readLine(unit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "Columns 0");
  EXPECT_TRUE(t.ctx.units.atEnd(unit));
  t.ctx.units.rewind(unit);
  EXPECT_FALSE(t.ctx.units.atEnd(unit));
  EXPECT_EQ(t.ctx.units.connectedUnit(t.fs.identity("survey.gpkg", Lookup::Now)), 0);
  CLOSER(t.ctx.files, unit);
  EXPECT_EQ(unit, 0);
}

TEST(StagedFiles, NothingHasItsNameBeforeTheCommitAndNothingStaysAfterADiscard) {
  MemoryFileSystem base;
  base.add("out/a.csv", "old");
  StagedFileSystem fs(base, &base);
  fs.enable(42);
  write(fs, "out/a.csv", "new a");
  write(fs, "out\\b.mif", "new b");
  EXPECT_EQ(base.content("out/a.csv"), "old");
  EXPECT_EQ(base.content("out/.kestrix-42-a.csv.tmp"), "new a");
  EXPECT_TRUE(base.has("out\\.kestrix-42-b.mif.tmp"));
  EXPECT_EQ(fs.pending(), 2u);

  std::string failed;
  ASSERT_TRUE(fs.commit(failed));
  EXPECT_EQ(base.names(), (std::vector<std::string>{"out/a.csv", "out\\b.mif"}));
  EXPECT_EQ(base.content("out/a.csv"), "new a");

  write(fs, "c.mid", "c");
  fs.discard();
  EXPECT_EQ(base.names(), (std::vector<std::string>{"out/a.csv", "out\\b.mif"}));
}

TEST(StagedFiles, WritingAnOutputAgainStartsItAfreshAndAFolderUnderItsNameIsRefused) {
  MemoryFileSystem base;
  StagedFileSystem fs(base, &base);
  fs.enable(7);
  write(fs, "1d_nwk.mif", "first");
  write(fs, "1d_nwk.mif", "second");
  EXPECT_EQ(fs.pending(), 1u);
  std::string failed;
  ASSERT_TRUE(fs.commit(failed));
  EXPECT_EQ(base.content("1d_nwk.mif"), "second");

  // Without staging, files are written under their own names at once.
  StagedFileSystem direct(base);
  write(direct, "x.csv", "x");
  EXPECT_EQ(base.content("x.csv"), "x");
  EXPECT_EQ(direct.pending(), 0u);
}

TEST(StagedFiles, ACommitThatCannotRenamePutsEveryEarlierOutputBack) {
  MemoryFileSystem base;
  base.add("a.csv", "old a");
  StagedFileSystem fs(base, &base);
  fs.enable(1);
  write(fs, "x.mif", "layer");  // a layer: renamed after the .csv files
  write(fs, "a.csv", "a");
  write(fs, "n.csv", "n");
  write(fs, "b.csv", "b");
  base.lockForWriting("b.csv");
  std::string failed;
  EXPECT_FALSE(fs.commit(failed));
  EXPECT_EQ(failed, "b.csv");
  EXPECT_TRUE(fs.restored());
  // a.csv and n.csv had their names before b.csv failed: the old a.csv is back, n.csv gone, nothing else stays.
  EXPECT_EQ(base.names(), std::vector<std::string>{"a.csv"});
  EXPECT_EQ(base.content("a.csv"), "old a");
  EXPECT_EQ(fs.pending(), 0u);
}

TEST(CommitJournal, AJournalReadsBackAndRollsBackAgainAndAgain) {
  const std::vector<JournalEntry> entries = {{"a%\t.csv", ".kestrix-4-a%\t.csv.tmp", ".kestrix-4-a%\t.csv.old"},
                                             {"n.csv", ".kestrix-4-n.csv.tmp", ""}};
  std::vector<std::string> lines;
  const std::string text = journalText(entries, true);
  for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  Journal journal;
  ASSERT_TRUE(parseJournal(lines, journal));
  EXPECT_TRUE(journal.complete);
  EXPECT_TRUE(journal.rollingBack);
  ASSERT_EQ(journal.entries.size(), 2u);
  EXPECT_EQ(journal.entries[0].final, "a%\t.csv");
  EXPECT_EQ(journal.entries[1].backup, "");
  lines.resize(2);  // cut short while written: no rename had begun
  ASSERT_TRUE(parseJournal(lines, journal));
  EXPECT_FALSE(journal.complete);
  EXPECT_FALSE(parseJournal({"Kestrix commit journal 1", "../x\t.kestrix-1-x.tmp\t"}, journal));

  // Stopped after a.csv and n.csv had their names: undone, and undone again when the first undoing was cut short.
  MemoryFileSystem fs;
  fs.add("out/a%\t.csv", "new a");
  fs.add("out/.kestrix-4-a%\t.csv.old", "old a");
  fs.add("out/n.csv", "new n");
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_TRUE(rollBackCommit(fs, "out/", entries));
    EXPECT_EQ(fs.names(), std::vector<std::string>{"out/a%\t.csv"});
    EXPECT_EQ(fs.content("out/a%\t.csv"), "old a");
  }
}

TEST(StagedFiles, FilesCreatedAheadAreWrittenOrRemoved) {
  MemoryFileSystem base;
  StagedFileSystem fs(base, &base);
  fs.createAhead({"out/early.csv"});  // before staging nothing is created ahead
  EXPECT_EQ(base.names(), std::vector<std::string>{});
  fs.enable(5);
  fs.createAhead({"out/a.csv", "out/b.csv"});
  EXPECT_EQ(base.names(), (std::vector<std::string>{"out/.kestrix-5-a.csv.tmp", "out/.kestrix-5-b.csv.tmp"}));
  write(fs, "out/a.csv", "a");
  std::string failed;
  ASSERT_TRUE(fs.commit(failed));
  // The one never opened is no output: it goes, and the written one has its name.
  EXPECT_EQ(base.names(), std::vector<std::string>{"out/a.csv"});

  fs.createAhead({"out/c.csv", "out/d.csv"});
  write(fs, "out/c.csv", "c");
  fs.discard();
  EXPECT_EQ(base.names(), std::vector<std::string>{"out/a.csv"});
  EXPECT_EQ(base.content("out/a.csv"), "a");
}

TEST(StagedFiles, AWriteThatFailedInTheBackgroundIsNamedByItsFinalName) {
  MemoryFileSystem base;
  StagedFileSystem fs(base, &base);
  fs.enable(3);
  write(fs, "out/a.csv", "a");
  std::string failed;
  EXPECT_TRUE(fs.settle(failed));
  base.failSettling("out/.kestrix-3-a.csv.tmp");
  EXPECT_FALSE(fs.settle(failed));
  EXPECT_EQ(failed, "out/a.csv");
}

TEST(InputRegistry, AnOutputClashesWithAnInputByItsKeyOnDisk) {
  MemoryFileSystem fs;
  fs.add("model.dat", "");
  InputRegistry inputs;
  inputs.add(fs, "model.dat");
  inputs.add(fs, "missing.dat");  // nothing on disk: nothing to protect
  ASSERT_NE(inputs.clash(fs, "model.dat"), nullptr);
  EXPECT_EQ(*inputs.clash(fs, "model.dat"), "model.dat");
  EXPECT_EQ(inputs.clash(fs, "missing.dat"), nullptr);
  EXPECT_EQ(inputs.clash(fs, "other.csv"), nullptr);
}

TEST(OutputUnits, AFileThatCannotBeWrittenEndsTheRunAndTheCommitRemovesNothingElse) {
  TestFiles t;
  t.ctx.fs.enable(9);
  t.fs.failClosing("full.csv");
  int ok = 0, full = 0;
  OPENFILE(t.ctx, ok, FileMode::Output, "ok.csv");
  t.ctx.units.writeLine(ok, "x");
  CLOSER(t.ctx, ok);
  OPENFILE(t.ctx, full, FileMode::Output, "full.csv");
  EXPECT_EQ(endsRun([&] { CLOSER(t.ctx, full); }), kExitFailure);
  EXPECT_TRUE(hasLine(t.out(), "ERROR - Could not write file \"full.csv\" (is the disk full?) - no output written"))
      << t.out();
  EXPECT_EQ(t.fs.names(), std::vector<std::string>{});  // neither file, nor a temporary one

  TestFiles good;
  good.ctx.fs.enable(9);
  OPENFILE(good.ctx, ok, FileMode::Output, "ok.csv");
  good.ctx.units.writeLine(ok, "x");
  commitOutputs(good.ctx, good.ctx.fs);  // closes what is still open, then names it
  EXPECT_EQ(good.fs.names(), std::vector<std::string>{"ok.csv"});
  EXPECT_EQ(good.fs.content("ok.csv"), "x\r\n");

  // A file closed without complaint whose writing failed later, in the background, ends the run all the same.
  TestFiles late;
  late.ctx.fs.enable(9);
  OPENFILE(late.ctx, ok, FileMode::Output, "ok.csv");
  late.ctx.units.writeLine(ok, "x");
  CLOSER(late.ctx, ok);
  late.fs.failSettling(".kestrix-9-ok.csv.tmp");
  EXPECT_EQ(endsRun([&] { commitOutputs(late.ctx, late.ctx.fs); }), kExitFailure);
  EXPECT_TRUE(hasLine(late.out(), "ERROR - Could not write file \"ok.csv\" (is the disk full?) - no output written"))
      << late.out();
  late.ctx.fs.discard();  // as the end of the run does
  EXPECT_EQ(late.fs.names(), std::vector<std::string>{});
}

}  // namespace
}  // namespace kestrix::testing
