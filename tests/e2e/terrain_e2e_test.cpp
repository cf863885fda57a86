// Sections extended into the floodplain from a terrain model, and cut wholly
// from it where a line has no points: whole runs on small hand-made DEMs whose
// values along the lines can be worked out by hand, and the example valley.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/e2e.h"
#include "support/layer_check.h"
#include "support/layer_text.h"

namespace kestrix {
namespace {

using testing::binaryHasGdal;
using testing::ScratchDir;


constexpr double kNoData = -9999.0;
// The hand-made DEMs lie in the British National Grid with their lower left corner here.
constexpr double kX0 = 500000.0;
constexpr double kY0 = 200000.0;

// An ESRI ASCII grid of 10 m cells with its lower left corner at (kX0, kY0); rows from the north.
std::string asciiGrid(const std::vector<std::vector<double>>& rows) {
  char head[200];
  std::snprintf(head, sizeof head,
                "ncols %zu\nnrows %zu\nxllcorner %.1f\nyllcorner %.1f\ncellsize 10\nNODATA_value %g\n",
                rows.front().size(), rows.size(), kX0, kY0, kNoData);
  std::string text = head;
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      char cell[40];
      std::snprintf(cell, sizeof cell, "%s%.3f", i > 0 ? " " : "", row[i]);
      text += cell;
    }
    text += "\n";
  }
  return text;
}

// A grid of `nrows` x `ncols` cells whose value is f(row, column).
template <typename F>
std::string grid(int nrows, int ncols, F f) {
  std::vector<std::vector<double>> rows(static_cast<std::size_t>(nrows));
  for (int r = 0; r < nrows; ++r)
    for (int c = 0; c < ncols; ++c) rows[static_cast<std::size_t>(r)].push_back(f(r, c));
  return asciiGrid(rows);
}

// Writes a DEM and, unless `prj` is empty, its .prj beside it.
void writeDem(const ScratchDir& dir, const std::string& name, const std::string& grid, const std::string& prj) {
  dir.write(name + ".asc", grid);
  if (!prj.empty()) dir.write(name + ".prj", prj);
}

std::string bngPrj() { return testing::sourceFile("examples/valley.prj"); }

// A line layer of one section line per XS_ID, given in metres from (kX0, kY0).
using Vertices = std::vector<std::pair<double, double>>;

void saveLines(const ScratchDir& dir, const std::vector<std::pair<std::string, Vertices>>& lines) {
  testing::SurveyLayer layer;
  layer.replaceMif(std::string(testing::kSurveyHeader) + "Columns 1\r\n  XS_ID Char(12)\r\nData\r\n\r\n");
  for (const auto& [id, vertices] : lines) {
    Vertices placed;
    for (const auto& [x, y] : vertices) placed.emplace_back(kX0 + x, kY0 + y);
    layer.pline(placed, "\"" + id + "\"");
  }
  layer.save(dir, "lines");
}

// One surveyed point, in metres from (kX0, kY0).
struct Surveyed {
  double x, y;
  const char* row;  // Z, MNR, LCR, XS_ID
};

void saveSurvey(const ScratchDir& dir, const std::vector<Surveyed>& points) {
  testing::SurveyLayer layer;
  for (const Surveyed& p : points) layer.point(kX0 + p.x, kY0 + p.y, p.row);
  layer.save(dir, "survey");
}

// A .csv data row as the program writes it; a negative resistance is the empty field of 0.
std::string row(double x, double z, double n, int lcr) {
  char text[80];
  if (n < 0.0) {
    std::snprintf(text, sizeof text, "%10.3f,%8.3f,, %d", x, z, lcr);
  } else {
    std::snprintf(text, sizeof text, "%10.3f,%8.3f,%10.3f, %d", x, z, n, lcr);
  }
  return text;
}

// The data rows of a .csv (after the identifier and the column names).
std::vector<std::string> csvRows(const std::string& csv) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < csv.size()) {
    std::size_t end = csv.find('\n', at);
    if (end == std::string::npos) end = csv.size();
    std::string line = csv.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines.size() > 2 ? std::vector<std::string>(lines.begin() + 2, lines.end()) : std::vector<std::string>{};
}

// True when the console output has this whole line.
bool has(const std::string& output, const std::string& line) {
  return output.find("\n" + line + "\n") != std::string::npos;
}

// The arguments of a batch run writing into the folder `out`.
std::vector<std::string> args(const std::string& out, const std::vector<std::string>& extra) {
  std::vector<std::string> all = {"-batch", "-N", "-savedate:off", "-out:" + out};
  all.insert(all.end(), extra.begin(), extra.end());
  return all;
}

TEST(TerrainE2E, ExampleValleyWithLandUseInTheCsvLayersAndGeoPackage) {
  SKIP_WITHOUT_GDAL();
  ScratchDir dir;
  for (const char* name : {"survey.mif", "survey.mid", "start_lines.mif", "start_lines.mid", "floodplain_lines.mif",
                           "floodplain_lines.mid", "valley.asc", "valley.prj"})
    dir.write(name, testing::sourceFile(std::string("examples/") + name));
  // Meadow over XS1's left floodplain to 90 m, woodland over XS4 from 140 m.
  dir.write("landuse.mif", std::string(testing::kSurveyHeader) +
                               "Columns 2\r\n  NAME Char(20)\r\n  N Float\r\nData\r\n\r\n"
                               "Region 1\r\n  5\r\n351950 420990\r\n352050 420990\r\n352050 421010\r\n351950 421010\r\n"
                               "351950 420990\r\n"
                               "Region 1\r\n  5\r\n352200 421690\r\n352350 421690\r\n352350 421710\r\n352200 421710\r\n"
                               "352200 421690\r\n");
  dir.write("landuse.mid", "\"meadow\",0.08\r\n\"woodland\",0.1\r\n");
  auto run = dir.run(args("out", {"-dem:valley.asc", "-demstep:5", "-landuse:landuse.mif", "-gpkg", "-html",
                                  "survey.mif", "floodplain_lines.mif"}));
  ASSERT_EQ(run.status, 0) << run.output;

  // XS1's line starts 126 m left of the survey (351960 against 352086) in the valley's 20 m cells.
  const auto xs1 = csvRows(dir.read("out/XS1.csv"));
  ASSERT_EQ(xs1.size(), 59u);
  EXPECT_EQ(xs1[0], row(0, 14.04, 0.08, 1));     // centres of (14.16 13.92) in rows 38 and 39
  EXPECT_EQ(xs1[1], row(5, 13.98, 0.08, 1));     // a quarter of the way to 13.92
  EXPECT_EQ(xs1[18], row(90, 12.96, 0.08, 1));   // on the meadow's edge
  EXPECT_EQ(xs1[19], row(95, 12.90, 0.06, 1));   // past it: the outermost left point's value
  EXPECT_EQ(xs1[24], row(120, 12.51, 0.06, 1));  // (12.72 12.32 / 12.72 12.28), then 126 - G = 123.5
  EXPECT_EQ(xs1[25], row(126, 12.80, 0.06, 1));  // the survey
  EXPECT_EQ(xs1[33], row(155, 12.65, 0.05, 3));
  EXPECT_EQ(xs1[34], row(160, 12.51, 0.05, 3));  // (12.24 12.69 / 12.36 12.75)
  EXPECT_EQ(xs1[58], row(280, 14.04, 0.05, 3));  // the line's end
  // XS4 has no points: cut from the valley, without resistance but in the woodland.
  const auto xs4 = csvRows(dir.read("out/XS4.csv"));
  ASSERT_EQ(xs4.size(), 55u);
  EXPECT_EQ(xs4[0], row(0, 12.85, -1, 2));  // (12.97 12.73) in rows 3 and 4
  EXPECT_EQ(xs4[27], row(135, 11.097, -1, 2));
  EXPECT_EQ(xs4[28], row(140, 11.18, 0.1, 2));  // (11.04 11.29 / 10.99 11.40)

  // Every DEM row of the .csv files is one point of _xs_dem_points, in the MIF/MID and the GeoPackage alike.
  std::size_t csvRowCount = 0;
  for (const char* xs : {"XS1", "XS2", "XS3", "XS4"})
    csvRowCount += csvRows(dir.read(std::string("out/") + xs + ".csv")).size();
  const std::size_t demRows = csvRowCount - 27;
  EXPECT_EQ(demRows, 205u);
  const std::string demMid = dir.read("out/_xs_dem_points.mid");
  EXPECT_EQ(static_cast<std::size_t>(testing::midRecordCount(demMid)), demRows);
  EXPECT_EQ(static_cast<std::size_t>(testing::mifObjectCount(dir.read("out/_xs_dem_points.mif"))), demRows);
  EXPECT_EQ(demMid.substr(0, demMid.find('\n') + 1),
            "\"XS1\",     0.000,  14.040,     0.080,\"L\",\"valley.asc\"\r\n");
  const auto gpkg = testing::readLayerWithGdal(dir.path() / "out" / "kestrix_layers.gpkg", "_xs_dem_points");
  ASSERT_TRUE(gpkg.ran) << gpkg.messages;
  EXPECT_EQ(gpkg.rows.size(), demRows);
  EXPECT_EQ(gpkg.columns, (std::vector<std::string>{"WKT", "XS_ID", "Offset", "Z", "Resistance", "LCR", "DEM"}));
  EXPECT_TRUE(dir.has("out/kestrix_report.html"));

  for (const char* line : {"Summary: cross-sections written (.csv files): 4",
                           "Summary: cross-sections extended from the DEM: 3",
                           "Summary: cross-sections cut from the DEM: 1", "Summary: DEM points added: 205",
                           "Summary: sides cut short (no DEM value): 0",
                           "Summary: datum warnings (DEM and survey differ): 1"})
    EXPECT_TRUE(has(run.output, line)) << line << "\n" << run.output;

  // The surveyed points alone stay in _xs_all_points, as a run without the DEM writes them.
  auto plain = dir.run({"-batch", "-N", "-savedate:off", "-out:plain", "survey.mif", "start_lines.mif"});
  ASSERT_EQ(plain.status, 0) << plain.output;
  EXPECT_EQ(plain.output.find("Summary: DEM points"), std::string::npos);
  for (const char* file : {"_xs_all_points.mif", "_xs_all_points.mid"})
    EXPECT_EQ(dir.read(std::string("out/") + file), dir.read(std::string("plain/") + file)) << file;
}

// z = 12.25 + column - 0.5 row at the cell centres: along y = 20 m (between
// rows 1 and 2) bilinear sampling gives exactly z = 11 + x / 10. Column 8
// (x 80 to 90 m) has no data; column 9 beyond it has.
std::string planeWithAHole() {
  return grid(4, 10, [](int r, int c) { return c == 8 ? kNoData : 12.25 + c - 0.5 * r; });
}

TEST(TerrainE2E, PlaneGivesExactLevelsAndAHoleEndsTheSide) {
  SKIP_WITHOUT_GDAL();
  ScratchDir dir;
  writeDem(dir, "plane", planeWithAHole(), bngPrj());
  saveLines(dir, {{"P", {{10, 20}, {95, 20}}}});
  // Offsets 30 to 45 from the line's start; the DEM is 15.0 at the left end and 16.5 at the right.
  saveSurvey(dir, {{40, 20, "14.0,0.06,\"L\",\"P\""},
                   {42, 20, "12.0,0.06,\"L\",\"P\""},
                   {45, 20, "10.0,0.03,\"C\",\"P\""},
                   {48, 20, "9.5,0.03,\"C\",\"P\""},
                   {50, 20, "10.0,0.03,\"C\",\"P\""},
                   {52, 20, "12.0,0.05,\"R\",\"P\""},
                   {55, 20, "17.2,0.05,\"R\",\"P\""}});
  auto run = dir.run(args("out", {"-dem:plane.asc", "-demstep:5", "survey.mif", "lines.mif"}));
  ASSERT_EQ(run.status, 0) << run.output;
  // Left: samples below 30 - 2.5; right: above 45 + 2.5 until offset 70 (x = 80) touches the hole.
  // Offset 75 (x = 85) is in the hole and offset 85 (x = 95) on column 9 again: the side has ended.
  const std::vector<std::string> expected = {
      row(0, 12.0, 0.06, 1),  row(5, 12.5, 0.06, 1),  row(10, 13.0, 0.06, 1), row(15, 13.5, 0.06, 1),
      row(20, 14.0, 0.06, 1), row(25, 14.5, 0.06, 1), row(30, 14.0, 0.06, 1), row(32, 12.0, 0.06, 1),
      row(35, 10.0, 0.03, 2), row(38, 9.5, 0.03, 2),  row(40, 10.0, 0.03, 2), row(42, 12.0, 0.05, 3),
      row(45, 17.2, 0.05, 3), row(50, 17.0, 0.05, 3), row(55, 17.5, 0.05, 3), row(60, 18.0, 0.05, 3),
      row(65, 18.5, 0.05, 3)};
  EXPECT_EQ(csvRows(dir.read("out/P.csv")), expected);
  EXPECT_NE(dir.read("out/1d_xs.mif").find("\r\nPline 17\r\n"), std::string::npos);  // the DEM points drawn too
  for (const char* line :
       {"WARNING - XS \"P\": the DEM is 1.000 above the survey at the left end - check datums and units",
        "WARNING - XS \"P\": the DEM is 0.700 below the survey at the right end - check datums and units",
        "WARNING - XS \"P\": no DEM value at offset 70.000 on the right - the section ends there",
        "Summary: cross-sections extended from the DEM: 1", "Summary: DEM points added: 10",
        "Summary: sides cut short (no DEM value): 1", "Summary: datum warnings (DEM and survey differ): 2"})
    EXPECT_TRUE(has(run.output, line)) << line << "\n" << run.output;

  // A difference of exactly the tolerance is not a warning; a wider gap keeps the DEM farther from the survey.
  auto tolerant =
      dir.run(args("wide", {"-dem:plane.asc", "-demstep:5", "-demtol:1", "-demgap:6", "survey.mif", "lines.mif"}));
  ASSERT_EQ(tolerant.status, 0) << tolerant.output;
  EXPECT_TRUE(has(tolerant.output, "Summary: datum warnings (DEM and survey differ): 0")) << tolerant.output;
  const auto wide = csvRows(dir.read("wide/P.csv"));
  ASSERT_EQ(wide.size(), 15u);
  EXPECT_EQ(wide[4], row(20, 14.0, 0.06, 1));   // 25 is within 6 of the survey's 30
  EXPECT_EQ(wide[12], row(55, 17.5, 0.05, 3));  // 50 is within 6 of 45
}

TEST(TerrainE2E, PriorityOrderZFactorAndSampling) {
  SKIP_WITHOUT_GDAL();
  ScratchDir dir;
  // "part" covers x 0 to 50 m at 20, "whole" 0 to 100 m at 30; "mm" rises 1 m a cell, in millimetres.
  writeDem(dir, "part", grid(3, 5, [](int, int) { return 20.0; }), bngPrj());
  writeDem(dir, "whole", grid(3, 10, [](int, int) { return 30.0; }), bngPrj());
  writeDem(dir, "mm", grid(3, 10, [](int, int c) { return 10000.0 + 1000.0 * c; }), bngPrj());
  writeDem(dir, "checks", grid(3, 10, [](int r, int c) { return 1.0 + (r + c) % 2; }), bngPrj());
  // Lines without points: A sampled every 10 m from x = 10 to 90 along the middle of row 1, B off every DEM.
  saveLines(dir, {{"A", {{10, 15}, {90, 15}}}, {"B", {{1010, 15}, {1090, 15}}}});

  struct Case {
    std::vector<std::string> options;
    std::vector<double> z;  // at offsets 0, 10, ... 80
  };
  const std::vector<Case> cases = {
      // The first DEM with a value wins; its outer edge (x = 50) is still on it.
      {{"-dem:part.asc", "-dem:whole.asc"}, {20, 20, 20, 20, 20, 30, 30, 30, 30}},
      {{"-dem:whole.asc", "-dem:part.asc"}, {30, 30, 30, 30, 30, 30, 30, 30, 30}},
      {{"-dem:mm.asc", "-demz:0.001"}, {10.5, 11.5, 12.5, 13.5, 14.5, 15.5, 16.5, 17.5, 18.5}},
      // On the edges between cells nearest takes the cell to the east; bilinear averages the two.
      {{"-dem:checks.asc", "-demsample:nearest"}, {1, 2, 1, 2, 1, 2, 1, 2, 1}},
      {{"-dem:checks.asc"}, {1.5, 1.5, 1.5, 1.5, 1.5, 1.5, 1.5, 1.5, 1.5}},
  };
  for (const Case& c : cases) {
    std::string label;
    for (const std::string& option : c.options) label += option + " ";
    std::vector<std::string> extra = c.options;
    extra.insert(extra.end(), {"-demstep:10", "lines.mif"});
    std::filesystem::remove_all(dir.path() / "out");
    auto run = dir.run(args("out", extra));
    ASSERT_EQ(run.status, 0) << label << "\n" << run.output;
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < c.z.size(); ++i) expected.push_back(row(10.0 * static_cast<double>(i), c.z[i], -1, 2));
    EXPECT_EQ(csvRows(dir.read("out/A.csv")), expected) << label;
    EXPECT_TRUE(has(run.output, "Summary: cross-sections cut from the DEM: 1")) << label << "\n" << run.output;
  }
  // Each DEM point names the DEM it came from; the line off the DEMs is left out and the run goes on.
  auto run = dir.run(args("named", {"-dem:part.asc", "-dem:whole.asc", "-demstep:10", "lines.mif"}));
  ASSERT_EQ(run.status, 0) << run.output;
  for (const char* line : {"WARNING - XS \"B\": 9 of 9 samples along its line have no DEM value - left out",
                           "WARNING - XS \"B\": fewer than two DEM values along its line - the section is left out",
                           "Summary: cross-sections written (.csv files): 1",
                           "Summary: cross-sections dropped: 1 (\"B\")"})
    EXPECT_TRUE(has(run.output, line)) << line << "\n" << run.output;
  EXPECT_FALSE(dir.has("named/B.csv"));
  const std::string mid = dir.read("named/_xs_dem_points.mid");
  EXPECT_NE(mid.find("\"A\",    40.000,  20.000,     0.000,\"C\",\"part.asc\"\r\n"
                     "\"A\",    50.000,  30.000,     0.000,\"C\",\"whole.asc\"\r\n"),
            std::string::npos)
      << mid;
}

TEST(TerrainE2E, BadDemOrOptionStopsTheRunBeforeAnythingIsWritten) {
  SKIP_WITHOUT_GDAL();
  ScratchDir dir;
  const std::string plane = planeWithAHole();
  writeDem(dir, "plane", plane, bngPrj());
  dir.write("text.asc", "not a grid\n");
  writeDem(dir, "utm", plane,
           "PROJCS[\"WGS_1984_UTM_Zone_30N\",GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\","
           "6378137.0,298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
           "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],"
           "PARAMETER[\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\",-3.0],PARAMETER[\"Scale_Factor\",0.9996],"
           "PARAMETER[\"Latitude_Of_Origin\",0.0],"
           "UNIT[\"Meter\",1.0]]");
  writeDem(dir, "lonlat", plane,
           "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,298.257223563]],"
           "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]");
  saveLines(dir, {{"A", {{10, 15}, {90, 15}}}});
  const std::size_t inputs = dir.files().size();

  struct Case {
    std::vector<std::string> options;
    std::string message;  // the start of the ERROR line
    std::string rest;     // later on the line
  };
  const std::vector<Case> cases = {
      {{"-dem:missing.asc"}, "ERROR - Cannot open DEM \"missing.asc\": ", ""},
      {{"-dem:plane.asc", "-dem:text.asc"}, "ERROR - Cannot open DEM \"text.asc\": ", ""},
      {{"-dem:utm.asc"}, "ERROR - DEM \"utm.asc\" is in ", " - reproject it first, e.g. gdalwarp -t_srs "},
      {{"-dem:lonlat.asc"}, "ERROR - DEM \"lonlat.asc\" is in geographic coordinates (",
       ") - project it into the layers' coordinate system with gdalwarp first"},
      {{"-dem:plane.asc", "-demstep:0"},
       "ERROR - Cannot read \"-demstep:0\": write it as -demstep:S with S a positive number of map units", ""},
      {{"-dem:plane.asc", "-demsample:cubic"},
       "ERROR - Cannot read \"-demsample:cubic\": write it as -demsample:bilinear or -demsample:nearest", ""},
      {{"-dem:plane.asc", "-landuse:missing.mif"}, "ERROR - Cannot open land-use layer \"missing.mif\": ", ""},
  };
  for (const auto& [options, message, rest] : cases) {
    std::vector<std::string> extra = options;
    extra.push_back("lines.mif");
    auto run = dir.run(args("out", extra));
    EXPECT_EQ(run.status, 1) << options.front() << "\n" << run.output;
    const std::size_t at = run.output.find("\n" + message);
    ASSERT_NE(at, std::string::npos) << message << "\n" << run.output;
    const std::string line = run.output.substr(at + 1, run.output.find('\n', at + 1) - at - 1);
    EXPECT_NE(line.find(rest, message.size()), std::string::npos) << line;
    EXPECT_EQ(dir.files().size(), inputs) << options.front();
    EXPECT_FALSE(dir.has("out")) << options.front();
  }
}

TEST(TerrainE2E, ProjectionLineMeasuresEveryOffsetFromItsFirstVertex) {
  SKIP_WITHOUT_GDAL();
  ScratchDir dir;
  writeDem(dir, "plane", planeWithAHole(), bngPrj());
  // A projection line along y = 20 m with vertices at x = 47 and 50; the points off it fall on x = 30, 33, 36
  // and 40, the outer two at the DEM's level there.
  saveLines(dir, {{"Q", {{10, 20}, {47, 20}, {50, 20}, {60, 20}}}});
  saveSurvey(dir, {{30, 23, "14.0,0.06,\"L\",\"Q\""},
                   {33, 17, "10.0,0.03,\"C\",\"Q\""},
                   {36, 22, "9.8,0.03,\"C\",\"Q\""},
                   {40, 18, "15.0,0.05,\"R\",\"Q\""}});
  // Without the DEM the offsets run from the first point's foot on the line.
  auto run = dir.run(args("out", {"-ppol", "survey.mif", "lines.mif"}));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(csvRows(dir.read("out/Q.csv")),
            (std::vector<std::string>{row(0, 14.0, 0.06, 1), row(3, 10.0, 0.03, 2), row(6, 9.8, 0.03, 2),
                                      row(10, 15.0, 0.05, 3)}));
  // With it they run from the line's first vertex, 20 m before that foot: samples every cell (10 m) kept
  // half a cell clear of the survey, the inner vertices (37, and 40 once) and the line's end (50).
  run = dir.run(args("dem", {"-ppol", "-dem:plane.asc", "survey.mif", "lines.mif"}));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(csvRows(dir.read("dem/Q.csv")),
            (std::vector<std::string>{row(0, 12.0, 0.06, 1), row(10, 13.0, 0.06, 1), row(20, 14.0, 0.06, 1),
                                      row(23, 10.0, 0.03, 2), row(26, 9.8, 0.03, 2), row(30, 15.0, 0.05, 3),
                                      row(37, 15.7, 0.05, 3), row(40, 16.0, 0.05, 3), row(50, 17.0, 0.05, 3)}));
  EXPECT_TRUE(has(run.output, "Summary: datum warnings (DEM and survey differ): 0")) << run.output;
}

TEST(TerrainE2E, BuildWithoutGdalRefusesTheTerrainOptions) {
  if (binaryHasGdal()) GTEST_SKIP() << "the program under test is built with GDAL";
  ScratchDir dir;
  saveLines(dir, {{"A", {{10, 15}, {90, 15}}}});
  const std::string expected = "ERROR - This build of Kestrix reads and writes MIF/MID layers only, so it cannot ";
  for (const auto& [option, use] : std::vector<std::pair<std::string, std::string>>{
           {"-dem:plane.asc", "use -dem:plane.asc"}, {"-landuse:landuse.mif", "use -landuse:landuse.mif"}}) {
    auto run = dir.run(args("out", {option, "lines.mif"}));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("\n" + expected + use + ": build it with GDAL"), std::string::npos) << run.output;
    EXPECT_FALSE(dir.has("out"));
  }
}

}  // namespace
}  // namespace kestrix
