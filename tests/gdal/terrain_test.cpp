// The terrain model on small rasters written here, with values worked out by
// hand: bilinear on a plane (exact inside the cell centres, edge cells
// repeated beyond them), nearest on a checkerboard, no-data holes, DEMs in
// priority order, a rotated geotransform, scale, offset and the factor, an
// ESRI ASCII grid, and what the run is told about each DEM's system.

#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <functional>
#include <memory>
#include <optional>

#include "gdal/gdal_source.h"
#include "gdal/terrain.h"
#include "support/e2e.h"

namespace kestrix::testing {
namespace {

struct RasterShape {
  int width = 4;
  int height = 3;
  std::vector<double> transform{100, 2, 0, 200, 0, -2};  // 2 m cells, top left corner (100, 200)
  GDALDataType type = GDT_Float32;
  std::optional<double> noData;
  double scale = 1.0;
  double offset = 0.0;
  int block = 0;          // tile size; 0: strips
  std::string epsg = "25832";  // empty: no system
};

// Writes a GeoTIFF whose cell (column, row) holds value(column, row).
std::string writeRaster(const ScratchDir& dir, const std::string& name, const RasterShape& shape,
                        const std::function<double(int, int)>& value) {
  gdalStart();
  const std::string path = (dir.path() / name).string();
  CPLStringList options;
  if (shape.block > 0) {
    options.SetNameValue("TILED", "YES");
    options.SetNameValue("BLOCKXSIZE", std::to_string(shape.block).c_str());
    options.SetNameValue("BLOCKYSIZE", std::to_string(shape.block).c_str());
  }
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
  GDALDataset* dataset = driver->Create(path.c_str(), shape.width, shape.height, 1, shape.type, options.List());
  double transform[6];
  std::copy(shape.transform.begin(), shape.transform.end(), transform);
  dataset->SetGeoTransform(transform);
  if (!shape.epsg.empty()) {
    OGRSpatialReference crs;
    crs.importFromEPSG(std::stoi(shape.epsg));
    dataset->SetSpatialRef(&crs);
  }
  GDALRasterBand* band = dataset->GetRasterBand(1);
  if (shape.noData) band->SetNoDataValue(*shape.noData);
  if (shape.scale != 1.0) band->SetScale(shape.scale);
  if (shape.offset != 0.0) band->SetOffset(shape.offset);
  std::vector<double> cells;
  for (int r = 0; r < shape.height; ++r)
    for (int c = 0; c < shape.width; ++c) cells.push_back(value(c, r));
  EXPECT_EQ(band->RasterIO(GF_Write, 0, 0, shape.width, shape.height, cells.data(), shape.width, shape.height,
                           GDT_Float64, 0, 0),
            CE_None);
  GDALClose(dataset);
  return path;
}

struct Probe {
  double x, y;
  std::optional<double> z;  // none: no DEM has a value
  int source = 0;
};

void expectProbes(GdalTerrain& terrain, const std::vector<Probe>& probes) {
  for (const Probe& p : probes) {
    SCOPED_TRACE(::testing::Message() << "at " << p.x << ", " << p.y);
    double z = -1.0;
    int source = -1;
    const bool found = terrain.elevation(p.x, p.y, z, source);
    ASSERT_EQ(found, p.z.has_value());
    if (!found) continue;
    EXPECT_NEAR(z, *p.z, 1e-9);
    EXPECT_EQ(source, p.source);
  }
  EXPECT_EQ(terrain.failure(), "");
}

std::unique_ptr<GdalTerrain> opened(const std::vector<std::string>& files,
                                    TerrainSampling sampling = TerrainSampling::kBilinear, double factor = 1.0,
                                    std::size_t cacheBytes = std::size_t{64} << 20) {
  auto terrain = std::make_unique<GdalTerrain>(TerrainSettings{sampling, factor, cacheBytes});
  EXPECT_TRUE(terrain->open(files, nullptr).empty());
  return terrain;
}

// z = 10 + 0.5 x - 0.25 y at every cell centre.
double plane(double x, double y) { return 10 + 0.5 * x - 0.25 * y; }

TEST(Terrain, BilinearOnAPlaneWithEdgeCellsRepeated) {
  ScratchDir dir;
  RasterShape shape;
  shape.width = 40;
  shape.height = 30;
  shape.type = GDT_Float64;
  shape.block = 16;  // 3 x 2 tiles
  const auto centres = [](int c, int r) { return plane(101 + 2 * c, 199 - 2 * r); };
  const std::string file = writeRaster(dir, "plane.tif", shape, centres);
  const std::vector<Probe> probes{
      {102.3, 196.1, plane(102.3, 196.1)},
      {131.7, 168.2, plane(131.7, 168.2)},  // between tiles in both directions
      {133.0, 167.0, plane(133.0, 167.0)},  // on a cell centre
      {100.5, 199.5, plane(101, 199)},      // beyond the outermost centres: the corner cell
      {100.0, 200.0, plane(101, 199)},      // on the raster's corner
      {180.0, 140.0, plane(179, 141)},      // on the opposite corner
      {100.4, 180.2, plane(101, 180.2)},    // beyond the first column: along it
      {99.99, 180.0, std::nullopt},         // off the raster
      {150.0, 140.01, plane(150, 141)},
      {150.0, 139.99, std::nullopt},
  };
  const auto roomy = opened({file});
  expectProbes(*roomy, probes);
  // A cache of one tile decodes again at every change of tile: the values stay.
  const auto tight = opened({file}, TerrainSampling::kBilinear, 1.0, 16 * 16 * sizeof(double));
  expectProbes(*tight, probes);
  expectProbes(*tight, probes);
  EXPECT_DOUBLE_EQ(roomy->finestCell(), 2.0);
}

TEST(Terrain, NearestAndBilinearOnACheckerboard) {
  ScratchDir dir;
  const std::string file = writeRaster(dir, "board.tif", RasterShape{}, [](int c, int r) { return 1 + (c + r) % 2; });
  const auto nearest = opened({file}, TerrainSampling::kNearest);
  expectProbes(*nearest, {{101.9, 198.1, 1}, {102.1, 198.1, 2}, {102.1, 197.9, 1}, {107.9, 194.1, 2},
                         {108.0, 194.0, 2}, {108.1, 194.0, std::nullopt}});
  const auto bilinear = opened({file});
  expectProbes(*bilinear, {{102.0, 198.0, 1.5}, {101.0, 199.0, 1}, {101.5, 199.0, 1.25}});
}

TEST(Terrain, HolesAndDemsInPriorityOrder) {
  ScratchDir dir;
  RasterShape local;
  local.noData = -9999;
  // The local DEM's cell (1, 1) is a hole; the national DEM covers twice its width at 100 + x.
  const std::string localFile =
      writeRaster(dir, "local.tif", local, [](int c, int r) { return c == 1 && r == 1 ? -9999 : 50 + c; });
  RasterShape national;
  national.width = 8;
  national.type = GDT_Int16;
  const std::string nationalFile =
      writeRaster(dir, "national.tif", national, [](int c, int) { return 100 + c; });
  const auto alone = opened({localFile});
  expectProbes(*alone, {{101.0, 199.0, 50},              // on a centre beside the hole: its own value
                       {102.0, 198.0, std::nullopt},    // a cell used is the hole
                       {103.0, 197.0, std::nullopt},    // on the hole's centre
                       {104.5, 196.0, std::nullopt},
                       {105.5, 195.0, 52.25}});
  const auto both = opened({localFile, nationalFile});
  expectProbes(*both, {{101.0, 199.0, 50, 0},
                      {102.0, 198.0, 100.5, 1},
                      {110.0, 198.0, 104.5, 1},
                      {116.0, 194.0, 107, 1},
                      {116.1, 194.0, std::nullopt}});
  const auto nearest = opened({localFile, nationalFile}, TerrainSampling::kNearest);
  expectProbes(*nearest, {{103.0, 197.0, 101, 1}, {105.0, 197.0, 52, 0}});
  EXPECT_EQ(both->count(), 2);
  EXPECT_EQ(both->name(1), nationalFile);
}

TEST(Terrain, RotatedGeotransform) {
  ScratchDir dir;
  RasterShape shape;
  shape.width = 4;
  shape.height = 4;
  // 2 m cells turned by the angle of cosine 0.8 and sine 0.6.
  shape.transform = {1000, 1.6, 1.2, 2000, 1.2, -1.6};
  const std::string file = writeRaster(dir, "turned.tif", shape, [](int c, int r) { return 5 + c + 10 * r; });
  const auto terrain = opened({file});
  // Column 1.5 and row 2.25 of the cells: X = 1000 + 1.5 * 1.6 + 2.25 * 1.2, Y = 2000 + 1.5 * 1.2 - 2.25 * 1.6;
  // between the centres 5 + 1.0 + 10 * 1.75.
  expectProbes(*terrain, {{1005.1, 1998.2, 23.5}, {1000.0 - 0.1, 2000.0, std::nullopt}});
}

TEST(Terrain, ScaleOffsetAndFactor) {
  struct Case {
    double scale, offset, factor;
    double expected;
  };
  ScratchDir dir;
  int n = 0;
  for (const Case& c : std::vector<Case>{{1, 0, 1, 12345}, {0.5, 100, 1, 6272.5}, {1, 0, 0.001, 12.345},
                                         {0.5, 100, 0.001, 6.2725}}) {
    SCOPED_TRACE(n);
    RasterShape shape;
    shape.type = GDT_Int32;
    shape.noData = -1;  // the raw value, not the scaled one, marks a hole
    shape.scale = c.scale;
    shape.offset = c.offset;
    const std::string file = writeRaster(dir, "mm" + std::to_string(n++) + ".tif", shape,
                                         [](int col, int) { return col == 3 ? -1 : 12345; });
    const auto terrain = opened({file}, TerrainSampling::kNearest, c.factor);
    expectProbes(*terrain, {{101, 199, c.expected}, {107, 199, std::nullopt}});
  }
}

TEST(Terrain, EsriAsciiGridWithItsPrj) {
  ScratchDir dir;
  dir.write("grid.asc",
            "ncols 3\nnrows 2\nxllcorner 500000\nyllcorner 6000000\ncellsize 10\nNODATA_value -9999\n"
            "1.5 2 3\n4 -9999 6\n");
  OGRSpatialReference layers;
  layers.importFromEPSG(25832);
  char* wkt = nullptr;
  const char* const esri[] = {"FORMAT=WKT1_ESRI", nullptr};
  layers.exportToWkt(&wkt, esri);
  dir.write("grid.prj", wkt);
  CPLFree(wkt);
  const std::string file = (dir.path() / "grid.asc").string();
  GdalTerrain nearest({TerrainSampling::kNearest, 1.0, std::size_t{1} << 20});
  EXPECT_TRUE(nearest.open({file}, &layers).empty());
  expectProbes(nearest, {{500005, 6000015, 1.5}, {500015, 6000005, std::nullopt}, {500025, 6000005, 6}});
  EXPECT_DOUBLE_EQ(nearest.finestCell(), 10.0);
  const auto bilinear = opened({file});
  expectProbes(*bilinear, {{500005, 6000015, 1.5}, {500010, 6000010, std::nullopt}, {500015, 6000020, 2}});
}

TEST(Terrain, WhatTheRunIsToldOfEachDem) {
  struct Case {
    const char* name;
    std::string demEpsg;     // empty: no system; "missing": no file
    std::string layersEpsg;  // empty: the layers have none
    std::optional<Severity> severity;
    std::string fragment;
  };
  const std::vector<Case> cases{
      {"same system", "25832", "25832", std::nullopt, ""},
      {"layers without a system", "32632", "", std::nullopt, ""},
      {"another system", "32632", "25832", Severity::Error,
       "is in WGS 84 / UTM zone 32N (EPSG:32632), the layers in ETRS89 / UTM zone 32N (EPSG:25832) - reproject it "
       "first, e.g. gdalwarp -t_srs EPSG:25832 "},
      {"geographic", "4326", "4326", Severity::Error,
       "is in geographic coordinates (WGS 84 (EPSG:4326)) - project it into the layers' coordinate system with "
       "gdalwarp first"},
      {"no system", "", "25832", Severity::Warning, "has no coordinate system - taken to be the layers'"},
      {"missing", "missing", "25832", Severity::Error, "Cannot open DEM \""},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RasterShape shape;
    shape.epsg = c.demEpsg == "missing" ? "" : c.demEpsg;
    const std::string file = c.demEpsg == "missing" ? (dir.path() / "nowhere.tif").string()
                                                     : writeRaster(dir, std::string(c.name) + ".tif", shape,
                                                                   [](int, int) { return 1.0; });
    OGRSpatialReference layers;
    if (!c.layersEpsg.empty()) layers.importFromEPSG(std::stoi(c.layersEpsg));
    GdalTerrain terrain(TerrainSettings{});
    const std::vector<TerrainFinding> findings = terrain.open({file}, c.layersEpsg.empty() ? nullptr : &layers);
    ASSERT_EQ(findings.size(), c.severity ? 1u : 0u);
    const bool error = c.severity == Severity::Error;
    EXPECT_EQ(terrain.count(), error ? 0 : 1);  // a DEM the run may not use is not kept
    if (!c.severity) continue;
    EXPECT_EQ(findings[0].severity, *c.severity);
    EXPECT_NE(findings[0].text.find(c.fragment), std::string::npos) << findings[0].text;
    EXPECT_NE(findings[0].text.find(file), std::string::npos) << findings[0].text;
  }
}

}  // namespace
}  // namespace kestrix::testing
