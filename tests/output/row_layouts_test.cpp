// The fixed-width rows and the layer schemas the outputs share.

#include "output/row_layouts.h"

#include <gtest/gtest.h>

#include "output/layer_schemas.h"
#include "support/workspace_run.h"

namespace kestrix {
namespace {

using testing::TestWorkspace;

// Common values take the one-piece layout, the others the general one: both
// must give the columns the .csv has always had, and a value too wide for its
// column is written in full and named.
TEST(CsvRowLayout, CommonAndUncommonValuesGiveTheSameColumns) {
  struct Case {
    CsvRow row;
    Resistance style;
    const char* text;
    const char* wide;  // the first value written in full, or "" when all fit
  };
  const Case cases[] = {
      {{6.0f, 12.8f, 0.06f, Group::kLeft}, Resistance::Decimal, "     6.000,  12.800,     0.060, 1", ""},
      {{-0.5f, 0.0f, 0.0f, Group::kCentre}, Resistance::Decimal, "    -0.500,   0.000,, 2", ""},
      {{1.0f, 2.0f, 0.035f, Group::kRight}, Resistance::Material1000, "     1.000,   2.000,    35, 3", ""},
      {{1.0f, 2.0f, 7.0f, Group::kRight}, Resistance::Material, "     1.000,   2.000,     7, 3", ""},
      {{1.0e-9f, 2.0f, 0.0f, Group::kLeft}, Resistance::Decimal, "     0.000,   2.000,, 1", ""},
      {{123456789.0f, -99999.0f, 0.0f, Group::kLeft}, Resistance::Decimal, "123456792.000,-99999.000,, 1",
       "123456792.000"},
      {{1.0f, -9999.0f, 0.0f, Group::kCentre}, Resistance::Decimal, "     1.000,-9999.000,, 2", "-9999.000"},
      {{1.0f, 2.0f, 9999.5f, Group::kCentre}, Resistance::Material1000, "     1.000,   2.000,9999500, 2", "9999500"},
  };
  for (const Case& c : cases) {
    std::string line = "x";
    std::string wide;
    EXPECT_EQ(CsvRowLayout::append(line, c.row, c.style, wide), *c.wide == '\0') << c.text;
    EXPECT_EQ(line, std::string("x") + c.text);
    EXPECT_EQ(wide, c.wide) << c.text;
  }
  EXPECT_EQ(CsvRowLayout::heading('N'), "\"X\",\"Z\",\"N\",\"LCR\"");
}

TEST(PointRowLayout, ZInEightColumnsOrInFull) {
  std::string line;
  std::string wide;
  EXPECT_TRUE(PointRowLayout::append(line, "\"XS1\"", 8.42f, wide));
  EXPECT_EQ(line, "\"XS1\",   8.420");
  line.clear();
  EXPECT_FALSE(PointRowLayout::append(line, "\"XS1\"", -12345.5f, wide));
  EXPECT_EQ(line, "\"XS1\",-12345.500");
  EXPECT_EQ(wide, "-12345.500");
  EXPECT_EQ(asWritten(8.42f, PointRowLayout::kZ), 8.42);
}

// Each layer's Columns block, as GIS tools read it, comes from its schema.
TEST(LayerSchema, GivesTheMifColumnsBlock) {
  struct Case {
    LayerSchema schema;
    const char* block;
  };
  const Case cases[] = {
      {sectionPointSchema("_xs_bed_points"), "Columns 2\r\n  XS_ID Char(100)\r\n  Z Float\r\nData\r\n\r\n"},
      {branchesSchema(), "Columns 1\r\n  Branch Char(200)\r\nData\r\n\r\n"},
      {{"t", MifObjectKind::Pline, {{"Source", FieldType::Char, 57}, {"Ignore", FieldType::Logical},
                                   {"Conn_No", FieldType::Integer}}},
       "Columns 3\r\n  Source Char(57)\r\n  Ignore Logical\r\n  Conn_No Integer\r\nData\r\n\r\n"},
  };
  for (const Case& c : cases) {
    TestWorkspace t;
    int unit = 0;
    OPENFILE(t.ctx, unit, FileMode::Output, "o.mif");
    miWriteColumns(t.ctx, unit, c.schema);
    EXPECT_EQ(t.fs.content("o.mif"), c.block) << c.schema.name;
  }
  EXPECT_EQ(sectionLineSchema(57).fields.size(), 11u);
  EXPECT_EQ(networkSchema().fields.size(), 22u);
}

}  // namespace
}  // namespace kestrix
