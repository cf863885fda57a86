// The modeller's interface through the real binary: unattended (-batch) and
// quiet runs, the summary, help and version, the save-date setting, the
// output folder, the warnings where data would change without a word, and a
// corrected file name that is asked for once.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "kestrix_version.h"
#include "support/e2e.h"
#include "support/fakes.h"
#include "support/layer_text.h"

namespace kestrix {
namespace {

using testing::hasLine;
using testing::ScratchDir;
using testing::SurveyLayer;

constexpr int kWatchdogSeconds = 60;  // far beyond any run here: it only catches a run that waits

int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

int csvFiles(const std::filesystem::path& folder) {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".csv") ++n;
  return n;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// GOOD is written; ONE_C (one C point) and NO_L (no L point) are dropped, each after a pause.
SurveyLayer goodAndTwoDropped() {
  SurveyLayer l;
  l.point(0, 0, "1,0.03,L,GOOD").point(1, 0, "1,0.03,C,GOOD").point(2, 0, "1,0.03,C,GOOD");
  l.point(0, 5, "1,0.03,L,ONE_C").point(1, 5, "1,0.03,C,ONE_C");
  l.point(1, 9, "1,0.03,C,NO_L").point(2, 9, "1,0.03,C,NO_L").point(3, 9, "1,0.03,R,NO_L");
  return l;
}

// One section with a start line in the same layer, so that the layer is read twice.
SurveyLayer sectionWithLine() {
  SurveyLayer l;
  l.point(100, 0, "5,0.03,L,A").point(103, 4, "4,0.03,C,A").point(106, 8, "3,0.03,C,A");
  l.pline({{100, -3}, {110, 10}}, "A");
  return l;
}

TEST(InterfaceE2E, BatchNeverWaitsWithInputHeldOpen) {
  ScratchDir dir;
  goodAndTwoDropped().save(dir, "s");
  // The two pauses and the closing prompt are shown, not waited for.
  const auto run = dir.runWithOpenInput({"-batch", "-N", "s.mif"}, kWatchdogSeconds);
  ASSERT_FALSE(run.killed) << run.output;
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(count(run.output, "\nPress Enter to Continue\n"), 2);
  EXPECT_TRUE(endsWith(run.output, "\nFinished.\n\nPress Enter to Close\n")) << run.output;
  EXPECT_TRUE(dir.has("GOOD.csv"));

  // A question ends the run at once, naming the file it was about.
  const auto missing = dir.runWithOpenInput({"-N", "missing.mif", "-batch"}, kWatchdogSeconds);
  ASSERT_FALSE(missing.killed) << missing.output;
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("CHECK 0008 - \"missing.mif\" cannot be found\n\n"
                                "Check file exists and press enter or enter another file name: \n"
                                "ERROR - No answer for \"missing.mif\" (file name prompt): the run was started with "
                                "-batch\n\nPress Enter to Close\n"),
            std::string::npos)
      << missing.output;

  // A table saved after its export: no re-export prompt is waited at.
  dir.write("s.tab", "!newer\r\n");
  std::filesystem::last_write_time(dir.path() / "s.tab",
                                   std::filesystem::last_write_time(dir.path() / "s.mid") + std::chrono::seconds(5));
  const auto stale = dir.runWithOpenInput({"-batch", "-N", "s.mif"}, kWatchdogSeconds);
  ASSERT_FALSE(stale.killed) << stale.output;
  EXPECT_EQ(stale.status, 1);
  EXPECT_TRUE(hasLine(stale.output, "ERROR - No answer for \"s.mid\" (re-export prompt): the run was started with -batch"))
      << stale.output;

  // -batch holds wherever it stands, even for a stop while the command line is read.
  const auto badValue = dir.runWithOpenInput({"-mxs", "s.mif", "-batch"}, kWatchdogSeconds);
  ASSERT_FALSE(badValue.killed);
  EXPECT_EQ(badValue.status, 1);
  EXPECT_NE(badValue.output.find("ERROR reading data"), std::string::npos);
}

TEST(InterfaceE2E, QuietRunOfALargeSurveyKeepsWarningsAndTheSummary) {
  ScratchDir dir;
  // 1000 sections of 100 points (2 L, 96 C, 2 R), then one section with a single C point.
  std::string mif = std::string(testing::kSurveyHeader) +
                    "Columns 4\r\n  Z Float\r\n  MNR Float\r\n  LCR Char(1)\r\n  XS_ID Char(12)\r\nData\r\n\r\n";
  std::string mid;
  for (int s = 0; s < 1000; ++s) {
    for (int p = 0; p < 100; ++p) {
      mif += "Point " + std::to_string(p) + " " + std::to_string(10 * s) + "\r\n";
      const char* lcr = p < 2 ? "L" : p < 98 ? "C" : "R";
      mid += std::to_string(10 + p % 7) + ",0.035," + lcr + ",S" + std::to_string(s) + "\r\n";
    }
  }
  mif += "Point 0 -10\r\nPoint 1 -10\r\n";
  mid += "5,0.035,L,BAD\r\n5,0.035,C,BAD\r\n";
  dir.write("big.tab", "");
  dir.write("big.mif", mif);
  dir.write("big.mid", mid);

  const auto run = dir.runWithOpenInput({"-quiet", "-batch", "-N", "big.mif"}, kWatchdogSeconds);
  ASSERT_FALSE(run.killed);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_LT(count(run.output, "\n"), 100) << run.output;
  for (const char* left : {" Read ", "Found new cross-section ID", "Sorting", "File Unit", "Trying to open",
                           "Checking save date", "Copying header"})
    EXPECT_EQ(run.output.find(left), std::string::npos) << left;
  EXPECT_EQ(run.output.rfind("\nBuild 2019-08-AA-iSP\n", 0), 0u);
  EXPECT_TRUE(hasLine(run.output, "Reading Cross-Section Points from big.mif..."));
  EXPECT_TRUE(hasLine(run.output, "WARNING - Less than two \"C\" points found for cross-section BAD"));
  EXPECT_NE(run.output.find("\n\nSummary: input files read: 1\n"
                            "Summary: points read: 100002\n"
                            "Summary: cross-sections found: 1001\n"
                            "Summary: cross-sections written (.csv files): 1000\n"
                            "Summary: cross-sections dropped: 1 (\"BAD\")\n"
                            "Summary: warnings: 1\n"
                            "Summary: output folder: .\n\nFinished.\n\nPress Enter to Close\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(csvFiles(dir.path()), 1000);
}

TEST(InterfaceE2E, SummaryCountsEqualTheFilesWritten) {
  ScratchDir dir;
  goodAndTwoDropped().save(dir, "sub/s");
  const auto run = dir.run({"-N", "sub/s.mif"}, "\n\n");
  ASSERT_EQ(run.status, 0) << run.output;
  // The summary follows the writer's last line and stands just before "Finished.".
  EXPECT_NE(run.output.find("...Closed File Unit:1007\n\n"
                            "Summary: input files read: 1\n"
                            "Summary: points read: 8\n"
                            "Summary: cross-sections found: 3\n"
                            "Summary: cross-sections written (.csv files): 1\n"
                            "Summary: cross-sections dropped: 2 (\"ONE_C\", \"NO_L\")\n"
                            "Summary: warnings: 2\n"
                            "Summary: output folder: sub/\n\nFinished.\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(csvFiles(dir.path() / "sub"), 1);

  // A doubled separator in the layer's name is dropped from the folder the outputs go to and are named by.
  const auto doubled = dir.run({"-batch", "-N", "sub//s.mif"});
  ASSERT_EQ(doubled.status, 0) << doubled.output;
  EXPECT_TRUE(hasLine(doubled.output, "Summary: output folder: sub/"));
  EXPECT_NE(dir.read("sub/1d_xs.mid").find("\"sub/"), std::string::npos);
  EXPECT_EQ(dir.read("sub/1d_xs.mid").find("sub//"), std::string::npos);

  // More than 20 dropped sections are counted, not named.
  SurveyLayer many;
  many.point(0, 0, "1,0.03,L,KEPT").point(1, 0, "1,0.03,C,KEPT").point(2, 0, "1,0.03,C,KEPT");
  for (int s = 0; s < 21; ++s) many.point(0, 10 + s, "1,0.03,C,D" + std::to_string(s));
  many.save(dir, "many");
  const auto dropped = dir.run({"-batch", "-N", "many.mif"});
  ASSERT_EQ(dropped.status, 0) << dropped.output;
  EXPECT_TRUE(hasLine(dropped.output, "Summary: cross-sections found: 22"));
  EXPECT_TRUE(hasLine(dropped.output, "Summary: cross-sections written (.csv files): 1"));
  EXPECT_TRUE(hasLine(dropped.output, "Summary: cross-sections dropped: 21"));
  EXPECT_TRUE(hasLine(dropped.output, "Summary: warnings: 21"));
}

// A console of more than a megabyte goes out in blocks beside the files
// being written; it must still come out whole and in the order it was said.
TEST(InterfaceE2E, ALongConsoleComesOutWholeAndInOrder) {
  ScratchDir dir;
  SurveyLayer survey;
  constexpr int kSections = 40, kCentre = 900;
  for (int s = 0; s < kSections; ++s) {
    const std::string id = "S" + std::to_string(s);
    survey.point(0, 10.0 * s, "1,0.03,L," + id);
    for (int p = 1; p <= kCentre; ++p) survey.point(0.01 * p, 10.0 * s, "1,0.03,C," + id);
    survey.point(0.01 * (kCentre + 1), 10.0 * s, "1,0.03,R," + id);
  }
  survey.save(dir, "long");
  const auto run = dir.run({"-batch", "-N", "long.mif"});
  ASSERT_EQ(run.status, 0) << run.output.substr(run.output.size() - std::min<std::size_t>(run.output.size(), 2000));
  ASSERT_GT(run.output.size(), std::size_t{1} << 20);
  // Every point read is said once, section after section and point after point.
  const std::regex read(R"(^ Read C point +(\d+) for XS S(\d+)$)");
  int lines = 0, lastSection = -1, lastPoint = 0;
  bool ordered = true;
  std::size_t at = 0;
  while (at < run.output.size()) {
    const std::size_t end = run.output.find('\n', at);
    const std::string line = run.output.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? run.output.size() : end + 1;
    std::smatch m;
    if (!std::regex_match(line, m, read)) continue;
    const int point = std::stoi(m[1]), section = std::stoi(m[2]);
    if (section == lastSection ? point != lastPoint + 1 : (section != lastSection + 1 || point != 1)) ordered = false;
    lastSection = section;
    lastPoint = point;
    ++lines;
  }
  EXPECT_EQ(lines, kSections * kCentre);
  EXPECT_TRUE(ordered);
  EXPECT_TRUE(hasLine(run.output, "Summary: cross-sections written (.csv files): 40"));
  EXPECT_EQ(run.output.substr(run.output.size() - 33), "\nFinished.\n\nPress Enter to Close\n");
}

TEST(InterfaceE2E, HelpAndVersionAnswerAndSucceed) {
  ScratchDir dir;
  const auto help = dir.run({"--help"});
  EXPECT_EQ(help.status, 0);
  // The usage text, then the options it does not list; no banner and no pause.
  EXPECT_EQ(help.output.rfind("\nKestrix.exe\nGenerates .csv VORLAN cross-section files", 0), 0u) << help.output;
  EXPECT_NE(help.output.find("   Example: Kestrix -M -m11 Projection.mif xs.txt my_model.nwk11 my_model.hd11\n\n"
                             "Further options (introduced by -, / or an en dash, in any case):\n"
                             "   -batch  - never wait and never ask"),
            std::string::npos);
  for (const char* option :
       {"-quiet", "-savedate:error", "-savedate:warning", "-savedate:off", "-out:FOLDER", "-gpkg", "-crs:DEF"})
    EXPECT_NE(help.output.find(std::string("\n   ") + option + " "), std::string::npos) << option;
  EXPECT_EQ(help.output.find("Press Enter to Close"), std::string::npos);
  EXPECT_EQ(help.output.find("Build 2019"), std::string::npos);
  // Every spelling gives the same text, also among other arguments.
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"-help"}, {"/?"}, {"-HELP"}, {"\xE2\x80\x93help"}, {"-N", "survey.mif", "-helpme"}}) {
    const auto again = dir.run(args);
    EXPECT_EQ(again.status, 0) << args.front();
    EXPECT_EQ(again.output, help.output) << args.front();
  }

  const auto version = dir.run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, std::string(kVersionLine) + "\n");
  EXPECT_TRUE(std::regex_match(version.output, std::regex("Kestrix [0-9]+\\.[0-9]+\\.[0-9]+( \\(commit [0-9a-f]+\\))?\n")))
      << version.output;
  EXPECT_EQ(dir.run({"-Version", "x.mif"}).output, version.output);
}

TEST(InterfaceE2E, SaveDateSettingsOnALayerWithoutTable) {
  ScratchDir dir;
  const SurveyLayer layer = sectionWithLine();
  dir.write("gdal.mif", layer.mif());
  dir.write("gdal.mid", layer.mid());

  const auto strict = dir.run({"-N", "gdal.mif"});
  EXPECT_EQ(strict.status, 1);
  EXPECT_TRUE(hasLine(strict.output, "ERROR 0004 - Could not access save date of \"gdal.mid\" to check with \"gdal.tab\""));
  EXPECT_NE(strict.output.find("\nNOTE - Layers exported by QGIS or GDAL have no MapInfo table: run with "
                               "-savedate:off or -savedate:warning\n"),
            std::string::npos)
      << strict.output;
  EXPECT_FALSE(dir.has("A.csv"));
  EXPECT_EQ(dir.run({"-N", "-savedate:error", "gdal.mif"}).output, strict.output);

  // The layer is read twice (points, then lines) and reported once.
  const auto warned = dir.run({"-N", "-SaveDate:Warning", "gdal.mif"});
  EXPECT_EQ(warned.status, 0) << warned.output;
  EXPECT_NE(warned.output.find("Checking save date is later than that of gdal.tab...NOT OK\n\n"
                               "WARNING 0004 - Could not access save date of \"gdal.mid\" to check with \"gdal.tab\"\n"),
            std::string::npos)
      << warned.output;
  EXPECT_EQ(count(warned.output, "0004"), 1);
  EXPECT_EQ(warned.output.find("NOTE - "), std::string::npos);
  EXPECT_TRUE(hasLine(warned.output, "Summary: warnings: 1"));
  EXPECT_TRUE(dir.has("A.csv"));
  const std::string csv = dir.read("A.csv");

  std::filesystem::remove(dir.path() / "A.csv");
  const auto off = dir.run({"-N", "/savedate:off", "gdal.mif"});
  EXPECT_EQ(off.status, 0) << off.output;
  EXPECT_EQ(off.output.find("Checking save date"), std::string::npos);
  EXPECT_EQ(off.output.find("0004"), std::string::npos);
  EXPECT_EQ(dir.read("A.csv"), csv);

  // A newer table is reported and read, without the re-export prompt.
  dir.write("gdal.tab", "!table\r\n");
  std::filesystem::last_write_time(dir.path() / "gdal.tab",
                                   std::filesystem::last_write_time(dir.path() / "gdal.mid") + std::chrono::seconds(5));
  const auto newer = dir.run({"-N", "-savedate:warning", "gdal.mif"});
  EXPECT_EQ(newer.status, 0) << newer.output;
  EXPECT_TRUE(hasLine(newer.output, "WARNING 0004 - Save date of \"gdal.tab\" file is later than that of \"gdal.mid\""));
  EXPECT_EQ(newer.output.find("Re-export"), std::string::npos);

  const auto unknown = dir.run({"-N", "-savedate:maybe", "gdal.mif"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_TRUE(hasLine(unknown.output, "ERROR - Unknown save-date setting \"-savedate:maybe\": use -savedate:error, "
                                      "-savedate:warning or -savedate:off"));
}

TEST(InterfaceE2E, DimensionsKeepTheLetterAndUnknownOptionsAreNamed) {
  ScratchDir dir;
  goodAndTwoDropped().save(dir, "s");
  const auto run = dir.run({"-batch", "-N", "-mxs20000", "-htlm", "s.mif"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(hasLine(run.output, "WARNING - Unknown option \"-htlm\" was ignored: kestrix --help lists the options"));
  EXPECT_TRUE(hasLine(run.output, "Summary: warnings: 3"));  // with the two dropped sections
  // Manning's n as typed with -N, not material 0.
  EXPECT_EQ(dir.read("GOOD.csv"), "\"GOOD\",\r\n\"X\",\"Z\",\"N\",\"LCR\"\r\n     0.000,   1.000,     0.030, 1\r\n"
                                  "     1.000,   1.000,     0.030, 2\r\n     2.000,   1.000,     0.030, 2\r\n");
  EXPECT_FALSE(dir.has("kestrix_report.html"));
}

TEST(InterfaceE2E, OutFolderIsCreatedAndNamedInTheLayers) {
  ScratchDir dir;
  goodAndTwoDropped().save(dir, "s");
  // The folder is named with this system's separator, whatever was typed.
  const std::string sep = testing::windowsTarget() ? "\\" : "/";
  const auto run = dir.run({"-batch", "-N", "-out:results\\run1", "s.mif"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(hasLine(run.output, "Created the output folder \"results" + sep + "run1\""));
  EXPECT_TRUE(hasLine(run.output, "Summary: output folder: results" + sep + "run1" + sep));
  for (const char* name : {"GOOD.csv", "1d_xs.mif", "1d_xs.mid", "_xs_bed_points.mif", "_xs_bed_points.mid",
                           "_xs_all_points.mif", "_xs_all_points.mid"}) {
    EXPECT_TRUE(dir.has(std::string("results/run1/") + name)) << name;
    EXPECT_FALSE(dir.has(name)) << name;
  }
  EXPECT_EQ(dir.read("results/run1/1d_xs.mid"),
            "\"results" + sep + "run1" + sep + "GOOD.csv\",\"XZ\",\"NP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0\r\n");
  // The header of every output layer is still the first input's.
  EXPECT_EQ(dir.read("results/run1/1d_xs.mif").rfind(testing::kSurveyHeader, 0), 0u);

  // An existing folder is used as it is.
  const auto again = dir.run({"-batch", "-N", "-out:results", "s.mif"});
  ASSERT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(again.output.find("Created the output folder"), std::string::npos);
  EXPECT_EQ(dir.read("results/1d_xs.mid"), "\"results" + sep + "GOOD.csv\",\"XZ\",\"NP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0\r\n");

  const auto blank = dir.run({"-N", "-out:", "s.mif"});
  EXPECT_EQ(blank.status, 1);
  EXPECT_TRUE(hasLine(blank.output, "ERROR - No output folder named in \"-out:\": write it as -out:FOLDER"));

  dir.write("afile", "not a folder");
  const auto clash = dir.run({"-batch", "-N", "-out:afile", "s.mif"});
  EXPECT_EQ(clash.status, 1);
  EXPECT_TRUE(hasLine(clash.output, "ERROR - Could not create the output folder \"afile\""));
}

TEST(InterfaceE2E, FractionalMaterialNumbersAreReportedOnce) {
  ScratchDir dir;
  SurveyLayer l;
  l.point(0, 0, "12,0.06,L,XS1").point(4, 0, "11,0.06,L,XS1").point(7, 0, "10,0.035,C,XS1").point(9, 0, "8,0.03,C,XS1");
  l.point(0, 5, "12,0.06,L,XS2").point(4, 5, "11,0.06,C,XS2").point(7, 5, "10,0.035,C,XS2");
  l.save(dir, "s");
  const auto material = dir.run({"s.mif"});
  ASSERT_EQ(material.status, 0) << material.output;
  const std::string warning =
      "WARNING - Resistance value 0.06 of cross-section \"XS1\" is not a whole number, but -M (the default) reads "
      "material numbers: it is written as material 0.  Use -N or -N2M if the values are Manning's n";
  EXPECT_TRUE(hasLine(material.output, warning)) << material.output;
  EXPECT_EQ(count(material.output, "WARNING"), 1);
  // The values written are the rounded ones, as before.
  EXPECT_NE(dir.read("XS1.csv").find("     0.000,  12.000,     0, 1\r\n"), std::string::npos);

  for (const char* option : {"-N", "-N2M", "-R"}) {
    const auto run = dir.run({option, "s.mif"});
    EXPECT_EQ(run.output.find("WARNING"), std::string::npos) << option;
  }
  SurveyLayer whole;
  whole.point(0, 0, "12,1,L,W").point(4, 0, "11,2,C,W").point(7, 0, "10,0,C,W");
  whole.save(dir, "w");
  EXPECT_EQ(dir.run({"-M", "w.mif"}).output.find("WARNING"), std::string::npos);
}

TEST(InterfaceE2E, BlankValuesTakenFromThePreviousRecordAreReportedAndABlankZIsLeftOut) {
  ScratchDir dir;
  SurveyLayer l;
  l.point(0, 0, "12,0.06,L,XS1").point(4, 0, ",,C,XS1").point(7, 0, "10,0.035,,XS1").point(9, 0, "8,0.03,C,XS1");
  l.save(dir, "s");
  const auto run = dir.run({"-N", "s.mif"});
  ASSERT_EQ(run.status, 0) << run.output;
  // The second record has no elevation: it is left out, but its LCR still carries on to the third.
  EXPECT_TRUE(hasLine(run.output, "WARNING - \"s.mid\" has 1 point record without an elevation (Z), left out: 2"))
      << run.output;
  EXPECT_TRUE(hasLine(run.output, "WARNING - Record 3 of \"s.mid\" has no value for LCR: the previous point record's "
                                  "values are used (LCR \"C\")"));
  EXPECT_EQ(count(run.output, "WARNING"), 2);
  EXPECT_TRUE(hasLine(run.output, "Summary: points read: 3"));
  EXPECT_TRUE(hasLine(run.output, "Summary: warnings: 2"));
  EXPECT_EQ(count(run.output, " Read C point"), 2);
  // The section is made of the other three points.
  EXPECT_EQ(dir.read("XS1.csv"), "\"XS1\",\r\n\"X\",\"Z\",\"N\",\"LCR\"\r\n     0.000,  12.000,     0.060, 1\r\n"
                                "     7.000,  10.000,     0.035, 2\r\n     9.000,   8.000,     0.030, 2\r\n");
}

TEST(InterfaceE2E, BundledExampleRaisesNoWarning) {
  ScratchDir dir;
  const std::filesystem::path examples = std::filesystem::path(KESTRIX_SOURCE_DIR) / "examples";
  for (const char* base : {"survey", "start_lines"}) {
    std::filesystem::copy_file(examples / (std::string(base) + ".mif"), dir.path() / (std::string(base) + ".mif"));
    std::filesystem::copy_file(examples / (std::string(base) + ".mid"), dir.path() / (std::string(base) + ".mid"));
  }
  // The README's command, as typed in the repository root.
  const auto run = dir.runWithOpenInput({"-batch", "-N", "-savedate:off", "survey.mif", "start_lines.mif"},
                                        kWatchdogSeconds);
  ASSERT_FALSE(run.killed);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.find("WARNING"), std::string::npos) << run.output;
  EXPECT_TRUE(hasLine(run.output, "Summary: cross-sections written (.csv files): 3"));
  EXPECT_TRUE(hasLine(run.output, "Summary: warnings: 0"));
  EXPECT_EQ(csvFiles(dir.path()), 3);
}

TEST(InterfaceE2E, CorrectedLayerNameIsAskedForOnce) {
  ScratchDir dir;
  sectionWithLine().save(dir, "sub/real");
  const auto run = dir.run({"-N", "wrong.mif"}, "sub/real.mif\n");
  ASSERT_EQ(run.status, 0) << run.output;
  // One prompt: the .mid beside the answer, the second reading, the header copy and the output folder follow it.
  EXPECT_EQ(count(run.output, "Check file exists and press enter or enter another file name: "), 1) << run.output;
  EXPECT_EQ(count(run.output, "CHECK 0008"), 1);
  EXPECT_TRUE(hasLine(run.output, "Checking save date is later than that of sub/real.tab...OK"));
  EXPECT_EQ(count(run.output, "Trying to open file sub/real.mif...OK."), 3);
  EXPECT_TRUE(hasLine(run.output, "Summary: output folder: sub/"));
  EXPECT_TRUE(dir.has("sub/A.csv"));
  EXPECT_FALSE(dir.has("A.csv"));
  EXPECT_EQ(dir.read("sub/1d_xs.mif").rfind(testing::kSurveyHeader, 0), 0u);
}

}  // namespace
}  // namespace kestrix
