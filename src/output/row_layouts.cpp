#include "output/row_layouts.h"

#include <cstdlib>

#include "text/numbers.h"

namespace kestrix {

namespace {

// Appends a number in its field; a number too wide for it is written in full,
// and the first such number of the row goes to `wide`.
void appendField(std::string& line, double value, FixedField field, bool& fits, std::string& wide) {
  const std::size_t start = line.size();
  if (appendFixedFull(line, value, field.width, field.decimals) <= static_cast<std::size_t>(field.width)) return;
  if (fits) wide.assign(line, start);
  fits = false;
}

// The resistance field: empty for an exact 0.
void appendResistance(std::string& line, float mnr, Resistance style, bool& fits, std::string& wide) {
  if (mnr == 0.0f) return;
  const std::size_t start = line.size();
  int decimals = 0;
  const double value = writtenResistance(mnr, style, decimals);
  const int width = decimals == 0 ? CsvRowLayout::kWholeResistance : CsvRowLayout::kResistance;
  const std::size_t length =
      decimals == 0 ? appendWholeFull(line, value, width) : appendFixedFull(line, value, width, decimals);
  if (length <= static_cast<std::size_t>(width)) return;
  if (fits) wide.assign(line, start);
  fits = false;
}

// The row of common values (see writeFixedShort) in one piece at `out`, which
// has room for 64 characters: the end of the row, or null when a value needs
// the general layout.
char* writeShortCsvRow(char* out, const CsvRow& row, Resistance style) {
  char* p = writeFixedShort(out, row.x, CsvRowLayout::kX.width, CsvRowLayout::kX.decimals);
  if (p == nullptr) return nullptr;
  *p++ = ',';
  if ((p = writeFixedShort(p, row.z, CsvRowLayout::kZ.width, CsvRowLayout::kZ.decimals)) == nullptr) return nullptr;
  *p++ = ',';
  if (row.mnr != 0.0f) {
    int decimals = 0;
    const double value = writtenResistance(row.mnr, style, decimals);
    p = decimals == 0 ? writeWholeShort(p, value, CsvRowLayout::kWholeResistance)
                      : writeFixedShort(p, value, CsvRowLayout::kResistance, decimals);
    if (p == nullptr) return nullptr;
  }
  *p++ = ',';
  const int group = groupNumber(row.group);
  static_assert(CsvRowLayout::kGroup == 2, "the short row writes the group as a blank and one digit");
  if (group < 0 || group > 9) return nullptr;
  *p++ = ' ';
  *p++ = static_cast<char>('0' + group);
  return p;
}

}  // namespace

std::string CsvRowLayout::heading(char letter) {
  std::string text = "\"X\",\"Z\",\"";
  text += letter;
  text += "\",\"LCR\"";
  return text;
}

bool CsvRowLayout::append(std::string& line, const CsvRow& row, Resistance style, std::string& wide) {
  char text[64];
  if (const char* const end = writeShortCsvRow(text, row, style)) {
    line.append(text, static_cast<std::size_t>(end - text));
    return true;
  }
  bool fits = true;
  appendField(line, row.x, kX, fits, wide);
  line += ',';
  appendField(line, row.z, kZ, fits, wide);
  line += ',';
  appendResistance(line, row.mnr, style, fits, wide);
  line += ',';
  appendInt(line, groupNumber(row.group), kGroup);
  return fits;
}

bool PointRowLayout::append(std::string& line, std::string_view quotedId, float z, std::string& wide) {
  line += quotedId;
  line += ',';
  char text[kShortRoom];
  if (const char* const end = writeFixedShort(text, z, kZ.width, kZ.decimals)) {
    line.append(text, static_cast<std::size_t>(end - text));
    return true;
  }
  bool fits = true;
  appendField(line, z, kZ, fits, wide);
  return fits;
}

bool DemPointRowLayout::append(std::string& line, std::string_view quotedId, const DemPointView& point,
                               std::string_view quotedDem, std::string& wide) {
  bool fits = true;
  line += quotedId;
  line += ',';
  appendField(line, point.offset, kOffset, fits, wide);
  line += ',';
  appendField(line, point.z, kZ, fits, wide);
  line += ',';
  appendField(line, point.mnr, kResistance, fits, wide);
  line += ",\"";
  line += groupLetter(point.group);
  line += "\",";
  line += quotedDem;
  return fits;
}

double asWritten(float value, FixedField field) {
  return std::strtod(formatFixedFull(value, field.width, field.decimals).c_str(), nullptr);
}

}  // namespace kestrix
