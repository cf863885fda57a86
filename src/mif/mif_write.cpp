// Writing point and polyline objects to an output .mif, and copying the
// header of a source .mif so that an output layer keeps its coordinate
// system and file settings.

#include "base/run_end.h"
#include "mif/mif.h"
#include "mif/mif_words.h"
#include "text/line_end.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr int kCoordWidth = 16;
constexpr int kCoordDecimals = 6;

// A coordinate in its 16 columns. The fields have no separator, so one that
// needs all 16 columns or more gets exactly one blank before it: two numbers
// must never run together, and no digit is ever replaced by asterisks.
// Returns false for such a wide coordinate.
bool appendCoordinate(std::string& line, double v, std::string* wide) {
  const std::size_t start = line.size();
  const std::size_t length = appendFixedFull(line, v, kCoordWidth, kCoordDecimals);
  if (line[start] == ' ') return true;
  line.insert(start, 1, ' ');
  if (wide != nullptr && wide->empty()) wide->assign(line, start + 1, length);
  return false;
}

// The two coordinates of a vertex in one piece at `out`, which has room for
// 48 characters: the end, or null when one of them needs all 16 columns or
// more (and so the general layout).
char* writeShortVertex(char* out, double x, double y) {
  char* const second = writeFixedShort(out, x, kCoordWidth, kCoordDecimals);
  if (second == nullptr || *out != ' ') return nullptr;
  char* const end = writeFixedShort(second, y, kCoordWidth, kCoordDecimals);
  if (end == nullptr || *second != ' ') return nullptr;
  return end;
}

// One vertex line, `lead` and the two coordinates; false when one was wide.
// Common coordinates are written in one piece, the others one at a time.
bool appendVertex(std::string& out, std::string_view lead, double x, double y, std::string* wide) {
  char text[64];
  lead.copy(text, lead.size());
  if (const char* const end = writeShortVertex(text + lead.size(), x, y)) {
    out.append(text, static_cast<std::size_t>(end - text));
    out += kLineEnd;
    return true;
  }
  out += lead;
  bool fits = appendCoordinate(out, x, wide);
  fits = appendCoordinate(out, y, wide) && fits;
  out += kLineEnd;
  return fits;
}

bool isBlankClause(std::string_view clause) {
  for (const char c : clause)
    if (c != ' ' && c != '\t') return false;
  return true;
}

constexpr std::string_view kDelimiterLine = "Delimiter \",\"";

// The header an output layer gets when its source has a Columns section: the
// lines as copied, with the delimiter declared as the comma that every .mid
// row of this program uses. Without a Delimiter line MIF means TAB, so one is
// added after the Version and Charset lines.
void writeCopiedHeader(FileAccess& files, int toUnit, const std::vector<std::string>& header) {
  std::size_t insertAt = 0;
  bool hasDelimiter = false;
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (mif_detail::firstWordIs(header[i], "DELIMITER")) hasDelimiter = true;
    if (mif_detail::firstWordIs(header[i], "VERSION") || mif_detail::firstWordIs(header[i], "CHARSET")) insertAt = i + 1;
  }
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (!hasDelimiter && i == insertAt) files.units.writeLine(toUnit, kDelimiterLine);
    if (mif_detail::firstWordIs(header[i], "DELIMITER")) {
      files.units.writeLine(toUnit, kDelimiterLine);
    } else {
      files.units.writeLine(toUnit, header[i]);
    }
  }
  if (!hasDelimiter && insertAt == header.size()) files.units.writeLine(toUnit, kDelimiterLine);
}

// The header of a source without a Columns section: only its character set
// and coordinate system can be trusted, the rest is the writer's own.
void writeOwnHeader(FileAccess& files, int toUnit, const std::vector<std::string>& header) {
  std::string charset = "Charset \"WindowsLatin1\"";
  for (const std::string& line : header)
    if (mif_detail::firstWordIs(line, "CHARSET")) charset = line;
  files.units.writeLine(toUnit, "Version 300");
  files.units.writeLine(toUnit, charset);
  files.units.writeLine(toUnit, kDelimiterLine);
  bool inCoordSys = false;
  for (const std::string& line : header) {
    if (mif_detail::firstWordIs(line, "COORDSYS")) {
      inCoordSys = true;
    } else if (!(inCoordSys && mif_detail::firstWordIs(line, "BOUNDS"))) {
      inCoordSys = false;
    }
    if (inCoordSys) files.units.writeLine(toUnit, line);
  }
}

}  // namespace

bool miWriteObject(FileAccess& files, int geomUnit, const miObjectType& type, const double* x, const double* y, int n,
                   std::string_view clause1, std::string_view clause2, std::string* wide) {
  // The object goes out as one piece: one write to the unit, whatever its vertex count.
  std::string object;
  const bool fits = miFormatObject(object, type, x, y, n, clause1, clause2, wide);
  files.units.write(geomUnit, object);
  return fits;
}

bool miFormatObject(std::string& out, const miObjectType& type, const double* x, const double* y, int n,
                    std::string_view clause1, std::string_view clause2, std::string* wide) {
  bool fits = true;
  if (type.kind == MifObjectKind::Point) {
    fits = appendVertex(out, "Point ", x[0], y[0], wide);
  } else if (type.kind == MifObjectKind::Pline) {
    out += "Pline ";
    out += AINTEGER(n);
    out += kLineEnd;
    for (int i = 0; i < n; ++i) fits = appendVertex(out, "", x[i], y[i], wide) && fits;
  }
  // A clause goes out exactly as the writer passed it, trailing blanks included.
  for (const std::string_view clause : {clause1, clause2}) {
    if (isBlankClause(clause)) continue;
    out += clause;
    out += kLineEnd;
  }
  return fits;
}

void miCopyHeader(FileAccess& files, int fromUnit, int toUnit) {
  files.out.detail("Copying header info from file unit " + AINTEGER(fromUnit) + " to " + AINTEGER(toUnit) + "...");
  files.units.rewind(fromUnit);
  // The header ends at the "Columns" line itself; a column whose name merely
  // contains that word comes after it and is never looked at. It never runs
  // into the objects: a source without a Columns line ends at its "Data" line
  // or at its first object, so no object is copied into an output header.
  std::vector<std::string> header;
  std::string line;
  bool columns = false;
  bool end = false;
  while (!end) {
    if (files.units.atEnd(fromUnit)) break;
    switch (files.units.readLine(fromUnit, line)) {
      case ReadStatus::Ok: break;
      case ReadStatus::Error:
        files.out.newline();
        files.out.coded(Severity::Error, "0301", "Reading data (miCopyHeader)");
        files.out.exits(kExitFailure);
      case ReadStatus::End:
        files.out.newline();
        files.out.coded(Severity::Error, "0302", "End of File encountered (miCopyHeader)");
        files.out.exits(kExitFailure);
    }
    // A CR inside a line ends a line for the GIS that reads the layer, and a
    // bare CR must not stand inside a written line: each part is a line.
    std::string_view rest = line;
    for (bool last = false; !last;) {
      const std::size_t cr = rest.find('\r');
      last = cr == std::string_view::npos;
      const std::string_view part = rest.substr(0, cr);
      if (!last) rest.remove_prefix(cr + 1);
      if (mif_detail::firstWordIs(part, "COLUMNS")) {
        columns = end = true;
        break;
      }
      if (mif_detail::firstWordIs(part, "DATA") || mif_detail::beginsObject(part)) {
        end = true;
        break;
      }
      header.emplace_back(significant(part));
    }
  }
  if (columns) {
    writeCopiedHeader(files, toUnit, header);
  } else {
    writeOwnHeader(files, toUnit, header);
  }
}

}  // namespace kestrix
