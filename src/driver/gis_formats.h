#pragma once
// The GIS formats a run reads and writes through GDAL where the build has it:
// file arguments of other formats (GeoPackage, Shapefile, GeoJSON and more),
// the header composed for output layers whose first input is no MIF layer,
// and the GeoPackage of -gpkg. This half decides what needs GDAL and hands
// that to GdalFormats, made the first time it is needed; a build without
// GDAL, or one whose GDAL module cannot be loaded, answers with an ERROR
// before the run reads anything. Everything else runs the same in every build.

#include <memory>
#include <string>
#include <vector>

#include "workspace/network.h"
#include "driver/gdal_formats.h"
#include "output/section_writer.h"

namespace kestrix {

class RunContext;

/// When the command line asks for a GDAL format, -gpkg or -crs:: loads GDAL, or ends the run with an ERROR that says why
/// it cannot (a build without GDAL, a GDAL module that cannot be loaded).
void checkGdalArguments(RunContext& run);

/// What one run does through GDAL.
class GisFormats {
 public:
  /// Nothing is opened, and GDAL is not touched, until a method needs it.
  explicit GisFormats(RunContext& run);
  /// Closes what a run that ended early left open.
  ~GisFormats();
  GisFormats(const GisFormats&) = delete;
  GisFormats& operator=(const GisFormats&) = delete;

  /// The layers a GIS-mode file argument names: the argument itself for a MIF layer, every layer of a GDAL source.
  std::vector<std::string> layersOf(const std::string& argument);
  /// With -crs:, reads the coordinate system it names (before any layer is read); nothing without it.
  void useCrs();
  /// Reads the survey points of one layer.
  void readPoints(const std::string& layer);
  /// Reads the start or projection lines of one layer.
  void readLines(const std::string& layer);
  /// Composes the output layers' header from the first file when it is a GDAL source; with `projectionFile` (converter
  /// modes) the first file only supplies the projection, may be a .prj and is opened here for the first time.
  void composeHeader(bool projectionFile);
  /// The GeoPackage sink of -gpkg for the section layers (after guarding its name); empty without -gpkg.
  ExtraSectionSink sectionSink();
  /// A network sink that also writes into the GeoPackage of -gpkg; null without -gpkg.
  std::unique_ptr<M11NetworkSink> networkSink(M11NetworkSink& mif);
  /// Writes out the GeoPackage of -gpkg, before the outputs are committed.
  void finish();
  /// The terrain model of -dem: and the land use of -landuse:, opened and checked against the layers' coordinate
  /// system before any layer is read; null without those options. Ends the run on an ERROR.
  std::unique_ptr<Terrain> openTerrain(std::unique_ptr<LandUse>& landUse);

 private:
  GdalFormats& gdal();

  RunContext& run_;
  std::unique_ptr<GdalFormats> gdal_;
};

}  // namespace kestrix
