// The section checks through the real binary: five hand-made sections with one
// mistake in the middle one find exactly that mistake; -strict ends a doubtful
// run with status 2; a run without -check neither checks nor writes _xs_checks.

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/fakes.h"
#include "support/layer_check.h"

namespace kestrix {
namespace {

using testing::lines;
using testing::ScratchDir;

const std::string kProjection = testing::converterProjection();

struct Pt {
  double offset, z;
  std::string marker;
  double east, north;
};

// Section S<i> lies at east 10 i, drawn north from 0: C from the LEFT point to before the RIGHT one, R the RIGHT point.
std::vector<Pt> cleanSection(int i) {
  const double e = 10.0 * i;
  return {{0, 10, "LEFT", e, 0}, {5, 5, "", e, 5}, {10, 10, "RIGHT", e, 10}};
}

// Sections S<from> to S<to - 1>, S2 with the mistake.
std::string model(const std::function<void(std::vector<Pt>&)>& mistake, int from = 0, int to = 5) {
  std::vector<std::string> text{"Hand-made model", "#REVISION#1", "END GENERAL"};
  for (int i = from; i < to; ++i) {
    std::vector<Pt> pts = cleanSection(i);
    if (i == 2 && mistake) mistake(pts);
    text.insert(text.end(), {"RIVER Main", "SECTION", "S" + std::to_string(i), "    10.000              0.0001      1000",
                             "         " + std::to_string(pts.size())});
    for (const Pt& p : pts) text.push_back(testing::isisPoint(p.offset, p.z, 0.03, p.marker, p.east, p.north));
  }
  text.push_back("GISINFO");
  return lines(text);
}

std::string doubledQuotes(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out;
}

std::vector<std::string> checkLines(const std::string& output) {
  std::vector<std::string> found;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("CHECK - ", 0) == 0) found.push_back(line);
  return found;
}

TEST(ChecksE2E, EachMistakeIsFoundAloneAndCounted) {
  struct Case {
    const char* kind;
    std::function<void(std::vector<Pt>&)> mistake;
    std::string found;
  };
  const Case cases[] = {
      {"crossing", [](std::vector<Pt>& p) { p[1].east = 31; },
       // (20, 0)-(31, 5) meets east 30 at 10/11 of its length: north 4.545.
       "Cross-section \"S2\" crosses cross-section \"S3\" at (30.000, 4.545)"},
      {"reversed", [](std::vector<Pt>& p) { p[0].north = 10, p[2].north = 0; },
       "Cross-section \"S2\" is drawn the other way from its neighbours \"S1\" and \"S3\" - its left and right "
       "banks are swapped"},
      {"offsets back", [](std::vector<Pt>& p) { p.insert(p.begin() + 2, Pt{3, 6, "", 20, 3}); },
       "Cross-section \"S2\": the offset goes back from 5.000 to 3.000 at point 3"},
      {"repeated point", [](std::vector<Pt>& p) { p.insert(p.begin() + 2, p[1]); },
       "Cross-section \"S2\": point 3 repeats the point before it (offset 5.000, level 5.000)"},
      {"no-data", [](std::vector<Pt>& p) { p[2].z = -9999; },
       "Cross-section \"S2\": point 3 has the level -9999.000, a no-data value"},
      {"bed jump", [](std::vector<Pt>& p) { p[1].z = -5; },
       "Cross-section \"S2\": its bed level -5.000 is at least 10.000 below the beds of \"S1\" (5.000) and \"S3\" "
       "(5.000)"},
      {"short section", [](std::vector<Pt>& p) { p = {{0, 5, "LEFT", 20, 0}}; },
       "Cross-section \"S2\" has only 1 point"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write("proj.mif", kProjection);
    dir.write("proj.mid", "");
    dir.write("model.dat", model(c.mistake));
    const auto run = dir.run({"-batch", "-N", "-isis", "-check", "proj.mif", "model.dat"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(checkLines(run.output), std::vector<std::string>{"CHECK - " + c.found}) << c.kind << run.output;
    EXPECT_NE(run.output.find("Summary: checks, " + std::string(c.kind) + ": 1\n"), std::string::npos) << c.kind;
    EXPECT_EQ(dir.read("_xs_checks.mid"), lines({"\"S2\",\"" + std::string(c.kind) + "\",\"" +
                                                 doubledQuotes(c.found) + "\""}))
        << c.kind;
  }
}

TEST(ChecksE2E, TheGeoPackageHoldsTheFindings) {
#if KESTRIX_WITH_GDAL
  if (testing::windowsTarget() || !testing::gdalAvailable()) GTEST_SKIP() << "no GDAL to write or read a GeoPackage";
  ScratchDir dir;
  dir.write("proj.mif", kProjection);
  dir.write("proj.mid", "");
  dir.write("model.dat", model([](std::vector<Pt>& p) { p[2].z = -9999; }));
  const auto run = dir.run({"-batch", "-N", "-isis", "-check", "-gpkg", "proj.mif", "model.dat"});
  ASSERT_EQ(run.status, 0) << run.output;
  const auto layer = testing::readLayerWithGdal(dir.path() / "kestrix_layers.gpkg", "_xs_checks");
  ASSERT_TRUE(layer.ran) << layer.messages;
  ASSERT_EQ(layer.rows.size(), 1u) << layer.messages;
  EXPECT_EQ(layer.rows[0], (std::vector<std::string>{"POINT (20 10)", "S2", "no-data",
                                                     "Cross-section \"S2\": point 3 has the level -9999.000, a "
                                                     "no-data value"}));
#else
  GTEST_SKIP() << "the program under test is built without GDAL";
#endif
}

TEST(ChecksE2E, StrictEndsDoubtfulRunsWithTwo) {
  ScratchDir dir;
  dir.write("proj.mif", kProjection);
  dir.write("proj.mid", "");
  dir.write("model.dat", model(nullptr));
  const auto clean = dir.run({"-batch", "-N", "-isis", "-check", "-strict", "proj.mif", "model.dat"});
  EXPECT_EQ(clean.status, 0) << clean.output;
  EXPECT_TRUE(checkLines(clean.output).empty()) << clean.output;
  EXPECT_EQ(dir.read("_xs_checks.mid"), "");
  // A CHECK with -strict; a level wider than its column (a WARNING) with -strict and without -check; the same
  // WARNING without -strict.
  dir.write("model.dat", model([](std::vector<Pt>& p) { p[2].z = 123456.5; }));
  const auto found = dir.run({"-batch", "-N", "-isis", "-check", "-strict", "proj.mif", "model.dat"});
  EXPECT_EQ(found.status, 2) << found.output;
  EXPECT_TRUE(dir.has("S2.csv"));
  ScratchDir plain;
  for (const char* name : {"proj.mif", "proj.mid", "model.dat"}) plain.write(name, dir.read(name));
  const auto warned = plain.run({"-batch", "-N", "-isis", "-strict", "proj.mif", "model.dat"});
  EXPECT_EQ(warned.status, 2) << warned.output;
  EXPECT_NE(warned.output.find("WARNING"), std::string::npos);
  EXPECT_TRUE(checkLines(warned.output).empty());
  EXPECT_FALSE(plain.has("_xs_checks.mif"));
  EXPECT_EQ(warned.output.find("Summary: checks"), std::string::npos);
  EXPECT_EQ(dir.run({"-batch", "-N", "-isis", "proj.mif", "model.dat"}).status, 0);
}

TEST(ChecksE2E, NeighboursFromAnotherFileAreNotCompared) {
  // The pit of S2 is found with S3 in the same file, not with S3 in the next one; S2 reversed likewise.
  for (const auto& mistake : std::vector<std::function<void(std::vector<Pt>&)>>{
           [](std::vector<Pt>& p) { p[1].z = -5; }, [](std::vector<Pt>& p) { p[0].north = 10, p[2].north = 0; }}) {
    ScratchDir dir;
    dir.write("proj.mif", kProjection);
    dir.write("proj.mid", "");
    dir.write("a.dat", model(mistake, 0, 3));
    dir.write("b.dat", model(mistake, 3, 5));
    const auto run = dir.run({"-batch", "-N", "-isis", "-check", "proj.mif", "a.dat", "b.dat"});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(checkLines(run.output).empty()) << run.output;
  }
}

TEST(ChecksE2E, TheBundledExampleHasNoFindings) {
  ScratchDir dir;
  for (const char* name : {"survey.mif", "survey.mid", "start_lines.mif", "start_lines.mid"})
    dir.write(name, testing::sourceFile(std::string("examples/") + name));
  const auto run = dir.run({"-batch", "-N", "-savedate:off", "-check", "survey.mif", "start_lines.mif"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(checkLines(run.output).empty()) << run.output;
  EXPECT_EQ(dir.read("_xs_checks.mid"), "");
}

}  // namespace
}  // namespace kestrix
