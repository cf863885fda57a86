#include "output/run_summary.h"

#include "geometry/section_checks.h"
#include "text/text.h"

namespace kestrix {

namespace {
constexpr std::size_t kMostDroppedNamed = 20;  // more dropped sections are only counted
}

std::vector<std::string> summaryLines(const Workspace& ws) {
  const RunTally& tally = ws.tally;
  std::vector<std::string> dropped;
  for (int s = 1; s <= ws.store.nxs(); ++s)
    if (!ws.store[s].use) dropped.emplace_back(significant(ws.store[s].id));
  dropped.insert(dropped.end(), tally.removedIds.begin(), tally.removedIds.end());
  const std::size_t found = static_cast<std::size_t>(ws.store.nxs()) + tally.removedIds.size();

  std::string droppedLine = "Summary: cross-sections dropped: " + std::to_string(dropped.size());
  if (!dropped.empty() && dropped.size() <= kMostDroppedNamed) {
    droppedLine += " (";
    for (std::size_t i = 0; i < dropped.size(); ++i) {
      if (i > 0) droppedLine += ", ";
      droppedLine += "\"" + dropped[i] + "\"";
    }
    droppedLine += ")";
  }
  const std::string& folder = ws.settings.outFolder;
  std::vector<std::string> lines{"Summary: input files read: " + std::to_string(tally.inputsRead),
                                 "Summary: points read: " + std::to_string(tally.pointsRead),
                                 "Summary: cross-sections found: " + std::to_string(found),
                                 "Summary: cross-sections written (.csv files): " + std::to_string(tally.csvWritten),
                                 droppedLine};
  // A run with a terrain model says what it took from it.
  if (ws.settings.mode == RunMode::Gis && ws.settings.terrain.used()) {
    lines.push_back("Summary: cross-sections extended from the DEM: " + std::to_string(tally.sectionsExtended));
    lines.push_back("Summary: cross-sections cut from the DEM: " + std::to_string(tally.sectionsCut));
    lines.push_back("Summary: DEM points added: " + std::to_string(tally.demPoints));
    lines.push_back("Summary: sides cut short (no DEM value): " + std::to_string(tally.sidesCutShort));
    lines.push_back("Summary: datum warnings (DEM and survey differ): " + std::to_string(tally.datumWarnings));
  }
  // A run with the checks counts their findings by kind.
  if (ws.settings.checks.on) {
    for (std::size_t k = 0; k < kCheckKinds; ++k) {
      const int found = k < tally.checkFindings.size() ? tally.checkFindings[k] : 0;
      lines.push_back("Summary: checks, " + std::string(checkName(static_cast<CheckKind>(k))) + ": " +
                      std::to_string(found));
    }
  }
  lines.push_back("Summary: warnings: " + std::to_string(tally.warnings));
  lines.push_back("Summary: output folder: " + (folder.empty() ? std::string(".") : folder));
  return lines;
}

}  // namespace kestrix
