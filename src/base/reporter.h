#pragma once
// The reporter: what a layer may do with the user's console. It prints lines
// and typed messages, asks for a line, pauses, and ends the run; the driver
// implements it, so a layer never needs the whole run to talk to the user.
// A message is handed over as its severity, the section it is about and its
// text, so that whoever counts or lists messages reads those and never has to
// take a console line apart again.

#include <string>
#include <string_view>

#include "base/run_end.h"

namespace kestrix {

/// How much a message asks of the user; its console line begins with the word.
enum class Severity {
  Note,     ///< NOTE: how the run took something, nothing to act on
  Check,    ///< CHECK: something the user should look at
  Warning,  ///< WARNING: the run went on around a problem; counted in the summary
  Error,    ///< ERROR: the run cannot go on as asked
};

/// The word a message of `severity` begins with.
constexpr std::string_view severityWord(Severity severity) {
  switch (severity) {
    case Severity::Note: return "NOTE";
    case Severity::Check: return "CHECK";
    case Severity::Warning: return "WARNING";
    case Severity::Error: return "ERROR";
  }
  return "NOTE";
}

/// One message of the run, as typed records keep it; messageLine() gives the console line.
struct Message {
  Severity severity = Severity::Note;  ///< its word and whether it is counted
  std::string_view text;               ///< what follows "WORD - " (with `whole`, the entire line)
  std::string_view section;  ///< the identifier of the section it is about, as the outputs show it; empty: none
  std::string_view code;     ///< the number the older messages carry after their word ("0301"); empty: none
  bool whole = false;        ///< `text` is the whole line: a message worded before the "WORD - text" form
};

/// The console line of a message: "WORD - text", "WORD code - text", or its whole text.
inline std::string messageLine(const Message& message) {
  if (message.whole) return std::string(message.text);
  const std::string_view word = severityWord(message.severity);
  std::string line;
  line.reserve(word.size() + message.code.size() + message.text.size() + 4);
  line += word;
  if (!message.code.empty()) {
    line += ' ';
    line += message.code;
  }
  line += " - ";
  line += message.text;
  return line;
}

/// The console as the layers use it, and the end of the run.
class Reporter {
 public:
  virtual ~Reporter() = default;
  /// Writes a plain line (progress, prompts, continuations of a message) and its line end to the console.
  virtual void say(std::string_view line) = 0;
  /// Writes a message's line to the console and keeps it as a record of the run.
  virtual void say(const Message& message) = 0;
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
      error("No answer for " + std::string(about) + ": the run was started with -batch");
    } else {
      error("End of console input: no answer for " + std::string(about));
    }
    exits(kExitFailure);
  }

  /// Says a WARNING about `section` (empty: about none).
  void warning(std::string_view text, std::string_view section = {}) {
    say(Message{Severity::Warning, text, section, {}, false});
  }
  /// Says an ERROR about `section` (empty: about none).
  void error(std::string_view text, std::string_view section = {}) {
    say(Message{Severity::Error, text, section, {}, false});
  }
  /// Says a NOTE.
  void note(std::string_view text) { say(Message{Severity::Note, text, {}, {}, false}); }
  /// Says a message that carries a number after its word: "WORD code - text".
  void coded(Severity severity, std::string_view code, std::string_view text) {
    say(Message{severity, text, {}, code, false});
  }
  /// Says a message worded in full by its caller (an older form such as "ERRORS were found - see above").
  void worded(Severity severity, std::string_view line) { say(Message{severity, line, {}, {}, true}); }

  /// Writes a progress line that a -quiet run leaves out.
  void detail(std::string_view line) {
    if (!quiet()) say(line);
  }
  /// Writes an empty line (or ends a line left open).
  void newline() { put("\n"); }
};

}  // namespace kestrix
