// The library over the shared real-world MIF samples, read in place through
// the machine's file system.

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "files/file_units.h"
#include "mif/mif.h"
#include "support/e2e.h"
#include "support/layer_run.h"

namespace kestrix::testing {
namespace {

struct RealRun {
  explicit RealRun(std::vector<std::string> input = {}) : console(std::move(input)), ctx(console, *fs) {
    ctx.units.INITUNITS(1000);
  }
  ScriptedConsole console;
  std::unique_ptr<FileSystem> fs = makeSystemFileSystem();
  LayerRun ctx;

  int open(const std::filesystem::path& p) {
    int unit = 0;
    OPENFILE(ctx, unit, FileMode::Input, p.string());
    return unit;
  }
};

std::filesystem::path sample(const char* name) { return realDataDir() / "mif" / name; }

std::string fileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

#define NEED_REAL_DATA() \
  if (realDataDir().empty()) GTEST_SKIP() << "shared real-world samples not present"

TEST(MifRealData, AllGeometriesClassifiedUntilTheCollection) {
  NEED_REAL_DATA();
  RealRun r;
  const int unit = r.open(sample("all_geoms.mif"));
  ASSERT_TRUE(miSkipHeader(r.ctx, unit));
  std::map<std::string, int> counts;
  std::vector<double> x, y;
  std::vector<std::pair<double, double>> points;
  std::string line;
  std::string_view rest;
  miObjectType type;
  const int status = endsRun([&] {
    while (r.ctx.units.readLine(unit, line) == ReadStatus::Ok) {
      if (!miReadObjectType(r.ctx, line, rest, type)) continue;
      const MifObjectKind k = type.kind;
      if (k == MifObjectKind::Point) ++counts["point"];
      if (k == MifObjectKind::Line) ++counts["line"];
      if (k == MifObjectKind::Pline) ++counts["pline"];
      if (k == MifObjectKind::PlineMultiple) ++counts["plineMultiple"];
      if (k == MifObjectKind::Region) counts["region"] += 100 * type.nPolygons + 1;
      if (k == MifObjectKind::Rect) ++counts["rect"];
      if (k == MifObjectKind::RoundRect) ++counts["roundRect"];
      if (k == MifObjectKind::Ellipse) ++counts["ellipse"];
      if (k == MifObjectKind::Arc) ++counts["arc"];
      if (k == MifObjectKind::Text) ++counts["text"];
      if (k == MifObjectKind::MultiPoint) ++counts["multiPoint"];
      if (k == MifObjectKind::None) ++counts["none"];
      if (k == MifObjectKind::Point || k == MifObjectKind::Line) {
        int n = 0;
        double cx = 0, cy = 0;
        ASSERT_TRUE(miReadObject(r.ctx, rest, unit, type, x, y, 2, n, cx, cy));
        for (int i = 0; i < n; ++i) points.emplace_back(x[i], y[i]);
      }
    }
  });
  EXPECT_EQ(status, kExitFailure);
  const std::map<std::string, int> expected = {{"point", 3},   {"line", 1},     {"pline", 2},   {"plineMultiple", 1},
                                               {"region", 101}, {"rect", 1},    {"roundRect", 1}, {"ellipse", 1},
                                               {"arc", 2},     {"text", 1},     {"multiPoint", 1}};
  EXPECT_EQ(counts, expected);
  const std::vector<std::pair<double, double>> read = {{0, 1}, {2, 3}, {4, 5}, {0, 1}, {2, 3}};
  EXPECT_EQ(points, read);
  const std::string& out = r.console.output();
  EXPECT_NE(out.find("ERROR 0303 - MIF \"Collection\" objects not supported.  Delete or disaggregate object.\n"
                     "\nPress Enter to Close\n"),
            std::string::npos);
}

TEST(MifRealData, ColumnNamedDataDoesNotEndTheHeader) {
  NEED_REAL_DATA();
  RealRun r;
  const int unit = r.open(sample("small.mif"));  // holds the column "DATA Integer"
  ASSERT_TRUE(miSkipHeader(r.ctx, unit));
  std::string line;
  ASSERT_EQ(r.ctx.units.readLine(unit, line), ReadStatus::Ok);
  EXPECT_EQ(line, "Region 1");
}

TEST(MifRealData, PolylinesOfALineLayer) {
  NEED_REAL_DATA();
  RealRun r;
  const int unit = r.open(sample("multilinemid.mif"));
  ASSERT_TRUE(miSkipHeader(r.ctx, unit));
  std::vector<double> x, y;
  std::vector<double> firstX;
  std::string line;
  std::string_view rest;
  miObjectType type;
  int n = 0;
  double cx = 0, cy = 0;
  while (r.ctx.units.readLine(unit, line) == ReadStatus::Ok) {
    if (!miReadObjectType(r.ctx, line, rest, type)) continue;
    ASSERT_TRUE(miReadObject(r.ctx, rest, unit, type, x, y, 1000, n, cx, cy));
    EXPECT_EQ(n, 3);
    EXPECT_EQ(y[2], 6738551.17);
    firstX.push_back(x[0]);
  }
  EXPECT_EQ(firstX, (std::vector<double>{482281.14, 483281.14}));

}

TEST(MifRealData, HeaderCopiedByteForByte) {
  NEED_REAL_DATA();
  ScratchDir dir;
  RealRun r;
  const int from = r.open(sample("proj_34.mif"));
  int to = 0;
  OPENFILE(r.ctx, to, FileMode::Output, (dir.path() / "copy.mif").string());
  miCopyHeader(r.ctx, from, to);
  CLOSER(r.ctx, to);
  EXPECT_EQ(dir.read("copy.mif"),
            "Version  1200\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\n"
            "CoordSys Earth Projection 34, 104, \"m\", -177, 0, 0.9996, 500000, 0 Bounds (-7919730.23343, "
            "-9997964.94302) (8919730.23343, 9997964.94302)\r\n");
}

TEST(MifRealData, SaveDateOfACopiedLayer) {
  NEED_REAL_DATA();
  ScratchDir dir;
  for (const char* ext : {".mif", ".mid", ".tab"})
    dir.write(std::string("fields") + ext, fileBytes(sample((std::string("all_possible_fields") + ext).c_str())));
  namespace fs = std::filesystem;
  const fs::path mid = dir.path() / "fields.mid", tab = dir.path() / "fields.tab";
  const auto t0 = fs::last_write_time(mid);
  fs::last_write_time(tab, t0);
  {
    RealRun r;
    int geom = 0, attr = 0;
    miOpenLayer(r.ctx, (dir.path() / "fields.MIF").string(), geom, attr, FileMode::Input);
    EXPECT_NE(r.console.output().find("fields.tab...OK\n"), std::string::npos);
    ASSERT_TRUE(miSkipHeader(r.ctx, geom));
    std::string line;
    r.ctx.units.readLine(geom, line);
    EXPECT_EQ(line, "");
  }
  fs::last_write_time(tab, t0 + std::chrono::seconds(1));
  {
    RealRun r;
    int geom = 0, attr = 0;
    EXPECT_EQ(endsRun([&] { miOpenLayer(r.ctx, (dir.path() / "fields").string(), geom, attr, FileMode::Input); }),
              kExitFailure);
    EXPECT_NE(r.console.output().find("fields.tab...NOT OK\n"), std::string::npos);
    EXPECT_NE(r.console.output().find("Re-export mif file and press Enter, or close window.\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace kestrix::testing
