#include "gdal/system_names.h"

#include <ogr_spatialref.h>

#include "text/text.h"

namespace kestrix {

bool undefinedSystem(const OGRSpatialReference* crs) {
  if (crs == nullptr || crs->IsEmpty()) return true;
  if (crs->GetAuthorityName(nullptr) != nullptr) return false;
  const char* name = crs->GetName();
  const std::string key = UPPERCASE(name != nullptr ? name : "");
  return key == "UNDEFINED GEOGRAPHIC SRS" || key == "UNDEFINED CARTESIAN SRS";
}

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
