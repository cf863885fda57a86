#include "driver/terrain_options.h"

#include <cmath>
#include <string_view>

#include "driver/run_context.h"
#include "text/freeformat.h"
#include "text/text.h"

namespace kestrix {

namespace {

// The option's name (before the colon) and its value (after it); false without a colon.
bool split(const std::string& word, std::string& name, std::string& value) {
  const std::size_t colon = word.find(':');
  name = word.substr(0, colon);
  if (colon == std::string::npos) return false;
  value = std::string(significant(TRIMF(word.substr(colon + 1))));
  return true;
}

[[noreturn]] void refuse(RunContext& run, const std::string& word, const std::string& how) {
  run.newline();
  run.error("Cannot read \"-" + word + "\": write it as " + how);
  run.exits(kExitFailure);
}

// A number of the option's value: positive, or not negative with `zeroAllowed`.
double number(RunContext& run, const std::string& word, const std::string& value, const std::string& how,
              bool zeroAllowed) {
  FreeFormatReader reader(value);
  double x = 0.0;
  if (value.empty() || !reader.readDouble(x) || !std::isfinite(x) || x < 0.0 || (x == 0.0 && !zeroAllowed))
    refuse(run, word, how);
  return x;
}

}  // namespace

bool readTerrainOption(RunContext& run, const std::string& word) {
  TerrainOptions& terrain = run.settings.terrain;
  std::string name;
  std::string value;
  const bool hasValue = split(word, name, value);
  if (ASAME(name, "dem")) {
    if (!hasValue || value.empty()) refuse(run, word, "-dem:FILE");
    terrain.dems.push_back(value);
  } else if (ASAME(name, "demstep")) {
    terrain.step = number(run, word, value, "-demstep:S with S a positive number of map units", false);
  } else if (ASAME(name, "demsample")) {
    if (ASAME(value, "nearest")) {
      terrain.nearest = true;
    } else if (ASAME(value, "bilinear")) {
      terrain.nearest = false;
    } else {
      refuse(run, word, "-demsample:bilinear or -demsample:nearest");
    }
  } else if (ASAME(name, "demz")) {
    terrain.zFactor = number(run, word, value, "-demz:F with F a positive factor", false);
  } else if (ASAME(name, "demgap")) {
    terrain.gap = number(run, word, value, "-demgap:G with G a distance of 0 or more", true);
  } else if (ASAME(name, "demtol")) {
    terrain.tolerance = number(run, word, value, "-demtol:T with T a difference of 0 or more", true);
  } else if (ASAME(name, "landuse")) {
    if (!hasValue || value.empty()) refuse(run, word, "-landuse:FILE or -landuse:FILE:FIELD");
    terrain.landUse = value;
  } else {
    return false;
  }
  if (!ASAME(name, "dem") && terrain.firstOther.empty()) terrain.firstOther = "-" + word;
  return true;
}

}  // namespace kestrix
