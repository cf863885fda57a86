#include "support/files_run.h"

namespace kestrix::testing {

void FilesRun::say(std::string_view line) {
  console.write(line);
  console.write("\n");
}

void FilesRun::say(const Message& message) {
  if (message.severity == Severity::Warning) ++tally.warnings;
  say(messageLine(message));
}

bool FilesRun::ask(std::string& line) {
  if (settings.optBatch) return false;
  return console.readLine(line);
}

bool FilesRun::pauses() {
  newline();
  say("Press Enter to Continue");
  return waitEnter();
}

bool FilesRun::waitEnter() {
  std::string line;
  return ask(line);
}

void FilesRun::closeRun(bool closingPause) {
  for (int i = 0; i < units.size(); ++i) {
    UnitSlot& s = units.slot(i);
    if (s.open) {
      units.disconnect(s.number);
      s.open = false;
    }
  }
  fs.discard();
  if (closingPause && units.pauseAtEnd) {
    newline();
    say("Press Enter to Close");
    waitEnter();
  }
  console.flush();
}

}  // namespace kestrix::testing
