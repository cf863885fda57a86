#pragma once
// Checks of written layers as a GIS reads them: objects against records, and
// GDAL's own reading of a layer (skipped where GDAL's tools are absent).

#include <filesystem>
#include <string>
#include <vector>

#include "support/e2e.h"

namespace kestrix::testing {

/// The objects of a .mif after its "Data" line.
int mifObjectCount(const std::string& mif);

/// The records of a .mid (its lines).
int midRecordCount(const std::string& mid);

/// One layer as GDAL reads it.
struct GdalLayer {
  bool ran = false;                            ///< ogr2ogr could be run
  std::string messages;                        ///< everything GDAL printed besides the rows
  std::vector<std::string> columns;            ///< the attribute names
  std::vector<std::vector<std::string>> rows;  ///< the attribute values, one row per feature
};

/// True when GDAL's command-line tools are installed.
bool gdalAvailable();

/// True when the build under test reads and writes through GDAL (a Windows build under Wine does not).
inline bool binaryHasGdal() {
#if KESTRIX_WITH_GDAL
  return !windowsTarget();
#else
  return false;
#endif
}

/// Skips a test that needs GDAL in the program under test and GDAL's tools to make and read layers.
#define SKIP_WITHOUT_GDAL()                                                                               \
  do {                                                                                                    \
    if (!::kestrix::testing::binaryHasGdal()) GTEST_SKIP() << "the program under test is built without GDAL"; \
    if (!::kestrix::testing::gdalAvailable()) GTEST_SKIP() << "GDAL's ogr2ogr is not installed (Debian's gdal-bin)"; \
  } while (0)

/// Reads a .mif/.mid layer with GDAL (ogr2ogr to CSV) and returns its attribute rows; with `xy` a point layer's X and Y come first.
GdalLayer readWithGdal(const std::filesystem::path& mif, bool xy = false);

/// Reads one layer of any GDAL dataset (all of a one-layer file when `layer` is empty) with its geometry as WKT first.
GdalLayer readLayerWithGdal(const std::filesystem::path& file, const std::string& layer = "");

/// Splits CSV text into rows of fields (quoted fields with doubled quotes, CR LF or LF line ends).
std::vector<std::vector<std::string>> parseCsv(const std::string& text);

/// The header lines of a converter run's projection layer: a NonEarth plane 100 km square, in metres.
std::vector<std::string> converterHeader();

/// A converter run's projection layer (.mif) of that header, with one column and no objects.
std::string converterProjection();

/// One data point of a fixed-column ISIS river section line.
std::string isisPoint(double x, double z, double n, const std::string& marker, double e, double north);

}  // namespace kestrix::testing
