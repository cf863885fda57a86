// The line objects of GIS mode: each line names its section by its first
// attribute and either fixes where the section's offsets start or, with
// -ppol, is the line its points are projected onto.

#include <string>
#include <vector>

#include "geometry/geometry.h"
#include "base/run_end.h"
#include "gis/features.h"
#include "gis/identifiers.h"
#include "gis/layers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::size_t kMifLine = 10000;  // characters of a .mif line the reader keeps
constexpr int kNodeLimit = 1000;         // vertices a line object may have
constexpr float kCoincident = 0.0001f;   // vertices closer than this are one vertex
constexpr double kNotFound = -99999.0;   // marks a projection-line slot never filled

// Stores a projection line of at least one vertex, dropping each vertex that lies on
// the vertex read just before it.
void storeProjectionLine(Workspace& ws, Section& section, const std::vector<double>& x,
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
      ws.out.newline();
      ws.out.warning("Removed coincident point found on projection line \"" + std::string(idAsRead) + "\"", idAsRead);
    }
  }
  section.ppolNv = kept;
  ws.out.detail(" Found projection line for points for XS \"" + std::string(idAsRead) + "\"");
}

}  // namespace

void xsReadLines(Workspace& ws, const std::string& layer) {
  MifFeatureSource source(ws, kMifLine, kNodeLimit);
  xsReadLines(ws, source, layer);
}

void xsReadLines(Workspace& ws, FeatureSource& source, const std::string& layer) {
  ws.out.newline();
  ws.out.say("Reading Cross-Section Lines from " + std::string(significant(layer)) + "...");
  if (!source.open(layer)) return;

  std::string id;
  int record = 0;  // attribute records read so far in this layer
  const Settings& set = ws.settings;
  static constexpr FeatureMessages kMessages{"End of File encountered reading lines", "Reading line data",
                                             "line object"};
  const bool complete = forEachFeature(ws, source, FeatureKind::Line, kMessages, [&](Feature& feature) {
    ++record;
    if (feature.kind != FeatureKind::Line) return true;

    // Only the first value is the identifier; a record without any value is
    // refused rather than read on into the next row.
    if (!feature.values->readText(id, kIdWidth)) {
      ws.out.error("Reading line data");
      sayUnreadableValue(ws, source, record, "XS_ID", false, *feature.values);
      ws.tally.errFound = true;
      return false;
    }
    const std::string idAsRead(significant(id));
    const int nodes = feature.nodes;

    if (set.optPpol && nodes > set.mlp) {
      ws.out.error("Cannot have lines with more than " + AINTEGER(set.mlp) +
                        " vertices if using the -project option.  See XS line \"" + idAsRead + "\"",
                    idAsRead);
      ws.tally.errFound = true;
      return true;
    }

    bool found = false;
    const int s = xsFindID(ws, id, found);
    // With a terrain model, a line without points is a section cut wholly from it.
    if (!found && set.terrain.used()) {
      ws.store[s].demCut = true;
      ws.out.detail(" Found line of a section cut from the DEM, XS \"" + idAsRead + "\"");
    } else if (!found) {
      ws.out.error("Could not find any points with same ID as XS line \"" + idAsRead + "\"", idAsRead);
      ws.tally.errFound = true;
      return true;
    }
    Section& section = ws.store[s];

    if (nodes < 1) {
      // A polyline of no vertex fixes nothing; the section keeps what it had.
      ws.out.warning("Line for XS \"" + idAsRead + "\" has no vertices - IGNORING", idAsRead);
      return true;
    }
    if (set.optPpol) {
      storeProjectionLine(ws, section, feature.x, feature.y, nodes, idAsRead);
    } else {
      section.start = MapPoint{feature.x[0], feature.y[0]};
      if (set.optHtml || set.terrain.used()) {
        section.startLine.clear();
        for (int j = 0; j < nodes; ++j) section.startLine.push_back(MapPoint{feature.x[j], feature.y[j]});
      }
      ws.out.detail(" Found line setting starting point for XS \"" + idAsRead + "\"");
    }
    return true;
  });
  if (complete) source.close();
}

}  // namespace kestrix
