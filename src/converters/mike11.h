#pragma once
// MIKE 11 models: the network and bed-resistance tables, and the conversion
// and placement of cross-sections with the 1d_nwk and 1d_branches layers.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrix {

class RunContext;

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
struct Mike11Tables {
  std::vector<m11Point> points;       ///< network points (entries beyond nPoints are stale)
  int nPoints = 0;                    ///< points in use
  std::vector<m11Branch> branches;    ///< branches (entries beyond nBranches are stale)
  int nBranches = 0;                  ///< branches in use
  std::vector<m11BedValue> bedList;   ///< bed resistance entries
  int nBedList = 0;                   ///< entries in use
  float globalN = 0.0f;               ///< global Manning's n
};

/// Reads the points and branches of a .nwk11 file.
void m11ReadNetwork(RunContext& ctx, const std::string& file, Mike11Tables& tables);

/// Reads the global n and the bed resistance list of a .hd11 file.
void m11ReadBedResistance(RunContext& ctx, const std::string& file, Mike11Tables& tables);

/// Converts and places every section of a .txt file and writes 1d_nwk and 1d_branches; clears errFound first and sets it on a read failure.
void m11ConvertSections(RunContext& ctx, const std::string& file, const Mike11Tables& tables);

}  // namespace kestrix
