#include "output/section_writer.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/file_units.h"
#include "files/paths.h"
#include "output/html_report.h"
#include "output/section_sinks.h"
#include "output/section_view.h"
#include "output/items_ahead.h"
#include "output/section_checks.h"
#include "text/text.h"

namespace kestrix {

namespace {

// Sections viewed and formatted ahead of the one being written, at most.
constexpr std::size_t kSectionsAhead = 32;

// The .mif whose header the output layers copy: the first layer named the way
// the layer readers open it, so that a name given without extension works.
std::string headerSource(const std::vector<std::string>& inFiles) {
  if (inFiles.empty()) return std::string();
  std::string name = TRIMF(inFiles.front());
  if (name.empty()) return name;
  const std::string ext = FILEEXT(name);
  if (ext == ".mif" || ext == ".mid") name = FILENAMEPATH(name);
  return name + ".mif";
}

// Refuses a run whose outputs would replace one of its inputs, before a single file is opened.
void guardSectionOutputs(Workspace& ws, const std::vector<std::string>& csvPaths, bool report) {
  const Settings& st = ws.settings;
  // The layer whose header the outputs copy is read too (in the converter
  // modes only here), so it is guarded like every other input.
  if (st.composedHeader.empty()) ws.files.inputs.add(ws.files.fs, headerSource(st.inFiles));
  std::vector<std::string> outputs;
  outputs.reserve(csvPaths.size() + 9);
  outputs.insert(outputs.end(), csvPaths.begin(), csvPaths.end());
  for (const std::string_view layer : {"1d_xs", "_xs_bed_points", "_xs_all_points", "_xs_dem_points", "_xs_checks"}) {
    // The DEM points' layer is written only by runs with a terrain model, the checks' only by runs with -check.
    if (layer == "_xs_dem_points" && (st.mode != RunMode::Gis || !st.terrain.used())) continue;
    if (layer == "_xs_checks" && !st.checks.on) continue;
    const std::string base = ADDFOLDER(st.outFolder, layer);
    outputs.push_back(base + ".mif");
    outputs.push_back(base + ".mid");
  }
  if (report) outputs.push_back(ADDFOLDER(st.outFolder, kReportName));
  guardOutputs(ws.files, outputs);
}

}  // namespace

void xsWriteSections(Workspace& ws, const ExtraSectionSink& extra, const ReportRecord* report) {
  SectionsView view = viewSections(ws);
  std::vector<CheckFinding> findings;
  if (ws.settings.checks.on) view.checks = &findings;
  std::vector<std::string> csvPaths;
  csvPaths.reserve(view.sections.size());
  for (const SectionView& section : view.sections) csvPaths.push_back(section.csvPath);
  guardSectionOutputs(ws, csvPaths, report != nullptr);
  // Creating thousands of files is the slowest part of writing them: they are created ahead, beside the writing.
  ws.files.fs.createAhead(csvPaths);

  CsvSink csv(ws, view);
  SectionLineSink lines(ws, view);
  BedPointSink bed(ws, view);
  AllPointsSink all(ws, view);
  std::vector<SectionSink*> sinks{&csv, &lines, &bed, &all};
  // The checker comes first: closed first, it leaves its findings for the outputs that show them.
  std::optional<SectionChecker> checker;
  std::optional<CheckPointsSink> checkPoints;
  if (view.checks != nullptr) {
    sinks.insert(sinks.begin(), &checker.emplace(ws, view, findings));
    sinks.push_back(&checkPoints.emplace(ws, findings));
  }
  std::optional<DemPointsSink> dem;
  if (!view.demNames.empty()) sinks.push_back(&dem.emplace(ws, view));
  const std::unique_ptr<SectionSink> more = extra ? extra(view) : nullptr;
  if (more) sinks.push_back(more.get());
  // The report comes last: when it is closed, every other output has been
  // written and every warning about them said, so its summary is the run's.
  std::optional<HtmlReportSink> html;
  if (report != nullptr) sinks.push_back(&html.emplace(ws, view, *report));

  UnitHandle from(ws.files);
  const Settings& set = ws.settings;
  miOpenHeaderSource(ws.files, from.unit(), headerSource(set.inFiles), set.composedHeader,
                     set.crsOption.empty() ? nullptr : &set.crsCoordSys);
  for (SectionSink* sink : sinks) sink->open(from.unit());
  from.close();

  SectionNotes notes(ws.out);
  // The sections' points are viewed and their common values formatted a few
  // sections ahead, on the second core, while this thread opens the files
  // and writes; each slot's buffers are reused from section to section. That
  // work sees only the sections, rules fixed before it starts and the sinks
  // as constants: it has no way to the reporter or the rest of the run, and
  // what it finds wrong comes back in the view for this thread to report.
  struct Slot {
    SectionView section;
    PreparedText text;
  };
  std::vector<Slot> slots(kSectionsAhead);
  std::vector<const Section*> stored;
  stored.reserve(view.sections.size());
  for (const SectionView& head : view.sections) stored.push_back(&ws.store[head.section]);
  const std::vector<const SectionSink*> preparers(sinks.begin(), sinks.end());
  const PointRules rules = pointRules(ws.settings, ws.tally);
  ItemsAhead ahead(view.sections.size(), slots.size(), [&slots, &view, &stored, &preparers, rules](std::size_t i) {
    const SectionView& head = view.sections[i];
    Slot& slot = slots[i % slots.size()];
    SectionView& section = slot.section;
    section.section = head.section;
    section.id = head.id;
    section.csvPath = head.csvPath;
    section.source = head.source;
    section.sources = head.sources;
    section.reach = head.reach;
    viewPoints(*stored[i], rules, section);
    slot.text.clear();
    for (const SectionSink* sink : preparers) sink->prepare(section, slot.text);
    section.prepared = &slot.text;
  });
  for (std::size_t i = 0; i < view.sections.size(); ++i) {
    ahead.take(i);
    const SectionView& section = slots[i % slots.size()].section;
    notes.start(section.id);
    for (SectionSink* sink : sinks) sink->write(section, notes);
  }
  for (SectionSink* sink : sinks) sink->close();
}

}  // namespace kestrix
