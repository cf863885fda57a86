#pragma once
// The HTML report of a run (-html): one self-contained page that shows the
// run's command line, inputs, settings, summary and warnings as plain HTML,
// and, drawn by its script from one JSON block, a plan of every section and
// network line, a chart of every section and an index of them all. It is one
// more sink of the section view, staged and committed like every output.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "output/section_sinks.h"
#include "output/section_view.h"
#include "workspace/workspace.h"

namespace kestrix {

/// The report's file name in the output folder.
inline constexpr std::string_view kReportName = "kestrix_report.html";

/// A line of the plan view that is not a section: a 1d_nwk channel or a 1d_branches branch.
struct PlanLine {
  std::string name;       ///< the channel's identifier or the branch's name
  std::vector<double> x;  ///< eastings of its vertices
  std::vector<double> y;  ///< northings of its vertices
};

/// A message the report lists: its severity, its line as shown and the section it is about.
struct ReportMessage {
  Severity severity = Severity::Error;  ///< chooses how the report marks it
  std::string shown;                    ///< the console line without the blanks around it
  std::string section;                  ///< the identifier of the section it is about; empty: none
};

/// What the report shows besides the sections, gathered while the run goes on.
struct ReportRecord {
  std::vector<std::string> commandLine;  ///< every argument, the program first
  std::vector<ReportMessage> messages;   ///< the WARNING, ERROR and CHECK messages of the run, in order
  std::vector<PlanLine> channels;        ///< the channels of 1d_nwk as written
  std::vector<PlanLine> branches;        ///< the branches of 1d_branches as written

  /// Keeps a WARNING, ERROR or CHECK message whose console line is `line`; a NOTE is not listed.
  void keep(const Message& message, std::string_view line);
};

/// Section identifiers with their index (from 0) in the report.
using SectionIndex = std::unordered_map<std::string, int>;

/// kestrix_report.html: the header of the run, the section data and the page's script.
class HtmlReportSink final : public SectionSink {
 public:
  /// A report of `view` with what `record` gathered by the time it is closed.
  HtmlReportSink(Workspace& ws, const SectionsView& view, const ReportRecord& record);
  /// Opens the report and writes the page up to the section data.
  void open(int) override;
  /// Writes the section's data: its rows, its lines and points on the map and its bed point.
  void write(const SectionView& section, SectionNotes& notes) override;
  /// Writes the header (summary and messages as they stand now) and the script, and closes the report.
  void close() override;

 private:
  void writeText(std::string_view text);
  void writeHeader(const std::vector<int>& named);
  void writeRunData(const std::vector<int>& named);

  Workspace& ws_;
  const SectionsView& view_;
  const ReportRecord& record_;
  UnitHandle file_;
  std::vector<std::string_view> parts_;  // the template between its marker lines
  SectionIndex sections_;                // identifiers of the sections written
  int written_ = 0;                      // sections written
  std::vector<int> reaches_;             // with -check: the number of each written section's input file or branch
  std::string line_;
};

}  // namespace kestrix
