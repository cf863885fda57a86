#pragma once
// How messages name a coordinate system, and how a reprojection tool
// (gdalwarp, ogr2ogr -t_srs) is told to take one.

#include <string>

class OGRSpatialReference;

namespace kestrix {

/// True when `crs` names no system: null, empty, or one of the placeholders a GeoPackage stores for a layer
/// written without a system ("Undefined geographic SRS", "Undefined Cartesian SRS"), which GDAL hands on as systems.
bool undefinedSystem(const OGRSpatialReference* crs);

/// The system's name and, where it has one, its authority code: "ETRS89 / UTM zone 32N (EPSG:25832)".
std::string systemName(const OGRSpatialReference& crs);

/// The system as -t_srs takes it: its authority code, or LAYERS.prj (a file the user writes) when it has none.
std::string systemTarget(const OGRSpatialReference& crs);

}  // namespace kestrix
