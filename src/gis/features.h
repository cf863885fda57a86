#pragma once
// The seam between the GIS readers and the format of their input layers: a
// source hands out features (kind, vertices, attribute values) one by one,
// and the readers never see how a layer is stored. MIF/MID is one source.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "files/file_units.h"
#include "text/freeformat.h"
#include "workspace/workspace.h"

namespace kestrix {

/// What a feature of an input layer is, as far as the GIS readers care.
enum class FeatureKind {
  Point,  ///< a single point
  Line,   ///< a line or a single-section polyline
  Other,  ///< any other object, or one without geometry
};

/// The attribute values of one feature, read in column order.
class AttributeValues {
 public:
  virtual ~AttributeValues() = default;
  /// Next value as a single-precision real; a null value leaves `value` alone. False on a read failure.
  virtual bool readFloat(float& value) = 0;
  /// Next value as text cut to `maxLength`; a null value leaves `value` alone. False when no value is left.
  virtual bool readText(std::string& value, std::size_t maxLength) = 0;
  /// True when the last value read was a null, which left its receiving variable alone.
  virtual bool lastWasNull() const = 0;
  /// The column (from 1) the last value was read from; 0 when it came from the geometry or is not known.
  virtual int lastColumn() const { return 0; }
  /// The text the last failed read found, quotes removed; "" when the record had no value left.
  virtual std::string failedText() const { return std::string(); }
};

/// One feature of an input layer, valid until the source reads the next.
struct Feature {
  FeatureKind kind = FeatureKind::Other;  ///< what the feature is
  std::vector<double> x;                  ///< vertex x values (read for the kind asked for only)
  std::vector<double> y;                  ///< vertex y values (read for the kind asked for only)
  int nodes = 0;                          ///< vertices read into x and y
  AttributeValues* values = nullptr;      ///< the feature's attribute values
  std::string text;                       ///< the layer's own text of the feature, for messages
};

/// What asking a source for the next feature gave.
enum class FeatureStatus {
  Read,         ///< a feature with its attribute values
  End,          ///< the layer holds no further feature
  LayerError,   ///< the geometry could not be read
  BadObject,    ///< a feature of the kind asked for has no geometry the source can give
  NoRecord,     ///< the feature has no attribute record
  RecordError,  ///< the attribute record could not be read
};

/// A layer of input features: one implementation per storage format.
class FeatureSource {
 public:
  virtual ~FeatureSource() = default;
  /// Opens a layer by the name the user gave; false (nothing left open) when it cannot be read.
  virtual bool open(const std::string& layer) = 0;
  /// The name of the file or table that holds the attribute records, for messages.
  virtual std::string recordsName() = 0;
  /// Reads the next feature, with its vertices when it is of kind `withGeometry`.
  virtual FeatureStatus next(FeatureKind withGeometry, Feature& feature) = 0;
  /// Closes what open() opened.
  virtual void close() = 0;
  /// The names of the layer's columns in order, for messages; empty when not known.
  virtual std::vector<std::string> columns() { return {}; }
};

/// A MIF/MID layer pair read object by object; a row of the .mid belongs to each object of the .mif.
class MifFeatureSource final : public FeatureSource {
 public:
  /// A source that keeps `lineWidth` characters of a .mif line and reads polylines of up to `nodeLimit` vertices.
  MifFeatureSource(Workspace& ws, std::size_t lineWidth, int nodeLimit);
  /// Opens the .mif/.mid pair (with its save-date check) and moves past the header.
  bool open(const std::string& layer) override;
  /// The name the .mid was opened by.
  std::string recordsName() override;
  /// Reads the next object keyword line, the geometry when asked for, and the object's .mid row.
  FeatureStatus next(FeatureKind withGeometry, Feature& feature) override;
  /// Closes both units.
  void close() override;
  /// The column names of the .mif header's Columns block.
  std::vector<std::string> columns() override { return columns_; }

 private:
  // The .mid row of the object just met, read as a free-format list.
  class RowValues final : public AttributeValues {
   public:
    explicit RowValues(std::string_view row) : reader_(row) {}
    bool readFloat(float& value) override {
      ++column_;
      return reader_.readFloat(value);
    }
    bool readText(std::string& value, std::size_t maxLength) override {
      ++column_;
      return reader_.readText(value, maxLength);
    }
    bool lastWasNull() const override { return reader_.lastWasNull(); }
    int lastColumn() const override { return column_; }
    std::string failedText() const override { return std::string(reader_.failedItem()); }

   private:
    FreeFormatReader reader_;
    int column_ = 0;  // values read so far: the values of a row stand in column order
  };

  FeatureStatus readRecord(Feature& feature);

  Workspace& ws_;
  std::size_t lineWidth_;
  int nodeLimit_;
  // A layer abandoned after a reported error releases its units when the source goes.
  UnitHandle geom_;
  UnitHandle attr_;
  std::optional<RowValues> values_;  // over the .mid row, a view into the .mid unit's storage
  std::vector<std::string> columns_;
};

/// The messages a reader gives when its layer cannot be read to the end.
struct FeatureMessages {
  const char* noRecord;   ///< the ERROR's text for a feature without its attribute record
  const char* readError;  ///< the ERROR's text when the layer or a record could not be read
  const char* object;     ///< what a feature of the kind read is called (" ERROR - Reading cross-section <object>")
};

/// Reads every feature of an open source and hands it to `onFeature`, which returns false (having said why) to stop.
/// False when reading stopped early, with the message printed and errFound set; the run ends on a feature whose
/// geometry cannot be read.
template <typename OnFeature>
bool forEachFeature(Workspace& ws, FeatureSource& source, FeatureKind withGeometry, const FeatureMessages& messages,
                    OnFeature&& onFeature);

/// Says which value of a record could not be read: the layer, the record (from 1), the field and its column, the
/// text found (`number`: a number was expected) and the layer's columns; a line beginning with a blank.
void sayUnreadableValue(Workspace& ws, FeatureSource& source, int record, std::string_view field, bool number,
                        const AttributeValues& values);

/// Prints the message of a status that ends reading; ends the run for BadObject.
void featureFailure(Workspace& ws, FeatureStatus status, const Feature& feature, const FeatureMessages& messages);

template <typename OnFeature>
bool forEachFeature(Workspace& ws, FeatureSource& source, FeatureKind withGeometry, const FeatureMessages& messages,
                    OnFeature&& onFeature) {
  Feature feature;
  for (;;) {
    const FeatureStatus status = source.next(withGeometry, feature);
    if (status == FeatureStatus::End) return true;
    if (status != FeatureStatus::Read) {
      featureFailure(ws, status, feature, messages);
      return false;
    }
    if (!onFeature(feature)) return false;
  }
}

}  // namespace kestrix
