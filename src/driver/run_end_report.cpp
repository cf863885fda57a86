#include "driver/run_end_report.h"

#include <string>

#include "driver/run_context.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "output/run_summary.h"
#include "text/text.h"

namespace kestrix {

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
    sayReason(ctx, ctx.fs.failure());
    ctx.exits(kExitFailure);
  }
  ctx.newline();
  ctx.say("Created the output folder \"" + ctx.settings.outOption + "\"");
}

void printSummary(RunContext& ctx) {
  ctx.newline();
  for (const std::string& line : summaryLines(ctx.work)) ctx.say(line);
}

}  // namespace kestrix
