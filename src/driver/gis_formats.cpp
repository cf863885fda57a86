#include "driver/gis_formats.h"

#include "driver/run_context.h"
#include "files/paths.h"
#include "gis/layers.h"
#include "gis/source_names.h"
#include "text/text.h"

#if KESTRIX_WITH_GDAL
#include "gdal/gdal_source.h"
#include "gdal/geopackage.h"
#endif

namespace kestrix {

namespace {

#if KESTRIX_WITH_GDAL
constexpr int kPointNodes = 2;    // vertices a point needs room for
constexpr int kLineNodes = 1000;  // vertices a start or projection line may have
#endif

[[noreturn]] void notBuiltIn(RunContext& ctx, const std::string& what) {
  ctx.newline();
  ctx.say("ERROR - This build of Kestrix reads and writes MIF/MID layers only, so it cannot " + what +
          ": build it with GDAL (install GDAL's development files, such as Debian's libgdal-dev, and configure with "
          "cmake -DKESTRIX_WITH_GDAL=ON)");
  ctx.exits(kExitFailure);
}

}  // namespace

#if KESTRIX_WITH_GDAL

struct GisFormats::Gdal {
  std::string wkt;                            // spatial reference of a first input read through GDAL
  std::unique_ptr<GeoPackageWriter> geopackage;  // the GeoPackage of -gpkg, once written to
};

bool gdalBuiltIn() { return true; }

#else

struct GisFormats::Gdal {};

bool gdalBuiltIn() { return false; }

#endif

void checkGdalArguments(RunContext& ctx) {
  if (gdalBuiltIn()) return;
  const Settings& set = ctx.settings;
  if (set.optGpkg) notBuiltIn(ctx, "write -gpkg");
  for (std::size_t i = 0; i < set.inFiles.size(); ++i) {
    const std::string& file = set.inFiles[i];
    // In the converter modes only the projection file may be of another format.
    if (set.mode != RunMode::Gis && i > 0) break;
    const bool projection = set.mode != RunMode::Gis && isProjectionFileName(file);
    if (isGdalSourceName(file) || projection) notBuiltIn(ctx, "read " + inQuotes(significant(TRIMF(file))));
  }
}

GisFormats::GisFormats(RunContext& ctx) : ctx_(ctx), gdal_(std::make_unique<Gdal>()) {}

GisFormats::~GisFormats() = default;

std::vector<std::string> GisFormats::layersOf(const std::string& argument) {
#if KESTRIX_WITH_GDAL
  if (isGdalSourceName(argument)) return gdalLayers(ctx_, argument);
#endif
  return {argument};
}

void GisFormats::readPoints(const std::string& layer) {
#if KESTRIX_WITH_GDAL
  if (isGdalSourceName(layer)) {
    GdalFeatureSource source(ctx_, kPointNodes, true);
    xsReadPoints(ctx_, ctx_.gis, source, layer);
    return;
  }
#endif
  xsReadPoints(ctx_, ctx_.gis, layer);
}

void GisFormats::readLines(const std::string& layer) {
#if KESTRIX_WITH_GDAL
  if (isGdalSourceName(layer)) {
    GdalFeatureSource source(ctx_, kLineNodes, false);
    xsReadLines(ctx_, source, layer);
    return;
  }
#endif
  xsReadLines(ctx_, layer);
}

void GisFormats::composeHeader(bool projectionFile) {
#if KESTRIX_WITH_GDAL
  const std::vector<std::string>& files = ctx_.settings.inFiles;
  if (files.empty()) return;
  const std::string& first = files.front();
  if (isGdalSourceName(first) || (projectionFile && isProjectionFileName(first)))
    ctx_.settings.composedHeader = gdalComposeHeader(ctx_, first, projectionFile, gdal_->wkt);
#else
  (void)projectionFile;
#endif
}

ExtraSectionSink GisFormats::sectionSink() {
#if KESTRIX_WITH_GDAL
  if (!ctx_.settings.optGpkg) return nullptr;
  if (!gdal_->geopackage) gdal_->geopackage = std::make_unique<GeoPackageWriter>(ctx_, gdal_->wkt);
  GeoPackageWriter& writer = *gdal_->geopackage;
  // Checked with the other outputs, before any file is opened.
  guardOutputs(ctx_.files, {writer.path()});
  return [&writer](const SectionsView& view) { return writer.sectionSink(view); };
#else
  return nullptr;
#endif
}

std::unique_ptr<M11NetworkSink> GisFormats::networkSink(M11NetworkSink& mif, const Mike11Tables& tables) {
#if KESTRIX_WITH_GDAL
  if (!ctx_.settings.optGpkg) return nullptr;
  if (!gdal_->geopackage) gdal_->geopackage = std::make_unique<GeoPackageWriter>(ctx_, gdal_->wkt);
  return gdal_->geopackage->networkSink(mif, tables);
#else
  (void)mif;
  (void)tables;
  return nullptr;
#endif
}

void GisFormats::finish() {
#if KESTRIX_WITH_GDAL
  if (gdal_->geopackage) gdal_->geopackage->finish();
#endif
}

}  // namespace kestrix
