#pragma once
// The limits -mxs and -mpt set on the section store, and the stop when a
// reader or converter would go past them.

#include <string_view>

#include "base/reporter.h"
#include "base/settings.h"
#include "store/store.h"

namespace kestrix {

/// Appends an empty section and returns its number; past -mxs the run ends with a message naming the option.
int appendSectionWithinLimit(Reporter& out, Settings& settings, SectionStore& store);

/// Ends the run because a position group of a section would hold more than -mpt points.
[[noreturn]] void stopTooManyPoints(Reporter& out, Settings& settings, std::string_view sectionId);

}  // namespace kestrix
