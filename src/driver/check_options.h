#pragma once
// The options of the section checks: -check, -checkbed: and -strict. Since
// -check is a leading part of -checkbed:, each is told apart by its whole word.

#include <string>

namespace kestrix {

class RunContext;

/// Reads `word` (an option word without its introducer) when it is a check option; false when it is none. A value
/// that cannot be taken ends the run with an ERROR.
bool readCheckOption(RunContext& run, const std::string& word);

}  // namespace kestrix
