// The land-use layer on small layers written here: positions inside, outside,
// in holes, on edges and vertices, in overlapping polygons and in the parts
// of a multi-polygon, a polygon of many edges, the field taken by name or as
// the first numeric one, null values, what the run is told about the field and
// the coordinate system, how FILE:FIELD is taken apart, and MIF regions.

#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <set>
#include <tuple>

#include "gdal/gdal_source.h"
#include "gdal/land_use.h"
#include "support/e2e.h"

namespace kestrix::testing {
namespace {

struct Field {
  const char* name;
  OGRFieldType type;
};
struct Row {
  std::string wkt;
  std::vector<const char*> values;  // null: a null value
};

// Writes a GeoPackage of one layer; `epsg` 0 gives it no coordinate system.
std::string writeLayer(const ScratchDir& dir, const std::string& name, const std::vector<Field>& fields,
                       const std::vector<Row>& rows, int epsg = 25832) {
  gdalStart();
  const std::string path = (dir.path() / name).string();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
  const GDALDatasetUniquePtr dataset(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  OGRSpatialReference crs;
  if (epsg != 0) crs.importFromEPSG(epsg);
  OGRLayer* layer = dataset->CreateLayer("landuse", epsg != 0 ? &crs : nullptr, wkbUnknown, nullptr);
  for (const Field& f : fields) {
    OGRFieldDefn definition(f.name, f.type);
    EXPECT_EQ(layer->CreateField(&definition), OGRERR_NONE);
  }
  for (const Row& row : rows) {
    const OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
    OGRGeometry* geometry = nullptr;
    EXPECT_EQ(OGRGeometryFactory::createFromWkt(row.wkt.c_str(), nullptr, &geometry), OGRERR_NONE) << row.wkt;
    feature->SetGeometryDirectly(geometry);
    for (std::size_t i = 0; i < row.values.size(); ++i) {
      if (row.values[i] == nullptr) {
        feature->SetFieldNull(static_cast<int>(i));
      } else {
        feature->SetField(static_cast<int>(i), row.values[i]);
      }
    }
    EXPECT_EQ(layer->CreateFeature(feature.get()), OGRERR_NONE);
  }
  return path;
}

struct Probe {
  double x, y;
  std::optional<float> value;  // none: no value there
};

void expectProbes(GdalLandUse& landUse, const std::vector<Probe>& probes) {
  for (const Probe& p : probes) {
    SCOPED_TRACE(::testing::Message() << "at " << p.x << ", " << p.y);
    float value = -1.0f;
    const bool found = landUse.resistance(p.x, p.y, value);
    ASSERT_EQ(found, p.value.has_value());
    if (found) {
      EXPECT_EQ(value, *p.value);
    }
  }
}

// A polygon of `n` vertices on a circle, as WKT.
std::string circle(double cx, double cy, double r, int n) {
  std::string wkt = "POLYGON((";
  for (int i = 0; i <= n; ++i) {
    const double a = 2 * std::numbers::pi * (i % n) / n;
    wkt += (i > 0 ? "," : "") + std::to_string(cx + r * std::cos(a)) + " " + std::to_string(cy + r * std::sin(a));
  }
  return wkt + "))";
}

const std::vector<Field> kFields{{"NAME", OFTString}, {"CODE", OFTInteger}, {"MANNING", OFTReal}};

std::vector<Row> mixedRows() {
  return {
      {"POINT(2 2)", {"well", "99", "0.9"}},  // holds no area: passed over
      {"POLYGON((0 0,10 0,10 10,0 10,0 0),(4 4,6 4,6 6,4 6,4 4))", {"square", "1", "0.03"}},
      {"POLYGON((5 5,15 5,15 15,5 15,5 5))", {"over", "2", "0.05"}},
      {"MULTIPOLYGON(((20 0,22 0,22 2,20 2,20 0)),((30 0,32 0,31 2,30 0)))", {"two", "3", "0.07"}},
      {"POLYGON((40 0,42 0,42 2,40 2,40 0))", {"null", "4", nullptr}},
      {"POLYGON((40 0,50 0,50 10,40 10,40 0))", {"under", "5", "0.09"}},
      // Two triangles that share the sloping edge (70 3)-(60 7), each ring running its own way.
      {"POLYGON((60 0,70 3,60 7,60 0))", {"low", "6", "0.11"}},
      {"POLYGON((60 7,70 3,70 10,60 7))", {"high", "7", "0.13"}},
      {circle(100, 0, 10, 400), {"round", "8", "0.15"}},
      {"LINESTRING(0 0,100 100)", {"ditch", "9", "0.17"}},
  };
}

TEST(LandUse, PositionsInsideOutsideHolesAndOverlaps) {
  ScratchDir dir;
  const std::string file = writeLayer(dir, "mixed.gpkg", kFields, mixedRows());
  struct Case {
    double x, y;
    std::optional<float> code, manning;
  };
  const std::vector<Case> cases{
      {2, 2, 1, 0.03f},           // inside the square, under the point
      {10, 2, 1, 0.03f},          // on its upright edge
      {10.000001, 2, {}, {}},     // just outside it
      {0, 0, 1, 0.03f},           // on its corner
      {4.5, 4.5, {}, {}},         // in its hole
      {6, 6, 1, 0.03f},           // on the hole's corner, inside the overlapping square
      {5, 5, 2, 0.05f},           // in the hole, on the overlapping square's corner
      {4.5, 6, 1, 0.03f},         // on the hole's level edge
      {5.5, 5.5, 2, 0.05f},       // in the hole, inside the overlapping square
      {8, 8, 1, 0.03f},           // in both: the first wins
      {12, 12, 2, 0.05f},
      {21, 1, 3, 0.07f},          // the parts of a multi-polygon
      {31, 1.9, 3, 0.07f},
      {30.1, 1.9, {}, {}},
      {25, 1, {}, {}},            // between them
      {41, 1, 4, {}},             // the first polygon's value is null: not the one below it
      {45, 5, 5, 0.09f},
      {65, 5, 6, 0.11f},          // on the shared sloping edge: the first triangle
      {64.999, 5, 6, 0.11f},
      {65.001, 5, 7, 0.13f},
      {60, 7, 6, 0.11f},          // on the shared vertex
      {100, 0, 8, 0.15f},         // the polygon of 400 edges
      {109.9, 0.5, 8, 0.15f},
      {100.5, -9.9, 8, 0.15f},
      {92.9, 7.1, {}, {}},        // outside, within its box
      {50, 50, {}, {}},           // on the line: holds nothing
      {-1, -1, {}, {}},           // beyond every polygon
      {std::nan(""), 1, {}, {}},
  };
  for (const char* field : {"", ":manning"}) {
    SCOPED_TRACE(field);
    GdalLandUse landUse;
    EXPECT_TRUE(landUse.open(file + field, nullptr).empty());
    EXPECT_EQ(landUse.field(), *field == '\0' ? "CODE" : "MANNING");
    EXPECT_EQ(landUse.name(), file);
    std::vector<Probe> probes;
    for (const Case& c : cases) probes.push_back({c.x, c.y, *field == '\0' ? c.code : c.manning});
    expectProbes(landUse, probes);
  }
}

TEST(LandUse, WhatTheRunIsToldOfTheLayer) {
  struct Case {
    const char* name;
    std::string field;  // appended to the file name
    int epsg = 25832;   // the land-use layer's; 0: none
    int layersEpsg = 25832;
    std::vector<Field> fields = kFields;
    std::string wkt = "POLYGON((0 0,1 0,1 1,0 0))";
    std::optional<Severity> severity = std::nullopt;
    std::string fragment = {};
  };
  const std::vector<Case> cases{
      {"first numeric", ""},
      {"layers without a system", "", 32632, 0},
      {"missing field", ":DEPTH", 25832, 25832, kFields, "POLYGON((0 0,1 0,1 1,0 0))", Severity::Error,
       "has no field \"DEPTH\" - its fields are NAME, CODE, MANNING"},
      {"text field", ":name", 25832, 25832, kFields, "POLYGON((0 0,1 0,1 1,0 0))", Severity::Error,
       "Field \"NAME\" of land-use layer \""},
      {"no numeric field", "", 25832, 25832, {{"NAME", OFTString}}, "POLYGON((0 0,1 0,1 1,0 0))", Severity::Error,
       "has no numeric field for the resistance values - its fields are NAME"},
      {"no field at all", "", 25832, 25832, {}, "POLYGON((0 0,1 0,1 1,0 0))", Severity::Error,
       "has no numeric field for the resistance values - it has no fields"},
      {"another system", "", 32632, 25832, kFields, "POLYGON((0 0,1 0,1 1,0 0))", Severity::Error,
       "is in WGS 84 / UTM zone 32N (EPSG:32632), the layers in ETRS89 / UTM zone 32N (EPSG:25832) - reproject it "
       "first, e.g. ogr2ogr -t_srs EPSG:25832 landuse-reprojected.gpkg "},
      {"no system", "", 0, 25832, kFields, "POLYGON((0 0,1 0,1 1,0 0))", Severity::Warning,
       "has no coordinate system - taken to be the layers'"},
      {"lines only", "", 25832, 25832, kFields, "LINESTRING(0 0,1 1)", Severity::Error, "holds no polygons"},
      {"missing", "missing", 25832, 25832, kFields, "", Severity::Error, "Cannot open land-use layer \""},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file =
        c.field == "missing"
            ? (dir.path() / "nowhere.gpkg").string()
            : writeLayer(dir, std::string(c.name) + ".gpkg", c.fields,
                         {{c.wkt, std::vector<const char*>(c.fields.size(), "1")}}, c.epsg);
    OGRSpatialReference layers;
    if (c.layersEpsg != 0) layers.importFromEPSG(c.layersEpsg);
    GdalLandUse landUse;
    const auto findings = landUse.open(file + (c.field == "missing" ? "" : c.field), c.layersEpsg ? &layers : nullptr);
    ASSERT_EQ(findings.size(), c.severity ? 1u : 0u);
    const bool error = c.severity == Severity::Error;
    EXPECT_EQ(landUse.polygons(), error ? 0u : 1u);  // a layer the run may not use holds nothing
    float value = 0;
    EXPECT_EQ(landUse.resistance(0.5, 0.2, value), !error);
    if (!c.severity) continue;
    EXPECT_EQ(findings[0].severity, *c.severity);
    EXPECT_NE(findings[0].text.find(c.fragment), std::string::npos) << findings[0].text;
    EXPECT_NE(findings[0].text.find(file), std::string::npos) << findings[0].text;
  }
}

TEST(LandUse, FieldAfterTheLastColonOfAnExistingFile) {
  const std::set<std::string> files{"landuse.gpkg", "C:\\data\\landuse.gpkg", "odd:name.gpkg", "/data/lu.gpkg"};
  const auto exists = [&](const std::string& name) { return files.count(name) > 0; };
  const std::vector<std::tuple<std::string, std::string, std::string>> cases{
      {"landuse.gpkg", "landuse.gpkg", ""},
      {"landuse.gpkg:MANNING", "landuse.gpkg", "MANNING"},
      {" landuse.gpkg:MANNING ", "landuse.gpkg", "MANNING"},
      {"landuse.gpkg:", "landuse.gpkg", ""},
      {"C:\\data\\landuse.gpkg", "C:\\data\\landuse.gpkg", ""},
      {"C:\\data\\landuse.gpkg:N", "C:\\data\\landuse.gpkg", "N"},
      {"odd:name.gpkg", "odd:name.gpkg", ""},            // the whole name is the file
      {"missing.gpkg:N", "missing.gpkg:N", ""},          // GDAL is left to say it cannot open it
      {"/data/lu.gpkg:sub/dir", "/data/lu.gpkg:sub/dir", ""},  // a path, not a field
      {"PG:dbname=x", "PG:dbname=x", ""},
  };
  for (const auto& [argument, file, field] : cases) {
    SCOPED_TRACE(argument);
    const LandUseName named = landUseName(argument, exists);
    EXPECT_EQ(named.file, file);
    EXPECT_EQ(named.field, field);
  }
}

TEST(LandUse, MifRegionsWithHolesAndSeveralRings) {
  ScratchDir dir;
  dir.write("landuse.mif",
            "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\n"
            "CoordSys Nonearth Units \"m\" Bounds (0, 0) (100, 100)\nColumns 2\n  NAME Char(10)\n  MANNING Float\n"
            "Data\n\nRegion 2\n  5\n0 0\n10 0\n10 10\n0 10\n0 0\n  5\n4 4\n6 4\n6 6\n4 6\n4 4\n"
            "    Pen (1,2,0)\n    Brush (2,16777215,16777215)\n"
            "Region 2\n  4\n20 0\n22 0\n22 2\n20 0\n  4\n30 0\n32 0\n32 2\n30 0\n"
            "Region 1\n  5\n0 0\n50 0\n50 50\n0 50\n0 0\n");
  dir.write("landuse.mid", "\"field\",0.04\n\"two\",0.06\n\"all\",0.08\n");
  GdalLandUse landUse;
  EXPECT_TRUE(landUse.open((dir.path() / "landuse.mif").string(), nullptr).empty());
  EXPECT_EQ(landUse.field(), "MANNING");
  expectProbes(landUse, {{2, 2, 0.04f}, {5, 5, 0.08f}, {4, 5, 0.04f}, {21.5, 1, 0.06f}, {31.5, 1, 0.06f},
                         {21.5, 1.9, 0.08f}, {60, 1, std::nullopt}});
}

TEST(LandUse, AdjacentRegionsOfARealLayer) {
  if (realDataDir().empty()) GTEST_SKIP() << "shared real-world samples not present";
  const std::string file = (realDataDir() / "mif" / "small.mif").string();
  GdalLandUse data;
  EXPECT_TRUE(data.open(file, nullptr).empty());
  EXPECT_EQ(data.field(), "DATA");  // the first numeric field
  expectProbes(data, {{407137, 155325, 4}, {407135, 155317, 4}, {407000, 155000, std::nullopt}});
  GdalLandUse appraised;
  EXPECT_TRUE(appraised.open(file + ":appraised_value", nullptr).empty());
  // The two regions share the edge from (407131.721, 155322.441) to (407140.875, 155320.049).
  expectProbes(appraised, {{407137, 155325, 56115.58f},
                           {407135, 155317, 62480.53f},
                           {407131.721, 155322.441, 56115.58f},
                           {407140.875, 155320.049, 56115.58f}});
}

}  // namespace
}  // namespace kestrix::testing
