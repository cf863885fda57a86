#include "store/store_limits.h"

#include <string>

#include "base/run_end.h"
#include "text/text.h"

namespace kestrix {

int appendSectionWithinLimit(Reporter& out, Settings& settings, SectionStore& store) {
  if (store.nxs() >= settings.mxs) {
    out.say("ERROR - More than " + AINTEGER(settings.mxs) +
            " cross-sections: raise the maximum number of cross-sections with -mxs");
    settings.errFound = true;
    out.exits(kExitFailure);
  }
  return store.append();
}

void stopTooManyPoints(Reporter& out, Settings& settings, std::string_view sectionId) {
  out.say("ERROR - More than " + AINTEGER(settings.mpt) + " points in one position group of cross-section " +
          std::string(significant(sectionId)) + ": raise the maximum number of points with -mpt");
  settings.errFound = true;
  out.exits(kExitFailure);
}

}  // namespace kestrix
