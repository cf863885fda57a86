#pragma once
// The two layers a MIKE 11 conversion writes beside its sections: 1d_nwk,
// one channel between consecutive sections of a branch, and 1d_branches,
// the branches of the network.

#include <string>

#include "converters/mike11.h"
#include "files/file_units.h"
#include "store/workspace.h"

namespace kestrix {

/// 1d_nwk and 1d_branches, written as the conversion places its sections.
class M11NetworkLayers final : public M11NetworkSink {
 public:
  /// Layers of the run `ctx` over the network `tables`, not yet open.
  M11NetworkLayers(Workspace& ctx, const Mike11Tables& tables)
      : ctx_(ctx), tables_(tables), nwkGeom_(ctx.files), nwkAttr_(ctx.files), branchesGeom_(ctx.files),
        branchesAttr_(ctx.files) {}
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
  UnitHandle nwkGeom_;       // 1d_nwk.mif
  UnitHandle nwkAttr_;       // 1d_nwk.mid
  UnitHandle branchesGeom_;  // 1d_branches.mif
  UnitHandle branchesAttr_;  // 1d_branches.mid
};

}  // namespace kestrix
