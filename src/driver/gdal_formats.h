#pragma once
// The one door between a run and GDAL. GDAL brings a hundred shared libraries
// that the dynamic loader would map and relocate at every start, though most
// runs never use them; so, in builds with GDAL on Linux, the code that uses
// GDAL (the module gdal and gis_formats_gdal.cpp) is built into a loadable
// module beside the executable, which the run loads the first time it needs
// GDAL. The module resolves the rest of the program (the run context, the
// readers, the sinks) from the executable, so there is one copy of each, and
// a run it ends with RunEnd ends as any other. Elsewhere (Windows) the same
// code is linked into the program.

#include <memory>
#include <string>
#include <vector>

#include "geometry/land_use.h"
#include "geometry/terrain.h"
#include "workspace/network.h"
#include "output/section_writer.h"

namespace kestrix {

class RunContext;

/// What one run does through GDAL; made once per run, when the run first needs GDAL.
class GdalFormats {
 public:
  virtual ~GdalFormats() = default;
  /// Every layer of a file argument of another format, each as "file:layer" (the file alone when it holds one).
  virtual std::vector<std::string> layers(const std::string& argument) = 0;
  /// Takes the system -crs: names for the outputs and every input layer; ends the run when GDAL does not understand it.
  virtual void useCrs() = 0;
  /// Reads the survey points of one such layer.
  virtual void readPoints(const std::string& layer) = 0;
  /// Reads the start or projection lines of one such layer.
  virtual void readLines(const std::string& layer) = 0;
  /// The output layers' header for the spatial reference of `first` (a layer of another format or, with
  /// `projectionFile`, a .prj file opened here for the first time); the reference is kept for the GeoPackage.
  virtual std::string composeHeader(const std::string& first, bool projectionFile) = 0;
  /// The GeoPackage sink of the section layers (after guarding the GeoPackage's name).
  virtual ExtraSectionSink sectionSink() = 0;
  /// A network sink that writes through `mif` and into the GeoPackage.
  virtual std::unique_ptr<M11NetworkSink> networkSink(M11NetworkSink& mif) = 0;
  /// Writes out the GeoPackage when anything was written to it, before the outputs are committed.
  virtual void finish() = 0;
  /// Opens the DEMs of -dem: and checks each against the layers' coordinate system (that of -crs:, else that of the
  /// layer `first`), saying what it finds; ends the run on an ERROR.
  virtual std::unique_ptr<Terrain> openTerrain(const std::string& first) = 0;
  /// Opens the polygons of -landuse: and checks them as the DEMs; ends the run on an ERROR.
  virtual std::unique_ptr<LandUse> openLandUse(const std::string& first) = 0;
};

/// Makes the GDAL formats of the run `run`; the module exports one function of this type.
using GdalFormatsFactory = GdalFormats* (*)(RunContext& run);

/// The name under which the module exports its factory.
inline constexpr const char* kGdalFactoryName = "kestrix_gdal_formats";

/// The factory, loading the module the first time; null, with the reason in `why` (empty in a build without GDAL).
GdalFormatsFactory gdalFormatsFactory(std::string& why);

/// Makes runs use `factory`, linked into the program, instead of the module (for programs that link GDAL, as the tests do).
void linkGdalFormats(GdalFormatsFactory factory);

}  // namespace kestrix

/// The factory the GDAL code exports (defined in gis_formats_gdal.cpp, in the module or in a program that links it).
extern "C" kestrix::GdalFormats* kestrix_gdal_formats(kestrix::RunContext& run);
