#pragma once
// MIKE 11 models: the network and bed-resistance tables, and the conversion
// and placement of cross-sections with the 1d_nwk and 1d_branches layers.
//
// Module converters: the ISIS and MIKE 11 readers that fill the store from
// model files, and the MIKE 11 network view (channels and branches) that the
// conversion works out and hands to its network sink. It may call every
// module up to the workspace; never gis, output or driver.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

#include "workspace/network.h"
#include "workspace/workspace.h"

namespace kestrix {

/// One network point.
struct m11Point {
  std::int32_t Number = 0;  ///< point number as written in the file
  double X = 0.0;           ///< easting
  double Y = 0.0;           ///< northing
  float Chainage = 0.0f;    ///< chainage along its branch
};

/// One branch of the network.
struct m11Branch {
  std::string Name;                  ///< branch name
  std::string TopoID;                ///< topo identifier
  float StartChainage = 0.0f;        ///< lower end of the chainage range
  float EndChainage = 0.0f;          ///< upper end of the chainage range
  std::int32_t Def5 = 0;             ///< definition value 5 (kept, unused)
  float Def6 = 0.0f;                 ///< definition value 6 (kept, unused)
  std::int32_t Def7 = 0;             ///< definition value 7 (kept, unused)
  std::string Connection1;           ///< first connected branch, "$None" when none
  std::string Connection2;           ///< second connected branch, "$None" when none
  float Connection1Chainage = 0.0f;  ///< chainage of the first connection
  float Connection2Chainage = 0.0f;  ///< chainage of the second connection
  std::int32_t NPoints = 0;          ///< points of the branch
  std::vector<std::int32_t> Points;  ///< positions (from 1) in the point table, in branch order
  std::vector<bool> Matched;         ///< per entry of Points: its point number was found in the point table
};

/// One entry of the bed resistance list: a stretch of a branch.
struct m11BedValue {
  std::string Name;          ///< branch name
  float ChainageFrom = 0.0f; ///< chainage at which the value is given
  float ValueFrom = 0.0f;    ///< value there
  float ChainageTo = 0.0f;   ///< chainage of the next entry of the branch (or ChainageFrom)
  float ValueTo = 0.0f;      ///< value there (or ValueFrom)
};

/// The MIKE 11 tables of a run, filled by the readers and used by the conversion.
struct M11Tables {
  std::vector<m11Point> points;       ///< network points (entries beyond nPoints are stale)
  int nPoints = 0;                    ///< points in use
  std::vector<m11Branch> branches;    ///< branches (entries beyond nBranches are stale)
  int nBranches = 0;                  ///< branches in use
  std::vector<m11BedValue> bedList;   ///< bed resistance entries
  int nBedList = 0;                   ///< entries in use
  float globalN = 0.0f;               ///< global Manning's n
};

/// Rewinds an open file and reads up to the first line holding `text` (case-sensitive); false at the end of the file, `status` Error after a read error.
bool m11FindSection(Workspace& ws, int unit, std::string& line, std::string_view text, ReadStatus& status);

/// Reads on to the first line holding `text` (true) or `endText` (false); `status` End or Error when the file ran out first.
bool m11FindNext(Workspace& ws, int unit, std::string& line, std::string_view text, std::string_view endText,
                 ReadStatus& status);

/// Reads the points and branches of a .nwk11 file.
void m11ReadNetwork(Workspace& ws, const std::string& file, M11Tables& tables);

/// Reads the global n and the bed resistance list of a .hd11 file.
void m11ReadBedResistance(Workspace& ws, const std::string& file, M11Tables& tables);

/// Where a placed section crosses its branch.
struct M11Crossing {
  double x = 0.0;        ///< easting of the crossing point
  double y = 0.0;        ///< northing of the crossing point
  int segment = 0;       ///< u: the section lies between branch points u-1 and u
  float chainage = 0.0f; ///< chainage of the section
  int section = 0;       ///< section number in the store
};

/// The channel from `previous` to `current` along branch b (from 1) with the channel counter `counter`; ends the run when it has too many vertices.
M11Channel m11Channel(Workspace& ws, const M11Tables& tables, int b, const M11Crossing& previous,
                      const M11Crossing& current, int counter);

/// Every branch with two or more matched points, in network order.
std::vector<M11BranchLine> m11BranchLines(const M11Tables& tables);

/// The conversion of a run's .txt files as one: one network, written to one sink, across all the files.
class M11SectionConversion {
 public:
  /// A conversion over `tables` that writes its channels and branches to `network`.
  M11SectionConversion(Workspace& ws, const M11Tables& tables, M11NetworkSink& network);
  ~M11SectionConversion();
  /// Converts and places every section of one .txt file (opening the layers with the first); clears errFound first and sets it on a read failure.
  void convert(const std::string& file);
  /// Closes the channels and writes the branches, once, after the last file.
  void finish();

 private:
  class Converter;
  std::unique_ptr<Converter> converter_;
};

/// Converts and places every section of one .txt file and closes its layers (a conversion of that file alone).
void m11ConvertSections(Workspace& ws, const std::string& file, const M11Tables& tables, M11NetworkSink& network);

}  // namespace kestrix
