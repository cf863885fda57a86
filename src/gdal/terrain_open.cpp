// Opening the DEMs and the checks made before anything is read: each DEM is
// opened once here and kept open for the sampling; what the run must say
// about it is returned, not printed, so that the run decides where it goes.

#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "gdal/gdal_errors.h"
#include "gdal/gdal_source.h"
#include "gdal/terrain.h"
#include "gdal/system_names.h"
#include "gdal/terrain_messages.h"
#include "files/paths.h"
#include "gis/source_names.h"
#include "text/text.h"

namespace kestrix {

std::string demUnopenable(const std::string& file, const std::string& reason) {
  return "Cannot open DEM " + inQuotes(file) + ": " + reason;
}

std::string demUnplaced(const std::string& file) {
  return "DEM " + inQuotes(file) + " has no usable geotransform - its cells cannot be placed on the map";
}

std::string demGeographic(const std::string& file, const std::string& system) {
  return "DEM " + inQuotes(file) + " is in geographic coordinates (" + system +
         ") - project it into the layers' coordinate system with gdalwarp first";
}

std::string demOtherSystem(const std::string& file, const std::string& system, const std::string& layers,
                           const std::string& target) {
  return "DEM " + inQuotes(file) + " is in " + system + ", the layers in " + layers +
         " - reproject it first, e.g. gdalwarp -t_srs " + target + " " + file + " dem-reprojected.tif";
}

std::string demWithoutSystem(const std::string& file) {
  return "DEM " + inQuotes(file) + " has no coordinate system - taken to be the layers'";
}

std::string demUnreadable(const std::string& file, const std::string& reason) {
  return "Cannot read DEM " + inQuotes(file) + ": " + reason;
}

namespace {

void freeSystem(OGRSpatialReference* crs) {
  if (crs != nullptr) crs->Release();
}

}  // namespace

GdalSystem gdalLayerSystem(const std::string& first) {
  gdalStart();
  GdalSystem none(nullptr, freeSystem);
  SourceName source;
  if (!gdalSourceName(first, source)) {
    // A MIF layer is named with or without its extension.
    std::string mif(significant(TRIMF(first)));
    const std::string ext = FILEEXT(mif);
    if (ext == ".mif" || ext == ".mid") mif = FILENAMEPATH(mif);
    source.file = mif + ".mif";
  }
  CLEANPATH(source.file);
  const QuietGdal quiet;
  GDALDataset* dataset = GDALDataset::Open(source.file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY);
  if (dataset == nullptr) return none;
  OGRLayer* layer = source.layer.empty() ? dataset->GetLayer(0) : dataset->GetLayerByName(source.layer.c_str());
  const OGRSpatialReference* crs = layer != nullptr ? layer->GetSpatialRef() : nullptr;
  GdalSystem system(!undefinedSystem(crs) && !crs->IsLocal() ? crs->Clone() : nullptr, freeSystem);
  GDALClose(dataset);
  return system;
}

std::vector<TerrainFinding> GdalTerrain::open(const std::vector<std::string>& files,
                                              const OGRSpatialReference* layers) {
  gdalStart();
  // GDAL keeps the blocks it decodes for a mosaic's tiles in a cache of its
  // own, by default a twentieth of the machine's memory; beside the decoded
  // cells kept here that would hold most of a large DEM. Unless the user sets
  // GDAL_CACHEMAX, it gets the same share as the cells here.
  if (CPLGetConfigOption("GDAL_CACHEMAX", nullptr) == nullptr &&
      GDALGetCacheMax64() > static_cast<GIntBig>(settings_.cacheBytes)) {
    GDALSetCacheMax64(static_cast<GIntBig>(settings_.cacheBytes));
  }
  std::vector<TerrainFinding> findings;
  for (const std::string& file : files) {
    GDALDataset* dataset = nullptr;
    {
      const QuietGdal quiet;
      dataset = GDALDataset::Open(file.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY);
      if (dataset == nullptr) {
        findings.push_back({Severity::Error, demUnopenable(file, quiet.message("GDAL cannot read it as a raster"))});
        continue;
      }
    }
    Dem dem;
    dem.file = file;
    dem.dataset = dataset;
    double toMap[6] = {};
    if (dataset->GetRasterCount() < 1) {
      findings.push_back({Severity::Error, demUnopenable(file, "it has no raster band")});
      GDALClose(dataset);
      continue;
    }
    if (dataset->GetGeoTransform(toMap) != CE_None || !GDALInvGeoTransform(toMap, dem.toCell)) {
      findings.push_back({Severity::Error, demUnplaced(file)});
      GDALClose(dataset);
      continue;
    }
    const OGRSpatialReference* crs = dataset->GetSpatialRef();
    const char* const sameOptions[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", nullptr};
    if (undefinedSystem(crs)) {
      findings.push_back({Severity::Warning, demWithoutSystem(file)});
    } else if (crs->IsGeographic()) {
      findings.push_back({Severity::Error, demGeographic(file, systemName(*crs))});
      GDALClose(dataset);
      continue;
    } else if (!undefinedSystem(layers) && !crs->IsSame(layers, sameOptions)) {
      findings.push_back(
          {Severity::Error, demOtherSystem(file, systemName(*crs), systemName(*layers), systemTarget(*layers))});
      GDALClose(dataset);
      continue;
    }
    GDALRasterBand* band = dataset->GetRasterBand(1);
    dem.band = band;
    dem.width = band->GetXSize();
    dem.height = band->GetYSize();
    band->GetBlockSize(&dem.blockWidth, &dem.blockHeight);
    dem.dataType = band->GetRasterDataType();
    dem.typeBytes = GDALGetDataTypeSizeBytes(band->GetRasterDataType());
    int has = 0;
    dem.noData = band->GetNoDataValue(&has);
    dem.hasNoData = has != 0;
    // Float32 cells compare with the no-data value as the band stores it.
    if (dem.hasNoData && band->GetRasterDataType() == GDT_Float32 && std::fabs(dem.noData) <= FLT_MAX) {
      dem.noData = static_cast<float>(dem.noData);
    }
    dem.scale = band->GetScale();
    dem.offset = band->GetOffset();
    dem.cellSize = std::min(std::hypot(toMap[1], toMap[4]), std::hypot(toMap[2], toMap[5]));
    dems_.push_back(dem);
  }
  return findings;
}

}  // namespace kestrix
