// The real binary in MIKE 11 mode: a hand-made model converted from the
// command line to "Finished.", the files it writes byte for byte, -trim, and
// runs over the public MIKE 11 network and parameter files.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/e2e.h"
#include "support/fakes.h"

namespace kestrix {
namespace {

using testing::hostPath;
using testing::realDataDir;
using testing::ScratchDir;

std::string crlf(const std::vector<std::string>& items) {
  std::string all;
  for (const auto& s : items) all += s + "\r\n";
  return all;
}

const std::vector<std::string> kHeader = {"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                                          "CoordSys Nonearth Units \"m\" Bounds (0, 0) (10000, 10000)"};

std::string projection() {
  std::vector<std::string> mif = kHeader;
  mif.insert(mif.end(), {"Columns 1", "  Name Char(10)", "Data"});
  return crlf(mif);
}

// R1/T1 runs east from (1000,2000), chainage 0, to (1100,2000), chainage 100.
const std::string kNetwork = crlf({"[POINTS]", "   point = 1, 1000, 2000, 1, 0, 0", "   point = 2, 1100, 2000, 1, 100, 0",
                                   "EndSect  // POINTS", "[BRANCHES]", "   [branch]",
                                   "      definitions = 'R1', 'T1', 0, 100, 0, 10000, 0",
                                   "      connections = '', -1e-155, '', -1e-155", "      points = 1, 2",
                                   "   EndSect  // branch", "EndSect  // BRANCHES"});
const std::string kParameters = crlf({"[Global_Values]", "   G_resistance = 0.035", "EndSect  // Global_Values",
                                      "[BedList]", "   DATA = 'R1', 0, 0.03", "   DATA = 'R1', 100, 0.05",
                                      "EndSect  // BedList"});

std::vector<std::string> block(const std::string& topo, const std::string& branch, const std::string& chainage,
                               const std::vector<std::string>& points) {
  std::vector<std::string> b = {topo, branch, "   " + chainage, "DATUM", "   0.0", "PROFILE " + std::to_string(points.size())};
  b.insert(b.end(), points.begin(), points.end());
  b.push_back("**********");
  return b;
}

std::string sections() {
  std::vector<std::string> all = block("T1", "R1", "50.000",
                                       {"0 12 1", "2 10 1 <#1>", "5 8 2", "8 10 1 <#4>", "10 12 1"});
  const std::vector<std::string> second = block("T1", "R1", "80.000", {"0 5 1", "4 5 1"});
  all.insert(all.end(), second.begin(), second.end());
  all.push_back("");  // a harmless empty last line
  return crlf(all);
}

void writeModel(const ScratchDir& dir) {
  dir.write("proj.mif", projection());
  dir.write("proj.mid", "");
  dir.write("model.nwk11", kNetwork);
  dir.write("model.hd11", kParameters);
  dir.write("xs.txt", sections());
}

TEST(Mike11E2E, ConvertsAModelNamedInAnyOrder) {
  ScratchDir dir;
  writeModel(dir);
  // The .txt comes first: the network and parameters are still read before it.
  auto run = dir.run({"-M", "-m11", "proj.mif", "xs.txt", "model.nwk11", "model.hd11"}, "\n");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("\n Made it here\n"), std::string::npos);
  EXPECT_NE(run.output.find("\nErrors were \"F\"\n"), std::string::npos);
  EXPECT_NE(run.output.find("\nFinished.\n"), std::string::npos);

  // 50 is half-way along the 0.03-0.05 stretch: bed value 0.04, material 40.
  EXPECT_EQ(dir.read("R1_000050000.csv"), crlf({"\"R1_000050000\",\"xs\",\"T1\",\"R1; 50.000\",",
                                                 "\"X\",\"Z\",\"M\",\"LCR\"", "     0.000,  12.000,    40, 1",
                                                 "     2.000,  10.000,    40, 2", "     5.000,   8.000,    80, 2",
                                                 "     8.000,  10.000,    40, 2", "    10.000,  12.000,    40, 3"}));
  EXPECT_EQ(dir.read("R1_000080000.csv"), crlf({"\"R1_000080000\",\"xs\",\"T1\",\"R1; 80.000\",",
                                                 "\"X\",\"Z\",\"M\",\"LCR\"", "     0.000,   5.000,    46, 2",
                                                 "     4.000,   5.000,    46, 2"}));

  // The section lines: left end (north of the eastward branch), crossing point, right end.
  std::vector<std::string> xs = kHeader;
  xs.insert(xs.end(), {"Columns 11", "  Source Char(50)", "  Type Char(2)", "  Flags Char(10)", "  Column_1 Char(20)",
                       "  Column_2 Char(20)", "  Column_3 Char(20)", "  Column_4 Char(20)", "  Column_5 Char(20)",
                       "  Column_6 Char(20)", "  Z_Increment Float", "  Z_Maximum Float", "Data", "",
                       "Pline 3", "     1050.000000     2003.000000", "     1050.000000     2000.000000",
                       "     1050.000000     1997.000000", "Pline 3", "     1080.000001     2002.000000",
                       "     1080.000001     2000.000000", "     1080.000001     1998.000000"});
  EXPECT_EQ(dir.read("1d_xs.mif"), crlf(xs));
  EXPECT_EQ(dir.read("1d_xs.mid"), crlf({"\"R1_000050000.csv\",\"XZ\",\"MP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0",
                                         "\"R1_000080000.csv\",\"XZ\",\"MP\",\"\",\"\",\"\",\"\",\"\",\"\",0.0,0.0"}));

  EXPECT_EQ(dir.read("1d_nwk.mid"),
            crlf({"R10010,S,F,T,    30.0, 1.000,     0.000,     0.000,  0.00,0,,,         0,   0.000,   0.000,    0, "
                  "0.000, 0.000, 0.000, 0.000,\"R1_000050000\",\"R1_000080000\""}));
  const std::string nwk = dir.read("1d_nwk.mif");
  EXPECT_NE(nwk.find(crlf({"Data", "", "Pline 2", "     1050.000000     2000.000000",
                           "     1080.000001     2000.000000", "    Pen (2,59,255)"})),
            std::string::npos)
      << nwk;
  EXPECT_EQ(dir.read("1d_branches.mid"), crlf({"R1" + std::string(98, ' ')}));
}

TEST(Mike11E2E, ResistanceValuesOfOneOrMoreAreReportedAsManningM) {
  ScratchDir dir;
  writeModel(dir);
  auto plain = dir.run({"-batch", "-M", "-m11", "proj.mif", "xs.txt", "model.nwk11", "model.hd11"});
  ASSERT_EQ(plain.status, 0) << plain.output;
  EXPECT_EQ(plain.output.find("WARNING"), std::string::npos) << plain.output;

  dir.write("model.hd11", crlf({"[Global_Values]", "   G_resistance = 25", "EndSect  // Global_Values", "[BedList]",
                                "   DATA = 'R1', 0, 0.03", "   DATA = 'R1', 100, 32", "   DATA = 'R2', 0, 40",
                                "EndSect  // BedList"}));
  auto run = dir.run({"-batch", "-M", "-m11", "proj.mif", "xs.txt", "model.nwk11", "model.hd11"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(testing::hasLine(run.output,
                               "WARNING - Global resistance value 25 of \"model.hd11\" is 1 or more: most likely a "
                               "Manning's M (1/n), which would be n = 0.04.  It is used as Manning's n as it stands"))
      << run.output;
  EXPECT_TRUE(testing::hasLine(run.output,
                               "WARNING - 2 of the 3 bed resistance values of \"model.hd11\" are 1 or more (the first: "
                               "32 for branch \"R1\" at chainage 100): most likely Manning's M (1/n); 32 would be n = "
                               "0.03125.  They are used as Manning's n as they stand"))
      << run.output;
  EXPECT_TRUE(testing::hasLine(run.output, "Summary: warnings: 2"));
  // The values are used as they stand: at 80, 0.03 + 0.8 * (32 - 0.03) = 25.606, material 25606.
  EXPECT_NE(dir.read("R1_000080000.csv").find("     0.000,   5.000, 25606, 2\r\n"), std::string::npos)
      << dir.read("R1_000080000.csv");
}

TEST(Mike11E2E, TrimKeepsOnlyTheCentrePoints) {
  ScratchDir dir;
  writeModel(dir);
  auto run = dir.run({"-M", "-m11", "-trim", "proj.mif", "model.*", "xs.txt"}, "\n");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(dir.read("R1_000050000.csv"), crlf({"\"R1_000050000\",\"xs\",\"T1\",\"R1; 50.000\",",
                                                 "\"X\",\"Z\",\"M\",\"LCR\"", "     2.000,  10.000,    40, 2",
                                                 "     5.000,   8.000,    80, 2", "     8.000,  10.000,    40, 2"}));
  // The section line keeps its three vertices.
  EXPECT_NE(dir.read("1d_xs.mif").find("Pline 3\r\n     1050.000000     2003.000000\r\n"), std::string::npos);
}

TEST(Mike11E2E, AnEarlierFailedFileStopsTheRun) {
  ScratchDir dir;
  writeModel(dir);
  dir.write("a.txt", crlf({"T1", "R1", "   60", "PROFILE 3", "0 1 1"}));  // ends inside its profile
  auto run = dir.run({"-M", "-m11", "proj.mif", "a.txt", "xs.txt", "model.nwk11", "model.hd11"}, "\n");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("ERROR - End of File encountered reading from ISIS file\n"), std::string::npos);
  EXPECT_NE(run.output.find("Errors were \"T\""), std::string::npos);
  EXPECT_NE(run.output.find("Errors were \"F\""), std::string::npos);
  EXPECT_EQ(run.output.find("Finished."), std::string::npos);
  EXPECT_FALSE(dir.has("R1_000080000.csv"));
}

TEST(Mike11E2E, SeveralTxtFilesMakeOneNetwork) {
  // Branch R1 has sections at 20, 50 and 80: in one file, or split 20 + 50 | 80
  // so that the channel from 50 to 80 joins the two files.
  const auto at = [](const char* c) { return block("T1", "R1", c, {"0 12 1", "2 10 1 <#1>", "5 8 2", "8 10 1 <#4>"}); };
  std::vector<std::string> first = at("20"), second = at("50"), third = at("80");
  ScratchDir one, split;
  for (const ScratchDir* dir : {&one, &split}) writeModel(*dir);
  std::vector<std::string> all = first;
  all.insert(all.end(), second.begin(), second.end());
  split.write("a.txt", crlf(all));
  split.write("b.txt", crlf(third));
  all.insert(all.end(), third.begin(), third.end());
  one.write("xs.txt", crlf(all));
  const auto whole = one.run({"-batch", "-M", "-m11", "proj.mif", "xs.txt", "model.nwk11", "model.hd11"});
  const auto parts = split.run({"-batch", "-M", "-m11", "proj.mif", "a.txt", "b.txt", "model.nwk11", "model.hd11"});
  ASSERT_EQ(whole.status, 0) << whole.output;
  ASSERT_EQ(parts.status, 0) << parts.output;
  EXPECT_NE(one.read("1d_nwk.mid").find("R10020,"), std::string::npos) << one.read("1d_nwk.mid");
  auto written = one.files();
  for (const auto& [name, bytes] : split.files()) {
    if (name.find(".txt") != std::string::npos) continue;  // the inputs
    ASSERT_TRUE(written.count(name)) << name;
    std::string expected = written[name];
    // The identification line names the .txt file the section came from.
    if (name.find(".csv") != std::string::npos) expected.replace(expected.find("\"xs\""), 4, name == "R1_000080000.csv" ? "\"b\"" : "\"a\"");
    EXPECT_EQ(bytes, expected) << name;
    written.erase(name);
  }
  EXPECT_EQ(written.size(), 1u);  // xs.txt
  // The network's layers are opened and closed once.
  const auto count = [](const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(parts.output, "Trying to open file 1d_nwk.mif"), 1u) << parts.output;
}

TEST(Mike11E2E, BedMTakesTheParameterValuesAsManningM) {
  const auto data = realDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared real-world samples are not there";
  ScratchDir dir;
  dir.write("proj.mif", projection());
  // VIDAA-NED is not in the bed list: its sections take the global M 25, n = 0.04.
  dir.write("xs.txt", crlf(block("TOPO-92", "VIDAA-NED", "3500", {"0 10 1", "20 8 1", "40 10 2"})));
  auto run = dir.run({"-batch", "-quiet", "-N", "-bedm", "-m11", "proj.mif", "xs.txt",
                      hostPath(data / "mike11/Vida/vida96-3.nwk11"), hostPath(data / "mike11/Vida/Vida96-2.hd11")});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.find("WARNING"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("\nGlobal Manning's n value = 0.04\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("NOTE - -bedm: the resistance values of \""), std::string::npos);
  // -quiet leaves out the conversion's trace lines.
  for (const char* trace : {"Made it here", "Errors were", "Filename is"})
    EXPECT_EQ(run.output.find(trace), std::string::npos) << trace;
  EXPECT_NE(dir.read("VIDAA_NED_003500000.csv").find("    40.000,  10.000,     0.080, 2\r\n"), std::string::npos)
      << dir.read("VIDAA_NED_003500000.csv");
  EXPECT_NE(dir.read("VIDAA_NED_003500000.csv").find("     0.000,  10.000,     0.040, 2\r\n"), std::string::npos);
}

// ---- the public sample files ----

std::string coord(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%16.6f", v);
  return buf;
}

TEST(Mike11E2E, VidaNetworkWithItsParameters) {
  const auto data = realDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared real-world samples are not there";
  ScratchDir dir;
  dir.write("proj.mif", projection());
  // VIDAA-NED (TOPO-92) at 3500 and 3900: the channel between them passes the
  // branch's points 37, 112 and 38, in the branch's own order.
  std::vector<std::string> txt = block("TOPO-92", "VIDAA-NED", "3500", {"0 10 1", "20 8 1", "40 10 1"});
  const auto second = block("TOPO-92", "VIDAA-NED", "3900", {"0 10 1", "30 8 1"});
  txt.insert(txt.end(), second.begin(), second.end());
  const auto mel = block("TOPO-96", "VIDAA-MEL", "2", {"0 10 1", "10 8 1"});
  txt.insert(txt.end(), mel.begin(), mel.end());
  dir.write("xs.txt", crlf(txt));
  auto run = dir.run({"-M", "-m11", "proj.mif", "xs.txt", hostPath(data / "mike11/Vida/vida96-3.nwk11"),
                      hostPath(data / "mike11/Vida/Vida96-2.hd11")},
                     "\n");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("\n Number of points found:  369\n"), std::string::npos);
  EXPECT_NE(run.output.find("\n Number of branches found: 10\n"), std::string::npos);
  EXPECT_NE(run.output.find("\nGlobal Manning's n value = 25.\n"), std::string::npos);
  EXPECT_NE(run.output.find("\n Number of bed resistance values found: 14\n"), std::string::npos);
  EXPECT_NE(run.output.find("\nWARNING - Global resistance value 25 of \""), std::string::npos);
  EXPECT_NE(run.output.find("\" is 1 or more: most likely a Manning's M (1/n), which would be n = 0.04."),
            std::string::npos);
  EXPECT_NE(run.output.find("\nWARNING - 14 of the 14 bed resistance values of \""), std::string::npos) << run.output;

  const std::string nwk = dir.read("1d_nwk.mif");
  EXPECT_NE(nwk.find("Pline 5\r\n"), std::string::npos) << nwk;
  EXPECT_NE(nwk.find(coord(4073.54) + coord(4810.61) + "\r\n" + coord(4007.47) + coord(4951.34) + "\r\n" +
                     coord(3953.82) + coord(5055.26) + "\r\n"),
            std::string::npos)
      << nwk;
  EXPECT_NE(dir.read("1d_nwk.mid").find("VIDAA-NE0010,S,F,T,   400.0,"), std::string::npos);
  // VIDAA-NED is not in the bed list: 1 times the global 25, as material 25000.
  EXPECT_NE(dir.read("VIDAA_NED_003500000.csv").find("     0.000,  10.000, 25000, 2\r\n"), std::string::npos);
  // VIDAA-MEL at 2 lies in its stretch 0 (25) to 4.873 (20): 25 - 5 * 2 / 4.873.
  EXPECT_NE(dir.read("VIDAA_MEL_000002000.csv").find("     0.000,  10.000, 22948, 2\r\n"), std::string::npos);
  // All ten branches, named in full.
  const std::string branches = dir.read("1d_branches.mid");
  EXPECT_EQ(branches.size(), 10u * 102u);
  EXPECT_EQ(branches.substr(0, 102), "VIDAA-NED" + std::string(91, ' ') + "\r\n");
}

TEST(Mike11E2E, SmallSampleNetworks) {
  const auto data = realDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared real-world samples are not there";
  {
    // Points listed in reverse: the branch runs from point 2 (500,1000) to point 1 (1500,1000).
    ScratchDir dir;
    dir.write("proj.mif", projection());
    dir.write("xs.txt", crlf(block("1", "river B", "250", {"0 3 1", "6 1 1", "12 3 1"})));
    auto run = dir.run({"-M", "-m11", "proj.mif", "xs.txt", hostPath(data / "mike11/CrossSection/Network.nwk11"),
                        hostPath(data / "mike11/CrossSection/HD.hd11")},
                       "\n");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\n Number of points found:  2\n"), std::string::npos);
    EXPECT_NE(run.output.find("\n Could not find any bed resistance values\n"), std::string::npos);
    EXPECT_NE(run.output.find("WARNING - Global resistance value 30 of "), std::string::npos);
    EXPECT_NE(run.output.find(" which would be n = 0.03333.  "), std::string::npos);
    EXPECT_NE(dir.read("1d_xs.mif").find("Pline 3\r\n" + coord(750) + coord(1006) + "\r\n" + coord(750) +
                                         coord(1000) + "\r\n" + coord(750) + coord(994) + "\r\n"),
              std::string::npos)
        << dir.read("1d_xs.mif");
    EXPECT_NE(dir.read("river_B_000250000.csv").find("     6.000,   1.000, 30000, 2\r\n"), std::string::npos);
    EXPECT_NE(dir.read("1d_branches.mif").find("Pline 2\r\n" + coord(500) + coord(1000) + "\r\n" + coord(1500) +
                                               coord(1000) + "\r\n"),
              std::string::npos);
  }
  {
    // The upper-case .HD11 extension is still a parameter file.
    ScratchDir dir;
    dir.write("proj.mif", projection());
    dir.write("xs.txt", crlf(block("BranchTopoID", "Main", "500", {"0 3 2", "10 3 2"})));
    auto run = dir.run({"-M", "-m11", "proj.mif", "xs.txt", hostPath(data / "mike11/UnitFlow/UnitFlow.nwk11"),
                        hostPath(data / "mike11/UnitFlow/UnitFlow.HD11")},
                       "\n");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\nGlobal Manning's n value = 20.\n"), std::string::npos);
    EXPECT_NE(run.output.find("WARNING - Global resistance value 20 of "), std::string::npos);
    EXPECT_NE(dir.read("Main_000500000.csv").find("    10.000,   3.000, 40000, 2\r\n"), std::string::npos);
    EXPECT_NE(dir.read("1d_xs.mif").find(coord(500) + coord(5) + "\r\n" + coord(500) + coord(0) + "\r\n"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace kestrix
