#pragma once
// The sinks of the section view: each formats what the view holds into one
// kind of output (the .csv files, 1d_xs, _xs_bed_points, _xs_all_points) and
// decides nothing about it. Another output format is one more sink.

#include <string>
#include <string_view>

#include "files/file_units.h"
#include "mif/layer_schema.h"
#include "mif/mif.h"
#include "output/section_view.h"
#include "workspace/workspace.h"

namespace kestrix {

/// Says once per section that a value was written wider than its column, whichever sink met it first.
class SectionNotes {
 public:
  /// Notes go to the user's console.
  explicit SectionNotes(Reporter& out) : out_(out) {}
  /// Starts on the next section.
  void start(std::string_view id);
  /// Reports a value written in full in `file`, unless the section was reported already.
  void widened(const std::string& text, std::string_view file);

 private:
  Reporter& out_;
  std::string id_;
  bool widened_ = false;
};

/// One output of the sections.
class SectionSink {
 public:
  virtual ~SectionSink() = default;
  /// Opens the output; a layer copies the header of the .mif open on `headerUnit`.
  virtual void open(int headerUnit) = 0;
  /// Makes ahead, possibly on another thread while the run writes earlier sections, the text write() will take for
  /// the section's common values; touches nothing but its arguments and what the sink holds unchanged after open().
  virtual void prepare(const SectionView&, PreparedText&) const {}
  /// Writes one section of the view.
  virtual void write(const SectionView& section, SectionNotes& notes) = 0;
  /// Closes the output.
  virtual void close() = 0;
};

/// One .csv file per section.
class CsvSink final : public SectionSink {
 public:
  /// Writes with the view's resistance style and heading letter.
  CsvSink(Workspace& ws, const SectionsView& view);
  /// Nothing: each section opens its own file.
  void open(int) override {}
  /// The section's rows, when every value takes the short layout.
  void prepare(const SectionView& section, PreparedText& text) const override;
  /// Writes the section's .csv file and counts it.
  void write(const SectionView& section, SectionNotes& notes) override;
  /// Nothing: each file was closed after its section.
  void close() override {}

 private:
  // The rows one value at a time, for a section with a value the short layout does not take.
  void writeRows(const SectionView& section, int unit, SectionNotes& notes);

  Workspace& ws_;
  Resistance style_;
  std::string heading_;
  std::string line_;
  std::string number_;
};

/// An output MIF/MID layer of the sections: its units, its schema and its name.
class LayerSink : public SectionSink {
 public:
  /// Opens the layer, copies the header of the .mif open on `headerUnit` and declares the schema's columns.
  void open(int headerUnit) override;
  /// Closes both units unless `stayOpen` leaves them to the end of the run.
  void close() override;

 protected:
  /// A layer of `schema` in the output folder.
  LayerSink(Workspace& ws, LayerSchema schema, bool stayOpen);
  /// Writes one object of n vertices with its clause line.
  void writeObject(const double* x, const double* y, int n, std::string_view clause, SectionNotes& notes);
  /// Appends what writeObject writes when no coordinate is written in full; false, with `out` as it was, otherwise.
  bool formatObject(std::string& out, const double* x, const double* y, int n, std::string_view clause) const;
  /// A point layer's .mid row: the identifier (quoted already) and the Z.
  void writePointRow(std::string_view quotedId, float z, SectionNotes& notes);

  Workspace& ws_;      ///< the run
  std::string name_;    ///< the layer's name without extension
  UnitHandle geom_;     ///< unit of the .mif
  UnitHandle attr_;     ///< unit of the .mid
  std::string line_;    ///< reused row text
  std::string number_;  ///< reused number text

 private:
  LayerSchema schema_;
  miObjectType type_;
  bool stayOpen_;
};

/// 1d_xs: the line of each section and the Source of its .csv file.
class SectionLineSink final : public LayerSink {
 public:
  /// Declares the Source column as wide as the view needs.
  SectionLineSink(Workspace& ws, const SectionsView& view);
  /// The section's line object, when every vertex takes the short layout.
  void prepare(const SectionView& section, PreparedText& text) const override;
  /// Draws the section's line, or says why it is left out.
  void write(const SectionView& section, SectionNotes& notes) override;

 private:
  std::string sourceTail_;
};

/// _xs_bed_points: the bed point of each section.
class BedPointSink final : public LayerSink {
 public:
  /// A sink that keeps its layer open when the view says so.
  BedPointSink(Workspace& ws, const SectionsView& view);
  /// Writes the section's bed point, when it has one.
  void write(const SectionView& section, SectionNotes& notes) override;
};

/// _xs_dem_points: every point a section took from the terrain model, with its group's symbol.
class DemPointsSink final : public LayerSink {
 public:
  /// A sink over the DEMs the view names.
  DemPointsSink(Workspace& ws, const SectionsView& view);
  /// Writes the section's DEM points.
  void write(const SectionView& section, SectionNotes& notes) override;

 private:
  std::vector<std::string> quotedDems_;
};

/// _xs_all_points: every drawn point of each section, with its group's symbol.
class AllPointsSink final : public LayerSink {
 public:
  /// A sink that keeps its layer open when the view says so.
  AllPointsSink(Workspace& ws, const SectionsView& view);
  /// The section's objects and rows, when every value takes the short layout.
  void prepare(const SectionView& section, PreparedText& text) const override;
  /// Writes the section's drawn points.
  void write(const SectionView& section, SectionNotes& notes) override;

 private:
  std::string quotedId_;
};

}  // namespace kestrix
