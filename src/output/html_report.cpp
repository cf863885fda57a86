#include "output/html_report.h"

#include <algorithm>

#include "files/paths.h"
#include "output/html_checks.h"
#include "output/html_text.h"
#include "output/report_template.h"
#include "output/row_layouts.h"
#include "output/run_summary.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::string_view kMarkers[] = {"<!--kestrix:style-->", "<!--kestrix:sections-->", "<!--kestrix:header-->",
                                         "<!--kestrix:run-->", "<!--kestrix:script-->"};

// A console line without the blanks around it.
std::string_view shownMessage(std::string_view line) {
  const std::size_t start = line.find_first_not_of(' ');
  if (start == std::string_view::npos) return std::string_view();
  return significant(line.substr(start));
}

// Added to the page of a run with a terrain model: the points taken from it
// are drawn hollow in each section's chart, marked as its chart is drawn.
constexpr std::string_view kDemPointsScript = R"js((function () {
  'use strict';
  var css = document.createElement('style');
  css.textContent = '.plot .points circle.dem { fill: #fff; stroke-width: 1.5; }' +
    ' .plot .points .g1.dem { stroke: var(--left); } .plot .points .g2.dem { stroke: var(--centre); }' +
    ' .plot .points .g3.dem { stroke: var(--right); }';
  document.head.appendChild(css);
  var sections = JSON.parse(document.getElementById('kx-sections').textContent);
  function mark(points) {
    var box = points.closest('section.chart');
    var s = box ? sections[+box.getAttribute('data-index')] : null;
    if (!s || !s.d) return;
    var circles = points.querySelectorAll('circle');
    for (var i = 0; i < circles.length && i < s.d.length; i++) {
      if (s.d.charAt(i) === '1') circles[i].classList.add('dem');
    }
  }
  new MutationObserver(function (records) {
    records.forEach(function (record) {
      record.addedNodes.forEach(function (node) {
        if (node.nodeType !== 1) return;
        var points = node.matches('g.points') ? node : node.querySelector('g.points');
        if (points) mark(points);
      });
    });
  }).observe(document.body, { childList: true, subtree: true });
})();
)js";

// The template split at its marker lines; each marker stands alone on its line.
std::vector<std::string_view> templateParts() {
  std::vector<std::string_view> parts;
  std::string_view rest = kReportPage;
  for (const std::string_view marker : kMarkers) {
    const std::size_t at = rest.find(marker);
    if (at == std::string_view::npos) break;
    parts.push_back(rest.substr(0, at));
    rest.remove_prefix(at + marker.size());
    if (!rest.empty() && rest.front() == '\n') rest.remove_prefix(1);
  }
  parts.push_back(rest);
  return parts;
}

// Appends a JSON array of n elements, each appended by `each(i)`.
template <typename Each>
void appendArray(std::string& out, std::size_t n, Each each) {
  out += '[';
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) out += ',';
    each(i);
  }
  out += ']';
}

void appendCoordinates(std::string& out, const std::vector<double>& values) {
  appendArray(out, values.size(), [&](std::size_t i) { appendJsonCoordinate(out, values[i]); });
}

void appendPlanLines(std::string& out, const std::vector<PlanLine>& lines) {
  appendArray(out, lines.size(), [&](std::size_t i) {
    out += "{\"name\":";
    appendJsonString(out, lines[i].name);
    out += ",\"x\":";
    appendCoordinates(out, lines[i].x);
    out += ",\"y\":";
    appendCoordinates(out, lines[i].y);
    out += '}';
  });
}

// An argument as a shell would need it to be typed again.
std::string shownArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  for (const char c : arg) {
    if (c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string modeText(RunMode mode) {
  switch (mode) {
    case RunMode::Gis: return "GIS layers";
    case RunMode::Isis: return "ISIS conversion (-isis)";
    case RunMode::Mike11: return "MIKE 11 conversion (-m11)";
  }
  return std::string();
}

std::string resistanceText(const SectionsView& view) {
  std::string text(1, view.resistanceLetter);
  switch (view.resistanceLetter) {
    case 'N': text += ": Manning's n"; break;
    case 'R': text += ": relative resistance"; break;
    default: text += ": material numbers"; break;
  }
  switch (view.style) {
    case Resistance::Material1000: text += ", written as material numbers 1000 times n"; break;
    case Resistance::Material: text += ", written as whole numbers"; break;
    case Resistance::Decimal: text += ", written with 3 decimals"; break;
  }
  return text;
}

std::string optionsText(const Settings& st) {
  std::vector<std::string> shown;
  if (st.optN2M) shown.emplace_back("-N2M");
  if (st.optPpol) shown.emplace_back("-ppol");
  if (st.optTrim) shown.emplace_back("-trim");
  if (st.mxs != 10000) shown.push_back("-mxs" + std::to_string(st.mxs));
  if (st.mpt != 1000) shown.push_back("-mpt" + std::to_string(st.mpt));
  if (st.mlp != 20) shown.push_back("-mlp" + std::to_string(st.mlp));
  if (st.optBatch) shown.emplace_back("-batch");
  if (st.optQuiet) shown.emplace_back("-quiet");
  if (st.saveDate == SaveDateCheck::Warning) shown.emplace_back("-savedate:warning");
  if (st.saveDate == SaveDateCheck::Off) shown.emplace_back("-savedate:off");
  if (!st.outOption.empty()) shown.push_back("-out:" + st.outOption);
  if (st.optGpkg) shown.emplace_back("-gpkg");
  shown.emplace_back("-html");
  std::string text;
  for (const std::string& option : shown) text += (text.empty() ? "" : " ") + option;
  return text;
}

// A byte count with thousands separated by commas.
std::string byteCount(std::int64_t bytes) {
  std::string digits = std::to_string(bytes);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
  return digits;
}

}  // namespace

void ReportRecord::keep(const Message& message, std::string_view line) {
  // A note only tells how the run took something: the report lists what asks the user to look.
  if (message.severity == Severity::Note) return;
  messages.push_back(ReportMessage{message.severity, std::string(shownMessage(line)), std::string(message.section)});
}

HtmlReportSink::HtmlReportSink(Workspace& ws, const SectionsView& view, const ReportRecord& record)
    : ws_(ws), view_(view), record_(record), file_(ws.files), parts_(templateParts()) {}

void HtmlReportSink::writeText(std::string_view text) {
  // Line by line, so that the page has the CR LF line ends of every output.
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    ws_.files.units.writeLine(file_.unit(), text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

void HtmlReportSink::open(int) {
  if (parts_.size() != std::size(kMarkers) + 1) {
    // A build whose template lost a marker line cannot make a page.
    ws_.out.newline();
    ws_.out.error("The report template of this build is damaged - nothing was written");
    ws_.out.exits(kExitFailure);
  }
  file_.open(FileMode::Output, ADDFOLDER(ws_.settings.outFolder, kReportName));
  writeText(parts_[0]);
  writeText(kReportStyle);
  writeText(parts_[1]);
}

void HtmlReportSink::write(const SectionView& section, SectionNotes&) {
  if (view_.checks != nullptr) {
    // The long profile of a -check run breaks where the input file or branch changes.
    reaches_.push_back(section.reach);
  }
  line_.clear();
  if (written_ > 0) line_ += ',';
  // An identifier met twice is named by its first section.
  sections_.emplace(section.id, written_++);
  line_ += "{\"id\":";
  appendJsonString(line_, section.id);
  line_ += ",\"csv\":";
  appendJsonString(line_, section.csvPath);
  line_ += ",\"src\":";
  appendArray(line_, section.sources.size(), [&](std::size_t i) { appendJsonString(line_, section.sources[i]); });
  // The rows as the .csv holds them: offsets, levels and resistance values
  // at the decimals written, an empty resistance field as null.
  const std::vector<CsvRow>& rows = section.rows;
  line_ += ",\"x\":";
  appendArray(line_, rows.size(), [&](std::size_t i) { appendJsonFixed(line_, rows[i].x, CsvRowLayout::kX.decimals); });
  line_ += ",\"z\":";
  appendArray(line_, rows.size(), [&](std::size_t i) { appendJsonFixed(line_, rows[i].z, CsvRowLayout::kZ.decimals); });
  line_ += ",\"m\":";
  appendArray(line_, rows.size(), [&](std::size_t i) {
    if (rows[i].mnr == 0.0f) {
      line_ += "null";
      return;
    }
    int decimals = 0;
    const double value = writtenResistance(rows[i].mnr, view_.style, decimals);
    appendJsonFixed(line_, value, decimals);
  });
  line_ += ",\"g\":\"";
  for (const CsvRow& row : rows) line_ += static_cast<char>('0' + groupNumber(row.group));
  // Which rows came from the terrain model, for sections that have any.
  if (std::any_of(rows.begin(), rows.end(), [](const CsvRow& row) { return row.dem; })) {
    line_ += "\",\"d\":\"";
    for (const CsvRow& row : rows) line_ += row.dem ? '1' : '0';
  }
  line_ += "\",\"lx\":";
  appendCoordinates(line_, section.lineX);
  line_ += ",\"ly\":";
  appendCoordinates(line_, section.lineY);
  // The drawn points of a GIS section are the vertices of its line: only their groups are repeated.
  const std::vector<DrawnPoint>& points = section.points;
  bool pointsOnLine = points.size() == section.lineX.size();
  for (std::size_t i = 0; pointsOnLine && i < points.size(); ++i)
    pointsOnLine = points[i].mapX == section.lineX[i] && points[i].mapY == section.lineY[i];
  line_ += ",\"pg\":\"";
  for (const DrawnPoint& p : points) line_ += static_cast<char>('0' + groupNumber(p.group));
  line_ += '"';
  if (!pointsOnLine) {
    line_ += ",\"px\":";
    appendArray(line_, points.size(), [&](std::size_t i) { appendJsonCoordinate(line_, points[i].mapX); });
    line_ += ",\"py\":";
    appendArray(line_, points.size(), [&](std::size_t i) { appendJsonCoordinate(line_, points[i].mapY); });
  }
  if (!section.guideX.empty()) {
    line_ += ",\"gx\":";
    appendCoordinates(line_, section.guideX);
    line_ += ",\"gy\":";
    appendCoordinates(line_, section.guideY);
  }
  if (section.bed) {
    line_ += ",\"bed\":[";
    appendJsonCoordinate(line_, section.bed->mapX);
    line_ += ',';
    appendJsonCoordinate(line_, section.bed->mapY);
    line_ += ',';
    appendJsonFixed(line_, section.bed->z, PointRowLayout::kZ.decimals);
    line_ += ']';
  }
  line_ += '}';
  ws_.files.units.writeLine(file_.unit(), line_);
}

void HtmlReportSink::writeHeader(const std::vector<int>& named) {
  const Settings& st = ws_.settings;
  std::string& h = line_;
  h = "<h1>Kestrix report</h1>\n<p class=\"cmd\"><code>";
  for (std::size_t i = 0; i < record_.commandLine.size(); ++i) {
    if (i > 0) h += ' ';
    appendHtmlText(h, shownArgument(record_.commandLine[i]));
  }
  h += "</code></p>\n<table class=\"facts\">\n<tr><th>Mode</th><td>";
  appendHtmlText(h, modeText(st.mode));
  h += "</td></tr>\n<tr><th>Resistance</th><td>";
  appendHtmlText(h, resistanceText(view_));
  h += "</td></tr>\n<tr><th>Options</th><td>";
  appendHtmlText(h, optionsText(st));
  if (!view_.demNames.empty()) {
    h += "</td></tr>\n<tr><th>DEMs</th><td>";
    for (std::size_t i = 0; i < view_.demNames.size(); ++i) {
      if (i > 0) h += ", ";
      appendHtmlText(h, view_.demNames[i]);
    }
  }
  h += "</td></tr>\n<tr><th>Output folder</th><td>";
  appendHtmlText(h, st.outFolder.empty() ? std::string(".") : st.outFolder);
  h += "</td></tr>\n</table>\n<h2>Inputs</h2>\n<table class=\"inputs\">\n";
  for (const std::string& name : ws_.files.inputs.names()) {
    h += "<tr><td>";
    appendHtmlText(h, name);
    h += "</td><td class=\"num\">";
    const FileStatus input = ws_.files.fs.stat(name);
    h += input.kind == FileStatus::Kind::File ? byteCount(input.bytes) + " bytes" : std::string("size unknown");
    h += "</td></tr>\n";
  }
  h += "</table>\n<h2>Summary</h2>\n<ul class=\"summary\">\n";
  for (const std::string& summary : summaryLines(ws_)) {
    h += "<li>";
    appendHtmlText(h, summary);
    h += "</li>\n";
  }
  h += "</ul>\n<h2 id=\"messages\">Warnings and errors (" + std::to_string(record_.messages.size()) + ")</h2>\n";
  if (record_.messages.empty()) {
    h += "<p>None.</p>\n";
  } else {
    h += "<ol class=\"messages\">\n";
  }
  writeText(h);
  if (record_.messages.empty()) return;
  for (std::size_t i = 0; i < record_.messages.size(); ++i) {
    const ReportMessage& message = record_.messages[i];
    const int s = named[i];
    h = message.severity == Severity::Warning ? "<li class=\"warning\">" : "<li class=\"error\">";
    if (s >= 0) h += "<a href=\"#xs-" + std::to_string(s + 1) + "\">";
    appendHtmlText(h, message.shown);
    if (s >= 0) h += "</a>";
    h += "</li>";
    ws_.files.units.writeLine(file_.unit(), h);
  }
  writeText("</ol>");
}

void HtmlReportSink::writeRunData(const std::vector<int>& named) {
  std::string& j = line_;
  j = "{\"letter\":\"";
  j += view_.resistanceLetter;
  j += "\",\"mode\":";
  appendJsonString(j, modeText(ws_.settings.mode));
  j += ",\"channels\":";
  appendPlanLines(j, record_.channels);
  j += ",\"branches\":";
  appendPlanLines(j, record_.branches);
  j += ",\"messages\":";
  appendArray(j, record_.messages.size(), [&](std::size_t i) {
    j += '[';
    appendJsonString(j, record_.messages[i].shown);
    j += ',' + std::to_string(named[i]) + ']';
  });
  j += '}';
  ws_.files.units.writeLine(file_.unit(), j);
}

void HtmlReportSink::close() {
  std::vector<int> named;
  named.reserve(record_.messages.size());
  for (const ReportMessage& message : record_.messages) {
    const auto it = message.section.empty() ? sections_.end() : sections_.find(message.section);
    named.push_back(it == sections_.end() ? -1 : it->second);
  }
  writeText(parts_[2]);
  writeHeader(named);
  writeText(parts_[3]);
  writeRunData(named);
  writeText(parts_[4]);
  // A -check run's findings go on the plan through the report's script with two calls added; a run without -check
  // gets the script as it is.
  const std::string hooked = view_.checks != nullptr ? hookedReportScript() : std::string();
  if (!hooked.empty()) {
    writeText(checksReportPrelude(*view_.checks, reaches_));
    writeText(hooked);
  } else {
    writeText(kReportScript);
  }
  if (!view_.demNames.empty()) writeText(kDemPointsScript);
  writeText(parts_[5]);
  file_.close();
}

}  // namespace kestrix
