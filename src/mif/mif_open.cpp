// Opening a layer as its .mif/.mid pair, the save-date check against the
// MapInfo table, and moving the .mif past its header.

#include <cstdint>

#include "driver/run_context.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "mif/mif.h"
#include "mif/mif_words.h"
#include "text/text.h"

namespace kestrix {

namespace {
constexpr std::string_view kSaveDateLabel = "ERROR 0004";
constexpr std::string_view kSaveDateWarningLabel = "WARNING 0004";

std::string inQuotes(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 2);
  result.push_back('"');
  result.append(text);
  result.push_back('"');
  return result;
}

// The name the unit manager actually opened on a unit (cleaned, or the one
// the user typed at the missing-file prompt); `fallback` when there is none.
std::string openedName(RunContext& ctx, int unit, const std::string& fallback) {
  const UnitSlot* slot = ctx.units.slotOf(unit);
  return slot && !slot->name.empty() ? slot->name : fallback;
}
}  // namespace

void miOpenLayer(RunContext& ctx, std::string_view name, int& geomUnit, int& attrUnit, FileMode mode) {
  const std::string layer(significant(TRIMF(name)));
  const std::string ext = FILEEXT(layer);
  const std::string base = (ext == ".mif" || ext == ".mid") ? FILENAMEPATH(layer) : layer;
  for (;;) {
    OPENFILE(ctx, geomUnit, mode, base + ".mif");
    // The .mid lies beside the .mif actually opened, which may be a name the
    // user gave at the missing-file prompt.
    const std::string mifName = openedName(ctx, geomUnit, base + ".mif");
    const std::string mifExt = FILEEXT(mifName);
    const std::string midBase = (mifExt == ".mif" || mifExt == ".mid") ? FILENAMEPATH(mifName) : base;
    OPENFILE(ctx, attrUnit, mode, midBase + ".mid");
    if (mode != FileMode::Input || ctx.settings.saveDate == SaveDateCheck::Off) return;
    // The .mid is dated by the name it was opened by, so that a file named at
    // the missing-file prompt is compared with its own table.
    const std::string midName = openedName(ctx, attrUnit, midBase + ".mid");
    const std::string tabName = FILENAMEPATH(midName) + ".tab";
    if (miCheckSaveDate(ctx, midName, tabName, geomUnit, attrUnit)) return;
  }
}

bool miCheckSaveDate(RunContext& ctx, const std::string& midName, const std::string& tabName, int& geomUnit,
                     int& attrUnit) {
  // With -savedate:warning a layer is reported once, not again when it is read a second time.
  const bool warnOnly = ctx.settings.saveDate == SaveDateCheck::Warning;
  if (warnOnly && ctx.tally.saveDateWarned.count(midName) != 0) return true;
  std::int64_t midTime = 0;
  ctx.fs.modifiedTime(midName, midTime);  // just opened, so its status is not in doubt
  // A quiet run shows the check only when it fails.
  const std::string checking = "Checking save date is later than that of " + tabName + "...";
  if (!ctx.quiet()) ctx.put(checking);
  std::int64_t tabTime = 0;
  const bool dated = ctx.fs.modifiedTime(tabName, tabTime);
  if (dated && tabTime <= midTime) {
    if (!ctx.quiet()) {
      ctx.say("OK");
      ctx.newline();
    }
    return true;
  }
  if (ctx.quiet()) ctx.put(checking);
  ctx.say("NOT OK");
  ctx.newline();
  // With -savedate:warning the same text is a warning and the layer is read as it is.
  if (warnOnly) ctx.tally.saveDateWarned.insert(midName);
  const std::string label(warnOnly ? kSaveDateWarningLabel : kSaveDateLabel);
  if (!dated) {
    ctx.say(label + " - Could not access save date of " + inQuotes(midName) + " to check with " + inQuotes(tabName));
    ctx.newline();
    if (warnOnly) return true;
    ctx.say("NOTE - If using VORLAN.exe, use CHECK MI SAVE DATE == WARNING or OFF to suppress check");
    ctx.newline();
    ctx.exits(kExitFailure);
  }
  if (warnOnly) {
    ctx.say(label + " - Save date of " + inQuotes(tabName) + " file is later than that of " + inQuotes(midName));
    ctx.newline();
    return true;
  }
  if (geomUnit > 0) CLOSER(ctx, geomUnit);
  if (attrUnit > 0) CLOSER(ctx, attrUnit);
  ctx.say(label + " - Save date of " + inQuotes(tabName) + " file is later than that of " + inQuotes(midName));
  ctx.say("Re-export mif file and press Enter, or close window.");
  if (!ctx.waitEnter()) ctx.noAnswer(inQuotes(midName) + " (re-export prompt)");
  return false;
}

bool miSkipHeader(RunContext& ctx, int geomUnit) {
  ctx.units.rewind(geomUnit);
  // Only a line that holds the word "Data" alone ends the header: a column
  // definition such as "DATA Integer" or "Data_Source Char(50)" does not.
  std::string line = "XXX";
  for (;;) {
    if (mif_detail::onlyWordIs(line, "DATA") || ctx.units.atEnd(geomUnit)) return true;
    if (ctx.units.readLine(geomUnit, line) != ReadStatus::Ok) {
      ctx.say("WARNING 0313 - Problems finding start of data in .mif file");
      ctx.pauses();
      return false;
    }
  }
}

}  // namespace kestrix
