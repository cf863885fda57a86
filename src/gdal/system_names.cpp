#include "gdal/system_names.h"

#include <cpl_conv.h>
#include <ogr_spatialref.h>

#include "text/text.h"

namespace kestrix {

namespace {

constexpr int kSureMatch = 70;  // FindMatches' confidence (of 100) from which a match names the system

// A system without an authority code (such as GDAL reads from a MapInfo
// CoordSys line, named "unnamed") as the EPSG system it matches, when GDAL
// finds one it is sure of; else as it is.
OGRSpatialReference identified(const OGRSpatialReference& crs) {
  OGRSpatialReference result(crs);
  if (crs.GetAuthorityCode(nullptr) != nullptr) return result;
  int count = 0;
  int* confidence = nullptr;
  OGRSpatialReferenceH* matches = crs.FindMatches(nullptr, &count, &confidence);
  if (count > 0 && confidence != nullptr && confidence[0] >= kSureMatch)
    result = *OGRSpatialReference::FromHandle(matches[0]);
  OSRFreeSRSArray(matches);
  CPLFree(confidence);
  return result;
}

}  // namespace

bool undefinedSystem(const OGRSpatialReference* crs) {
  if (crs == nullptr || crs->IsEmpty()) return true;
  if (crs->GetAuthorityName(nullptr) != nullptr) return false;
  const char* name = crs->GetName();
  const std::string key = UPPERCASE(name != nullptr ? name : "");
  return key == "UNDEFINED GEOGRAPHIC SRS" || key == "UNDEFINED CARTESIAN SRS";
}


std::string systemName(const OGRSpatialReference& given) {
  const OGRSpatialReference crs = identified(given);
  const char* name = crs.GetName();
  std::string text = name != nullptr && *name != '\0' ? name : "an unnamed coordinate system";
  const char* authority = crs.GetAuthorityName(nullptr);
  const char* code = crs.GetAuthorityCode(nullptr);
  if (authority != nullptr && code != nullptr) text += std::string(" (") + authority + ":" + code + ")";
  return text;
}

std::string systemTarget(const OGRSpatialReference& given) {
  const OGRSpatialReference crs = identified(given);
  const char* authority = crs.GetAuthorityName(nullptr);
  const char* code = crs.GetAuthorityCode(nullptr);
  if (authority != nullptr && code != nullptr) return std::string(authority) + ":" + code;
  return "LAYERS.prj";
}

}  // namespace kestrix
