// What every run leaves on disk, as a GIS and a spreadsheet read it: layers
// that GDAL reads without a word, text values quoted, numbers in full, no
// output over an input, and nothing at all from a run that fails.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/fakes.h"
#include "support/layer_check.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrix {
namespace {

using testing::gdalAvailable;
using testing::isisPoint;
using testing::lines;
using testing::midRecordCount;
using testing::mifObjectCount;
using testing::readWithGdal;
using testing::ScratchDir;

const char* const kLayers[] = {"1d_xs", "_xs_bed_points", "_xs_all_points"};

std::string projection(const std::string& delimiterLine) {
  std::vector<std::string> mif = {"Version 300", "Charset \"WindowsLatin1\""};
  if (!delimiterLine.empty()) mif.push_back(delimiterLine);
  mif.insert(mif.end(), {"CoordSys NonEarth Units \"m\" Bounds (-1e9, -1e9) (1e9, 1e9)", "Columns 1", "  ID Integer",
                         "Data", ""});
  return lines(mif);
}

// An ISIS model file with one river section per label: points L, C (LEFT), C, R (RIGHT).
// `easting` replaces columns 51-60 of the third point.
std::string isisModel(const std::vector<std::string>& labels, double z = 9.125, const std::string& easting = "") {
  std::vector<std::string> all = {"Hand-made model", "END GENERAL"};
  for (const std::string& label : labels) {
    std::string third = isisPoint(5, z, 0.04, "", 1003, 2003);
    if (!easting.empty()) third.replace(50, 10, easting);
    all.insert(all.end(), {"RIVER Main", "SECTION", label, "    10.000", "         4",
                           isisPoint(0, 12.5, 0.035, "", 1000.5, 2000.25), isisPoint(2, 10.25, 0.035, "LEFT", 1001.5, 2001.25),
                           third, isisPoint(8, 11, 0, "RIGHT", 1005, 2005)});
  }
  all.push_back("GISINFO");
  return lines(all);
}

void writeIsis(const ScratchDir& dir, const std::string& model = isisModel({"XS1", "XS2"})) {
  dir.write("proj.mif", projection("Delimiter \",\""));
  dir.write("proj.mid", "");
  dir.write("model.dat", model);
}

// Every file in the folder, with its bytes.
std::vector<std::pair<std::string, std::string>> snapshot(const ScratchDir& dir) {
  std::vector<std::pair<std::string, std::string>> all;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    all.emplace_back(name, dir.read(name));
  }
  std::sort(all.begin(), all.end());
  return all;
}

bool anyTemporary(const ScratchDir& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    if (entry.path().filename().string().rfind(".kestrix-", 0) == 0) return true;
  return false;
}

// Each layer has as many objects as records, and GDAL reads it without a
// warning or error; returns the layers as GDAL read them.
void expectReadable(const ScratchDir& dir, const std::vector<std::string>& layers) {
  for (const std::string& layer : layers) {
    const std::string mif = dir.read(layer + ".mif"), mid = dir.read(layer + ".mid");
    EXPECT_EQ(mifObjectCount(mif), midRecordCount(mid)) << layer;
    EXPECT_EQ(mif.find('*'), std::string::npos) << layer;
    EXPECT_EQ(mid.find('*'), std::string::npos) << layer;
    if (!gdalAvailable()) continue;
    const auto read = readWithGdal(dir.path() / (layer + ".mif"));
    EXPECT_TRUE(read.ran) << layer;
    EXPECT_EQ(read.messages, "") << layer;
    EXPECT_EQ(static_cast<int>(read.rows.size()), midRecordCount(mid)) << layer;
    for (const auto& row : read.rows) EXPECT_EQ(row.size(), read.columns.size()) << layer;
  }
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// GDAL hands text out in UTF-8, recoded from the layers' WindowsLatin1.
std::string latin1ToUtf8(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// As GDAL reads them, 1d_xs names every .csv file written (but those the run
// said it could not draw), and each bed point carries the identifier and the
// lowest C level of a .csv file.
void expectLayersAgreeWithCsvFiles(const ScratchDir& dir, const std::string& console) {
  std::multimap<std::string, double> lowest;  // identifier -> lowest C level of its .csv file
  int csvFiles = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 4 || name.substr(name.size() - 4) != ".csv") continue;
    ++csvFiles;
    const auto rows = testing::parseCsv(dir.read(name));
    double low = 1e30;
    for (std::size_t r = 2; r < rows.size(); ++r)
      if (std::stoi(rows[r][3]) == 2) low = std::min(low, std::stod(rows[r][1]));
    lowest.emplace(latin1ToUtf8(rows[0][0]), low);
  }
  const auto sections = readWithGdal(dir.path() / "1d_xs.mif");
  const auto beds = readWithGdal(dir.path() / "_xs_bed_points.mif");
  EXPECT_EQ(static_cast<int>(sections.rows.size()), csvFiles - count(console, "has no points to draw in 1d_xs"));
  for (const auto& row : sections.rows) EXPECT_TRUE(dir.has(row.at(0))) << row.at(0);
  for (const auto& row : beds.rows) {
    bool found = false;
    const auto [from, to] = lowest.equal_range(row.at(0));
    for (auto it = from; it != to; ++it) found = found || std::abs(it->second - std::stod(row.at(1))) < 5e-4;
    EXPECT_TRUE(found) << row.at(0) << " " << row.at(1);
  }
}

TEST(OutputIntegrityE2E, ExampleLayersAgreeWithTheCsvFilesInGdal) {
  if (!gdalAvailable()) GTEST_SKIP() << "GDAL's ogr2ogr is not installed (Debian's gdal-bin)";
  ScratchDir dir;
  for (const char* name : {"survey", "start_lines"}) {
    dir.write(std::string(name) + ".tab", "!table\r\n");
    dir.write(std::string(name) + ".mif", testing::sourceFile(std::string("examples/") + name + ".mif"));
    dir.write(std::string(name) + ".mid", testing::sourceFile(std::string("examples/") + name + ".mid"));
  }
  const auto run = dir.run({"-N", "survey.mif", "start_lines.mif"}, "\n");
  ASSERT_EQ(run.status, 0) << run.output;
  expectReadable(dir, {kLayers[0], kLayers[1], kLayers[2]});
  EXPECT_EQ(readWithGdal(dir.path() / "1d_xs.mif").rows.size(), 3u);
  expectLayersAgreeWithCsvFiles(dir, run.output);
}

TEST(OutputIntegrityE2E, EveryLayerDeclaresTheCommaDelimiter) {
  // ";" as a real MapInfo export may have it, none (which means TAB), and the comma itself.
  for (const std::string delimiter : {"DELIMITER \";\"", "", "Delimiter \",\""}) {
    ScratchDir dir;
    writeIsis(dir);
    dir.write("proj.mif", projection(delimiter));
    const auto run = dir.run({"-N", "-isis", "proj.mif", "model.dat"});
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* layer : kLayers) {
      const std::string mif = dir.read(std::string(layer) + ".mif");
      EXPECT_EQ(mif.rfind("Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\nCoordSys NonEarth", 0), 0u)
          << delimiter << "\n" << mif;
    }
    expectReadable(dir, {kLayers[0], kLayers[1], kLayers[2]});
  }
}

TEST(OutputIntegrityE2E, QuotesAndCommasInNamesAreQuoted) {
  ScratchDir dir;
  writeIsis(dir, isisModel({"RIV\"1,1"}));
  const auto run = dir.run({"-N", "-isis", "proj.mif", "model.dat"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(dir.read("RIV_1_1.csv").rfind("\"RIV\"\"1,1\",\"model\",\"RIVER Main\",\"SECTION\",\r\n", 0), 0u)
      << dir.read("RIV_1_1.csv");
  EXPECT_EQ(dir.read("_xs_bed_points.mid"), "\"RIV\"\"1,1\",   9.125\r\n");
  expectReadable(dir, {kLayers[0], kLayers[1], kLayers[2]});
  if (gdalAvailable()) {
    EXPECT_EQ(readWithGdal(dir.path() / "_xs_bed_points.mif").rows.at(0).at(0), "RIV\"1,1");
  }
}

TEST(OutputIntegrityE2E, NumbersTooWideAreWrittenInFullWithAWarning) {
  ScratchDir dir;
  // Z -9999 as ISIS files mark missing levels; an easting that needs 17 columns.
  writeIsis(dir, isisModel({"XS1"}, -9999.0, "-123456789"));
  const auto run = dir.run({"-M", "-isis", "proj.mif", "model.dat"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(dir.read("XS1.csv").find("\r\n     5.000,-9999.000,    40, 2\r\n"), std::string::npos) << dir.read("XS1.csv");
  EXPECT_NE(run.output.find("\nWARNING - Cross-section \"XS1\": the value -9999.000 does not fit its column in "
                            "XS1.csv - written in full\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("WARNING", run.output.find("-9999.000 does not fit") + 10), std::string::npos);
  EXPECT_NE(dir.read("_xs_all_points.mif").find("Point  -123456789.000000     2003.000000\r\n"), std::string::npos);
  EXPECT_NE(dir.read("_xs_all_points.mid").find("\"XS1\",-9999.000\r\n"), std::string::npos);
  expectReadable(dir, {kLayers[0], kLayers[1], kLayers[2]});
  if (gdalAvailable()) {
    const auto all = readWithGdal(dir.path() / "_xs_all_points.mif", true);
    ASSERT_EQ(all.rows.size(), 3u);
    EXPECT_EQ(std::stod(all.rows[2][0]), -123456789.0);
    EXPECT_EQ(std::stod(all.rows[2][3]), -9999.0);
  }
}

TEST(OutputIntegrityE2E, SourceColumnIsAsWideAsItsLongestPath) {
  ScratchDir dir;
  const std::string label(80, 'A');
  writeIsis(dir, isisModel({label, "B"}));
  auto run = dir.run({"-N", "-isis", "proj.mif", "model.dat"});
  ASSERT_EQ(run.status, 0) << run.output;
  const std::size_t longest = label.size() + 4;  // the model's folder, and so the output folder, is ""
  EXPECT_NE(dir.read("1d_xs.mif").find("\r\n  Source Char(" + std::to_string(longest) + ")\r\n"), std::string::npos);
  expectReadable(dir, {kLayers[0]});
}

TEST(OutputIntegrityE2E, APathLongerThanTheSourceColumnIsWrittenWithoutItsFolder) {
  if (testing::windowsTarget()) {
    GTEST_SKIP() << "POSIX only: the full paths pass the 260 characters a Windows program can create";
  }
  const std::string label(80, 'A');
  // A folder so deep that the path passes 254 characters: the name alone, said once.
  ScratchDir deep;
  const std::string folder = std::string(200, 'f') + "/";
  deep.write("proj.mif", projection("Delimiter \",\""));
  deep.write("proj.mid", "");
  deep.write(folder + "model.dat", isisModel({label}));
  const auto run = deep.run({"-N", "-isis", "proj.mif", folder + "*.dat"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("\nWARNING - The path of \"" + label + ".csv\" is longer than 254 characters - 1d_xs "
                            "names the file without its folder\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(deep.read(folder + "1d_xs.mid").rfind("\"" + label + ".csv\",\"XZ\"", 0), 0u);
  EXPECT_NE(deep.read(folder + "1d_xs.mif").find("\r\n  Source Char(84)\r\n"), std::string::npos);
}

TEST(OutputIntegrityE2E, AnOutputNeverReplacesAnInput) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string input;   // the input an output would replace, as the message names it
    std::string output;  // that output, as the message names it
  };
  const Case cases[] = {
      {"an ISIS file named like a section's .csv", {"-N", "-isis", "proj.mif", "./sub/../XS1.csv"}, "XS1.csv", "XS1.csv"},
      {"an ISIS file named 1d_xs.mid", {"-N", "-isis", "proj.mif", "1d_xs.mid"}, "1d_xs.mid", "1d_xs.mid"},
      {"a projection layer named 1d_xs.mif", {"-N", "-isis", "1d_xs.mif", "model.dat"}, "1d_xs.mif", "1d_xs.mif"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    writeIsis(dir);
    dir.write("sub/keep", "");
    dir.write("XS1.csv", isisModel({"XS1"}));
    dir.write("1d_xs.mid", isisModel({"XS9"}));
    dir.write("1d_xs.mif", projection("Delimiter \",\""));
    const auto before = snapshot(dir);
    const auto run = dir.run(c.args);
    EXPECT_EQ(run.status, 1) << c.what << "\n" << run.output;
    EXPECT_NE(run.output.find("ERROR - Output file \""), std::string::npos) << c.what << "\n" << run.output;
    EXPECT_NE(run.output.find(c.output + "\" would replace the input file \""), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Finished."), std::string::npos);
    EXPECT_EQ(snapshot(dir), before) << c.what;
  }

  // GIS mode: a first layer named 1d_xs, and a line layer named _xs_all_points.
  ScratchDir gis;
  const std::string points = lines({"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"", "Columns 4",
                                    "  Z Float", "  MNR Float", "  LCR Char(1)", "  XS_ID Char(12)", "Data", "",
                                    "Point 0 0", "Point 1 0", "Point 2 0"});
  const std::string rows = lines({"5,0.03,\"L\",\"A\"", "4,0.03,\"C\",\"A\"", "5,0.03,\"C\",\"A\""});
  const std::string line = lines({"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"", "Columns 1",
                                  "  XS_ID Char(12)", "Data", "", "Line -1 0 3 0"});
  for (const auto& [first, second] : {std::pair<std::string, std::string>{"1d_xs", "lines"},
                                      std::pair<std::string, std::string>{"survey", "_xs_all_points"}}) {
    ScratchDir dir;
    dir.write(first + ".tab", "");
    dir.write(first + ".mif", points);
    dir.write(first + ".mid", rows);
    dir.write(second + ".tab", "");
    dir.write(second + ".mif", line);
    dir.write(second + ".mid", "\"A\"\r\n");
    const auto before = snapshot(dir);
    const auto run = dir.run({"-N", first + ".mif", second + ".mif"});
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("would replace the input file"), std::string::npos) << run.output;
    EXPECT_EQ(snapshot(dir), before) << first << " " << second;
  }
}

TEST(OutputIntegrityE2E, FirstLayerWithoutColumnsOrWithObjectsInItsHeader) {
  const std::vector<std::string> heads[] = {
      {"Version 300", "Charset \"WindowsLatin1\"", "Data", ""},                 // no Columns section
      {"Version 300", "CoordSys NonEarth Units \"m\"", "Data", "Point 9 9"},  // an object before any Columns
  };
  for (const auto& head : heads) {
    ScratchDir dir;
    std::vector<std::string> mif = head;
    mif.insert(mif.end(), {"Point 0 0", "Point 1 0", "Point 2 0", "Point 3 0"});
    std::vector<std::string> mid = {"5,0.03,\"L\",\"A\"", "4,0.03,\"C\",\"A\"", "3,0.03,\"C\",\"A\"",
                                    "5,0.03,\"R\",\"A\""};
    if (head.back() == "Point 9 9") mid.insert(mid.begin(), "6,0.03,\"L\",\"A\"");
    dir.write("s.tab", "");
    dir.write("s.mif", lines(mif));
    dir.write("s.mid", lines(mid));
    const auto run = dir.run({"-N", "s.mif"});
    EXPECT_EQ(run.status, 0) << run.output;
    for (const char* layer : kLayers)
      EXPECT_EQ(dir.read(std::string(layer) + ".mif").find("Point 9 9"), std::string::npos) << layer;
    expectReadable(dir, {kLayers[0], kLayers[1], kLayers[2]});
  }
}

TEST(OutputIntegrityE2E, AFailedRunLeavesEveryFileAsItWas) {
  ScratchDir dir;
  writeIsis(dir);
  ASSERT_EQ(dir.run({"-N", "-isis", "proj.mif", "model.dat"}).status, 0);
  // The second run would change every file, but XS2.csv cannot be written.
  dir.write("model.dat", isisModel({"XS1", "XS2"}, 7.5));
  std::filesystem::remove(dir.path() / "XS2.csv");
  std::filesystem::create_directory(dir.path() / "XS2.csv");
  const auto before = snapshot(dir);
  const auto run = dir.run({"-N", "-isis", "proj.mif", "model.dat"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("Can't Open"), std::string::npos) << run.output;
  EXPECT_EQ(snapshot(dir), before);
  EXPECT_FALSE(anyTemporary(dir));
}

// A file or folder the run cannot make names the system's reason after the
// message. Permissions do not stop root (as CI runs): the folder that is a
// file and the file that is a folder stop every user.
TEST(OutputIntegrityE2E, WhatCannotBeWrittenNamesTheSystemsReason) {
  // Under Wine the reasons are Wine's, not those of a Windows system.
  if (testing::windowsTarget()) GTEST_SKIP() << "the reasons of a Windows build are checked on Windows only";
  ScratchDir dir;
  writeIsis(dir);
  dir.write("afile", "not a folder");
  std::filesystem::create_directory(dir.path() / "taken");
  std::filesystem::create_directory(dir.path() / "taken" / "XS1.csv");
  struct Case {
    const char* out;
    const char* message;  // the line before the reason
    const char* reason;
  };
  std::vector<Case> cases = {
      {"afile/sub", "ERROR - Could not create the output folder \"afile/sub\"", " Reason: Not a directory"},
      {"taken", " If so, close the file or create file path.", " Reason: Is a directory"}};
#ifndef _WIN32
  if (::geteuid() != 0) {
    std::filesystem::create_directory(dir.path() / "locked");
    ::chmod((dir.path() / "locked").c_str(), 0555);
    cases.push_back({"locked", " If so, close the file or create file path.", " Reason: Permission denied"});
  }
#endif
  for (const Case& c : cases) {
    const auto run = dir.run({"-batch", "-N", "-isis", std::string("-out:") + c.out, "proj.mif", "model.dat"});
    EXPECT_EQ(run.status, 1) << run.output;
    // The system's own words differ on Windows; the line is there all the same.
    const std::string expected = std::string(c.message) + "\n" + (testing::windowsTarget() ? " Reason: " : c.reason);
    EXPECT_NE(run.output.find(expected), std::string::npos) << c.out << "\n" << run.output;
  }
  EXPECT_FALSE(anyTemporary(dir));
}

// A MIKE 11 model whose one branch has the given name.
void writeMike11(const ScratchDir& dir, const std::string& branch, const std::string& sections) {
  dir.write("proj.mif", projection("Delimiter \",\""));
  dir.write("proj.mid", "");
  dir.write("m.nwk11", lines({"[POINTS]", "   point = 1, 1000, 2000, 1, 0, 0", "   point = 2, 1100, 2000, 1, 100, 0",
                               "EndSect  // POINTS", "[BRANCHES]", "   [branch]",
                               "      definitions = '" + branch + "', 'T1', 0, 100, 0, 10000, 0",
                               "      connections = '', -1e-155, '', -1e-155", "      points = 1, 2",
                               "   EndSect  // branch", "EndSect  // BRANCHES"}));
  dir.write("m.hd11", lines({"[Global_Values]", "   G_resistance = 0.035", "EndSect  // Global_Values"}));
  dir.write("xs.txt", sections);
}

std::string mike11Sections(const std::string& branch, int count) {
  std::vector<std::string> all;
  for (int i = 1; i <= count; ++i)
    all.insert(all.end(), {"T1", branch, "   " + std::to_string(20 * i) + ".000", "DATUM", "   0.0", "PROFILE 5",
                           "0 12 1", "2 10 1 <#1>", "5 8 2", "8 10 1 <#4>", "10 12 1", "**********"});
  return lines(all);
}

TEST(OutputIntegrityE2E, Mike11BranchNamesWithCommasAreQuoted) {
  ScratchDir dir;
  writeMike11(dir, "river,B", mike11Sections("river,B", 2));
  const auto run = dir.run({"-N", "-m11", "proj.mif", "xs.txt", "m.nwk11", "m.hd11"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(dir.read("1d_nwk.mid").rfind("\"RIVER,B0010\",S,F,T,", 0), 0u) << dir.read("1d_nwk.mid");
  EXPECT_NE(dir.read("1d_nwk.mid").find(",\"river,B_000020000\",\"river,B_000040000\"\r\n"), std::string::npos);
  EXPECT_EQ(dir.read("1d_branches.mid"), "\"river,B\"\r\n");
  expectReadable(dir, {"1d_nwk", "1d_branches", "1d_xs", "_xs_bed_points"});
  if (gdalAvailable()) {
    const auto nwk = readWithGdal(dir.path() / "1d_nwk.mif");
    ASSERT_EQ(nwk.rows.size(), 1u);
    EXPECT_EQ(nwk.rows[0][0], "RIVER,B0010");
    EXPECT_EQ(nwk.rows[0].back(), "river,B_000040000");
  }
}

TEST(OutputIntegrityE2E, Mike11ModelFilesThatAreNotThereAreErrors) {
  ScratchDir dir;
  writeMike11(dir, "R1", mike11Sections("R1", 2));
  auto run = dir.run({"-N", "-m11", "proj.mif", "xs.txt", "m.nwk11", "n.hd11"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("\nERROR - Model file \"n.hd11\" cannot be found (or is not a file)\n"),
            std::string::npos)
      << run.output;
  // Named through a pattern that finds nothing: the reader of that file never ran.
  run = dir.run({"-N", "-m11", "proj.mif", "xs.txt", "*.nwk", "m.hd11"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("\nWARNING - No file matches \"*.nwk\"\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("\nERROR - No MIKE 11 network file (.nwk11) was read - name one on the command line\n"),
            std::string::npos);
  run = dir.run({"-N", "-m11", "proj.mif", "xs.txt", "m.nwk11"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("ERROR - No MIKE 11 hydrodynamic parameter file (.hd11) was read"), std::string::npos);
  EXPECT_FALSE(dir.has("1d_nwk.mif"));
  EXPECT_FALSE(dir.has("1d_xs.mif"));
}

TEST(OutputIntegrityE2E, AMike11FileThatFailsPartWayLeavesNoLayers) {
  ScratchDir dir;
  std::string sections = mike11Sections("R1", 3);
  sections += "T1\r\nR1\r\n   90.000\r\nDATUM\r\n";  // a block cut short after three good sections
  writeMike11(dir, "R1", sections);
  const auto run = dir.run({"-N", "-m11", "proj.mif", "xs.txt", "m.nwk11", "m.hd11"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("Trying to open file 1d_nwk.mif"), std::string::npos) << run.output;
  for (const char* layer : {"1d_nwk", "1d_branches", "1d_xs"}) EXPECT_FALSE(dir.has(std::string(layer) + ".mif"));
  EXPECT_FALSE(anyTemporary(dir));
}

TEST(OutputIntegrityE2E, ARunThatConvertsNothingFails) {
  ScratchDir dir;
  writeIsis(dir);
  auto run = dir.run({"-N", "-isis", "proj.mif", "modle*.dat"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("\nWARNING - No file matches \"modle*.dat\"\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("\nERROR - No cross-section was found in the inputs - nothing written\n"),
            std::string::npos);
  // A model without a .txt file converts nothing either.
  writeMike11(dir, "R1", "");
  run = dir.run({"-N", "-m11", "proj.mif", "m.nwk11", "m.hd11"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("\nERROR - No cross-section was found in the inputs - nothing written\n"),
            std::string::npos);
  EXPECT_FALSE(dir.has("1d_xs.mif"));
  EXPECT_FALSE(anyTemporary(dir));
}

TEST(OutputIntegrityE2E, RealIsisFilesConvertWithoutAsterisks) {
  const auto root = testing::realDataDir();
  if (root.empty()) GTEST_SKIP() << "real-world samples (../shared/realdata) not present";
  for (const auto& entry : std::filesystem::directory_iterator(root / "isis")) {
    ScratchDir dir;
    dir.write("proj.mif", projection("Delimiter \",\""));
    dir.write("proj.mid", "");
    // The outputs go into the folder of the model: never the shared one.
    std::filesystem::copy_file(entry.path(), dir.path() / entry.path().filename());
    const auto copy = dir.run({"-M", "-isis", "proj.mif", entry.path().filename().string()});
    ASSERT_EQ(copy.status, 0) << entry.path() << "\n" << copy.output.substr(copy.output.size() > 3000 ? copy.output.size() - 3000 : 0);
    for (const auto& file : std::filesystem::directory_iterator(dir.path())) {
      const std::string name = file.path().filename().string();
      if (name.size() > 4 && name.substr(name.size() - 4) == ".csv") {
        EXPECT_EQ(dir.read(name).find('*'), std::string::npos) << entry.path() << " " << name;
      }
    }
    expectReadable(dir, {kLayers[0], kLayers[1], kLayers[2]});
    if (gdalAvailable()) expectLayersAgreeWithCsvFiles(dir, copy.output);
  }
}

// Runs of the native build started in the background, for what happens to a
// folder while a run writes into it: interrupts, kills, rename failures and
// runs at once. POSIX only.
struct Background {
  pid_t pid = -1;
  std::filesystem::path log;
};

Background startRun(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& log) {
  Background run{-1, dir.path() / ".." / (dir.path().filename().string() + "-" + log)};
  std::vector<std::string> words = {testing::nativeProgram().binary, "-batch", "-quiet"};
  words.insert(words.end(), args.begin(), args.end());
  run.pid = fork();
  if (run.pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    const int out = open(run.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return run;
}

// Waits for the run; its exit status (128 + the signal when a signal ended it) and what it printed.
int finish(Background& run, std::string& output) {
  int status = 0;
  waitpid(run.pid, &status, 0);
  std::ifstream in(run.log, std::ios::binary);
  output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::filesystem::remove(run.log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Polls until `ready` holds or the run has ended; false when it ended first.
template <typename Ready>
bool waitFor(const Background& run, Ready ready) {
  for (;;) {
    if (ready()) return true;
    siginfo_t ended{};
    if (waitid(P_PID, static_cast<id_t>(run.pid), &ended, WEXITED | WNOHANG | WNOWAIT) != 0 || ended.si_pid != 0)
      return ready();
    usleep(200);
  }
}

bool hasTemporaryOf(const ScratchDir& dir, pid_t pid, const std::string& suffix) {
  const std::string prefix = ".kestrix-" + std::to_string(pid) + "-";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path(), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && name.size() >= suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      return true;
  }
  return false;
}

std::vector<std::string> manyLabels(int count) {
  std::vector<std::string> labels;
  for (int i = 0; i < count; ++i) labels.push_back("XS" + std::to_string(i));
  return labels;
}

// Every .csv that 1d_xs names is there, and every section's .csv has the bed level `z`.
void expectOneCompleteSet(const ScratchDir& dir, int sections, const std::string& z) {
  const std::string mid = dir.read("1d_xs.mid");
  int named = 0;
  for (std::size_t at = mid.find(".csv\""); at != std::string::npos; at = mid.find(".csv\"", at + 1)) ++named;
  EXPECT_EQ(named, sections);
  for (int i = 0; i < sections; ++i) {
    const std::string csv = "XS" + std::to_string(i) + ".csv";
    ASSERT_TRUE(dir.has(csv)) << csv;
    ASSERT_NE(mid.find("\"" + csv + "\""), std::string::npos) << csv;
    EXPECT_NE(dir.read(csv).find("," + z + ","), std::string::npos) << csv << "\n" << dir.read(csv);
  }
  const std::string bed = dir.read("_xs_bed_points.mid");
  EXPECT_EQ(count(bed, "," + z), sections) << bed.substr(0, 200);
  EXPECT_FALSE(anyTemporary(dir));
}

std::vector<std::pair<std::string, std::string>> outputs(const ScratchDir& dir) {
  auto all = snapshot(dir);
  all.erase(std::remove_if(all.begin(), all.end(), [](const auto& f) { return f.first == ".kestrix.lock"; }),
            all.end());
  return all;
}

constexpr int kManySections = 3000;

TEST(OutputIntegrityE2E, ARenameThatFailsDuringTheCommitPutsTheEarlierOutputsBack) {
  if (testing::windowsTarget()) GTEST_SKIP() << "POSIX only: the run is watched and stopped from outside";
  ScratchDir dir;
  writeIsis(dir, isisModel(manyLabels(kManySections), 9.125));
  ASSERT_EQ(dir.run({"-batch", "-N", "-isis", "proj.mif", "model.dat"}).status, 0);
  // The second run writes every file anew and a report; once it has opened the report, a folder takes the
  // report's name, so that its rename fails after every .csv file has been renamed.
  dir.write("model.dat", isisModel(manyLabels(kManySections), 7.5));
  const auto before = outputs(dir);
  Background run = startRun(dir, {"-N", "-html", "-isis", "proj.mif", "model.dat"}, "rename");
  ASSERT_TRUE(waitFor(run, [&] { return hasTemporaryOf(dir, run.pid, "kestrix_report.html.tmp"); }));
  kill(run.pid, SIGSTOP);
  dir.write("kestrix_report.html/keep", "x");
  kill(run.pid, SIGCONT);
  std::string output;
  EXPECT_EQ(finish(run, output), 1) << output;
  EXPECT_NE(output.find("ERROR - Could not replace file \"kestrix_report.html\" - the earlier outputs were restored "
                        "and nothing was written"),
            std::string::npos)
      << output;
  EXPECT_TRUE(outputs(dir) == before);
  EXPECT_FALSE(anyTemporary(dir));
}

TEST(OutputIntegrityE2E, InterruptsRemoveTheRunsFilesAndEndWithStatus130) {
  if (testing::windowsTarget()) GTEST_SKIP() << "POSIX only: the run is sent signals";
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ScratchDir dir;
    writeIsis(dir, isisModel(manyLabels(kManySections)));
    Background run = startRun(dir, {"-N", "-isis", "proj.mif", "model.dat"}, "signal");
    ASSERT_TRUE(waitFor(run, [&] { return hasTemporaryOf(dir, run.pid, ".csv.tmp"); })) << signal;
    kill(run.pid, signal);
    std::string output;
    EXPECT_EQ(finish(run, output), 130) << signal << "\n" << output;
    EXPECT_NE(output.find("\nERROR - Interrupted - "), std::string::npos) << output;
    EXPECT_FALSE(anyTemporary(dir)) << signal;
    EXPECT_FALSE(dir.has("1d_xs.mif") && output.find("nothing was written") != std::string::npos);
  }
}

TEST(OutputIntegrityE2E, ARunKilledDuringItsCommitIsUndoneOrCompletedByTheNextRun) {
  if (testing::windowsTarget()) GTEST_SKIP() << "POSIX only: the run is killed from outside";
  ScratchDir dir;
  writeIsis(dir, isisModel(manyLabels(kManySections), 9.125));
  ASSERT_EQ(dir.run({"-batch", "-N", "-isis", "proj.mif", "model.dat"}).status, 0);
  struct stat old {};
  ASSERT_EQ(stat((dir.path() / "XS0.csv").c_str(), &old), 0);
  dir.write("model.dat", isisModel(manyLabels(kManySections), 7.5));
  Background run = startRun(dir, {"-N", "-isis", "proj.mif", "model.dat"}, "kill");
  // The first .csv file replaced is the sign that the commit has begun.
  ASSERT_TRUE(waitFor(run, [&] {
    struct stat now {};
    return stat((dir.path() / "XS0.csv").c_str(), &now) == 0 && now.st_ino != old.st_ino;
  }));
  kill(run.pid, SIGKILL);
  std::string output;
  finish(run, output);
  // The next run writes other sections into the folder, and finds the stopped commit first.
  dir.write("other.dat", isisModel({"YS1"}));
  const auto next = dir.run({"-batch", "-N", "-isis", "proj.mif", "other.dat"});
  ASSERT_EQ(next.status, 0) << next.output;
  const bool restored = next.output.find(") was stopped while putting its outputs in place: its earlier outputs "
                                         "were restored\n") != std::string::npos;
  const bool completed =
      next.output.find(") was stopped while putting its outputs in place: its outputs were completed\n") !=
      std::string::npos;
  EXPECT_TRUE(restored || completed) << next.output;
  for (int i = 0; i < kManySections; ++i) {
    const std::string csv = dir.read("XS" + std::to_string(i) + ".csv");
    EXPECT_NE(csv.find(restored ? ",   9.125," : ",   7.500,"), std::string::npos) << i << "\n" << csv;
  }
  EXPECT_FALSE(anyTemporary(dir));
}

TEST(OutputIntegrityE2E, RunsAtOnceIntoOneFolderLeaveOneRunsCompleteSet) {
  if (testing::windowsTarget()) GTEST_SKIP() << "POSIX only: the runs are started side by side";
  constexpr int kSections = 1000;
  ScratchDir dir;
  writeIsis(dir);
  const char* const levels[] = {"1.250", "2.250", "3.250", "4.250"};
  std::vector<Background> runs;
  for (int k = 0; k < 4; ++k) {
    dir.write("model" + std::to_string(k) + ".dat", isisModel(manyLabels(kSections), std::stod(levels[k])));
    runs.push_back(startRun(dir, {"-N", "-isis", "proj.mif", "model" + std::to_string(k) + ".dat"},
                            "run" + std::to_string(k)));
  }
  for (Background& run : runs) {
    std::string output;
    EXPECT_EQ(finish(run, output), 0) << output;
  }
  const std::string bed = dir.read("_xs_bed_points.mid");
  const auto comma = bed.find(',');
  ASSERT_NE(comma, std::string::npos) << bed;
  const std::string level = bed.substr(comma + 1, bed.find('\r') - comma - 1);
  std::string z = level;
  z.erase(0, z.find_first_not_of(' '));
  expectOneCompleteSet(dir, kSections, level);
  EXPECT_NE(std::find(std::begin(levels), std::end(levels), z), std::end(levels)) << z;
}

}  // namespace
}  // namespace kestrix
