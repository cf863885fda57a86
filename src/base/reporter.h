#pragma once
// The reporter: what a layer may do with the user's console. It prints lines,
// asks for a line, pauses, and ends the run; the driver implements it, so a
// layer never needs the whole run to talk to the user.

#include <string>
#include <string_view>

#include "base/run_end.h"

namespace kestrix {

/// The console as the layers use it, and the end of the run.
class Reporter {
 public:
  virtual ~Reporter() = default;
  /// Writes a line and its line end to the console (a line beginning with WARNING is counted).
  virtual void say(std::string_view line) = 0;
  /// Writes text without ending the line.
  virtual void put(std::string_view text) = 0;
  /// True when progress lines are left out (-quiet).
  virtual bool quiet() const = 0;
  /// Reads one console line; false at end of input, and at once without reading in a -batch run.
  virtual bool ask(std::string& line) = 0;
  /// Shows "Press Enter to Continue" and waits; false when the console input has ended.
  virtual bool pauses() = 0;
  /// Waits for Enter without a text; false when the console input has ended.
  virtual bool waitEnter() = 0;
  /// True in a -batch run, which never reads the console.
  virtual bool batch() const = 0;
  /// Shows at once everything written so far (before a wait).
  virtual void flush() {}
  /// Closes every open file and, when `closingPause` and the run pauses at its end, shows "Press Enter to Close" and waits.
  virtual void closeRun(bool closingPause) = 0;

  /// Closes every open file, shows "Press Enter to Close", waits and ends the run.
  [[noreturn]] void exits(int status) {
    closeRun(true);
    throw RunEnd{status};
  }
  /// Closes every open file and ends the run at once, without the closing pause.
  [[noreturn]] void halt(int status) {
    closeRun(false);
    throw RunEnd{status};
  }
  /// Ends the run because a prompt that needs an answer met the end of console input or a -batch run.
  [[noreturn]] void noAnswer(std::string_view about) {
    newline();
    if (batch()) {
      say("ERROR - No answer for " + std::string(about) + ": the run was started with -batch");
    } else {
      say("ERROR - End of console input: no answer for " + std::string(about));
    }
    exits(kExitFailure);
  }

  /// Writes a progress line that a -quiet run leaves out.
  void detail(std::string_view line) {
    if (!quiet()) say(line);
  }
  /// Writes an empty line (or ends a line left open).
  void newline() { put("\n"); }
};

}  // namespace kestrix
