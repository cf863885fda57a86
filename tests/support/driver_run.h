#pragma once
// The driver's own run context over a scripted console and a memory file
// system, for the tests of the driver, which own a whole run.

#include "driver/run_context.h"
#include "support/files_run.h"

namespace kestrix::testing {

/// A run context over a scripted console and a memory file system, with the unit table set up.
using TestRun = BasicTestRun<RunContext>;

}  // namespace kestrix::testing
