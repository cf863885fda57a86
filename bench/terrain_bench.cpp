// The terrain benchmark's program (driven by bench/terrain.sh).
//
//   kestrix_terrain_bench make DEM.tif
//     writes the 10,000 x 10,000-cell tiled Float32 GeoTIFF of 1 m cells whose
//     cell centres lie on the plane z = 100 + 0.001 (x - X0) + 0.002 (y - Y0).
//   kestrix_terrain_bench sample DEM [POINTS [EVERY]] [--shuffle]
//     samples 10,000 section lines of 300 m at 1 m through the terrain model,
//     prints the samples, those with a value, the largest difference from the
//     plane inside the cell centres and the seconds spent; with POINTS, writes
//     every EVERY-th sample's "x y" there (for gdallocationinfo). The lines lie
//     across a river that winds through the raster in 25 reaches of 400
//     sections, in the order a run meets them; --shuffle takes them in a
//     random order instead.
//   kestrix_terrain_bench survey FOLDER
//     writes survey.mif/.mid (20 surveyed points in the middle 19 m of each of
//     those lines) and lines.mif/.mid (the lines themselves) into FOLDER, for a
//     whole run with -dem: over the same lines.

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gdal/gdal_source.h"
#include "gdal/terrain.h"
#include "geometry/line_samples.h"

namespace {

constexpr int kSize = 10000;     // cells a side
constexpr int kTile = 256;       // cells a tile side
constexpr double kX0 = 500000.0; // left edge
constexpr double kY0 = 6000000.0;  // bottom edge
constexpr double kYTop = kY0 + kSize;

double plane(double x, double y) { return 100.0 + 0.001 * (x - kX0) + 0.002 * (y - kY0); }

int make(const char* path) {
  kestrix::gdalStart();
  const char* options[] = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256", "BIGTIFF=IF_SAFER", nullptr};
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
  GDALDataset* dataset = driver->Create(path, kSize, kSize, 1, GDT_Float32, const_cast<char**>(options));
  if (dataset == nullptr) return 1;
  double transform[6] = {kX0, 1, 0, kYTop, 0, -1};
  dataset->SetGeoTransform(transform);
  OGRSpatialReference crs;
  crs.importFromEPSG(25832);
  dataset->SetSpatialRef(&crs);
  GDALRasterBand* band = dataset->GetRasterBand(1);
  std::vector<float> cells(static_cast<std::size_t>(kTile) * kTile);
  for (int ty = 0; ty * kTile < kSize; ++ty) {
    for (int tx = 0; tx * kTile < kSize; ++tx) {
      for (int r = 0; r < kTile; ++r)
        for (int c = 0; c < kTile; ++c)
          cells[static_cast<std::size_t>(r) * kTile + c] =
              static_cast<float>(plane(kX0 + tx * kTile + c + 0.5, kYTop - (ty * kTile + r + 0.5)));
      if (band->WriteBlock(tx, ty, cells.data()) != CE_None) return 1;
    }
  }
  GDALClose(dataset);
  return 0;
}

struct Line {
  std::vector<double> xs, ys;
};

// 25 reaches across the raster, 400 m apart, taken alternately eastwards and
// westwards; each of 400 sections 24 m apart, its 300 m line across the reach.
std::vector<Line> riverLines() {
  std::vector<Line> lines;
  for (int reach = 0; reach < 25; ++reach) {
    const double y = kY0 + 200.0 + 400.0 * reach;
    for (int s = 0; s < 400; ++s) {
      const int along = reach % 2 == 0 ? s : 399 - s;
      const double x = kX0 + 212.0 + 24.0 * along + 0.37;
      lines.push_back(Line{{x, x + 3.0}, {y - 150.0, y + 149.97}});
    }
  }
  return lines;
}

// The MIF header of the survey layers: no earth system, so that the run checks nothing against the DEM's.
void mifHeader(std::FILE* f, const char* columns) {
  std::fprintf(f, "Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\n"
                  "CoordSys NonEarth Units \"m\" Bounds (0, 0) (10000000, 10000000)\r\n%sData\r\n\r\n", columns);
}

int survey(const std::string& folder) {
  const std::vector<Line> lines = riverLines();
  std::FILE* pm = std::fopen((folder + "/survey.mif").c_str(), "wb");
  std::FILE* pd = std::fopen((folder + "/survey.mid").c_str(), "wb");
  std::FILE* lm = std::fopen((folder + "/lines.mif").c_str(), "wb");
  std::FILE* ld = std::fopen((folder + "/lines.mid").c_str(), "wb");
  if (pm == nullptr || pd == nullptr || lm == nullptr || ld == nullptr) return 1;
  mifHeader(pm, "Columns 4\r\n  Z Float\r\n  MNR Float\r\n  LCR Char(1)\r\n  XS_ID Char(12)\r\n");
  mifHeader(lm, "Columns 1\r\n  XS_ID Char(12)\r\n");
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const Line& line = lines[n];
    const double dx = line.xs[1] - line.xs[0];
    const double dy = line.ys[1] - line.ys[0];
    const double length = std::hypot(dx, dy);
    for (int p = 0; p < 20; ++p) {
      const double t = (140.5 + p) / length;
      const double x = line.xs[0] + t * dx;
      const double y = line.ys[0] + t * dy;
      const char* group = p < 3 ? "L" : p < 17 ? "C" : "R";
      std::fprintf(pm, "Point %.3f %.3f\r\n", x, y);
      std::fprintf(pd, "%.3f,0.035,\"%s\",\"S%05zu\"\r\n", plane(x, y) - (p < 3 || p >= 17 ? 0.0 : 2.0), group, n);
    }
    std::fprintf(lm, "Pline 2\r\n%.3f %.3f\r\n%.3f %.3f\r\n", line.xs[0], line.ys[0], line.xs[1], line.ys[1]);
    std::fprintf(ld, "\"S%05zu\"\r\n", n);
  }
  for (std::FILE* f : {pm, pd, lm, ld}) std::fclose(f);
  return 0;
}

int sample(int argc, char** argv) {
  const std::string dem = argv[2];
  std::string pointsFile;
  int every = 10;
  bool shuffle = false;
  int positional = 0;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--shuffle") == 0) {
      shuffle = true;
    } else if (positional++ == 0) {
      pointsFile = argv[i];
    } else {
      every = std::max(1, std::atoi(argv[i]));
    }
  }
  std::vector<Line> lines = riverLines();
  if (shuffle) std::shuffle(lines.begin(), lines.end(), std::mt19937(26));

  const auto start = std::chrono::steady_clock::now();
  kestrix::GdalTerrain terrain(kestrix::TerrainSettings{});
  for (const kestrix::TerrainFinding& finding : terrain.open({dem}, nullptr)) {
    std::fprintf(stderr, "%s\n", finding.text.c_str());
    if (finding.severity == kestrix::Severity::Error) return 1;
  }
  std::FILE* points = pointsFile.empty() ? nullptr : std::fopen(pointsFile.c_str(), "w");
  long long count = 0;
  long long found = 0;
  double largest = 0.0;
  for (const Line& line : lines) {
    for (const kestrix::LineSample& s : kestrix::lineSamples(line.xs, line.ys, 1.0)) {
      if (points != nullptr && count % every == 0) std::fprintf(points, "%.3f %.3f\n", s.x, s.y);
      ++count;
      double z = 0.0;
      int source = 0;
      if (!terrain.elevation(s.x, s.y, z, source)) continue;
      ++found;
      largest = std::max(largest, std::fabs(z - plane(s.x, s.y)));
    }
  }
  if (points != nullptr) std::fclose(points);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("samples %lld with value %lld largest difference from the plane %.6f seconds %.3f\n", count, found,
              largest, seconds);
  if (!terrain.failure().empty()) std::fprintf(stderr, "%s\n", terrain.failure().c_str());
  return found == count && terrain.failure().empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "make") == 0) return make(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "sample") == 0) return sample(argc, argv);
  if (argc >= 3 && std::strcmp(argv[1], "survey") == 0) return survey(argv[2]);
  std::fprintf(stderr, "usage: %s make DEM.tif | sample DEM [POINTS [EVERY]] [--shuffle] | survey FOLDER\n", argv[0]);
  return 2;
}
