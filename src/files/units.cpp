#include "files/units.h"

#include <algorithm>

namespace kestrix {

void UnitTable::INITUNITS(int base) {
  slots_.clear();
  slots_.resize(kSlots);
  reached_ = 0;
  for (int i = 0; i < kSlots; ++i) slots_[i].number = i + 1 + std::max(base, 9);
  pauseAtEnd = true;
  corrections_.clear();
}

void UnitTable::rememberCorrection(const std::string& asked, const std::string& opened) {
  if (asked == opened) return;
  corrections_[asked] = opened;
  // An earlier correction that led to the name just replaced now leads on to the new one.
  for (auto& [from, to] : corrections_)
    if (to == asked) to = opened;
}

const std::string& UnitTable::corrected(const std::string& name) const {
  const auto found = corrections_.find(name);
  return found == corrections_.end() ? name : found->second;
}

int UnitTable::firstFree() const {
  for (int i = 0; i < static_cast<int>(slots_.size()); ++i)
    if (!slots_[i].open) return i;
  return -1;
}

UnitSlot* UnitTable::slotOf(int unit) {
  if (slots_.empty()) return nullptr;
  int i = unit - slots_.front().number;
  if (i < 0 || i >= static_cast<int>(slots_.size())) return nullptr;
  reach(i);
  return &slots_[i];
}

int UnitTable::connectedUnit(const std::string& identity) const {
  // A run uses a handful of the 1000 slots, the lowest first; it opens thousands of files.
  for (int i = 0; i < reached_; ++i) {
    const UnitSlot& s = slots_[i];
    if ((s.input || s.output) && s.identity == identity) return s.number;
  }
  return 0;
}

bool UnitTable::disconnect(int unit, std::string* why) {
  UnitSlot* s = slotOf(unit);
  if (!s) return true;
  bool ok = true;
  if (s->output) ok = s->output->close();
  if (!ok && why != nullptr) *why = s->output->failure();
  s->output.reset();
  s->input.reset();
  s->identity.clear();
  return ok;
}

InputFile* UnitTable::inputOf(int unit) {
  UnitSlot* s = slotOf(unit);
  return s ? s->input.get() : nullptr;
}

ReadStatus UnitTable::readLine(int unit, std::string& line) {
  UnitSlot* s = slotOf(unit);
  if (!s || !s->input) {
    line.clear();
    return ReadStatus::Error;
  }
  return s->input->readLine(line);
}

ReadStatus UnitTable::readLineView(int unit, std::string_view& line) {
  UnitSlot* s = slotOf(unit);
  if (!s || !s->input) {
    line = {};
    return ReadStatus::Error;
  }
  return s->input->readLineView(line);
}

bool UnitTable::atEnd(int unit) {
  UnitSlot* s = slotOf(unit);
  return !s || !s->input || s->input->atEnd();
}

void UnitTable::rewind(int unit) {
  UnitSlot* s = slotOf(unit);
  if (s && s->input) s->input->rewind();
}

void UnitTable::writeLine(int unit, std::string_view text) {
  UnitSlot* s = slotOf(unit);
  if (!s || !s->output) return;
  s->output->writeLine(text);
}

void UnitTable::write(int unit, std::string_view text) {
  UnitSlot* s = slotOf(unit);
  if (s && s->output) s->output->write(text);
}

std::string& UnitTable::startLine(int unit) {
  UnitSlot* s = slotOf(unit);
  if (s && s->output) return s->output->startLine();
  nowhere_.clear();
  return nowhere_;
}

void UnitTable::endLine(int unit) {
  UnitSlot* s = slotOf(unit);
  if (s && s->output) s->output->endLine();
}

}  // namespace kestrix
