#include "gis/features.h"

#include "base/run_end.h"
#include "files/file_units.h"
#include "mif/mif.h"
#include "text/text.h"

namespace kestrix {

namespace {
FeatureKind kindOf(const miObjectType& type) {
  switch (type.kind) {
    case MifObjectKind::Point: return FeatureKind::Point;
    case MifObjectKind::Line:
    case MifObjectKind::Pline: return FeatureKind::Line;
    default: return FeatureKind::Other;
  }
}
}  // namespace

MifFeatureSource::MifFeatureSource(Workspace& ws, std::size_t lineWidth, int nodeLimit)
    : ws_(ws), lineWidth_(lineWidth), nodeLimit_(nodeLimit), geom_(ws.files), attr_(ws.files) {}

bool MifFeatureSource::open(const std::string& layer) {
  miOpenLayer(ws_.layers, layer, geom_.unit(), attr_.unit(), FileMode::Input);
  if (miSkipHeader(ws_.files, geom_.unit(), &columns_)) return true;
  close();
  return false;
}

std::string MifFeatureSource::recordsName() {
  const UnitSlot* slot = ws_.files.units.slotOf(attr_.unit());
  return slot ? slot->name : std::string();
}

FeatureStatus MifFeatureSource::next(FeatureKind withGeometry, Feature& feature) {
  miObjectType type;
  // The .mid holds one row per object, so the objects of the .mif decide
  // where the layer ends; rows left over after the last object are not read.
  // The lines are views into the file's storage: the keyword line stays valid
  // until the geometry reads on, which it does only for a kind it can read.
  InputFile* const geom = ws_.files.units.inputOf(geom_.unit());
  std::string_view line;
  std::string_view rest;
  while (geom && !geom->atEnd()) {
    const ReadStatus status = geom->readLineView(line);
    if (status == ReadStatus::End) break;
    if (status == ReadStatus::Error) return FeatureStatus::LayerError;
    line = line.substr(0, lineWidth_);
    if (!miReadObjectType(ws_.files, line, rest, type)) continue;

    feature.kind = kindOf(type);
    feature.nodes = 0;
    if (feature.kind == withGeometry) {
      double centreX = 0.0;
      double centreY = 0.0;
      if (!miReadObject(ws_.files, rest, geom_.unit(), type, feature.x, feature.y, nodeLimit_, feature.nodes, centreX,
                        centreY)) {
        feature.text.assign(significant(line));
        return FeatureStatus::BadObject;
      }
    }
    return readRecord(feature);
  }
  return FeatureStatus::End;
}

FeatureStatus MifFeatureSource::readRecord(Feature& feature) {
  InputFile* const attr = ws_.files.units.inputOf(attr_.unit());
  if (!attr || attr->atEnd()) return FeatureStatus::NoRecord;
  std::string_view row;
  const ReadStatus status = attr->readLineView(row);
  if (status == ReadStatus::End) return FeatureStatus::NoRecord;
  if (status == ReadStatus::Error) return FeatureStatus::RecordError;
  values_.emplace(row);
  feature.values = &*values_;
  return FeatureStatus::Read;
}

void MifFeatureSource::close() {
  geom_.close();
  attr_.close();
}

namespace {
// "1st", "2nd", "3rd", "4th", ..., "11th", "21st".
std::string ordinal(int n) {
  const int tens = n % 100;
  const int units = n % 10;
  const char* suffix = (tens >= 11 && tens <= 13) ? "th"
                       : units == 1               ? "st"
                       : units == 2               ? "nd"
                       : units == 3               ? "rd"
                                                  : "th";
  return AINTEGER(n) + suffix;
}
}  // namespace

void sayUnreadableValue(Workspace& ws, FeatureSource& source, int record, std::string_view field, bool number,
                        const AttributeValues& values) {
  // Built by appending only: MinGW's g++ warns falsely on a text put before a temporary.
  std::string line(1, ' ');
  line += inQuotes(source.recordsName());
  line += " record ";
  line += AINTEGER(record);
  line += ": field ";
  line += field;
  if (values.lastColumn() > 0) {
    line += " (the ";
    line += ordinal(values.lastColumn());
    line += " column)";
  }
  const std::string found = values.failedText();
  if (found.empty()) {
    line += " has no value";
  } else {
    line += " holds ";
    line += inQuotes(found);
    line += number ? ", not a number" : ", which is not a complete text value";
  }
  const std::vector<std::string> columns = source.columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    line += i == 0 ? " - the layer's columns are " : ", ";
    line += columns[i];
  }
  ws.out.say(line);
}

void featureFailure(Workspace& ws, FeatureStatus status, const Feature& feature, const FeatureMessages& messages) {
  if (status == FeatureStatus::BadObject) {
    ws.out.say(" Erroneous line: " + feature.text);
    ws.out.worded(Severity::Error, std::string(" ERROR - Reading cross-section ") + messages.object);
    ws.out.exits(kExitFailure);
  }
  ws.out.error(status == FeatureStatus::NoRecord ? messages.noRecord : messages.readError);
  ws.tally.errFound = true;
}

}  // namespace kestrix
