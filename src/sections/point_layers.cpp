// The survey point layers of GIS mode: every point object of a layer, with its
// Z, MNR, LCR and XS_ID from the .mid row, is appended to its section.

#include <string>
#include <vector>

#include "driver/run_context.h"
#include "files/file_units.h"
#include "mif/mif.h"
#include "sections/layer_open.h"
#include "sections/identifiers.h"
#include "sections/layers.h"
#include "text/freeformat.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::size_t kMifLine = 1000;  // characters of a .mif line the reader keeps
constexpr std::size_t kIdField = 100;   // characters of an XS_ID

// Position group of an LCR value: its first letter, C for anything else.
int groupOf(const std::string& lcr) {
  const char c = lcr.empty() ? ' ' : lcr[0];
  if (c == 'L' || c == 'l') return kLeft;
  if (c == 'R' || c == 'r') return kRight;
  return kCentre;
}

// Reads the .mid row that belongs to the object just met. False, with the
// message printed and errFound set, when there is none.
bool readRecord(RunContext& ctx, int attrUnit, std::string& record) {
  if (ctx.units.atEnd(attrUnit)) {
    ctx.say("ERROR - End of File encountered reading points");
    ctx.settings.errFound = true;
    return false;
  }
  const ReadStatus status = ctx.units.readLine(attrUnit, record);
  if (status == ReadStatus::End) {
    ctx.say("ERROR - End of File encountered reading points");
    ctx.settings.errFound = true;
    return false;
  }
  if (status == ReadStatus::Error) {
    ctx.say("ERROR - Reading points data");
    ctx.settings.errFound = true;
    return false;
  }
  return true;
}

}  // namespace

void xsReadPoints(RunContext& ctx, const std::string& layer) {
  const std::string layerName(significant(layer));
  ctx.newline();
  ctx.say("Reading Cross-Section Points from " + layerName + "...");

  int geomUnit = 0;
  int attrUnit = 0;
  if (!openSurveyLayer(ctx, layer, geomUnit, attrUnit)) return;

  // Buffers reused for every object of the layer.
  std::string line;
  std::string rest;
  std::string record;
  std::string report;
  std::vector<double> nodeX(2, 0.0);
  std::vector<double> nodeY(2, 0.0);
  miObjectType type;
  GisReadState& last = ctx.gis;

  // The .mid holds one row per object, so the objects of the .mif decide
  // where the layer ends; rows left over after the last object are not read.
  while (!ctx.units.atEnd(geomUnit)) {
    const ReadStatus status = ctx.units.readLine(geomUnit, line);
    if (status == ReadStatus::End) break;
    if (status == ReadStatus::Error) {
      ctx.say("ERROR - Reading points data");
      ctx.settings.errFound = true;
      return;
    }
    if (line.size() > kMifLine) line.resize(kMifLine);
    if (!miReadObjectType(ctx, line, rest, type)) continue;

    if (!type.point) {
      if (!readRecord(ctx, attrUnit, record)) return;
      if (type.line || type.pline) ctx.settings.linesFound = true;
      continue;
    }

    int nodes = 0;
    double centreX = 0.0;
    double centreY = 0.0;
    if (!miReadObject(ctx, rest, geomUnit, type, nodeX, nodeY, 2, nodes, centreX, centreY)) {
      ctx.say(" Erroneous line: " + std::string(significant(line)));
      ctx.say(" ERROR - Reading cross-section point object");
      ctx.exits(kExitFailure);
    }
    if (!readRecord(ctx, attrUnit, record)) return;

    // A null value keeps the value of the same column of the previous point
    // record of the run; a record with fewer than four values is refused so
    // that it cannot borrow values from the next row.
    FreeFormatReader values(record);
    if (!values.readFloat(last.lastZ) || !values.readFloat(last.lastMnr) || !values.readText(last.lastLcr, 1) ||
        !values.readText(last.lastXsId, kIdField)) {
      ctx.say("ERROR - Reading points data");
      ctx.settings.errFound = true;
      return;
    }
    const std::string_view idAsRead = significant(last.lastXsId);

    bool found = false;
    const int s = xsFindID(ctx, last.lastXsId, found);
    const int g = groupOf(last.lastLcr);
    Section& section = ctx.store[s];
    if (section.ptCount(g) + 1 > ctx.settings.mpt) {
      ctx.say("ERROR - Exceeded number of allowable points per cross-section section.");
      ctx.say("        Cross-section \"" + std::string(idAsRead) + "\" in \"" + layerName + "\"");
      ctx.exits(kExitFailure);
    }
    StorePoint pt;
    pt.mapX = nodeX[0];
    pt.mapY = nodeY[0];
    pt.z = last.lastZ;
    pt.mnr = last.lastMnr;
    const int count = section.append(g, pt);

    report.assign(" Read ");
    report += groupLetter(g);
    report += " point";
    report += formatInt(count, 5);
    report += " for XS ";
    report += idAsRead;
    ctx.say(report);
  }

  CLOSER(ctx, geomUnit);
  CLOSER(ctx, attrUnit);
}

}  // namespace kestrix
