#pragma once
// The run double for the readers, the converters and the output: the layer
// library's run with a section store and the Workspace they are handed.

#include "store/store.h"
#include "support/layer_run.h"
#include "workspace/workspace.h"

namespace kestrix::testing {

/// The run as the readers, converters and sinks see it.
class WorkspaceRun : public LayerRun {
 public:
  using LayerRun::LayerRun;

  SectionStore store;                                             ///< the sections of the run
  Workspace work{*this, files, layers, settings, tally, store};  ///< what readers, converters and sinks use

  /// The run as the readers, converters and sinks see it.
  operator Workspace&() { return work; }
};

/// The workspace over a scripted console and a memory file system.
using TestWorkspace = BasicTestRun<WorkspaceRun>;

}  // namespace kestrix::testing
