#include "output/section_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/run_end.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "mif/mif.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

// A point becomes the lowest of group C only below this start value.
constexpr float kLowestStart = 9.0e29f;
// Start value of the bed level search of MIKE 11 sections.
constexpr float kMike11BedStart = 99999.0f;

constexpr std::string_view kBedSymbol = "    Symbol (41,65535,8,\"MapInfo Symbols\",16,0)";
constexpr std::string_view kGroupSymbol[3] = {"    Symbol (32,65535,5)", "    Symbol (33,16711935,5)",
                                              "    Symbol (32,16776960,4)"};

// The Source column is declared as wide as the longest path written, within
// what a MapInfo Char column can hold; its line is made per run.
constexpr std::size_t kSourceMinWidth = 50;
constexpr std::size_t kSourceMaxWidth = 254;
constexpr std::string_view kSectionColumnsAfterSource[] = {
    "  Type Char(2)",      "  Flags Char(10)",    "  Column_1 Char(20)", "  Column_2 Char(20)",
    "  Column_3 Char(20)", "  Column_4 Char(20)", "  Column_5 Char(20)", "  Column_6 Char(20)",
    "  Z_Increment Float", "  Z_Maximum Float",   "Data",                ""};

constexpr std::string_view kPointColumns[] = {"Columns 2", "  XS_ID Char(100)", "  Z Float", "Data", ""};

// How a non-zero resistance value is written.
enum class Resistance {
  Material1000,  // 1000 times the value as a whole number (n converted to a material)
  Material,      // the value itself as a whole number
  Decimal        // the value with 3 decimals
};

// One output layer: its two units and the kind of object it holds.
struct Layer {
  int geom = 0;
  int attr = 0;
  miObjectType type;
};

// Hands out .csv file names that no earlier section of the run took, compared
// case-blind so that a run names its files alike on Windows and Linux.
class CsvNames {
 public:
  // The name for a cleaned identifier: base + ".csv", or base + "_k.csv" with the first free k from 2.
  std::string claim(const std::string& base) {
    std::string name = base + ".csv";
    std::string key = LOWERCASE(name);
    if (used_.count(key) != 0) {
      // Remember where the search for this base stopped, so that many
      // colliding identifiers do not rescan the same suffixes.
      int& next = next_[LOWERCASE(base)];
      if (next < 2) next = 2;
      do {
        name = base + "_" + AINTEGER(next++) + ".csv";
        key = LOWERCASE(name);
      } while (used_.count(key) != 0);
    }
    used_.insert(std::move(key));
    return name;
  }

 private:
  std::unordered_set<std::string> used_;
  std::unordered_map<std::string, int> next_;
};

// The .mif whose header the output layers copy: the first layer named the way
// the layer readers open it, so that a name given without extension works.
std::string headerSource(const std::vector<std::string>& inFiles) {
  if (inFiles.empty()) return std::string();
  std::string name = TRIMF(inFiles.front());
  if (name.empty()) return name;
  const std::string ext = FILEEXT(name);
  if (ext == ".mif" || ext == ".mid") name = FILENAMEPATH(name);
  return name + ".mif";
}

void openLayer(Workspace& ctx, std::string_view name, int fromUnit, Layer& layer, bool points) {
  miOpenLayer(ctx.layers, ADDFOLDER(ctx.settings.outFolder, name), layer.geom, layer.attr, FileMode::Output);
  miCopyHeader(ctx.files, fromUnit, layer.geom);
  miInitObject(layer.type);
  if (points) {
    layer.type.point = true;
  } else {
    layer.type.pline = true;
  }
}

template <std::size_t N>
void writeColumns(Workspace& ctx, const Layer& layer, const std::string_view (&lines)[N]) {
  for (const std::string_view line : lines) ctx.files.units.writeLine(layer.geom, line);
}

void closeLayer(Workspace& ctx, Layer& layer) {
  CLOSER(ctx.files, layer.geom);
  CLOSER(ctx.files, layer.attr);
}

// A number too wide for its field is written in full: a wider field in a
// comma-separated row. Returns the text and whether it was widened.
bool appendNumber(std::string& line, const std::string& text, int width) {
  line += text;
  return text.size() > static_cast<std::size_t>(width);
}

// The resistance field; false when the value had to be widened.
bool appendResistance(std::string& line, float mnr, Resistance style, std::string& text) {
  if (mnr == 0.0f) return true;  // an exact 0 leaves the field empty
  switch (style) {
    case Resistance::Material1000: {
      // The product is taken in single precision; only one too large for it is taken in double.
      const float product = 1000.0f * mnr;
      text = formatWholeFull(std::isfinite(product) ? product : 1000.0 * static_cast<double>(mnr), 6);
      return !appendNumber(line, text, 6);
    }
    case Resistance::Material:
      text = formatWholeFull(mnr, 6);
      return !appendNumber(line, text, 6);
    case Resistance::Decimal:
      text = formatFixedFull(mnr, 10, 3);
      return !appendNumber(line, text, 10);
  }
  return true;
}

// The offset added to every point of group g. Without lines the groups are
// measured from different reference points and are chained here.
float baseOffset(Workspace& ctx, const Section& sec, int g) {
  const Settings& st = ctx.settings;
  if (!st.gisMode || st.linesFound || g == kLeft) return 0.0f;
  const int nL = sec.ptCount(kLeft);
  if (nL == 0) {
    // The ordering stage drops such sections; reaching here means the store is inconsistent.
    ctx.out.say(g == kCentre ? "should not be here - AAA" : "should not be here - BBB");
    ctx.out.exits(kExitFailure);
  }
  const float lastL = nL >= 2 ? sec.point(kLeft, nL).x : 0.0f;
  if (g == kCentre) return lastL;
  const float lastC = sec.point(kCentre, sec.ptCount(kCentre)).x;
  return lastL + lastC;
}

// Outside MIKE 11 mode: whether group g is drawn in 1d_xs and the all points layer.
bool groupDrawn(const Section& sec, int g) {
  const int n = sec.ptCount(g);
  if (n >= 2) return true;
  return g == kLeft && n == 1 && sec.ptCount(kCentre) >= 2;
}

// Where one section's files go, settled before anything is opened.
struct SectionPlan {
  int section = 0;     // index in the store
  std::string path;    // the .csv file as opened
  std::string source;  // the Source value of its 1d_xs row
};

// Everything one call of the writer keeps between sections.
class SectionWriter {
 public:
  explicit SectionWriter(Workspace& ctx) : ctx_(ctx), st_(ctx.settings) {
    if (st_.optN2M || (st_.mnrType == 'M' && (st_.optIsis || st_.optM11))) {
      style_ = Resistance::Material1000;
    } else if (st_.mnrType == 'M') {
      style_ = Resistance::Material;
    } else {
      style_ = Resistance::Decimal;
    }
    const std::string letter(1, st_.mnrType);
    heading_ = "\"X\",\"Z\",\"" + letter + "\",\"LCR\"";
    sourceTail_ = ",\"XZ\",\"" + letter + "P\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0";
  }

  // Names every .csv file and every Source value, and refuses a run whose
  // outputs would replace one of its inputs, before a single file is opened.
  void plan() {
    const int nxs = ctx_.store.nxs();
    std::size_t longest = kSourceMinWidth;
    for (int s = 1; s <= nxs; ++s) {
      const Section& sec = ctx_.store[s];
      if (!sec.use) continue;
      refuseUnwritable(sec);
      const std::string name = csvName(sec, significant(sec.id));
      SectionPlan plan{s, ADDFOLDER(st_.outFolder, name), std::string()};
      plan.source = plan.path;
      if (plan.source.size() > kSourceMaxWidth) {
        // The file lies in the folder of 1d_xs, so its name alone still finds it.
        ctx_.out.newline();
        ctx_.out.say("WARNING - The path of \"" + name + "\" is longer than " + AINTEGER(kSourceMaxWidth) +
                 " characters - 1d_xs names the file without its folder");
        plan.source = name;
      }
      longest = std::max(longest, std::min(plan.source.size(), kSourceMaxWidth));
      plans_.push_back(std::move(plan));
    }
    sourceColumn_ = "  Source Char(" + std::to_string(longest) + ")";

    // The layer whose header the outputs copy is read too (in the converter
    // modes only here), so it is guarded like every other input.
    ctx_.files.inputs.add(ctx_.files.fs, headerSource(st_.inFiles));
    std::vector<std::string> outputs;
    outputs.reserve(plans_.size() + 6);
    for (const SectionPlan& p : plans_) outputs.push_back(p.path);
    for (const std::string_view layer : {"1d_xs", "_xs_bed_points", "_xs_all_points"}) {
      const std::string base = ADDFOLDER(st_.outFolder, layer);
      outputs.push_back(base + ".mif");
      outputs.push_back(base + ".mid");
    }
    guardOutputs(ctx_.files, outputs);
  }

  void open() {
    int from = 0;
    OPENFILE(ctx_.files, from, FileMode::Input, headerSource(st_.inFiles));
    openLayer(ctx_, "1d_xs", from, lines_, false);
    openLayer(ctx_, "_xs_bed_points", from, bed_, true);
    openLayer(ctx_, "_xs_all_points", from, all_, true);
    CLOSER(ctx_.files, from);
    ctx_.files.units.writeLine(lines_.geom, "Columns 11");
    ctx_.files.units.writeLine(lines_.geom, sourceColumn_);
    writeColumns(ctx_, lines_, kSectionColumnsAfterSource);
    writeColumns(ctx_, bed_, kPointColumns);
    writeColumns(ctx_, all_, kPointColumns);
  }

  void writeAll() {
    for (const SectionPlan& p : plans_) write(ctx_.store[p.section], p);
  }

  void close() {
    closeLayer(ctx_, lines_);
    // In MIKE 11 mode the point layers stay open until the end of the run closes them.
    if (!st_.optM11) {
      closeLayer(ctx_, bed_);
      closeLayer(ctx_, all_);
    }
  }

 private:
  void write(const Section& sec, const SectionPlan& plan) {
    const std::string_view id = significant(sec.id);
    quotedId_ = quoted(id);
    quotedId_ += ',';
    widened_ = false;
    writeCsv(sec, plan.path);
    ++ctx_.tally.csvWritten;
    writeSectionLine(sec, id, plan.source);
    writeBedPoint(sec);
    if (!st_.optM11) writeAllPoints(sec);
  }

  // A value that is not a finite number (a converted model's values can
  // overflow single precision) has no text a reader could take for it: the
  // run ends before anything is written.
  void refuseUnwritable(const Section& sec) {
    for (int g = kLeft; g <= kRight; ++g) {
      for (int p = 1; p <= sec.ptCount(g); ++p) {
        const StorePoint& pt = sec.point(g, p);
        const char* what = nullptr;
        if (!std::isfinite(pt.x)) {
          what = "offset";
        } else if (!std::isfinite(pt.z)) {
          what = "level";
        } else if (!std::isfinite(pt.mnr)) {
          what = "resistance value";
        } else if (!std::isfinite(pt.mapX) || !std::isfinite(pt.mapY)) {
          what = "map position";
        } else {
          continue;
        }
        ctx_.out.newline();
        ctx_.out.say("ERROR - Cross-section \"" + std::string(significant(sec.id)) + "\": the " + what + " of point " +
                     AINTEGER(p) + " of group " + groupLetter(g) + " is not a finite number - nothing was written");
        ctx_.out.exits(kExitFailure);
      }
    }
  }

  std::string csvName(const Section& sec, std::string_view id) {
    const std::string base = ALPHANUMERICONLY(sec.id, '_');
    std::string name = names_.claim(base);
    if (name != base + ".csv") {
      ctx_.out.newline();
      ctx_.out.say("WARNING - Cross-section \"" + std::string(id) + "\" would overwrite " + base +
               ".csv of an earlier section - writing " + name + " instead");
    }
    return name;
  }

  // One warning per section whose values did not fit their fixed columns:
  // they are written in full, and the user should know the layout is wider.
  void noteWidened(const Section& sec, const std::string& text, std::string_view file) {
    if (widened_) return;
    widened_ = true;
    ctx_.out.newline();
    ctx_.out.say("WARNING - Cross-section \"" + std::string(significant(sec.id)) + "\": the value " + TRIMF(text) +
             " does not fit its column in " + std::string(file) + " - written in full");
  }

  void writeCsv(const Section& sec, const std::string& path) {
    int unit = 0;
    OPENFILE(ctx_.files, unit, FileMode::Output, path);
    line_ = quotedId_;
    for (const std::string& source : sec.source) {
      std::string probe = source;
      if (BLANK(probe)) continue;
      line_ += quoted(significant(source));
      line_ += ',';
    }
    ctx_.files.units.writeLine(unit, line_);
    ctx_.files.units.writeLine(unit, heading_);
    for (int g = kLeft; g <= kRight; ++g) {
      const int n = sec.ptCount(g);
      if (n == 0 || (st_.optM11 && st_.optTrim && g != kCentre)) continue;
      const float base = baseOffset(ctx_, sec, g);
      for (int p = 1; p <= n; ++p) {
        const StorePoint& pt = sec.point(g, p);
        const float x = base + pt.x;  // summed in single precision
        line_.clear();
        number_ = formatFixedFull(x, 10, 3);
        if (appendNumber(line_, number_, 10)) noteWidened(sec, number_, path);
        line_ += ',';
        number_ = formatFixedFull(pt.z, 8, 3);
        if (appendNumber(line_, number_, 8)) noteWidened(sec, number_, path);
        line_ += ',';
        if (!appendResistance(line_, pt.mnr, style_, number_)) noteWidened(sec, number_, path);
        line_ += ',';
        line_ += formatInt(g, 2);
        ctx_.files.units.writeLine(unit, line_);
      }
    }
    CLOSER(ctx_.files, unit);
  }

  void writeSectionLine(const Section& sec, std::string_view id, const std::string& source) {
    vx_.clear();
    vy_.clear();
    for (int g = kLeft; g <= kRight; ++g) {
      if (st_.optM11) {
        // The converter stores the section line's left end, crossing point and right end as point 1.
        vx_.push_back(sec.point(g, 1).mapX);
        vy_.push_back(sec.point(g, 1).mapY);
      } else if (groupDrawn(sec, g)) {
        for (int p = 1; p <= sec.ptCount(g); ++p) {
          vx_.push_back(sec.point(g, p).mapX);
          vy_.push_back(sec.point(g, p).mapY);
        }
      }
    }
    if (vx_.empty()) {
      ctx_.out.newline();
      ctx_.out.say("WARNING - Cross-section \"" + std::string(id) +
               "\" has no points to draw in 1d_xs - its line is left out of 1d_xs");
      return;
    }
    if (vx_.size() == 1) {
      // A polyline needs two vertices: a single vertex is drawn as a line of length zero.
      vx_.push_back(vx_.front());
      vy_.push_back(vy_.front());
    }
    writeObject(sec, lines_, vx_.data(), vy_.data(), static_cast<int>(vx_.size()), "", "1d_xs.mif");
    line_ = quoted(source);
    line_ += sourceTail_;
    ctx_.files.units.writeLine(lines_.attr, line_);
  }

  void writeObject(const Section& sec, const Layer& layer, const double* x, const double* y, int n,
                   std::string_view clause, std::string_view file) {
    number_.clear();
    if (!miWriteObject(ctx_.files, layer.geom, layer.type, x, y, n, clause, "", &number_)) noteWidened(sec, number_, file);
  }

  // A point layer's .mid row: the identifier and the Z in 8 columns.
  void writePointRow(const Section& sec, const Layer& layer, float z, std::string_view file) {
    line_ = quotedId_;
    number_ = formatFixedFull(z, 8, 3);
    if (appendNumber(line_, number_, 8)) noteWidened(sec, number_, file);
    ctx_.files.units.writeLine(layer.attr, line_);
  }

  void writeBedPoint(const Section& sec) {
    const int n = sec.ptCount(kCentre);
    const StorePoint* at = nullptr;
    float level = 0.0f;
    if (st_.optM11) {
      at = &sec.point(kCentre, 1);
      level = kMike11BedStart;
      for (int p = 1; p <= n; ++p) level = std::min(level, sec.point(kCentre, p).z);
    } else if (n == 1) {
      at = &sec.point(kCentre, 1);
      level = at->z;
    } else if (n >= 2) {
      level = kLowestStart;
      for (int p = 1; p <= n; ++p) {
        const StorePoint& pt = sec.point(kCentre, p);
        if (pt.z < level) {  // strictly lower: the first of equal minima wins
          level = pt.z;
          at = &pt;
        }
      }
    }
    if (at == nullptr) return;
    writeObject(sec, bed_, &at->mapX, &at->mapY, 1, kBedSymbol, "_xs_bed_points.mif");
    writePointRow(sec, bed_, level, "_xs_bed_points.mid");
  }

  void writeAllPoints(const Section& sec) {
    for (int g = kLeft; g <= kRight; ++g) {
      if (!groupDrawn(sec, g)) continue;
      for (int p = 1; p <= sec.ptCount(g); ++p) {
        const StorePoint& pt = sec.point(g, p);
        writeObject(sec, all_, &pt.mapX, &pt.mapY, 1, kGroupSymbol[g - 1], "_xs_all_points.mif");
        writePointRow(sec, all_, pt.z, "_xs_all_points.mid");
      }
    }
  }

  Workspace& ctx_;
  const Settings& st_;
  Resistance style_ = Resistance::Decimal;
  std::string heading_;
  std::string sourceTail_;
  std::string sourceColumn_;
  std::vector<SectionPlan> plans_;
  Layer lines_;
  Layer bed_;
  Layer all_;
  CsvNames names_;
  std::string quotedId_;
  std::string line_;
  std::string number_;
  bool widened_ = false;
  std::vector<double> vx_;
  std::vector<double> vy_;
};

}  // namespace

void xsWriteSections(Workspace& ctx) {
  SectionWriter writer(ctx);
  writer.plan();
  writer.open();
  writer.writeAll();
  writer.close();
}

}  // namespace kestrix
