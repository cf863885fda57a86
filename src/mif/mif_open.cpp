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
    OPENFILE(ctx, attrUnit, mode, base + ".mid");
    if (mode != FileMode::Input) return;
    // The .mid is dated by the name it was opened by, so that a file named at
    // the missing-file prompt is compared with its own table.
    const std::string midName = openedName(ctx, attrUnit, base + ".mid");
    const std::string tabName = FILENAMEPATH(midName) + ".tab";
    if (miCheckSaveDate(ctx, midName, tabName, geomUnit, attrUnit)) return;
  }
}

bool miCheckSaveDate(RunContext& ctx, const std::string& midName, const std::string& tabName, int& geomUnit,
                     int& attrUnit) {
  std::int64_t midTime = 0;
  ctx.fs.modifiedTime(midName, midTime);  // just opened, so its status is not in doubt
  ctx.put("Checking save date is later than that of " + tabName + "...");
  std::int64_t tabTime = 0;
  if (!ctx.fs.modifiedTime(tabName, tabTime)) {
    ctx.say("NOT OK");
    ctx.newline();
    ctx.say(std::string(kSaveDateLabel) + " - Could not access save date of " + inQuotes(midName) + " to check with " +
            inQuotes(tabName));
    ctx.newline();
    ctx.say("NOTE - If using VORLAN.exe, use CHECK MI SAVE DATE == WARNING or OFF to suppress check");
    ctx.newline();
    ctx.exits(kExitFailure);
  }
  if (tabTime <= midTime) {
    ctx.say("OK");
    ctx.newline();
    return true;
  }
  ctx.say("NOT OK");
  ctx.newline();
  if (geomUnit > 0) CLOSER(ctx, geomUnit);
  if (attrUnit > 0) CLOSER(ctx, attrUnit);
  ctx.say(std::string(kSaveDateLabel) + " - Save date of " + inQuotes(tabName) + " file is later than that of " +
          inQuotes(midName));
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
