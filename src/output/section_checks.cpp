#include "output/section_checks.h"

#include <algorithm>
#include <cmath>

#include "output/layer_schemas.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::string_view kCheckSymbol = "    Symbol (34,16711680,12)";

std::string number(double value) { return formatFixedFull(value, 0, 3); }

std::string named(std::string_view id) { return "Cross-section \"" + std::string(id) + "\""; }

// Where a row's finding is drawn: at its point when the mode gives every point
// a place, else at the section's first vertex.
void rowPlace(const SectionView& s, std::size_t row, bool pointsPlaced, double& x, double& y) {
  if (pointsPlaced && row < s.rowMapX.size()) {
    x = s.rowMapX[row];
    y = s.rowMapY[row];
  } else if (!s.lineX.empty()) {
    x = s.lineX.front();
    y = s.lineY.front();
  } else if (!s.rowMapX.empty()) {
    x = s.rowMapX.front();
    y = s.rowMapY.front();
  }
}

}  // namespace

SectionChecker::SectionChecker(Workspace& ws, const SectionsView& view, std::vector<CheckFinding>& findings)
    : ws_(ws), findings_(findings) {
  kept_.reserve(view.sections.size());
}

void SectionChecker::write(const SectionView& section, SectionNotes&) {
  Kept k;
  k.id = section.id;
  k.vertex = lineX_.size();
  k.vertices = std::min(section.lineX.size(), section.lineY.size());
  lineX_.insert(lineX_.end(), section.lineX.begin(), section.lineX.begin() + static_cast<std::ptrdiff_t>(k.vertices));
  lineY_.insert(lineY_.end(), section.lineY.begin(), section.lineY.begin() + static_cast<std::ptrdiff_t>(k.vertices));
  k.reach = section.reach;
  rowPlace(section, 0, false, k.firstX, k.firstY);
  // The bed is the lowest written C level that is ground: a no-data value is a finding of its own.
  for (const CsvRow& row : section.rows) {
    if (row.group != Group::kCentre || noDataLevel(row.z)) continue;
    if (!k.bed || row.z < *k.bed) k.bed = row.z;
  }
  k.bedX = section.bed ? section.bed->mapX : k.firstX;
  k.bedY = section.bed ? section.bed->mapY : k.firstY;

  const std::size_t index = kept_.size();
  const bool pointsPlaced = ws_.settings.mode != RunMode::Mike11;
  std::vector<float>& x = rowX_;
  std::vector<float>& z = rowZ_;
  x.resize(section.rows.size());
  z.resize(section.rows.size());
  for (std::size_t r = 0; r < section.rows.size(); ++r) {
    x[r] = section.rows[r].x;
    z[r] = section.rows[r].z;
  }
  for (const RowFinding& f : checkRows(x, z)) {
    CheckFinding out{f.kind, index, section.id, named(section.id), 0.0, 0.0};
    const std::string point = "point " + std::to_string(f.row + 1);
    if (f.kind == CheckKind::OffsetsBack) {
      out.text += ": the offset goes back from " + number(x[f.row - 1]) + " to " + number(x[f.row]) + " at " + point;
    } else if (f.kind == CheckKind::RepeatedPoint) {
      out.text += ": " + point + " repeats the point before it (offset " + number(x[f.row]) + ", level " +
                  number(z[f.row]) + ")";
    } else {
      out.text += ": " + point + " has the level " + number(z[f.row]) + ", a no-data value";
    }
    rowPlace(section, f.row, pointsPlaced, out.x, out.y);
    findings_.push_back(std::move(out));
  }
  const bool centre = std::any_of(section.rows.begin(), section.rows.end(),
                                  [](const CsvRow& row) { return row.group == Group::kCentre; });
  if (section.rows.size() < 3 || !centre) {
    CheckFinding out{CheckKind::ShortSection, index, section.id, named(section.id), k.firstX, k.firstY};
    const std::size_t n = section.rows.size();
    if (n < 3) out.text += " has only " + std::to_string(n) + (n == 1 ? " point" : " points");
    if (n < 3 && !centre) out.text += " and";
    if (!centre) out.text += " has no C point";
    findings_.push_back(std::move(out));
  }
  kept_.push_back(std::move(k));
}

void SectionChecker::close() {
  std::vector<CheckedLine> lines;
  std::vector<int> reach;
  std::vector<std::optional<double>> beds;
  lines.reserve(kept_.size());
  for (const Kept& k : kept_) {
    lines.push_back(CheckedLine{std::span<const double>(lineX_).subspan(k.vertex, k.vertices),
                                std::span<const double>(lineY_).subspan(k.vertex, k.vertices)});
    reach.push_back(k.reach);
    beds.push_back(k.bed);
  }
  for (const Crossing& c : findCrossings(lines)) {
    findings_.push_back(CheckFinding{CheckKind::Crossing, c.first, kept_[c.first].id,
                                     named(kept_[c.first].id) + " crosses cross-section \"" + kept_[c.second].id + "\" at (" +
                                         number(c.x) + ", " + number(c.y) + ")",
                                     c.x, c.y});
  }
  for (const std::size_t i : findReversed(lines, reach)) {
    const Kept& k = kept_[i];
    findings_.push_back(CheckFinding{CheckKind::Reversed, i, k.id,
                                     named(k.id) + " is drawn the other way from its neighbours \"" +
                                         kept_[i - 1].id + "\" and \"" + kept_[i + 1].id +
                                         "\" - its left and right banks are swapped",
                                     k.firstX, k.firstY});
  }
  for (const std::size_t i : findBedJumps(beds, reach, ws_.settings.checks.bedJump)) {
    const Kept& k = kept_[i];
    const double step = std::min(std::abs(*k.bed - *kept_[i - 1].bed), std::abs(*k.bed - *kept_[i + 1].bed));
    const bool below = *k.bed < *kept_[i - 1].bed;
    findings_.push_back(CheckFinding{CheckKind::BedJump, i, k.id,
                                     named(k.id) + ": its bed level " + number(*k.bed) + " is at least " +
                                         number(step) + (below ? " below" : " above") + " the beds of \"" +
                                         kept_[i - 1].id + "\" (" + number(*kept_[i - 1].bed) + ") and \"" +
                                         kept_[i + 1].id + "\" (" + number(*kept_[i + 1].bed) + ")",
                                     k.bedX, k.bedY});
  }
  std::stable_sort(findings_.begin(), findings_.end(), [](const CheckFinding& a, const CheckFinding& b) {
    return a.index != b.index ? a.index < b.index : a.kind < b.kind;
  });
  RunTally& tally = ws_.tally;
  tally.checkFindings.assign(kCheckKinds, 0);
  if (!findings_.empty()) ws_.out.newline();
  for (const CheckFinding& f : findings_) {
    ++tally.checkFindings[static_cast<std::size_t>(f.kind)];
    ws_.out.say(Message{Severity::Check, f.text, f.id, {}, false});
  }
}

CheckPointsSink::CheckPointsSink(Workspace& ws, const std::vector<CheckFinding>& findings)
    : LayerSink(ws, checkPointSchema(), false), findings_(findings) {}

void CheckPointsSink::close() {
  SectionNotes notes(ws_.out);
  for (const CheckFinding& f : findings_) {
    notes.start(f.id);
    writeObject(&f.x, &f.y, 1, kCheckSymbol, notes);
    line_ = quoted(f.id);
    line_ += ',';
    line_ += quoted(checkName(f.kind));
    line_ += ',';
    line_ += quoted(std::string_view(f.text).substr(0, kCheckMessageColumn));
    ws_.files.units.writeLine(attr_.unit(), line_);
  }
  LayerSink::close();
}

}  // namespace kestrix
