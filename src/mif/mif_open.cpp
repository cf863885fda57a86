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
void exportNote(LayerAccess& layers) {
  if (layers.exportNoteShown) return;
  layers.exportNoteShown = true;
  layers.files.out.say(
      "NOTE - Layers exported by QGIS or GDAL have no MapInfo table: run with -savedate:off or -savedate:warning");
}

// The name the unit manager actually opened on a unit (cleaned, or the one
// the user typed at the missing-file prompt); `fallback` when there is none.
std::string openedName(FileAccess& files, int unit, const std::string& fallback) {
  const UnitSlot* slot = files.units.slotOf(unit);
  return slot && !slot->name.empty() ? slot->name : fallback;
}
}  // namespace

void miOpenLayer(LayerAccess& layers, std::string_view name, int& geomUnit, int& attrUnit, FileMode mode) {
  const std::string layer(significant(TRIMF(name)));
  const std::string ext = FILEEXT(layer);
  const std::string base = (ext == ".mif" || ext == ".mid") ? FILENAMEPATH(layer) : layer;
  for (;;) {
    OPENFILE(layers.files, geomUnit, mode, base + ".mif");
    // The .mid lies beside the .mif actually opened, which may be a name the
    // user gave at the missing-file prompt.
    const std::string mifName = openedName(layers.files, geomUnit, base + ".mif");
    const std::string mifExt = FILEEXT(mifName);
    const std::string midBase = (mifExt == ".mif" || mifExt == ".mid") ? FILENAMEPATH(mifName) : base;
    OPENFILE(layers.files, attrUnit, mode, midBase + ".mid");
    if (mode != FileMode::Input || layers.saveDate == SaveDateCheck::Off) return;
    // The .mid is dated by the name it was opened by, so that a file named at
    // the missing-file prompt is compared with its own table.
    const std::string midName = openedName(layers.files, attrUnit, midBase + ".mid");
    const std::string tabName = FILENAMEPATH(midName) + ".tab";
    if (miCheckSaveDate(layers, midName, tabName, geomUnit, attrUnit)) return;
  }
}

bool miCheckSaveDate(LayerAccess& layers, const std::string& midName, const std::string& tabName, int& geomUnit,
                     int& attrUnit) {
  // With -savedate:warning a layer is reported once, not again when it is read a second time.
  const bool warnOnly = layers.saveDate == SaveDateCheck::Warning;
  if (warnOnly && layers.saveDateWarned.count(midName) != 0) return true;
  const std::int64_t midTime = layers.files.fs.stat(midName).modified;  // just opened, so its status is not in doubt
  // A quiet run shows the check only when it fails.
  const std::string checking = "Checking save date is later than that of " + tabName + "...";
  if (!layers.files.out.quiet()) layers.files.out.put(checking);
  const FileStatus tab = layers.files.fs.stat(tabName);
  const bool dated = tab.kind != FileStatus::Kind::Missing;
  const std::int64_t tabTime = tab.modified;
  if (dated && tabTime <= midTime) {
    if (!layers.files.out.quiet()) {
      layers.files.out.say("OK");
      layers.files.out.newline();
    }
    return true;
  }
  if (layers.files.out.quiet()) layers.files.out.put(checking);
  layers.files.out.say("NOT OK");
  layers.files.out.newline();
  // With -savedate:warning the same text is a warning and the layer is read as it is.
  if (warnOnly) layers.saveDateWarned.insert(midName);
  const Severity severity = warnOnly ? Severity::Warning : Severity::Error;
  if (!dated) {
    layers.files.out.coded(severity, kSaveDateCode,
                        "Could not access save date of " + inQuotes(midName) + " to check with " + inQuotes(tabName));
    layers.files.out.newline();
    if (warnOnly) return true;
    layers.files.out.note("If using VORLAN.exe, use CHECK MI SAVE DATE == WARNING or OFF to suppress check");
    exportNote(layers);
    layers.files.out.newline();
    layers.files.out.exits(kExitFailure);
  }
  if (warnOnly) {
    layers.files.out.coded(severity, kSaveDateCode,
                        "Save date of " + inQuotes(tabName) + " file is later than that of " + inQuotes(midName));
    layers.files.out.newline();
    return true;
  }
  if (geomUnit > 0) CLOSER(layers.files, geomUnit);
  if (attrUnit > 0) CLOSER(layers.files, attrUnit);
  layers.files.out.coded(severity, kSaveDateCode,
                      "Save date of " + inQuotes(tabName) + " file is later than that of " + inQuotes(midName));
  exportNote(layers);
  layers.files.out.say("Re-export mif file and press Enter, or close window.");
  if (!layers.files.out.waitEnter()) layers.files.out.noAnswer(inQuotes(midName) + " (re-export prompt)");
  return false;
}

bool miSkipHeader(FileAccess& files, int geomUnit, std::vector<std::string>* columns) {
  files.units.rewind(geomUnit);
  if (columns != nullptr) columns->clear();
  // Only a line that holds the word "Data" alone ends the header: a column
  // definition such as "DATA Integer" or "Data_Source Char(50)" does not.
  std::string line = "XXX";
  int definitions = 0;  // lines of the Columns block still to come
  for (;;) {
    if (mif_detail::onlyWordIs(line, "DATA") || files.units.atEnd(geomUnit)) return true;
    if (files.units.readLine(geomUnit, line) != ReadStatus::Ok) {
      files.out.coded(Severity::Warning, "0313", "Problems finding start of data in .mif file");
      files.out.pauses();
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
void miOpenHeaderSource(FileAccess& files, int& unit, const std::string& mifName, const std::string& composed,
                        const std::string* coordSys) {
  if (!composed.empty()) {
    OPENTEXT(files, unit, mifName, composed);
    return;
  }
  OPENFILE(files, unit, FileMode::Input, mifName);
  if (coordSys == nullptr) return;
  // The system the user gave stands in place of the layer's own: its
  // CoordSys (with the Bounds that belong to it) goes, and the given one
  // takes its place, or stands before the columns when the layer had none.
  const std::string opened = openedName(files, unit, mifName);
  std::string text;
  std::string line;
  bool placed = coordSys->empty();
  bool inCoordSys = false;
  while (!files.units.atEnd(unit) && files.units.readLine(unit, line) == ReadStatus::Ok) {
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
  CLOSER(files, unit);
  OPENTEXT(files, unit, opened, std::move(text));
}

}  // namespace kestrix
