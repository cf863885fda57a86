// The 1d_nwk and 1d_branches layers of a MIKE 11 conversion. 1d_nwk gets one
// channel with 22 attributes between consecutive sections of a branch;
// 1d_branches gets every branch of the network, named after it.

#include "output/mike11_layers.h"

#include <algorithm>
#include <vector>

#include "base/run_end.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "mif/layer_schema.h"
#include "mif/mif.h"
#include "output/layer_schemas.h"
#include "output/row_layouts.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::string_view kPen = "    Pen (2,59,255)";

miObjectType polyline() {
  miObjectType type;
  miInitObject(type);
  type.kind = MifObjectKind::Pline;
  return type;
}

void closePair(UnitHandle& geom, UnitHandle& attr) {
  geom.close();
  attr.close();
}

// Values too wide for their columns are written in full; the user is told once per object.
void noteWidened(Reporter& out, std::string_view what, const std::string& value, std::string_view file) {
  out.newline();
  // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) of a string that begins with a one-character literal.
  std::string text(1, '"');
  text.append(what).append("\": the value ").append(TRIMF(value)).append(" does not fit its column in ");
  text.append(file).append(" - written in full");
  out.warning(text);
}

}  // namespace

void M11NetworkLayers::open(const std::string& outFolder, int projectionUnit) {
  const std::string nwk = ADDFOLDER(outFolder, "1d_nwk");
  const std::string branches = ADDFOLDER(outFolder, "1d_branches");
  guardOutputs(ws_.files, {nwk + ".mif", nwk + ".mid", branches + ".mif", branches + ".mid"});
  miOpenLayer(ws_.layers, nwk, nwkGeom_.unit(), nwkAttr_.unit(), FileMode::Output);
  miCopyHeader(ws_.files, projectionUnit, nwkGeom_.unit());
  miOpenLayer(ws_.layers, branches, branchesGeom_.unit(), branchesAttr_.unit(), FileMode::Output);
  miCopyHeader(ws_.files, projectionUnit, branchesGeom_.unit());
  miWriteColumns(ws_.files, nwkGeom_.unit(), networkSchema());
  miWriteColumns(ws_.files, branchesGeom_.unit(), branchesSchema());
  // The report shows what these layers hold, and nothing of an earlier network.
  if (report_ != nullptr) {
    report_->channels.clear();
    report_->branches.clear();
  }
}

void M11NetworkLayers::channel(const M11Channel& channel) {
  const std::string& id = channel.id;
  std::string wide;
  if (!miWriteObject(ws_.files, nwkGeom_.unit(), polyline(), channel.x.data(), channel.y.data(),
                     static_cast<int>(channel.x.size()), kPen, "", &wide))
    noteWidened(ws_.out, id, wide, "1d_nwk.mif");
  if (report_ != nullptr) report_->channels.push_back(PlanLine{id, channel.x, channel.y});

  const float length = channel.length;
  const std::string zero63 = formatFixed(0.0, 6, 3);
  // The identifier is written bare, as the layer's readers expect, unless a
  // comma or a quote in the branch name would break the row.
  std::string row = quotedWhenNeeded(id);
  row += ",S,F,T,";
  constexpr FixedField kLength = NetworkRowLayout::kLength;
  const std::string lengthText = formatFixedFull(length, kLength.width, kLength.decimals);
  if (lengthText.size() > static_cast<std::size_t>(kLength.width)) noteWidened(ws_.out, id, lengthText, "1d_nwk.mid");
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
  row += quoted(significant(ws_.store[channel.upstream].id));
  row += ',';
  row += quoted(significant(ws_.store[channel.downstream].id));
  ws_.files.units.writeLine(nwkAttr_.unit(), row);
}

void M11NetworkLayers::close(const std::vector<M11BranchLine>& branches) {
  closePair(nwkGeom_, nwkAttr_);
  for (const M11BranchLine& line : branches) {
    std::string wide;
    if (!miWriteObject(ws_.files, branchesGeom_.unit(), polyline(), line.x.data(), line.y.data(),
                       static_cast<int>(line.x.size()), kPen, "", &wide))
      noteWidened(ws_.out, significant(line.name), wide, "1d_branches.mif");
    if (report_ != nullptr) report_->branches.push_back(PlanLine{std::string(significant(line.name)), line.x, line.y});
    std::string name = fitField(line.name, kM11NameWidth);
    if (needsQuotes(name)) {
      // Quoted without its padding: the blanks would only sit inside the quotes.
      ws_.files.units.writeLine(branchesAttr_.unit(), quoted(name));
      continue;
    }
    name.resize(kM11NameWidth, ' ');
    ws_.files.units.writeLine(branchesAttr_.unit(), name);
  }
  closePair(branchesGeom_, branchesAttr_);
}

void M11NetworkLayers::abandon() {
  closePair(nwkGeom_, nwkAttr_);
  closePair(branchesGeom_, branchesAttr_);
}

}  // namespace kestrix
