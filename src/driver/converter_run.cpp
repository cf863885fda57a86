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
[[noreturn]] void stopSearchAtFileLimit(RunContext& ctx, const std::string& pattern) {
  ctx.newline();
  ctx.error("Could not look for files matching \"" + pattern + "\" (too many open files)");
  ctx.exits(kExitFailure);
}

// Runs `handle` for every file matched by the patterns, in argument order,
// and sets outFolder from the first match of the pass (unless -out: named it).
template <typename Handle>
void searchPass(RunContext& ctx, Handle handle) {
  Settings& set = ctx.settings;
  std::vector<std::string> matches;
  bool first = true;
  for (std::size_t k = 1; k < set.inFiles.size(); ++k) {
    switch (ctx.fs.search(set.inFiles[k], matches)) {
      case SearchStatus::Ok:
        break;
      case SearchStatus::NotFound:
        continue;
      case SearchStatus::OutOfMemory:
        ctx.worded(Severity::Error, " ERROR - Out of memory.  Contact " + std::string(kSupportEmail));
        ctx.exits(kExitFailure);
      case SearchStatus::OtherError:
        ctx.worded(Severity::Error, " ERROR - Invalid file or pathname specified");
        ctx.exits(kExitFailure);
      case SearchStatus::TooManyOpenFiles:
        stopSearchAtFileLimit(ctx, set.inFiles[k]);
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
void checkModelFiles(RunContext& ctx) {
  Settings& set = ctx.settings;
  std::vector<std::string> matches;
  bool missing = false;
  for (std::size_t k = 1; k < set.inFiles.size(); ++k) {
    const std::string& name = set.inFiles[k];
    if (!hasWildcard(name)) {
      if (ctx.fs.exists(name)) {
        ctx.inputs.add(ctx.fs, name);
        continue;
      }
      if (!missing) ctx.newline();
      missing = true;
      ctx.error("Model file \"" + name + "\" cannot be found (or is not a file)");
      continue;
    }
    const SearchStatus found = ctx.fs.search(name, matches);
    if (found == SearchStatus::TooManyOpenFiles) stopSearchAtFileLimit(ctx, name);
    if (found == SearchStatus::NotFound) {
      ctx.newline();
      ctx.warning("No file matches \"" + name + "\"");
    } else if (found == SearchStatus::Ok) {
      for (const std::string& match : matches) ctx.inputs.add(ctx.fs, match);
    }
  }
  if (missing) ctx.exits(kExitFailure);
}

}  // namespace

void converterRun(RunContext& ctx) {
  Settings& set = ctx.settings;
  M11Tables tables;
  if (!set.outOption.empty()) set.outFolder = outOptionFolder(set);

  checkModelFiles(ctx);
  // The projection may come from a layer of another format or a .prj file.
  GisFormats formats(ctx);
  formats.useCrs();
  formats.composeHeader(true);
  bool networkRead = false;
  bool resistanceRead = false;
  searchPass(ctx, [&](const std::string& name) {
    if (set.mode == RunMode::Mike11) {
      const std::string ext = FILEEXT(name);
      if (ext == ".nwk11") {
        m11ReadNetwork(ctx, name, tables);
        networkRead = true;
      } else if (ext == ".hd11") {
        m11ReadBedResistance(ctx, name, tables);
        resistanceRead = true;
      }
    } else {
      isisReadSections(ctx, name);
    }
  });

  if (set.mode == RunMode::Mike11 && (!networkRead || !resistanceRead)) {
    // Without the network no section can be placed, and without the
    // parameter file every resistance would be left blank.
    ctx.newline();
    if (!networkRead) ctx.error("No MIKE 11 network file (.nwk11) was read - name one on the command line");
    if (!resistanceRead) {
      ctx.error("No MIKE 11 hydrodynamic parameter file (.hd11) was read - name one on the command line");
    }
    ctx.exits(kExitFailure);
  }

  if (set.mode == RunMode::Mike11) {
    // The cross-section conversion writes its own layers into the output folder.
    readyOutFolder(ctx);
    // One network for all the .txt files of the run.
    M11NetworkLayers network(ctx, set.optHtml ? &ctx.report : nullptr);
    const std::unique_ptr<M11NetworkSink> both = formats.networkSink(network);
    M11SectionConversion conversion(ctx, tables, both ? *both : network);
    searchPass(ctx, [&](const std::string& name) {
      if (FILEEXT(name) != ".txt") return;
      ctx.detail(" Made it here");
      // The conversion clears errFound to report on its own file; an error of
      // an earlier file must still stop the run before anything is written.
      const bool earlier = ctx.tally.errFound;
      conversion.convert(name);
      ctx.detail(std::string("Errors were \"") + (ctx.tally.errFound ? "T" : "F") + "\"");
      ctx.tally.errFound = ctx.tally.errFound || earlier;
      std::string shown = name;
      if (shown.size() < kMatchWidth) shown.resize(kMatchWidth, ' ');
      ctx.detail("Filename is \"" + shown + "\"");
    });
    conversion.finish();
  }

  commonEnding(ctx, formats);
}

}  // namespace kestrix
