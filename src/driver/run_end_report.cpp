#include "driver/run_end_report.h"

#include <string>
#include <vector>

#include "driver/run_context.h"
#include "files/paths.h"
#include "text/text.h"

namespace kestrix {

namespace {
constexpr std::size_t kMostDroppedNamed = 20;  // more dropped sections are only counted
}

std::string outOptionFolder(const Settings& set) {
  // A doubled separator is dropped, as every opened file name has it
  // dropped: the layers then name each .csv as it was opened.
  std::string folder = set.outOption;
  CLEANPATH(folder);
  if (folder.empty()) return folder;
  const char last = folder.back();
  if (last == '\\' || last == '/') return folder;
  // The same separator on every platform, so that the 1d_xs Source values
  // are the same whichever system wrote them.
  const std::size_t used = folder.find_last_of("\\/");
  return folder + (used == std::string::npos ? '\\' : folder[used]);
}

void readyOutFolder(RunContext& ctx) {
  const std::string folder = outOptionFolder(ctx.settings);
  if (folder.empty() || ctx.fs.isFolder(folder)) return;
  if (!ctx.fs.makeFolder(folder)) {
    ctx.newline();
    ctx.say("ERROR - Could not create the output folder \"" + ctx.settings.outOption + "\"");
    ctx.exits(kExitFailure);
  }
  ctx.newline();
  ctx.say("Created the output folder \"" + ctx.settings.outOption + "\"");
}

void printSummary(RunContext& ctx) {
  const RunTally& tally = ctx.tally;
  std::vector<std::string> dropped;
  for (int s = 1; s <= ctx.store.nxs(); ++s)
    if (!ctx.store[s].use) dropped.emplace_back(significant(ctx.store[s].id));
  dropped.insert(dropped.end(), tally.removedIds.begin(), tally.removedIds.end());
  const std::size_t found = static_cast<std::size_t>(ctx.store.nxs()) + tally.removedIds.size();

  std::string droppedLine = "Summary: cross-sections dropped: " + std::to_string(dropped.size());
  if (!dropped.empty() && dropped.size() <= kMostDroppedNamed) {
    droppedLine += " (";
    for (std::size_t i = 0; i < dropped.size(); ++i) {
      if (i > 0) droppedLine += ", ";
      droppedLine += "\"" + dropped[i] + "\"";
    }
    droppedLine += ")";
  }
  const std::string& folder = ctx.settings.outFolder;

  ctx.newline();
  ctx.say("Summary: input files read: " + std::to_string(tally.inputsRead));
  ctx.say("Summary: points read: " + std::to_string(tally.pointsRead));
  ctx.say("Summary: cross-sections found: " + std::to_string(found));
  ctx.say("Summary: cross-sections written (.csv files): " + std::to_string(tally.csvWritten));
  ctx.say(droppedLine);
  ctx.say("Summary: warnings: " + std::to_string(tally.warnings));
  ctx.say("Summary: output folder: " + (folder.empty() ? std::string(".") : folder));
}

}  // namespace kestrix
