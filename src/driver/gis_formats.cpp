#include "driver/gis_formats.h"

#include "driver/run_context.h"
#include "gis/layers.h"
#include "gis/source_names.h"
#include "text/text.h"

#if KESTRIX_GDAL_MODULE
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#endif

namespace kestrix {

namespace {

// Set by a program that links the GDAL code itself (the unit tests); then no module is loaded.
GdalFormatsFactory linkedFactory = nullptr;

// What the command line asks of GDAL first ("write -gpkg", "use -crs:...", "read ..."); empty when nothing.
std::string gdalUse(const Settings& set) {
  if (set.optGpkg) return "write -gpkg";
  if (!set.crsOption.empty()) return "use -crs:" + set.crsOption;
  if (set.terrain.used()) return "use -dem:" + set.terrain.dems.front();
  if (!set.terrain.landUse.empty()) return "use -landuse:" + set.terrain.landUse;
  for (std::size_t i = 0; i < set.inFiles.size(); ++i) {
    const std::string& file = set.inFiles[i];
    // In the converter modes only the projection file may be of another format.
    if (set.mode != RunMode::Gis && i > 0) break;
    const bool projection = set.mode != RunMode::Gis && isProjectionFileName(file);
    if (isGdalSourceName(file) || projection) return "read " + inQuotes(significant(TRIMF(file)));
  }
  return "";
}

// Ends the run that needs GDAL for `what` and cannot have it.
[[noreturn]] void withoutGdal(RunContext& run, const std::string& what, const std::string& why) {
  run.newline();
  if (why.empty()) {
    run.error("This build of Kestrix reads and writes MIF/MID layers only, so it cannot " + what +
              ": build it with GDAL (install GDAL's development files, such as Debian's libgdal-dev, and configure "
              "with cmake -DKESTRIX_WITH_GDAL=ON)");
  } else {
    run.error("Kestrix could not load its GDAL module, so it cannot " + what + ": " + why);
  }
  run.exits(kExitFailure);
}

#if KESTRIX_GDAL_MODULE

// The module, loaded once per process and never unloaded: GDAL keeps drivers
// and handlers registered for the life of the process.
struct LoadedModule {
  GdalFormatsFactory factory = nullptr;
  std::string error;  // why it could not be loaded
};

LoadedModule loadModule() {
  LoadedModule loaded;
  // The module is installed beside the executable, wherever that is.
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
    loaded.error = std::string("the folder of the kestrix executable is unknown (/proc/self/exe: ") +
                   (length < 0 ? std::strerror(errno) : "name too long") + ")";
    return loaded;
  }
  path.resize(static_cast<std::size_t>(length));
  // Beside the executable (a build tree), else in the private library folder
  // of an installed tree (/usr/bin/kestrix and /usr/lib/kestrix/), found
  // relative to the executable so that an unpacked archive works wherever it lies.
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  path = folder + KESTRIX_GDAL_MODULE_FILE;
  const std::string installed =
      std::filesystem::path(folder + KESTRIX_GDAL_MODULE_INSTALL_DIR "/" KESTRIX_GDAL_MODULE_FILE)
          .lexically_normal()
          .string();
  std::string notInstalled;
  if (access(path.c_str(), F_OK) != 0) {
    if (access(installed.c_str(), F_OK) == 0) {
      path = installed;
    } else {
      notInstalled = " (nor is it in " + std::filesystem::path(installed).parent_path().string() + ")";
    }
  }
  // Every symbol is bound now, so that a module that does not fit this
  // executable fails here, with a reason, rather than in the middle of a run.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    loaded.error = (why != nullptr ? why : path + ": cannot be loaded") + notInstalled;
    return loaded;
  }
  void* symbol = dlsym(handle, kGdalFactoryName);
  if (symbol == nullptr) {
    const char* why = dlerror();
    loaded.error = why != nullptr ? why : path + ": no " + kGdalFactoryName;
    dlclose(handle);
    return loaded;
  }
  loaded.factory = reinterpret_cast<GdalFormatsFactory>(symbol);
  return loaded;
}

#endif

}  // namespace

GdalFormatsFactory gdalFormatsFactory(std::string& why) {
  why.clear();
  if (linkedFactory != nullptr) return linkedFactory;
#if KESTRIX_GDAL_MODULE
  static const LoadedModule loaded = loadModule();
  why = loaded.error;
  return loaded.factory;
#elif KESTRIX_WITH_GDAL
  return &kestrix_gdal_formats;
#else
  return nullptr;
#endif
}

void linkGdalFormats(GdalFormatsFactory factory) { linkedFactory = factory; }

void checkGdalArguments(RunContext& run) {
  const std::string what = gdalUse(run.settings);
  if (what.empty()) return;
  std::string why;
  if (gdalFormatsFactory(why) == nullptr) withoutGdal(run, what, why);
}

GisFormats::GisFormats(RunContext& run) : run_(run) {}

GisFormats::~GisFormats() = default;

GdalFormats& GisFormats::gdal() {
  if (!gdal_) {
    // The command line was checked at the start, so GDAL is there when a run gets here.
    std::string why;
    const GdalFormatsFactory factory = gdalFormatsFactory(why);
    if (factory == nullptr) withoutGdal(run_, gdalUse(run_.settings), why);
    gdal_.reset(factory(run_));
  }
  return *gdal_;
}

void GisFormats::useCrs() {
  if (!run_.settings.crsOption.empty()) gdal().useCrs();
}

std::vector<std::string> GisFormats::layersOf(const std::string& argument) {
  if (isGdalSourceName(argument)) return gdal().layers(argument);
  return {argument};
}

void GisFormats::readPoints(const std::string& layer) {
  if (isGdalSourceName(layer)) {
    gdal().readPoints(layer);
  } else {
    xsReadPoints(run_, run_.gis, layer);
  }
}

void GisFormats::readLines(const std::string& layer) {
  if (isGdalSourceName(layer)) {
    gdal().readLines(layer);
  } else {
    xsReadLines(run_, layer);
  }
}

void GisFormats::composeHeader(bool projectionFile) {
  const std::vector<std::string>& files = run_.settings.inFiles;
  if (files.empty()) return;
  const std::string& first = files.front();
  if (isGdalSourceName(first) || (projectionFile && isProjectionFileName(first)))
    run_.settings.composedHeader = gdal().composeHeader(first, projectionFile);
}

ExtraSectionSink GisFormats::sectionSink() {
  if (!run_.settings.optGpkg) return nullptr;
  return gdal().sectionSink();
}

std::unique_ptr<M11NetworkSink> GisFormats::networkSink(M11NetworkSink& mif) {
  if (!run_.settings.optGpkg) return nullptr;
  return gdal().networkSink(mif);
}

void GisFormats::finish() {
  if (gdal_) gdal_->finish();
}

std::unique_ptr<Terrain> GisFormats::openTerrain(std::unique_ptr<LandUse>& landUse) {
  const TerrainOptions& terrain = run_.settings.terrain;
  if (!terrain.used()) return nullptr;
  const std::string& first = run_.settings.inFiles.front();
  std::unique_ptr<Terrain> dems = gdal().openTerrain(first);
  if (!terrain.landUse.empty()) landUse = gdal().openLandUse(first);
  return dems;
}

}  // namespace kestrix
