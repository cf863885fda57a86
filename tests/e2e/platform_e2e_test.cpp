// What a user meets differently on Windows and on POSIX systems: console line
// ends, option introducers, full paths, folder separators, the letter case
// of file names (also when an output would replace an input) and the
// replacement of earlier outputs. Where the native
// behaviour differs, each test holds the Windows form and the POSIX form.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/fakes.h"
#include "support/layer_check.h"

namespace kestrix {
namespace {

using testing::hostPath;
using testing::isisPoint;
using testing::lines;
using testing::ScratchDir;
using testing::windowsTarget;

// One section "A": an L point and two C points 3 and 7 east of it.
void writeSurvey(const ScratchDir& dir, const std::string& folder = "") {
  dir.write(folder + "survey.tab", "!table\r\n");  // first: never newer than the .mid
  dir.write(folder + "survey.mif",
            lines({"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                   "CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 1000)", "Columns 4", "  Z Float", "  MNR Float",
                   "  LCR Char(1)", "  XS_ID Char(12)", "Data", "", "Point 100 50", "Point 103 50", "Point 107 50"}));
  dir.write(folder + "survey.mid", lines({"12.5,0.05,L,A", "10.25,0.035,C,A", "11,0.035,C,A"}));
}

const std::string kManningCsv = lines({"\"A\",", "\"X\",\"Z\",\"N\",\"LCR\"", "     0.000,  12.500,     0.050, 1",
                                       "     3.000,  10.250,     0.035, 2", "     7.000,  11.000,     0.035, 2"});

std::string xsRecord(const std::string& csv) {
  return lines({"\"" + csv + "\",\"XZ\",\"NP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0"});
}

TEST(PlatformE2E, ConsoleLinesEndAsThePlatformsDo) {
  ScratchDir dir;
  const auto run = dir.run({});
  ASSERT_EQ(run.status, 0);
  ASSERT_NE(run.output.find("\nPress Enter to Close\n"), std::string::npos);
  std::size_t ends = 0, crlf = 0;
  for (std::size_t i = 0; i < run.printed.size(); ++i) {
    if (run.printed[i] != '\n') continue;
    ++ends;
    if (i > 0 && run.printed[i - 1] == '\r') ++crlf;
  }
  EXPECT_GT(ends, 20u);
  // A Windows console program ends every line with CR LF; a POSIX one with LF alone.
  EXPECT_EQ(crlf, windowsTarget() ? ends : 0u) << "lines: " << ends;
}

TEST(PlatformE2E, OptionIntroducers) {
  // A Windows console in code page 1252 hands an en dash to the program as
  // byte 0x96. Under Wine it is typed in UTF-8, which Wine converts to that
  // byte; a lone 0x96 byte would reach the program as "?".
  const std::string enDash = windowsTarget() ? "\xE2\x80\x93" : "\x96";
  for (const std::string& introducer : {std::string("-"), std::string("/"), enDash}) {
    ScratchDir dir;
    writeSurvey(dir);
    const auto run = dir.run({introducer + "n", "survey.mif"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(dir.read("A.csv"), kManningCsv) << introducer;
  }
}

TEST(PlatformE2E, FirstLayerByItsFullPathFromAnotherFolder) {
  // "/tmp/.../survey.mif" on POSIX systems; "Z:\tmp\...\survey.mif" on
  // Windows, where an argument starting with "/" is an option.
  ScratchDir data, elsewhere;
  writeSurvey(data);
  const auto run = elsewhere.run({"-N", hostPath(data.path() / "survey.mif")});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(data.read("A.csv"), kManningCsv);
  EXPECT_EQ(data.read("1d_xs.mid"), xsRecord(hostPath(data.path() / "A.csv")));
  EXPECT_TRUE(elsewhere.files().empty());
}

TEST(PlatformE2E, BackslashSeparatesFolders) {
  ScratchDir dir;
  writeSurvey(dir, "river/");
  const auto run = dir.run({"-N", "river\\survey.mif"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(dir.read("river/A.csv"), kManningCsv);
  EXPECT_EQ(dir.read("river/1d_xs.mid"), xsRecord("river\\A.csv"));
  EXPECT_FALSE(dir.has("A.csv"));
}

TEST(PlatformE2E, LetterCaseOfFileNamesFollowsTheFileSystem) {
  ScratchDir dir;
  writeSurvey(dir);
  const auto run = dir.run({"-N", "SURVEY.mif"});
  if (windowsTarget()) {
    // Windows finds the file whatever the case of its letters.
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(dir.read("A.csv"), kManningCsv);
  } else {
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_TRUE(testing::hasLine(run.output, "CHECK 0008 - \"SURVEY.mif\" cannot be found")) << run.output;
    EXPECT_FALSE(dir.has("A.csv"));
  }
}

TEST(PlatformE2E, AnOutputNamedLikeAnInputInOtherLetterCase) {
  // An ISIS model saved as "Xs1.csv" holds the section XS1, written to "XS1.csv".
  ScratchDir dir;
  dir.write("proj.mif", lines({"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                               "CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 1000)", "Columns 1", "  ID Integer",
                               "Data", ""}));
  dir.write("proj.mid", "");
  const std::string model =
      lines({"Model", "END GENERAL", "RIVER Main", "SECTION", "XS1", "    10.000", "         2",
             isisPoint(0, 12, 0.035, "", 10, 20), isisPoint(4, 11, 0.035, "", 14, 20), "GISINFO"});
  dir.write("Xs1.csv", model);
  const auto run = dir.run({"-N", "-isis", "proj.mif", "Xs1.csv"});
  EXPECT_EQ(dir.read("Xs1.csv"), model);
  if (windowsTarget()) {
    // One file to Windows: the run stops before it writes anything.
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("XS1.csv\" would replace the input file \""), std::string::npos) << run.output;
    EXPECT_EQ(dir.files().size(), 3u);
  } else {
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(dir.read("XS1.csv").rfind("\"XS1\",\"Xs1\",\"RIVER Main\",\"SECTION\",\r\n", 0), 0u);
  }
}

TEST(PlatformE2E, ALaterRunReplacesTheOutputsAndLeavesNothingElse) {
  ScratchDir dir;
  writeSurvey(dir);
  ASSERT_EQ(dir.run({"-M", "survey.mif"}).status, 0);
  const auto first = dir.files();
  ASSERT_NE(dir.read("A.csv").find("\"M\""), std::string::npos);
  const auto run = dir.run({"-N", "survey.mif"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(dir.read("A.csv"), kManningCsv);
  EXPECT_EQ(dir.read("1d_xs.mid"), xsRecord("A.csv"));
  std::vector<std::string> before, after;
  for (const auto& [name, bytes] : first) before.push_back(name);
  for (const auto& [name, bytes] : dir.files()) after.push_back(name);
  EXPECT_EQ(after, before);
  EXPECT_EQ(after.size(), 3u + 1u + 6u + 1u);  // the inputs, A.csv, the layers and the folder's empty .kestrix.lock
  EXPECT_EQ(dir.read(".kestrix.lock"), "");
}

}  // namespace
}  // namespace kestrix
