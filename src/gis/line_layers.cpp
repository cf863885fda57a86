// The line objects of GIS mode: each line names its section by its first
// attribute and either fixes where the section's offsets start or, with
// -ppol, is the line its points are projected onto.

#include <string>
#include <vector>

#include "store/geometry.h"
#include "base/run_end.h"
#include "files/file_units.h"
#include "mif/mif.h"
#include "gis/layer_open.h"
#include "gis/identifiers.h"
#include "gis/layers.h"
#include "text/freeformat.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::size_t kMifLine = 10000;  // characters of a .mif line the reader keeps
constexpr int kNodeLimit = 1000;         // vertices a line object may have
constexpr float kCoincident = 0.0001f;   // vertices closer than this are one vertex
constexpr double kNotFound = -99999.0;   // marks a projection-line slot never filled

// Reads the .mid row that belongs to the object just met. False, with the
// message printed and errFound set, when there is none.
bool readRecord(Workspace& ctx, int attrUnit, std::string& record) {
  ReadStatus status = ReadStatus::End;
  if (!ctx.files.units.atEnd(attrUnit)) status = ctx.files.units.readLine(attrUnit, record);
  if (status == ReadStatus::Ok) return true;
  ctx.out.say(status == ReadStatus::End ? "ERROR - End of File encountered reading lines" : "ERROR - Reading line data");
  ctx.settings.errFound = true;
  return false;
}

// Stores a projection line of at least one vertex, dropping each vertex that lies on
// the vertex read just before it.
void storeProjectionLine(Workspace& ctx, Section& section, const std::vector<double>& x,
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
      ctx.out.newline();
      ctx.out.say("WARNING - Removed coincident point found on projection line \"" + std::string(idAsRead) + "\"");
    }
  }
  section.ppolNv = kept;
  ctx.out.detail(" Found projection line for points for XS \"" + std::string(idAsRead) + "\"");
}

}  // namespace

void xsReadLines(Workspace& ctx, const std::string& layer) {
  ctx.out.newline();
  ctx.out.say("Reading Cross-Section Lines from " + std::string(significant(layer)) + "...");

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
  while (!ctx.files.units.atEnd(geomUnit)) {
    const ReadStatus status = ctx.files.units.readLine(geomUnit, line);
    if (status == ReadStatus::End) break;
    if (status == ReadStatus::Error) {
      ctx.out.say("ERROR - Reading line data");
      ctx.settings.errFound = true;
      return;
    }
    if (line.size() > kMifLine) line.resize(kMifLine);
    if (!miReadObjectType(ctx.files, line, rest, type)) continue;

    if (!type.line && !type.pline) {
      if (!readRecord(ctx, attrUnit, record)) return;
      continue;
    }

    int nodes = 0;
    double centreX = 0.0;
    double centreY = 0.0;
    if (!miReadObject(ctx.files, rest, geomUnit, type, nodeX, nodeY, kNodeLimit, nodes, centreX, centreY)) {
      ctx.out.say(" Erroneous line: " + std::string(significant(line)));
      ctx.out.say(" ERROR - Reading cross-section line object");
      ctx.out.exits(kExitFailure);
    }
    if (!readRecord(ctx, attrUnit, record)) return;

    // Only the first value is the identifier; a record without any value is
    // refused rather than read on into the next row.
    FreeFormatReader values(record);
    if (!values.readText(id, kIdWidth)) {
      ctx.out.say("ERROR - Reading line data");
      ctx.settings.errFound = true;
      return;
    }
    const std::string idAsRead(significant(id));

    if (set.optPpol && nodes > set.mlp) {
      ctx.out.say("ERROR - Cannot have lines with more than " + AINTEGER(set.mlp) +
              " vertices if using the -project option.  See XS line \"" + idAsRead + "\"");
      ctx.settings.errFound = true;
      continue;
    }

    bool found = false;
    const int s = xsFindID(ctx, id, found);
    if (!found) {
      ctx.out.say("ERROR - Could not find any points with same ID as XS line \"" + idAsRead + "\"");
      ctx.settings.errFound = true;
      continue;
    }
    Section& section = ctx.store[s];

    if (nodes < 1) {
      // A polyline of no vertex fixes nothing; the section keeps what it had.
      ctx.out.say("WARNING - Line for XS \"" + idAsRead + "\" has no vertices - IGNORING");
      continue;
    }
    if (set.optPpol) {
      storeProjectionLine(ctx, section, nodeX, nodeY, nodes, idAsRead);
    } else {
      section.startX = nodeX[0];
      section.startY = nodeY[0];
      ctx.out.detail(" Found line setting starting point for XS \"" + idAsRead + "\"");
    }
  }

  CLOSER(ctx.files, geomUnit);
  CLOSER(ctx.files, attrUnit);
}

}  // namespace kestrix
