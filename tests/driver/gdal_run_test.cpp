// Whole runs in-process on a layer read through GDAL: a program that links the
// GDAL code (as this one and a Windows build do) hands it to the run instead
// of the module the executable loads.

#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "driver/gdal_formats.h"
#include "platform/platform.h"
#include "support/e2e.h"
#include "support/driver_run.h"

namespace kestrix::testing {
namespace {

std::string point(double x, const char* z, const char* lcr) {
  return "{\"type\":\"Feature\",\"properties\":{\"Z\":" + std::string(z) + ",\"MNR\":0.03,\"LCR\":\"" + lcr +
         "\",\"XS_ID\":\"A\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[" + std::to_string(x) + ",0]}}";
}

int run(const std::vector<std::string>& args, ScriptedConsole& console) {
  linkGdalFormats(&kestrix_gdal_formats);
  auto fs = makeSystemFileSystem();
  std::vector<std::string> line = {"kestrix"};
  line.insert(line.end(), args.begin(), args.end());
  return runKestrix(line, console, *fs);
}

TEST(GdalRun, InProcessRunReadsALayerThroughTheLinkedCode) {
  ScratchDir dir;
  dir.write("survey.geojson", "{\"type\":\"FeatureCollection\",\"features\":[" + point(0, "5", "L") + "," +
                                  point(10, "1", "C") + "," + point(20, "2.5", "C") + "," + point(30, "6", "R") +
                                  "]}\n");
  const std::string folder = dir.path().string() + "/";
  ScriptedConsole console;
  ASSERT_EQ(run({"-batch", "-N", "-out:" + folder + "out", folder + "survey.geojson"}, console), kExitSuccess)
      << console.output();
  EXPECT_TRUE(has(console.output(), "Reading Cross-Section Points from " + folder + "survey.geojson...\n"));
  // Each group measured from the last point of the group before it.
  EXPECT_EQ(dir.read("out/A.csv"),
            "\"A\",\r\n\"X\",\"Z\",\"N\",\"LCR\"\r\n"
            "     0.000,   5.000,     0.030, 1\r\n"
            "    10.000,   1.000,     0.030, 2\r\n"
            "    20.000,   2.500,     0.030, 2\r\n"
            "    30.000,   6.000,     0.030, 3\r\n");

  // A file GDAL cannot read ends the run from within the GDAL code.
  dir.write("broken.geojson", "{ not json");
  ScriptedConsole failed;
  EXPECT_EQ(run({"-batch", "-N", "-out:" + folder + "again", folder + "broken.geojson"}, failed), kExitFailure);
  EXPECT_TRUE(has(failed.output(), "\nERROR - Could not read \"" + folder + "broken.geojson\" as a GIS layer: "))
      << failed.output();
  EXPECT_FALSE(dir.has("again"));
}

}  // namespace
}  // namespace kestrix::testing
