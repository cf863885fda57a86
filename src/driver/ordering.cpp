// Projection of GIS points onto their lines and ordering of every section.
// The mix of single and double precision below is deliberate: it fixes the
// offsets, and so the digits of every .csv file, to the values modellers
// already have from earlier runs.

#include "driver/ordering.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "driver/run_context.h"
#include "store/geometry.h"
#include "text/numbers.h"

namespace kestrix {

namespace {

constexpr float kCoincident = 1e-6f;   // vertices closer than this coincide; per-axis zero of DISTANCE_8
constexpr float kNoMinimum = 9e29f;    // start of every minimum search

std::string inQuotes(const std::string& id) { return "\"" + id + "\""; }

// Moves the points of one group onto the section's projection line and drops
// those whose foot falls outside it. The smallest chainage carries over from
// group to group; its point becomes the section's start point.
void xsProjectPoints(RunContext& ctx, Section& sec, int g, double& smallest) {
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
    bool pastPreviousEnd = false;  // the previous segment refused the point only for lying at or past its end
    for (int j = 1; j < nv; ++j) {  // the segment from vertex j-1 to vertex j
      const float length = DISTANCE_8(vx[j - 1], vy[j - 1], vx[j], vy[j]);
      if (length < kCoincident) {
        ctx.newline();
        ctx.say("ERROR - Coincident points found on projection line " + inQuotes(sec.id));
        ctx.settings.errFound = true;
        // The points not yet examined stay as they are, closed up behind the kept ones.
        std::move(pts.begin() + i, pts.begin() + n, pts.begin() + kept);
        sec.keepFirst(g, kept + (n - i));
        return;
      }
      const double d1 = DISTANCE_8(vx[j - 1], vy[j - 1], p.mapX, p.mapY);
      const double d2 = DISTANCE_8(vx[j], vy[j], p.mapX, p.mapY);
      const float lengthSquared = length * length;
      double a = (static_cast<double>(lengthSquared) + d1 * d1 - d2 * d2) * 0.5 / length;
      // The single-precision distances put a foot that lies on an inner vertex
      // a rounding error past the end of one segment and before the start of
      // the next, so neither would take it and the point would be lost. Within
      // that error the foot is the vertex, which the next segment owns.
      const double roundingError =
          1e-6 * (static_cast<double>(lengthSquared) + d1 * d1 + d2 * d2) / static_cast<double>(length);
      if (pastPreviousEnd && !projected && a < 0.0 && a > -roundingError) a = 0.0;
      // A foot on an inner vertex belongs to the next segment; the last segment also takes its end vertex.
      const bool lastSegment = j == nv - 1;
      pastPreviousEnd = a >= length - roundingError;
      if (a >= 0.0 && (a < length || (lastSegment && a <= length))) {
        const double t = a / length;
        p.mapX = vx[j - 1] + t * (vx[j] - vx[j - 1]);
        p.mapY = vy[j - 1] + t * (vy[j] - vy[j - 1]);
        projected = true;
        if (base + a < smallest) {
          smallest = base + a;
          sec.start = MapPoint{p.mapX, p.mapY};
        }
      }
      base += length;
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
void xsSortPoints(RunContext& ctx, Section& sec, int g, double refX, double refY) {
  const std::span<StorePoint> pts = sec.inUse(g);
  const auto first = pts.begin();
  const auto last = pts.begin() + sec.ptCount(g);

  if (!ctx.settings.linesFound && g == kLeft) {
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
    const double dx = it->mapX - refX;
    const double dy = it->mapY - refY;
    it->x = static_cast<float>(std::sqrt(dx * dx + dy * dy));
    if (!(it->x < kNoMinimum)) orderable = false;  // also true for NaN
  }
  if (!orderable) {
    // No offset could be picked as a smallest one: the map coordinates are unusable.
    ctx.newline();
    ctx.say("Why are we here? - is = 0");
    ctx.exits(kExitFailure);
  }
  std::stable_sort(first, last, [](const StorePoint& a, const StorePoint& b) { return a.x < b.x; });
}

// Drops a section after a warning that the user is to read before going on.
void dropWithPause(RunContext& ctx, Section& sec, const std::string& warning) {
  ctx.newline();
  ctx.say(warning + sec.id);
  ctx.pauses();  // at the end of console input the run simply goes on
  sec.use = false;
}

}  // namespace

void projectionStage(RunContext& ctx) {
  ctx.newline();
  ctx.say("Projecting cross-section points onto lines...");
  for (int s = 1; s <= ctx.store.nxs(); ++s) {
    Section& sec = ctx.store[s];
    ctx.detail("Projecting cross-section points onto line " + inQuotes(sec.id));
    double smallest = kNoMinimum;
    for (int g = kLeft; g <= kRight; ++g) xsProjectPoints(ctx, sec, g, smallest);
  }
  if (ctx.settings.errFound) {
    ctx.say("ERRORS were found projecting cross-section points onto lines - see above");
    ctx.exits(kExitFailure);
  }
}

void orderingStage(RunContext& ctx) {
  const bool lines = ctx.settings.linesFound;
  // A quiet run leaves the Sorting lines out; the summary counts the sections.
  const bool quiet = ctx.quiet();
  for (int s = 1; s <= ctx.store.nxs(); ++s) {
    Section& sec = ctx.store[s];
    if (!quiet) ctx.put("Sorting " + inQuotes(sec.id));
    for (int g = kLeft; g <= kRight; ++g) {
      if (!quiet) ctx.put(formatInt(sec.ptCount(g), 5));
      if (sec.ptCount(g) >= 1) {
        double refX = 0.0;
        double refY = 0.0;
        if (lines) {
          if (sec.start) {
            refX = sec.start->x;
            refY = sec.start->y;
          } else {
            sec.use = false;
            ctx.newline();
            ctx.say("WARNING - Start of line for XS " + inQuotes(sec.id) + " was not found - IGNORING");
          }
        } else if (g == kLeft) {
          // Without C points this slot reads as zero; the section is then
          // dropped at C or R, or kept with its L points alone.
          refX = sec.point(kCentre, 1).mapX;
          refY = sec.point(kCentre, 1).mapY;
        } else if (g == kCentre) {
          if (sec.ptCount(kCentre) < 2) {
            dropWithPause(ctx, sec, "WARNING - Less than two \"C\" points found for cross-section ");
          } else if (sec.ptCount(kLeft) == 0) {
            dropWithPause(ctx, sec, "WARNING - No \"L\" point found for cross-section ");
          } else {
            refX = sec.point(kLeft, sec.ptCount(kLeft)).mapX;
            refY = sec.point(kLeft, sec.ptCount(kLeft)).mapY;
          }
        } else {
          if (sec.ptCount(kCentre) == 0) {
            dropWithPause(ctx, sec, "WARNING - No \"C\" point found for cross-section ");
          } else {
            refX = sec.point(kCentre, sec.ptCount(kCentre)).mapX;
            refY = sec.point(kCentre, sec.ptCount(kCentre)).mapY;
          }
        }
        if (sec.use) xsSortPoints(ctx, sec, g, refX, refY);
      } else if (lines && g == kCentre) {
        ctx.newline();
        ctx.put("ERROR - Cross-section " + inQuotes(sec.id) + " does not contain any \"C\" points.");
        ctx.settings.errFound = true;
        if (quiet) ctx.newline();
        break;
      }
    }
    if (!quiet) ctx.newline();
  }
}

}  // namespace kestrix
