#pragma once
// Which file arguments name layers of other GIS formats (read through GDAL
// where the build has it), and how "file.gpkg:layer" names one layer of them.
// Pure text: the rule holds in every build, so that a build without GDAL can
// say what it cannot read.

#include <string>
#include <string_view>

namespace kestrix {

/// A file argument of another GIS format: its file and the layer it names.
struct SourceName {
  std::string file;   ///< the file, as named
  std::string layer;  ///< the layer after the colon; empty for every layer of the file
};

/// True when `name` has a GDAL extension, alone or followed by ":layer" (case-blind); fills `source`.
bool gdalSourceName(std::string_view name, SourceName& source);

/// True when `name` is a file argument of another GIS format, with or without a layer.
bool isGdalSourceName(std::string_view name);

/// True when `name` is an ESRI projection file (.prj), which may supply the map projection in the converter modes.
bool isProjectionFileName(std::string_view name);

}  // namespace kestrix
