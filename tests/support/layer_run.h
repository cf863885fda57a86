#pragma once
// The run double of the file-unit layer with the layer library's view added,
// for the tests of the MIF/MID library and the modules above it.

#include "mif/mif.h"
#include "support/files_run.h"

namespace kestrix::testing {

/// The run as the layer library sees it.
class LayerRun : public FilesRun {
 public:
  using FilesRun::FilesRun;

  LayerAccess layers{files, settings.saveDate, tally.saveDateWarned};  ///< what the layer library uses

  /// The run as the layer library sees it.
  operator LayerAccess&() { return layers; }
};

/// The layer library's run over a scripted console and a memory file system.
using TestLayers = BasicTestRun<LayerRun>;

}  // namespace kestrix::testing
