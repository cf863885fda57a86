#pragma once
// The unit table: 1000 numbered slots through which every file of a run is
// read or written. Slot i carries the unit number i + max(base, 9).

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

namespace kestrix {

/// The two ways a file is opened.
enum class FileMode { Input, Output };

/// One slot of the unit table.
struct UnitSlot {
  int number = 0;                     ///< unit number, fixed for the run
  bool open = false;                  ///< the slot is handed out
  std::unique_ptr<InputFile> input;   ///< connected file when read
  std::unique_ptr<OutputFile> output; ///< connected file when written
  std::string name;                   ///< name the file was opened by
  std::string identity;               ///< file system key of that name
};

/// The table of file units of a run.
class UnitTable {
 public:
  /// Number of slots in the table.
  static constexpr int kSlots = 1000;

  /// Fills the table with unit numbers from the base, all closed, and arms the pause at the end of the run.
  void INITUNITS(int base);
  /// Index of the first slot not handed out, -1 when all are open.
  int firstFree() const;
  /// The slot of a unit number, null when the number is not in the table.
  UnitSlot* slotOf(int unit);
  /// Number of slots (0 before INITUNITS).
  int size() const { return static_cast<int>(slots_.size()); }
  /// The slot at index i (0 to size()-1).
  UnitSlot& slot(int i) {
    reach(i);
    return slots_[i];
  }
  /// Unit number to which a file identity is connected, 0 when none.
  int connectedUnit(const std::string& identity) const;
  /// Closes the file connected to a unit, writing out what is buffered; false (with the system's reason in `why` when given) when the close failed.
  bool disconnect(int unit, std::string* why = nullptr);

  /// The file connected to a unit open for input, null when there is none; valid until the unit is closed.
  InputFile* inputOf(int unit);
  /// Reads the next line of a unit open for input.
  ReadStatus readLine(int unit, std::string& line);
  /// Reads the next line of a unit open for input as a view, valid until that unit is read, asked atEnd, rewound or closed again.
  ReadStatus readLineView(int unit, std::string_view& line);
  /// True when a unit open for input has no further line (or no file).
  bool atEnd(int unit);
  /// Goes back to the first line of a unit open for input.
  void rewind(int unit);
  /// Writes text and a CR LF line end to a unit open for output.
  void writeLine(int unit, std::string_view text);
  /// Writes text as it stands (whole lines with their ends) to a unit open for output.
  void write(int unit, std::string_view text);
  /// The text to append the next line of a unit open for output to, in place, until endLine(); for any other unit a line that goes nowhere.
  std::string& startLine(int unit);
  /// Ends the line appended since startLine() with CR LF.
  void endLine(int unit);

  /// Remembers that the input asked for as `asked` was opened as `opened`, a name the user gave at the missing-file prompt.
  void rememberCorrection(const std::string& asked, const std::string& opened);
  /// The name to open for `name`: the user's correction of it earlier in the run, or `name` itself.
  const std::string& corrected(const std::string& name) const;

  /// Whether the end of the run waits for Enter.
  bool pauseAtEnd = false;

 private:
  // Notes that slot i may be given a file: connectedUnit() looks no further than the slots ever handed out.
  void reach(int i) {
    if (i >= reached_) reached_ = i + 1;
  }

  std::vector<UnitSlot> slots_;
  int reached_ = 0;  // slots [0, reached_) have been handed out or looked at
  std::unordered_map<std::string, std::string> corrections_;
  std::string nowhere_;  // the line of a unit that is not open for output
};

}  // namespace kestrix
