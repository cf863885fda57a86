// Writing point and polyline objects to an output .mif, and copying the
// header of a source .mif so that an output layer keeps its coordinate
// system and file settings.

#include "driver/run_context.h"
#include "mif/mif.h"
#include "mif/mif_words.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr int kCoordWidth = 16;
constexpr int kCoordDecimals = 6;

void appendCoordinates(std::string& line, double x, double y) {
  line += formatFixed(x, kCoordWidth, kCoordDecimals);
  line += formatFixed(y, kCoordWidth, kCoordDecimals);
}

bool isBlankClause(std::string_view clause) {
  for (const char c : clause)
    if (c != ' ' && c != '\t') return false;
  return true;
}

}  // namespace

void miWriteObject(RunContext& ctx, int geomUnit, const miObjectType& type, const double* x, const double* y, int n,
                   std::string_view clause1, std::string_view clause2) {
  std::string line;
  line.reserve(6 + 2 * kCoordWidth);
  if (type.point) {
    line = "Point ";
    appendCoordinates(line, x[0], y[0]);
    ctx.units.writeLine(geomUnit, line);
  } else if (type.pline) {
    ctx.units.writeLine(geomUnit, "Pline " + AINTEGER(n));
    for (int i = 0; i < n; ++i) {
      line.clear();
      appendCoordinates(line, x[i], y[i]);
      ctx.units.writeLine(geomUnit, line);
    }
  }
  // A clause goes out exactly as the writer passed it, trailing blanks included.
  if (!isBlankClause(clause1)) ctx.units.writeLine(geomUnit, clause1);
  if (!isBlankClause(clause2)) ctx.units.writeLine(geomUnit, clause2);
}

void miCopyHeader(RunContext& ctx, int fromUnit, int toUnit) {
  ctx.detail("Copying header info from file unit " + AINTEGER(fromUnit) + " to " + AINTEGER(toUnit) + "...");
  ctx.units.rewind(fromUnit);
  // The header ends at the "Columns" line itself; a column whose name merely
  // contains that word comes after it and is never looked at.
  std::string line;
  for (;;) {
    if (ctx.units.atEnd(fromUnit)) return;
    switch (ctx.units.readLine(fromUnit, line)) {
      case ReadStatus::Ok: break;
      case ReadStatus::Error:
        ctx.newline();
        ctx.say("ERROR 0301 - Reading data (miCopyHeader)");
        ctx.exits(kExitFailure);
      case ReadStatus::End:
        ctx.newline();
        ctx.say("ERROR 0302 - End of File encountered (miCopyHeader)");
        ctx.exits(kExitFailure);
    }
    if (mif_detail::firstWordIs(line, "COLUMNS")) return;
    ctx.units.writeLine(toUnit, significant(line));
  }
}

}  // namespace kestrix
