// The converter modes: every file argument after the projection layer is a
// pattern. Pass 1 reads ISIS files, or the MIKE 11 network and bed
// resistances; pass 2 converts the MIKE 11 cross-section files once both
// tables are complete, so the files may be named in any order.

#include <string>
#include <vector>

#include "converters/isis.h"
#include "converters/mike11.h"
#include "driver/gis_formats.h"
#include "driver/modes.h"
#include "driver/run_context.h"
#include "driver/run_end_report.h"
#include "output/mike11_layers.h"
#include "files/paths.h"

namespace kestrix {

namespace {

constexpr std::size_t kMatchWidth = 255;  // the field a matched name is shown in

// A folder that could not be looked through for want of file descriptors may
// hold matches: the run must not go on as if it held none.
[[noreturn]] void stopSearchAtFileLimit(RunContext& run, const std::string& pattern) {
  run.newline();
  run.error("Could not look for files matching \"" + pattern + "\" (too many open files)");
  run.exits(kExitFailure);
}

// Runs `handle` for every file matched by the patterns, in argument order,
// and sets outFolder from the first match of the pass (unless -out: named it).
template <typename Handle>
void searchPass(RunContext& run, Handle handle) {
  Settings& set = run.settings;
  std::vector<std::string> matches;
  bool first = true;
  for (std::size_t k = 1; k < set.inFiles.size(); ++k) {
    switch (run.fs.search(set.inFiles[k], matches)) {
      case SearchStatus::Ok:
        break;
      case SearchStatus::NotFound:
        continue;
      case SearchStatus::OutOfMemory:
        run.worded(Severity::Error, " ERROR - Out of memory.  Contact " + std::string(kSupportEmail));
        run.exits(kExitFailure);
      case SearchStatus::OtherError:
        run.worded(Severity::Error, " ERROR - Invalid file or pathname specified");
        run.exits(kExitFailure);
      case SearchStatus::TooManyOpenFiles:
        stopSearchAtFileLimit(run, set.inFiles[k]);
    }
    for (const std::string& name : matches) {
      handle(name);
      if (first) {
        if (set.outOption.empty()) {
          std::string opened = name;  // as the model file is opened, doubled separators dropped
          CLEANPATH(opened);
          set.outFolder = FILEFOLDERPATH(opened);
        }
        first = false;
      }
    }
  }
}

bool hasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// Before anything is converted: a model file named without wildcards must be
// there (a misspelt name must not pass as a finished run), a pattern that
// matches nothing is worth a word, and every file the passes will read is
// known, so that no output of the run can replace one of them.
void checkModelFiles(RunContext& run) {
  Settings& set = run.settings;
  std::vector<std::string> matches;
  bool missing = false;
  for (std::size_t k = 1; k < set.inFiles.size(); ++k) {
    const std::string& name = set.inFiles[k];
    if (!hasWildcard(name)) {
      if (run.fs.exists(name)) {
        run.inputs.add(run.fs, name);
        continue;
      }
      if (!missing) run.newline();
      missing = true;
      run.error("Model file \"" + name + "\" cannot be found (or is not a file)");
      continue;
    }
    const SearchStatus found = run.fs.search(name, matches);
    if (found == SearchStatus::TooManyOpenFiles) stopSearchAtFileLimit(run, name);
    if (found == SearchStatus::NotFound) {
      run.newline();
      run.warning("No file matches \"" + name + "\"");
    } else if (found == SearchStatus::Ok) {
      for (const std::string& match : matches) run.inputs.add(run.fs, match);
    }
  }
  if (missing) run.exits(kExitFailure);
}

}  // namespace

void converterRun(RunContext& run) {
  Settings& set = run.settings;
  M11Tables tables;
  if (!set.outOption.empty()) set.outFolder = outOptionFolder(set);

  checkModelFiles(run);
  if (set.terrain.used() || !set.terrain.firstOther.empty()) {
    // A model's sections come with their own floodplain; only GIS runs sample a terrain model.
    run.newline();
    run.warning(std::string("-dem: and -landuse: extend the sections of GIS layers only - not used in this ") +
                (set.mode == RunMode::Mike11 ? "-m11" : "-isis") + " run");
  }
  // The projection may come from a layer of another format or a .prj file.
  GisFormats formats(run);
  formats.useCrs();
  formats.composeHeader(true);
  bool networkRead = false;
  bool resistanceRead = false;
  searchPass(run, [&](const std::string& name) {
    if (set.mode == RunMode::Mike11) {
      const std::string ext = FILEEXT(name);
      if (ext == ".nwk11") {
        m11ReadNetwork(run, name, tables);
        networkRead = true;
      } else if (ext == ".hd11") {
        m11ReadBedResistance(run, name, tables);
        resistanceRead = true;
      }
    } else {
      isisReadSections(run, name);
    }
  });

  if (set.mode == RunMode::Mike11 && (!networkRead || !resistanceRead)) {
    // Without the network no section can be placed, and without the
    // parameter file every resistance would be left blank.
    run.newline();
    if (!networkRead) run.error("No MIKE 11 network file (.nwk11) was read - name one on the command line");
    if (!resistanceRead) {
      run.error("No MIKE 11 hydrodynamic parameter file (.hd11) was read - name one on the command line");
    }
    run.exits(kExitFailure);
  }

  if (set.mode == RunMode::Mike11) {
    // The cross-section conversion writes its own layers into the output folder.
    readyOutFolder(run);
    // One network for all the .txt files of the run.
    M11NetworkLayers network(run, set.optHtml ? &run.report : nullptr);
    const std::unique_ptr<M11NetworkSink> both = formats.networkSink(network);
    M11SectionConversion conversion(run, tables, both ? *both : network);
    searchPass(run, [&](const std::string& name) {
      if (FILEEXT(name) != ".txt") return;
      run.detail(" Made it here");
      // The conversion clears errFound to report on its own file; an error of
      // an earlier file must still stop the run before anything is written.
      const bool earlier = run.tally.errFound;
      conversion.convert(name);
      run.detail(std::string("Errors were \"") + (run.tally.errFound ? "T" : "F") + "\"");
      run.tally.errFound = run.tally.errFound || earlier;
      std::string shown = name;
      if (shown.size() < kMatchWidth) shown.resize(kMatchWidth, ' ');
      run.detail("Filename is \"" + shown + "\"");
    });
    conversion.finish();
  }

  commonEnding(run, formats);
}

}  // namespace kestrix
