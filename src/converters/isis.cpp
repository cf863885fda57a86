// ISIS .dat/.asc files: every river section between "END GENERAL" and
// "GISINFO" that carries plan coordinates becomes one section of the store,
// its points split into the three position groups at the LEFT and RIGHT bank
// markers. The offsets are taken as read, so these sections skip ordering.

#include "converters/isis.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_end.h"
#include "store/store_limits.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "text/freeformat.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::size_t kLineWidth = 10000;  // longer lines are cut
constexpr std::size_t kSourceWidth = 256;

const char* const kReadError = "End of File encountered reading from ISIS file";

// Columns `first` to `first + width - 1` (counted from 1) of a line; the part
// beyond the end of a short line is simply missing, which reads as blank.
std::string_view columns(std::string_view line, std::size_t first, std::size_t width) {
  if (line.size() < first) return {};
  return line.substr(first - 1, width);
}

// The reading of one file: the open unit, the section being filled and the
// working point list with its count and bank-marker flags.
class IsisReader {
 public:
  IsisReader(Workspace& ws, const std::string& file) : ws_(ws), file_(file), unit_(ws.files) {}

  void run() {
    ws_.out.newline();
    ws_.out.say("Reading Cross-Section Data from " + std::string(significant(file_)) + "...");
    ++ws_.tally.inputsRead;
    unit_.open(FileMode::Input, file_);
    const int firstSection = ws_.store.nxs() + 1;
    const std::string sourcePath = fitField(FILENAMEPATH(file_), kSourceWidth);

    bool inBody = false;
    bool held = false;  // `line_` already holds the next line to examine
    for (;;) {
      if (!held) {
        const ReadStatus status = ws_.files.units.readLine(unit_.unit(), line_);
        if (status == ReadStatus::End) break;
        if (status == ReadStatus::Error) return fail();
        cut(line_);
      }
      held = false;
      if (ASAME(columns(line_, 1, 11), "END GENERAL")) inBody = true;
      if (ASAME(columns(line_, 1, 7), "GISINFO")) inBody = false;
      if (!inBody) continue;
      // The keyword must start in column 1: ASAME alone would pass over leading blanks.
      if (line_.empty() || line_[0] == ' ' || !ASAME(columns(line_, 1, 5), "RIVER")) continue;

      // Other units open with RIVER too (CES SECTION, MUSKINGUM, ...), and so
      // may the text lines of a COMMENT unit: only "SECTION" on the next line
      // makes this a river section. Otherwise that line is examined as usual.
      const ReadStatus status = ws_.files.units.readLine(unit_.unit(), next_);
      if (status == ReadStatus::End) break;
      if (status == ReadStatus::Error) return fail();
      cut(next_);
      if (!ASAME(columns(next_, 1, 7), "SECTION")) {
        line_.swap(next_);
        held = true;
        continue;
      }
      if (!readSection(sourcePath)) return fail();
    }
    warnWithoutPlanCoordinates(firstSection);
    unit_.close();
  }

 private:
  static void cut(std::string& line) {
    if (line.size() > kLineWidth) line.resize(kLineWidth);
  }

  bool nextLine(std::string& line) {
    if (ws_.files.units.readLine(unit_.unit(), line) != ReadStatus::Ok) return false;
    cut(line);
    return true;
  }

  // The next line as a view into the unit's storage, valid until the unit is read again.
  bool nextLine(std::string_view& line) {
    if (ws_.files.units.readLineView(unit_.unit(), line) != ReadStatus::Ok) return false;
    line = line.substr(0, kLineWidth);
    return true;
  }

  // One river section; `line_` holds its keyword line and `next_` the line after it.
  bool readSection(const std::string& sourcePath) {
    section_ = appendSectionWithinLimit(ws_.out, ws_.settings, ws_.tally, ws_.store);
    Section& sec = ws_.store[section_];
    sec.source[0] = sourcePath;
    sec.reach = sourcePath;
    sec.source[1] = fitField(line_, kSourceWidth);
    sec.source[2] = fitField(next_, kSourceWidth);

    if (!nextLine(line_)) return false;
    sec.id = fitField(line_, kIdWidth);
    if (!nextLine(line_)) return false;  // not used
    if (!nextLine(line_)) return false;
    std::int32_t n = 0;
    FreeFormatReader count(line_);
    if (!count.readInt(n)) return false;

    work_.count = 0;
    left_ = right_ = false;
    std::string_view line;
    for (std::int32_t i = 0; i < n; ++i) {
      if (!nextLine(line)) return false;
      ++ws_.tally.pointsRead;
      StorePoint& pt = work_.add();
      // A group receives at most c - 1 points once c has gone two past the limit.
      if (work_.count > ws_.settings.mpt + 1) tooManyPoints();
      double unused = 0.0;
      // Offset, elevation and resistance straight into single precision (one rounding, as the field's text gives it).
      if (!readFixedField(columns(line, 1, 10), pt.x) || !readFixedField(columns(line, 11, 10), pt.z) ||
          !readFixedField(columns(line, 21, 10), pt.mnr) || !readFixedField(columns(line, 32, 9), unused) ||
          !readFixedField(columns(line, 51, 10), pt.mapX) || !readFixedField(columns(line, 61, 10), pt.mapY))
        return false;
      // Most points carry no marker: a blank field holds neither word.
      const std::string_view marker = significant(columns(line, 41, 10));
      if (marker.empty()) continue;
      if (FLAGEXISTS(marker, "left")) {
        left_ = true;
        closePart(Group::kLeft);
        left_ = false;
      } else if (FLAGEXISTS(marker, "right")) {
        right_ = true;
        closePart(Group::kCentre);
      }
    }
    if (right_) {
      right_ = false;
      closePart(Group::kRight);
    } else {
      closePart(Group::kCentre);
    }
    return true;
  }

  // Closes group g with the working points; a marked point just read is held
  // back to begin the next group.
  void closePart(Group g) {
    closeGroup(ws_.out, ws_.settings, ws_.tally, ws_.store[section_], g, work_, left_ || right_);
  }

  // Sections whose points all lie at (0, 0) come from a file without plan
  // coordinates (columns 51 to 70 blank): they would all be drawn on one spot.
  void warnWithoutPlanCoordinates(int firstSection) {
    int atOrigin = 0;
    const int last = ws_.store.nxs();
    for (int s = firstSection; s <= last; ++s) {
      const Section& sec = ws_.store[s];
      bool any = false;
      bool allAtOrigin = true;
      for (const Group g : kGroups) {
        if (!allAtOrigin) break;
        for (int p = 1; p <= sec.ptCount(g); ++p) {
          any = true;
          const StorePoint& pt = sec.point(g, p);
          if (pt.mapX != 0.0 || pt.mapY != 0.0) {
            allAtOrigin = false;
            break;
          }
        }
      }
      if (any && allAtOrigin) ++atOrigin;
    }
    if (atOrigin == 0) return;
    ws_.out.newline();
    ws_.out.warning(
        AINTEGER(atOrigin) + " of the " + AINTEGER(last - firstSection + 1) + " river sections of \"" +
        std::string(significant(file_)) +
        "\" have every point at (0, 0): the file holds no plan coordinates, so these sections all lie at (0, 0)"
        " in the layers");
  }

  [[noreturn]] void tooManyPoints() { stopTooManyPoints(ws_.out, ws_.settings, ws_.tally, ws_.store[section_].id); }

  void fail() {
    ws_.out.error(kReadError);
    ws_.tally.errFound = true;
    unit_.close();
  }

  Workspace& ws_;
  const std::string& file_;
  UnitHandle unit_;
  std::string line_;
  std::string next_;
  int section_ = 0;
  WorkingGroup work_;
  bool left_ = false;
  bool right_ = false;
};

}  // namespace

void isisReadSections(Workspace& ws, const std::string& file) { IsisReader(ws, file).run(); }

}  // namespace kestrix
