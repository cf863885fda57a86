// Opening the land-use layer: the name taken apart, the checks of its system
// and field, and every polygon read once into memory. What the run must say
// is returned, not printed, as for the DEMs.

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <limits>
#include <memory>

#include "gdal/gdal_errors.h"
#include "gdal/gdal_source.h"
#include "gdal/land_use.h"
#include "gdal/land_use_messages.h"
#include "gdal/system_names.h"
#include "text/text.h"

namespace kestrix {

std::string landUseUnopenable(const std::string& file, const std::string& reason) {
  return "Cannot open land-use layer " + inQuotes(file) + ": " + reason;
}

std::string landUseUnreadable(const std::string& file, const std::string& reason) {
  return "Cannot read land-use layer " + inQuotes(file) + ": " + reason;
}

std::string landUseWithoutPolygons(const std::string& file) {
  return "Land-use layer " + inQuotes(file) + " holds no polygons";
}

namespace {
std::string fieldList(const std::string& fields) {
  return fields.empty() ? "it has no fields" : "its fields are " + fields;
}
}  // namespace

std::string landUseFieldMissing(const std::string& file, const std::string& field, const std::string& fields) {
  return "Land-use layer " + inQuotes(file) + " has no field " + inQuotes(field) + " - " + fieldList(fields);
}

std::string landUseFieldNotNumeric(const std::string& file, const std::string& field, const std::string& type) {
  return "Field " + inQuotes(field) + " of land-use layer " + inQuotes(file) + " holds " + type +
         " values - name a numeric field (Integer, Integer64 or Real) for the resistance values";
}

std::string landUseNoNumericField(const std::string& file, const std::string& fields) {
  return "Land-use layer " + inQuotes(file) + " has no numeric field for the resistance values - " + fieldList(fields);
}

std::string landUseOtherSystem(const std::string& file, const std::string& system, const std::string& layers,
                               const std::string& target) {
  return "Land-use layer " + inQuotes(file) + " is in " + system + ", the layers in " + layers +
         " - reproject it first, e.g. ogr2ogr -t_srs " + target + " landuse-reprojected.gpkg " + file;
}

std::string landUseWithoutSystem(const std::string& file) {
  return "Land-use layer " + inQuotes(file) + " has no coordinate system - taken to be the layers'";
}

LandUseName landUseName(std::string_view argument, const std::function<bool(const std::string&)>& exists) {
  LandUseName named{TRIMF(argument), ""};
  const std::size_t colon = named.file.rfind(':');
  if (colon == std::string::npos) return named;
  const std::string before = named.file.substr(0, colon);
  const std::string after = named.file.substr(colon + 1);
  if (before.empty() || after.find_first_of("/\\") != std::string::npos || exists(named.file) || !exists(before)) {
    return named;
  }
  named.file = before;
  named.field = TRIMF(after);
  return named;
}

namespace {

bool numeric(OGRFieldType type) { return type == OFTInteger || type == OFTInteger64 || type == OFTReal; }

// The polygons of a geometry: a polygon itself, the members of a
// multi-polygon or collection (a MIF region of several rings comes as either),
// curved polygons as GDAL approximates them by straight edges (kept in
// `owned`). Points and lines hold no area and are passed over.
void polygonsOf(const OGRGeometry& geometry, std::vector<const OGRPolygon*>& polygons,
                std::vector<std::unique_ptr<OGRGeometry>>& owned) {
  switch (wkbFlatten(geometry.getGeometryType())) {
    case wkbPolygon:
      polygons.push_back(geometry.toPolygon());
      break;
    case wkbMultiPolygon:
    case wkbMultiSurface:
    case wkbGeometryCollection:
      for (const OGRGeometry* member : *geometry.toGeometryCollection())
        if (member != nullptr) polygonsOf(*member, polygons, owned);
      break;
    case wkbCurvePolygon: {
      owned.emplace_back(geometry.getLinearGeometry());
      if (owned.back() != nullptr) polygonsOf(*owned.back(), polygons, owned);
      break;
    }
    default:
      break;
  }
}

void ringInto(const OGRLinearRing* ring, std::vector<double>& xy) {
  xy.clear();
  if (ring == nullptr) return;
  for (int i = 0; i < ring->getNumPoints(); ++i) {
    xy.push_back(ring->getX(i));
    xy.push_back(ring->getY(i));
  }
}

}  // namespace

std::vector<LandUseFinding> GdalLandUse::open(std::string_view argument, const OGRSpatialReference* layers) {
  gdalStart();
  clear();
  const LandUseName named = landUseName(argument, [](const std::string& file) {
    VSIStatBufL stat;
    return VSIStatExL(file.c_str(), &stat, VSI_STAT_EXISTS_FLAG) == 0;
  });
  const std::string& file = named.file;
  std::vector<LandUseFinding> findings;
  const auto failed = [&](std::string text) {
    findings.push_back({Severity::Error, std::move(text)});
    clear();
    return findings;
  };
  const QuietGdal quiet;
  const GDALDatasetUniquePtr dataset(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (dataset == nullptr) return failed(landUseUnopenable(file, quiet.message("GDAL cannot read it as vector data")));
  if (dataset->GetLayerCount() < 1) return failed(landUseUnopenable(file, "it has no vector layer"));
  OGRLayer* layer = dataset->GetLayer(0);

  const OGRSpatialReference* crs = layer->GetSpatialRef();
  const char* const sameOptions[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", nullptr};
  if (undefinedSystem(crs)) {
    findings.push_back({Severity::Warning, landUseWithoutSystem(file)});
  } else if (!undefinedSystem(layers) && !crs->IsSame(layers, sameOptions)) {
    findings.push_back(
        {Severity::Error, landUseOtherSystem(file, systemName(*crs), systemName(*layers), systemTarget(*layers))});
  }

  // The field named (compared case-blind, as GDAL compares field names), or the first numeric one.
  const OGRFeatureDefn* definition = layer->GetLayerDefn();
  std::string fields;
  int index = -1;
  for (int i = 0; i < definition->GetFieldCount(); ++i) {
    const OGRFieldDefn* field = definition->GetFieldDefn(i);
    fields += (i > 0 ? ", " : "") + std::string(field->GetNameRef());
    const bool wanted = named.field.empty() ? numeric(field->GetType())
                                            : UPPERCASE(field->GetNameRef()) == UPPERCASE(named.field);
    if (index < 0 && wanted) index = i;
  }
  if (index < 0) {
    findings.push_back({Severity::Error, named.field.empty() ? landUseNoNumericField(file, fields)
                                                             : landUseFieldMissing(file, named.field, fields)});
  } else if (!numeric(definition->GetFieldDefn(index)->GetType())) {
    const OGRFieldDefn* field = definition->GetFieldDefn(index);
    findings.push_back({Severity::Error, landUseFieldNotNumeric(file, field->GetNameRef(),
                                                                OGRFieldDefn::GetFieldTypeName(field->GetType()))});
  }
  for (const LandUseFinding& finding : findings) {
    if (finding.severity == Severity::Error) {
      clear();
      return findings;
    }
  }

  // Every polygon once; a feature's value is kept only when it has one. A
  // value that is not a finite single-precision number counts as null.
  std::vector<const OGRPolygon*> polygons;
  std::vector<std::unique_ptr<OGRGeometry>> owned;
  std::vector<std::vector<double>> rings;
  layer->ResetReading();
  CPLErrorReset();
  for (const auto& feature : *layer) {
    const OGRGeometry* geometry = feature->GetGeometryRef();
    if (geometry == nullptr) continue;
    polygons.clear();
    owned.clear();
    polygonsOf(*geometry, polygons, owned);
    const std::size_t before = parts_.size();
    for (const OGRPolygon* polygon : polygons) {
      rings.resize(static_cast<std::size_t>(polygon->getNumInteriorRings()) + 1);
      ringInto(polygon->getExteriorRing(), rings[0]);
      for (int i = 0; i < polygon->getNumInteriorRings(); ++i)
        ringInto(polygon->getInteriorRing(i), rings[static_cast<std::size_t>(i) + 1]);
      addPart(rings, static_cast<std::uint32_t>(values_.size()));
    }
    if (parts_.size() == before) continue;
    float value = std::numeric_limits<float>::quiet_NaN();
    if (feature->IsFieldSetAndNotNull(index)) {
      const auto read = static_cast<float>(feature->GetFieldAsDouble(index));
      if (std::isfinite(read)) value = read;
    }
    values_.push_back(value);
  }
  if (CPLGetLastErrorType() == CE_Failure || CPLGetLastErrorType() == CE_Fatal) {
    return failed(landUseUnreadable(file, quiet.message("GDAL stopped reading it")));
  }
  if (parts_.empty()) return failed(landUseWithoutPolygons(file));
  buildGrid();
  file_ = file;
  field_ = definition->GetFieldDefn(index)->GetNameRef();
  return findings;
}

}  // namespace kestrix
