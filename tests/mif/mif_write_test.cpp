#include <gtest/gtest.h>

#include "driver/run_context.h"
#include "files/file_units.h"
#include "mif/mif.h"
#include "mif_test_util.h"

namespace kestrix::testing {
namespace {

int openOutput(TestRun& t, const std::string& name) {
  int unit = 0;
  OPENFILE(t.ctx, unit, FileMode::Output, name);
  t.console.clearOutput();
  return unit;
}

miObjectType pointType() {
  miObjectType type;
  type.line = true;
  miInitObject(type);
  type.point = true;
  return type;
}

miObjectType plineType() {
  miObjectType type;
  miInitObject(type);
  type.pline = true;
  return type;
}

TEST(MifWriteObject, PointInTwoSixteenColumnFields) {
  TestRun t;
  const int unit = openOutput(t, "o.mif");
  const double x = 500000.125, y = -32.5;
  miWriteObject(t.ctx, unit, pointType(), &x, &y, 1, "    Symbol (32,65535,5)", "");
  EXPECT_EQ(t.fs.content("o.mif"), "Point    500000.125000      -32.500000\r\n"
                                   "    Symbol (32,65535,5)\r\n");
}

TEST(MifWriteObject, PolylineWithItsCountAndClausesAsPassed) {
  TestRun t;
  const int unit = openOutput(t, "o.mif");
  const double x[] = {0.0, 999999999.0, 1000000000.0};
  const double y[] = {-99999999.0, -100000000.0, 1.5};
  miWriteObject(t.ctx, unit, plineType(), x, y, 3, "    Pen (2,59,255)  ", "  Smooth");
  EXPECT_EQ(t.fs.content("o.mif"), "Pline 3\r\n"
                                   "        0.000000-99999999.000000\r\n"
                                   "999999999.000000****************\r\n"
                                   "****************        1.500000\r\n"
                                   "    Pen (2,59,255)  \r\n"
                                   "  Smooth\r\n");
}

TEST(MifWriteObject, BlankClausesWriteNothing) {
  TestRun t;
  const int unit = openOutput(t, "o.mif");
  const double x = 1, y = 2;
  miWriteObject(t.ctx, unit, pointType(), &x, &y, 1, "   ", "\t");
  miWriteObject(t.ctx, unit, plineType(), &x, &y, 0, "", "");
  EXPECT_EQ(t.fs.content("o.mif"), "Point         1.000000        2.000000\r\nPline 0\r\n");
  EXPECT_EQ(t.out(), "");
}

TEST(MifCopyHeader, CopiesUpToTheColumnsLine) {
  TestRun t;
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

TEST(MifCopyHeader, SourceWithoutColumnsLineIsCopiedToTheEnd) {
  TestRun t;
  const int from = openInput(t, "src.mif", lines({"Version 300", "Data", "Point 1 2"}) + "  Pen (1,2,0)");
  const int to = openOutput(t, "o.mif");
  miCopyHeader(t.ctx, from, to);
  EXPECT_EQ(t.fs.content("o.mif"), lines({"Version 300", "Data", "Point 1 2", "  Pen (1,2,0)"}));
}

TEST(MifCopyHeader, ReadFailuresEndTheRun) {
  {
    TestRun t;
    const int from = openFailing(t, 1, ReadStatus::Error);
    const int to = openOutput(t, "o.mif");
    EXPECT_EQ(endsRun([&] { miCopyHeader(t.ctx, from, to); }), kExitFailure);
    EXPECT_EQ(t.out(), "Copying header info from file unit 1001 to 1002...\n"
                       "\nERROR 0301 - Reading data (miCopyHeader)\n\nPress Enter to Close\n");
    EXPECT_EQ(t.fs.content("o.mif"), "Version 300\r\n");
  }
  {
    // Only a file that claims more lines than it yields meets its end in the read itself.
    TestRun t;
    const int from = openFailing(t, 0, ReadStatus::End);
    const int to = openOutput(t, "o.mif");
    EXPECT_EQ(endsRun([&] { miCopyHeader(t.ctx, from, to); }), kExitFailure);
    EXPECT_EQ(t.out(), "Copying header info from file unit 1001 to 1002...\n"
                       "\nERROR 0302 - End of File encountered (miCopyHeader)\n\nPress Enter to Close\n");
  }
}

}  // namespace
}  // namespace kestrix::testing
