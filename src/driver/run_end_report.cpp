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
  // The folder is named as this system names folders, whatever the user
  // typed, so that the 1d_xs Source values, the Summary and the report show
  // paths a program of this system can open as they stand.
  const char separator = nativeSeparator();
  for (char& c : folder)
    if (c == '\\' || c == '/') c = separator;
  if (folder.back() != separator) folder += separator;
  return folder;
}

void readyOutFolder(RunContext& run) {
  const std::string folder = outOptionFolder(run.settings);
  if (folder.empty() || run.fs.isFolder(folder)) return;
  const std::string shown = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
  if (!run.fs.makeFolder(folder)) {
    run.newline();
    run.error("Could not create the output folder \"" + shown + "\"");
    sayReason(run, run.fs.failure());
    run.exits(kExitFailure);
  }
  run.newline();
  run.say("Created the output folder \"" + shown + "\"");
}

void printSummary(RunContext& run) {
  run.newline();
  for (const std::string& line : summaryLines(run.work)) run.say(line);
}

}  // namespace kestrix
