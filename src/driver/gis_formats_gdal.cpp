// The GDAL half of the GIS formats: what a run reads and writes through GDAL.
// Built into the loadable GDAL module (or linked into a program that links
// GDAL itself), never into the driver's own library; the driver reaches it
// only through GdalFormats.

#include "driver/gdal_formats.h"
#include "driver/run_context.h"
#include "files/file_units.h"
#include "gdal/gdal_source.h"
#include "gdal/geopackage.h"
#include "gdal/land_use.h"
#include "gdal/terrain.h"
#include "gis/layers.h"

namespace kestrix {

namespace {

constexpr int kPointNodes = 2;    // vertices a point needs room for
constexpr int kLineNodes = 1000;  // vertices a start or projection line may have

class Formats final : public GdalFormats {
 public:
  explicit Formats(RunContext& run) : run_(run) {}

  std::vector<std::string> layers(const std::string& argument) override { return gdalLayers(run_, argument); }

  void useCrs() override { crs_ = gdalReadCrs(run_, run_.settings.crsOption, run_.settings.crsCoordSys, wkt_); }

  void readPoints(const std::string& layer) override {
    GdalFeatureSource source(run_, kPointNodes, true, crs_.get());
    xsReadPoints(run_, run_.gis, source, layer);
  }

  void readLines(const std::string& layer) override {
    GdalFeatureSource source(run_, kLineNodes, false, crs_.get());
    xsReadLines(run_, source, layer);
  }

  std::string composeHeader(const std::string& first, bool projectionFile) override {
    // The system -crs: gives wins over the one the first file holds, which is then not looked at.
    if (crs_) return gdalHeaderFor(run_.settings.crsCoordSys);
    return gdalComposeHeader(run_, first, projectionFile, wkt_);
  }

  ExtraSectionSink sectionSink() override {
    GeoPackageWriter& writer = geoPackage();
    // Checked with the other outputs, before any file is opened.
    guardOutputs(run_.files, {writer.path()});
    return [&writer](const SectionsView& view) { return writer.sectionSink(view); };
  }

  std::unique_ptr<M11NetworkSink> networkSink(M11NetworkSink& mif) override {
    return geoPackage().networkSink(mif);
  }

  void finish() override {
    if (geopackage_) geopackage_->finish();
  }

  std::unique_ptr<Terrain> openTerrain(const std::string& first) override {
    const TerrainOptions& options = run_.settings.terrain;
    TerrainSettings settings;
    settings.sampling = options.nearest ? TerrainSampling::kNearest : TerrainSampling::kBilinear;
    settings.zFactor = options.zFactor;
    auto terrain = std::make_unique<GdalTerrain>(settings);
    // The system -crs: gives wins over the one the first layer holds, as for the outputs.
    const GdalSystem layers = crs_ ? GdalSystem(nullptr, nullptr) : gdalLayerSystem(first);
    sayFindings(terrain->open(options.dems, crs_ ? crs_.get() : layers.get()));
    return terrain;
  }

  std::unique_ptr<LandUse> openLandUse(const std::string& first) override {
    auto landUse = std::make_unique<GdalLandUse>();
    const GdalSystem layers = crs_ ? GdalSystem(nullptr, nullptr) : gdalLayerSystem(first);
    sayFindings(landUse->open(run_.settings.terrain.landUse, crs_ ? crs_.get() : layers.get()));
    return landUse;
  }

 private:
  // Says what was found opening a DEM or the land use; ends the run after the last when any was an ERROR.
  void sayFindings(const std::vector<TerrainFinding>& findings) {
    bool failed = false;
    for (const TerrainFinding& finding : findings) {
      run_.newline();
      if (finding.severity == Severity::Error) {
        run_.error(finding.text);
        failed = true;
      } else {
        run_.warning(finding.text);
      }
    }
    if (failed) run_.exits(kExitFailure);
  }

  GeoPackageWriter& geoPackage() {
    if (!geopackage_) geopackage_ = std::make_unique<GeoPackageWriter>(run_, wkt_);
    return *geopackage_;
  }

  RunContext& run_;
  std::unique_ptr<OGRSpatialReference, void (*)(OGRSpatialReference*)> crs_{nullptr, nullptr};  // that of -crs:
  std::string wkt_;  // spatial reference of -crs:, or else of a first input read through GDAL
  std::unique_ptr<GeoPackageWriter> geopackage_;  // the GeoPackage of -gpkg, once written to
};

}  // namespace

}  // namespace kestrix

extern "C" kestrix::GdalFormats* kestrix_gdal_formats(kestrix::RunContext& run) { return new kestrix::Formats(run); }
