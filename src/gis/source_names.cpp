#include "gis/source_names.h"

#include <array>

#include "files/paths.h"
#include "text/text.h"

namespace kestrix {

namespace {

// The formats GIS users hold survey layers in besides MIF/MID.
constexpr std::array<std::string_view, 8> kGdalExtensions = {".gpkg", ".shp", ".geojson", ".json",
                                                             ".fgb",  ".gml", ".kml",     ".sqlite"};

bool hasGdalExtension(std::string_view name) {
  const std::string ext = FILEEXT(name);
  for (const std::string_view known : kGdalExtensions)
    if (ext == known) return true;
  return false;
}

}  // namespace

bool gdalSourceName(std::string_view name, SourceName& source) {
  const std::string text = TRIMF(name);
  const std::string_view trimmed = significant(text);
  if (hasGdalExtension(trimmed)) {
    source.file.assign(trimmed);
    source.layer.clear();
    return true;
  }
  // The first colon that follows a GDAL file name starts the layer name, so
  // that a drive letter (C:\survey.gpkg:points) stays part of the file.
  for (std::size_t colon = trimmed.find(':'); colon != std::string_view::npos;
       colon = trimmed.find(':', colon + 1)) {
    if (!hasGdalExtension(trimmed.substr(0, colon))) continue;
    source.file.assign(trimmed.substr(0, colon));
    source.layer.assign(trimmed.substr(colon + 1));
    return !source.layer.empty();
  }
  return false;
}

bool isGdalSourceName(std::string_view name) {
  SourceName source;
  return gdalSourceName(name, source);
}

bool isProjectionFileName(std::string_view name) {
  const std::string text = TRIMF(name);
  return FILEEXT(significant(text)) == ".prj";
}

}  // namespace kestrix
