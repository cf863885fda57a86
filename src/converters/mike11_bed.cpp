// The MIKE 11 hydrodynamic parameter file (.hd11): the global Manning's n
// and the bed resistance list, one value per chainage of a branch. Each entry
// is completed into a stretch up to the next entry of the same branch.

#include <string>

#include "converters/mike11.h"
#include "base/run_end.h"
#include "files/file_units.h"
#include "text/freeformat.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr int kMaxBedValues = 10000;
// Smaller global values count as missing (compared in single precision, so
// that a value written as 1.0e-6 is accepted).
constexpr float kSmallestGlobalN = 1.0e-6f;

constexpr std::string_view kResistanceKey = "G_resistance =";
constexpr std::string_view kDataKey = "DATA =";

bool contains(std::string_view line, std::string_view text) { return line.find(text) != std::string_view::npos; }

std::string_view after(std::string_view line, std::string_view key) { return line.substr(line.find(key) + key.size()); }

[[noreturn]] void badValue(Workspace& ws) {
  ws.out.error("Reading .hd11 file data.");
  ws.out.exits(kExitFailure);
}

// MIKE 11 models often give Manning's M (1/n, 25 and the like) where the
// conversion reads Manning's n, so that every value comes out far too large.
bool looksLikeManningM(float value) { return value >= 1.0f; }

std::string asManningN(float m) { return AREALTRIM(1.0f / m); }

void warnGlobalManningM(Workspace& ws, const std::string& file, float value) {
  if (ws.settings.optBedM || !looksLikeManningM(value)) return;
  ws.out.newline();
  ws.out.warning("Global resistance value " + AREALTRIM(value) + " of \"" + file +
                  "\" is 1 or more: most likely a Manning's M (1/n), which would be n = " + asManningN(value) +
                  ".  It is used as Manning's n as it stands");
}

void warnBedManningM(Workspace& ws, const std::string& file, const M11Tables& tables) {
  if (ws.settings.optBedM) return;
  const m11BedValue* first = nullptr;
  int count = 0;
  for (int e = 0; e < tables.nBedList; ++e) {
    const m11BedValue& entry = tables.bedList[static_cast<std::size_t>(e)];
    if (!looksLikeManningM(entry.ValueFrom)) continue;
    if (!first) first = &entry;
    ++count;
  }
  if (!first) return;
  ws.out.newline();
  ws.out.warning(AINTEGER(count) + " of the " + AINTEGER(tables.nBedList) + " bed resistance values of \"" + file +
                  "\" are 1 or more (the first: " + AREALTRIM(first->ValueFrom) + " for branch \"" +
                  std::string(significant(first->Name)) + "\" at chainage " + AREALTRIM(first->ChainageFrom) +
                  "): most likely Manning's M (1/n); " + AREALTRIM(first->ValueFrom) +
                  " would be n = " + asManningN(first->ValueFrom) + ".  They are used as Manning's n as they stand");
}

// With -bedm the file gives Manning's M: each value becomes n = 1/M as it is
// read, so that stretches interpolate between values of n. An M of 0 or less
// has no n: taken as it stands it would become an infinite resistance.
float asRead(Workspace& ws, const std::string& file, float value) {
  if (!ws.settings.optBedM) return value;
  if (!(value > 0.0f)) {
    ws.out.newline();
    ws.out.error("The resistance value " + AREALTRIM(value) + " of \"" + file +
                  "\" is no Manning's M (-bedm takes every value as M and uses n = 1/M)");
    ws.out.exits(kExitFailure);
  }
  return 1.0f / value;
}

// A stretch ends at the next entry of its branch, or at its own chainage.
void complete(m11BedValue& entry, const m11BedValue* next) {
  if (next && ASAME(entry.Name, next->Name)) {
    entry.ChainageTo = next->ChainageFrom;
    entry.ValueTo = next->ValueFrom;
  } else {
    entry.ChainageTo = entry.ChainageFrom;
    entry.ValueTo = entry.ValueFrom;
  }
}

}  // namespace

void m11ReadBedResistance(Workspace& ws, const std::string& file, M11Tables& tables) {
  ws.out.newline();
  ws.out.say("Reading MIKE 11 Bed Resistance data from " + std::string(significant(file)) + "...");
  ++ws.tally.inputsRead;
  UnitHandle unit(ws.files);
  unit.open(FileMode::Input, file);
  tables.globalN = 0.0f;
  std::string line;
  ReadStatus status = ReadStatus::Ok;

  if (ws.settings.optBedM) {
    ws.out.newline();
    ws.out.note("-bedm: the resistance values of \"" + std::string(significant(file)) +
                 "\" are read as Manning's M and used as n = 1/M");
  }
  ws.out.newline();
  ws.out.say("Looking for Global Manning's n value...");
  if (m11FindSection(ws, unit.unit(), line, "[Global_Values]", status)) {
    // The value may stand in a later section: read on to the end of the file.
    while ((status = ws.files.units.readLine(unit.unit(), line)) == ReadStatus::Ok) {
      if (!contains(line, kResistanceKey)) continue;
      FreeFormatReader in(after(line, kResistanceKey));
      if (!in.readFloat(tables.globalN)) badValue(ws);
      // An M too small to be a value counts as missing, as a small n does.
      if (tables.globalN >= kSmallestGlobalN) tables.globalN = asRead(ws, std::string(significant(file)), tables.globalN);
      ws.out.newline();
      ws.out.say("Global Manning's n value = " + AREAL(tables.globalN));
      break;
    }
  }
  if (status == ReadStatus::Error) badValue(ws);
  if (tables.globalN < kSmallestGlobalN) {
    ws.out.say(" Could not find global n value.");
    ws.out.exits(kExitFailure);
  }
  warnGlobalManningM(ws, std::string(significant(file)), tables.globalN);

  ws.out.newline();
  ws.out.say("Looking for bed resistance values...");
  if (m11FindSection(ws, unit.unit(), line, "[BedList]", status)) {
    int count = 0;
    while (!FLAGEXISTS(line, "EndSect  // BedList")) {
      status = ws.files.units.readLine(unit.unit(), line);
      if (status == ReadStatus::End) break;
      if (status == ReadStatus::Error) badValue(ws);
      if (!contains(line, kDataKey)) continue;
      if (++count > kMaxBedValues) {
        ws.out.say("Exceeded number of allowable bed resistance values.");
        ws.out.halt(kExitFailure);
      }
      if (static_cast<std::size_t>(count) > tables.bedList.size()) tables.bedList.resize(static_cast<std::size_t>(count));
      m11BedValue& entry = tables.bedList[static_cast<std::size_t>(count) - 1];
      FreeFormatReader in(after(line, kDataKey));
      if (!in.readText(entry.Name, kM11NameWidth) || !in.readFloat(entry.ChainageFrom) || !in.readFloat(entry.ValueFrom))
        badValue(ws);
      entry.ValueFrom = asRead(ws, std::string(significant(file)), entry.ValueFrom);
      if (count > 1) complete(tables.bedList[static_cast<std::size_t>(count) - 2], &entry);
    }
    if (count >= 1) complete(tables.bedList[static_cast<std::size_t>(count) - 1], nullptr);
    tables.nBedList = count;
    if (count > 0)
      ws.out.say(" Number of bed resistance values found: " + AINTEGER(count));
    else
      ws.out.say(" Could not find any bed resistance values");
    warnBedManningM(ws, std::string(significant(file)), tables);
  } else if (status == ReadStatus::Error) {
    badValue(ws);
  }
  unit.close();
}

}  // namespace kestrix
