#pragma once
// The workspace with the values the GIS point reader carries from one record
// to the next, for the tests of the point reader.

#include "gis/layers.h"
#include "support/workspace_run.h"

namespace kestrix::testing {

/// The workspace and the point reader's carried values.
struct PointRun : WorkspaceRun {
  using WorkspaceRun::WorkspaceRun;
  GisReadState gis;  ///< carried values of the GIS point reader
};

/// The point reader's run over a scripted console and a memory file system.
using TestPoints = BasicTestRun<PointRun>;

}  // namespace kestrix::testing
