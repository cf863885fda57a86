#pragma once
// Survey layers of the GIS formats modellers hold today (GeoPackage,
// Shapefile, GeoJSON, FlatGeobuf, GML, KML, SpatiaLite) read through
// GDAL/OGR: a second FeatureSource beside the MIF/MID one, so that the GIS
// readers treat a layer of either format alike.
//
// Module gdal: the only module that uses GDAL (the layer source, the
// projection header and the GeoPackage writer). It is built only where GDAL
// is, and only the driver links it. It may call every module below the driver.

#include <memory>
#include <string>
#include <vector>

#include "gis/features.h"
#include "workspace/workspace.h"

class GDALDataset;
class OGRFeature;
class OGRLayer;
class OGRSpatialReference;

namespace kestrix {

/// Registers GDAL's drivers once per process.
void gdalStart();

/// The layers a file argument of another format names, each as "file:layer" (the file alone when it holds one layer
/// and none was named). A missing file gets the missing-file prompt; a file GDAL cannot read, or one without the
/// named layer, ends the run.
std::vector<std::string> gdalLayers(Workspace& ws, const std::string& argument);

/// The header lines of the output layers (Version, Charset, Delimiter, CoordSys, then "Columns 0") for the spatial
/// reference of a GDAL layer or a .prj file; `wkt` receives the reference itself, empty when there is none. With
/// `prompt` the file is first opened as any input is (the run has not read it yet).
std::string gdalComposeHeader(Workspace& ws, const std::string& argument, bool prompt, std::string& wkt);

/// The header lines gdalComposeHeader gives for the CoordSys line `coordSys` (none when empty).
std::string gdalHeaderFor(const std::string& coordSys);

/// The coordinate system -crs: names (anything GDAL takes: EPSG:n, WKT, a .prj file read as any input is); ends the
/// run when GDAL does not understand it. `coordSys` receives its CoordSys line (empty, with a WARNING, when MapInfo
/// cannot express it) and `wkt` the reference itself.
std::unique_ptr<OGRSpatialReference, void (*)(OGRSpatialReference*)> gdalReadCrs(Workspace& ws,
                                                                                const std::string& definition,
                                                                                std::string& coordSys,
                                                                                std::string& wkt);

/// A vector layer read through GDAL. Points carry Z, MNR, LCR and XS_ID from the fields of those names (Z from the
/// point's own Z coordinate when the layer has no Z field), or else from the first four fields, as a .mid row does;
/// a line's identifier is its XS_ID field, or else its first field. Null fields are null values.
class GdalFeatureSource final : public FeatureSource {
 public:
  /// A source that reads lines of up to `nodeLimit` vertices and, when `notes`, says how it reads the attributes;
  /// `crs` is the system -crs: gives every layer (null: each layer's own).
  GdalFeatureSource(Workspace& ws, int nodeLimit, bool notes, const OGRSpatialReference* crs = nullptr);
  ~GdalFeatureSource() override;
  /// Opens "file" or "file:layer"; false (with an ERROR, errFound set) when GDAL cannot read it.
  bool open(const std::string& layer) override;
  /// The layer as the console names it.
  std::string recordsName() override;
  /// Reads the next feature: its kind, its vertices when of kind `withGeometry`, and its attribute values.
  FeatureStatus next(FeatureKind withGeometry, Feature& feature) override;
  /// Closes the dataset.
  void close() override;
  /// The layer's field names.
  std::vector<std::string> columns() override;

 private:
  // The fields of the feature just read, in the order the readers take them.
  class FieldValues final : public AttributeValues {
   public:
    /// Reads `order` (field indices; kGeometryZ for the point's Z) of `feature`.
    void start(OGRFeature* feature, const std::vector<int>* order);
    bool readFloat(float& value) override;
    bool readText(std::string& value, std::size_t maxLength) override;
    bool lastWasNull() const override { return null_; }
    int lastColumn() const override { return column_; }
    std::string failedText() const override { return failedText_; }

   private:
    OGRFeature* feature_ = nullptr;
    const std::vector<int>* order_ = nullptr;
    std::size_t next_ = 0;
    bool null_ = false;
    int column_ = 0;          // the field of the last value, from 1; 0 for the geometry's Z or none
    std::string failedText_;  // the text of a field that could not be read as a number
  };

  void planFields();
  void checkRange(const Feature& feature) const;

  Workspace& ws_;
  int nodeLimit_;
  bool notes_;
  const OGRSpatialReference* crs_;
  bool geographic_ = false;  // the layer's coordinates are taken as longitude/latitude
  std::string name_;
  GDALDataset* dataset_ = nullptr;
  OGRLayer* layer_ = nullptr;
  std::unique_ptr<OGRFeature, void (*)(OGRFeature*)> current_;
  std::vector<int> pointOrder_;
  std::vector<int> lineOrder_;
  std::vector<int> noFields_;
  FieldValues values_;
};

}  // namespace kestrix
