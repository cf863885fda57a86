// Opening a layer as its .mif/.mid pair, the save-date check against the
// MapInfo table, and moving the .mif past its header.

#include <cstdint>

#include "base/run_end.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "mif/mif.h"
#include "mif/mif_words.h"
#include "text/freeformat.h"
#include "text/text.h"

namespace kestrix {

namespace {
constexpr std::string_view kSaveDateCode = "0004";

// Layers exported by other programs come without a MapInfo table, so the
// check fails for them every time: say once how to run without it.
void exportNote(LayerAccess& ctx) {
  if (ctx.exportNoteShown) return;
  ctx.exportNoteShown = true;
  ctx.files.out.say(
      "NOTE - Layers exported by QGIS or GDAL have no MapInfo table: run with -savedate:off or -savedate:warning");
}

// The name the unit manager actually opened on a unit (cleaned, or the one
// the user typed at the missing-file prompt); `fallback` when there is none.
std::string openedName(FileAccess& ctx, int unit, const std::string& fallback) {
  const UnitSlot* slot = ctx.units.slotOf(unit);
  return slot && !slot->name.empty() ? slot->name : fallback;
}
}  // namespace

void miOpenLayer(LayerAccess& ctx, std::string_view name, int& geomUnit, int& attrUnit, FileMode mode) {
  const std::string layer(significant(TRIMF(name)));
  const std::string ext = FILEEXT(layer);
  const std::string base = (ext == ".mif" || ext == ".mid") ? FILENAMEPATH(layer) : layer;
  for (;;) {
    OPENFILE(ctx.files, geomUnit, mode, base + ".mif");
    // The .mid lies beside the .mif actually opened, which may be a name the
    // user gave at the missing-file prompt.
    const std::string mifName = openedName(ctx.files, geomUnit, base + ".mif");
    const std::string mifExt = FILEEXT(mifName);
    const std::string midBase = (mifExt == ".mif" || mifExt == ".mid") ? FILENAMEPATH(mifName) : base;
    OPENFILE(ctx.files, attrUnit, mode, midBase + ".mid");
    if (mode != FileMode::Input || ctx.saveDate == SaveDateCheck::Off) return;
    // The .mid is dated by the name it was opened by, so that a file named at
    // the missing-file prompt is compared with its own table.
    const std::string midName = openedName(ctx.files, attrUnit, midBase + ".mid");
    const std::string tabName = FILENAMEPATH(midName) + ".tab";
    if (miCheckSaveDate(ctx, midName, tabName, geomUnit, attrUnit)) return;
  }
}

bool miCheckSaveDate(LayerAccess& ctx, const std::string& midName, const std::string& tabName, int& geomUnit,
                     int& attrUnit) {
  // With -savedate:warning a layer is reported once, not again when it is read a second time.
  const bool warnOnly = ctx.saveDate == SaveDateCheck::Warning;
  if (warnOnly && ctx.saveDateWarned.count(midName) != 0) return true;
  const std::int64_t midTime = ctx.files.fs.stat(midName).modified;  // just opened, so its status is not in doubt
  // A quiet run shows the check only when it fails.
  const std::string checking = "Checking save date is later than that of " + tabName + "...";
  if (!ctx.files.out.quiet()) ctx.files.out.put(checking);
  const FileStatus tab = ctx.files.fs.stat(tabName);
  const bool dated = tab.kind != FileStatus::Kind::Missing;
  const std::int64_t tabTime = tab.modified;
  if (dated && tabTime <= midTime) {
    if (!ctx.files.out.quiet()) {
      ctx.files.out.say("OK");
      ctx.files.out.newline();
    }
    return true;
  }
  if (ctx.files.out.quiet()) ctx.files.out.put(checking);
  ctx.files.out.say("NOT OK");
  ctx.files.out.newline();
  // With -savedate:warning the same text is a warning and the layer is read as it is.
  if (warnOnly) ctx.saveDateWarned.insert(midName);
  const Severity severity = warnOnly ? Severity::Warning : Severity::Error;
  if (!dated) {
    ctx.files.out.coded(severity, kSaveDateCode,
                        "Could not access save date of " + inQuotes(midName) + " to check with " + inQuotes(tabName));
    ctx.files.out.newline();
    if (warnOnly) return true;
    ctx.files.out.note("If using VORLAN.exe, use CHECK MI SAVE DATE == WARNING or OFF to suppress check");
    exportNote(ctx);
    ctx.files.out.newline();
    ctx.files.out.exits(kExitFailure);
  }
  if (warnOnly) {
    ctx.files.out.coded(severity, kSaveDateCode,
                        "Save date of " + inQuotes(tabName) + " file is later than that of " + inQuotes(midName));
    ctx.files.out.newline();
    return true;
  }
  if (geomUnit > 0) CLOSER(ctx.files, geomUnit);
  if (attrUnit > 0) CLOSER(ctx.files, attrUnit);
  ctx.files.out.coded(severity, kSaveDateCode,
                      "Save date of " + inQuotes(tabName) + " file is later than that of " + inQuotes(midName));
  exportNote(ctx);
  ctx.files.out.say("Re-export mif file and press Enter, or close window.");
  if (!ctx.files.out.waitEnter()) ctx.files.out.noAnswer(inQuotes(midName) + " (re-export prompt)");
  return false;
}

bool miSkipHeader(FileAccess& ctx, int geomUnit, std::vector<std::string>* columns) {
  ctx.units.rewind(geomUnit);
  if (columns != nullptr) columns->clear();
  // Only a line that holds the word "Data" alone ends the header: a column
  // definition such as "DATA Integer" or "Data_Source Char(50)" does not.
  std::string line = "XXX";
  int definitions = 0;  // lines of the Columns block still to come
  for (;;) {
    if (mif_detail::onlyWordIs(line, "DATA") || ctx.units.atEnd(geomUnit)) return true;
    if (ctx.units.readLine(geomUnit, line) != ReadStatus::Ok) {
      ctx.out.coded(Severity::Warning, "0313", "Problems finding start of data in .mif file");
      ctx.out.pauses();
      return false;
    }
    if (columns == nullptr) continue;
    // The names only serve messages: "Columns n", then one "name type" line per column.
    std::size_t after = 0;
    if (definitions > 0) {
      --definitions;
      const std::size_t start = mif_detail::firstNonBlank(line);
      std::size_t end = start;
      while (end < line.size() && !mif_detail::isSeparator(line[end])) ++end;
      columns->push_back(line.substr(start, end - start));
    } else if (mif_detail::firstWordIs(line, "COLUMNS", after)) {
      std::int32_t count = 0;
      FreeFormatReader number(std::string_view(line).substr(after));
      if (number.readInt(count) && !number.lastWasNull() && count > 0) definitions = count;
    }
  }
}

// A first input of another format has no .mif to copy; the run composes
// the header lines of its output layers instead.
void miOpenHeaderSource(FileAccess& ctx, int& unit, const std::string& mifName, const std::string& composed,
                        const std::string* coordSys) {
  if (!composed.empty()) {
    OPENTEXT(ctx, unit, mifName, composed);
    return;
  }
  OPENFILE(ctx, unit, FileMode::Input, mifName);
  if (coordSys == nullptr) return;
  // The system the user gave stands in place of the layer's own: its
  // CoordSys (with the Bounds that belong to it) goes, and the given one
  // takes its place, or stands before the columns when the layer had none.
  const std::string opened = openedName(ctx, unit, mifName);
  std::string text;
  std::string line;
  bool placed = coordSys->empty();
  bool inCoordSys = false;
  while (!ctx.units.atEnd(unit) && ctx.units.readLine(unit, line) == ReadStatus::Ok) {
    const bool last = mif_detail::firstWordIs(line, "COLUMNS") || mif_detail::firstWordIs(line, "DATA") ||
                      mif_detail::beginsObject(line);
    if (mif_detail::firstWordIs(line, "COORDSYS")) {
      inCoordSys = true;
    } else if (!(inCoordSys && mif_detail::firstWordIs(line, "BOUNDS"))) {
      inCoordSys = false;
    }
    if ((inCoordSys || last) && !placed) {
      text += *coordSys + "\n";
      placed = true;
    }
    if (!inCoordSys) text += line + "\n";
    if (last) break;
  }
  CLOSER(ctx, unit);
  OPENTEXT(ctx, unit, opened, std::move(text));
}

}  // namespace kestrix
