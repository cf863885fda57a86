#include "gis/identifiers.h"

#include <string>

#include "base/run_end.h"
#include "files/paths.h"
#include "text/text.h"

namespace kestrix {

int xsFindID(Workspace& ws, std::string_view identifier, bool& found) {
  std::string id = fitField(TRIMF(identifier), kIdWidth);
  // An identifier written as the name of its cross-section file names the
  // section itself. The extension is cut directly: FILENAMEPATH keeps a name
  // that is nothing but ".csv", which must count as blank.
  if (FILEEXT(id) == ".csv") id.resize(id.size() - 4);
  if (BLANK(id)) {
    ws.out.error("Blank cross-section ID found");
    ws.out.exits(kExitFailure);
  }
  id.resize(significant(id).size());  // BLANK pads back to the length it had

  // The index holds the ASAME normal form, so the hit is the section the
  // first-match comparison over all identifiers would give.
  const std::string key = asameKey(id);
  const int known = ws.store.findKey(key);
  if (known > 0) {
    found = true;
    return known;
  }

  found = false;
  if (ws.store.nxs() >= ws.settings.mxs) {
    ws.out.error("Exceeded the maximum number of cross-sections (mxs = " + AINTEGER(ws.settings.mxs) + ") at XS \"" +
                      id + "\" - use the -mxs option to raise the limit",
                  id);
    ws.out.exits(kExitFailure);
  }
  const int s = ws.store.append();
  ws.store[s].id = id;
  ws.store.indexKey(key, s);
  ws.out.detail("Found new cross-section ID: \"" + id + "\"");
  return s;
}

}  // namespace kestrix
