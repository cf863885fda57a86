#pragma once
// The section checks of a -check run: the checker gathers, section by
// section as it is written, what the checks need of each, and when the
// sections are all written finds what looks wrong, says each finding as a
// CHECK line and counts it; the _xs_checks layer and the other outputs show
// the findings it leaves.

#include <optional>
#include <string>
#include <vector>

#include "geometry/section_checks.h"
#include "output/section_sinks.h"
#include "output/section_view.h"
#include "workspace/workspace.h"

namespace kestrix {

/// One finding of the checks: its kind, its section, its text and where it is.
struct CheckFinding {
  CheckKind kind = CheckKind::Crossing;  ///< what was found
  std::size_t index = 0;                 ///< the section's place in the view
  std::string id;                        ///< the section's identifier
  std::string text;                      ///< the message, without its "CHECK - "
  double x = 0.0;                        ///< easting of the place it is at
  double y = 0.0;                        ///< northing
};

/// Gathers what the checks need while the sections are written; on closing, finds, says and counts the findings.
class SectionChecker final : public SectionSink {
 public:
  /// A checker of the view's sections that leaves its findings in `findings`, in the order written, when it is closed.
  SectionChecker(Workspace& ws, const SectionsView& view, std::vector<CheckFinding>& findings);
  /// Nothing: the checker writes no file.
  void open(int) override {}
  /// Keeps the section's line, reach and bed, and checks its rows.
  void write(const SectionView& section, SectionNotes& notes) override;
  /// Checks the sections against each other and says every finding.
  void close() override;

 private:
  // What is kept of a written section; its line's vertices are in lineX_/lineY_ from `vertex` on.
  struct Kept {
    std::string id;
    std::size_t vertex = 0, vertices = 0;
    std::optional<double> bed;
    double bedX = 0.0, bedY = 0.0;
    double firstX = 0.0, firstY = 0.0;
    int reach = 0;
  };
  Workspace& ws_;
  std::vector<CheckFinding>& findings_;
  std::vector<Kept> kept_;
  // Every kept line's vertices, one section after the other: no allocation of its own per section.
  std::vector<double> lineX_, lineY_;
  std::vector<float> rowX_, rowZ_;  // the offsets and levels of the section being checked
};

/// _xs_checks: a point for every finding of the checks, with its section, kind and message.
class CheckPointsSink final : public LayerSink {
 public:
  /// A sink over the findings the checker leaves before this sink is closed.
  CheckPointsSink(Workspace& ws, const std::vector<CheckFinding>& findings);
  /// Nothing: the findings are known only once every section is written.
  void write(const SectionView&, SectionNotes&) override {}
  /// Writes every finding, then closes the layer.
  void close() override;

 private:
  const std::vector<CheckFinding>& findings_;
};

}  // namespace kestrix
