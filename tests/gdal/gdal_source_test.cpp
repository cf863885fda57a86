// The GDAL layer source, read in-process from hand-made GeoJSON: which
// geometries are points and lines (a multi-part one passes over, as a MIF
// "Pline Multiple" does), the fields by name or by position, nulls, numbers
// held as text and the Z of 3D points.

#include <gtest/gtest.h>

#include "gdal/gdal_source.h"
#include "support/e2e.h"
#include "support/workspace_run.h"

namespace kestrix::testing {
namespace {

std::string feature(const std::string& geometry, const std::string& properties) {
  return "{\"type\":\"Feature\",\"properties\":{" + properties + "},\"geometry\":" + geometry + "}";
}

std::string collection(const std::vector<std::string>& features) {
  std::string text = "{\"type\":\"FeatureCollection\",\"features\":[";
  for (std::size_t i = 0; i < features.size(); ++i) text += (i ? ",\n" : "\n") + features[i];
  return text + "]}\n";
}

// Reads every feature, with the geometry of `kind`, as "kind:x,y;...|value|value" (null values as "~").
std::vector<std::string> readAll(GdalFeatureSource& source, FeatureKind kind, int values) {
  std::vector<std::string> got;
  Feature f;
  for (;;) {
    const FeatureStatus status = source.next(kind, f);
    if (status == FeatureStatus::End) break;
    EXPECT_EQ(status, FeatureStatus::Read);
    if (status != FeatureStatus::Read) break;
    std::string text = f.kind == FeatureKind::Point ? "P" : f.kind == FeatureKind::Line ? "L" : "O";
    for (int i = 0; i < f.nodes; ++i) text += (i ? ";" : ":") + std::to_string(static_cast<int>(f.x[i])) + "," +
                                              std::to_string(static_cast<int>(f.y[i]));
    for (int i = 0; i < values; ++i) {
      std::string value = "?";
      float number = -1.0f;
      const bool ok = i < 2 && f.kind == FeatureKind::Point ? f.values->readFloat(number)
                                                            : f.values->readText(value, 100);
      if (i < 2 && f.kind == FeatureKind::Point) value = ok ? std::to_string(number).substr(0, 5) : "!";
      if (!ok && value != "!") value = "-";
      text += "|" + (ok && f.values->lastWasNull() ? std::string("~") : value);
    }
    got.push_back(text);
  }
  return got;
}

TEST(GdalSource, GeometriesFieldsByNameNullsAndThePointsZ) {
  ScratchDir dir;
  dir.write("layer.geojson",
            collection({feature("{\"type\":\"Point\",\"coordinates\":[1,2,9.5]}",
                                "\"XS_ID\":\"A\",\"LCR\":\"L\",\"MNR\":0.03,\"Other\":7"),
                        feature("{\"type\":\"MultiPoint\",\"coordinates\":[[3,4]]}",
                                "\"XS_ID\":\"A\",\"LCR\":null,\"MNR\":\"0.04\",\"Other\":7"),
                        feature("{\"type\":\"MultiPoint\",\"coordinates\":[[3,4],[5,6]]}",
                                "\"XS_ID\":\"A\",\"LCR\":\"C\",\"MNR\":0.04,\"Other\":7"),
                        feature("{\"type\":\"MultiLineString\",\"coordinates\":[[[0,0],[10,0]]]}",
                                "\"XS_ID\":\"A\",\"LCR\":\"C\",\"MNR\":null,\"Other\":7"),
                        feature("{\"type\":\"MultiLineString\",\"coordinates\":[[[0,0],[10,0]],[[5,5],[6,6]]]}",
                                "\"XS_ID\":\"B\",\"LCR\":\"C\",\"MNR\":null,\"Other\":7"),
                        feature("{\"type\":\"Polygon\",\"coordinates\":[[[0,0],[1,0],[1,1],[0,0]]]}",
                                "\"XS_ID\":\"C\",\"LCR\":\"C\",\"MNR\":1,\"Other\":7"),
                        feature("null", "\"XS_ID\":\"D\",\"LCR\":\"C\",\"MNR\":1,\"Other\":7")}));
  TestWorkspace t;
  GdalFeatureSource points(t.ctx, 2, true);
  ASSERT_TRUE(points.open(dir.path().string() + "/layer.geojson"));
  // Z from the point, then MNR, LCR and XS_ID by name; a 2D point has no Z.
  EXPECT_EQ(readAll(points, FeatureKind::Point, 4),
            (std::vector<std::string>{"P:1,2|9.500|0.030|L|A", "P:3,4|~|0.040|~|A", "O|-|-|-|-", "L|A|-|-|-",
                                      "O|-|-|-|-", "O|-|-|-|-", "O|-|-|-|-"}));
  EXPECT_TRUE(hasLine(t.out(), "NOTE - Layer \"" + dir.path().string() +
                                   "/layer.geojson\" has no Z field: each point's elevation is its Z coordinate"))
      << t.out();
  points.close();

  // A line's identifier is its XS_ID field; it carries no further value. The
  // values follow each feature's own kind, whatever geometry was asked for.
  GdalFeatureSource lines(t.ctx, 1000, false);
  ASSERT_TRUE(lines.open(dir.path().string() + "/layer.geojson"));
  EXPECT_EQ(readAll(lines, FeatureKind::Line, 2),
            (std::vector<std::string>{"P|9.500|0.030", "P|~|0.040", "O|-|-", "L:0,0;10,0|A|-", "O|-|-", "O|-|-",
                                      "O|-|-"}));
}

TEST(GdalSource, FieldsByPositionLimitsAndFailures) {
  ScratchDir dir;
  dir.write("pos.geojson",
            collection({feature("{\"type\":\"Point\",\"coordinates\":[1,2]}", "\"h\":\"12.5\",\"n\":0.03,\"s\":\"R\""),
                        feature("{\"type\":\"Point\",\"coordinates\":[1,2]}", "\"h\":\"high\",\"n\":0.03,\"s\":\"R\""),
                        feature("{\"type\":\"LineString\",\"coordinates\":[[0,0],[1,1],[2,2]]}",
                                "\"h\":\"X9\",\"n\":0,\"s\":\"\"")}));
  TestWorkspace t;
  GdalFeatureSource points(t.ctx, 2, true);
  ASSERT_TRUE(points.open(dir.path().string() + "/pos.geojson"));
  // The first fields by position; a layer of three fields has no fourth value,
  // and a text that is no number cannot be read as one.
  EXPECT_EQ(readAll(points, FeatureKind::Point, 4),
            (std::vector<std::string>{"P:1,2|12.50|0.030|R|-", "P:1,2|!|0.030|R|-", "L|X9|-|-|-"}));
  EXPECT_FALSE(has(t.out(), "NOTE"));

  // Without an XS_ID field a line's identifier is its first field; a line
  // longer than the reader takes ends the run as a MIF polyline does.
  GdalFeatureSource lines(t.ctx, 2, false);
  ASSERT_TRUE(lines.open(dir.path().string() + "/pos.geojson"));
  Feature f;
  ASSERT_EQ(lines.next(FeatureKind::Line, f), FeatureStatus::Read);
  ASSERT_EQ(lines.next(FeatureKind::Line, f), FeatureStatus::Read);
  EXPECT_EQ(endsRun([&] { lines.next(FeatureKind::Line, f); }), kExitFailure);
  EXPECT_TRUE(has(t.out(), "ERROR 0310 - Exceeded number of allowable nodes")) << t.out();

  TestWorkspace u;
  GdalFeatureSource missing(u.ctx, 2, true);
  EXPECT_FALSE(missing.open(dir.path().string() + "/pos.geojson:nothing"));
  EXPECT_TRUE(u.ctx.tally.errFound);
  EXPECT_TRUE(has(u.out(), "ERROR - Could not read \"" + dir.path().string() + "/pos.geojson:nothing\" as a GIS layer"))
      << u.out();
}

}  // namespace
}  // namespace kestrix::testing
