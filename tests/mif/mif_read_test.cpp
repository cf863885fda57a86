#include <gtest/gtest.h>

#include "mif/mif.h"
#include "mif_test_util.h"

namespace kestrix::testing {
namespace {

// The kind of a record as a word, to compare classifications at a glance.
std::string kind(const miObjectType& t) {
  switch (t.kind) {
    case MifObjectKind::Unknown: return "";
    case MifObjectKind::None: return "none";
    case MifObjectKind::Point: return "point";
    case MifObjectKind::Line: return "line";
    case MifObjectKind::Pline: return "pline";
    case MifObjectKind::PlineMultiple: return "plineMultiple";
    case MifObjectKind::Region: return "region";
    case MifObjectKind::Ellipse: return "ellipse";
    case MifObjectKind::Rect: return "rect";
    case MifObjectKind::RoundRect: return "roundRect";
    case MifObjectKind::Arc: return "arc";
    case MifObjectKind::Text: return "text";
    case MifObjectKind::MultiPoint: return "multiPoint";
  }
  return "?";
}

const std::string kClose = "\nPress Enter to Close\n";

// A keyword line, the kind it is read as and the text left after the keyword.
struct Case {
  const char* line;
  const char* kind;
  const char* rest;
};

template <std::size_t N>
void expectTypes(TestLayers& t, const Case (&cases)[N]) {
  std::string_view rest;
  miObjectType type;
  for (const Case& c : cases) {
    EXPECT_TRUE(miReadObjectType(t.ctx, c.line, rest, type)) << c.line;
    EXPECT_EQ(kind(type), c.kind) << c.line;
    EXPECT_EQ(rest, c.rest) << c.line;
  }
}

TEST(MifObjectType, EveryKeywordWithThePrefixRule) {
  const Case cases[] = {
      {"None", "none", ""},
      {"  \tPoint 12.5 7.25", "point", " 12.5 7.25"},
      {"POINTS 1 2", "point", "S 1 2"},
      {"Line 0 0 10 5", "line", " 0 0 10 5"},
      {"pline 3", "pline", " 3"},
      {"Pline Multiple 2", "plineMultiple", " 2"},
      {"Pline  Multiple 2", "pline", "  Multiple 2"},
      {"Region 3", "region", " 3"},
      {"Ellipse -1 -1 1 1", "ellipse", " -1 -1 1 1"},
      {"Rect -1 -1 1 1", "rect", " -1 -1 1 1"},
      {"RoundRect -1 -1 1 1 1", "roundRect", " -1 -1 1 1 1"},
      {"Arc -1 -1 1 1", "arc", " -1 -1 1 1"},
      {"Text \"text\"", "text", " \"text\""},
      {"MultiPoint 2", "multiPoint", " 2"},
  };
  TestLayers t;
  expectTypes(t, cases);
  EXPECT_EQ(t.out(), "");
}

TEST(MifObjectType, KeywordsInAnyCaseAfterBlanksAndTabs) {
  const Case cases[] = {
      {"\t \tpoint 1 2", "point", " 1 2"},
      {"pline multiple 3", "plineMultiple", " 3"},
      {"PLINE\tMULTIPLE 3", "pline", "\tMULTIPLE 3"},
      {"Nonesuch", "none", "such"},
      {"rEcT", "rect", ""},
      {"RoundRect", "roundRect", ""},
      {"Textual", "text", "ual"},
      {"  multipoint 2", "multiPoint", " 2"},
      {"Arcs", "arc", "s"},
  };
  TestLayers t;
  std::string_view rest;
  miObjectType type;
  expectTypes(t, cases);
  // Too short for any keyword, or no letter that starts one.
  for (const char* line : {"Poin", "P", "Pl", "\t", " \t ", "\tSymbol (35,0,12)", "Brush (2,0)", "1 2", "\"Point\""}) {
    EXPECT_FALSE(miReadObjectType(t.ctx, line, rest, type)) << line;
    EXPECT_EQ(kind(type), "") << line;
  }
  EXPECT_EQ(endsRun([&] { miReadObjectType(t.ctx, " \tCollection 2", rest, type); }), kExitFailure);
  EXPECT_EQ(t.out(),
            "ERROR 0303 - MIF \"Collection\" objects not supported.  Delete or disaggregate object.\n" + kClose);
}

TEST(MifObjectType, OtherLinesAreNotKeywordLinesAndClearTheRecord) {
  TestLayers t;
  std::string_view rest;
  miObjectType type;
  ASSERT_TRUE(miReadObjectType(t.ctx, "Region 4", rest, type));
  for (const char* line : {"    Pen (1,2,0)", "", "   ", "12.5 7.25", "Smooth", "  Label Line Simple 1 2"}) {
    EXPECT_FALSE(miReadObjectType(t.ctx, line, rest, type)) << line;
    EXPECT_EQ(kind(type), "") << line;
    EXPECT_EQ(type.nPolygons, 0) << line;
  }
}

TEST(MifObjectType, RegionPolygonCountAndItsLimit) {
  TestLayers t;
  std::string_view rest;
  miObjectType type;
  ASSERT_TRUE(miReadObjectType(t.ctx, "Region  10000", rest, type));
  EXPECT_EQ(type.nPolygons, 10000);
  EXPECT_EQ(endsRun([&] { miReadObjectType(t.ctx, " Region 10001  ", rest, type); }), kExitFailure);
  EXPECT_EQ(t.out(), "ERROR 0304 - Exceeded maximum number of polygons in region below of 10000\n"
                     " Region 10001\n" + kClose);
}

TEST(MifObjectType, UnreadableRegionCountIsAReadingError) {
  TestLayers t;
  std::string_view rest;
  miObjectType type;
  EXPECT_EQ(endsRun([&] { miReadObjectType(t.ctx, "Region x  ", rest, type); }), kExitFailure);
  EXPECT_EQ(t.out(), "ERROR 0308 - Reading .mif file.  Erroneous line is:\n x\n" + kClose);
}

TEST(MifObjectType, CollectionEndsTheRun) {
  TestLayers t;
  std::string_view rest;
  miObjectType type;
  EXPECT_EQ(endsRun([&] { miReadObjectType(t.ctx, "  collection 3", rest, type); }), kExitFailure);
  EXPECT_EQ(t.out(),
            "ERROR 0303 - MIF \"Collection\" objects not supported.  Delete or disaggregate object.\n" + kClose);
}

// Classifies the first line of a .mif and reads its object.
struct ObjectRead {
  TestLayers t;
  int unit = 0;
  std::string line;       // the keyword line
  std::string_view rest;  // the part of it after the keyword
  miObjectType type;
  std::vector<double> x, y;
  int count = -1;
  double cx = 0, cy = 0;

  bool read(const std::string& content, int limit) {
    unit = openInput(t, "a.mif", content);
    t.ctx.units.readLine(unit, line);
    EXPECT_TRUE(miReadObjectType(t.ctx, line, rest, type));
    return miReadObject(t.ctx, rest, unit, type, x, y, limit, count, cx, cy);
  }
  std::string next() {
    std::string line;
    t.ctx.units.readLine(unit, line);
    return line;
  }
};

TEST(MifReadObject, PointOnItsKeywordLineOrTheNext) {
  for (const std::string& content : {lines({"   Point 12.5 7.25", "Symbol (1,2,3)"}),
                                     lines({"Point", "12.5,7.25", "Symbol (1,2,3)"}),
                                     lines({"Point   ", "  12.5  7.25", "Symbol (1,2,3)"})}) {
    ObjectRead r;
    ASSERT_TRUE(r.read(content, 2)) << content;
    EXPECT_EQ(r.count, 1);
    ASSERT_GE(r.x.size(), 2u);
    EXPECT_EQ(r.x[0], 12.5);
    EXPECT_EQ(r.y[0], 7.25);
    EXPECT_EQ(r.x[1], 12.5);
    EXPECT_EQ(r.y[1], 7.25);
    EXPECT_EQ(r.cx, 12.5);
    EXPECT_EQ(r.cy, 7.25);
    EXPECT_EQ(r.next(), "Symbol (1,2,3)") << content;
  }
}

TEST(MifReadObject, LineSegment) {
  ObjectRead r;
  ASSERT_TRUE(r.read(lines({"Line 0 0 10 5", "Pen (1,2,0)"}), 1000));
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(r.x[0], 0);
  EXPECT_EQ(r.y[0], 0);
  EXPECT_EQ(r.x[1], 10);
  EXPECT_EQ(r.y[1], 5);
  EXPECT_EQ(r.next(), "Pen (1,2,0)");
}

std::string plineOf(int n) {
  std::string s = "Pline " + std::to_string(n) + "\r\n";
  for (int i = 1; i <= n; ++i) s += std::to_string(i) + ".5 -" + std::to_string(i) + "\r\n";
  return s + "    Pen (1,2,0)\r\n";
}

TEST(MifReadObject, PolylineUpToTheNodeLimit) {
  ObjectRead r;
  ASSERT_TRUE(r.read(plineOf(1000), 1000));
  EXPECT_EQ(r.count, 1000);
  EXPECT_EQ(r.x[0], 1.5);
  EXPECT_EQ(r.y[0], -1);
  EXPECT_EQ(r.x[999], 1000.5);
  EXPECT_EQ(r.y[999], -1000);
  EXPECT_EQ(r.next(), "    Pen (1,2,0)");
  EXPECT_EQ(r.t.out(), "");
}

TEST(MifReadObject, PolylineOverTheNodeLimitEndsTheRun) {
  ObjectRead r;
  EXPECT_EQ(endsRun([&] { r.read(plineOf(1001), 1000); }), kExitFailure);
  EXPECT_EQ(r.t.out(), "ERROR 0310 - Exceeded number of allowable nodes in a single polyline or region.\n"
                       "             Requested    1001        Limit    1000\n" + kClose);
}

TEST(MifReadObject, PolylineOfNoNodesReadsNoCoordinateLine) {
  ObjectRead r;
  ASSERT_TRUE(r.read(lines({"Pline 0", "1 2"}), 1000));
  EXPECT_EQ(r.count, 0);
  EXPECT_EQ(r.next(), "1 2");
}

TEST(MifReadObject, KindsWithoutReaderReturnFalse) {
  for (const char* line : {"Region 1", "Pline Multiple 2", "None", "MultiPoint 2", "Text \"a\"", "Rect 0 0 1 1"}) {
    ObjectRead r;
    EXPECT_FALSE(r.read(lines({line, "  4"}), 1000)) << line;
    EXPECT_EQ(r.next(), "  4") << line;
  }
}

// Each malformed object and the message it ends the run with.
TEST(MifReadObject, MalformedObjectsEndTheRun) {
  const std::string end0309 = "ERROR 0309 - Unexpected end of .mif file encountered.\n" + kClose;
  auto end0308 = [&](const std::string& text) {
    return "ERROR 0308 - Reading .mif file.  Erroneous line is:\n" + text + "\n" + kClose;
  };
  struct Case {
    std::string content;
    std::string out;
  };
  const Case cases[] = {
      {lines({"Pline"}), end0309},
      {lines({"Pline   ", "2", "0 0", "1 1"}), end0309},
      {lines({"Pline x  "}), end0308(" x")},
      {lines({"Pline -1"}), end0308(" -1")},
      {lines({"Pline 3", "0 0", "1 1"}), end0309},
      {lines({"Pline 2", "0 0", "1 q   "}), end0308("1 q")},
      {lines({"Pline 2", "0 0", "  1"}), end0309},
      {lines({"Point"}), end0309},
      {lines({"Point 12.5"}), end0309},
      {lines({"Point a 7"}), end0308(" a 7")},
      {lines({"Point", "\"1\" 2"}), end0308("\"1\" 2")},
      {lines({"Line 0 0 10"}), end0309},
      {lines({"Line 0 0 10 z"}), end0308(" 0 0 10 z")},
  };
  for (const Case& c : cases) {
    ObjectRead r;
    EXPECT_EQ(endsRun([&] { r.read(c.content, 1000); }), kExitFailure) << c.content;
    EXPECT_EQ(r.t.out(), c.out) << c.content;
  }
}

TEST(MifReadObject, ReadErrorInsideAnObjectIsAReadingError) {
  TestLayers t;
  const int unit = openFailing(t, 0, ReadStatus::Error);
  miObjectType type;
  type.kind = MifObjectKind::Point;
  std::string_view rest;
  std::vector<double> x, y;
  int n = 0;
  double cx = 0, cy = 0;
  EXPECT_EQ(endsRun([&] { miReadObject(t.ctx, rest, unit, type, x, y, 2, n, cx, cy); }), kExitFailure);
  EXPECT_EQ(t.out().rfind("ERROR 0308 - Reading .mif file.  Erroneous line is:\n", 0), 0u);
}

}  // namespace
}  // namespace kestrix::testing
