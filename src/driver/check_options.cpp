#include "driver/check_options.h"

#include <cmath>

#include "driver/run_context.h"
#include "text/freeformat.h"
#include "text/text.h"

namespace kestrix {

bool readCheckOption(RunContext& run, const std::string& word) {
  CheckOptions& checks = run.settings.checks;
  const std::size_t colon = word.find(':');
  const std::string name = word.substr(0, colon);
  if (colon == std::string::npos && ASAME(name, "check")) {
    checks.on = true;
  } else if (colon == std::string::npos && ASAME(name, "strict")) {
    checks.strict = true;
  } else if (ASAME(name, "checkbed")) {
    const std::string value(significant(TRIMF(colon == std::string::npos ? std::string() : word.substr(colon + 1))));
    FreeFormatReader reader(value);
    double t = 0.0;
    if (value.empty() || !reader.readDouble(t) || !std::isfinite(t) || t < 0.0) {
      run.newline();
      run.error("Cannot read \"-" + word + "\": write it as -checkbed:T with T a difference of 0 or more");
      run.exits(kExitFailure);
    }
    checks.bedJump = t;
  } else {
    return false;
  }
  return true;
}

}  // namespace kestrix
