#pragma once
// The two layers a MIKE 11 conversion writes beside its sections: 1d_nwk,
// one channel between consecutive sections of a branch, and 1d_branches,
// the branches of the network.

#include <string>
#include <vector>

#include "converters/mike11.h"
#include "files/file_units.h"
#include "output/html_report.h"
#include "store/workspace.h"

namespace kestrix {

/// One 1d_nwk channel as every layer format writes it.
struct M11Channel {
  std::string id;         ///< the channel identifier (branch name and counter)
  std::vector<double> x;  ///< vertex eastings: the two sections and the network points between them
  std::vector<double> y;  ///< vertex northings
  float length = 0.0f;    ///< chainage of the downstream section less that of the upstream one
};

/// The channel from `previous` to `current` along branch b (from 1); ends the run when it has too many vertices.
M11Channel m11Channel(Workspace& ctx, const Mike11Tables& tables, int b, const M11Crossing& previous,
                      const M11Crossing& current, int counter);

/// One line of 1d_branches: the branch and its matched network points.
struct M11BranchLine {
  int branch = 0;         ///< the branch (from 1)
  std::vector<double> x;  ///< vertex eastings
  std::vector<double> y;  ///< vertex northings
};

/// Every branch with two or more matched points, in network order.
std::vector<M11BranchLine> m11BranchLines(const Mike11Tables& tables);

/// 1d_nwk and 1d_branches, written as the conversion places its sections.
class M11NetworkLayers final : public M11NetworkSink {
 public:
  /// Layers of the run `ctx` over the network `tables`, not yet open; what they hold is also kept in `report` when given.
  M11NetworkLayers(Workspace& ctx, const Mike11Tables& tables, ReportRecord* report = nullptr)
      : ctx_(ctx), tables_(tables), report_(report), nwkGeom_(ctx.files), nwkAttr_(ctx.files),
        branchesGeom_(ctx.files), branchesAttr_(ctx.files) {}
  /// Opens 1d_nwk and 1d_branches in `outFolder`, copies the header of the open projection layer into both and writes their column blocks.
  void open(const std::string& outFolder, int projectionUnit) override;
  /// Writes the channel from `previous` to `current` along branch b (from 1) with the channel counter `counter`.
  void channel(int b, const M11Crossing& previous, const M11Crossing& current, int counter) override;
  /// Closes 1d_nwk, writes every branch of two or more points to 1d_branches and closes it.
  void close() override;
  /// Closes both layers as far as they were written (after a read error).
  void abandon() override;

 private:
  Workspace& ctx_;
  const Mike11Tables& tables_;
  ReportRecord* report_;
  UnitHandle nwkGeom_;       // 1d_nwk.mif
  UnitHandle nwkAttr_;       // 1d_nwk.mid
  UnitHandle branchesGeom_;  // 1d_branches.mif
  UnitHandle branchesAttr_;  // 1d_branches.mid
};

}  // namespace kestrix
