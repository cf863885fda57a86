#include "driver/run_context.h"

namespace kestrix {

RunContext::RunContext(Console& c, FileSystem& f, BackgroundWrites* background)
    : console(c), staged(f, background), fs(staged) {}

void RunContext::say(std::string_view line) {
  console.write(line);
  console.write("\n");
}

void RunContext::say(const Message& message) {
  if (message.severity == Severity::Warning) ++tally.warnings;
  if (message.severity == Severity::Check) ++tally.checkLines;
  const std::string line = messageLine(message);
  if (settings.optHtml) report.keep(message, line);
  say(line);
}

void RunContext::put(std::string_view text) { console.write(text); }

bool RunContext::ask(std::string& line) {
  // A batch run is unattended: its standard input may be a pipe that is never written to.
  if (settings.optBatch) return false;
  return console.readLine(line);
}

void RunContext::closeAll() {
  for (int i = 0; i < units.size(); ++i) {
    UnitSlot& s = units.slot(i);
    if (s.open) {
      units.disconnect(s.number);
      s.open = false;
    }
  }
  // Whatever was not committed by a finished run is not an output.
  staged.discard();
}

void RunContext::closeRun(bool closingPause) {
  closeAll();
  if (closingPause && units.pauseAtEnd) {
    newline();
    say("Press Enter to Close");
    waitEnter();
  }
  console.flush();
}

bool RunContext::pauses() {
  newline();
  say("Press Enter to Continue");
  return waitEnter();
}

bool RunContext::waitEnter() {
  std::string line;
  return ask(line);
}

}  // namespace kestrix
