// Which file arguments are layers of other GIS formats, and where the layer
// name after the colon starts.

#include <gtest/gtest.h>

#include "gis/source_names.h"

namespace kestrix {
namespace {

TEST(SourceNames, ExtensionsLayersAndDriveLetters) {
  SourceName s;
  EXPECT_TRUE(gdalSourceName("  Survey.GPKG ", s));
  EXPECT_EQ(s.file, "Survey.GPKG");
  EXPECT_EQ(s.layer, "");
  for (const char* name : {"a.shp", "a.geojson", "a.JSON", "a.fgb", "a.gml", "a.kml", "a.sqlite"})
    EXPECT_TRUE(isGdalSourceName(name)) << name;
  for (const char* name : {"a.mif", "a.mid", "a", "a.gpkg.mif", "a.prj", "a.gpkg:", "gpkg"})
    EXPECT_FALSE(isGdalSourceName(name)) << name;

  EXPECT_TRUE(gdalSourceName("C:\\data\\survey.gpkg:points:2024", s));
  EXPECT_EQ(s.file, "C:\\data\\survey.gpkg");
  EXPECT_EQ(s.layer, "points:2024");
  EXPECT_TRUE(gdalSourceName("dir.gpkg/x.shp", s));
  EXPECT_EQ(s.file, "dir.gpkg/x.shp");

  EXPECT_TRUE(isProjectionFileName("BNG.PRJ "));
  EXPECT_FALSE(isProjectionFileName("bng.mif"));
}

}  // namespace
}  // namespace kestrix
