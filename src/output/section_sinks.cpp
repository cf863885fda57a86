#include "output/section_sinks.h"

#include <cmath>

#include "base/run_end.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "output/layer_schemas.h"
#include "output/row_layouts.h"
#include "text/line_end.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::string_view kBedSymbol = "    Symbol (41,65535,8,\"MapInfo Symbols\",16,0)";
constexpr std::string_view kGroupSymbol[3] = {"    Symbol (32,65535,5)", "    Symbol (33,16711935,5)",
                                              "    Symbol (32,16776960,4)"};

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

CsvSink::CsvSink(Workspace& ws, const SectionsView& view)
    : ws_(ws), style_(view.style), heading_(CsvRowLayout::heading(view.resistanceLetter)) {}

void CsvSink::write(const SectionView& section, SectionNotes& notes) {
  const std::string& path = section.csvPath;
  UnitHandle file(ws_.files);
  file.open(FileMode::Output, path);
  const int unit = file.unit();
  line_ = quoted(section.id);
  line_ += ',';
  for (const std::string& source : section.sources) {
    line_ += quoted(source);
    line_ += ',';
  }
  ws_.files.units.writeLine(unit, line_);
  ws_.files.units.writeLine(unit, heading_);
  if (section.prepared != nullptr && !section.prepared->csvRows.empty()) {
    ws_.files.units.write(unit, section.prepared->csvRows);
  } else {
    writeRows(section, unit, notes);
  }
  if (!section.stopMessage.empty()) {
    ws_.out.say(section.stopMessage);
    ws_.out.exits(kExitFailure);
  }
  file.close();
  ++ws_.tally.csvWritten;
}

void CsvSink::prepare(const SectionView& section, PreparedText& text) const {
  std::string& rows = text.csvRows;
  rows.clear();
  std::string wide;
  for (const CsvRow& row : section.rows) {
    // A value written in full is reported, so its section is left to write().
    if (!CsvRowLayout::append(rows, row, style_, wide)) {
      rows.clear();
      return;
    }
    rows += kLineEnd;
  }
}

void CsvSink::writeRows(const SectionView& section, int unit, SectionNotes& notes) {
  for (const CsvRow& row : section.rows) {
    std::string& line = ws_.files.units.startLine(unit);
    if (!CsvRowLayout::append(line, row, style_, number_)) notes.widened(number_, section.csvPath);
    ws_.files.units.endLine(unit);
  }
}

LayerSink::LayerSink(Workspace& ws, LayerSchema schema, bool stayOpen)
    : ws_(ws), name_(schema.name), geom_(ws.files), attr_(ws.files), schema_(std::move(schema)),
      stayOpen_(stayOpen) {
  miInitObject(type_);
  type_.kind = schema_.geometry;
}

void LayerSink::open(int headerUnit) {
  miOpenLayer(ws_.layers, ADDFOLDER(ws_.settings.outFolder, name_), geom_.unit(), attr_.unit(), FileMode::Output);
  miCopyHeader(ws_.files, headerUnit, geom_.unit());
  miWriteColumns(ws_.files, geom_.unit(), schema_);
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
  if (!miWriteObject(ws_.files, geom_.unit(), type_, x, y, n, clause, "", &number_)) notes.widened(number_, name_ + ".mif");
}

bool LayerSink::formatObject(std::string& out, const double* x, const double* y, int n, std::string_view clause) const {
  const std::size_t start = out.size();
  if (miFormatObject(out, type_, x, y, n, clause, "")) return true;
  out.resize(start);
  return false;
}

void LayerSink::writePointRow(std::string_view quotedId, float z, SectionNotes& notes) {
  std::string& line = ws_.files.units.startLine(attr_.unit());
  if (!PointRowLayout::append(line, quotedId, z, number_)) notes.widened(number_, name_ + ".mid");
  ws_.files.units.endLine(attr_.unit());
}

SectionLineSink::SectionLineSink(Workspace& ws, const SectionsView& view)
    : LayerSink(ws, sectionLineSchema(view.sourceWidth), false) {
  const std::string letter(1, view.resistanceLetter);
  sourceTail_ = ",\"XZ\",\"" + letter + "P\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0";
}

void SectionLineSink::write(const SectionView& section, SectionNotes& notes) {
  if (section.lineX.empty()) {
    ws_.out.newline();
    ws_.out.warning(
        "Cross-section \"" + section.id + "\" has no points to draw in 1d_xs - its line is left out of 1d_xs",
        section.id);
    return;
  }
  if (section.prepared != nullptr && !section.prepared->lineObject.empty()) {
    ws_.files.units.write(geom_.unit(), section.prepared->lineObject);
  } else {
    writeObject(section.lineX.data(), section.lineY.data(), static_cast<int>(section.lineX.size()), "", notes);
  }
  line_ = quoted(section.source);
  line_ += sourceTail_;
  ws_.files.units.writeLine(attr_.unit(), line_);
}

void SectionLineSink::prepare(const SectionView& section, PreparedText& text) const {
  text.lineObject.clear();
  if (section.lineX.empty()) return;
  formatObject(text.lineObject, section.lineX.data(), section.lineY.data(), static_cast<int>(section.lineX.size()), "");
}

BedPointSink::BedPointSink(Workspace& ws, const SectionsView& view)
    : LayerSink(ws, sectionPointSchema("_xs_bed_points"), view.pointLayersStayOpen) {}

void BedPointSink::write(const SectionView& section, SectionNotes& notes) {
  if (!section.bed) return;
  writeObject(&section.bed->mapX, &section.bed->mapY, 1, kBedSymbol, notes);
  writePointRow(quoted(section.id), section.bed->z, notes);
}

DemPointsSink::DemPointsSink(Workspace& ws, const SectionsView& view)
    : LayerSink(ws, demPointSchema(), view.pointLayersStayOpen) {
  for (const std::string& dem : view.demNames) quotedDems_.push_back(quoted(std::string_view(dem).substr(0, kDemNameColumn)));
}

void DemPointsSink::write(const SectionView& section, SectionNotes& notes) {
  if (section.demPoints.empty()) return;
  const std::string id = quoted(section.id);
  for (const DemPointView& pt : section.demPoints) {
    writeObject(&pt.mapX, &pt.mapY, 1, kGroupSymbol[groupNumber(pt.group) - 1], notes);
    line_.clear();
    const std::size_t dem = static_cast<std::size_t>(pt.dem);
    if (!DemPointRowLayout::append(line_, id, pt, dem < quotedDems_.size() ? quotedDems_[dem] : "\"\"", number_))
      notes.widened(number_, name_ + ".mid");
    ws_.files.units.writeLine(attr_.unit(), line_);
  }
}

AllPointsSink::AllPointsSink(Workspace& ws, const SectionsView& view)
    : LayerSink(ws, sectionPointSchema("_xs_all_points"), view.pointLayersStayOpen) {}

void AllPointsSink::prepare(const SectionView& section, PreparedText& text) const {
  std::string& objects = text.pointObjects;
  std::string& rows = text.pointRows;
  objects.clear();
  rows.clear();
  const std::string id = quoted(section.id);
  std::string wide;
  for (const DrawnPoint& pt : section.points) {
    // A value written in full is reported, so its section is left to write().
    if (!formatObject(objects, &pt.mapX, &pt.mapY, 1, kGroupSymbol[groupNumber(pt.group) - 1]) ||
        !PointRowLayout::append(rows, id, pt.z, wide)) {
      objects.clear();
      rows.clear();
      return;
    }
    rows += kLineEnd;
  }
}

void AllPointsSink::write(const SectionView& section, SectionNotes& notes) {
  if (section.prepared != nullptr && !section.prepared->pointObjects.empty()) {
    ws_.files.units.write(geom_.unit(), section.prepared->pointObjects);
    ws_.files.units.write(attr_.unit(), section.prepared->pointRows);
    return;
  }
  quotedId_ = quoted(section.id);  // once for every row of the section
  for (const DrawnPoint& pt : section.points) {
    writeObject(&pt.mapX, &pt.mapY, 1, kGroupSymbol[groupNumber(pt.group) - 1], notes);
    writePointRow(quotedId_, pt.z, notes);
  }
}

}  // namespace kestrix
