#include "files/file_units.h"

#include "base/run_end.h"
#include "files/commit_journal.h"
#include "files/paths.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {
constexpr std::size_t kNameWidth = 1000;
constexpr std::size_t kReplyWidth = 80;

std::string trimmed(std::string_view s) { return std::string(significant(TRIMF(s))); }

// A text held in memory, read line by line like a file.
class TextInput final : public InputFile {
 public:
  explicit TextInput(std::string text) : text_(std::move(text)) {}
  ReadStatus readLine(std::string& line) override {
    if (atEnd()) return ReadStatus::End;
    const std::size_t end = text_.find('\n', pos_);
    const std::size_t stop = end == std::string::npos ? text_.size() : end;
    line.assign(text_, pos_, stop - pos_);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos_ = end == std::string::npos ? text_.size() : end + 1;
    return ReadStatus::Ok;
  }
  bool atEnd() override { return pos_ >= text_.size(); }
  void rewind() override { pos_ = 0; }

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

// Why a file that may well be there could not be opened: the process or the
// system had too many files open. A failed open adds this to its message.
constexpr std::string_view kFileLimit = "too many open files";

std::string fileLimitNote() { return lastOpenHitFileLimit() ? " (" + std::string(kFileLimit) + ")" : std::string(); }

[[noreturn]] void couldNotWrite(FileAccess& files, const std::string& name, const std::string& why) {
  files.out.newline();
  files.out.error("Could not write file \"" + name + "\" (is the disk full?) - no output written");
  sayReason(files.out, why);
  files.out.exits(kExitFailure);
}
}  // namespace

void sayReason(Reporter& out, std::string_view reason) {
  if (!reason.empty()) out.say(" Reason: " + std::string(reason));
}

std::string unitField(int unit) { return formatInt(unit, 4); }

void PUTTEXT(Reporter& out, std::string_view text, std::size_t n) {
  out.put(text.substr(0, std::min(n, text.size())));
}

void OPENFILE(FileAccess& files, int& unit, FileMode mode, std::string_view name) {
  std::string buffer = fitField(trimmed(name), kNameWidth);
  if (buffer.empty()) {
    files.out.newline();
    files.out.say("Empty filename specified.  Bailing out.  Please contact " + std::string(kSupportEmail) + ".");
    files.out.say("Press Enter to Close");
    files.out.waitEnter();
    files.out.halt(kExitFailure);
  }
  int free = files.units.firstFree();
  if (free < 0) {
    files.out.say("No free file numbers.");
    files.out.halt(kExitFailure);
  }
  UnitSlot& slot = files.units.slot(free);
  unit = slot.number;
  OPENUNIT(files, unit, buffer, mode);
  slot.open = true;
}

void OPENTEXT(FileAccess& files, int& unit, std::string_view name, std::string text) {
  const int free = files.units.firstFree();
  if (free < 0) {
    files.out.say("No free file numbers.");
    files.out.halt(kExitFailure);
  }
  UnitSlot& slot = files.units.slot(free);
  unit = slot.number;
  slot.input = std::make_unique<TextInput>(std::move(text));
  slot.output.reset();
  slot.name.assign(name);
  slot.identity = "\n(composed) " + slot.name;  // names no file, so no output is ever taken for it
  slot.open = true;
}

void OPENUNIT(FileAccess& files, int unit, std::string& name, FileMode mode) {
  UnitSlot* slot = files.units.slotOf(unit);
  // An input the user renamed at the missing-file prompt stays renamed for the
  // rest of the run. Outputs keep their names: a correction must never point
  // an output at an input.
  CLEANPATH(name);
  if (mode == FileMode::Input) name = files.units.corrected(name);
  const std::string asked = name;
  for (;;) {
    CLEANPATH(name);
    // A quiet run shows the attempt only when it needs the user's attention.
    bool shown = false;
    const auto showAttempt = [&] {
      if (shown) return;
      files.out.newline();
      files.out.put("Trying to open file " + name + "...");
      shown = true;
    };
    if (!files.out.quiet()) showAttempt();
    const std::string identity = files.fs.identity(name, Lookup::Now);
    const int connected = files.units.connectedUnit(identity);

    bool askForName = false;
    if (mode == FileMode::Output && connected != 0) {
      showAttempt();
      files.out.newline();
      PUTTEXT(files.out, name + " is already open, close it? ", name.size() + 28);
      std::string answer;
      if (!files.out.ask(answer)) files.out.noAnswer("\"" + name + "\" (is already open, close it?)");
      if (!answer.empty() && (answer[0] == 'Y' || answer[0] == 'y')) {
        // The slot of the old unit stays marked open: only the file is closed.
        if (!files.units.disconnect(connected)) {
          files.out.say("  Unable to close file.");
          files.out.halt(kExitFailure);
        }
      } else {
        askForName = true;
      }
    }

    if (!askForName && mode == FileMode::Input) {
      if (!files.fs.exists(name)) {
        showAttempt();
        files.out.newline();
        files.out.coded(Severity::Check, "0008", "\"" + name + "\" cannot be found");
        askForName = true;
      } else {
        auto file = files.fs.openRead(name);
        if (!file) {
          showAttempt();
          files.out.newline();
          files.out.error("Could not read file \"" + name + "\"" + fileLimitNote());
          sayReason(files.out, files.fs.failure());
          files.out.exits(kExitFailure);
        }
        slot->input = std::move(file);
        slot->output.reset();
        slot->name = name;
        slot->identity = identity;
        files.inputs.add(files.fs, name);
        files.units.rememberCorrection(asked, name);
        if (!files.out.quiet()) {
          files.out.say("OK.");
          files.out.say("Opened File Unit:" + unitField(unit));
        }
        return;
      }
    }

    if (!askForName) {
      for (;;) {
        auto file = files.fs.openWrite(name);
        if (file) {
          slot->output = std::move(file);
          slot->input.reset();
          slot->name = name;
          slot->identity = files.fs.identity(name, Lookup::Now);
          if (!files.out.quiet()) files.out.say("OK.  File Unit:" + unitField(unit));
          return;
        }
        const std::string why = files.fs.failure();
        showAttempt();
        const bool atLimit = lastOpenHitFileLimit();
        const std::string note = fileLimitNote();
        files.out.say("Can't Open");
        files.out.newline();
        files.out.say(" Can't open: " + name + note);
        files.out.newline();
        files.out.say(" Another application or user maybe using it,");
        files.out.say("    or the file's folder does not exist.");
        files.out.say(" If so, close the file or create file path.");
        sayReason(files.out, why);
        if (!files.out.pauses())
          files.out.noAnswer("\"" + name + "\" (Can't Open" + (atLimit ? ": " + std::string(kFileLimit) : std::string()) +
                           ")");
      }
    }

    files.out.newline();
    files.out.put("Check file exists and press enter or enter another file name: ");
    std::string reply;
    if (!files.out.ask(reply)) files.out.noAnswer("\"" + name + "\" (file name prompt)");
    reply = trimmed(reply.substr(0, std::min(reply.size(), kReplyWidth)));
    if (reply.empty()) {
      files.out.newline();
      files.out.put("No file name entered.  Trying file again...");
    } else {
      name = fitField(reply, kNameWidth);
    }
  }
}

void CLOSER(FileAccess& files, int& unit) {
  UnitSlot* slot = files.units.slotOf(unit);
  if (!slot) return;
  if (slot->open) {
    const bool written = slot->output != nullptr;
    const std::string name = slot->name;
    // A file whose buffered end could not be written is incomplete: the run
    // must not pass it off as output.
    std::string why;
    if (!files.units.disconnect(unit, &why) && written) couldNotWrite(files, name, why);
    files.out.detail("...Closed File Unit:" + unitField(unit));
    unit = 0;
  }
  slot->open = false;
}

UnitHandle::~UnitHandle() {
  if (unit_ <= 0) return;
  UnitSlot* slot = files_.units.slotOf(unit_);
  if (slot == nullptr || !slot->open) return;
  // Only a run that is ending, or a reader leaving a layer after an error it
  // has reported, gets here with a unit open: outputs are then discarded and
  // inputs have nothing to lose, so a failed close has nothing to report.
  files_.units.disconnect(unit_);
  slot->open = false;
}

void guardOutputs(FileAccess& files, const std::vector<std::string>& outputs) {
  bool clash = false;
  for (const std::string& output : outputs) {
    const std::string* input = files.inputs.clash(files.fs, output);
    if (input == nullptr) continue;
    if (!clash) files.out.newline();
    clash = true;
    files.out.error("Output file \"" + output + "\" would replace the input file \"" + *input + "\"");
  }
  if (!clash) return;
  files.out.error("Nothing was written: rename the input or write the outputs elsewhere");
  files.out.exits(kExitFailure);
}

void commitOutputs(FileAccess& files, StagedFileSystem& staged) {
  for (int i = 0; i < files.units.size(); ++i) {
    UnitSlot& slot = files.units.slot(i);
    if (slot.output == nullptr) continue;
    // The slot stays handed out, as every unit the end of the run closes does.
    std::string why;
    if (!files.units.disconnect(slot.number, &why)) couldNotWrite(files, slot.name, why);
  }
  std::string failed;
  // Files closed earlier may have been written in the background: a failure there is known only now.
  if (!staged.settle(failed)) couldNotWrite(files, failed, staged.failure());
  // One run at a time puts its outputs into a folder, and first puts right what a run stopped there left.
  std::vector<std::unique_ptr<HeldLock>> locks;
  for (const std::string& folder : staged.folders()) {
    locks.push_back(lockOutputFolder(files.out, files.fs, folder, staged.processId()));
    recoverOutputFolder(files.out, files.fs, folder, staged.processId(), false);
  }
  if (!staged.commit(failed)) {
    const std::string why = staged.failure();
    files.out.newline();
    files.out.error("Could not replace file \"" + failed + "\" - " +
                  (staged.restored() ? "the earlier outputs were restored and nothing was written"
                                     : "the earlier outputs could not all be restored: the next Kestrix run into "
                                       "this folder restores them"));
    sayReason(files.out, why);
    files.out.exits(kExitFailure);
  }
}

}  // namespace kestrix
