#include "driver/run_context.h"

namespace kestrix {

RunContext::RunContext(Console& c, FileSystem& f) : console(c), staged(f), fs(staged) {}

void RunContext::say(std::string_view line) {
  const std::size_t start = line.find_first_not_of(' ');
  if (start != std::string_view::npos && line.substr(start, 7) == "WARNING") ++tally.warnings;
  console.write(line);
  console.write("\n");
}

void RunContext::detail(std::string_view line) {
  if (!quiet()) say(line);
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

void RunContext::exits(int status) {
  closeAll();
  if (units.pauseAtEnd) {
    newline();
    say("Press Enter to Close");
    waitEnter();
  }
  console.flush();
  throw RunEnd{status};
}

void RunContext::halt(int status) {
  closeAll();
  console.flush();
  throw RunEnd{status};
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

void RunContext::noAnswer(std::string_view about) {
  newline();
  if (settings.optBatch) {
    say("ERROR - No answer for " + std::string(about) + ": the run was started with -batch");
  } else {
    say(std::string("ERROR - End of console input: no answer for ") + std::string(about));
  }
  exits(kExitFailure);
}

}  // namespace kestrix
