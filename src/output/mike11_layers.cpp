// The 1d_nwk and 1d_branches layers of a MIKE 11 conversion. 1d_nwk gets one
// channel with 22 attributes between consecutive sections of a branch;
// 1d_branches gets every branch of the network, named after it.

#include "output/mike11_layers.h"

#include <algorithm>
#include <vector>

#include "base/run_end.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "mif/mif.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::string_view kPen = "    Pen (2,59,255)";
constexpr int kMaxChannelVertices = 100000;
constexpr std::size_t kIdPrefixLength = 8;
constexpr std::size_t kIdLength = 12;  // the ID column is Char(12)

void writeNwkColumns(FileAccess& ctx, int unit) {
  const std::string idColumn = "Char(" + std::to_string(kIdWidth) + ")";
  static constexpr std::string_view kColumns[] = {
      "Columns 22",           "  ID Char(12)",         "  Type Char(4)",         "  Ignore Logical",
      "  UCS Logical",        "  Len_or_ANA Float",    "  n_or_n_F Float",       "  US_Invert Float",
      "  DS_Invert Float",    "  Form_Loss Float",     "  pBlockage Float",      "  Inlet_Type Char(12)",
      "  Conn_2D Char(4)",    "  Conn_No Integer",     "  Width_or_Dia Float",   "  Height_or_WF Float",
      "  Number_of Integer",  "  Height_Cont Float",   "  Width_Cont Float",     "  Entry_Loss Float",
      "  Exit_Loss Float"};
  for (const std::string_view line : kColumns) ctx.units.writeLine(unit, line);
  ctx.units.writeLine(unit, "  US_XSect " + idColumn);
  ctx.units.writeLine(unit, "  DS_XSect " + idColumn);
  ctx.units.writeLine(unit, "Data");
  ctx.units.writeLine(unit, "");
}

void writeBranchesColumns(FileAccess& ctx, int unit) {
  ctx.units.writeLine(unit, "Columns 1");
  ctx.units.writeLine(unit, "  Branch Char(200)");
  ctx.units.writeLine(unit, "Data");
  ctx.units.writeLine(unit, "");
}

miObjectType polyline() {
  miObjectType type;
  miInitObject(type);
  type.kind = miObjectKind::Pline;
  return type;
}

void closePair(UnitHandle& geom, UnitHandle& attr) {
  geom.close();
  attr.close();
}

// Values too wide for their columns are written in full; the user is told once per object.
void noteWidened(Reporter& out, std::string_view what, const std::string& value, std::string_view file) {
  out.newline();
  out.warning("\"" + std::string(what) + "\": the value " + TRIMF(value) + " does not fit its column in " +
              std::string(file) + " - written in full");
}

// The identifier of a channel: the first 8 characters of the branch name in
// capitals and the counter of at least 4 digits. A counter of 5 digits or
// more takes its room from the name, so that the identifier keeps within its
// column: cut there, it would repeat an earlier one.
std::string channelId(const std::string& name, int counter) {
  const std::string digits = AINTEGERPREC0(counter, 4);
  const std::size_t room = digits.size() < kIdLength ? kIdLength - digits.size() : 0;
  return std::string(significant(UPPERCASE(std::string_view(name).substr(0, std::min(kIdPrefixLength, room))))) +
         digits;
}

}  // namespace

void M11NetworkLayers::open(const std::string& outFolder, int projectionUnit) {
  const std::string nwk = ADDFOLDER(outFolder, "1d_nwk");
  const std::string branches = ADDFOLDER(outFolder, "1d_branches");
  guardOutputs(ctx_.files, {nwk + ".mif", nwk + ".mid", branches + ".mif", branches + ".mid"});
  miOpenLayer(ctx_.layers, nwk, nwkGeom_.unit(), nwkAttr_.unit(), FileMode::Output);
  miCopyHeader(ctx_.files, projectionUnit, nwkGeom_.unit());
  miOpenLayer(ctx_.layers, branches, branchesGeom_.unit(), branchesAttr_.unit(), FileMode::Output);
  miCopyHeader(ctx_.files, projectionUnit, branchesGeom_.unit());
  writeNwkColumns(ctx_.files, nwkGeom_.unit());
  writeBranchesColumns(ctx_.files, branchesGeom_.unit());
  // The report shows what these layers hold, and nothing of an earlier network.
  if (report_ != nullptr) {
    report_->channels.clear();
    report_->branches.clear();
  }
}

M11Channel m11Channel(Workspace& ctx, const Mike11Tables& tables, int b, const M11Crossing& previous,
                      const M11Crossing& current, int counter) {
  const m11Branch& branch = tables.branches[static_cast<std::size_t>(b) - 1];
  M11Channel channel;
  auto add = [&](double vx, double vy) {
    if (static_cast<int>(channel.x.size()) + 1 > kMaxChannelVertices) {
      ctx.out.say("Exceeded maximum allowable channel points");
      ctx.out.halt(kExitFailure);
    }
    channel.x.push_back(vx);
    channel.y.push_back(vy);
  };
  add(previous.x, previous.y);
  // The network points between the two sections, along the branch's own
  // point list (none when both lie on one segment or chainage decreases).
  const int first = std::max(previous.segment, 1);
  const int last = std::min(current.segment - 1, branch.NPoints);
  for (int i = first; i <= last; ++i) {
    const m11Point& p = tables.points[static_cast<std::size_t>(branch.Points[static_cast<std::size_t>(i) - 1]) - 1];
    add(p.X, p.Y);
  }
  add(current.x, current.y);
  channel.id = channelId(branch.Name, counter);
  channel.length = current.chainage - previous.chainage;
  return channel;
}

std::vector<M11BranchLine> m11BranchLines(const Mike11Tables& tables) {
  std::vector<M11BranchLine> lines;
  for (int b = 1; b <= tables.nBranches; ++b) {
    const m11Branch& branch = tables.branches[static_cast<std::size_t>(b) - 1];
    M11BranchLine line;
    line.branch = b;
    // A point number that is not in the point table has no position to draw.
    const int n = std::min(branch.NPoints, static_cast<int>(branch.Matched.size()));
    for (int i = 0; i < n; ++i) {
      if (!branch.Matched[static_cast<std::size_t>(i)]) continue;
      const m11Point& p = tables.points[static_cast<std::size_t>(branch.Points[static_cast<std::size_t>(i)]) - 1];
      line.x.push_back(p.X);
      line.y.push_back(p.Y);
    }
    if (line.x.size() < 2) continue;  // a line needs two vertices
    lines.push_back(std::move(line));
  }
  return lines;
}

void M11NetworkLayers::channel(int b, const M11Crossing& previous, const M11Crossing& current, int counter) {
  const M11Channel channel = m11Channel(ctx_, tables_, b, previous, current, counter);
  const std::string& id = channel.id;
  std::string wide;
  if (!miWriteObject(ctx_.files, nwkGeom_.unit(), polyline(), channel.x.data(), channel.y.data(),
                     static_cast<int>(channel.x.size()), kPen, "", &wide))
    noteWidened(ctx_.out, id, wide, "1d_nwk.mif");
  if (report_ != nullptr) report_->channels.push_back(PlanLine{id, channel.x, channel.y});

  const float length = channel.length;
  const std::string zero63 = formatFixed(0.0, 6, 3);
  // The identifier is written bare, as the layer's readers expect, unless a
  // comma or a quote in the branch name would break the row.
  std::string row = quotedWhenNeeded(id);
  row += ",S,F,T,";
  const std::string lengthText = formatFixedFull(length, 8, 1);
  if (lengthText.size() > 8) noteWidened(ctx_.out, id, lengthText, "1d_nwk.mid");
  row += lengthText + ",";
  row += formatFixed(1.0, 6, 3) + ",";
  row += formatFixed(0.0, 10, 3) + ",";
  row += formatFixed(0.0, 10, 3) + ",";
  row += formatFixed(0.0, 6, 2) + ",";
  row += "0,,,";
  row += formatInt(0, 10) + ",";
  row += formatFixed(0.0, 8, 3) + ",";
  row += formatFixed(0.0, 8, 3) + ",";
  row += formatInt(0, 5) + ",";
  row += zero63 + "," + zero63 + "," + zero63 + "," + zero63 + ",";
  row += quoted(significant(ctx_.store[previous.section].id));
  row += ',';
  row += quoted(significant(ctx_.store[current.section].id));
  ctx_.files.units.writeLine(nwkAttr_.unit(), row);
}

void M11NetworkLayers::close() {
  closePair(nwkGeom_, nwkAttr_);
  for (const M11BranchLine& line : m11BranchLines(tables_)) {
    const m11Branch& branch = tables_.branches[static_cast<std::size_t>(line.branch) - 1];
    std::string wide;
    if (!miWriteObject(ctx_.files, branchesGeom_.unit(), polyline(), line.x.data(), line.y.data(),
                       static_cast<int>(line.x.size()), kPen, "", &wide))
      noteWidened(ctx_.out, significant(branch.Name), wide, "1d_branches.mif");
    if (report_ != nullptr) report_->branches.push_back(PlanLine{std::string(significant(branch.Name)), line.x, line.y});
    std::string name = fitField(branch.Name, kM11NameWidth);
    if (needsQuotes(name)) {
      // Quoted without its padding: the blanks would only sit inside the quotes.
      ctx_.files.units.writeLine(branchesAttr_.unit(), quoted(name));
      continue;
    }
    name.resize(kM11NameWidth, ' ');
    ctx_.files.units.writeLine(branchesAttr_.unit(), name);
  }
  closePair(branchesGeom_, branchesAttr_);
}

void M11NetworkLayers::abandon() {
  closePair(nwkGeom_, nwkAttr_);
  closePair(branchesGeom_, branchesAttr_);
}

}  // namespace kestrix
