#pragma once
// The lines of an ISIS model file, for the tests of the reader and of the run
// that finds and converts the files.

#include <cstdio>
#include <string>
#include <vector>

namespace kestrix::testing {

// One data line in the fixed columns: X, Z, n in 1-30, column 31 blank, an
// unused number in 32-40, the marker in 41-50, easting and northing in 51-70.
inline std::string point(double x, double z, double n, const std::string& marker = "", double e = 0.0,
                         double north = 0.0) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%10.3f%10.3f%10.3f %9.3f%-10s%10.3f%10.3f", x, z, n, 0.0, marker.c_str(), e,
                north);
  return buf;
}

// A river section unit: keyword, SECTION, label, chainage line, count, data lines.
inline std::vector<std::string> river(const std::string& label, const std::vector<std::string>& data,
                                      const std::string& keyword = "RIVER", const std::string& second = "SECTION") {
  std::vector<std::string> unit = {keyword, second, label, "    10.000              0.0001      1000"};
  char count[16];
  std::snprintf(count, sizeof count, "%10d", static_cast<int>(data.size()));
  unit.push_back(count);
  unit.insert(unit.end(), data.begin(), data.end());
  return unit;
}

inline const std::vector<std::string> kHead = {"ISIS test model", "#REVISION#1", "         2     0.750     0.900",
                                        "END GENERAL"};
inline const std::vector<std::string> kTail = {"INITIAL CONDITIONS", "GISINFO", "RIVER", "SECTION"};

}  // namespace kestrix::testing
