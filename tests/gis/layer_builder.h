#pragma once
// Builds small MIF/MID input layers in a memory file system for the GIS
// reader tests: a header, point, line and pline objects with their rows.

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/fakes.h"

namespace kestrix::testing {

/// An input layer put together object by object.
class LayerBuilder {
 public:
  LayerBuilder() {
    mif_ =
        "Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\n"
        "CoordSys Earth Projection 8, 104, \"m\", 3, 0, 0.9996, 500000, 0\r\n"
        "Columns 4\r\n  Z Float\r\n  MNR Float\r\n  LCR Char(1)\r\n  XS_ID Char(12)\r\nData\r\n\r\n";
  }
  /// A point object and its .mid row.
  LayerBuilder& point(double x, double y, const std::string& row) {
    mif_ += "Point " + num(x) + " " + num(y) + "\r\n    Symbol (35,0,12)\r\n";
    return withRow(row);
  }
  /// A single-segment line object and its .mid row.
  LayerBuilder& line(double x1, double y1, double x2, double y2, const std::string& row) {
    mif_ += "Line " + num(x1) + " " + num(y1) + " " + num(x2) + " " + num(y2) + "\r\n    Pen (1,2,0)\r\n";
    return withRow(row);
  }
  /// A single-section polyline object and its .mid row.
  LayerBuilder& pline(const std::vector<std::pair<double, double>>& vertices, const std::string& row) {
    mif_ += "Pline " + std::to_string(vertices.size()) + "\r\n";
    for (const auto& [x, y] : vertices) mif_ += num(x) + " " + num(y) + "\r\n";
    mif_ += "    Pen (1,2,0)\r\n";
    return withRow(row);
  }
  /// Any text added to the .mif as it stands (other objects).
  LayerBuilder& mifText(const std::string& text) {
    mif_ += text;
    return *this;
  }
  /// A row added to the .mid as it stands.
  LayerBuilder& withRow(const std::string& row) {
    mid_ += row + "\r\n";
    return *this;
  }
  /// Writes base.mif, base.mid and a base.tab of the same date into the file system.
  void addTo(MemoryFileSystem& fs, const std::string& base) const {
    fs.add(base + ".mif", mif_, 100);
    fs.add(base + ".mid", mid_, 100);
    fs.add(base + ".tab", "!table\r\n", 100);
  }

 private:
  static std::string num(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.10g", v);
    return buffer;
  }
  std::string mif_;
  std::string mid_;
};

}  // namespace kestrix::testing
