#pragma once
// The plan and profile geometry of the section checks: which written section
// lines cross, which section is drawn the other way from its neighbours,
// whose bed stands far from both neighbours, and what is wrong between
// consecutive rows of one section. Pure functions of what they are handed.

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kestrix {

/// What a section check looks for; the order is the order of the summary lines.
enum class CheckKind {
  Crossing,       ///< two section lines cross in plan
  Reversed,       ///< a section drawn the other way from both its neighbours
  OffsetsBack,    ///< the offset decreases from one written point to the next
  RepeatedPoint,  ///< two consecutive written points with equal offset and level
  NoData,         ///< a level of -9000 or less, or 9000 or more
  BedJump,        ///< the lowest bed level far below or above both neighbours
  ShortSection,   ///< fewer than three points, or no C point
};

/// The number of check kinds.
inline constexpr std::size_t kCheckKinds = 7;

/// The name of a kind, as the Check column and the summary show it.
std::string_view checkName(CheckKind kind);

/// A section's line in plan: its vertices in order.
struct CheckedLine {
  std::span<const double> x;  ///< eastings
  std::span<const double> y;  ///< northings
};

/// Where two section lines cross.
struct Crossing {
  std::size_t first = 0;   ///< the earlier line
  std::size_t second = 0;  ///< the later line
  double x = 0.0;          ///< easting of the crossing
  double y = 0.0;          ///< northing of the crossing
};

/// Every pair of lines that cross properly (touching, or overlapping along a segment, is no crossing), each pair once
/// at its first crossing along the earlier line, ordered by the pair; found through a grid, not by trying all pairs.
std::vector<Crossing> findCrossings(std::span<const CheckedLine> lines);

/// The lines whose direction (first to last vertex) is more than 120 degrees from that of both neighbours in the
/// list, where both lie within three times its length; `reach[i]` tells apart lines that are never neighbours.
std::vector<std::size_t> findReversed(std::span<const CheckedLine> lines, std::span<const int> reach);

/// The sections whose bed level differs from both neighbours' by more than `threshold` in the same direction;
/// neighbours of another reach, or without a bed, leave a section unchecked.
std::vector<std::size_t> findBedJumps(std::span<const std::optional<double>> beds, std::span<const int> reach,
                                      double threshold);

/// True for a level that is a no-data value rather than ground.
bool noDataLevel(double z);

/// A finding between a section's rows: its kind and the row (from 0) it is at.
struct RowFinding {
  CheckKind kind = CheckKind::OffsetsBack;  ///< OffsetsBack, RepeatedPoint or NoData
  std::size_t row = 0;                      ///< the row found wrong (the later of two)
};

/// The row findings of one section's written offsets and levels, in row order.
std::vector<RowFinding> checkRows(std::span<const float> x, std::span<const float> z);

}  // namespace kestrix
