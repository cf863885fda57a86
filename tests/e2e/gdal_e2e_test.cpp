// Layers of other GIS formats read through GDAL, and the GeoPackage of -gpkg:
// a survey converted from MIF/MID by GDAL's own ogr2ogr must give the same
// sections and layers as the MIF/MID survey, byte for byte. A build without
// GDAL (and the Windows cross-build) must say that it cannot.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/layer_check.h"
#include "support/layer_text.h"

// The module's folder relative to the executable in an installed tree; only
// builds that load GDAL as a module know it.
#ifndef KESTRIX_GDAL_MODULE_INSTALL_DIR
#define KESTRIX_GDAL_MODULE_INSTALL_DIR ""
#endif

namespace kestrix {
namespace {

using testing::binaryHasGdal;
using testing::ScratchDir;


// Runs GDAL's tools in the folder; fails the test when they fail. Their own messages are not shown.
void tool(const ScratchDir& dir, const std::string& command) {
  const std::string line = "cd '" + dir.path().string() + "' && { " + command + "; } 2>/dev/null";
  ASSERT_EQ(std::system(line.c_str()), 0) << command;
}

// The bundled example survey and its start lines.
void copyExample(const ScratchDir& dir) {
  for (const char* name : {"survey.mif", "survey.mid", "start_lines.mif", "start_lines.mid"})
    dir.write(name, testing::sourceFile(std::string("examples/") + name));
}

// The example as one GeoPackage of two layers, survey and start_lines.
void exampleGeoPackage(const ScratchDir& dir) {
  copyExample(dir);
  tool(dir, "ogr2ogr -f GPKG survey.gpkg survey.mif && ogr2ogr -update survey.gpkg start_lines.mif >/dev/null");
}

// The files a run wrote into the folder "out".
std::map<std::string, std::string> outputs(const ScratchDir& dir) {
  std::map<std::string, std::string> written;
  for (const auto& [name, bytes] : dir.files())
    if (name.rfind("out/", 0) == 0) written.emplace(name.substr(4), bytes);
  return written;
}

// A .mif from its Columns line on: what stays when only the header differs.
std::string afterHeader(const std::string& mif) {
  const std::size_t columns = mif.find("\r\nColumns ");
  return columns == std::string::npos ? mif : mif.substr(columns);
}

// The CoordSys line of a .mif without its Bounds clause.
std::string coordSys(const std::string& mif) {
  const std::size_t start = mif.find("CoordSys ");
  if (start == std::string::npos) return "";
  std::string line = mif.substr(start, mif.find("\r\n", start) - start);
  const std::size_t bounds = line.find(" Bounds");
  return bounds == std::string::npos ? line : line.substr(0, bounds);
}

// Every output of a run on another format equals that of the MIF/MID run, but for the header lines of the layers.
// A source without the survey's projection (GeoJSON is in WGS 84) is compared without the CoordSys.
void expectSameOutputs(const std::map<std::string, std::string>& mif, const std::map<std::string, std::string>& other,
                       const std::string& format, bool sameProjection = true) {
  ASSERT_EQ(mif.size(), other.size()) << format;
  for (const auto& [name, bytes] : mif) {
    auto it = other.find(name);
    ASSERT_NE(it, other.end()) << format << ": " << name;
    if (name.size() > 4 && name.substr(name.size() - 4) == ".mif") {
      // Only the header differs: the Charset, and the Bounds a .mif adds to its CoordSys.
      EXPECT_EQ(afterHeader(it->second), afterHeader(bytes)) << format << ": " << name;
      if (sameProjection) {
        EXPECT_EQ(coordSys(it->second), coordSys(bytes)) << format << ": " << name;
      }
      EXPECT_NE(it->second.find("Delimiter \",\"\r\n"), std::string::npos) << format << ": " << name;
    } else {
      EXPECT_EQ(it->second, bytes) << format << ": " << name;
    }
  }
}

const std::vector<std::string> kMifRun = {"-batch", "-N", "-savedate:off", "-out:out", "survey.mif", "start_lines.mif"};

TEST(GdalE2E, ExampleConvertedToEveryFormatGivesTheSameOutputs) {
  SKIP_WITHOUT_GDAL();
  ScratchDir reference;
  copyExample(reference);
  const auto mifRun = reference.run(kMifRun);
  ASSERT_EQ(mifRun.status, 0) << mifRun.output;
  const auto expected = outputs(reference);
  ASSERT_EQ(expected.count("XS3.csv"), 1u);

  struct Format {
    const char* name;
    const char* driver;
    const char* extension;
    const char* options;
  };
  // GeoJSON names a projection only by its EPSG code, and a FlatGeobuf with
  // a spatial index holds its features in the index's order, not the survey's.
  for (const Format& format : {Format{"Shapefile", "ESRI Shapefile", ".shp", ""},
                               Format{"GeoJSON", "GeoJSON", ".geojson", " -a_srs EPSG:27700"},
                               Format{"FlatGeobuf", "FlatGeobuf", ".fgb", " -lco SPATIAL_INDEX=NO"}}) {
    ScratchDir dir;
    copyExample(dir);
    for (const std::string layer : {"survey", "start_lines"})
      tool(dir, "ogr2ogr -f '" + std::string(format.driver) + "'" + format.options + " " + layer + format.extension +
                    " " + layer + ".mif");
    auto run = dir.run({"-batch", "-N", "-out:out", std::string("survey") + format.extension,
                        std::string("start_lines") + format.extension});
    ASSERT_EQ(run.status, 0) << format.name << "\n" << run.output;
    EXPECT_EQ(run.output.find("Checking save date"), std::string::npos);
    expectSameOutputs(expected, outputs(dir), format.name);
  }

  // Both layers in one GeoPackage: every layer is read, in the file's order.
  ScratchDir dir;
  exampleGeoPackage(dir);
  auto run = dir.run({"-batch", "-N", "-out:out", "survey.gpkg"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("\nReading Cross-Section Points from survey.gpkg:survey...\n"), std::string::npos);
  EXPECT_NE(run.output.find("\nReading Cross-Section Lines from survey.gpkg:start_lines...\n"), std::string::npos);
  EXPECT_NE(run.output.find(" Found line setting starting point for XS \"XS3\"\n"), std::string::npos);
  EXPECT_NE(run.output.find("Summary: points read: 27\n"), std::string::npos);
  expectSameOutputs(expected, outputs(dir), "GeoPackage");
  EXPECT_EQ(coordSys(dir.read("out/1d_xs.mif")),
            "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000");
}

TEST(GdalE2E, OneLayerOfAGeoPackageIsNamedAfterAColon) {
  SKIP_WITHOUT_GDAL();
  ScratchDir reference;
  copyExample(reference);
  const auto mifRun = reference.run({"-batch", "-N", "-savedate:off", "-out:out", "survey.mif"});
  ASSERT_EQ(mifRun.status, 0) << mifRun.output;

  ScratchDir dir;
  exampleGeoPackage(dir);
  auto run = dir.run({"-batch", "-N", "-out:out", "survey.gpkg:survey"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.find("start_lines"), std::string::npos);
  expectSameOutputs(outputs(reference), outputs(dir), "survey.gpkg:survey");

  auto missing = dir.run({"-batch", "-N", "-out:none", "survey.gpkg:points"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("\nERROR - Could not read \"survey.gpkg\" as a GIS layer: it has no layer \"points\" "
                                "(its layers: \"survey\", \"start_lines\")\n"),
            std::string::npos)
      << missing.output;
  EXPECT_FALSE(dir.has("none"));
}

// Hand-made GeoJSON points; `properties` is the text of each feature's properties.
std::string geojson(const std::vector<std::pair<std::string, std::string>>& points) {
  std::string text = "{\"type\":\"FeatureCollection\",\"features\":[\n";
  for (std::size_t i = 0; i < points.size(); ++i) {
    text += "{\"type\":\"Feature\",\"properties\":{" + points[i].second +
            "},\"geometry\":{\"type\":\"Point\",\"coordinates\":[" + points[i].first + "]}}";
    text += i + 1 < points.size() ? ",\n" : "\n";
  }
  return text + "]}\n";
}

// The same survey as MIF/MID: one section, a blank MNR taking the value before it.
void mifSurvey(const ScratchDir& dir) {
  testing::SurveyLayer layer;
  layer.point(500000, 200000, "12.5,0.06,\"L\",\"XS1\"")
      .point(500004, 200000, "11.25,,\"L\",\"XS1\"")
      .point(500007, 200000, "8.5,0.035,\"C\",\"XS1\"")
      .point(500009, 200000, "8.125,0.035,\"C\",\"XS1\"")
      .point(500012, 200000, "10,0.05,\"R\",\"XS1\"");
  layer.save(dir, "survey");
}

// Null elevations in the channel must not take the bank's level: those
// points are left out, and the section is made of the others.
TEST(GdalE2E, PointsWithANullZAreLeftOut) {
  SKIP_WITHOUT_GDAL();
  ScratchDir dir;
  copyExample(dir);
  tool(dir, "ogr2ogr -f GPKG survey.gpkg survey.mif -nln survey && "
            "ogrinfo -dialect SQLite -sql 'UPDATE survey SET Z = NULL WHERE fid IN (3, 4)' survey.gpkg >/dev/null");
  const auto run = dir.run({"-batch", "-N", "-out:out", "survey.gpkg"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("\nWARNING - \"survey.gpkg\" has 2 point records without an elevation (Z), left out: 3, 4\n"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("Summary: points read: 25\n"), std::string::npos);
  EXPECT_NE(run.output.find("Sorting \"XS1\"    2    3    2\n"), std::string::npos);  // of its 5 C points, 3 are left
  EXPECT_EQ(testing::midRecordCount(dir.read("out/_xs_all_points.mid")), 25);
}

TEST(GdalE2E, FieldsByNameInAnyOrderZFromThePointsAndNulls) {
  SKIP_WITHOUT_GDAL();
  ScratchDir reference;
  mifSurvey(reference);
  const auto mifRun = reference.run({"-batch", "-N", "-out:out", "survey.mif"});
  ASSERT_EQ(mifRun.status, 0) << mifRun.output;

  // No Z field: the elevation is each point's Z coordinate. The fields stand
  // in another order and in small letters; a null MNR is a blank value.
  ScratchDir dir;
  dir.write("survey.geojson", geojson({{"500000,200000,12.5", "\"xs_id\":\"XS1\",\"lcr\":\"L\",\"Mnr\":0.06"},
                                       {"500004,200000,11.25", "\"xs_id\":\"XS1\",\"lcr\":\"L\",\"Mnr\":null"},
                                       {"500007,200000,8.5", "\"xs_id\":\"XS1\",\"lcr\":\"C\",\"Mnr\":0.035"},
                                       {"500009,200000,8.125", "\"xs_id\":\"XS1\",\"lcr\":\"C\",\"Mnr\":0.035"},
                                       {"500012,200000,10", "\"xs_id\":\"XS1\",\"lcr\":\"R\",\"Mnr\":0.05"}}));
  // GeoJSON without a "crs" member is WGS 84, which these coordinates cannot be.
  auto run = dir.run({"-batch", "-N", "-out:out", "-crs:EPSG:27700", "survey.geojson"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("\nNOTE - Layer \"survey.geojson\" has no Z field: each point's elevation is its Z "
                            "coordinate\n"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("\nWARNING - Record 2 of \"survey.geojson\" has no value for MNR: the previous point "
                            "record's values are used (MNR 0.06)\n"),
            std::string::npos)
      << run.output;
  EXPECT_NE(mifRun.output.find("has no value for MNR: the previous point record's values are used (MNR 0.06)\n"),
            std::string::npos);
  expectSameOutputs(outputs(reference), outputs(dir), "GeoJSON by name");

  // Other names: the first four fields are Z, MNR, LCR and XS_ID, as in a .mid.
  ScratchDir byPosition;
  byPosition.write("survey.json", geojson({{"500000,200000", "\"h\":12.5,\"n\":0.06,\"side\":\"L\",\"id\":\"XS1\""},
                                           {"500004,200000", "\"h\":11.25,\"n\":null,\"side\":\"L\",\"id\":\"XS1\""},
                                           {"500007,200000", "\"h\":8.5,\"n\":0.035,\"side\":\"C\",\"id\":\"XS1\""},
                                           {"500009,200000", "\"h\":8.125,\"n\":0.035,\"side\":\"C\",\"id\":\"XS1\""},
                                           {"500012,200000",
                                            "\"h\":\"10\",\"n\":0.05,\"side\":\"R\",\"id\":\"XS1\""}}));
  run = byPosition.run({"-batch", "-N", "-out:out", "-crs:EPSG:27700", "survey.json"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.find("NOTE - "), std::string::npos);
  EXPECT_NE(run.output.find("WARNING - Record 2 of \"survey.json\" has no value for MNR"), std::string::npos);
  expectSameOutputs(outputs(reference), outputs(byPosition), "GeoJSON by position");
}

TEST(GdalE2E, GeoPackageOfTheLayersMatchesTheMifLayers) {
  SKIP_WITHOUT_GDAL();
  ScratchDir dir;
  copyExample(dir);
  std::vector<std::string> args = kMifRun;
  args.push_back("-gpkg");
  auto run = dir.run(args);
  ASSERT_EQ(run.status, 0) << run.output;
  ASSERT_TRUE(dir.has("out/kestrix_layers.gpkg"));
  for (const auto& [name, bytes] : dir.files()) EXPECT_EQ(name.find(".kestrix-"), std::string::npos) << name;

  const std::filesystem::path gpkg = dir.path() / "out" / "kestrix_layers.gpkg";
  const std::map<std::string, std::size_t> counts = {{"1d_xs", 3}, {"_xs_bed_points", 3}, {"_xs_all_points", 27}};
  for (const auto& [layer, count] : counts) {
    const auto fromMif = testing::readLayerWithGdal(dir.path() / "out" / (layer + ".mif"));
    const auto fromGpkg = testing::readLayerWithGdal(gpkg, layer);
    ASSERT_TRUE(fromGpkg.ran) << fromGpkg.messages;
    EXPECT_EQ(fromGpkg.rows.size(), count) << layer;
    EXPECT_EQ(fromGpkg.columns, fromMif.columns) << layer;
    EXPECT_EQ(fromGpkg.rows, fromMif.rows) << layer;
  }

  // The declared types and the run's map projection, as a GIS sees them.
  tool(dir, "ogrinfo -so out/kestrix_layers.gpkg 1d_xs _xs_bed_points > info.txt");
  const std::string info = dir.read("info.txt");
  for (const char* line : {"Geometry: Line String\n", "Source: String (50.0)\n", "Flags: String (10.0)\n",
                           "Z_Maximum: Real (0.0)\n", "Geometry: Point\n", "XS_ID: String (100.0)\n", "Z: Real (0.0)\n",
                           "ID[\"EPSG\",27700]]\n"})
    EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;

  // A run without -gpkg writes no GeoPackage, and the rest byte for byte as before.
  ScratchDir plain;
  copyExample(plain);
  ASSERT_EQ(plain.run(kMifRun).status, 0);
  auto withGpkg = outputs(dir);
  withGpkg.erase("kestrix_layers.gpkg");
  EXPECT_EQ(outputs(plain), withGpkg);
}

TEST(GdalE2E, GeoPackageIsAllOrNothingAndNeverReplacesAnInput) {
  SKIP_WITHOUT_GDAL();
  // The run fails after the GeoPackage was begun (a folder stands where a
  // .csv goes): nothing is left, not even SQLite's side files.
  ScratchDir dir;
  copyExample(dir);
  std::filesystem::create_directories(dir.path() / "out" / "XS2.csv");
  dir.write("out/kestrix_layers.gpkg", "an older file");
  std::vector<std::string> args = kMifRun;
  args.push_back("-gpkg");
  auto run = dir.run(args);
  EXPECT_EQ(run.status, 1) << run.output;
  const auto left = outputs(dir);
  ASSERT_EQ(left.size(), 1u) << run.output;
  EXPECT_EQ(left.begin()->second, "an older file");

  // A GeoPackage read as input is never replaced by the one written.
  ScratchDir input;
  copyExample(input);
  tool(input, "ogr2ogr -f GPKG kestrix_layers.gpkg survey.mif");
  run = input.run({"-batch", "-N", "-gpkg", "kestrix_layers.gpkg"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("ERROR - Output file \"kestrix_layers.gpkg\" would replace the input file "
                            "\"kestrix_layers.gpkg\""),
            std::string::npos)
      << run.output;
  EXPECT_FALSE(input.has("XS1.csv"));
}

TEST(GdalE2E, ConverterProjectionFromAPrjOrGdalFileAndMike11NetworkInTheGeoPackage) {
  SKIP_WITHOUT_GDAL();
  ScratchDir dir;
  for (const char* name : {"model.nwk11", "model.hd11", "xs.txt", "proj.mif", "proj.mid"})
    dir.write(name, testing::sourceFile(std::string("fuzz/model/") + name));
  auto mifRun = dir.run({"-batch", "-m11", "-gpkg", "-out:out", "proj.mif", "xs.txt", "model.nwk11", "model.hd11"});
  ASSERT_EQ(mifRun.status, 0) << mifRun.output;
  const std::filesystem::path gpkg = dir.path() / "out" / "kestrix_layers.gpkg";
  for (const char* layer : {"1d_nwk", "1d_branches", "1d_xs", "_xs_bed_points"}) {
    const auto fromMif = testing::readLayerWithGdal(dir.path() / "out" / (std::string(layer) + ".mif"));
    const auto fromGpkg = testing::readLayerWithGdal(gpkg, layer);
    EXPECT_FALSE(fromGpkg.rows.empty()) << layer;
    EXPECT_EQ(fromGpkg.rows.size(), fromMif.rows.size()) << layer;
    EXPECT_EQ(fromGpkg.columns, fromMif.columns) << layer;
  }
  tool(dir, "ogrinfo -so out/kestrix_layers.gpkg 1d_nwk > nwk.txt");
  EXPECT_NE(dir.read("nwk.txt").find("Ignore: Integer(Boolean) (0.0)\n"), std::string::npos) << dir.read("nwk.txt");

  // The projection from an ESRI .prj file instead of a .mif.
  tool(dir, "gdalsrsinfo -o wkt_esri EPSG:27700 > bng.prj");
  auto prjRun = dir.run({"-batch", "-m11", "-out:prj", "bng.prj", "xs.txt", "model.nwk11", "model.hd11"});
  ASSERT_EQ(prjRun.status, 0) << prjRun.output;
  const std::string nwk = dir.read("prj/1d_nwk.mif");
  EXPECT_EQ(nwk.rfind("Version 300\r\nCharset \"Neutral\"\r\nDelimiter \",\"\r\n"
                      "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000\r\n"
                      "Columns 22\r\n",
                      0),
            0u)
      << nwk;
  EXPECT_EQ(afterHeader(nwk), afterHeader(dir.read("out/1d_nwk.mif")));
  EXPECT_EQ(dir.read("prj/1d_nwk.mid"), dir.read("out/1d_nwk.mid"));

  // Or from a layer of another format, here in an ISIS run.
  dir.write("model.dat", testing::sourceFile("fuzz/model/model.dat"));
  tool(dir, "ogr2ogr -f GPKG -a_srs EPSG:27700 bng.gpkg proj.mif");
  auto isisRun = dir.run({"-batch", "-isis", "-out:isis", "bng.gpkg", "model.dat"});
  ASSERT_EQ(isisRun.status, 0) << isisRun.output;
  EXPECT_EQ(dir.read("isis/1d_xs.mif").rfind(nwk.substr(0, nwk.find("Columns ")) + "Columns 11\r\n", 0), 0u)
      << dir.read("isis/1d_xs.mif");
}

// The name of the module beside the executable from which the build under test loads its GDAL code; empty when it
// does not.
std::string gdalModuleFile() {
#ifdef KESTRIX_GDAL_MODULE_FILE
  return binaryHasGdal() ? KESTRIX_GDAL_MODULE_FILE : "";
#else
  return "";
#endif
}

void copyModel(const ScratchDir& dir) {
  for (const char* name : {"proj.mif", "proj.mid", "model.dat", "model.hd11", "model.nwk11", "xs.txt"})
    dir.write(name, testing::sourceFile(std::string("fuzz/model/") + name));
}

const char* const kBritishGrid = "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000";

TEST(GdalE2E, LayerThatClaimsLongitudeLatitudeStopsTheRunUntilCrsNamesItsSystem) {
  SKIP_WITHOUT_GDAL();
  ScratchDir reference;
  copyExample(reference);
  ASSERT_EQ(reference.run({"-batch", "-N", "-savedate:off", "-out:out", "survey.mif"}).status, 0);

  // GDAL finds no EPSG code for the survey's system, so the GeoJSON gets no
  // "crs" member and claims WGS 84: the run stops and writes nothing.
  ScratchDir dir;
  copyExample(dir);
  tool(dir, "ogr2ogr -f GeoJSON survey.geojson survey.mif");
  const std::size_t inputs = dir.files().size();
  struct Refused {
    const char* crs;
    const char* error;
  };
  for (const Refused& refused :
       {Refused{nullptr, "\nERROR - \"survey.geojson\" says its coordinates are longitude/latitude, but they reach "
                         "352086, 421000: give the right system with -crs:EPSG:nnnn\n"},
        Refused{"-crs:EPSG:4326", "\nERROR - -crs:EPSG:4326 says the coordinates of \"survey.geojson\" are "
                                  "longitude/latitude, but they reach 352086, 421000: give the right system with "
                                  "-crs:EPSG:nnnn\n"},
        Refused{"-crs:EPSG:none", "\nERROR - GDAL does not understand the coordinate system \"-crs:EPSG:none\": "},
        Refused{"-crs:", "\nERROR - No coordinate system named in \"-crs:\": "}}) {
    std::vector<std::string> args = {"-batch", "-N", "-gpkg", "-out:out", "survey.geojson"};
    if (refused.crs != nullptr) args.push_back(refused.crs);
    const auto run = dir.run(args);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(refused.error), std::string::npos) << run.output;
    EXPECT_EQ(dir.files().size(), inputs) << run.output;
  }

  // Named, the system stands for the layer's and goes into every output.
  auto run = dir.run({"-batch", "-N", "-gpkg", "-out:out", "-crs:EPSG:27700", "survey.geojson"});
  ASSERT_EQ(run.status, 0) << run.output;
  auto written = outputs(dir);
  ASSERT_EQ(written.erase("kestrix_layers.gpkg"), 1u);
  expectSameOutputs(outputs(reference), written, "GeoJSON with -crs");
  EXPECT_EQ(coordSys(dir.read("out/1d_xs.mif")), kBritishGrid);
  tool(dir, "ogrinfo -so out/kestrix_layers.gpkg _xs_bed_points > info.txt");
  EXPECT_NE(dir.read("info.txt").find("ID[\"EPSG\",27700]]\n"), std::string::npos) << dir.read("info.txt");

  // A copied .mif header gets the named system in place of its own CoordSys,
  // or before its columns when it has none; the rest stays as it was.
  const std::string survey = dir.read("survey.mif");
  const std::size_t line = survey.find("CoordSys ");
  dir.write("bare.mif", survey.substr(0, line) + survey.substr(survey.find("\r\n", line) + 2));
  dir.write("bare.mid", dir.read("survey.mid"));
  const std::string nz = "CoordSys Earth Projection 8, 117, \"m\", 173, 0, 0.9996, 1600000, 10000000";
  for (const char* layer : {"survey.mif", "bare.mif"}) {
    run = dir.run({"-batch", "-N", "-savedate:off", "-out:copied", "-crs:EPSG:2193", layer});
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string mif = dir.read("copied/_xs_all_points.mif");
    EXPECT_EQ(mif.rfind("Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\n" + nz + "\r\nColumns ", 0), 0u)
        << layer << "\n" << mif;
    EXPECT_EQ(afterHeader(mif), afterHeader(reference.read("out/_xs_all_points.mif"))) << layer;
  }

  // In a converter run it wins over the projection layer.
  copyModel(dir);
  run = dir.run({"-batch", "-isis", "-out:isis", "-crs:EPSG:27700", "proj.mif", "model.dat"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(coordSys(dir.read("isis/1d_xs.mif")), kBritishGrid);
}

TEST(GdalE2E, OnlyRunsThatNeedGdalLoadIt) {
  const std::string moduleFile = gdalModuleFile();
  if (moduleFile.empty()) GTEST_SKIP() << "the program under test does not load GDAL as a module";
  if (!testing::gdalAvailable()) GTEST_SKIP() << "GDAL's ogr2ogr is not installed (Debian's gdal-bin)";
  ScratchDir dir;
  copyExample(dir);
  copyModel(dir);
  // The dynamic loader names every library it maps.
  testing::Program traced = testing::programUnderTest();
  traced.launcher = "env LD_DEBUG=files";
  const std::vector<std::vector<std::string>> without = {
      {"--version"},
      {"--help"},
      {"-batch", "-N", "-savedate:off", "-out:gis", "survey.mif", "start_lines.mif"},
      {"-batch", "-N", "-isis", "-out:isis", "proj.mif", "model.dat"},
      {"-batch", "-M", "-m11", "-out:m11", "proj.mif", "xs.txt", "model.nwk11", "model.hd11"}};
  for (const auto& args : without) {
    const auto run = dir.run(traced, args);
    EXPECT_EQ(run.status, 0) << args.back() << "\n" << run.output;
    EXPECT_NE(run.output.find("file=libstdc++"), std::string::npos) << "no loader trace: " << run.output;
    EXPECT_EQ(run.output.find(moduleFile), std::string::npos) << args.back();
    EXPECT_EQ(run.output.find("libgdal"), std::string::npos) << args.back();
  }
  tool(dir, "ogr2ogr -f GeoJSON survey.geojson survey.mif");
  const std::vector<std::vector<std::string>> with = {
      {"-batch", "-N", "-savedate:off", "-out:geojson", "survey.geojson", "start_lines.mif", "-crs:EPSG:27700"},
      {"-batch", "-N", "-savedate:off", "-gpkg", "-out:gpkg", "survey.mif", "start_lines.mif"}};
  for (const auto& args : with) {
    const auto run = dir.run(traced, args);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find(moduleFile), std::string::npos) << args[3];
    EXPECT_NE(run.output.find("libgdal"), std::string::npos) << args[3];
  }
}

TEST(GdalE2E, RunWithoutItsGdalModuleSaysWhy) {
  const std::string moduleFile = gdalModuleFile();
  if (moduleFile.empty()) GTEST_SKIP() << "the program under test does not load GDAL as a module";
  // The executable alone, without the module beside it.
  ScratchDir dir;
  copyExample(dir);
  std::filesystem::copy_file(testing::programUnderTest().binary, dir.path() / "kestrix");
  const testing::Program alone{(dir.path() / "kestrix").string(), ""};
  const std::string module = (dir.path() / moduleFile).string();
  const std::string expected = "\nERROR - Kestrix could not load its GDAL module, so it cannot ";

  auto run = dir.run(alone, {"-batch", "-N", "-out:out", "survey.gpkg"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find(expected + "read \"survey.gpkg\": " + module +
                            ": cannot open shared object file: No such file or directory (nor is it in "),
            std::string::npos)
      << run.output;
  run = dir.run(alone, {"-batch", "-N", "-savedate:off", "-gpkg", "-out:out", "survey.mif", "start_lines.mif"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find(expected + "write -gpkg: " + module + ": "), std::string::npos) << run.output;
  EXPECT_FALSE(dir.has("out"));

  // A file in its place that is no library.
  dir.write(moduleFile, "not a library");
  run = dir.run(alone, {"-batch", "-isis", "bng.prj", "*.dat"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find(expected + "read \"bng.prj\": " + module + ": "), std::string::npos) << run.output;

  // A run that needs no GDAL does not miss it.
  run = dir.run(alone, {"-batch", "-N", "-savedate:off", "-out:out", "survey.mif", "start_lines.mif"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(dir.has("out/XS3.csv"));

  // An installed tree finds the module in its private library folder.
  const std::filesystem::path tree = dir.path() / "tree";
  const std::filesystem::path moduleDir = tree / "bin" / KESTRIX_GDAL_MODULE_INSTALL_DIR;
  std::filesystem::create_directories(moduleDir);
  std::filesystem::copy_file(testing::programUnderTest().binary, tree / "bin" / "kestrix");
  std::filesystem::copy_file(std::filesystem::path(testing::programUnderTest().binary).parent_path() / moduleFile,
                             moduleDir / moduleFile);
  run = dir.run({(tree / "bin" / "kestrix").string(), ""},
                {"-batch", "-N", "-savedate:off", "-gpkg", "-out:installed", "survey.mif", "start_lines.mif"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(dir.has("installed/kestrix_layers.gpkg"));
}

TEST(GdalE2E, BuildWithoutGdalSaysHowToGetIt) {
  if (binaryHasGdal()) GTEST_SKIP() << "the program under test is built with GDAL";
  ScratchDir dir;
  copyExample(dir);
  const std::string expected = "ERROR - This build of Kestrix reads and writes MIF/MID layers only, so it cannot ";
  auto run = dir.run({"-batch", "-N", "survey.gpkg"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("\n" + expected + "read \"survey.gpkg\": build it with GDAL"), std::string::npos)
      << run.output;
  run = dir.run({"-batch", "-N", "-savedate:off", "-gpkg", "survey.mif"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("\n" + expected + "write -gpkg: build it with GDAL"), std::string::npos) << run.output;
  run = dir.run({"-batch", "-isis", "bng.prj", "*.dat"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("\n" + expected + "read \"bng.prj\""), std::string::npos) << run.output;
  run = dir.run({"-batch", "-N", "-savedate:off", "-crs:EPSG:27700", "survey.mif"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("\n" + expected + "use -crs:EPSG:27700: build it with GDAL"), std::string::npos)
      << run.output;
  EXPECT_EQ(dir.files().size(), 4u);
}

}  // namespace
}  // namespace kestrix
