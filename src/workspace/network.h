#pragma once
// The MIKE 11 network as its conversion lays it out: the channels between
// consecutive sections of a branch and the branches themselves, worked out
// once by the conversion, and the sink through which it hands them to the
// layers that write them (MIF/MID, GeoPackage, the report).

#include <cstddef>
#include <string>
#include <vector>

namespace kestrix {

/// Characters a MIKE 11 branch name or topo identifier keeps.
constexpr std::size_t kM11NameWidth = 100;

/// Characters of a 1d_nwk channel identifier: the width of the layer's ID column.
constexpr std::size_t kM11ChannelIdWidth = 12;

/// One 1d_nwk channel as every layer format writes it.
struct M11Channel {
  std::string id;         ///< the channel identifier (branch name and counter)
  std::vector<double> x;  ///< vertex eastings: the two sections and the network points between them
  std::vector<double> y;  ///< vertex northings
  float length = 0.0f;    ///< chainage of the downstream section less that of the upstream one
  int upstream = 0;       ///< section number in the store of the upstream section
  int downstream = 0;     ///< section number in the store of the downstream section
};

/// One line of 1d_branches: a branch and its matched network points.
struct M11BranchLine {
  std::string name;       ///< the branch name as read
  std::vector<double> x;  ///< vertex eastings
  std::vector<double> y;  ///< vertex northings
};

/// The layers a conversion writes while it reads (1d_nwk and 1d_branches); the output module implements it.
class M11NetworkSink {
 public:
  virtual ~M11NetworkSink() = default;
  /// Opens the layers in `outFolder` with the header of the projection layer open on `projectionUnit`.
  virtual void open(const std::string& outFolder, int projectionUnit) = 0;
  /// Writes one channel, in the order the conversion places the sections.
  virtual void channel(const M11Channel& channel) = 0;
  /// Closes the channels and writes and closes `branches` (those of two or more points, in network order).
  virtual void close(const std::vector<M11BranchLine>& branches) = 0;
  /// Closes the layers as far as they were written (after a read error).
  virtual void abandon() = 0;
};

}  // namespace kestrix
