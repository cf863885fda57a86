// The MIKE 11 network view: the channel between two consecutive sections of
// a branch (its vertices, length and identifier) and the branches drawn
// through their matched network points. Worked out here once, so that every
// layer that writes them (MIF/MID, GeoPackage, the report) shows the same.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_end.h"
#include "converters/mike11.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr int kMaxChannelVertices = 100000;
constexpr std::size_t kIdPrefixLength = 8;

// The identifier of a channel: the first 8 characters of the branch name in
// capitals and the counter of at least 4 digits. A counter of 5 digits or
// more takes its room from the name, so that the identifier keeps within its
// column: cut there, it would repeat an earlier one.
std::string channelId(const std::string& name, int counter) {
  const std::string digits = AINTEGERPREC0(counter, 4);
  const std::size_t room = digits.size() < kM11ChannelIdWidth ? kM11ChannelIdWidth - digits.size() : 0;
  return std::string(significant(UPPERCASE(std::string_view(name).substr(0, std::min(kIdPrefixLength, room))))) +
         digits;
}

}  // namespace

M11Channel m11Channel(Workspace& ws, const M11Tables& tables, int b, const M11Crossing& previous,
                      const M11Crossing& current, int counter) {
  const m11Branch& branch = tables.branches[static_cast<std::size_t>(b) - 1];
  M11Channel channel;
  auto add = [&](double vx, double vy) {
    if (static_cast<int>(channel.x.size()) + 1 > kMaxChannelVertices) {
      ws.out.say("Exceeded maximum allowable channel points");
      ws.out.halt(kExitFailure);
    }
    channel.x.push_back(vx);
    channel.y.push_back(vy);
  };
  add(previous.x, previous.y);
  // The network points between the two sections, along the branch's own
  // point list (none when both lie on one segment or chainage decreases).
  const int first = std::max(previous.segment, 1);
  const int last = std::min(current.segment - 1, branch.NPoints);
  for (int i = first; i <= last; ++i) {
    const m11Point& p = tables.points[static_cast<std::size_t>(branch.Points[static_cast<std::size_t>(i) - 1]) - 1];
    add(p.X, p.Y);
  }
  add(current.x, current.y);
  channel.id = channelId(branch.Name, counter);
  channel.length = current.chainage - previous.chainage;
  channel.upstream = previous.section;
  channel.downstream = current.section;
  return channel;
}

std::vector<M11BranchLine> m11BranchLines(const M11Tables& tables) {
  std::vector<M11BranchLine> lines;
  for (int b = 1; b <= tables.nBranches; ++b) {
    const m11Branch& branch = tables.branches[static_cast<std::size_t>(b) - 1];
    M11BranchLine line;
    // A point number that is not in the point table has no position to draw.
    const int n = std::min(branch.NPoints, static_cast<int>(branch.Matched.size()));
    for (int i = 0; i < n; ++i) {
      if (!branch.Matched[static_cast<std::size_t>(i)]) continue;
      const m11Point& p = tables.points[static_cast<std::size_t>(branch.Points[static_cast<std::size_t>(i)]) - 1];
      line.x.push_back(p.X);
      line.y.push_back(p.Y);
    }
    if (line.x.size() < 2) continue;  // a line needs two vertices
    line.name = branch.Name;
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace kestrix
