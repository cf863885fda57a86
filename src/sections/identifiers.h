#pragma once
// Cross-section identifiers: the table of distinct XS_ID values of a run.

#include <string_view>

namespace kestrix {

class RunContext;

/// Section number of an identifier, registering it when new (found = false); ends the run on a blank identifier.
int xsFindID(RunContext& ctx, std::string_view identifier, bool& found);

}  // namespace kestrix
