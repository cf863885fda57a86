#pragma once
// The section store: every cross-section of the run with its three position
// groups of points. It grows with the data actually stored; the limits mxs,
// mpt and mlp are enforced by the readers with their own messages.
//
// Module store: the sections of a run with their position groups and the
// -mxs and -mpt limits. It may call text, platform and base alone.

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace kestrix {

/// Characters a cross-section identifier keeps, wherever it is read or written.
constexpr std::size_t kIdWidth = 100;

/// Position groups of a section, numbered from 1 as messages and layers show them.
enum class Group : int { kLeft = 1, kCentre = 2, kRight = 3 };

/// The three groups in the order sections list them: left, centre, right.
constexpr std::array<Group, 3> kGroups{Group::kLeft, Group::kCentre, Group::kRight};

/// The number of a position group (1 left, 2 centre, 3 right), as layers write it.
constexpr int groupNumber(Group g) { return static_cast<int>(g); }

/// The letter of a position group: L, C or R.
constexpr char groupLetter(Group g) { return g == Group::kLeft ? 'L' : g == Group::kRight ? 'R' : 'C'; }

/// One point of a position group: map position, offset, elevation, resistance.
struct StorePoint {
  double mapX = 0.0;  ///< easting
  double mapY = 0.0;  ///< northing
  float x = 0.0f;     ///< offset along the section from its group's reference
  float z = 0.0f;     ///< elevation
  float mnr = 0.0f;   ///< resistance value (material, n or relative)
  int dem = -1;       ///< the DEM (from 0) that gave a point taken from the terrain model; -1 for a surveyed point
};

/// A position on the map.
struct MapPoint {
  double x = 0.0;  ///< easting
  double y = 0.0;  ///< northing
};

/// One cross-section of the store.
struct Section {
  std::string id;                     ///< identifier, as first met
  std::array<std::string, 3> source;  ///< three descriptive texts of the converters
  bool use = true;                    ///< false: the writer leaves the section out
  std::optional<MapPoint> start = MapPoint{};  ///< where offsets are measured from when lines are used; none until a line gives it
  std::vector<double> ppolX;          ///< vertices of the projection line
  std::vector<double> ppolY;          ///< as ppolX
  int ppolNv = 0;                     ///< vertices of the projection line in use
  std::vector<MapPoint> startLine;    ///< vertices of the start line as read; kept for the report (-html) and -dem:
  bool demCut = false;                ///< cut wholly from the terrain model: its line has no surveyed point
  std::string reach;                  ///< the input file or MIKE 11 branch it came from; empty: the run's only one

  /// Point p (from 1) of group g; a slot never written reads as zero.
  const StorePoint& point(Group g, int p) const;
  /// Writable point p (from 1) of group g; the group grows as needed.
  StorePoint& pointRef(Group g, int p);
  /// Points in use of group g.
  int ptCount(Group g) const { return count_[index(g)]; }
  /// Points in use of the three groups, left to right.
  const std::array<int, 3>& counts() const { return count_; }
  /// Appends a point to group g and returns its new count.
  int append(Group g, const StorePoint& pt);
  /// The points in use of group g, to reorder or change in place.
  std::span<StorePoint> inUse(Group g) { return std::span<StorePoint>(points_[index(g)]).first(count_[index(g)]); }
  /// Keeps the first n (at most ptCount(g)) points of group g in use and drops the rest.
  void keepFirst(Group g, int n);
  /// Makes the given points the whole of group g.
  void replaceGroup(Group g, std::span<const StorePoint> points);

 private:
  static std::size_t index(Group g) { return static_cast<std::size_t>(groupNumber(g) - 1); }
  std::array<std::vector<StorePoint>, 3> points_;
  std::array<int, 3> count_{};  // points in use per group; never more than the slots of the group
};

/// All sections of the run, numbered from 1 in order of registration.
class SectionStore {
 public:
  /// Number of sections registered.
  int nxs() const { return static_cast<int>(sections_.size()); }
  /// Section s (1 to nxs).
  Section& operator[](int s) { return sections_[s - 1]; }
  /// Section s (1 to nxs).
  const Section& operator[](int s) const { return sections_[s - 1]; }
  /// Appends an empty section and returns its number.
  int append();
  /// Removes the last section (a dropped conversion).
  void removeLast();
  /// Section number registered for an identifier's normal form, 0 when none.
  int findKey(const std::string& key) const;
  /// Records the normal form of section s's identifier for findKey.
  void indexKey(const std::string& key, int s) { index_.emplace(key, s); }

 private:
  std::vector<Section> sections_;
  std::unordered_map<std::string, int> index_;
};

}  // namespace kestrix
