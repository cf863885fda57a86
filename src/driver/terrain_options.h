#pragma once
// The options of the terrain model: -dem:, -demstep:, -demsample:, -demz:,
// -demgap:, -demtol: and -landuse:. Since -dem is a leading part of the
// others, each is told apart by its whole word before the colon.

#include <string>

namespace kestrix {

class RunContext;

/// Reads `word` (an option word without its introducer) when it is a terrain option; false when it is none. A value
/// that cannot be taken ends the run with an ERROR.
bool readTerrainOption(RunContext& run, const std::string& word);

}  // namespace kestrix
