#pragma once
// What the report of a -check run adds to the page: the findings marked on
// the plan, the CHECK lines set apart from the errors, and the long profile
// broken between input files and MIKE 11 branches. A run without -check
// writes none of it, so its report stays as it was.

#include <string>
#include <vector>

#include "output/section_checks.h"

namespace kestrix {

/// The script that goes before the report's own in a -check run: it marks `findings` on the plan and breaks the long
/// profile before every section whose `reaches` number differs from the one before it (one number per section).
std::string checksReportPrelude(const std::vector<CheckFinding>& findings, const std::vector<int>& reaches);

/// The report's own script with the two calls the prelude answers (after every drawing of the plan, and before each
/// step of the long profile); empty when the script no longer has the lines they go with.
std::string hookedReportScript();

}  // namespace kestrix
