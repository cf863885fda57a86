#pragma once
// Input layers for the tests, put together object by object: a header, point,
// line and pline objects with their .mid rows. One builder in two styles: the
// in-memory layers of the reader tests and the survey layers the end-to-end
// tests save on disk.

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/e2e.h"
#include "support/fakes.h"

namespace kestrix::testing {

/// The header every survey layer starts with (and every output layer copies).
inline constexpr const char* kSurveyHeader =
    "Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\n"
    "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000\r\n";

/// The columns of every survey layer: Z, MNR, LCR and XS_ID.
inline constexpr const char* kSurveyColumns =
    "Columns 4\r\n  Z Float\r\n  MNR Float\r\n  LCR Char(1)\r\n  XS_ID Char(12)\r\nData\r\n\r\n";

/// How a layer's text is written.
struct LayerStyle {
  const char* header;      ///< the lines before the columns
  const char* coordinate;  ///< printf format of one coordinate
  const char* symbol;      ///< the clause line after a point
  const char* pen;         ///< the clause line after a line or pline ("" for none)
};

/// An input layer put together object by object.
class LayerText {
 public:
  /// An empty layer of the given style.
  explicit LayerText(const LayerStyle& style) : style_(style) {
    mif_ = std::string(style.header) + kSurveyColumns;
  }
  /// A point object and its .mid row.
  LayerText& point(double x, double y, const std::string& row) {
    mif_ += "Point " + num(x) + " " + num(y) + "\r\n" + style_.symbol + "\r\n";
    return withRow(row);
  }
  /// A single-segment line object and its .mid row.
  LayerText& line(double x1, double y1, double x2, double y2, const std::string& row) {
    mif_ += "Line " + num(x1) + " " + num(y1) + " " + num(x2) + " " + num(y2) + "\r\n";
    return pen().withRow(row);
  }
  /// A single-section polyline object and its .mid row.
  LayerText& pline(const std::vector<std::pair<double, double>>& vertices, const std::string& row) {
    mif_ += "Pline " + std::to_string(vertices.size()) + "\r\n";
    for (const auto& [x, y] : vertices) mif_ += num(x) + " " + num(y) + "\r\n";
    return pen().withRow(row);
  }
  /// Any text added to the .mif as it stands (other objects).
  LayerText& mifText(const std::string& text) {
    mif_ += text;
    return *this;
  }
  /// Replaces the .mif so far, for a layer of other columns.
  LayerText& replaceMif(std::string text) {
    mif_ = std::move(text);
    return *this;
  }
  /// A row added to the .mid as it stands.
  LayerText& withRow(const std::string& row) {
    mid_ += row + "\r\n";
    return *this;
  }
  /// The .mif so far.
  const std::string& mif() const { return mif_; }
  /// The .mid so far.
  const std::string& mid() const { return mid_; }
  /// Writes base.mif, base.mid and a base.tab of the same date into the file system.
  void addTo(MemoryFileSystem& fs, const std::string& base) const {
    fs.add(base + ".mif", mif_, 100);
    fs.add(base + ".mid", mid_, 100);
    fs.add(base + ".tab", "!table\r\n", 100);
  }
  /// Writes base.tab, base.mif and base.mid into the folder (the table first: never newer than the .mid).
  void save(const ScratchDir& dir, const std::string& base) const {
    dir.write(base + ".tab", "!table\r\n");
    dir.write(base + ".mif", mif_);
    dir.write(base + ".mid", mid_);
  }

 private:
  LayerText& pen() {
    if (*style_.pen != '\0') mif_ += std::string(style_.pen) + "\r\n";
    return *this;
  }
  std::string num(double v) const {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, style_.coordinate, v);
    return buffer;
  }
  LayerStyle style_;
  std::string mif_;
  std::string mid_;
};

/// The layers of the reader tests: a UTM header and coordinates written as given.
inline constexpr LayerStyle kReaderLayer{
    "Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\n"
    "CoordSys Earth Projection 8, 104, \"m\", 3, 0, 0.9996, 500000, 0\r\n",
    "%.10g", "    Symbol (35,0,12)", "    Pen (1,2,0)"};

/// The survey layers of the end-to-end tests: a British National Grid header and millimetre coordinates.
inline constexpr LayerStyle kSurveyLayer{kSurveyHeader, "%.3f", "    Symbol (34,0,6)", ""};

/// A reader-test layer.
struct LayerBuilder : LayerText {
  LayerBuilder() : LayerText(kReaderLayer) {}
};

/// An end-to-end survey layer.
struct SurveyLayer : LayerText {
  SurveyLayer() : LayerText(kSurveyLayer) {}
};

}  // namespace kestrix::testing
