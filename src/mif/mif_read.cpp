// Classifying object keyword lines and reading the geometry of points, lines
// and single-section polylines. Called once per .mif line, so the buffers of
// the caller are reused and nothing is allocated on the way through.

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "base/run_end.h"
#include "mif/mif.h"
#include "text/freeformat.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr int kMaxPolygons = 10000;

struct Keyword {
  std::string_view text;
  MifObjectKind kind;
};

// In the order in which they are tried; PLINE is tried only when PLINE
// MULTIPLE did not match, and COLLECTION ends the run before any of them.
constexpr Keyword kKeywords[] = {
    {"NONE", MifObjectKind::None},
    {"ARC", MifObjectKind::Arc},
    {"ELLIPSE", MifObjectKind::Ellipse},
    {"LINE", MifObjectKind::Line},
    {"PLINE MULTIPLE", MifObjectKind::PlineMultiple},
    {"PLINE", MifObjectKind::Pline},
    {"POINT", MifObjectKind::Point},
    {"RECT", MifObjectKind::Rect},
    {"REGION", MifObjectKind::Region},
    {"ROUNDRECT", MifObjectKind::RoundRect},
    {"TEXT", MifObjectKind::Text},
    {"MULTIPOINT", MifObjectKind::MultiPoint},
};

[[noreturn]] void unreadable(FileAccess& files, std::string_view text) {
  files.out.coded(Severity::Error, "0308", "Reading .mif file.  Erroneous line is:");
  files.out.say(significant(text));
  files.out.exits(kExitFailure);
}

[[noreturn]] void unexpectedEnd(FileAccess& files) {
  files.out.coded(Severity::Error, "0309", "Unexpected end of .mif file encountered.");
  files.out.exits(kExitFailure);
}

// True when the free-format list in `text` holds fewer than `index`+1 items,
// i.e. a read of item `index` failed because the line ran out rather than
// because the item is not a number.
bool lineRanOut(std::string_view text, int index) {
  FreeFormatReader reader(text);
  std::string item;
  for (int i = 0; i <= index; ++i)
    if (!reader.readText(item, std::numeric_limits<std::size_t>::max())) return true;
  return false;
}

// Ends the run for a value that could not be read from `text`.
[[noreturn]] void readFailure(FileAccess& files, std::string_view text, int index) {
  if (lineRanOut(text, index)) unexpectedEnd(files);
  unreadable(files, text);
}

// Reads numbers from `text` into the given places in turn, ending the run on a failure.
void readNumbers(FileAccess& files, std::string_view text, std::initializer_list<double*> values) {
  FreeFormatReader reader(text);
  int index = 0;
  for (double* v : values) {
    if (!reader.readDouble(*v)) readFailure(files, text, index);
    ++index;
  }
}

// Reads the next .mif line into `line`, ending the run when there is none.
void nextLine(FileAccess& files, int geomUnit, std::string_view& line) {
  switch (files.units.readLineView(geomUnit, line)) {
    case ReadStatus::Ok: return;
    case ReadStatus::End: unexpectedEnd(files);
    case ReadStatus::Error: unreadable(files, line);
  }
}

void ensureNodes(std::vector<double>& x, std::vector<double>& y, std::size_t n) {
  if (x.size() < n) x.resize(n);
  if (y.size() < n) y.resize(n);
}

bool isBlankText(std::string_view text) {
  for (const char c : text)
    if (c != ' ' && c != '\t') return false;
  return true;
}

// The first letters of the keywords and of COLLECTION: a line that starts
// with any other character is no object keyword line.
constexpr auto kKeywordStarts = [] {
  std::array<bool, 256> starts{};
  for (const Keyword& k : kKeywords) starts[static_cast<unsigned char>(k.text[0])] = true;
  starts['C'] = true;
  return starts;
}();

bool mayStartKeyword(char c) { return kKeywordStarts[static_cast<unsigned char>(upperAscii(c))]; }

}  // namespace

void miInitObject(miObjectType& type) { type = miObjectType{}; }

bool miReadObjectType(FileAccess& files, std::string_view line, std::string_view& rest, miObjectType& type) {
  miInitObject(type);
  // Most lines of a layer are clauses such as "Symbol" or "Pen": a first
  // character that begins no keyword settles them at once.
  std::size_t first = 0;
  while (first < line.size() && (line[first] == ' ' || line[first] == '\t')) ++first;
  if (first < line.size() && !mayStartKeyword(line[first])) {
    rest = line.substr(first);
    return false;
  }

  // Leading blanks and TABs are skipped, but never past the last significant
  // character: on a line of blanks and TABs alone that is its last TAB (or
  // its start), where no keyword starts.
  std::size_t pos = first;
  if (first == line.size()) {
    const std::size_t length = significant(line).size();
    pos = length > 0 ? length - 1 : 0;
  }

  // A keyword counts when the line goes on with it, in any case; the word
  // may run on ("POINTS" is a point).
  const std::string_view text = line.substr(std::min(pos, line.size()));
  const auto startsWith = [text](std::string_view keyword) {
    if (text.size() < keyword.size()) return false;
    for (std::size_t i = 0; i < keyword.size(); ++i)
      if (upperAscii(text[i]) != keyword[i]) return false;
    return true;
  };
  const char lead = text.empty() ? '\0' : upperAscii(text[0]);
  if (lead == 'C' && startsWith("COLLECTION")) {
    files.out.coded(Severity::Error, "0303", "MIF \"Collection\" objects not supported.  Delete or disaggregate object.");
    files.out.exits(kExitFailure);
  }
  for (const Keyword& k : kKeywords) {
    if (k.text[0] == lead && startsWith(k.text)) {
      type.kind = k.kind;
      pos += k.text.size();
      break;
    }
  }
  const std::string_view after = line.substr(std::min(pos, line.size()));

  if (type.kind == MifObjectKind::Region) {
    std::int32_t polygons = 0;
    FreeFormatReader reader(after);
    if (!reader.readInt(polygons)) unreadable(files, after);
    if (polygons > kMaxPolygons) {
      files.out.coded(Severity::Error, "0304",
                    "Exceeded maximum number of polygons in region below of " + AINTEGER(kMaxPolygons));
      files.out.say(significant(line));
      files.out.exits(kExitFailure);
    }
    type.nPolygons = polygons;
  }
  rest = after;
  return type.kind != MifObjectKind::Unknown;
}

bool miReadObject(FileAccess& files, std::string_view rest, int geomUnit, const miObjectType& type, std::vector<double>& x,
                  std::vector<double>& y, int nodeLimit, int& nodeCount, double& centreX, double& centreY) {
  if (type.kind == MifObjectKind::Point) {
    // The coordinates may stand on the line below the keyword.
    if (isBlankText(rest)) nextLine(files, geomUnit, rest);
    ensureNodes(x, y, 2);
    readNumbers(files, rest, {&x[0], &y[0]});
    nodeCount = 1;
    x[1] = x[0];
    y[1] = y[0];
    centreX = x[0];
    centreY = y[0];
    return true;
  }
  if (type.kind == MifObjectKind::Line) {
    ensureNodes(x, y, 2);
    readNumbers(files, rest, {&x[0], &y[0], &x[1], &y[1]});
    nodeCount = 2;
    return true;
  }
  if (type.kind == MifObjectKind::Pline) {
    std::int32_t n = 0;
    {
      FreeFormatReader reader(rest);
      if (!reader.readInt(n)) readFailure(files, rest, 0);
    }
    // A negative count can only be a damaged file.
    if (n < 0) unreadable(files, rest);
    miCheckNodes(files, n, nodeLimit);
    ensureNodes(x, y, static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      nextLine(files, geomUnit, rest);
      readNumbers(files, rest, {&x[i], &y[i]});
    }
    nodeCount = n;
    return true;
  }
  return false;
}

void miCheckNodes(FileAccess& files, int count, int limit) {
  if (count <= limit) return;
  files.out.coded(Severity::Error, "0310", "Exceeded number of allowable nodes in a single polyline or region.");
  files.out.say("             Requested" + formatInt(count, 8) + "        Limit" + formatInt(limit, 8));
  files.out.exits(kExitFailure);
}

}  // namespace kestrix
