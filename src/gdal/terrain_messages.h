#pragma once
// What the run says about DEMs, in one place.

#include <string>

namespace kestrix {

/// GDAL cannot open the DEM; `reason` is GDAL's own message.
std::string demUnopenable(const std::string& file, const std::string& reason);
/// The DEM has no geotransform, or one that cannot be inverted.
std::string demUnplaced(const std::string& file);
/// The DEM is in a geographic system `system`.
std::string demGeographic(const std::string& file, const std::string& system);
/// The DEM's system `system` is not the layers' `layers`; `target` is how gdalwarp would name the layers' system.
std::string demOtherSystem(const std::string& file, const std::string& system, const std::string& layers,
                           const std::string& target);
/// The DEM has no coordinate system.
std::string demWithoutSystem(const std::string& file);
/// GDAL could not read cells of the DEM; `reason` is GDAL's own message.
std::string demUnreadable(const std::string& file, const std::string& reason);

}  // namespace kestrix
