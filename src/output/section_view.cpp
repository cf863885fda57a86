#include "output/section_view.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "files/paths.h"
#include "text/text.h"

namespace kestrix {

namespace {

// A point becomes the lowest of group C only below this start value.
constexpr float kLowestStart = 9.0e29f;
// Start value of the bed level search of MIKE 11 sections.
constexpr float kMike11BedStart = 99999.0f;

// The Source column is declared as wide as the longest path written, within
// what a MapInfo Char column can hold.
constexpr std::size_t kSourceMinWidth = 50;
constexpr std::size_t kSourceMaxWidth = 254;

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

// Names each section and reads its texts on the run's thread, where what it
// finds (a control character, a clashing file name, a long path) is reported.
class SectionHead {
 public:
  explicit SectionHead(Workspace& ws) : ws_(ws), st_(ws.settings) {}

  // The section's names and texts, without its points.
  SectionView head(int s) {
    const Section& sec = ws_.store[s];
    SectionView v;
    v.section = s;
    // Every output shows these texts as they are here, so a control character is blanked once, for all of them.
    std::string text = sec.id;
    const char* control = blankControlCharacters(text);
    const char* where = control != nullptr ? "identifier" : nullptr;
    v.id = significant(text);
    name(sec, v);
    for (const std::string& source : sec.source) {
      std::string probe = source;
      if (BLANK(probe)) continue;
      text = source;
      if (const char* found = blankControlCharacters(text); found != nullptr && control == nullptr) {
        control = found;
        where = "description";
      }
      v.sources.emplace_back(significant(text));
    }
    if (control != nullptr) {
      ws_.out.newline();
      ws_.out.warning("Cross-section \"" + v.id + "\": its " + where + " holds a control character (" + control +
                           "), written as a blank",
                       v.id);
    }
    return v;
  }

 private:
  // The .csv name and the Source value: the path, or the name alone when the path is too long for the column.
  void name(const Section& sec, SectionView& v) {
    const std::string base = ALPHANUMERICONLY(sec.id, '_');
    const std::string file = names_.claim(base);
    if (file != base + ".csv") {
      ws_.out.newline();
      ws_.out.warning("Cross-section \"" + v.id + "\" would overwrite " + base +
                           ".csv of an earlier section - writing " + file + " instead",
                       v.id);
    }
    v.csvPath = ADDFOLDER(st_.outFolder, file);
    v.source = v.csvPath;
    if (v.source.size() > kSourceMaxWidth) {
      // The file lies in the folder of 1d_xs, so its name alone still finds it.
      ws_.out.newline();
      ws_.out.warning("The path of \"" + file + "\" is longer than " + AINTEGER(kSourceMaxWidth) +
                       " characters - 1d_xs names the file without its folder");
      v.source = file;
    }
  }

  Workspace& ws_;
  const Settings& st_;
  CsvNames names_;
};

// A value that is not a finite number (a converted model's values can
// overflow single precision) has no text a reader could take for it: the
// run ends before anything is written.
void refuseUnwritable(Workspace& ws, const Section& sec) {
  for (const Group g : kGroups) {
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
      ws.out.newline();
      ws.out.error("Cross-section \"" + std::string(significant(sec.id)) + "\": the " + what + " of point " +
                        AINTEGER(p) + " of group " + groupLetter(g) + " is not a finite number - nothing was written",
                    significant(sec.id));
      ws.out.exits(kExitFailure);
    }
  }
}

// What the outputs show of a section's points follows from the section and
// the point rules alone; these run ahead on another thread.

// The offset added to every point of group g. Without lines the groups are
// measured from different reference points and are chained here. False, with
// the stop message set, when the store lacks the left points to chain from.
bool baseOffset(const Section& sec, const PointRules& rules, Group g, float& base, SectionView& v) {
  base = 0.0f;
  if (rules.mode != RunMode::Gis || rules.linesFound || g == Group::kLeft) return true;
  const int nL = sec.ptCount(Group::kLeft);
  if (nL == 0) {
    // The ordering stage drops such sections; reaching here means the store is inconsistent.
    v.stopMessage = g == Group::kCentre ? "should not be here - AAA" : "should not be here - BBB";
    return false;
  }
  const float lastL = nL >= 2 ? sec.point(Group::kLeft, nL).x : 0.0f;
  if (g == Group::kCentre) {
    base = lastL;
    return true;
  }
  const float lastC = sec.point(Group::kCentre, sec.ptCount(Group::kCentre)).x;
  base = lastL + lastC;
  return true;
}

void rows(const Section& sec, const PointRules& rules, SectionView& v) {
  for (const Group g : kGroups) {
    const int n = sec.ptCount(g);
    // A trimmed MIKE 11 section keeps its centre group alone.
    if (n == 0 || (rules.mode == RunMode::Mike11 && rules.trim && g != Group::kCentre)) continue;
    float base = 0.0f;
    if (!baseOffset(sec, rules, g, base, v)) return;
    for (int p = 1; p <= n; ++p) {
      const StorePoint& pt = sec.point(g, p);
      v.rows.push_back(CsvRow{base + pt.x, pt.z, pt.mnr, g, pt.dem >= 0});  // summed in single precision
      if (rules.checks) {
        v.rowMapX.push_back(pt.mapX);
        v.rowMapY.push_back(pt.mapY);
      }
    }
  }
}

// Outside MIKE 11 mode: whether group g is drawn in 1d_xs and the all points layer.
bool groupDrawn(const Section& sec, Group g) {
  const int n = sec.ptCount(g);
  if (n >= 2) return true;
  return g == Group::kLeft && n == 1 && sec.ptCount(Group::kCentre) >= 2;
}

void line(const Section& sec, const PointRules& rules, SectionView& v) {
  for (const Group g : kGroups) {
    if (rules.mode == RunMode::Mike11) {
      // The converter stores the section line's left end, crossing point and right end as point 1.
      v.lineX.push_back(sec.point(g, 1).mapX);
      v.lineY.push_back(sec.point(g, 1).mapY);
    } else if (groupDrawn(sec, g)) {
      for (int p = 1; p <= sec.ptCount(g); ++p) {
        v.lineX.push_back(sec.point(g, p).mapX);
        v.lineY.push_back(sec.point(g, p).mapY);
      }
    }
  }
  if (v.lineX.size() == 1) {
    // A polyline needs two vertices: a single vertex is drawn as a line of length zero.
    v.lineX.push_back(v.lineX.front());
    v.lineY.push_back(v.lineY.front());
  }
}

void bed(const Section& sec, const PointRules& rules, SectionView& v) {
  const int n = sec.ptCount(Group::kCentre);
  const StorePoint* at = nullptr;
  float level = 0.0f;
  if (rules.mode == RunMode::Mike11) {
    // A MIKE 11 section is marked at its crossing point, at the lowest level of its centre group.
    at = &sec.point(Group::kCentre, 1);
    level = kMike11BedStart;
    for (int p = 1; p <= n; ++p) level = std::min(level, sec.point(Group::kCentre, p).z);
  } else if (n == 1) {
    at = &sec.point(Group::kCentre, 1);
    level = at->z;
  } else if (n >= 2) {
    level = kLowestStart;
    for (int p = 1; p <= n; ++p) {
      const StorePoint& pt = sec.point(Group::kCentre, p);
      if (pt.z < level) {  // strictly lower: the first of equal minima wins
        level = pt.z;
        at = &pt;
      }
    }
  }
  if (at != nullptr) v.bed = DrawnPoint{at->mapX, at->mapY, level, Group::kCentre};
}

// The surveyed points go to _xs_all_points, the points from the terrain model to _xs_dem_points.
void allPoints(const Section& sec, SectionView& v) {
  for (const Group g : kGroups) {
    if (!groupDrawn(sec, g)) continue;
    for (int p = 1; p <= sec.ptCount(g); ++p) {
      const StorePoint& pt = sec.point(g, p);
      if (pt.dem < 0) v.points.push_back(DrawnPoint{pt.mapX, pt.mapY, pt.z, g});
    }
  }
}

void demPoints(const SectionView& v, const Section& sec, std::vector<DemPointView>& out) {
  std::size_t row = 0;
  for (const Group g : kGroups) {
    for (int p = 1; p <= sec.ptCount(g); ++p, ++row) {
      const StorePoint& pt = sec.point(g, p);
      if (pt.dem < 0) continue;
      const float offset = row < v.rows.size() ? v.rows[row].x : pt.x;
      out.push_back(DemPointView{pt.mapX, pt.mapY, offset, pt.z, pt.mnr, g, pt.dem});
    }
  }
}

// The line a GIS section was placed by: its projection line, or its start line as the report keeps it.
void guide(const Section& sec, const PointRules& rules, SectionView& v) {
  if (rules.ppol) {
    const auto n = std::min({static_cast<std::size_t>(std::max(sec.ppolNv, 0)), sec.ppolX.size(), sec.ppolY.size()});
    v.guideX.assign(sec.ppolX.begin(), sec.ppolX.begin() + static_cast<std::ptrdiff_t>(n));
    v.guideY.assign(sec.ppolY.begin(), sec.ppolY.begin() + static_cast<std::ptrdiff_t>(n));
    return;
  }
  for (const MapPoint& p : sec.startLine) {
    v.guideX.push_back(p.x);
    v.guideY.push_back(p.y);
  }
}

}  // namespace

double writtenResistance(float mnr, Resistance style, int& decimals) {
  decimals = style == Resistance::Decimal ? 3 : 0;
  if (style != Resistance::Material1000) return mnr;
  // The product is taken in single precision; only one too large for it is taken in double.
  const float product = 1000.0f * mnr;
  return std::isfinite(product) ? product : 1000.0 * static_cast<double>(mnr);
}

SectionsView viewSections(Workspace& ws) {
  const Settings& st = ws.settings;
  SectionsView view;
  if (st.optN2M || (st.mnrType == ResistanceType::Material && st.mode != RunMode::Gis)) {
    view.style = Resistance::Material1000;
  } else if (st.mnrType == ResistanceType::Material) {
    view.style = Resistance::Material;
  } else {
    view.style = Resistance::Decimal;
  }
  view.resistanceLetter = resistanceLetter(st.mnrType);
  // In MIKE 11 mode the point layers stay open until the end of the run closes them.
  view.pointLayersStayOpen = st.mode == RunMode::Mike11;
  if (st.mode == RunMode::Gis) view.demNames = st.terrain.dems;

  SectionHead viewer(ws);
  std::size_t longest = kSourceMinWidth;
  view.sections.reserve(static_cast<std::size_t>(ws.store.nxs()));
  for (int s = 1; s <= ws.store.nxs(); ++s) {
    if (!ws.store[s].use) continue;
    refuseUnwritable(ws, ws.store[s]);
    view.sections.push_back(viewer.head(s));
    // Sections of one input file or branch are written together: a new reach starts where the name changes.
    if (view.sections.size() > 1) {
      const SectionView& before = view.sections[view.sections.size() - 2];
      view.sections.back().reach = before.reach + (ws.store[before.section].reach != ws.store[s].reach ? 1 : 0);
    }
    longest = std::max(longest, std::min(view.sections.back().source.size(), kSourceMaxWidth));
  }
  view.sourceWidth = longest;
  return view;
}

PointRules pointRules(const Settings& settings, const RunTally& tally) {
  return PointRules{settings.mode, settings.optTrim, tally.linesFound, settings.optPpol, settings.checks.on};
}

void viewPoints(const Section& sec, const PointRules& rules, SectionView& v) {
  v.rows.clear();
  v.rowMapX.clear();
  v.rowMapY.clear();
  v.stopMessage.clear();
  v.lineX.clear();
  v.lineY.clear();
  v.bed.reset();
  v.points.clear();
  v.demPoints.clear();
  v.guideX.clear();
  v.guideY.clear();
  rows(sec, rules, v);
  line(sec, rules, v);
  bed(sec, rules, v);
  if (rules.mode != RunMode::Mike11) allPoints(sec, v);
  if (rules.mode == RunMode::Gis) demPoints(v, sec, v.demPoints);
  if (rules.mode == RunMode::Gis) guide(sec, rules, v);
}

}  // namespace kestrix
