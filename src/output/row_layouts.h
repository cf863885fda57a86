#pragma once
// The fixed-width rows the outputs write, each laid out in one place: its
// fields' widths and decimals, and the one formatter that writes it. A value
// too wide for its field is written in full, never as asterisks; the
// formatter says so, and the caller tells the user.

#include <string>
#include <string_view>

#include "output/section_view.h"

namespace kestrix {

/// A fixed-width number field of a row.
struct FixedField {
  int width;     ///< columns
  int decimals;  ///< decimals after the point
};

/// The row of a .csv file: offset, elevation, resistance value and position group.
struct CsvRowLayout {
  static constexpr FixedField kX{10, 3};       ///< the offset
  static constexpr FixedField kZ{8, 3};        ///< the elevation
  static constexpr int kWholeResistance = 6;   ///< columns of a resistance value written as a whole number
  static constexpr int kResistance = 10;       ///< columns of a resistance value with decimals
  static constexpr int kGroup = 2;             ///< columns of the group number

  /// The heading line above the rows, with the resistance letter of the run.
  static std::string heading(char letter);
  /// Appends the row without its line end; false, with the first value written wider than its field in `wide`, when one was.
  static bool append(std::string& line, const CsvRow& row, Resistance style, std::string& wide);
};

/// The .mid row of a point layer: the section's identifier and the point's Z.
struct PointRowLayout {
  static constexpr FixedField kZ{8, 3};  ///< the Z

  /// Appends the row (the identifier quoted already) without its line end; false, with the Z in `wide`, when it was written wider than its field.
  static bool append(std::string& line, std::string_view quotedId, float z, std::string& wide);
};

/// The .mid row of _xs_dem_points: identifier, offset, Z, resistance, group letter and DEM.
struct DemPointRowLayout {
  static constexpr FixedField kOffset{10, 3};      ///< the offset, as in the .csv
  static constexpr FixedField kZ{8, 3};            ///< the Z
  static constexpr FixedField kResistance{10, 3};  ///< the resistance value

  /// Appends the row (identifier and DEM name quoted already) without its line end; false, with the first value
  /// written wider than its field in `wide`, when one was.
  static bool append(std::string& line, std::string_view quotedId, const DemPointView& point,
                     std::string_view quotedDem, std::string& wide);
};

/// The .mid row of a 1d_nwk channel, as far as other formats repeat it.
struct NetworkRowLayout {
  static constexpr FixedField kLength{8, 1};  ///< Len_or_ANA, the channel's length
};

/// The value a row holds for `value` in `field`: the number as written there, not the single precision value behind it.
double asWritten(float value, FixedField field);

}  // namespace kestrix
