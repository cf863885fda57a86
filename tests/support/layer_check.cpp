#include "support/layer_check.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "mif/mif_words.h"
#include "support/fakes.h"

namespace kestrix::testing {

int mifObjectCount(const std::string& mif) {
  std::istringstream in(mif);
  std::string line;
  bool data = false;
  int n = 0;
  while (std::getline(in, line)) {
    if (!data) {
      data = mif_detail::onlyWordIs(line, "DATA");
      continue;
    }
    if (mif_detail::beginsObject(line)) ++n;
  }
  return n;
}

int midRecordCount(const std::string& mid) {
  int n = 0;
  for (const char c : mid) n += c == '\n';
  if (!mid.empty() && mid.back() != '\n') ++n;
  return n;
}

bool gdalAvailable() { return std::system("ogr2ogr --version >/dev/null 2>&1") == 0; }

std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false, any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
      continue;
    }
    if (c == '"') {
      quoted = any = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
      any = true;
    } else if (c == '\n') {
      row.push_back(field);
      rows.push_back(row);
      row.clear();
      field.clear();
      any = false;
    } else if (c != '\r') {
      field += c;
      any = true;
    }
  }
  if (any) {
    row.push_back(field);
    rows.push_back(row);
  }
  return rows;
}

namespace {

GdalLayer readCsvFromGdal(const std::filesystem::path& mif, const std::string& options, const std::string& name) {
  GdalLayer layer;
  const std::filesystem::path errors = mif.parent_path() / ".gdal-messages";
  const std::string cmd = "ogr2ogr -f CSV " + options + "/vsistdout/ '" + mif.string() + "'" +
                          (name.empty() ? std::string() : " '" + name + "'") + " 2>'" + errors.string() + "'";
  FILE* pipe = ::popen(cmd.c_str(), "r");
  if (!pipe) return layer;
  std::string out;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  layer.ran = ::pclose(pipe) == 0;
  std::ifstream f(errors);
  std::stringstream ss;
  ss << f.rdbuf();
  layer.messages = ss.str();
  std::filesystem::remove(errors);
  auto rows = parseCsv(out);
  if (!rows.empty()) {
    layer.columns = rows.front();
    layer.rows.assign(rows.begin() + 1, rows.end());
    // GDAL ends the lines of a one-column layer with a comma.
    if (layer.columns.size() == 2 && layer.columns.back().empty()) {
      layer.columns.pop_back();
      for (auto& row : layer.rows)
        if (row.size() == 2 && row.back().empty()) row.pop_back();
    }
  }
  return layer;
}

}  // namespace

GdalLayer readWithGdal(const std::filesystem::path& mif, bool xy) {
  return readCsvFromGdal(mif, xy ? "-lco GEOMETRY=AS_XY " : "", "");
}

GdalLayer readLayerWithGdal(const std::filesystem::path& file, const std::string& layer) {
  return readCsvFromGdal(file, "-lco GEOMETRY=AS_WKT ", layer);
}

std::vector<std::string> converterHeader() {
  return {"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
          "CoordSys NonEarth Units \"m\" Bounds (0, 0) (100000, 100000)"};
}

std::string converterProjection() { return lines(join({converterHeader(), {"Columns 1", "  ID Integer", "Data", ""}})); }

std::string isisPoint(double x, double z, double n, const std::string& marker, double e, double north) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%10.3f%10.3f%10.3f %9.3f%-10s%10.3f%10.3f", x, z, n, 1.0, marker.c_str(), e,
                north);
  return buf;
}

}  // namespace kestrix::testing
