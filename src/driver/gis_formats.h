#pragma once
// The GIS formats a run reads and writes through GDAL where the build has it:
// file arguments of other formats (GeoPackage, Shapefile, GeoJSON and more),
// the header composed for output layers whose first input is no MIF layer,
// and the GeoPackage of -gpkg. A build without GDAL answers each of them with
// an ERROR; everything else runs the same in both builds.

#include <memory>
#include <string>
#include <vector>

#include "converters/mike11.h"
#include "output/section_writer.h"

namespace kestrix {

class RunContext;

/// True when this build reads and writes GIS formats through GDAL.
bool gdalBuiltIn();

/// Ends the run with an ERROR when the command line asks a build without GDAL for a GDAL format or for -gpkg.
void checkGdalArguments(RunContext& ctx);

/// What one run does through GDAL.
class GisFormats {
 public:
  /// Nothing is opened until a method needs it.
  explicit GisFormats(RunContext& ctx);
  /// Closes what a run that ended early left open.
  ~GisFormats();
  GisFormats(const GisFormats&) = delete;
  GisFormats& operator=(const GisFormats&) = delete;

  /// The layers a GIS-mode file argument names: the argument itself for a MIF layer, every layer of a GDAL source.
  std::vector<std::string> layersOf(const std::string& argument);
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
  std::unique_ptr<M11NetworkSink> networkSink(M11NetworkSink& mif, const Mike11Tables& tables);
  /// Writes out the GeoPackage of -gpkg, before the outputs are committed.
  void finish();

 private:
  struct Gdal;
  RunContext& ctx_;
  std::unique_ptr<Gdal> gdal_;
};

}  // namespace kestrix
