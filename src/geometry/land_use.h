#pragma once
// Resistance values of a land-use layer, as the run asks for them at the
// points it takes from the terrain model. Declared here so that code built
// without GDAL can name it; the layer itself is read by the GDAL module.

#include <string>

namespace kestrix {

// A polygon holds the positions inside its outer ring and outside its holes,
// and those on any of its rings (it is closed): a position on the edge that
// two neighbours share takes the value of the one that comes first, so that
// no position between them is left without one. Each part of a
// multi-polygon holds its own positions.

/// Polygons that give a resistance value to the map positions they hold.
class LandUse {
 public:
  /// Releases the polygons.
  virtual ~LandUse() = default;
  /// The value of the first polygon in the layer's order that holds (x, y); false when none holds it or that
  /// polygon's value is null.
  virtual bool resistance(double x, double y, float& value) = 0;
  /// The layer's file name, as given.
  virtual std::string name() const = 0;
  /// The field the values come from.
  virtual std::string field() const = 0;
};

}  // namespace kestrix
