#include <gtest/gtest.h>

#include "files/file_units.h"
#include "mif/mif.h"
#include "mif_test_util.h"

namespace kestrix::testing {
namespace {

int openOutput(TestLayers& t, const std::string& name) {
  int unit = 0;
  OPENFILE(t.ctx, unit, FileMode::Output, name);
  t.console.clearOutput();
  return unit;
}

miObjectType pointType() {
  miObjectType type;
  type.kind = MifObjectKind::Line;
  miInitObject(type);
  type.kind = MifObjectKind::Point;
  return type;
}

miObjectType plineType() {
  miObjectType type;
  miInitObject(type);
  type.kind = MifObjectKind::Pline;
  return type;
}

TEST(MifWriteObject, PointInTwoSixteenColumnFields) {
  TestLayers t;
  const int unit = openOutput(t, "o.mif");
  const double x = 500000.125, y = -32.5;
  miWriteObject(t.ctx, unit, pointType(), &x, &y, 1, "    Symbol (32,65535,5)", "");
  EXPECT_EQ(t.fs.content("o.mif"), "Point    500000.125000      -32.500000\r\n"
                                   "    Symbol (32,65535,5)\r\n");
}

TEST(MifWriteObject, PolylineWithItsCountAndClausesAsPassed) {
  TestLayers t;
  const int unit = openOutput(t, "o.mif");
  const double x[] = {0.0, 99999999.0, 12.25};
  const double y[] = {-9999999.0, 10.0, 1.5};
  EXPECT_TRUE(miWriteObject(t.ctx, unit, plineType(), x, y, 3, "    Pen (2,59,255)  ", "  Smooth"));
  EXPECT_EQ(t.fs.content("o.mif"), "Pline 3\r\n"
                                   "        0.000000 -9999999.000000\r\n"
                                   " 99999999.000000       10.000000\r\n"
                                   "       12.250000        1.500000\r\n"
                                   "    Pen (2,59,255)  \r\n"
                                   "  Smooth\r\n");
}

TEST(MifWriteObject, WideCoordinatesAreWrittenInFullAfterOneBlank) {
  TestLayers t;
  const int unit = openOutput(t, "o.mif");
  // 16 characters and more: no asterisks, and never two numbers run together.
  const double x[] = {999999999.0, 1000000000.0, -12345678.5};
  const double y[] = {-99999999.0, 1.5, 123456789012.25};
  std::string wide;
  EXPECT_FALSE(miWriteObject(t.ctx, unit, plineType(), x, y, 3, "", "", &wide));
  EXPECT_EQ(wide, "999999999.000000");
  EXPECT_EQ(t.fs.content("o.mif"), "Pline 3\r\n"
                                   " 999999999.000000 -99999999.000000\r\n"
                                   " 1000000000.000000        1.500000\r\n"
                                   " -12345678.500000 123456789012.250000\r\n");
}

TEST(MifWriteObject, BlankClausesWriteNothing) {
  TestLayers t;
  const int unit = openOutput(t, "o.mif");
  const double x = 1, y = 2;
  miWriteObject(t.ctx, unit, pointType(), &x, &y, 1, "   ", "\t");
  miWriteObject(t.ctx, unit, plineType(), &x, &y, 0, "", "");
  EXPECT_EQ(t.fs.content("o.mif"), "Point         1.000000        2.000000\r\nPline 0\r\n");
  EXPECT_EQ(t.out(), "");
}

TEST(MifCopyHeader, CopiesUpToTheColumnsLine) {
  TestLayers t;
  const int from = openInput(t, "src.mif",
                             lines({"Version   300  ", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                                    "Description \"Columns of the survey\"", "CoordSys Nonearth Units \"m\"",
                                    " \tcolumns 2", "  Metadata Char(20)", "  XS_ID Char(10)", "Data"}));
  t.fs.add("dummy.mif", "");
  int dummy = 0;
  OPENFILE(t.ctx, dummy, FileMode::Input, "dummy.mif");
  const int to = openOutput(t, "o.mif");
  std::string line;
  t.ctx.units.readLine(from, line);
  miCopyHeader(t.ctx, from, to);
  EXPECT_EQ(t.out(), "Copying header info from file unit 1001 to 1003...\n");
  EXPECT_EQ(t.fs.content("o.mif"), lines({"Version   300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                                          "Description \"Columns of the survey\"", "CoordSys Nonearth Units \"m\""}));
  // The source is left after its "Columns" line.
  t.ctx.units.readLine(from, line);
  EXPECT_EQ(line, "  Metadata Char(20)");
}

TEST(MifCopyHeader, SourceWithoutColumnsNeverCopiesObjects) {
  struct Case {
    std::string source;
    std::vector<std::string> header;
  };
  const Case cases[] = {
      // Stops at Data: the writer's own lines, with the source's character set and coordinate system.
      {lines({"Version 450", "Charset \"UTF-8\"", "Delimiter \";\"", "CoordSys Earth Projection 8, 79",
              "  Bounds (0, 0) (1, 1)", "Index 1", "Data", "Point 1 2"}) + "  Pen (1,2,0)",
       {"Version 300", "Charset \"UTF-8\"", "Delimiter \",\"", "CoordSys Earth Projection 8, 79",
        "  Bounds (0, 0) (1, 1)"}},
      // Stops at the first object even without a Data line.
      {lines({"Version 300", "CoordSys Nonearth Units \"m\"", "Point 1 2", "Line 1 2 3 4"}),
       {"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"", "CoordSys Nonearth Units \"m\""}},
      // Objects only: a header of the writer's own lines.
      {lines({"  pline 2", "1 2", "3 4", "region 1"}), {"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\""}},
  };
  for (const Case& c : cases) {
    TestLayers t;
    const int from = openInput(t, "src.mif", c.source);
    const int to = openOutput(t, "o.mif");
    miCopyHeader(t.ctx, from, to);
    EXPECT_EQ(t.fs.content("o.mif"), lines(c.header)) << c.source;
  }
}

TEST(MifCopyHeader, DelimiterIsAlwaysTheComma) {
  struct Case {
    std::vector<std::string> source;
    std::vector<std::string> copied;
  };
  const Case cases[] = {
      {{"Version 300", "Charset \"WindowsCyrillic\"", "DELIMITER \";\"", "Columns 0"},
       {"Version 300", "Charset \"WindowsCyrillic\"", "Delimiter \",\""}},
      // No Delimiter line means TAB: one is added after the Version and Charset lines.
      {{"Version 300", "Charset \"Neutral\"", "CoordSys Nonearth Units \"m\"", "Columns 2"},
       {"Version 300", "Charset \"Neutral\"", "Delimiter \",\"", "CoordSys Nonearth Units \"m\""}},
      {{"CoordSys Nonearth Units \"m\"", "Columns 1"}, {"Delimiter \",\"", "CoordSys Nonearth Units \"m\""}},
      {{"Version 300", "Columns 1"}, {"Version 300", "Delimiter \",\""}},
      // A comma stays exactly as it was.
      {{"Version 300", "Delimiter \",\"", "Columns 1"}, {"Version 300", "Delimiter \",\""}},
  };
  for (const Case& c : cases) {
    TestLayers t;
    const int from = openInput(t, "src.mif", lines(c.source));
    const int to = openOutput(t, "o.mif");
    miCopyHeader(t.ctx, from, to);
    EXPECT_EQ(t.fs.content("o.mif"), lines(c.copied)) << lines(c.source);
  }
}

TEST(MifCopyHeader, ABareCarriageReturnEndsALine) {
  TestLayers t;
  // Lines of old Macintosh files inside the header: each part is a line of its own.
  const int from = openInput(t, "src.mif",
                             lines({"Version 300\rCharset \"Neutral\"", "CoordSys Nonearth Units \"m\"\rColumns 1",
                                    "  XS_ID Char(10)", "Data"}));
  const int to = openOutput(t, "o.mif");
  miCopyHeader(t.ctx, from, to);
  EXPECT_EQ(t.fs.content("o.mif"), lines({"Version 300", "Charset \"Neutral\"", "Delimiter \",\"",
                                          "CoordSys Nonearth Units \"m\""}));
}

TEST(MifCopyHeader, ReadFailuresEndTheRun) {
  {
    TestLayers t;
    const int from = openFailing(t, 1, ReadStatus::Error);
    const int to = openOutput(t, "o.mif");
    EXPECT_EQ(endsRun([&] { miCopyHeader(t.ctx, from, to); }), kExitFailure);
    EXPECT_EQ(t.out(), "Copying header info from file unit 1001 to 1002...\n"
                       "\nERROR 0301 - Reading data (miCopyHeader)\n\nPress Enter to Close\n");
    EXPECT_EQ(t.fs.content("o.mif"), "");  // nothing is written before the header has been read
  }
  {
    // Only a file that claims more lines than it yields meets its end in the read itself.
    TestLayers t;
    const int from = openFailing(t, 0, ReadStatus::End);
    const int to = openOutput(t, "o.mif");
    EXPECT_EQ(endsRun([&] { miCopyHeader(t.ctx, from, to); }), kExitFailure);
    EXPECT_EQ(t.out(), "Copying header info from file unit 1001 to 1002...\n"
                       "\nERROR 0302 - End of File encountered (miCopyHeader)\n\nPress Enter to Close\n");
  }
}

}  // namespace
}  // namespace kestrix::testing
