#pragma once
// The two layers a MIKE 11 conversion writes beside its sections: 1d_nwk,
// one channel between consecutive sections of a branch, and 1d_branches,
// the branches of the network. The conversion hands both over worked out;
// these layers only format them.

#include <string>
#include <vector>

#include "files/file_units.h"
#include "output/html_report.h"
#include "workspace/network.h"
#include "workspace/workspace.h"

namespace kestrix {

/// 1d_nwk and 1d_branches, written as the conversion places its sections.
class M11NetworkLayers final : public M11NetworkSink {
 public:
  /// Layers of the run `ws`, not yet open; what they hold is also kept in `report` when given.
  explicit M11NetworkLayers(Workspace& ws, ReportRecord* report = nullptr)
      : ws_(ws), report_(report), nwkGeom_(ws.files), nwkAttr_(ws.files),
        branchesGeom_(ws.files), branchesAttr_(ws.files) {}
  /// Opens 1d_nwk and 1d_branches in `outFolder`, copies the header of the open projection layer into both and writes their column blocks.
  void open(const std::string& outFolder, int projectionUnit) override;
  /// Writes one channel to 1d_nwk.
  void channel(const M11Channel& channel) override;
  /// Closes 1d_nwk, writes `branches` to 1d_branches and closes it.
  void close(const std::vector<M11BranchLine>& branches) override;
  /// Closes both layers as far as they were written (after a read error).
  void abandon() override;

 private:
  Workspace& ws_;
  ReportRecord* report_;
  UnitHandle nwkGeom_;       // 1d_nwk.mif
  UnitHandle nwkAttr_;       // 1d_nwk.mid
  UnitHandle branchesGeom_;  // 1d_branches.mif
  UnitHandle branchesAttr_;  // 1d_branches.mid
};

}  // namespace kestrix
