#pragma once
// What the run says about the land-use layer, in one place.

#include <string>

namespace kestrix {

/// GDAL cannot open the land-use source, or it has no vector layer; `reason` is GDAL's own message.
std::string landUseUnopenable(const std::string& file, const std::string& reason);
/// GDAL stopped reading the land-use layer's features; `reason` is GDAL's own message.
std::string landUseUnreadable(const std::string& file, const std::string& reason);
/// The land-use layer holds no polygons.
std::string landUseWithoutPolygons(const std::string& file);
/// The land-use layer has no field `field`; `fields` lists those it has.
std::string landUseFieldMissing(const std::string& file, const std::string& field, const std::string& fields);
/// The land-use layer's field `field` holds `type` values, not numbers.
std::string landUseFieldNotNumeric(const std::string& file, const std::string& field, const std::string& type);
/// The land-use layer has no numeric field; `fields` lists those it has.
std::string landUseNoNumericField(const std::string& file, const std::string& fields);
/// The land-use layer's system `system` is not the layers' `layers`; `target` is how ogr2ogr would name the layers'
/// system.
std::string landUseOtherSystem(const std::string& file, const std::string& system, const std::string& layers,
                               const std::string& target);
/// The land-use layer has no coordinate system.
std::string landUseWithoutSystem(const std::string& file);

}  // namespace kestrix
