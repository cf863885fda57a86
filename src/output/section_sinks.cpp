#include "output/section_sinks.h"

#include <cmath>

#include "base/run_end.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::string_view kBedSymbol = "    Symbol (41,65535,8,\"MapInfo Symbols\",16,0)";
constexpr std::string_view kGroupSymbol[3] = {"    Symbol (32,65535,5)", "    Symbol (33,16711935,5)",
                                              "    Symbol (32,16776960,4)"};

constexpr std::string_view kSectionColumnsAfterSource[] = {
    "  Type Char(2)",      "  Flags Char(10)",    "  Column_1 Char(20)", "  Column_2 Char(20)",
    "  Column_3 Char(20)", "  Column_4 Char(20)", "  Column_5 Char(20)", "  Column_6 Char(20)",
    "  Z_Increment Float", "  Z_Maximum Float",   "Data",                ""};

constexpr std::string_view kPointColumns[] = {"Columns 2", "  XS_ID Char(100)", "  Z Float", "Data", ""};

// A number too wide for its field is written in full: a wider field in a
// comma-separated row. The number is appended to the line; returns whether it
// was widened, with its text in `wide`.
bool appendFixed(std::string& line, double value, int width, int decimals, std::string& wide) {
  const std::size_t start = line.size();
  if (appendFixedFull(line, value, width, decimals) <= static_cast<std::size_t>(width)) return false;
  wide.assign(line, start);
  return true;
}

// The resistance field; true when the value had to be widened, with its text in `wide`.
bool appendResistance(std::string& line, float mnr, Resistance style, std::string& wide) {
  if (mnr == 0.0f) return false;  // an exact 0 leaves the field empty
  const std::size_t start = line.size();
  int decimals = 0;
  const double value = writtenResistance(mnr, style, decimals);
  const int width = decimals == 0 ? 6 : 10;
  const std::size_t length =
      decimals == 0 ? appendWholeFull(line, value, width) : appendFixedFull(line, value, width, decimals);
  if (length <= static_cast<std::size_t>(width)) return false;
  wide.assign(line, start);
  return true;
}

// A row of common values (see writeFixedShort) in one piece at `out`, which
// has room for 64 characters; the end of the row, or null when a value needs
// the general layout.
char* writeShortRow(char* out, const CsvRow& row, Resistance style) {
  char* p = writeFixedShort(out, row.x, 10, 3);
  if (p == nullptr) return nullptr;
  *p++ = ',';
  if ((p = writeFixedShort(p, row.z, 8, 3)) == nullptr) return nullptr;
  *p++ = ',';
  if (row.mnr != 0.0f) {
    int decimals = 0;
    const double value = writtenResistance(row.mnr, style, decimals);
    p = decimals == 0 ? writeWholeShort(p, value, 6) : writeFixedShort(p, value, 10, decimals);
    if (p == nullptr) return nullptr;
  }
  *p++ = ',';
  const int group = groupNumber(row.group);
  if (group < 0 || group > 9) return nullptr;
  *p++ = ' ';
  *p++ = static_cast<char>('0' + group);
  return p;
}

}  // namespace

void SectionNotes::start(std::string_view id) {
  id_.assign(id);
  widened_ = false;
}

// One warning per section whose values did not fit their fixed columns:
// they are written in full, and the user should know the layout is wider.
void SectionNotes::widened(const std::string& text, std::string_view file) {
  if (widened_) return;
  widened_ = true;
  out_.newline();
  out_.warning("Cross-section \"" + id_ + "\": the value " + TRIMF(text) + " does not fit its column in " +
                   std::string(file) + " - written in full",
               id_);
}

CsvSink::CsvSink(Workspace& ctx, const SectionsView& view) : ctx_(ctx), style_(view.style) {
  const std::string letter(1, view.resistanceLetter);
  heading_ = "\"X\",\"Z\",\"" + letter + "\",\"LCR\"";
}

void CsvSink::write(const SectionView& section, SectionNotes& notes) {
  const std::string& path = section.csvPath;
  UnitHandle file(ctx_.files);
  file.open(FileMode::Output, path);
  const int unit = file.unit();
  line_ = quoted(section.id);
  line_ += ',';
  for (const std::string& source : section.sources) {
    line_ += quoted(source);
    line_ += ',';
  }
  ctx_.files.units.writeLine(unit, line_);
  ctx_.files.units.writeLine(unit, heading_);
  if (section.prepared != nullptr && !section.prepared->csvRows.empty()) {
    ctx_.files.units.write(unit, section.prepared->csvRows);
  } else {
    writeRows(section, unit, notes);
  }
  if (!section.stopMessage.empty()) {
    ctx_.out.say(section.stopMessage);
    ctx_.out.exits(kExitFailure);
  }
  file.close();
  ++ctx_.tally.csvWritten;
}

void CsvSink::prepare(const SectionView& section, PreparedText& text) const {
  std::string& rows = text.csvRows;
  rows.clear();
  char row[64];
  for (const CsvRow& r : section.rows) {
    const char* const end = writeShortRow(row, r, style_);
    if (end == nullptr) {
      rows.clear();
      return;
    }
    rows.append(row, static_cast<std::size_t>(end - row));
    rows += "\r\n";
  }
}

void CsvSink::writeRows(const SectionView& section, int unit, SectionNotes& notes) {
  const std::string& path = section.csvPath;
  for (const CsvRow& row : section.rows) {
    std::string& line = ctx_.files.units.startLine(unit);
    if (appendFixed(line, row.x, 10, 3, number_)) notes.widened(number_, path);
    line += ',';
    if (appendFixed(line, row.z, 8, 3, number_)) notes.widened(number_, path);
    line += ',';
    if (appendResistance(line, row.mnr, style_, number_)) notes.widened(number_, path);
    line += ',';
    appendInt(line, groupNumber(row.group), 2);
    ctx_.files.units.endLine(unit);
  }
}

LayerSink::LayerSink(Workspace& ctx, std::string name, bool points, bool stayOpen)
    : ctx_(ctx), name_(std::move(name)), geom_(ctx.files), attr_(ctx.files), stayOpen_(stayOpen) {
  miInitObject(type_);
  type_.kind = points ? miObjectKind::Point : miObjectKind::Pline;
}

void LayerSink::openLayer(int headerUnit) {
  miOpenLayer(ctx_.layers, ADDFOLDER(ctx_.settings.outFolder, name_), geom_.unit(), attr_.unit(), FileMode::Output);
  miCopyHeader(ctx_.files, headerUnit, geom_.unit());
}

void LayerSink::close() {
  if (stayOpen_) {
    geom_.release();
    attr_.release();
    return;
  }
  geom_.close();
  attr_.close();
}

void LayerSink::writeObject(const double* x, const double* y, int n, std::string_view clause, SectionNotes& notes) {
  number_.clear();
  if (!miWriteObject(ctx_.files, geom_.unit(), type_, x, y, n, clause, "", &number_)) notes.widened(number_, name_ + ".mif");
}

bool LayerSink::formatObject(std::string& out, const double* x, const double* y, int n, std::string_view clause) const {
  return miFormatObject(out, type_, x, y, n, clause, "");
}

void LayerSink::writePointRow(std::string_view quotedId, float z, SectionNotes& notes) {
  std::string& line = ctx_.files.units.startLine(attr_.unit());
  line += quotedId;
  line += ',';
  if (appendFixed(line, z, 8, 3, number_)) notes.widened(number_, name_ + ".mid");
  ctx_.files.units.endLine(attr_.unit());
}

SectionLineSink::SectionLineSink(Workspace& ctx, const SectionsView& view)
    : LayerSink(ctx, "1d_xs", false, false) {
  sourceColumn_ = "  Source Char(" + std::to_string(view.sourceWidth) + ")";
  const std::string letter(1, view.resistanceLetter);
  sourceTail_ = ",\"XZ\",\"" + letter + "P\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0";
}

void SectionLineSink::open(int headerUnit) {
  openLayer(headerUnit);
  ctx_.files.units.writeLine(geom_.unit(), "Columns 11");
  ctx_.files.units.writeLine(geom_.unit(), sourceColumn_);
  for (const std::string_view line : kSectionColumnsAfterSource) ctx_.files.units.writeLine(geom_.unit(), line);
}

void SectionLineSink::write(const SectionView& section, SectionNotes& notes) {
  if (section.lineX.empty()) {
    ctx_.out.newline();
    ctx_.out.warning(
        "Cross-section \"" + section.id + "\" has no points to draw in 1d_xs - its line is left out of 1d_xs",
        section.id);
    return;
  }
  if (section.prepared != nullptr && !section.prepared->lineObject.empty()) {
    ctx_.files.units.write(geom_.unit(), section.prepared->lineObject);
  } else {
    writeObject(section.lineX.data(), section.lineY.data(), static_cast<int>(section.lineX.size()), "", notes);
  }
  line_ = quoted(section.source);
  line_ += sourceTail_;
  ctx_.files.units.writeLine(attr_.unit(), line_);
}

void SectionLineSink::prepare(const SectionView& section, PreparedText& text) const {
  text.lineObject.clear();
  if (section.lineX.empty()) return;
  formatObject(text.lineObject, section.lineX.data(), section.lineY.data(), static_cast<int>(section.lineX.size()), "");
}

BedPointSink::BedPointSink(Workspace& ctx, const SectionsView& view)
    : LayerSink(ctx, "_xs_bed_points", true, view.pointLayersStayOpen) {}

void BedPointSink::open(int headerUnit) { openWith(headerUnit, kPointColumns); }

void BedPointSink::write(const SectionView& section, SectionNotes& notes) {
  if (!section.bed) return;
  writeObject(&section.bed->mapX, &section.bed->mapY, 1, kBedSymbol, notes);
  writePointRow(quoted(section.id), section.bed->z, notes);
}

AllPointsSink::AllPointsSink(Workspace& ctx, const SectionsView& view)
    : LayerSink(ctx, "_xs_all_points", true, view.pointLayersStayOpen) {}

void AllPointsSink::open(int headerUnit) { openWith(headerUnit, kPointColumns); }

void AllPointsSink::prepare(const SectionView& section, PreparedText& text) const {
  std::string& objects = text.pointObjects;
  std::string& rows = text.pointRows;
  objects.clear();
  rows.clear();
  const std::string id = quoted(section.id);
  char z[32];
  for (const DrawnPoint& pt : section.points) {
    const char* const end = writeFixedShort(z, pt.z, 8, 3);
    if (end == nullptr || !formatObject(objects, &pt.mapX, &pt.mapY, 1, kGroupSymbol[groupNumber(pt.group) - 1])) {
      objects.clear();
      rows.clear();
      return;
    }
    rows += id;
    rows += ',';
    rows.append(z, static_cast<std::size_t>(end - z));
    rows += "\r\n";
  }
}

void AllPointsSink::write(const SectionView& section, SectionNotes& notes) {
  if (section.prepared != nullptr && !section.prepared->pointObjects.empty()) {
    ctx_.files.units.write(geom_.unit(), section.prepared->pointObjects);
    ctx_.files.units.write(attr_.unit(), section.prepared->pointRows);
    return;
  }
  quotedId_ = quoted(section.id);  // once for every row of the section
  for (const DrawnPoint& pt : section.points) {
    writeObject(&pt.mapX, &pt.mapY, 1, kGroupSymbol[groupNumber(pt.group) - 1], notes);
    writePointRow(quotedId_, pt.z, notes);
  }
}

}  // namespace kestrix
