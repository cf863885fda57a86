// Runs at the edges of the machine and of the data: a low limit on open
// files, a control character in a text the outputs show, and a console that
// cannot be written.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/fakes.h"
#include "support/layer_check.h"

namespace kestrix {
namespace {

using testing::isisPoint;
using testing::lines;
using testing::Program;
using testing::programUnderTest;
using testing::readWithGdal;
using testing::ScratchDir;
using testing::windowsTarget;

const std::string kHeader = "Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\n"
                            "CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000000, 1000000)\r\n";

// A survey of `sections` sections "S1", "S2", ..., each an L point and two C points.
void writeSurvey(const ScratchDir& dir, int sections) {
  std::string mif =
      kHeader + "Columns 4\r\n  Z Float\r\n  MNR Float\r\n  LCR Char(1)\r\n  XS_ID Char(12)\r\nData\r\n\r\n";
  std::string mid;
  for (int s = 1; s <= sections; ++s) {
    const std::string y = std::to_string(10 * s);
    const std::string id = "S" + std::to_string(s);
    mif += "Point 100 " + y + "\r\nPoint 103 " + y + "\r\nPoint 107 " + y + "\r\n";
    mid += "12.5,0.05,L," + id + "\r\n10.25,0.035,C," + id + "\r\n11,0.035,C," + id + "\r\n";
  }
  dir.write("survey.mif", mif);
  dir.write("survey.mid", mid);
}

// Runs the build under test from a POSIX shell that first runs `setup`; `redirect` follows the program's words.
testing::BinaryRun runInShell(const ScratchDir& dir, const std::string& setup, const std::vector<std::string>& args,
                              const std::string& redirect = "") {
  const Program& program = programUnderTest();
  std::string script = setup + "; exec " + program.launcher + " \"$0\" \"$@\" " + redirect;
  std::vector<std::string> words = {"-c", script, program.binary};
  words.insert(words.end(), args.begin(), args.end());
  return dir.run(Program{"/bin/sh", ""}, words);
}

std::size_t csvFiles(const ScratchDir& dir) {
  std::size_t n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    if (entry.path().extension() == ".csv") ++n;
  return n;
}

TEST(LimitsE2E, TenThousandSectionsWithinALimitOf64OpenFiles) {
  if (windowsTarget()) GTEST_SKIP() << "the limit on open files is set through a POSIX shell";
  ScratchDir dir;
  writeSurvey(dir, 10000);
  const auto run = runInShell(dir, "ulimit -n 64", {"-batch", "-quiet", "-N", "-savedate:off", "survey.mif"});
  ASSERT_EQ(run.status, 0) << run.output.substr(run.output.size() > 2000 ? run.output.size() - 2000 : 0);
  EXPECT_NE(run.output.find("Summary: cross-sections written (.csv files): 10000"), std::string::npos);
  EXPECT_EQ(csvFiles(dir), 10000u);
  EXPECT_EQ(dir.read("S9999.csv"),
            lines({"\"S9999\",", "\"X\",\"Z\",\"N\",\"LCR\"", "     0.000,  12.500,     0.050, 1",
                   "     3.000,  10.250,     0.035, 2", "     7.000,  11.000,     0.035, 2"}));
}

TEST(LimitsE2E, ControlCharactersInAnIsisLabelAreWrittenAsBlanks) {
  ScratchDir dir;
  dir.write("proj.mif", kHeader + "Columns 1\r\n  ID Integer\r\nData\r\n\r\n");
  dir.write("proj.mid", "");
  const std::string label("AB\0CD\x1b", 6);
  dir.write("model.dat", lines({"Hand-made model", "END GENERAL", "RIVER Main", "SECTION", label, "    10.000",
                                "         4", isisPoint(0, 12.5, 0.035, "", 1000.5, 2000.25),
                                isisPoint(2, 10.25, 0.035, "LEFT", 1001.5, 2001.25),
                                isisPoint(5, 9.125, 0.04, "", 1003, 2003),
                                isisPoint(8, 11, 0, "RIGHT", 1005, 2005), "GISINFO"}));
  const auto run = dir.run({"-isis", "-N", "-batch", "proj.mif", "model.dat"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("WARNING - Cross-section \"AB CD\": its identifier holds a control character (NUL), "
                            "written as a blank\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(dir.read("AB_CD_.csv").substr(0, 10), "\"AB CD\",\"m");
  for (const auto& [name, bytes] : dir.files()) {
    if (name == "model.dat") continue;
    EXPECT_EQ(bytes.find('\0'), std::string::npos) << name;
    EXPECT_EQ(bytes.find('\x1b'), std::string::npos) << name;
  }
  for (const char* layer : {"_xs_bed_points", "1d_xs"}) {
    const auto read = readWithGdal(dir.path() / (std::string(layer) + ".mif"));
    if (!read.ran) continue;  // GDAL's tools are not installed
    EXPECT_EQ(read.messages, "") << layer;
    ASSERT_EQ(read.rows.size(), 1u) << layer;
  }
}

TEST(LimitsE2E, AConsoleThatCannotBeWrittenFailsTheRunAfterItsOutputs) {
  if (windowsTarget() || !std::filesystem::exists("/dev/full")) GTEST_SKIP() << "needs a POSIX /dev/full";
  // A quiet run's console goes out at its end; a full one's, past a megabyte, through the thread that writes files.
  for (const char* detail : {"-quiet", "-N"}) {
    ScratchDir dir;
    writeSurvey(dir, 4000);
    const auto run = runInShell(dir, "true", {"-batch", detail, "-N", "-savedate:off", "survey.mif"}, "> /dev/full");
    EXPECT_EQ(run.status, 1) << detail;
    EXPECT_EQ(run.output,
              "kestrix: the console output could not be written (No space left on device) - the outputs were written\n")
        << detail;
    EXPECT_EQ(csvFiles(dir), 4000u);
  }
}

}  // namespace
}  // namespace kestrix
