// The survey point layers of GIS mode: every point object of a layer, with its
// Z, MNR, LCR and XS_ID from the .mid row, is appended to its section.

#include <cmath>
#include <string>
#include <vector>

#include "base/run_end.h"
#include "gis/features.h"
#include "gis/identifiers.h"
#include "gis/layers.h"
#include "text/freeformat.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::size_t kMifLine = 1000;  // characters of a .mif line the reader keeps
constexpr int kPointNodes = 2;           // vertices a point object needs room for
constexpr int kMostCarriedLines = 20;   // records with carried values reported one by one per layer

// Position group of an LCR value: its first letter, C for anything else.
Group groupOf(const std::string& lcr) {
  const char c = lcr.empty() ? ' ' : lcr[0];
  if (c == 'L' || c == 'l') return Group::kLeft;
  if (c == 'R' || c == 'r') return Group::kRight;
  return Group::kCentre;
}

// A point record left some of its values blank, so the free-format read kept
// the values of the previous point record of the run: say which, and what
// they are.
class CarriedValues {
 public:
  CarriedValues(Workspace& ws, std::string midName) : ws_(ws), midName_(std::move(midName)) {}

  // Notes a field of the record just read whose value was carried over.
  void field(const char* name, const std::string& value) {
    fields_ += fields_.empty() ? "" : ", ";
    fields_ += name;
    values_ += values_.empty() ? "" : ", ";
    values_ += std::string(name) + " " + value;
  }

  // Reports the record when any field was carried (and `used`: the record made a point), and starts on the next record.
  void endRecord(int record, bool earlierRecord, bool used) {
    if (fields_.empty()) return;
    if (!used) {
      fields_.clear();
      values_.clear();
      return;
    }
    if (++records_ <= kMostCarriedLines) {
      ws_.out.newline();
      ws_.out.warning("Record " + AINTEGER(record) + " of \"" + midName_ + "\" has no value for " + fields_ +
                       (earlierRecord ? ": the previous point record's values are used (" + values_ + ")"
                                      : ": there is no earlier point record, so " + values_ + " is used"));
    }
    fields_.clear();
    values_.clear();
  }

  // Counts the records that were not reported one by one.
  void endLayer() {
    if (records_ <= kMostCarriedLines) return;
    ws_.out.newline();
    ws_.out.warning(AINTEGER(records_ - kMostCarriedLines) + " more records of \"" + midName_ +
                     "\" have blank values that take the previous point record's values");
  }

 private:
  Workspace& ws_;
  std::string midName_;
  std::string fields_;
  std::string values_;
  int records_ = 0;
};

// The point records of a layer without an elevation: a blank Z that took the
// previous record's would lay the bank's level across the channel, so such a
// record is left out, and the layer's are named in one warning.
class MissingElevations {
 public:
  void add(int record) {
    if (++count_ <= kMostCarriedLines) records_ += (records_.empty() ? "" : ", ") + AINTEGER(record);
  }
  void report(Workspace& ws, const std::string& layer) const {
    if (count_ == 0) return;
    ws.out.newline();
    ws.out.warning(inQuotes(layer) + " has " + AINTEGER(count_) + (count_ == 1 ? " point record" : " point records") +
                    " without an elevation (Z), left out: " + records_ +
                    (count_ > kMostCarriedLines ? " and " + AINTEGER(count_ - kMostCarriedLines) + " more" : ""));
  }

 private:
  int count_ = 0;
  std::string records_;  // the first ones' numbers
};

// With material numbers (-M) a resistance value is rounded to a whole
// number: a Manning's n such as 0.035 becomes material 0. Said once per run.
void checkWholeMaterial(Workspace& ws, GisReadState& state, float mnr, std::string_view id) {
  const Settings& set = ws.settings;
  if (state.materialWarned || set.mnrType != ResistanceType::Material || set.optN2M || std::floor(mnr) == mnr) return;
  state.materialWarned = true;
  const double written = roundHalfAway(mnr);
  ws.out.newline();
  ws.out.warning(
      "Resistance value " + AREALTRIM(mnr) + " of cross-section \"" + std::string(id) +
          "\" is not a whole number, but -M (the default) reads material numbers: it is written as material " +
          (std::fabs(written) < 1.0e9 ? AINTEGER(static_cast<std::int32_t>(written)) : AREALTRIM(mnr)) +
          ".  Use -N or -N2M if the values are Manning's n",
      id);
}

}  // namespace

void xsReadPoints(Workspace& ws, GisReadState& last, const std::string& layer) {
  MifFeatureSource source(ws, kMifLine, kPointNodes);
  xsReadPoints(ws, last, source, layer);
}

void xsReadPoints(Workspace& ws, GisReadState& last, FeatureSource& source, const std::string& layer) {
  const std::string layerName(significant(layer));
  ws.out.newline();
  ws.out.say("Reading Cross-Section Points from " + layerName + "...");

  ++ws.tally.inputsRead;
  if (!source.open(layer)) return;
  CarriedValues carried(ws, source.recordsName());
  MissingElevations missingZ;
  int record = 0;  // attribute records read so far in this layer
  std::string report;  // reused for every point
  std::string knownId;   // the identifier as read for the last point, and its section
  int knownSection = 0;

  static constexpr FeatureMessages kMessages{"End of File encountered reading points", "Reading points data",
                                             "point object"};
  const bool complete = forEachFeature(ws, source, FeatureKind::Point, kMessages, [&](Feature& feature) {
    ++record;
    if (feature.kind != FeatureKind::Point) {
      if (feature.kind == FeatureKind::Line) ws.tally.linesFound = true;
      return true;
    }

    // A null MNR, LCR or XS_ID keeps the value of the same column of the
    // previous point record of the run; a null Z leaves the record out (its
    // other values still carry on to the records after it). A record with
    // fewer than four values is refused so that it cannot borrow values from
    // the next row.
    AttributeValues& values = *feature.values;
    const auto unreadable = [&](const char* field, bool number) {
      ws.out.error("Reading points data");
      sayUnreadableValue(ws, source, record, field, number, values);
      ws.tally.errFound = true;
      return false;
    };
    if (!values.readFloat(last.lastZ)) return unreadable("Z", true);
    const bool hasZ = !values.lastWasNull();
    if (!values.readFloat(last.lastMnr)) return unreadable("MNR", true);
    if (values.lastWasNull()) carried.field("MNR", AREALTRIM(last.lastMnr));
    if (!values.readText(last.lastLcr, 1)) return unreadable("LCR", false);
    if (values.lastWasNull()) carried.field("LCR", inQuotes(last.lastLcr));
    if (!values.readText(last.lastXsId, kIdWidth)) return unreadable("XS_ID", false);
    if (values.lastWasNull()) carried.field("XS_ID", inQuotes(significant(last.lastXsId)));
    carried.endRecord(record, last.anyRecord, hasZ);
    last.anyRecord = true;
    if (!hasZ) {
      missingZ.add(record);
      return true;
    }
    const std::string_view idAsRead = significant(last.lastXsId);

    // Points come section by section: the identifier just read is mostly the
    // one before, whose section is known without normalising it again.
    if (last.lastXsId != knownId || knownSection == 0) {
      bool found = false;
      knownSection = xsFindID(ws, last.lastXsId, found);
      knownId = last.lastXsId;
    }
    const int s = knownSection;
    const Group g = groupOf(last.lastLcr);
    Section& section = ws.store[s];
    if (section.ptCount(g) + 1 > ws.settings.mpt) {
      ws.out.error("Exceeded number of allowable points per cross-section section.");
      ws.out.say("        Cross-section \"" + std::string(idAsRead) + "\" in \"" + layerName + "\"");
      ws.out.exits(kExitFailure);
    }
    StorePoint pt;
    pt.mapX = feature.x[0];
    pt.mapY = feature.y[0];
    pt.z = last.lastZ;
    pt.mnr = last.lastMnr;
    const int count = section.append(g, pt);
    ++ws.tally.pointsRead;
    checkWholeMaterial(ws, last, pt.mnr, idAsRead);

    if (ws.out.quiet()) return true;
    report.assign(" Read ");
    report += groupLetter(g);
    report += " point";
    appendInt(report, count, 5);
    report += " for XS ";
    report += idAsRead;
    ws.out.say(report);
    return true;
  });
  if (!complete) return;

  carried.endLayer();
  missingZ.report(ws, source.recordsName());
  source.close();
}

}  // namespace kestrix
