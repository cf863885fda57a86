#pragma once
// Resistance values of land-use polygons, as the terrain model's points ask for them.

namespace kestrix {

/// Polygons with a resistance value each.
class LandUse {
 public:
  /// Closes the layer.
  virtual ~LandUse() = default;
  /// The value of the first polygon that holds (x, y); false when none does.
  virtual bool resistance(double x, double y, float& value) = 0;
};

}  // namespace kestrix
