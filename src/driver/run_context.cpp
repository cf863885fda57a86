#include "driver/run_context.h"

namespace kestrix {

RunContext::RunContext(Console& c, FileSystem& f) : console(c), staged(f), fs(staged) {}

void RunContext::say(std::string_view line) {
  console.write(line);
  console.write("\n");
}

void RunContext::put(std::string_view text) { console.write(text); }

bool RunContext::ask(std::string& line) { return console.readLine(line); }

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
  say(std::string("ERROR - End of console input: no answer for ") + std::string(about));
  exits(kExitFailure);
}

}  // namespace kestrix
