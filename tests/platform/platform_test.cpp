// The real platform layer: line reading over files on disk, the directory
// search and the name rules that keep runs repeatable.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/e2e.h"

namespace kestrix {
namespace {

// The machine's file system as a run has it: writing in the background where the build can.
struct InBackground {
  SystemPlatform platform = makeSystemPlatform(true);
  FileSystem* fs = platform.fs.get();
  BackgroundWrites* writes = platform.background;
};

TEST(Platform, WildcardsAreCaseBlindAndOrderIsRepeatable) {
  EXPECT_TRUE(wildcardMatch("*.dat", "RIVER.DAT"));
  EXPECT_TRUE(wildcardMatch("r?ver*.D*", "river_01.dat"));
  EXPECT_FALSE(wildcardMatch("*.dat", "river.dat.bak"));
  EXPECT_TRUE(wildcardMatch("*a*b*", "xxaYYbzz"));
  EXPECT_FALSE(wildcardMatch("?", ""));
  EXPECT_TRUE(nameOrderLess("a.dat", "B.dat"));
  EXPECT_TRUE(nameOrderLess("B.dat", "b.dat"));  // equal case-blind: byte order decides
  EXPECT_FALSE(nameOrderLess("b.dat", "B.dat"));
  EXPECT_TRUE(nameOrderLess("ab", "abc"));
}

TEST(Platform, ReadsLinesOfRealFilesAndSearchesFolders) {
  testing::ScratchDir dir;
  dir.write("in/one.DAT", "a\r\n\r\nlast");
  dir.write("in/Two.dat", "");
  dir.write("in/three.txt", "");
  dir.write("in/sub.dat/x", "");  // a folder is never a match
  auto fs = makeSystemFileSystem();
  std::string base = dir.path().string() + "/";

  auto f = fs->openRead(base + "in/one.DAT");
  ASSERT_TRUE(f);
  std::string line;
  ASSERT_EQ(f->readLine(line), ReadStatus::Ok);
  EXPECT_EQ(line, "a");
  ASSERT_EQ(f->readLine(line), ReadStatus::Ok);
  EXPECT_EQ(line, "");
  EXPECT_FALSE(f->atEnd());
  ASSERT_EQ(f->readLine(line), ReadStatus::Ok);
  EXPECT_EQ(line, "last");
  EXPECT_TRUE(f->atEnd());
  EXPECT_EQ(f->readLine(line), ReadStatus::End);
  f->rewind();
  ASSERT_EQ(f->readLine(line), ReadStatus::Ok);
  EXPECT_EQ(line, "a");

  auto empty = fs->openRead(base + "in/Two.dat");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->atEnd());
  EXPECT_EQ(empty->readLine(line), ReadStatus::End);

  std::vector<std::string> found;
  ASSERT_EQ(fs->search(base + "in/*.dat", found), SearchStatus::Ok);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], base + "in/one.DAT");
  EXPECT_EQ(found[1], base + "in/Two.dat");
  EXPECT_EQ(fs->search(base + "in/three.txt", found), SearchStatus::Ok);
  EXPECT_EQ(found.size(), 1u);
  EXPECT_EQ(fs->search(base + "in/*.asc", found), SearchStatus::NotFound);
  EXPECT_EQ(fs->search(base + "nowhere/*.dat", found), SearchStatus::NotFound);

  // Names typed for Windows open on POSIX too.
  EXPECT_TRUE(fs->openRead(base + "in\\one.DAT"));
  const FileStatus one = fs->stat(base + "in/one.DAT");
  EXPECT_EQ(one.kind, FileStatus::Kind::File);
  EXPECT_GT(one.modified, 0);
  EXPECT_EQ(one.bytes, static_cast<std::int64_t>(dir.read("in/one.DAT").size()));
  EXPECT_EQ(fs->stat(base + "in").kind, FileStatus::Kind::Folder);
  EXPECT_EQ(fs->stat(base + "in/none.tab").kind, FileStatus::Kind::Missing);
  EXPECT_EQ(fs->identity(base + "in/../in/one.DAT", Lookup::Now), fs->identity(base + "in/one.DAT", Lookup::Now));

  auto out = fs->openWrite(base + "out.csv");
  ASSERT_TRUE(out);
  out->write("x\r\n");
  EXPECT_TRUE(out->close());
  EXPECT_EQ(dir.read("out.csv"), "x\r\n");
  EXPECT_FALSE(fs->openWrite(base + "missing-folder/out.csv"));
}

TEST(Platform, FileIdentityFollowsTheFileNotItsSpelling) {
  testing::ScratchDir dir;
  dir.write("in/one.dat", "1");
  dir.write("in/two.dat", "2");
  auto fs = makeSystemFileSystem();
  const std::string base = dir.path().string() + "/";

  const std::string one = fs->identity(base + "in/one.dat", Lookup::Now);
  EXPECT_EQ(fs->identity(base + "in/./one.dat", Lookup::Now), one);
  EXPECT_EQ(fs->identity(base + "in//one.dat", Lookup::Now), one);
  EXPECT_EQ(fs->identity(base + "in\\one.dat", Lookup::Now), one);  // a Windows spelling
  EXPECT_NE(fs->identity(base + "in/two.dat", Lookup::Now), one);
  std::error_code ec;
  std::filesystem::create_symlink(dir.path() / "in" / "one.dat", dir.path() / "link.dat", ec);
  if (!ec) {
    EXPECT_EQ(fs->identity(base + "link.dat", Lookup::Now), one);
  }

  // A file not written yet is named by its folder, whatever the folder's spelling.
  const std::string fresh = fs->identity(base + "in/new.csv", Lookup::Now);
  EXPECT_EQ(fs->identity(base + "in/../in/new.csv", Lookup::Now), fresh);
  EXPECT_NE(fs->identity(base + "in/other.csv", Lookup::Now), fresh);
  EXPECT_NE(fs->identity(base + "new.csv", Lookup::Now), fresh);
  EXPECT_EQ(fs->identity(base + "none/a.csv", Lookup::Now), fs->identity(base + "none/a.csv", Lookup::Now));
  EXPECT_NE(fs->identity(base + "none/a.csv", Lookup::Now), fs->identity(base + "none/b.csv", Lookup::Now));
}

TEST(Platform, OutputFilesKeepEveryByteAcrossTheirBlocks) {
  testing::ScratchDir dir;
  auto fs = makeSystemFileSystem();
  auto out = fs->openWrite(dir.path().string() + "/big.txt");
  ASSERT_TRUE(out);
  std::string expected;
  for (int i = 0; i < 200000; ++i) {
    const std::string line = std::to_string(i) + ",row\r\n";
    out->write(line);
    expected += line;
  }
  const std::string block(3 << 20, 'x');  // larger than a block: written past the buffer, in order
  out->write(block);
  expected += block;
  out->write("end");
  expected += "end";
  EXPECT_TRUE(out->close());
  EXPECT_EQ(dir.read("big.txt"), expected);
}

TEST(Platform, FilesWrittenInTheBackgroundAreCompleteWhenSeenAgain) {
  testing::ScratchDir dir;
  InBackground system;
  if (!system.writes) GTEST_SKIP() << "this build writes in the foreground";
  FileSystem* fs = system.fs;
  const std::string base = dir.path().string() + "/";
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) names.push_back(base + "f" + std::to_string(i) + ".csv");
  system.writes->createAhead(names);
  std::string big;
  for (int i = 0; i < 300; ++i) {
    auto out = fs->openWrite(names[i]);
    ASSERT_TRUE(out);
    // Every tenth file spans several blocks, handed over one by one.
    const int lines = i % 10 == 0 ? 150000 : 3;
    std::string expected;
    for (int k = 0; k < lines; ++k) expected += std::to_string(i) + "," + std::to_string(k) + "\r\n";
    out->write(expected);
    EXPECT_TRUE(out->close());
    if (i == 0) big = expected;
  }
  // Reading a file waits for what is on its way to it.
  auto in = fs->openRead(names[0]);
  ASSERT_TRUE(in);
  std::string line;
  int count = 0;
  while (in->readLine(line) == ReadStatus::Ok) ++count;
  EXPECT_EQ(count, 150000);
  std::string failed;
  EXPECT_TRUE(system.writes->settle(failed));
  EXPECT_EQ(dir.read("f0.csv"), big);
  EXPECT_EQ(dir.read("f7.csv"), "7,0\r\n7,1\r\n7,2\r\n");
  // A file announced but never opened stays empty.
  system.writes->createAhead({base + "never.csv"});
  EXPECT_TRUE(system.writes->settle(failed));
  EXPECT_EQ(dir.read("never.csv"), "");
}

// A file long enough to be sent to disk window by window, and let go of
// from the cache behind, reads back whole: every byte where it was written.
TEST(Platform, ALongFileWrittenInTheBackgroundReadsBackWhole) {
  testing::ScratchDir dir;
  InBackground system;
  if (!system.writes) GTEST_SKIP() << "this build writes in the foreground";
  FileSystem* fs = system.fs;
  const std::string name = dir.path().string() + "/long.mif";
  auto out = fs->openWrite(name);
  ASSERT_TRUE(out);
  std::size_t written = 0;
  std::uint64_t sum = 0;
  for (int i = 0; written < (std::size_t{40} << 20); ++i) {
    const std::string line = "Point " + std::to_string(i) + "." + std::to_string(i % 97);
    out->writeLine(line);
    written += line.size() + 2;
    for (char c : line) sum = sum * 31 + static_cast<unsigned char>(c);
  }
  EXPECT_TRUE(out->close());
  std::string failed;
  EXPECT_TRUE(system.writes->settle(failed));
  auto in = fs->openRead(name);
  ASSERT_TRUE(in);
  std::string line;
  std::size_t read = 0;
  std::uint64_t back = 0;
  while (in->readLine(line) == ReadStatus::Ok) {
    read += line.size() + 2;
    for (char c : line) back = back * 31 + static_cast<unsigned char>(c);
  }
  EXPECT_EQ(read, written);
  EXPECT_EQ(back, sum);
}

// Files announced ahead come open from the background writer, at most a
// window of them at a time; those removed before their opening, whether
// created yet or not, must not reappear, and none is left open.
TEST(Platform, FilesAnnouncedAndRemovedUnopenedAreNotLeftBehind) {
  testing::ScratchDir dir;
  const std::string base = dir.path().string() + "/";
  {
    InBackground system;
    if (!system.writes) GTEST_SKIP() << "this build writes in the foreground";
    FileSystem* fs = system.fs;
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i) names.push_back(base + "a" + std::to_string(i) + ".csv");
    system.writes->createAhead(names);
    for (int i = 0; i < 400; ++i) {
      if (i % 3 == 0) {
        fs->remove(names[i]);
        continue;
      }
      auto out = fs->openWrite(names[i]);
      ASSERT_TRUE(out);
      out->write(std::to_string(i));
      EXPECT_TRUE(out->close());
    }
    std::string failed;
    EXPECT_TRUE(system.writes->settle(failed));
  }
  const auto files = dir.files();
  EXPECT_EQ(files.size(), 266u);
  EXPECT_FALSE(dir.has("a0.csv"));
  EXPECT_FALSE(dir.has("a399.csv"));
  EXPECT_EQ(dir.read("a398.csv"), "398");
}

// An output found missing before the run writes is taken as missing by the
// looks as it is opened, until this process creates, renames or removes a
// file of that name; any other name is looked up every time.
TEST(Platform, AnOutputFoundMissingStaysMissingUntilThisProcessChangesItsName) {
  testing::ScratchDir dir;
  auto fs = makeSystemFileSystem();
  const std::string name = dir.path().string() + "/k.csv";
  EXPECT_FALSE(identityOnDisk(fs->identity(name, Lookup::Output)));
  const std::string missing = fs->identity(name, Lookup::Now);
  dir.write("k.csv", "made elsewhere meanwhile");  // not looked at again: the run writes it anyway
  EXPECT_FALSE(identityOnDisk(fs->identity(name, Lookup::Now)));
  EXPECT_EQ(fs->identity(name, Lookup::Now), missing);

  // Written by this process: looked up again.
  auto out = fs->openWrite(name);
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->close());
  EXPECT_TRUE(identityOnDisk(fs->identity(name, Lookup::Now)));
  EXPECT_NE(fs->identity(name, Lookup::Now), missing);

  // Removed, found missing again, then renamed into place by this process.
  EXPECT_TRUE(fs->remove(name));
  EXPECT_FALSE(identityOnDisk(fs->identity(name, Lookup::Output)));
  dir.write("t.tmp", "staged");
  ASSERT_TRUE(fs->rename(dir.path().string() + "/t.tmp", name));
  EXPECT_TRUE(identityOnDisk(fs->identity(name, Lookup::Now)));

  // A name that is not an output is looked up every time: an input the user
  // is asked for may be put in place meanwhile.
  const std::string input = dir.path().string() + "/in.dat";
  EXPECT_FALSE(identityOnDisk(fs->identity(input, Lookup::Now)));
  dir.write("in.dat", "put in place");
  EXPECT_TRUE(identityOnDisk(fs->identity(input, Lookup::Now)));
}

#ifndef _WIN32
TEST(Platform, AWriteThatFailsInABlockFailsTheCloseOrTheSettling) {
  auto fs = makeSystemFileSystem();
  // Every failure keeps the system's reason for the message that reports it.
  EXPECT_FALSE(fs->openWrite("/nonexistent-folder/x.csv"));
  EXPECT_EQ(fs->failure(), "No such file or directory");
  EXPECT_FALSE(fs->openRead("/dev/null/x.mif"));
  EXPECT_EQ(fs->failure(), "Not a directory");
  auto out = fs->openWrite("/dev/full");
  if (!out) GTEST_SKIP() << "/dev/full cannot be opened here";
  out->write("a line that the device refuses\r\n");
  EXPECT_FALSE(out->close());
  EXPECT_EQ(out->failure(), "No space left on device");

  // Written in the background, the failure is known once the writes have settled, and only once.
  InBackground system;
  if (!system.writes) GTEST_SKIP() << "this build writes in the foreground";
  out = system.fs->openWrite("/dev/full");
  ASSERT_TRUE(out);
  out->write("a line that the device refuses\r\n");
  out->close();
  std::string failed;
  EXPECT_FALSE(system.writes->settle(failed));
  EXPECT_EQ(failed, "/dev/full");
  EXPECT_EQ(system.fs->failure(), "No space left on device");
  EXPECT_TRUE(system.writes->settle(failed));
}
#endif

// Lines read as views into the read blocks: each the same text as the copied
// reading gives, wherever a line meets the end of a block (a CR before the
// block's end and its LF after it, a line longer than a block, a last line
// without its end), with end tests in between that refill the block.
TEST(Platform, LinesShownInPlaceAreTheLinesCopied) {
  constexpr std::size_t kBlock = 1 << 18;  // the reading block of the input files
  std::string content;
  const auto lineOf = [&](std::size_t length, const char* end) {
    for (std::size_t i = 0; i < length; ++i) content += static_cast<char>('a' + (content.size() + i) % 26);
    content += end;
  };
  while (content.size() < kBlock - 40) lineOf(content.size() % 37, content.size() % 3 ? "\r\n" : "\n");
  lineOf(kBlock - 1 - content.size(), "\r\n");  // the CR ends the first block, its LF starts the next
  while (content.size() < 2 * kBlock - 10) lineOf(25, "\r\n");
  lineOf(20, "\n");                  // runs over the second block's end
  lineOf(kBlock + 1000, "\r\n");     // longer than a block
  content += "\n\r\n\n";             // empty lines
  lineOf(12, "\r");                  // the last line, without an end but for a CR

  testing::ScratchDir dir;
  dir.write("blocks.txt", content);
  auto fs = makeSystemFileSystem();
  const std::string name = dir.path().string() + "/blocks.txt";
  auto viewed = fs->openRead(name);
  auto copied = fs->openRead(name);
  ASSERT_TRUE(viewed && copied);
  int lines = 0;
  for (;;) {
    std::string_view view;
    std::string line;
    const ReadStatus a = viewed->readLineView(view);
    const ReadStatus b = copied->readLine(line);
    ASSERT_EQ(a, b) << "line " << lines;
    if (a != ReadStatus::Ok) break;
    ASSERT_EQ(std::string(view), line) << "line " << lines;
    ++lines;
    if (lines % 7 == 0) {
      ASSERT_EQ(viewed->atEnd(), copied->atEnd()) << "line " << lines;
    }
  }
  EXPECT_GT(lines, 10000);
  EXPECT_TRUE(viewed->atEnd());
}

}  // namespace
}  // namespace kestrix
