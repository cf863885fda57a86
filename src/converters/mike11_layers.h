#pragma once
// The two layers a MIKE 11 conversion writes beside its sections: 1d_nwk,
// one channel between consecutive sections of a branch, and 1d_branches,
// the branches of the network.

#include <string>

#include "converters/mike11.h"

namespace kestrix {

class RunContext;

/// The open units of both layers (0 when closed).
struct M11NetworkLayers {
  int nwkGeom = 0;       ///< 1d_nwk.mif
  int nwkAttr = 0;       ///< 1d_nwk.mid
  int branchesGeom = 0;  ///< 1d_branches.mif
  int branchesAttr = 0;  ///< 1d_branches.mid
};

/// Where a placed section crosses its branch.
struct M11Crossing {
  double x = 0.0;        ///< easting of the crossing point
  double y = 0.0;        ///< northing of the crossing point
  int segment = 0;       ///< u: the section lies between branch points u-1 and u
  float chainage = 0.0f; ///< chainage of the section
  int section = 0;       ///< section number in the store
};

/// Opens 1d_nwk and 1d_branches in `outFolder`, copies the header of the open projection layer into both and writes their column blocks.
void m11OpenNetworkLayers(RunContext& ctx, const std::string& outFolder, int projectionUnit, M11NetworkLayers& layers);

/// Writes the channel from `previous` to `current` along branch b (from 1) with the channel counter `counter`.
void m11WriteChannel(RunContext& ctx, M11NetworkLayers& layers, const Mike11Tables& tables, int b,
                     const M11Crossing& previous, const M11Crossing& current, int counter);

/// Closes 1d_nwk, writes every branch of two or more points to 1d_branches and closes it.
void m11CloseNetworkLayers(RunContext& ctx, M11NetworkLayers& layers, const Mike11Tables& tables);

/// Closes both layers as far as they were written (after a read error).
void m11AbandonNetworkLayers(RunContext& ctx, M11NetworkLayers& layers);

}  // namespace kestrix
