#pragma once
// Shared helpers of the MIF/MID library tests.

#include <string>

#include "files/file_units.h"
#include "support/layer_run.h"

namespace kestrix::testing {

/// Opens a memory file for reading on the next free unit and forgets the console lines of the opening.
inline int openInput(TestLayers& t, const std::string& name, const std::string& content) {
  t.fs.add(name, content);
  int unit = 0;
  OPENFILE(t.ctx, unit, FileMode::Input, name);
  t.console.clearOutput();
  return unit;
}

/// An input file whose reads fail in a given way after a number of good lines.
class FailingInput : public InputFile {
 public:
  FailingInput(int goodLines, ReadStatus failure) : good_(goodLines), failure_(failure) {}
  ReadStatus readLine(std::string& line) override {
    if (read_ >= good_) return failure_;
    line = "Version 300";
    ++read_;
    return ReadStatus::Ok;
  }
  bool atEnd() override { return false; }
  void rewind() override { read_ = 0; }

 private:
  int good_;
  ReadStatus failure_;
  int read_ = 0;
};

/// Puts a failing input file on the next free unit, as if OPENFILE had opened it.
inline int openFailing(TestLayers& t, int goodLines, ReadStatus failure) {
  const int i = t.ctx.units.firstFree();
  UnitSlot& slot = t.ctx.units.slot(i);
  slot.open = true;
  slot.input = std::make_unique<FailingInput>(goodLines, failure);
  slot.name = slot.identity = "broken.mif";
  return slot.number;
}

}  // namespace kestrix::testing
