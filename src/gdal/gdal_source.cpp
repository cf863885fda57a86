#include "gdal/gdal_source.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <mutex>

#include "base/run_end.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "gdal/gdal_errors.h"
#include "gis/source_names.h"
#include "mif/mif.h"
#include "text/freeformat.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr int kGeometryZ = -1;  // "field" index of a point's own Z coordinate

// The single point of a point or of a multi-point of one point; null for anything else.
const OGRPoint* pointOf(const OGRGeometry* g) {
  if (g == nullptr || g->IsEmpty()) return nullptr;
  switch (wkbFlatten(g->getGeometryType())) {
    case wkbPoint: return g->toPoint();
    case wkbMultiPoint: {
      const OGRMultiPoint* multi = g->toMultiPoint();
      return multi->getNumGeometries() == 1 ? multi->getGeometryRef(0) : nullptr;
    }
    default: return nullptr;
  }
}

// The single line of a line or of a multi-line of one part. A multi-line of
// several parts is passed over, as a MIF "Pline Multiple" is.
const OGRLineString* lineOf(const OGRGeometry* g) {
  if (g == nullptr || g->IsEmpty()) return nullptr;
  switch (wkbFlatten(g->getGeometryType())) {
    case wkbLineString: return g->toLineString();
    case wkbMultiLineString: {
      const OGRMultiLineString* multi = g->toMultiLineString();
      return multi->getNumGeometries() == 1 ? multi->getGeometryRef(0) : nullptr;
    }
    default: return nullptr;
  }
}

// The file a name of the form "file" or "file:layer" names, and its layer.
SourceName splitName(const std::string& name) {
  SourceName source;
  if (!gdalSourceName(name, source)) source.file = std::string(significant(TRIMF(name)));
  return source;
}

// Opens a vector dataset read-only; null (GDAL's message in `why`) when GDAL cannot read it.
GDALDataset* openVector(Workspace& ws, const std::string& file, std::string& why) {
  gdalStart();
  QuietGdal quiet;
  const std::string native = ws.files.fs.libraryPath(file, LibraryUse::Read);
  auto* dataset = static_cast<GDALDataset*>(
      GDALOpenEx(native.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  if (dataset == nullptr) why = quiet.message("not a vector format GDAL reads");
  return dataset;
}

// The name the user's file goes by after the missing-file prompt: the file is
// opened and closed once as any input is, so that a missing one is asked for,
// a corrected name holds for the rest of the run and no output replaces it.
std::string promptedName(Workspace& ws, const std::string& file) {
  int unit = 0;
  OPENFILE(ws.files, unit, FileMode::Input, file);
  const UnitSlot* slot = ws.files.units.slotOf(unit);
  std::string opened = slot != nullptr ? slot->name : file;
  CLOSER(ws.files, unit);
  return opened;
}

[[noreturn]] void unreadable(Workspace& ws, const std::string& file, const std::string& why,
                             const char* as = "a GIS layer") {
  ws.out.newline();
  ws.out.error("Could not read " + inQuotes(file) + " as " + as + ": " + why);
  ws.out.exits(kExitFailure);
}

// The layer names of a dataset, quoted, for a message.
std::string layerList(GDALDataset& dataset) {
  std::string list;
  for (int i = 0; i < dataset.GetLayerCount(); ++i) {
    if (!list.empty()) list += ", ";
    list += inQuotes(dataset.GetLayer(i)->GetName());
  }
  return list.empty() ? "none" : list;
}

// The spatial reference of a .prj file: ESRI's own form or any WKT. `file`
// becomes the name the file was opened by (after the missing-file prompt).
bool readProjectionFile(Workspace& ws, std::string& file, OGRSpatialReference& srs) {
  int unit = 0;
  OPENFILE(ws.files, unit, FileMode::Input, file);
  if (const UnitSlot* slot = ws.files.units.slotOf(unit)) file = slot->name;
  std::vector<std::string> lines;
  std::string line;
  while (!ws.files.units.atEnd(unit) && ws.files.units.readLine(unit, line) == ReadStatus::Ok) lines.push_back(line);
  CLOSER(ws.files, unit);
  QuietGdal quiet;
  // A .prj is WKT (on one line, or spread over several), or the older ESRI
  // form of keyword lines.
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  const std::string wkt(significant(TRIMF(text)));
  if (!wkt.empty() && srs.SetFromUserInput(wkt.c_str()) == OGRERR_NONE) return true;
  std::vector<char*> pointers;
  for (std::string& l : lines)
    if (!significant(l).empty()) pointers.push_back(l.data());
  pointers.push_back(nullptr);
  return pointers.size() > 1 && srs.importFromESRI(pointers.data()) == OGRERR_NONE;
}

// The CoordSys line of `srs` (null: none known) as MapInfo writes it; `wkt`
// receives the reference itself. Empty, with a WARNING naming `shown`, when
// the output layers must go without one.
std::string coordSysLine(Workspace& ws, const OGRSpatialReference* srs, const std::string& shown, std::string& wkt) {
  std::string coordSys;
  if (srs != nullptr) {
    QuietGdal quiet;
    char* text = nullptr;
    const char* const wktOptions[] = {"FORMAT=WKT2_2019", nullptr};
    if (srs->exportToWkt(&text, wktOptions) == OGRERR_NONE && text != nullptr) wkt = text;
    CPLFree(text);
    // MapInfo knows datums by number: a reference that lost its datum
    // shifts on the way (a layer converted from MIF, for one) is given
    // them back from the EPSG definition it matches.
    std::unique_ptr<OGRSpatialReference, void (*)(OGRSpatialReference*)> match(
        srs->FindBestMatch(90, "EPSG", nullptr),
        [](OGRSpatialReference* s) { OGRSpatialReference::DestroySpatialReference(s); });
    text = nullptr;
    if ((match ? *match : *srs).exportToMICoordSys(&text) == OGRERR_NONE && text != nullptr && *text != '\0')
      coordSys = std::string("CoordSys ") + text;
    CPLFree(text);
  }
  if (coordSys.empty()) {
    ws.out.newline();
    const char* what = srs != nullptr ? "a map projection MapInfo cannot express" : "no map projection";
    ws.out.warning(inQuotes(shown) + " has " + what + ": the output layers are written without a CoordSys");
  }
  return coordSys;
}

}  // namespace

void gdalStart() {
  static std::once_flag started;
  std::call_once(started, [] {
    // GDAL would print its own errors and warnings; the program says in its
    // own words what went wrong, with GDAL's last message where it helps.
    CPLSetErrorHandler(CPLQuietErrorHandler);
    GDALAllRegister();
  });
}

std::vector<std::string> gdalLayers(Workspace& ws, const std::string& argument) {
  const SourceName source = splitName(argument);
  const std::string file = promptedName(ws, source.file);
  std::string why;
  GDALDataset* dataset = openVector(ws, file, why);
  if (dataset == nullptr) unreadable(ws, file, why);
  std::vector<std::string> layers;
  if (!source.layer.empty()) {
    const bool found = dataset->GetLayerByName(source.layer.c_str()) != nullptr;
    const std::string list = layerList(*dataset);
    GDALClose(dataset);
    if (!found) unreadable(ws, file, "it has no layer " + inQuotes(source.layer) + " (its layers: " + list + ")");
    layers.push_back(file + ":" + source.layer);
    return layers;
  }
  const int count = dataset->GetLayerCount();
  if (count == 1) {
    layers.push_back(file);
  } else {
    for (int i = 0; i < count; ++i) layers.push_back(file + ":" + dataset->GetLayer(i)->GetName());
  }
  GDALClose(dataset);
  if (count == 0) {
    ws.out.newline();
    ws.out.warning(inQuotes(file) + " holds no layer - nothing read from it");
  }
  return layers;
}

std::string gdalComposeHeader(Workspace& ws, const std::string& argument, bool prompt, std::string& wkt) {
  gdalStart();
  wkt.clear();
  OGRSpatialReference srs;
  bool known = false;
  std::string shown;
  if (isProjectionFileName(argument)) {
    shown = std::string(significant(TRIMF(argument)));
    if (!readProjectionFile(ws, shown, srs))
      unreadable(ws, shown, "GDAL does not understand it", "a projection file");
    known = true;
  } else {
    const SourceName source = splitName(argument);
    std::string file = source.file;
    CLEANPATH(file);
    shown = ws.files.units.corrected(file);
    if (prompt) shown = promptedName(ws, shown);
    std::string why;
    GDALDataset* dataset = openVector(ws, shown, why);
    if (dataset == nullptr) unreadable(ws, shown, why);
    OGRLayer* layer = source.layer.empty() ? (dataset->GetLayerCount() > 0 ? dataset->GetLayer(0) : nullptr)
                                           : dataset->GetLayerByName(source.layer.c_str());
    const OGRSpatialReference* layerSrs = layer != nullptr ? layer->GetSpatialRef() : nullptr;
    if (layerSrs != nullptr) {
      srs = *layerSrs;
      known = true;
    }
    GDALClose(dataset);
  }

  return gdalHeaderFor(coordSysLine(ws, known ? &srs : nullptr, shown, wkt));
}

std::string gdalHeaderFor(const std::string& coordSys) {
  std::string header = "Version 300\nCharset \"Neutral\"\nDelimiter \",\"\n";
  if (!coordSys.empty()) header += coordSys + "\n";
  header += "Columns 0\n";
  return header;
}

std::unique_ptr<OGRSpatialReference, void (*)(OGRSpatialReference*)> gdalReadCrs(Workspace& ws,
                                                                                const std::string& definition,
                                                                                std::string& coordSys,
                                                                                std::string& wkt) {
  gdalStart();
  std::unique_ptr<OGRSpatialReference, void (*)(OGRSpatialReference*)> srs(
      new OGRSpatialReference(), [](OGRSpatialReference* s) { s->Release(); });
  const std::string shown = "-crs:" + definition;
  bool read = false;
  if (isProjectionFileName(definition)) {
    // A .prj is read as the projection file of a converter run is, in either of its forms.
    std::string file = definition;
    read = readProjectionFile(ws, file, *srs);
  } else {
    QuietGdal quiet;
    read = srs->SetFromUserInput(definition.c_str()) == OGRERR_NONE;
  }
  if (!read) {
    ws.out.newline();
    ws.out.error("GDAL does not understand the coordinate system " + inQuotes(shown) +
                  ": give it as -crs:EPSG:nnnn, a .prj file or WKT");
    ws.out.exits(kExitFailure);
  }
  // Coordinates are read as x, y whatever axis order the definition gives.
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  coordSys = coordSysLine(ws, srs.get(), shown, wkt);
  return srs;
}

GdalFeatureSource::GdalFeatureSource(Workspace& ws, int nodeLimit, bool notes, const OGRSpatialReference* crs)
    : ws_(ws),
      nodeLimit_(nodeLimit),
      notes_(notes),
      crs_(crs),
      current_(nullptr, [](OGRFeature* f) { OGRFeature::DestroyFeature(f); }) {}

GdalFeatureSource::~GdalFeatureSource() { close(); }

bool GdalFeatureSource::open(const std::string& layer) {
  close();
  const SourceName source = splitName(layer);
  name_ = std::string(significant(TRIMF(layer)));
  std::string why;
  dataset_ = openVector(ws_, source.file, why);
  if (dataset_ != nullptr) {
    layer_ = source.layer.empty() ? (dataset_->GetLayerCount() > 0 ? dataset_->GetLayer(0) : nullptr)
                                  : dataset_->GetLayerByName(source.layer.c_str());
    if (layer_ == nullptr) why = "it has no such layer";
  }
  if (layer_ == nullptr) {
    ws_.out.error("Could not read " + inQuotes(name_) + " as a GIS layer: " + why);
    ws_.tally.errFound = true;
    close();
    return false;
  }
  ws_.files.inputs.add(ws_.files.fs, source.file);
  const OGRSpatialReference* srs = crs_ != nullptr ? crs_ : layer_->GetSpatialRef();
  geographic_ = srs != nullptr && srs->IsGeographic();
  layer_->ResetReading();
  planFields();
  return true;
}

// Which fields the readers take, decided once per layer: by name when the
// layer has them, else by position as in a .mid.
void GdalFeatureSource::planFields() {
  OGRFeatureDefn* defn = layer_->GetLayerDefn();
  const int z = defn->GetFieldIndex("Z");
  const int mnr = defn->GetFieldIndex("MNR");
  const int lcr = defn->GetFieldIndex("LCR");
  const int xsId = defn->GetFieldIndex("XS_ID");
  pointOrder_.clear();
  lineOrder_.clear();
  if (mnr >= 0 && lcr >= 0 && xsId >= 0) {
    pointOrder_ = {z >= 0 ? z : kGeometryZ, mnr, lcr, xsId};
    if (notes_ && z < 0) {
      ws_.out.newline();
      ws_.out.note("Layer " + inQuotes(name_) + " has no Z field: each point's elevation is its Z coordinate");
    }
  } else {
    for (int i = 0; i < std::min(defn->GetFieldCount(), 4); ++i) pointOrder_.push_back(i);
  }
  if (xsId >= 0) {
    lineOrder_.push_back(xsId);
  } else if (defn->GetFieldCount() > 0) {
    lineOrder_.push_back(0);
  }
}

std::string GdalFeatureSource::recordsName() { return name_; }

std::vector<std::string> GdalFeatureSource::columns() {
  std::vector<std::string> names;
  if (layer_ == nullptr) return names;
  OGRFeatureDefn* defn = layer_->GetLayerDefn();
  for (int i = 0; i < defn->GetFieldCount(); ++i) names.emplace_back(defn->GetFieldDefn(i)->GetNameRef());
  return names;
}

FeatureStatus GdalFeatureSource::next(FeatureKind withGeometry, Feature& feature) {
  if (layer_ == nullptr) return FeatureStatus::End;
  CPLErrorReset();
  current_.reset(layer_->GetNextFeature());
  if (!current_) {
    if (CPLGetLastErrorType() < CE_Failure) return FeatureStatus::End;
    ws_.out.error("GDAL: " + std::string(CPLGetLastErrorMsg()));
    return FeatureStatus::LayerError;
  }
  const OGRGeometry* geometry = current_->GetGeometryRef();
  const OGRPoint* point = pointOf(geometry);
  const OGRLineString* line = point == nullptr ? lineOf(geometry) : nullptr;
  feature.kind = point != nullptr ? FeatureKind::Point : line != nullptr ? FeatureKind::Line : FeatureKind::Other;
  feature.nodes = 0;
  if (feature.kind == withGeometry) {
    if (point != nullptr) {
      feature.x.assign(1, point->getX());
      feature.y.assign(1, point->getY());
      feature.nodes = 1;
    } else {
      const int n = line->getNumPoints();
      miCheckNodes(ws_.files, n, nodeLimit_);
      feature.x.resize(static_cast<std::size_t>(n));
      feature.y.resize(static_cast<std::size_t>(n));
      for (int i = 0; i < n; ++i) {
        feature.x[static_cast<std::size_t>(i)] = line->getX(i);
        feature.y[static_cast<std::size_t>(i)] = line->getY(i);
      }
      feature.nodes = n;
    }
    if (geographic_) checkRange(feature);
  }
  const std::vector<int>* order = feature.kind == FeatureKind::Point  ? &pointOrder_
                                  : feature.kind == FeatureKind::Line ? &lineOrder_
                                                                      : &noFields_;
  values_.start(current_.get(), order);
  feature.values = &values_;
  return FeatureStatus::Read;
}

// A layer that claims longitude/latitude for coordinates no longitude or
// latitude can have would put every output on the wrong side of the world,
// under a CoordSys that says it is right: the run stops before it writes.
// GeoJSON without a "crs" member always claims WGS 84, so this is how a
// survey converted without its system shows.
void GdalFeatureSource::checkRange(const Feature& feature) const {
  for (int i = 0; i < feature.nodes; ++i) {
    const double x = feature.x[static_cast<std::size_t>(i)];
    const double y = feature.y[static_cast<std::size_t>(i)];
    if (x >= -180.0 && x <= 180.0 && y >= -90.0 && y <= 90.0) continue;
    const std::string claim = crs_ != nullptr
                                  ? "-crs:" + ws_.settings.crsOption + " says the coordinates of " + inQuotes(name_) +
                                        " are"
                                  : inQuotes(name_) + " says its coordinates are";
    ws_.out.newline();
    ws_.out.error(claim + " longitude/latitude, but they reach " + formatWholeFull(x, 0) + ", " +
                   formatWholeFull(y, 0) + ": give the right system with -crs:EPSG:nnnn");
    ws_.out.exits(kExitFailure);
  }
}

void GdalFeatureSource::close() {
  current_.reset();
  layer_ = nullptr;
  if (dataset_ != nullptr) GDALClose(dataset_);
  dataset_ = nullptr;
}

void GdalFeatureSource::FieldValues::start(OGRFeature* feature, const std::vector<int>* order) {
  feature_ = feature;
  order_ = order;
  next_ = 0;
  null_ = false;
}

bool GdalFeatureSource::FieldValues::readFloat(float& value) {
  failedText_.clear();
  column_ = 0;
  if (next_ >= order_->size()) return false;
  const int field = (*order_)[next_++];
  column_ = field + 1;
  null_ = false;
  if (field == kGeometryZ) {
    const OGRPoint* point = pointOf(feature_->GetGeometryRef());
    null_ = point == nullptr || !point->Is3D();
    if (!null_) value = static_cast<float>(point->getZ());
    return true;
  }
  if (!feature_->IsFieldSetAndNotNull(field)) {
    null_ = true;
    return true;
  }
  switch (feature_->GetFieldDefnRef(field)->GetType()) {
    case OFTInteger:
    case OFTInteger64:
    case OFTReal:
      value = static_cast<float>(feature_->GetFieldAsDouble(field));
      return true;
    default: {
      // A number held as text is read as a .mid value is; a blank text is a null.
      const char* text = feature_->GetFieldAsString(field);
      if (significant(TRIMF(text)).empty()) {
        null_ = true;
        return true;
      }
      FreeFormatReader reader(text);
      if (reader.readFloat(value) && !reader.lastWasNull()) return true;
      failedText_ = std::string(significant(TRIMF(text)));
      return false;
    }
  }
}

bool GdalFeatureSource::FieldValues::readText(std::string& value, std::size_t maxLength) {
  failedText_.clear();
  column_ = 0;
  if (next_ >= order_->size()) return false;
  const int field = (*order_)[next_++];
  column_ = field + 1;
  null_ = field < 0 || !feature_->IsFieldSetAndNotNull(field);
  if (null_) return true;
  const std::string_view text = feature_->GetFieldAsString(field);
  value.assign(text.substr(0, std::min(text.size(), maxLength)));
  return true;
}

}  // namespace kestrix
