// MIKE 11 cross-section text files (.txt): every block becomes a section of
// the store, its resistances scaled by the bed value of its branch and
// chainage, and is laid across its branch at right angles at its chainage.
// Consecutive sections of one branch are joined by channels in 1d_nwk.

#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "converters/mike11.h"
#include "base/run_end.h"
#include "store/store_limits.h"
#include "files/file_units.h"
#include "files/paths.h"
#include "text/freeformat.h"
#include "text/numbers.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::size_t kSourceLength = 256;
constexpr float kShortestStretch = 1.0e-5f;  // shorter bed stretches take their end value
constexpr float kDatumReported = 0.001f;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDegrees = 180.0 / kPi;

// Thrown inside one conversion when a block cannot be read to its end.
struct ReadFailure {};

// ASAME of the first n characters of a line against a keyword in capitals
// without quotes or blanks, without building the normal form.
bool keywordAt(std::string_view line, std::size_t n, std::string_view keyword) {
  const std::string_view head = line.substr(0, std::min(n, line.size()));
  std::size_t k = 0;
  bool leading = true;
  bool trailing = false;  // past the keyword: only blanks may follow
  for (const char c : head) {
    if (c == '"' || c == '\'' || c == '\t') continue;
    if (leading && c == ' ') continue;
    leading = false;
    if (trailing || k == keyword.size()) {
      if (c != ' ') return false;
      trailing = true;
      continue;
    }
    if (upperAscii(c) != keyword[k]) return false;
    ++k;
  }
  return k == keyword.size();
}

bool isBlankLine(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// The chainage in thousandths as the identifiers show it: the product in
// single precision, halves away from zero.
std::int32_t chainageCode(float c) {
  const float product = c * 1000.0f;
  const double rounded = roundHalfAway(product);
  if (!(rounded > static_cast<double>(INT_MIN))) return INT_MIN;
  if (rounded > static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<std::int32_t>(rounded);
}

std::string nameTopoKey(std::string_view name, std::string_view topo) {
  return asameKey(name) + '\n' + asameKey(topo);
}

}  // namespace

// The conversion of a run's .txt files. They are converted as one file in the
// order matched: one network, opened with the first file and closed after
// the last, and the previous section and channel counter carried from file
// to file, so that a branch split over two files is still joined and every
// channel identifier stays unique.
class M11SectionConversion::Converter {
 public:
  Converter(Workspace& ws, const M11Tables& tables, M11NetworkSink& network)
      : ws_(ws), tables_(tables), txt_(ws.files), layers_(network) {}

  void convert(const std::string& file) {
    const Settings& set = ws_.settings;
    ws_.tally.errFound = false;
    ws_.out.newline();
    ws_.out.say("Reading Cross-Section Data from " + std::string(significant(file)) + "...");
    ++ws_.tally.inputsRead;
    txt_.open(FileMode::Input, file);
    if (!opened_) {
      UnitHandle projection(ws_.files);
      miOpenHeaderSource(ws_.files, projection.unit(), set.inFiles.empty() ? std::string() : set.inFiles.front(),
                         set.composedHeader, set.crsOption.empty() ? nullptr : &set.crsCoordSys);
      layers_.open(set.outFolder, projection.unit());
      projection.close();
      buildIndexes();
      opened_ = true;
    }
    source1_ = fitField(FILENAMEPATH(file), kSourceLength);

    try {
      while (blockStart()) convertBlock();
    } catch (const ReadFailure&) {
      ws_.out.error("End of File encountered reading from ISIS file");
      ws_.tally.errFound = true;
      if (section_ > 0) ws_.store.removeLast();  // the block read only in part
      txt_.close();
      // The layers stay as far as written; the run stops before its outputs
      // are put in place, and later files write no channel.
      if (!abandoned_) layers_.abandon();
      abandoned_ = true;
      return;
    }
    txt_.close();
  }

  void finish() {
    if (opened_ && !abandoned_) layers_.close(m11BranchLines(tables_));
    abandoned_ = true;
  }

 private:
  void buildIndexes() {
    for (int e = 1; e <= tables_.nBedList; ++e)
      bedByName_[asameKey(tables_.bedList[static_cast<std::size_t>(e) - 1].Name)].push_back(e);
    for (int b = 1; b <= tables_.nBranches; ++b) {
      const m11Branch& branch = tables_.branches[static_cast<std::size_t>(b) - 1];
      branchByKey_[nameTopoKey(branch.Name, branch.TopoID)].push_back(b);
    }
  }

  void next() {
    if (ws_.files.units.readLine(txt_.unit(), line_) != ReadStatus::Ok) throw ReadFailure{};
  }

  // Reads the first line of the next block; false at the end of the file.
  // Blank lines before a block (and so at the end of the file) are passed over.
  bool blockStart() {
    section_ = 0;
    for (;;) {
      const ReadStatus status = ws_.files.units.readLine(txt_.unit(), line_);
      if (status == ReadStatus::End) return false;
      if (status == ReadStatus::Error) throw ReadFailure{};
      if (!isBlankLine(line_)) return true;
    }
  }

  void convertBlock() {
    topo_ = fitField(line_, kM11NameWidth);
    next();
    branch_ = fitField(line_, kM11NameWidth);
    next();
    {
      FreeFormatReader in(line_);
      if (!in.readFloat(c_)) throw ReadFailure{};
    }
    section_ = appendSectionWithinLimit(ws_.out, ws_.settings, ws_.tally, ws_.store);
    bed_ = bedValue();
    datum_ = 0.0f;
    w_ = 0.0f;

    for (;;) {
      next();
      if (keywordAt(line_, 10, "**********")) break;
      if (keywordAt(line_, 5, "DATUM")) {
        next();
        FreeFormatReader in(line_);
        if (!in.readFloat(datum_)) throw ReadFailure{};
        if (datum_ > kDatumReported) ws_.out.detail("  Debug: Datum for xs: (" + AINTEGER(section_) + ")");
      } else if (keywordAt(line_, 7, "PROFILE")) {
        readProfile();
      }
    }

    M11Crossing crossing;
    const int b = findBranch();
    if (b == 0 || !place(b, crossing)) {
      const std::string_view id = significant(ws_.store[section_].id);
      ws_.out.warning("No Branch (with same TOPO ID) found for cross-section " + std::string(id) + " (IGNORED)", id);
      ws_.tally.removedIds.emplace_back(significant(ws_.store[section_].id));
      // The channel state stays with the last placed section.
      ws_.store.removeLast();
      section_ = 0;
      return;
    }
    if (havePrevious_ && ASAME(branch_, previousBranch_) && ASAME(topo_, previousTopo_)) {
      counter_ += 10;
      if (!abandoned_) layers_.channel(m11Channel(ws_, tables_, b, previous_, crossing, counter_));
    }
    havePrevious_ = true;
    previousBranch_ = branch_;
    previousTopo_ = topo_;
    previous_ = crossing;
    section_ = 0;
  }

  float bedValue() const {
    const auto found = bedByName_.find(asameKey(branch_));
    if (found == bedByName_.end()) return tables_.globalN;
    for (const int e : found->second) {
      const m11BedValue& entry = tables_.bedList[static_cast<std::size_t>(e) - 1];
      if (entry.ChainageFrom <= c_ && c_ <= entry.ChainageTo) {
        const float d = entry.ChainageTo - entry.ChainageFrom;
        const float f = d > kShortestStretch ? (c_ - entry.ChainageFrom) / d : 1.0f;
        return entry.ValueFrom + f * (entry.ValueTo - entry.ValueFrom);
      }
    }
    return tables_.globalN;
  }

  void readProfile() {
    ws_.out.detail("  Debug: Found Profile Number: (" + AINTEGER(section_) + ")");
    Section& sec = ws_.store[section_];
    const std::string branch(significant(branch_));
    sec.source[0] = source1_;
    sec.source[1] = fitField(topo_, kSourceLength);
    sec.source[2] = fitField(branch + "; " + AREALD(c_, 3), kSourceLength);
    // A branch is known by its name and topo identifier together.
    sec.reach = branch + '\n' + std::string(significant(topo_));
    sec.id = fitField(branch + "_" + AINTEGERPREC0(chainageCode(c_), 9), kIdWidth);

    std::int32_t n = 0;
    {
      FreeFormatReader in(std::string_view(line_).substr(std::min<std::size_t>(7, line_.size())));
      if (!in.readInt(n)) throw ReadFailure{};
    }
    work_.count = 0;
    left_ = false;
    right_ = false;
    float start = 0.0f;
    float lastX = 0.0f;
    for (int i = 1; i <= n; ++i) {
      next();
      ++ws_.tally.pointsRead;
      StorePoint& p = work_.add();
      FreeFormatReader in(line_);
      if (!in.readFloat(p.x) || !in.readFloat(p.z) || !in.readFloat(p.mnr)) throw ReadFailure{};
      p.z += datum_;
      p.mnr *= bed_;
      if (i == 1) start = p.x;
      lastX = p.x;
      // The markers hold no letters, so a plain search is the case-blind one.
      if (line_.find("<#1>") != std::string::npos) {
        left_ = true;
        start = p.x;
        closePart(Group::kLeft);
        left_ = false;
      } else if (line_.find("<#4>") != std::string::npos) {
        right_ = true;
        w_ = p.x - start;
        closePart(Group::kCentre);
      }
    }
    if (right_) {
      right_ = false;
      closePart(Group::kRight);
    } else {
      w_ = lastX - start;
      closePart(Group::kCentre);
    }
  }

  // Closes group g with the working points; only a left bank marker holds
  // its point back to begin the next group.
  void closePart(Group g) { closeGroup(ws_.out, ws_.settings, ws_.tally, ws_.store[section_], g, work_, left_); }

  int findBranch() const {
    const auto found = branchByKey_.find(nameTopoKey(branch_, topo_));
    if (found == branchByKey_.end()) return 0;
    for (const int b : found->second) {
      const m11Branch& branch = tables_.branches[static_cast<std::size_t>(b) - 1];
      if (branch.StartChainage <= c_ && c_ <= branch.EndChainage) return b;
    }
    return 0;
  }

  // Point i (from 1) of a branch, null when its number matched no point.
  const m11Point* branchPoint(const m11Branch& branch, int i) const {
    const auto k = static_cast<std::size_t>(i) - 1;
    if (k >= branch.Points.size() || k >= branch.Matched.size() || !branch.Matched[k]) return nullptr;
    const std::int32_t position = branch.Points[k];
    if (position < 1 || position > tables_.nPoints) return nullptr;
    return &tables_.points[static_cast<std::size_t>(position) - 1];
  }

  // Lays the section across branch b at its chainage; false when the branch
  // cannot place it (fewer than two points, or an unknown point number).
  bool place(int b, M11Crossing& crossing) const {
    const m11Branch& branch = tables_.branches[static_cast<std::size_t>(b) - 1];
    if (branch.NPoints < 2 || !branchPoint(branch, 1)) return false;
    int u = 2;
    for (;;) {
      const m11Point* p = branchPoint(branch, u);
      if (!p) return false;
      if (!(c_ >= p->Chainage && u < branch.NPoints)) break;
      ++u;
    }
    const m11Point& p1 = *branchPoint(branch, u - 1);
    const m11Point& p2 = *branchPoint(branch, u);
    const float span = p2.Chainage - p1.Chainage;
    // Two points at one chainage: the section lies at the first of them.
    const float t = span != 0.0f ? (c_ - p1.Chainage) / span : 0.0f;
    const double x0 = p1.X + t * (p2.X - p1.X);
    const double y0 = p1.Y + t * (p2.Y - p1.Y);
    const double dx = p2.X - p1.X;
    const double dy = p2.Y - p1.Y;
    const double theta = (dx == 0.0 && dy == 0.0) ? 0.0 : std::atan2(dy, dx) * kDegrees;
    const double sinT = std::sin(theta / kDegrees);
    const double cosT = std::cos(theta / kDegrees);
    const float h = w_ * 0.5f;

    Section& sec = ws_.store[section_];
    StorePoint& left = sec.pointRef(Group::kLeft, 1);
    left.mapX = x0 - h * sinT;
    left.mapY = y0 + h * cosT;
    StorePoint& centre = sec.pointRef(Group::kCentre, 1);
    centre.mapX = x0;
    centre.mapY = y0;
    StorePoint& right = sec.pointRef(Group::kRight, 1);
    right.mapX = x0 + h * sinT;
    right.mapY = y0 - h * cosT;

    crossing.x = x0;
    crossing.y = y0;
    crossing.segment = u;
    crossing.chainage = c_;
    crossing.section = section_;
    return true;
  }

  Workspace& ws_;
  const M11Tables& tables_;
  UnitHandle txt_;
  M11NetworkSink& layers_;
  bool opened_ = false;     // the layers are open (from the first file on)
  bool abandoned_ = false;  // the layers are closed: after a read error, or finished
  std::string line_;
  std::string source1_;
  std::unordered_map<std::string, std::vector<int>> bedByName_;    // entries of each branch name, in file order
  std::unordered_map<std::string, std::vector<int>> branchByKey_;  // branches of each name and topo identifier

  // The block being converted.
  int section_ = 0;  // its section number once counted, 0 otherwise
  std::string topo_;
  std::string branch_;
  float c_ = 0.0f;
  float bed_ = 0.0f;
  float w_ = 0.0f;
  float datum_ = 0.0f;
  WorkingGroup work_;
  bool left_ = false;   // the last point read carries the left bank marker
  bool right_ = false;  // the right bank marker has been met

  // The last placed section and the channel counter.
  bool havePrevious_ = false;
  std::string previousBranch_;
  std::string previousTopo_;
  M11Crossing previous_;
  int counter_ = 0;
};

M11SectionConversion::M11SectionConversion(Workspace& ws, const M11Tables& tables, M11NetworkSink& network)
    : converter_(std::make_unique<Converter>(ws, tables, network)) {}

M11SectionConversion::~M11SectionConversion() = default;

void M11SectionConversion::convert(const std::string& file) { converter_->convert(file); }

void M11SectionConversion::finish() { converter_->finish(); }

void m11ConvertSections(Workspace& ws, const std::string& file, const M11Tables& tables,
                        M11NetworkSink& network) {
  M11SectionConversion conversion(ws, tables, network);
  conversion.convert(file);
  conversion.finish();
}

}  // namespace kestrix
