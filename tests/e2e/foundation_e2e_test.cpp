// The real binary: what a user sees with no argument, with options only, at
// every prompt when the console input ends, and when a missing layer is
// answered with another name.

#include <gtest/gtest.h>

#include "support/e2e.h"

namespace kestrix {
namespace {

using testing::ScratchDir;

TEST(FoundationE2E, NoArgumentShowsUsageAndSucceeds) {
  ScratchDir dir;
  auto run = dir.run({});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output.rfind("\nBuild 2019-08-AA-iSP\n\nKestrix.exe\n", 0), 0u);
  EXPECT_NE(run.output.find("\n   -mlp: Maximum number of vertices on -ppol line (default = 20)\n"), std::string::npos);
  const std::string tail = "   Example: Kestrix -M -isis Projection.mif *.asc\n"
                           "   Example: Kestrix -M -m11 Projection.mif xs.txt my_model.nwk11 my_model.hd11\n"
                           "\nMore options (-batch, -quiet, -out:, -html, -gpkg and others): kestrix --help\n"
                           "\n\nPress Enter to Close\n";
  ASSERT_GE(run.output.size(), tail.size());
  EXPECT_EQ(run.output.substr(run.output.size() - tail.size()), tail);
}

TEST(FoundationE2E, OptionRulesAndStops) {
  ScratchDir dir;
  auto onlyOptions = dir.run({"-N", "-ppol"});
  EXPECT_EQ(onlyOptions.status, 1);
  EXPECT_NE(onlyOptions.output.find("Kestrix.exe"), std::string::npos);

  auto separateValue = dir.run({"-mxs", "20000", "a.mif"});
  EXPECT_EQ(separateValue.status, 1);
  EXPECT_NE(separateValue.output.find("\n\nERROR reading data\n\n\nPress Enter to Close\n"), std::string::npos);
  EXPECT_EQ(separateValue.output.find("Allocating"), std::string::npos);

  auto sized = dir.run({"-mxs12,5", "-mpt7", "-mpt8", "none.mif"});
  EXPECT_EQ(sized.status, 1);
  EXPECT_NE(sized.output.find("Executable: "), std::string::npos);
  EXPECT_NE(sized.output.find("\n\nOverwriting mxs dimension.\n\nOverwriting mpt dimension.\n\n"
                              "Overwriting mpt dimension.\n\nAllocating Memory Based on the following array sizes:\n"
                              "   Maximum number of cross-sections (mxs): 12\n"
                              "   Maximum number of point per cross-section (mpt): 8\n"
                              "   Maximum number of vertices on -ppol line (mlp: 20\n"),
            std::string::npos);
}

TEST(FoundationE2E, MissingLayerPromptEndsAtEndOfInput) {
  ScratchDir dir;
  auto run = dir.run({"-N", "survey.mif"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("CHECK 0008 - \"survey.mif\" cannot be found\n"), std::string::npos);
  EXPECT_NE(run.output.find("ERROR - "), std::string::npos);
  EXPECT_NE(run.output.find("\nPress Enter to Close\n"), std::string::npos);
}

TEST(FoundationE2E, MissingLayerAnsweredWithAnotherName) {
  ScratchDir dir;
  // A layer whose .tab is not newer than its .mid; it holds no objects.
  dir.write("real.mif", "Version 300\r\nColumns 4\r\n  Z Float\r\n  MNR Float\r\n  LCR Char(1)\r\n"
                        "  XS_ID Char(12)\r\nData\r\n\r\n");
  dir.write("real.mid", "");
  dir.write("real.tab", "");
  auto run = dir.run({"-N", "wrong.mif"}, "\nreal.mif\n");
  EXPECT_NE(run.output.find("CHECK 0008 - \"wrong.mif\" cannot be found\n\n"
                            "Check file exists and press enter or enter another file name: \n"
                            "No file name entered.  Trying file again...\n"
                            "Trying to open file wrong.mif...\n"
                            "CHECK 0008 - \"wrong.mif\" cannot be found\n\n"
                            "Check file exists and press enter or enter another file name: \n"
                            "Trying to open file real.mif...OK.\nOpened File Unit:1001\n"),
            std::string::npos)
      << run.output;
}

}  // namespace
}  // namespace kestrix
