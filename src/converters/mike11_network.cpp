// The MIKE 11 network file (.nwk11): its point table (plan coordinates with
// chainages) and its branches with their ordered point lists. Keywords are
// found by exact, case-sensitive substring tests; the values after a keyword
// are read in free format.

#include <string>
#include <unordered_map>

#include "converters/mike11.h"
#include "base/run_end.h"
#include "files/file_units.h"
#include "text/freeformat.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr int kMaxPoints = 100000;
constexpr int kMaxBranches = 10000;
constexpr int kMaxBranchPoints = 10000;
constexpr std::size_t kConnectionLength = 30;

constexpr std::string_view kPointKey = "point =";
constexpr std::string_view kDefinitionsKey = "definitions =";
constexpr std::string_view kConnectionsKey = "connections =";
constexpr std::string_view kPointsKey = "points =";
constexpr std::string_view kBranchesEnd = "EndSect  // BRANCHES";

bool contains(std::string_view line, std::string_view text) { return line.find(text) != std::string_view::npos; }

// The text after the first occurrence of `key` (which the caller knows is there).
std::string_view after(std::string_view line, std::string_view key) { return line.substr(line.find(key) + key.size()); }

// The entry at position n (from 1) of a table that grows with the data; a
// second file overwrites entries from 1 on.
template <typename T>
T& entry(std::vector<T>& table, int n) {
  if (static_cast<std::size_t>(n) > table.size()) table.resize(static_cast<std::size_t>(n));
  return table[static_cast<std::size_t>(n) - 1];
}

class NetworkReader {
 public:
  NetworkReader(Workspace& ws, M11Tables& tables) : ws_(ws), tables_(tables), unit_(ws.files) {}

  void run(const std::string& file) {
    ws_.out.newline();
    ws_.out.say("Reading MIKE 11 Branches from " + std::string(significant(file)) + "...");
    ++ws_.tally.inputsRead;
    unit_.open(FileMode::Input, file);
    ws_.out.say(" Looking for points...");
    if (findSection("[POINTS]")) readPoints();
    ws_.out.say(" Looking for branches...");
    if (findSection("[BRANCHES]")) readBranches();
    unit_.close();
  }

 private:
  [[noreturn]] void fail(ReadStatus status) {
    ws_.out.error(status == ReadStatus::End ? "End of File encountered reading .nwk11 file"
                                             : "Reading .nwk11 file data.");
    ws_.out.exits(kExitFailure);
  }
  [[noreturn]] void badValue() { fail(ReadStatus::Error); }

  // The next line; the end of the file inside the tables is an error.
  void next() {
    const ReadStatus status = ws_.files.units.readLine(unit_.unit(), line_);
    if (status != ReadStatus::Ok) fail(status);
  }

  bool findSection(std::string_view text) {
    ReadStatus status = ReadStatus::Ok;
    const bool found = m11FindSection(ws_, unit_.unit(), line_, text, status);
    if (status == ReadStatus::Error) fail(status);
    return found;
  }

  bool findNext(std::string_view text) {
    ReadStatus status = ReadStatus::Ok;
    const bool found = m11FindNext(ws_, unit_.unit(), line_, text, kBranchesEnd, status);
    if (status != ReadStatus::Ok) fail(status);
    return found;
  }

  void readPoints() {
    int count = 0;
    next();
    while (contains(line_, kPointKey)) {
      if (++count > kMaxPoints) {
        ws_.out.say("Exceeded number of allowable points.");
        ws_.out.halt(kExitFailure);
      }
      m11Point& point = entry(tables_.points, count);
      FreeFormatReader in(after(line_, kPointKey));
      std::int32_t type = 0;  // read and dropped
      if (!in.readInt(point.Number) || !in.readDouble(point.X) || !in.readDouble(point.Y) || !in.readInt(type) ||
          !in.readFloat(point.Chainage))
        badValue();
      next();
    }
    tables_.nPoints = count;
    if (count == 0) {
      ws_.out.say(" Could not find any points");
      ws_.out.waitEnter();
      ws_.out.halt(kExitFailure);
    }
    ws_.out.say(" Number of points found:  " + AINTEGER(count));
  }

  void readBranches() {
    // Branch point numbers refer to the first point of that number.
    std::unordered_map<std::int32_t, std::int32_t> positions;
    positions.reserve(static_cast<std::size_t>(tables_.nPoints));
    for (int i = 1; i <= tables_.nPoints; ++i) positions.try_emplace(tables_.points[i - 1].Number, i);

    int count = 0;
    while (findNext("[branch]")) {
      next();
      if (!contains(line_, kDefinitionsKey)) {
        // Without its definitions line the block names no branch: its
        // connections and points would otherwise land on the branch before it.
        if (!contains(line_, "EndSect  // branch")) findNext("EndSect  // branch");
        continue;
      }
      if (++count > kMaxBranches) {
        ws_.out.say("Exceeded number of allowable branches.");
        ws_.out.halt(kExitFailure);
      }
      m11Branch& branch = entry(tables_.branches, count);
      {
        FreeFormatReader in(after(line_, kDefinitionsKey));
        if (!in.readText(branch.Name, kM11NameWidth) || !in.readText(branch.TopoID, kM11NameWidth) ||
            !in.readFloat(branch.StartChainage) || !in.readFloat(branch.EndChainage) || !in.readInt(branch.Def5) ||
            !in.readFloat(branch.Def6) || !in.readInt(branch.Def7))
          badValue();
      }

      next();
      branch.Connection1 = "$None";
      branch.Connection2 = "$None";
      if (contains(line_, kConnectionsKey)) {
        FreeFormatReader in(after(line_, kConnectionsKey));
        if (!in.readText(branch.Connection1, kConnectionLength) || !in.readFloat(branch.Connection1Chainage) ||
            !in.readText(branch.Connection2, kConnectionLength) || !in.readFloat(branch.Connection2Chainage))
          badValue();
      }

      next();
      if (contains(line_, kPointsKey)) readBranchPoints(branch, positions);

      findNext("EndSect  // branch");
    }
    tables_.nBranches = count;
    if (count == 0) {
      ws_.out.say(" Could not find any branches");
      ws_.out.waitEnter();
      ws_.out.halt(kExitFailure);
    }
    ws_.out.say(" Number of branches found: " + AINTEGER(count));
  }

  void readBranchPoints(m11Branch& branch, const std::unordered_map<std::int32_t, std::int32_t>& positions) {
    int n = 1;
    for (const char c : line_) {
      if (c == ',' && ++n > kMaxBranchPoints) {
        ws_.out.say("Exceeded number of allowable points per branch.");
        ws_.out.halt(kExitFailure);
      }
    }
    branch.NPoints = n;
    branch.Points.resize(static_cast<std::size_t>(n), 0);
    branch.Matched.assign(static_cast<std::size_t>(n), false);
    FreeFormatReader in(after(line_, kPointsKey));
    for (int i = 0; i < n; ++i) {
      std::int32_t& value = branch.Points[static_cast<std::size_t>(i)];
      if (!in.readInt(value)) badValue();
      const auto found = positions.find(value);
      if (found != positions.end()) {
        value = found->second;
        branch.Matched[static_cast<std::size_t>(i)] = true;
      }
    }
  }

  Workspace& ws_;
  M11Tables& tables_;
  UnitHandle unit_;
  std::string line_;
};

}  // namespace

bool m11FindSection(Workspace& ws, int unit, std::string& line, std::string_view text, ReadStatus& status) {
  ws.files.units.rewind(unit);
  for (;;) {
    status = ws.files.units.readLine(unit, line);
    if (status != ReadStatus::Ok) return false;
    if (contains(line, text)) return true;
  }
}

bool m11FindNext(Workspace& ws, int unit, std::string& line, std::string_view text, std::string_view endText,
                 ReadStatus& status) {
  for (;;) {
    status = ws.files.units.readLine(unit, line);
    if (status != ReadStatus::Ok) return false;
    if (contains(line, text)) return true;
    if (contains(line, endText)) return false;
  }
}

void m11ReadNetwork(Workspace& ws, const std::string& file, M11Tables& tables) {
  NetworkReader(ws, tables).run(file);
}

}  // namespace kestrix
