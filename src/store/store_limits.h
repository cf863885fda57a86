#pragma once
// The limits -mxs and -mpt set on the section store, the stop when a reader
// or converter would go past them, and the working group through which the
// converters fill a section's position groups.

#include <string_view>
#include <vector>

#include "base/reporter.h"
#include "base/settings.h"
#include "store/store.h"

namespace kestrix {

/// Appends an empty section and returns its number; past -mxs the run ends with a message naming the option.
int appendSectionWithinLimit(Reporter& out, const Settings& settings, RunTally& tally, SectionStore& store);

/// Ends the run because a position group of a section would hold more than -mpt points.
[[noreturn]] void stopTooManyPoints(Reporter& out, const Settings& settings, RunTally& tally, std::string_view sectionId);

/// The points a converter has read since it last closed a position group.
struct WorkingGroup {
  std::vector<StorePoint> points;  ///< working points (slots beyond count are stale)
  int count = 0;                   ///< working points in use

  /// Counts one more point and returns its slot (a cleared slot the first time, a stale one after).
  StorePoint& add();
};

/// Moves the working points into group g of `sec`; with `holdLast` the last point read stays behind as the first of the next group. Ends the run when the group would hold more than -mpt points.
void closeGroup(Reporter& out, const Settings& settings, RunTally& tally, Section& sec, Group g, WorkingGroup& work, bool holdLast);

}  // namespace kestrix
