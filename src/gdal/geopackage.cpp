#include "gdal/geopackage.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>


#include "base/run_end.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "gdal/gdal_errors.h"
#include "gdal/gdal_source.h"
#include "text/numbers.h"
#include "output/layer_schemas.h"
#include "output/section_checks.h"
#include "output/row_layouts.h"
#include "text/text.h"

namespace kestrix {

namespace {

// The GeoPackage type of a column; a Logical column is a whole number marked
// as a truth value.
OGRFieldType typeOf(FieldType type) {
  switch (type) {
    case FieldType::Char: return OFTString;
    case FieldType::Float: return OFTReal;
    case FieldType::Integer:
    case FieldType::Logical: return OFTInteger;
  }
  return OFTString;
}

// True when the first word of a header line is `word` (case-blind).
bool firstWordIs(std::string_view line, std::string_view word) {
  const std::string text = TRIMF(line);
  const std::size_t end = text.find_first_of(" \t");
  return ASAME(std::string_view(text).substr(0, end), word);
}

// The spatial reference of the CoordSys line among the header lines on `unit`; null when there is none.
OGRSpatialReference* coordSysReference(FileAccess& files, int unit) {
  files.units.rewind(unit);
  std::string line;
  while (!files.units.atEnd(unit) && files.units.readLine(unit, line) == ReadStatus::Ok) {
    if (firstWordIs(line, "COLUMNS") || firstWordIs(line, "DATA")) break;
    if (!firstWordIs(line, "COORDSYS")) continue;
    auto* srs = new OGRSpatialReference();
    if (srs->importFromMICoordSys(std::string(significant(TRIMF(line))).c_str()) != OGRERR_NONE) {
      srs->Release();
      return nullptr;
    }
    // MapInfo numbers its datums; the EPSG definition it matches carries the
    // name and code a GIS shows.
    OGRSpatialReference* match = srs->FindBestMatch(90, "EPSG", nullptr);
    if (match != nullptr) {
      srs->Release();
      srs = match;
    }
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
  }
  return nullptr;
}

void setText(OGRFeature& f, const char* field, const std::string& value) { f.SetField(field, value.c_str()); }

}  // namespace

// 1d_xs, _xs_bed_points and _xs_all_points over the run's view.
class GeoPackageWriter::Sections final : public SectionSink {
 public:
  Sections(GeoPackageWriter& writer, const SectionsView& view) : writer_(writer) {
    sourceWidth_ = static_cast<int>(view.sourceWidth);
    flags_ = std::string(1, view.resistanceLetter) + "P";
    demNames_ = view.demNames;
    checks_ = view.checks;
  }
  void open(int headerUnit) override {
    writer_.create(headerUnit);
    lines_ = writer_.layer(sectionLineSchema(static_cast<std::size_t>(sourceWidth_)));
    bed_ = writer_.layer(sectionPointSchema("_xs_bed_points"));
    all_ = writer_.layer(sectionPointSchema("_xs_all_points"));
    if (!demNames_.empty()) dem_ = writer_.layer(demPointSchema());
    if (checks_ != nullptr) checkPoints_ = writer_.layer(checkPointSchema());
    writer_.begin();
  }
  void write(const SectionView& section, SectionNotes&) override {
    if (!section.lineX.empty()) {
      OGRFeature f(lines_->GetLayerDefn());
      OGRLineString line;
      line.setNumPoints(static_cast<int>(section.lineX.size()), FALSE);
      for (std::size_t i = 0; i < section.lineX.size(); ++i)
        line.setPoint(static_cast<int>(i), section.lineX[i], section.lineY[i]);
      f.SetGeometry(&line);
      setText(f, "Source", section.source);
      setText(f, "Type", "XZ");
      setText(f, "Flags", flags_);
      for (const char* column : {"Column_1", "Column_2", "Column_3", "Column_4", "Column_5", "Column_6"})
        setText(f, column, "");
      f.SetField("Z_Increment", 0.0);
      f.SetField("Z_Maximum", 0.0);
      add(lines_, f);
    }
    if (section.bed) point(bed_, section.id, *section.bed);
    for (const DrawnPoint& pt : section.points) point(all_, section.id, pt);
    for (const DemPointView& pt : section.demPoints) demPoint(section.id, pt);
  }
  void close() override {
    // The checker was closed first: the findings are complete.
    if (checks_ != nullptr) {
      for (const CheckFinding& finding : *checks_) {
        OGRFeature f(checkPoints_->GetLayerDefn());
        OGRPoint geometry(finding.x, finding.y);
        f.SetGeometry(&geometry);
        setText(f, "XS_ID", finding.id);
        setText(f, "Check", std::string(checkName(finding.kind)));
        setText(f, "Message", finding.text.substr(0, kCheckMessageColumn));
        add(checkPoints_, f);
      }
    }
    writer_.commit();
  }

 private:
  void point(OGRLayer* layer, const std::string& id, const DrawnPoint& pt) {
    OGRFeature f(layer->GetLayerDefn());
    OGRPoint geometry(pt.mapX, pt.mapY);
    f.SetGeometry(&geometry);
    setText(f, "XS_ID", id);
    f.SetField("Z", asWritten(pt.z, PointRowLayout::kZ));
    add(layer, f);
  }
  void demPoint(const std::string& id, const DemPointView& pt) {
    OGRFeature f(dem_->GetLayerDefn());
    OGRPoint geometry(pt.mapX, pt.mapY);
    f.SetGeometry(&geometry);
    setText(f, "XS_ID", id);
    f.SetField("Offset", asWritten(pt.offset, DemPointRowLayout::kOffset));
    f.SetField("Z", asWritten(pt.z, DemPointRowLayout::kZ));
    f.SetField("Resistance", asWritten(pt.mnr, DemPointRowLayout::kResistance));
    setText(f, "LCR", std::string(1, groupLetter(pt.group)));
    const auto dem = static_cast<std::size_t>(pt.dem);
    setText(f, "DEM", dem < demNames_.size() ? demNames_[dem].substr(0, kDemNameColumn) : "");
    add(dem_, f);
  }
  void add(OGRLayer* layer, OGRFeature& f) {
    if (layer->CreateFeature(&f) != OGRERR_NONE) writer_.failed(CPLGetLastErrorMsg());
  }

  GeoPackageWriter& writer_;
  int sourceWidth_ = 0;
  std::string flags_;
  OGRLayer* lines_ = nullptr;
  OGRLayer* bed_ = nullptr;
  OGRLayer* all_ = nullptr;
  OGRLayer* dem_ = nullptr;
  OGRLayer* checkPoints_ = nullptr;
  std::vector<std::string> demNames_;
  const std::vector<CheckFinding>* checks_ = nullptr;
};

// 1d_nwk and 1d_branches, written through the MIF/MID sink and into the GeoPackage.
class GeoPackageWriter::Network final : public M11NetworkSink {
 public:
  Network(GeoPackageWriter& writer, M11NetworkSink& mif) : writer_(writer), mif_(mif) {}
  void open(const std::string& outFolder, int projectionUnit) override {
    mif_.open(outFolder, projectionUnit);
    writer_.create(projectionUnit);
    // A later model file replaces the network layers, as it replaces the MIF/MID ones.
    writer_.dropLayer("1d_nwk");
    writer_.dropLayer("1d_branches");
    nwk_ = writer_.layer(networkSchema());
    branches_ = writer_.layer(branchesSchema());
    writer_.begin();
  }
  void channel(const M11Channel& channel) override {
    mif_.channel(channel);
    OGRFeature f(nwk_->GetLayerDefn());
    f.SetGeometry(line(channel.x, channel.y).get());
    setText(f, "ID", channel.id);
    setText(f, "Type", "S");
    f.SetField("Ignore", 0);
    f.SetField("UCS", 1);
    f.SetField("Len_or_ANA", asWritten(channel.length, NetworkRowLayout::kLength));
    f.SetField("n_or_n_F", 1.0);
    for (const char* zero : {"US_Invert", "DS_Invert", "Form_Loss", "pBlockage", "Width_or_Dia", "Height_or_WF",
                             "Height_Cont", "Width_Cont", "Entry_Loss", "Exit_Loss"})
      f.SetField(zero, 0.0);
    setText(f, "Inlet_Type", "");
    setText(f, "Conn_2D", "");
    f.SetField("Conn_No", 0);
    f.SetField("Number_of", 0);
    setText(f, "US_XSect", std::string(significant(writer_.ws_.store[channel.upstream].id)));
    setText(f, "DS_XSect", std::string(significant(writer_.ws_.store[channel.downstream].id)));
    if (nwk_->CreateFeature(&f) != OGRERR_NONE) writer_.failed(CPLGetLastErrorMsg());
  }
  void close(const std::vector<M11BranchLine>& branches) override {
    mif_.close(branches);
    for (const M11BranchLine& branch : branches) {
      OGRFeature f(branches_->GetLayerDefn());
      f.SetGeometry(line(branch.x, branch.y).get());
      const std::string name = fitField(branch.name, kM11NameWidth);
      setText(f, "Branch", std::string(significant(name)));
      if (branches_->CreateFeature(&f) != OGRERR_NONE) writer_.failed(CPLGetLastErrorMsg());
    }
    writer_.commit();
  }
  void abandon() override {
    mif_.abandon();
    writer_.commit();
  }

 private:
  static std::unique_ptr<OGRLineString> line(const std::vector<double>& x, const std::vector<double>& y) {
    auto result = std::make_unique<OGRLineString>();
    result->setNumPoints(static_cast<int>(x.size()), FALSE);
    for (std::size_t i = 0; i < x.size(); ++i) result->setPoint(static_cast<int>(i), x[i], y[i]);
    return result;
  }

  GeoPackageWriter& writer_;
  M11NetworkSink& mif_;
  OGRLayer* nwk_ = nullptr;
  OGRLayer* branches_ = nullptr;
};

void GeoPackageWriter::Release::operator()(OGRSpatialReference* srs) const {
  if (srs != nullptr) srs->Release();
}

GeoPackageWriter::GeoPackageWriter(Workspace& ws, std::string wkt) : ws_(ws), wkt_(std::move(wkt)) {}

GeoPackageWriter::~GeoPackageWriter() {
  if (dataset_ == nullptr) return;
  // The run ended before the GeoPackage was finished: the staged file was
  // discarded with the other outputs; whatever SQLite kept beside it goes too.
  QuietGdal quiet;
  GDALClose(dataset_);
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    const std::string name = temporary_ + suffix;
    VSIStatBufL stat;
    if (VSIStatL(name.c_str(), &stat) == 0) VSIUnlink(name.c_str());
  }
}

std::unique_ptr<SectionSink> GeoPackageWriter::sectionSink(const SectionsView& view) {
  return std::make_unique<Sections>(*this, view);
}

std::unique_ptr<M11NetworkSink> GeoPackageWriter::networkSink(M11NetworkSink& mif) {
  return std::make_unique<Network>(*this, mif);
}

std::string GeoPackageWriter::path() const { return ADDFOLDER(ws_.settings.outFolder, kGeoPackageName); }

void GeoPackageWriter::create(int headerUnit) {
  if (dataset_ != nullptr) return;
  gdalStart();
  const std::string final = path();
  guardOutputs(ws_.files, {final});
  temporary_ = ws_.files.fs.libraryPath(final, LibraryUse::Create);
  QuietGdal quiet;
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
  if (driver == nullptr) failed("this GDAL has no GeoPackage driver");
  dataset_ = driver->Create(temporary_.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  if (dataset_ == nullptr) failed(quiet.message("GDAL could not create it"));

  OGRSpatialReference* srs = nullptr;
  if (!wkt_.empty()) {
    srs = new OGRSpatialReference();
    if (srs->importFromWkt(wkt_.c_str()) != OGRERR_NONE) {
      srs->Release();
      srs = nullptr;
    }
  } else {
    srs = coordSysReference(ws_.files, headerUnit);
  }
  srs_.reset(srs);
}

OGRLayer* GeoPackageWriter::layer(const LayerSchema& schema) {
  QuietGdal quiet;
  const char* const options[] = {"FID=fid", nullptr};
  const OGRwkbGeometryType geometry = schema.geometry == MifObjectKind::Point ? wkbPoint : wkbLineString;
  OGRLayer* created = dataset_->CreateLayer(schema.name.c_str(), srs_.get(), geometry, const_cast<char**>(options));
  if (created == nullptr) failed(quiet.message("GDAL could not create the layer"));
  for (const LayerField& column : schema.fields) {
    OGRFieldDefn field(column.name.c_str(), typeOf(column.type));
    if (column.type == FieldType::Char) field.SetWidth(column.width);
    if (column.type == FieldType::Logical) field.SetSubType(OFSTBoolean);
    if (created->CreateField(&field) != OGRERR_NONE) failed(quiet.message("GDAL could not create a field"));
  }
  return created;
}

void GeoPackageWriter::dropLayer(const char* name) {
  for (int i = 0; i < dataset_->GetLayerCount(); ++i) {
    if (EQUAL(dataset_->GetLayer(i)->GetName(), name)) {
      if (dataset_->DeleteLayer(i) != OGRERR_NONE) failed(CPLGetLastErrorMsg());
      return;
    }
  }
}

// Features are written in one transaction per group of layers: a GeoPackage
// writes a million points in seconds that way, and in hours without.
void GeoPackageWriter::begin() {
  if (inTransaction_) return;
  if (dataset_->StartTransaction() != OGRERR_NONE) failed(CPLGetLastErrorMsg());
  inTransaction_ = true;
}

void GeoPackageWriter::commit() {
  if (!inTransaction_) return;
  inTransaction_ = false;
  if (dataset_->CommitTransaction() != OGRERR_NONE) failed(CPLGetLastErrorMsg());
}

void GeoPackageWriter::finish() {
  if (dataset_ == nullptr) return;
  commit();
  QuietGdal quiet;
  GDALClose(dataset_);
  dataset_ = nullptr;
  if (CPLGetLastErrorType() >= CE_Failure) failed(quiet.message("GDAL could not close it"));
}

void GeoPackageWriter::failed(const std::string& why) {
  ws_.out.newline();
  ws_.out.error("Could not write file " + inQuotes(path()) + " (" + why + ") - no output written");
  ws_.out.exits(kExitFailure);
}

}  // namespace kestrix
