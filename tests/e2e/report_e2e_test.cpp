// The HTML report through the real binary: a run without -html writes what
// it always wrote, a run with it adds one file and nothing else, the report
// of a MIKE 11 model holds the network layers as written, and a failed run
// leaves no report behind.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/e2e.h"

namespace kestrix {
namespace {

using testing::ScratchDir;

int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

void copyExample(const ScratchDir& dir) {
  for (const char* name : {"survey.mif", "survey.mid", "start_lines.mif", "start_lines.mid"})
    dir.write(name, testing::sourceFile(std::string("examples/") + name));
}

TEST(ReportE2E, TheOptionAddsTheReportAndChangesNothingElse) {
  ScratchDir without;
  ScratchDir with;
  copyExample(without);
  copyExample(with);
  const auto plain = without.run({"-batch", "-quiet", "-N", "-savedate:off", "survey.mif", "start_lines.mif"});
  const auto html = with.run({"-batch", "-quiet", "-N", "-savedate:off", "-HTMLreport", "survey.mif", "start_lines.mif"});
  ASSERT_EQ(plain.status, 0) << plain.output;
  ASSERT_EQ(html.status, 0) << html.output;
  EXPECT_EQ(html.printed, plain.printed) << "a quiet run says nothing about the report";
  auto files = with.files();
  ASSERT_EQ(files.count("kestrix_report.html"), 1u);
  const std::string report = files["kestrix_report.html"];
  files.erase("kestrix_report.html");
  EXPECT_EQ(files, without.files());
  EXPECT_EQ(count(report, "\"id\":"), 3);
  EXPECT_NE(report.find("<li>Summary: cross-sections written (.csv files): 3</li>"), std::string::npos);
}

TEST(ReportE2E, MikeReportHoldsTheNetworkLayersAsWritten) {
  ScratchDir dir;
  for (const char* name : {"proj.mif", "proj.mid", "xs.txt", "model.nwk11", "model.hd11"})
    dir.write(name, testing::sourceFile(std::string("fuzz/model/") + name));
  const auto run = dir.run({"-batch", "-M", "-m11", "-html", "proj.mif", "xs.txt", "model.nwk11", "model.hd11"});
  ASSERT_EQ(run.status, 0) << run.output;
  const std::string report = dir.read("kestrix_report.html");
  const std::size_t data = report.find("id=\"kx-run\"");
  ASSERT_NE(data, std::string::npos);
  const std::string runData = report.substr(data, report.find("</script>", data) - data);
  const std::size_t branches = runData.find("\"branches\":");
  ASSERT_NE(branches, std::string::npos);
  EXPECT_EQ(count(runData.substr(0, branches), "{\"name\":"), count(dir.read("1d_nwk.mif"), "Pline "));
  EXPECT_EQ(count(runData.substr(branches, runData.find("\"messages\":") - branches), "{\"name\":"),
            count(dir.read("1d_branches.mif"), "Pline "));
  EXPECT_GT(count(dir.read("1d_nwk.mif"), "Pline "), 0);
}

TEST(ReportE2E, FailedRunLeavesNoReport) {
  ScratchDir dir;
  copyExample(dir);
  const auto run = dir.run({"-batch", "-N", "-savedate:off", "-html", "survey.mif", "missing.mif"});
  EXPECT_EQ(run.status, 1) << run.output;
  for (const auto& [name, bytes] : dir.files()) {
    EXPECT_EQ(name.find("kestrix_report"), std::string::npos) << name;
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace kestrix
