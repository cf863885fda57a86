// Projection of GIS points onto their lines and ordering of every section.
// The mix of single and double precision below is deliberate: it fixes the
// offsets, and so the digits of every .csv file, to the values modellers
// already have from earlier runs.

#include "geometry/ordering.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "geometry/line_samples.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr float kCoincident = 1e-6f;   // vertices closer than this coincide; per-axis zero of DISTANCE_8
constexpr float kNoMinimum = 9e29f;    // start of every minimum search
constexpr double kSquareError = 2.0 * 0x1p-24;  // relative error of a squared single-precision distance

// Moves the points of one group onto the section's projection line and drops
// those whose foot falls outside it; a foot that only rounding put outside
// the line at a vertex is taken at that vertex. The smallest
// chainage carries over from group to group; its point becomes the section's
// start point.
void xsProjectPoints(Reporter& out, RunTally& tally, Section& sec, Group g, double& smallest) {
  const std::span<StorePoint> pts = sec.inUse(g);
  const int n = sec.ptCount(g);
  const int nv = sec.ppolNv;
  const std::vector<double>& vx = sec.ppolX;
  const std::vector<double>& vy = sec.ppolY;

  int kept = 0;  // points kept so far stand at 0 .. kept-1, in their stored order
  for (int i = 0; i < n; ++i) {
    StorePoint& p = pts[i];
    double base = 0.0;
    bool projected = false;
    // A point no segment takes may still have its foot on a vertex, put a
    // rounding error outside by the single-precision distances: the first
    // such vertex and its chainage.
    int roundedVertex = -1;
    double roundedChainage = 0.0;
    bool pastPreviousEnd = false;  // the previous segment refused the foot at or past its end
    for (int j = 1; j < nv; ++j) {  // the segment from vertex j-1 to vertex j
      const float distance = DISTANCE_8(vx[j - 1], vy[j - 1], vx[j], vy[j]);
      if (distance < kCoincident) {
        out.newline();
        out.error("Coincident points found on projection line " + inQuotes(sec.id), sec.id);
        tally.errFound = true;
        // The points not yet examined stay as they are, closed up behind the kept ones.
        std::move(pts.begin() + i, pts.begin() + n, pts.begin() + kept);
        sec.keepFirst(g, kept + (n - i));
        return;
      }
      const double length = distance;
      const double d1 = DISTANCE_8(vx[j - 1], vy[j - 1], p.mapX, p.mapY);
      const double d2 = DISTANCE_8(vx[j], vy[j], p.mapX, p.mapY);
      const double a = (length * length + d1 * d1 - d2 * d2) * 0.5 / length;
      // A foot on an inner vertex belongs to the next segment; the last segment also takes its end vertex.
      const bool lastSegment = j == nv - 1;
      if (a >= 0.0 && (a < length || (lastSegment && a <= length))) {
        const double t = a / length;
        p.mapX = vx[j - 1] + t * (vx[j] - vx[j - 1]);
        p.mapY = vy[j - 1] + t * (vy[j] - vy[j - 1]);
        projected = true;
        if (base + a < smallest) {
          smallest = base + a;
          sec.start = MapPoint{p.mapX, p.mapY};
        }
      } else if (!projected) {
        // Each distance is rounded to single precision, its square by up to
        // about 2^-23 of itself, so a may stray by 2^-24 (L² + d1² + d2²) / L;
        // within twice that of a vertex, the foot is taken to lie on it. At
        // an inner vertex only when the segment before refused the foot at or
        // past its own end, however far past: the point then lies outside the
        // bend, in the gap between the two segments. A point the segment
        // before refused ahead of its start lies behind it and stays removed.
        const double roundingError = kSquareError * (length * length + d1 * d1 + d2 * d2) / length;
        if (roundedVertex < 0) {
          if (a < 0.0 && -a <= roundingError && (j == 1 || pastPreviousEnd)) {
            roundedVertex = j - 1;
            roundedChainage = base;
          } else if (lastSegment && a > length && a - length <= roundingError) {
            roundedVertex = j;
            roundedChainage = base + length;
          }
        }
        pastPreviousEnd = a >= length;
      }
      base += length;
    }
    if (!projected && roundedVertex >= 0) {
      p.mapX = vx[roundedVertex];
      p.mapY = vy[roundedVertex];
      projected = true;
      if (roundedChainage < smallest) {
        smallest = roundedChainage;
        sec.start = MapPoint{p.mapX, p.mapY};
      }
    }
    if (projected) {
      if (kept != i) pts[kept] = p;
      ++kept;
    }
  }
  sec.keepFirst(g, kept);
}

// Fills the offsets of one group from the reference point and orders the
// group by offset, equal offsets keeping their stored order.
void xsSortPoints(Reporter& out, bool linesFound, Section& sec, Group g, double refX, double refY) {
  const std::span<StorePoint> pts = sec.inUse(g);
  const auto first = pts.begin();
  const auto last = pts.begin() + sec.ptCount(g);

  if (!linesFound && g == Group::kLeft) {
    // The left group is measured from its outermost point; the first of equal maxima wins.
    float farthest = -1.0f;
    double farX = refX;
    double farY = refY;
    for (auto it = first; it != last; ++it) {
      const double dx = it->mapX - refX;
      const double dy = it->mapY - refY;
      const auto d = static_cast<float>(std::sqrt(dx * dx + dy * dy));
      if (d > farthest) {
        farthest = d;
        farX = it->mapX;
        farY = it->mapY;
      }
    }
    refX = farX;
    refY = farY;
  }

  bool orderable = true;
  for (auto it = first; it != last; ++it) {
    it->x = planOffset(refX, refY, it->mapX, it->mapY);
    if (!(it->x < kNoMinimum)) orderable = false;  // also true for NaN
  }
  if (!orderable) {
    // No offset could be picked as a smallest one: the map coordinates are unusable.
    out.newline();
    out.say("Why are we here? - is = 0");
    out.exits(kExitFailure);
  }
  std::stable_sort(first, last, [](const StorePoint& a, const StorePoint& b) { return a.x < b.x; });
}

// Drops a section after a warning that the user is to read before going on.
void dropWithPause(Reporter& out, Section& sec, const std::string& warning) {
  out.newline();
  out.warning(warning + sec.id, significant(sec.id));
  out.pauses();  // at the end of console input the run simply goes on
  sec.use = false;
}

}  // namespace

void projectionStage(Reporter& out, RunTally& tally, SectionStore& store) {
  out.newline();
  out.say("Projecting cross-section points onto lines...");
  for (int s = 1; s <= store.nxs(); ++s) {
    Section& sec = store[s];
    out.detail("Projecting cross-section points onto line " + inQuotes(sec.id));
    double smallest = kNoMinimum;
    for (const Group g : kGroups) xsProjectPoints(out, tally, sec, g, smallest);
  }
  if (tally.errFound) {
    out.worded(Severity::Error, "ERRORS were found projecting cross-section points onto lines - see above");
    out.exits(kExitFailure);
  }
}

void orderingStage(Reporter& out, RunTally& tally, SectionStore& store) {
  const bool lines = tally.linesFound;
  // A quiet run leaves the Sorting lines out; the summary counts the sections.
  const bool quiet = out.quiet();
  for (int s = 1; s <= store.nxs(); ++s) {
    Section& sec = store[s];
    // A section the terrain stage left out (a line with too few DEM values) has nothing to order.
    if (!sec.use) continue;
    if (!quiet) out.put("Sorting " + inQuotes(sec.id));
    for (const Group g : kGroups) {
      if (!quiet) out.put(formatInt(sec.ptCount(g), 5));
      if (sec.ptCount(g) >= 1) {
        double refX = 0.0;
        double refY = 0.0;
        if (lines) {
          if (sec.start) {
            refX = sec.start->x;
            refY = sec.start->y;
          } else {
            sec.use = false;
            out.newline();
            out.warning("Start of line for XS " + inQuotes(sec.id) + " was not found - IGNORING", sec.id);
          }
        } else if (g == Group::kLeft) {
          // Without C points this slot reads as zero; the section is then
          // dropped at C or R, or kept with its L points alone.
          refX = sec.point(Group::kCentre, 1).mapX;
          refY = sec.point(Group::kCentre, 1).mapY;
        } else if (g == Group::kCentre) {
          if (sec.ptCount(Group::kCentre) < 2) {
            dropWithPause(out, sec, "Less than two \"C\" points found for cross-section ");
          } else if (sec.ptCount(Group::kLeft) == 0) {
            dropWithPause(out, sec, "No \"L\" point found for cross-section ");
          } else {
            refX = sec.point(Group::kLeft, sec.ptCount(Group::kLeft)).mapX;
            refY = sec.point(Group::kLeft, sec.ptCount(Group::kLeft)).mapY;
          }
        } else {
          if (sec.ptCount(Group::kCentre) == 0) {
            dropWithPause(out, sec, "No \"C\" point found for cross-section ");
          } else {
            refX = sec.point(Group::kCentre, sec.ptCount(Group::kCentre)).mapX;
            refY = sec.point(Group::kCentre, sec.ptCount(Group::kCentre)).mapY;
          }
        }
        if (sec.use) xsSortPoints(out, lines, sec, g, refX, refY);
      } else if (lines && g == Group::kCentre) {
        out.newline();
        out.put("ERROR - Cross-section " + inQuotes(sec.id) + " does not contain any \"C\" points.");
        tally.errFound = true;
        if (quiet) out.newline();
        break;
      }
    }
    if (!quiet) out.newline();
  }
}

}  // namespace kestrix
