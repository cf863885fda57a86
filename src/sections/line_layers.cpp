// The line objects of GIS mode: each line names its section by its first
// attribute and either fixes where the section's offsets start or, with
// -ppol, is the line its points are projected onto.

#include <string>
#include <vector>

#include "driver/ordering.h"
#include "driver/run_context.h"
#include "files/file_units.h"
#include "mif/mif.h"
#include "sections/layer_open.h"
#include "sections/identifiers.h"
#include "sections/layers.h"
#include "text/freeformat.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::size_t kMifLine = 10000;  // characters of a .mif line the reader keeps
constexpr std::size_t kIdField = 100;    // characters of an XS_ID
constexpr int kNodeLimit = 1000;         // vertices a line object may have
constexpr float kCoincident = 0.0001f;   // vertices closer than this are one vertex
constexpr double kNotFound = -99999.0;   // marks a projection-line slot never filled

// Reads the .mid row that belongs to the object just met. False, with the
// message printed and errFound set, when there is none.
bool readRecord(RunContext& ctx, int attrUnit, std::string& record) {
  ReadStatus status = ReadStatus::End;
  if (!ctx.units.atEnd(attrUnit)) status = ctx.units.readLine(attrUnit, record);
  if (status == ReadStatus::Ok) return true;
  ctx.say(status == ReadStatus::End ? "ERROR - End of File encountered reading lines" : "ERROR - Reading line data");
  ctx.settings.errFound = true;
  return false;
}

// Stores a projection line of at least one vertex, dropping each vertex that lies on
// the vertex read just before it.
void storeProjectionLine(RunContext& ctx, Section& section, const std::vector<double>& x,
                         const std::vector<double>& y, int nodes, std::string_view idAsRead) {
  const auto needed = static_cast<std::size_t>(nodes);
  if (section.ppolX.size() < needed) section.ppolX.resize(needed, kNotFound);
  if (section.ppolY.size() < needed) section.ppolY.resize(needed, kNotFound);
  section.ppolX[0] = x[0];
  section.ppolY[0] = y[0];
  int kept = 1;
  for (int j = 1; j < nodes; ++j) {
    // Neighbours as read: a dropped vertex is still the one the next is compared with.
    if (DISTANCE_8(x[j - 1], y[j - 1], x[j], y[j]) >= kCoincident) {
      section.ppolX[kept] = x[j];
      section.ppolY[kept] = y[j];
      ++kept;
    } else {
      ctx.newline();
      ctx.say("WARNING - Removed coincident point found on projection line \"" + std::string(idAsRead) + "\"");
    }
  }
  section.ppolNv = kept;
  ctx.detail(" Found projection line for points for XS \"" + std::string(idAsRead) + "\"");
}

}  // namespace

void xsReadLines(RunContext& ctx, const std::string& layer) {
  ctx.newline();
  ctx.say("Reading Cross-Section Lines from " + std::string(significant(layer)) + "...");

  int geomUnit = 0;
  int attrUnit = 0;
  if (!openSurveyLayer(ctx, layer, geomUnit, attrUnit)) return;

  std::string line;
  std::string rest;
  std::string record;
  std::string id;
  std::vector<double> nodeX(kNodeLimit, 0.0);
  std::vector<double> nodeY(kNodeLimit, 0.0);
  miObjectType type;
  const Settings& set = ctx.settings;

  // As for the points, the .mif decides where the layer ends.
  while (!ctx.units.atEnd(geomUnit)) {
    const ReadStatus status = ctx.units.readLine(geomUnit, line);
    if (status == ReadStatus::End) break;
    if (status == ReadStatus::Error) {
      ctx.say("ERROR - Reading line data");
      ctx.settings.errFound = true;
      return;
    }
    if (line.size() > kMifLine) line.resize(kMifLine);
    if (!miReadObjectType(ctx, line, rest, type)) continue;

    if (!type.line && !type.pline) {
      if (!readRecord(ctx, attrUnit, record)) return;
      continue;
    }

    int nodes = 0;
    double centreX = 0.0;
    double centreY = 0.0;
    if (!miReadObject(ctx, rest, geomUnit, type, nodeX, nodeY, kNodeLimit, nodes, centreX, centreY)) {
      ctx.say(" Erroneous line: " + std::string(significant(line)));
      ctx.say(" ERROR - Reading cross-section line object");
      ctx.exits(kExitFailure);
    }
    if (!readRecord(ctx, attrUnit, record)) return;

    // Only the first value is the identifier; a record without any value is
    // refused rather than read on into the next row.
    FreeFormatReader values(record);
    if (!values.readText(id, kIdField)) {
      ctx.say("ERROR - Reading line data");
      ctx.settings.errFound = true;
      return;
    }
    const std::string idAsRead(significant(id));

    if (set.optPpol && nodes > set.mlp) {
      ctx.say("ERROR - Cannot have lines with more than " + AINTEGER(set.mlp) +
              " vertices if using the -project option.  See XS line \"" + idAsRead + "\"");
      ctx.settings.errFound = true;
      continue;
    }

    bool found = false;
    const int s = xsFindID(ctx, id, found);
    if (!found) {
      ctx.say("ERROR - Could not find any points with same ID as XS line \"" + idAsRead + "\"");
      ctx.settings.errFound = true;
      continue;
    }
    Section& section = ctx.store[s];

    if (nodes < 1) {
      // A polyline of no vertex fixes nothing; the section keeps what it had.
      ctx.say("WARNING - Line for XS \"" + idAsRead + "\" has no vertices - IGNORING");
      continue;
    }
    if (set.optPpol) {
      storeProjectionLine(ctx, section, nodeX, nodeY, nodes, idAsRead);
    } else {
      section.startX = nodeX[0];
      section.startY = nodeY[0];
      ctx.detail(" Found line setting starting point for XS \"" + idAsRead + "\"");
    }
  }

  CLOSER(ctx, geomUnit);
  CLOSER(ctx, attrUnit);
}

}  // namespace kestrix
