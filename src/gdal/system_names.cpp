#include "gdal/system_names.h"

#include <ogr_spatialref.h>

namespace kestrix {

std::string systemName(const OGRSpatialReference& crs) {
  const char* name = crs.GetName();
  std::string text = name != nullptr && *name != '\0' ? name : "an unnamed coordinate system";
  const char* authority = crs.GetAuthorityName(nullptr);
  const char* code = crs.GetAuthorityCode(nullptr);
  if (authority != nullptr && code != nullptr) text += std::string(" (") + authority + ":" + code + ")";
  return text;
}

std::string systemTarget(const OGRSpatialReference& crs) {
  const char* authority = crs.GetAuthorityName(nullptr);
  const char* code = crs.GetAuthorityCode(nullptr);
  if (authority != nullptr && code != nullptr) return std::string(authority) + ":" + code;
  return "LAYERS.prj";
}

}  // namespace kestrix
