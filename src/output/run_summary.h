#pragma once
// The "Summary: " lines that close every run reaching the writer, as the
// console shows them and the report repeats them.

#include <string>
#include <vector>

#include "workspace/workspace.h"

namespace kestrix {

/// The summary lines: inputs, points, sections found, written and dropped, what a terrain model gave, warnings and the
/// output folder.
std::vector<std::string> summaryLines(const Workspace& ws);

}  // namespace kestrix
