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

[[noreturn]] void couldNotWrite(FileAccess& ctx, const std::string& name, const std::string& why) {
  ctx.out.newline();
  ctx.out.error("Could not write file \"" + name + "\" (is the disk full?) - no output written");
  sayReason(ctx.out, why);
  ctx.out.exits(kExitFailure);
}
}  // namespace

void sayReason(Reporter& out, std::string_view reason) {
  if (!reason.empty()) out.say(" Reason: " + std::string(reason));
}

std::string unitField(int unit) { return formatInt(unit, 4); }

void PUTTEXT(Reporter& out, std::string_view text, std::size_t n) {
  out.put(text.substr(0, std::min(n, text.size())));
}

void OPENFILE(FileAccess& ctx, int& unit, FileMode mode, std::string_view name) {
  std::string buffer = fitField(trimmed(name), kNameWidth);
  if (buffer.empty()) {
    ctx.out.newline();
    ctx.out.say("Empty filename specified.  Bailing out.  Please contact " + std::string(kSupportEmail) + ".");
    ctx.out.say("Press Enter to Close");
    ctx.out.waitEnter();
    ctx.out.halt(kExitFailure);
  }
  int free = ctx.units.firstFree();
  if (free < 0) {
    ctx.out.say("No free file numbers.");
    ctx.out.halt(kExitFailure);
  }
  UnitSlot& slot = ctx.units.slot(free);
  unit = slot.number;
  OPENUNIT(ctx, unit, buffer, mode);
  slot.open = true;
}

void OPENTEXT(FileAccess& ctx, int& unit, std::string_view name, std::string text) {
  const int free = ctx.units.firstFree();
  if (free < 0) {
    ctx.out.say("No free file numbers.");
    ctx.out.halt(kExitFailure);
  }
  UnitSlot& slot = ctx.units.slot(free);
  unit = slot.number;
  slot.input = std::make_unique<TextInput>(std::move(text));
  slot.output.reset();
  slot.name.assign(name);
  slot.identity = "\n(composed) " + slot.name;  // names no file, so no output is ever taken for it
  slot.open = true;
}

void OPENUNIT(FileAccess& ctx, int unit, std::string& name, FileMode mode) {
  UnitSlot* slot = ctx.units.slotOf(unit);
  // An input the user renamed at the missing-file prompt stays renamed for the
  // rest of the run. Outputs keep their names: a correction must never point
  // an output at an input.
  CLEANPATH(name);
  if (mode == FileMode::Input) name = ctx.units.corrected(name);
  const std::string asked = name;
  for (;;) {
    CLEANPATH(name);
    // A quiet run shows the attempt only when it needs the user's attention.
    bool shown = false;
    const auto showAttempt = [&] {
      if (shown) return;
      ctx.out.newline();
      ctx.out.put("Trying to open file " + name + "...");
      shown = true;
    };
    if (!ctx.out.quiet()) showAttempt();
    const std::string identity = ctx.fs.identity(name, Lookup::Now);
    const int connected = ctx.units.connectedUnit(identity);

    bool askForName = false;
    if (mode == FileMode::Output && connected != 0) {
      showAttempt();
      ctx.out.newline();
      PUTTEXT(ctx.out, name + " is already open, close it? ", name.size() + 28);
      std::string answer;
      if (!ctx.out.ask(answer)) ctx.out.noAnswer("\"" + name + "\" (is already open, close it?)");
      if (!answer.empty() && (answer[0] == 'Y' || answer[0] == 'y')) {
        // The slot of the old unit stays marked open: only the file is closed.
        if (!ctx.units.disconnect(connected)) {
          ctx.out.say("  Unable to close file.");
          ctx.out.halt(kExitFailure);
        }
      } else {
        askForName = true;
      }
    }

    if (!askForName && mode == FileMode::Input) {
      if (!ctx.fs.exists(name)) {
        showAttempt();
        ctx.out.newline();
        ctx.out.coded(Severity::Check, "0008", "\"" + name + "\" cannot be found");
        askForName = true;
      } else {
        auto file = ctx.fs.openRead(name);
        if (!file) {
          showAttempt();
          ctx.out.newline();
          ctx.out.error("Could not read file \"" + name + "\"" + fileLimitNote());
          sayReason(ctx.out, ctx.fs.failure());
          ctx.out.exits(kExitFailure);
        }
        slot->input = std::move(file);
        slot->output.reset();
        slot->name = name;
        slot->identity = identity;
        ctx.inputs.add(ctx.fs, name);
        ctx.units.rememberCorrection(asked, name);
        if (!ctx.out.quiet()) {
          ctx.out.say("OK.");
          ctx.out.say("Opened File Unit:" + unitField(unit));
        }
        return;
      }
    }

    if (!askForName) {
      for (;;) {
        auto file = ctx.fs.openWrite(name);
        if (file) {
          slot->output = std::move(file);
          slot->input.reset();
          slot->name = name;
          slot->identity = ctx.fs.identity(name, Lookup::Now);
          if (!ctx.out.quiet()) ctx.out.say("OK.  File Unit:" + unitField(unit));
          return;
        }
        const std::string why = ctx.fs.failure();
        showAttempt();
        const bool atLimit = lastOpenHitFileLimit();
        const std::string note = fileLimitNote();
        ctx.out.say("Can't Open");
        ctx.out.newline();
        ctx.out.say(" Can't open: " + name + note);
        ctx.out.newline();
        ctx.out.say(" Another application or user maybe using it,");
        ctx.out.say("    or the file's folder does not exist.");
        ctx.out.say(" If so, close the file or create file path.");
        sayReason(ctx.out, why);
        if (!ctx.out.pauses())
          ctx.out.noAnswer("\"" + name + "\" (Can't Open" + (atLimit ? ": " + std::string(kFileLimit) : std::string()) +
                           ")");
      }
    }

    ctx.out.newline();
    ctx.out.put("Check file exists and press enter or enter another file name: ");
    std::string reply;
    if (!ctx.out.ask(reply)) ctx.out.noAnswer("\"" + name + "\" (file name prompt)");
    reply = trimmed(reply.substr(0, std::min(reply.size(), kReplyWidth)));
    if (reply.empty()) {
      ctx.out.newline();
      ctx.out.put("No file name entered.  Trying file again...");
    } else {
      name = fitField(reply, kNameWidth);
    }
  }
}

void CLOSER(FileAccess& ctx, int& unit) {
  UnitSlot* slot = ctx.units.slotOf(unit);
  if (!slot) return;
  if (slot->open) {
    const bool written = slot->output != nullptr;
    const std::string name = slot->name;
    // A file whose buffered end could not be written is incomplete: the run
    // must not pass it off as output.
    std::string why;
    if (!ctx.units.disconnect(unit, &why) && written) couldNotWrite(ctx, name, why);
    ctx.out.detail("...Closed File Unit:" + unitField(unit));
    unit = 0;
  }
  slot->open = false;
}

UnitHandle::~UnitHandle() {
  if (unit_ <= 0) return;
  UnitSlot* slot = ctx_.units.slotOf(unit_);
  if (slot == nullptr || !slot->open) return;
  // Only a run that is ending, or a reader leaving a layer after an error it
  // has reported, gets here with a unit open: outputs are then discarded and
  // inputs have nothing to lose, so a failed close has nothing to report.
  ctx_.units.disconnect(unit_);
  slot->open = false;
}

void guardOutputs(FileAccess& ctx, const std::vector<std::string>& outputs) {
  bool clash = false;
  for (const std::string& output : outputs) {
    const std::string* input = ctx.inputs.clash(ctx.fs, output);
    if (input == nullptr) continue;
    if (!clash) ctx.out.newline();
    clash = true;
    ctx.out.error("Output file \"" + output + "\" would replace the input file \"" + *input + "\"");
  }
  if (!clash) return;
  ctx.out.error("Nothing was written: rename the input or write the outputs elsewhere");
  ctx.out.exits(kExitFailure);
}

void commitOutputs(FileAccess& ctx, StagedFileSystem& staged) {
  for (int i = 0; i < ctx.units.size(); ++i) {
    UnitSlot& slot = ctx.units.slot(i);
    if (slot.output == nullptr) continue;
    // The slot stays handed out, as every unit the end of the run closes does.
    std::string why;
    if (!ctx.units.disconnect(slot.number, &why)) couldNotWrite(ctx, slot.name, why);
  }
  std::string failed;
  // Files closed earlier may have been written in the background: a failure there is known only now.
  if (!staged.settle(failed)) couldNotWrite(ctx, failed, staged.failure());
  // One run at a time puts its outputs into a folder, and first puts right what a run stopped there left.
  std::vector<std::unique_ptr<HeldLock>> locks;
  for (const std::string& folder : staged.folders()) {
    locks.push_back(lockOutputFolder(ctx.out, ctx.fs, folder, staged.processId()));
    recoverOutputFolder(ctx.out, ctx.fs, folder, staged.processId(), false);
  }
  if (!staged.commit(failed)) {
    const std::string why = staged.failure();
    ctx.out.newline();
    ctx.out.error("Could not replace file \"" + failed + "\" - " +
                  (staged.restored() ? "the earlier outputs were restored and nothing was written"
                                     : "the earlier outputs could not all be restored: the next Kestrix run into "
                                       "this folder restores them"));
    sayReason(ctx.out, why);
    ctx.out.exits(kExitFailure);
  }
}

}  // namespace kestrix
