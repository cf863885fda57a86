#pragma once
// kestrix_layers.gpkg: every output layer of a run (1d_xs, _xs_bed_points,
// _xs_all_points and, for MIKE 11 models, 1d_nwk and 1d_branches) written
// once more into one GeoPackage, with the same names, fields and geometries
// as the MIF/MID layers. The file is staged and committed with the run's other
// outputs, so it is all or nothing as they are.

#include <memory>
#include <string>

#include "mif/layer_schema.h"
#include "output/section_sinks.h"
#include "output/section_view.h"
#include "workspace/network.h"
#include "workspace/workspace.h"

class GDALDataset;
class OGRLayer;
class OGRSpatialReference;

namespace kestrix {

/// The name of the GeoPackage in the output folder.
inline constexpr const char* kGeoPackageName = "kestrix_layers.gpkg";

/// Writes the run's output layers into one GeoPackage; the layers of both kinds go through its sinks.
class GeoPackageWriter {
 public:
  /// A writer for the run `ws`; `wkt` is the run's spatial reference when the first input had one as such, else the
  /// reference is read from the CoordSys of the header the MIF/MID layers copy.
  GeoPackageWriter(Workspace& ws, std::string wkt);
  /// Closes the GeoPackage of a run that ended early and removes what it left.
  ~GeoPackageWriter();
  GeoPackageWriter(const GeoPackageWriter&) = delete;
  GeoPackageWriter& operator=(const GeoPackageWriter&) = delete;

  /// The sink that writes 1d_xs, _xs_bed_points and _xs_all_points over `view`.
  std::unique_ptr<SectionSink> sectionSink(const SectionsView& view);
  /// A network sink that writes 1d_nwk and 1d_branches through `mif` and into the GeoPackage.
  std::unique_ptr<M11NetworkSink> networkSink(M11NetworkSink& mif);
  /// The GeoPackage's path in the output folder.
  std::string path() const;
  /// Writes out and closes the GeoPackage (when a layer was written); ends the run when that failed.
  void finish();

 private:
  class Sections;
  class Network;

  void create(int headerUnit);
  OGRLayer* layer(const LayerSchema& schema);
  void dropLayer(const char* name);
  void begin();
  void commit();
  [[noreturn]] void failed(const std::string& why);

  struct Release {
    void operator()(OGRSpatialReference* srs) const;
  };

  Workspace& ws_;
  std::string wkt_;
  std::unique_ptr<OGRSpatialReference, Release> srs_;
  std::string temporary_;
  GDALDataset* dataset_ = nullptr;
  bool inTransaction_ = false;
};

}  // namespace kestrix
