#include "geometry/terrain_extension.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/run_end.h"
#include "geometry/line_samples.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

// A distance or a level as messages show it: three decimals, never asterisks.
std::string shown(double value) { return formatFixedFull(value, 1, 3); }

// The line a section was placed by: its projection line with -ppol, else its start line.
void lineOf(const Section& sec, bool ppol, std::vector<double>& xs, std::vector<double>& ys) {
  xs.clear();
  ys.clear();
  if (ppol) {
    const auto n = std::min({static_cast<std::size_t>(std::max(sec.ppolNv, 0)), sec.ppolX.size(), sec.ppolY.size()});
    xs.assign(sec.ppolX.begin(), sec.ppolX.begin() + static_cast<std::ptrdiff_t>(n));
    ys.assign(sec.ppolY.begin(), sec.ppolY.begin() + static_cast<std::ptrdiff_t>(n));
    return;
  }
  for (const MapPoint& p : sec.startLine) {
    xs.push_back(p.x);
    ys.push_back(p.y);
  }
}

// Which side of the survey a sample extends.
enum class Side { kLeft, kRight };

const char* sideName(Side side) { return side == Side::kLeft ? "left" : "right"; }

class Extension {
 public:
  Extension(Reporter& out, RunTally& tally, const TerrainWork& work)
      : out_(out), tally_(tally), work_(work), set_(work.settings.terrain) {
    step_ = set_.step > 0.0 ? set_.step : work.terrain.finestCell();
    gap_ = set_.gap >= 0.0 ? set_.gap : step_ / 2.0;
  }

  // Extends or cuts one section; false when it has no line to sample along.
  bool section(Section& sec) {
    lineOf(sec, work_.settings.optPpol, xs_, ys_);
    if (xs_.empty()) {
      // A line without vertices was already said to be ignored; a cut section without one has nothing to be.
      if (sec.demCut) sec.use = false;
      return sec.demCut;
    }
    // Every offset, surveyed or from the DEM, is measured from the line's first vertex.
    sec.start = MapPoint{xs_[0], ys_[0]};
    samples_ = lineSamples(xs_, ys_, step_);
    if (sec.demCut) {
      cut(sec);
    } else {
      extend(sec);
    }
    return true;
  }

 private:
  // Gives the point at sample `s` its elevation and resistance; false when no DEM has a value there.
  bool sampled(const LineSample& s, float resistance, StorePoint& pt) {
    double z = 0.0;
    int source = -1;
    if (!work_.terrain.elevation(s.x, s.y, z, source)) return false;
    pt = StorePoint{};
    pt.mapX = s.x;
    pt.mapY = s.y;
    pt.x = s.offset;
    pt.z = static_cast<float>(z);
    pt.mnr = resistance;
    if (work_.landUse != nullptr) work_.landUse->resistance(s.x, s.y, pt.mnr);
    pt.dem = source;
    return true;
  }

  void add(Section& sec, Group g, const StorePoint& pt) {
    if (sec.ptCount(g) + 1 > work_.settings.mpt) {
      out_.newline();
      out_.error("Exceeded number of allowable points per cross-section section.", significant(sec.id));
      out_.say("        Cross-section \"" + std::string(significant(sec.id)) + "\": raise -demstep or -mpt");
      tally_.errFound = true;
      out_.exits(kExitFailure);
    }
    sec.append(g, pt);
    ++tally_.demPoints;
  }

  void cut(Section& sec) {
    const std::string id(significant(sec.id));
    int missing = 0;
    int values = 0;
    StorePoint pt;
    for (const LineSample& s : samples_) {
      if (!sampled(s, 0.0f, pt)) {
        ++missing;
        continue;
      }
      add(sec, Group::kCentre, pt);
      ++values;
    }
    if (missing > 0) {
      out_.newline();
      out_.warning("XS \"" + id + "\": " + AINTEGER(missing) + " of " + AINTEGER(static_cast<int>(samples_.size())) +
                       " samples along its line have no DEM value - left out",
                   id);
    }
    if (values < 2) {
      out_.newline();
      out_.warning("XS \"" + id + "\": fewer than two DEM values along its line - the section is left out", id);
      sec.use = false;
      return;
    }
    ++tally_.sectionsCut;
  }

  void extend(Section& sec) {
    // The outermost surveyed points of the two sides, measured from the line's first vertex.
    const StorePoint* ends[2] = {nullptr, nullptr};
    float least = 0.0f;
    float most = 0.0f;
    for (const Group g : kGroups) {
      for (int p = 1; p <= sec.ptCount(g); ++p) {
        const StorePoint& pt = sec.point(g, p);
        const float offset = planOffset(xs_[0], ys_[0], pt.mapX, pt.mapY);
        if (ends[0] == nullptr || offset < least) {
          least = offset;
          ends[0] = &pt;
        }
        if (ends[1] == nullptr || offset > most) {
          most = offset;
          ends[1] = &pt;
        }
      }
    }
    if (ends[0] == nullptr) return;  // no surveyed point is left to extend from
    const StorePoint left = *ends[0];
    const StorePoint right = *ends[1];
    checkDatum(sec, left, Side::kLeft);
    checkDatum(sec, right, Side::kRight);
    const std::size_t before = static_cast<std::size_t>(tally_.demPoints);
    extendSide(sec, Side::kLeft, least - gap_, left.mnr);
    extendSide(sec, Side::kRight, most + gap_, right.mnr);
    if (static_cast<std::size_t>(tally_.demPoints) > before) ++tally_.sectionsExtended;
  }

  // Where the survey's outermost point on a side lies against the DEM.
  void checkDatum(const Section& sec, const StorePoint& end, Side side) {
    double z = 0.0;
    int source = -1;
    if (!work_.terrain.elevation(end.mapX, end.mapY, z, source)) return;
    const double difference = z - static_cast<double>(end.z);
    if (!(std::fabs(difference) > set_.tolerance)) return;
    const std::string id(significant(sec.id));
    out_.newline();
    out_.warning("XS \"" + id + "\": the DEM is " + shown(std::fabs(difference)) +
                     (difference > 0.0 ? " above" : " below") + " the survey at the " + sideName(side) +
                     " end - check datums and units",
                 id);
    ++tally_.datumWarnings;
  }

  // The samples beyond `limit` on one side, going outward from the survey until the first without a value.
  void extendSide(Section& sec, Side side, double limit, float resistance) {
    const Group g = side == Side::kLeft ? Group::kLeft : Group::kRight;
    order_.clear();
    for (std::size_t i = 0; i < samples_.size(); ++i) {
      const double offset = samples_[i].offset;
      if (side == Side::kLeft ? offset < limit : offset > limit) order_.push_back(i);
    }
    // Outward: the left side toward smaller offsets, the right toward larger; along the line on a tie.
    std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
      const float oa = samples_[a].offset;
      const float ob = samples_[b].offset;
      if (oa != ob) return side == Side::kLeft ? oa > ob : oa < ob;
      return side == Side::kLeft ? a > b : a < b;
    });
    StorePoint pt;
    for (const std::size_t i : order_) {
      if (!sampled(samples_[i], resistance, pt)) {
        const std::string id(significant(sec.id));
        out_.newline();
        out_.warning("XS \"" + id + "\": no DEM value at offset " + shown(samples_[i].offset) + " on the " +
                         sideName(side) + " - the section ends there",
                     id);
        ++tally_.sidesCutShort;
        return;
      }
      add(sec, g, pt);
    }
  }

  Reporter& out_;
  RunTally& tally_;
  const TerrainWork& work_;
  const TerrainOptions& set_;
  double step_ = 0.0;
  double gap_ = 0.0;
  std::vector<double> xs_;
  std::vector<double> ys_;
  std::vector<LineSample> samples_;
  std::vector<std::size_t> order_;
};

}  // namespace

void terrainStage(Reporter& out, RunTally& tally, SectionStore& store, const TerrainWork& work) {
  out.newline();
  out.say("Extending cross-sections from the DEM...");
  Extension extension(out, tally, work);
  int withoutLine = 0;
  for (int s = 1; s <= store.nxs(); ++s) {
    Section& sec = store[s];
    if (!sec.use) continue;
    if (!extension.section(sec)) ++withoutLine;
  }
  if (withoutLine > 0) {
    out.newline();
    out.note(AINTEGER(withoutLine) + (withoutLine == 1 ? " section has" : " sections have") +
             " no line to sample the DEM along - written from the survey alone");
  }
}

}  // namespace kestrix
