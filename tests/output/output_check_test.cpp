// The checks the fuzz targets rely on must see the faults they are there for.

#include "support/output_check.h"

#include <gtest/gtest.h>

#include "support/workspace_run.h"

namespace kestrix::testing {
namespace {

const std::string kMif = lines({"Version 300", "Delimiter \",\"", "Columns 3", "  XS_ID Char(4)", "  Z Float",
                                "  Ignore Logical", "Data", "", "Point 1.5 2", "    Symbol (32,65535,5)", "Pline 2",
                                "0 0", " 10 -1.25", "    Pen (2,59,255)"});

TEST(OutputCheck, LayerObjectsMatchRecordsAndColumns) {
  EXPECT_EQ(checkLayer(kMif, lines({"\"A,1\",   1.000,T", "B\"\"C, -2.5,F"})).substr(0, 6), ".mid: ");
  EXPECT_EQ(checkLayer(kMif, lines({"\"A,1\",   1.000,T", "\"B\"\"C\",-2.5,"})), "");
  EXPECT_EQ(checkLayer(kMif, lines({"\"A,1\",   1.000,T"})), "2 objects but 1 records");
  EXPECT_EQ(checkLayer(kMif, lines({"A,1.0,T", "B,********,F"})), ".mid: record 2 Z: not a number: ********");
  EXPECT_EQ(checkLayer(kMif, lines({"A,1.0,T", "B,inf,F"})), ".mid: record 2 Z: not a number: inf");
  EXPECT_EQ(checkLayer(kMif, lines({"A,1.0,T", "\"ABCDE\",1,F"})), ".mid: record 2 XS_ID: longer than Char(4): ABCDE");
  EXPECT_EQ(checkLayer(kMif, lines({"A,1.0,T", "B,1"})), ".mid: record 2 has 2 fields for 3 columns");
  EXPECT_EQ(checkLayer(kMif, "A,1.0,T\r\nB,1,F"), ".mid: the last record has no CR LF");
  // A record may hold a line end only inside quotes.
  EXPECT_EQ(checkLayer(kMif, "\"A\r\n\",1.0,T\r\nB,1,F\r\n"), "");
}

TEST(OutputCheck, LayerGeometryIsStrict) {
  const std::string mid = lines({"A,1,T", "B,1,F"});
  // Without a Delimiter line the fields are separated by TABs.
  EXPECT_EQ(checkLayer("Columns 3\r\n" + kMif.substr(kMif.find("  XS_ID")), lines({"A\t1\tT", "B\t1\tF"})), "");
  EXPECT_NE(checkLayer("Columns 3\r\n" + kMif.substr(kMif.find("  XS_ID")), mid), "");
  std::string bare = kMif;
  bare.replace(bare.find("Delimiter"), 0, "Charset \"Neutral\"\r");
  EXPECT_EQ(checkLayer(bare, mid), ".mif: bare CR or LF inside line 2");
  std::string joined = kMif;
  joined.replace(joined.find(" 10 -1.25"), 9, "10.000000-1.250000");
  EXPECT_EQ(checkLayer(joined, mid), ".mif: bad vertex line: 10.000000-1.250000");
  EXPECT_EQ(checkLayer(kMif + "Region 1\r\n", mid), ".mif: not an object line: Region 1");
}

TEST(OutputCheck, SectionFiles) {
  const std::string good = lines({"\"XS \"\"1\"\"\",\"src\",", "\"X\",\"Z\",\"N\",\"LCR\"",
                                  "     0.000,  12.800,     0.060, 1", "-12345.000,   1.000,, 3"});
  EXPECT_EQ(checkSectionCsv(good), "");
  EXPECT_EQ(checkSectionCsv(lines({"\"A\",", "\"X\",\"Z\",\"N\",\"LCR\"", "     0.000,********,     0.060, 2"})),
            "row 3: X or Z is not a number");
  EXPECT_EQ(checkSectionCsv(lines({"A,", "\"X\",\"Z\",\"N\",\"LCR\""})), "unquoted text in the identifier line");
  EXPECT_EQ(checkSectionCsv(lines({"\"A\","})), "no heading");
}

TEST(OutputCheck, WhatARunLeavesBehind) {
  const FileMap before = {{"in.mif", "x"}, {"in.mid", "y"}};
  FileMap after = before;
  EXPECT_TRUE(checkRunFiles(before, after, 1).empty());
  after["in.mid"] = "z";
  after["d/.kestrix-12-1d_xs.mif.tmp"] = "";
  EXPECT_EQ(checkRunFiles(before, after, 1),
            (std::vector<std::string>{"input changed: in.mid", "temporary file left: d/.kestrix-12-1d_xs.mif.tmp",
                                      "file written by a failed run: d/.kestrix-12-1d_xs.mif.tmp"}));

  after = before;
  after["d/1d_xs.mif"] = lines({"Columns 1", "  Source Char(20)", "Data", "Pline 2", "0 0", "1 1"});
  after["d/1d_xs.mid"] = lines({"\"d/A.csv\"", "\"B.csv\""});
  after["d/B.csv"] = lines({"\"B\",", "\"X\",\"Z\",\"M\",\"LCR\""});
  after["d/C.mid"] = "";
  EXPECT_EQ(checkRunFiles(before, after, 0),
            (std::vector<std::string>{"d/1d_xs: 1 objects but 2 records", "d/C: written without its .mif or .mid",
                                      "d/1d_xs.mid: names d/A.csv, not written"}));
  EXPECT_EQ(checkRunFiles(before, before, 3), (std::vector<std::string>{"exit status 3"}));
}

}  // namespace
}  // namespace kestrix::testing
