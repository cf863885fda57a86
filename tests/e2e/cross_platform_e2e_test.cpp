// The same runs with the native build and with the build under test (the
// Windows executable under Wine in the test command): every file either run
// leaves in its folder must be the same byte for byte, and the console must
// read the same apart from the executable's name. Files outside the folder
// are named relative to it with backslashes, a name both builds take.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/e2e.h"
#include "support/fakes.h"
#include "support/layer_check.h"

namespace kestrix {
namespace {

using testing::isisPoint;
using testing::lines;
using testing::nativeProgram;
using testing::Program;
using testing::programUnderTest;
using testing::realDataDir;
using testing::ScratchDir;

// Console text with the executable's line left out.
std::string comparable(std::string output) {
  for (std::size_t at = output.find("Executable: "); at != std::string::npos; at = output.find("Executable: ", at)) {
    output.erase(at, output.find('\n', at) - at);
  }
  return output;
}

// A file outside the folder as a Windows user names it from there.
std::string relativeName(const std::filesystem::path& file, const ScratchDir& dir) {
  std::string name = std::filesystem::relative(file, dir.path()).string();
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

class CrossPlatformE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (programUnderTest().binary == nativeProgram().binary) {
      GTEST_SKIP() << "compares two builds, but the build under test is the native one "
                      "(set KESTRIX_E2E_BINARY and KESTRIX_E2E_LAUNCHER, as scripts/test.sh does for Wine)";
    }
  }

  // Runs both builds with the same arguments on the same input files
  // (written in the order given) in two folders.
  void compare(const std::vector<std::pair<std::string, std::string>>& inputs,
               const std::function<std::vector<std::string>(const ScratchDir&)>& args) {
    ScratchDir nativeDir, otherDir;
    for (const auto& [name, bytes] : inputs) {
      nativeDir.write(name, bytes);
      otherDir.write(name, bytes);
    }
    const Program native = nativeProgram();
    const Program& other = programUnderTest();
    const auto nativeArgs = args(nativeDir);
    ASSERT_EQ(args(otherDir), nativeArgs);
    const auto nativeRun = nativeDir.run(native, nativeArgs, "\n");
    const auto otherRun = otherDir.run(other, nativeArgs, "\n");
    ASSERT_EQ(nativeRun.status, 0) << nativeRun.output;
    EXPECT_EQ(otherRun.status, nativeRun.status) << otherRun.output;
    EXPECT_EQ(comparable(otherRun.output), comparable(nativeRun.output));

    const auto expected = nativeDir.files();
    const auto actual = otherDir.files();
    std::vector<std::string> expectedNames, actualNames;
    for (const auto& [name, bytes] : expected) expectedNames.push_back(name);
    for (const auto& [name, bytes] : actual) actualNames.push_back(name);
    ASSERT_EQ(actualNames, expectedNames);
    int differing = 0;
    for (const auto& [name, bytes] : expected) {
      const std::string& theirs = actual.at(name);
      if (theirs == bytes) continue;
      std::size_t at = 0;
      while (at < bytes.size() && at < theirs.size() && bytes[at] == theirs[at]) ++at;
      ADD_FAILURE() << name << " differs from byte " << at << " (sizes " << bytes.size() << " and " << theirs.size()
                    << ")";
      ++differing;
    }
    compared_ = expected.size() - differing;
  }

  std::size_t compared_ = 0;  // files found equal by the last comparison
};

TEST_F(CrossPlatformE2E, BundledExample) {
  std::vector<std::pair<std::string, std::string>> inputs;
  for (const std::string layer : {"survey", "start_lines"}) {
    inputs.emplace_back(layer + ".tab", "!table\r\n");  // first: never newer than the .mid
    for (const std::string ext : {".mif", ".mid"}) {
      inputs.emplace_back(layer + ext, testing::sourceFile("examples/" + layer + ext));
    }
  }
  compare(inputs, [](const ScratchDir&) { return std::vector<std::string>{"-N", "survey.mif", "start_lines.mif"}; });
  // Six inputs, three sections, three layers of two files each and the folder's lock file.
  EXPECT_EQ(compared_, 6u + 3u + 6u + 1u);
}

const std::string kProjection = lines({"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                                       "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000",
                                       "Columns 1", "  ID Integer", "Data", ""});

TEST_F(CrossPlatformE2E, RealIsisModel) {
  const auto data = realDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared real-world samples (../shared/realdata) are not there";
  const auto model = data / "isis" / "Douglas_2018_DN_002_DesQ_internal.DAT";
  // The outputs go beside the first model named, so a small hand-made model
  // in the folder comes first, and the real one is read where it lies,
  // through a pattern matched without regard to case.
  const std::string lead =
      lines({"Lead model", "END GENERAL", "RIVER Lead", "SECTION", "LEAD 1", "    10.000              0.0001      1000",
             "         3", isisPoint(0, 12.5, 0.035, "LEFT", 357000.5, 410000.25),
             isisPoint(4, 10.25, 0.035, "", 357003.5, 410002.75), isisPoint(8, 12, 0.035, "RIGHT", 357006.5, 410005.25),
             "GISINFO"});
  compare({{"proj.mif", kProjection}, {"proj.mid", ""}, {"lead.dat", lead}}, [&](const ScratchDir& dir) {
    return std::vector<std::string>{"-N", "-isis", "proj.mif", "lead.dat",
                                    relativeName(model.parent_path() / "DOUGLAS_2018*.dat", dir)};
  });
  // Three inputs, 1 + 366 sections, three layers and the lock file.
  EXPECT_EQ(compared_, 3u + 1u + 366u + 6u + 1u);
}

TEST_F(CrossPlatformE2E, RealMike11Network) {
  const auto data = realDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared real-world samples (../shared/realdata) are not there";
  const auto network = data / "mike11" / "Vida" / "vida96-3.nwk11";
  const auto parameters = data / "mike11" / "Vida" / "Vida96-2.hd11";
  // Hand-made sections on four of the network's branches.
  std::vector<std::string> sections;
  const struct {
    const char* topo;
    const char* branch;
    const char* chainage;
  } placed[] = {{"TOPO-92", "VIDAA-NED", "3500"}, {"TOPO-92", "VIDAA-NED", "3900"}, {"TOPO-92", "VIDAA-NED", "7250.5"},
                {"TOPO-96", "VIDAA-MEL", "2"},    {"TOPO-96", "VIDAA-MEL", "1500"}, {"TOPO-93", "SONDERAA", "1200"},
                {"TOPO-95", "LINDSKOV", "4000"}};
  for (const auto& s : placed) {
    for (const std::string& line : std::vector<std::string>{
             s.topo, s.branch, std::string("   ") + s.chainage, "DATUM", "   0.0", "PROFILE 5", "0 10.5 1",
             "4.25 8.125 1 <#1>", "9 6.75 1.2", "13.5 8 1 <#4>", "18 10.25 1", "**********"}) {
      sections.push_back(line);
    }
  }
  const std::string xs = lines(sections);
  compare({{"proj.mif", kProjection}, {"proj.mid", ""}, {"xs.txt", xs}}, [&](const ScratchDir& dir) {
    // The network through a pattern matched without regard to case.
    return std::vector<std::string>{"-M",
                                    "-m11",
                                    "proj.mif",
                                    "xs.txt",
                                    relativeName(network.parent_path() / "VIDA96-3.NWK?1", dir),
                                    relativeName(parameters, dir)};
  });
  // Seven sections, the layers 1d_xs, _xs_bed_points, _xs_all_points, 1d_nwk and 1d_branches, and the lock file.
  EXPECT_EQ(compared_, 3u + 7u + 10u + 1u);
}

}  // namespace
}  // namespace kestrix
