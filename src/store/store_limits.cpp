#include "store/store_limits.h"

#include <string>

#include "base/run_end.h"
#include "text/text.h"

namespace kestrix {

int appendSectionWithinLimit(Reporter& out, const Settings& settings, RunTally& tally, SectionStore& store) {
  if (store.nxs() >= settings.mxs) {
    out.error("More than " + AINTEGER(settings.mxs) +
              " cross-sections: raise the maximum number of cross-sections with -mxs");
    tally.errFound = true;
    out.exits(kExitFailure);
  }
  return store.append();
}

void stopTooManyPoints(Reporter& out, const Settings& settings, RunTally& tally, std::string_view sectionId) {
  out.error("More than " + AINTEGER(settings.mpt) + " points in one position group of cross-section " +
                std::string(significant(sectionId)) + ": raise the maximum number of points with -mpt",
            significant(sectionId));
  tally.errFound = true;
  out.exits(kExitFailure);
}

StorePoint& WorkingGroup::add() {
  if (static_cast<std::size_t>(++count) > points.size()) points.resize(static_cast<std::size_t>(count));
  return points[static_cast<std::size_t>(count) - 1];
}

void closeGroup(Reporter& out, const Settings& settings, RunTally& tally, Section& sec, Group g, WorkingGroup& work, bool holdLast) {
  const int take = holdLast ? work.count - 1 : work.count;
  if (take > settings.mpt) stopTooManyPoints(out, settings, tally, sec.id);
  sec.replaceGroup(g, std::span<const StorePoint>(work.points).first(static_cast<std::size_t>(take)));
  if (holdLast) {
    work.points[0] = work.points[static_cast<std::size_t>(work.count) - 1];
    work.count = 1;
  } else {
    work.count = 0;
  }
}

}  // namespace kestrix
