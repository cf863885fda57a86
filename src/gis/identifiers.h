#pragma once
// Cross-section identifiers: the table of distinct XS_ID values of a run.

#include <string_view>

#include "workspace/workspace.h"

namespace kestrix {


/// Section number of an identifier, registering it when new (found = false); ends the run on a blank identifier.
int xsFindID(Workspace& ws, std::string_view identifier, bool& found);

}  // namespace kestrix
