#pragma once
// Survey layers for the end-to-end tests: a British National Grid header,
// point and pline objects with their .mid rows, saved with a MapInfo table
// that is never newer than the .mid.

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/e2e.h"

namespace kestrix::testing {

/// The header every survey layer starts with (and every output layer copies).
inline const char* const kSurveyHeader =
    "Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\n"
    "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000\r\n";

/// A survey layer put together object by object.
struct SurveyLayer {
  std::string mif = std::string(kSurveyHeader) + "Columns 4\r\n  Z Float\r\n  MNR Float\r\n  LCR Char(1)\r\n"
                                                 "  XS_ID Char(12)\r\nData\r\n\r\n";  ///< the .mif so far
  std::string mid;  ///< the .mid so far

  /// A point object and its .mid row.
  SurveyLayer& point(double x, double y, const std::string& row) {
    char b[80];
    std::snprintf(b, sizeof b, "Point %.3f %.3f\r\n    Symbol (34,0,6)\r\n", x, y);
    mif += b;
    mid += row + "\r\n";
    return *this;
  }
  /// A pline object and its .mid row.
  SurveyLayer& pline(const std::vector<std::pair<double, double>>& v, const std::string& row) {
    mif += "Pline " + std::to_string(v.size()) + "\r\n";
    for (auto [x, y] : v) {
      char b[80];
      std::snprintf(b, sizeof b, "%.3f %.3f\r\n", x, y);
      mif += b;
    }
    mid += row + "\r\n";
    return *this;
  }
  /// Writes base.tab, base.mif and base.mid into the folder (the table first: never newer than the .mid).
  void save(const ScratchDir& dir, const std::string& base) const {
    dir.write(base + ".tab", "!table\r\n");
    dir.write(base + ".mif", mif);
    dir.write(base + ".mid", mid);
  }
};

}  // namespace kestrix::testing
