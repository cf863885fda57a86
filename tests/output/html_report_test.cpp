#include "output/html_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/html_checks.h"
#include "output/section_writer.h"
#include "support/workspace_run.h"

namespace kestrix {
namespace {

using testing::endsRun;
using testing::has;
using testing::lines;

const char* const kFolder = "C:\\s\\";
const std::string kReport = std::string(kFolder) + "kestrix_report.html";

const std::string kSurvey = lines({"Version 300", "Charset \"WindowsLatin1\"", "Delimiter \",\"",
                                   "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000",
                                   "Columns 1", "  XS_ID Char(20)", "Data", ""});

// The workspace that keeps every message for the report, as a -html run does.
struct ReportingRun : testing::WorkspaceRun {
  using WorkspaceRun::WorkspaceRun;
  using WorkspaceRun::say;
  void say(const Message& message) override {
    if (settings.optHtml) report.keep(message, messageLine(message));
    WorkspaceRun::say(message);
  }
  ReportRecord report;
};

// The writer with a report over a store filled by hand, GIS mode with start lines.
struct ReportRun : testing::BasicTestRun<ReportingRun> {
  ReportRun() {
    ctx.settings.mode = RunMode::Gis;
    ctx.tally.linesFound = true;
    ctx.settings.optHtml = true;
    ctx.settings.mnrType = ResistanceType::Manning;
    ctx.settings.inFiles = {std::string(kFolder) + "survey.mif"};
    ctx.settings.outFolder = kFolder;
    fs.add(std::string(kFolder) + "survey.mif", kSurvey);
    ctx.report.commandLine = {"kestrix", "-N", "-html", "C:\\s\\survey.mif"};
  }
  Section& section(const std::string& id) {
    const int s = ctx.store.append();
    ctx.store[s].id = id;
    return ctx.store[s];
  }
  int run() {
    return endsRun([this] { xsWriteSections(ctx, nullptr, &ctx.report); });
  }
  // The report as it will be committed (still under its temporary name while the run stages).
  std::string report() const { return fs.content(kReport); }
  // The JSON line of the n-th section (from 0).
  std::string sectionLine(int n) const {
    const std::string page = report();
    std::size_t at = page.find("id=\"kx-sections\">[\r\n");
    if (at == std::string::npos) return std::string();
    at = page.find("\r\n", at) + 2;
    for (int i = 0; i < n; ++i) at = page.find("\r\n", at) + 2;
    return page.substr(at, page.find("\r\n", at) - at);
  }
};

void add(Section& sec, Group g, float x, float z, float mnr, double mapX, double mapY) {
  sec.append(g, StorePoint{mapX, mapY, x, z, mnr});
}

// Two sections on their start lines: a plain one and one whose identifier
// holds everything that could break the page.
void twoSections(ReportRun& r) {
  Section& a = r.section("XS1");
  add(a, Group::kLeft, 0.0f, 12.8f, 0.06f, 100.0, 200.0);
  add(a, Group::kCentre, 5.0f, 8.42f, 0.0f, 105.0, 200.0);
  add(a, Group::kCentre, 9.5f, 8.9f, 0.03f, 109.5, 200.25);
  add(a, Group::kRight, 12.0f, 11.7f, 0.05f, 112.0, 200.5);
  a.startLine = {MapPoint{99.0, 200.0}, MapPoint{120.0, 200.0}};
  Section& b = r.section("B\"1,</script>\nx\xE9");
  add(b, Group::kLeft, 0.0f, 10.0f, 0.04f, 100.0, 300.0);
  add(b, Group::kCentre, 2.0f, 7.0f, 0.04f, 102.0, 300.0);
  add(b, Group::kCentre, 4.0f, 7.0f, 0.04f, 104.0, 300.0);
}

TEST(HtmlReport, SectionDataHoldsTheCsvRowsAndTheMapPositions) {
  ReportRun r;
  twoSections(r);
  ASSERT_EQ(r.run(), -1) << r.out();
  EXPECT_EQ(r.sectionLine(0),
            "{\"id\":\"XS1\",\"csv\":\"C:\\\\s\\\\XS1.csv\",\"src\":[],\"x\":[0,5,9.5,12],\"z\":[12.8,8.42,8.9,11.7],"
            "\"m\":[0.06,null,0.03,0.05],\"g\":\"1223\",\"lx\":[100,105,109.5],\"ly\":[200,200,200.25],\"pg\":\"122\","
            "\"gx\":[99,120],\"gy\":[200,200],\"bed\":[105,200,8.42]}")
      << "a single R point is not drawn, but it is a row";
  // The second section's identifier is escaped, its .csv name cleaned; its points lie on its line.
  const std::string second = r.sectionLine(1);
  EXPECT_EQ(second.substr(0, 60), ",{\"id\":\"B\\\"1,\\u003c/script\\u003e\\nx\\u00e9\",\"csv\":\"C:\\\\s\\\\B_1");
  EXPECT_TRUE(has(second, "\"pg\":\"122\"") && !has(second, "\"px\"")) << second;
  EXPECT_EQ(r.sectionLine(2), "]</script>");
}

TEST(HtmlReport, ResistanceValuesAreWrittenAsTheCsvWritesThem) {
  ReportRun r;
  r.ctx.settings.mode = RunMode::Isis;
  r.ctx.settings.mnrType = ResistanceType::Material;  // material numbers 1000 times n
  Section& a = r.section("M1");
  add(a, Group::kCentre, 0.0f, 3.0f, 0.0355f, 1.0, 1.0);
  add(a, Group::kCentre, 1.0f, 2.0f, 0.0f, 2.0, 1.0);
  add(a, Group::kCentre, 2.0f, 3.0f, 0.0625f, 3.0, 1.0);
  ASSERT_EQ(r.run(), -1) << r.out();
  EXPECT_TRUE(has(r.sectionLine(0), "\"m\":[36,null,63]")) << r.sectionLine(0);
  EXPECT_TRUE(has(r.report(), "{\"letter\":\"M\",\"mode\":\"ISIS conversion (-isis)\""));
  EXPECT_TRUE(has(r.report(), "M: material numbers, written as material numbers 1000 times n"));
}

TEST(HtmlReport, HeaderShowsTheRunAndLinksEachMessageToItsSection) {
  ReportRun r;
  twoSections(r);
  r.ctx.tally.inputsRead = 1;
  r.ctx.warning("Cross-section \"XS1\": something to check", "XS1");
  r.ctx.say("Found new cross-section ID: \"XS1\"");  // a progress line is not a message
  r.ctx.note("Layer \"XS1\" has no Z field");        // nor is a note
  r.ctx.worded(Severity::Warning, " WARNING - Record 3 of \"C:\\s\\survey.mid\" has no value for Z");
  r.ctx.coded(Severity::Check, "0008", "\"C:\\s\\other.mif\" cannot be found");
  ASSERT_EQ(r.run(), -1) << r.out();
  const std::string page = r.report();
  EXPECT_TRUE(has(page, "<code>kestrix -N -html C:\\s\\survey.mif</code>"));
  EXPECT_TRUE(has(page, "<tr><td>C:\\s\\survey.mif</td><td class=\"num\">" + std::to_string(kSurvey.size()) + " bytes</td></tr>"));
  EXPECT_TRUE(has(page, "<li>Summary: cross-sections written (.csv files): 2</li>"));
  EXPECT_TRUE(has(page, "<li>Summary: warnings: 2</li>"));
  EXPECT_TRUE(has(page, "<h2 id=\"messages\">Warnings and errors (3)</h2>"));
  EXPECT_TRUE(has(page, "<li class=\"warning\"><a href=\"#xs-1\">WARNING - Cross-section &quot;XS1&quot;: something to check</a></li>"));
  EXPECT_TRUE(has(page, "<li class=\"warning\">WARNING - Record 3 of"));
  EXPECT_TRUE(has(page, "<li class=\"error\">CHECK 0008"));
  EXPECT_TRUE(has(page, "\"messages\":[[\"WARNING - Cross-section \\\"XS1\\\": something to check\",0],"));
}

TEST(HtmlReport, ThePageIsAsciiWithCrLfLinesAndNoMarkerLeft) {
  ReportRun r;
  twoSections(r);
  ASSERT_EQ(r.run(), -1) << r.out();
  const std::string page = r.report();
  ASSERT_FALSE(page.empty());
  EXPECT_FALSE(has(page, "<!--kestrix:"));
  EXPECT_EQ(page.substr(0, 17), "<!DOCTYPE html>\r\n");
  EXPECT_EQ(page.substr(page.size() - 9), "</html>\r\n");
  for (std::size_t i = 0; i < page.size(); ++i) {
    const auto c = static_cast<unsigned char>(page[i]);
    ASSERT_LT(c, 0x80) << "at " << i;
    if (c == '\n') {
      ASSERT_EQ(page[i - 1], '\r') << "at " << i;
    }
    if (c == '\r') {
      ASSERT_EQ(page[i + 1], '\n') << "at " << i;
    }
  }
  // Only the generated parts differ between reports: the script is the template's.
  EXPECT_TRUE(has(page, "id=\"kx-run\""));
  EXPECT_TRUE(has(page, "IntersectionObserver"));
}

TEST(HtmlReport, ReportNeverReplacesAnInput) {
  ReportRun r;
  twoSections(r);
  r.fs.add(kReport, "an input that happens to carry the name");
  r.ctx.files.inputs.add(r.fs, kReport);
  EXPECT_EQ(r.run(), kExitFailure);
  EXPECT_TRUE(has(r.out(), "ERROR - Output file \"" + kReport + "\" would replace the input file"));
  EXPECT_EQ(r.fs.content(kReport), "an input that happens to carry the name");
}

TEST(HtmlReport, NoReportWithoutTheOption) {
  ReportRun r;
  twoSections(r);
  ASSERT_EQ(endsRun([&] { xsWriteSections(r.ctx); }), -1);
  EXPECT_FALSE(r.fs.has(kReport));
}

TEST(HtmlReport, AMessageLinksTheSectionItIsAboutWhateverItsTextQuotes) {
  ReportRun r;
  twoSections(r);
  r.ctx.warning("Record 3 of \"x.mid\" names \"XS1\"");                    // quotes an identifier, about none
  r.ctx.warning("No \"L\" point found for cross-section XS1 1", "XS1 1");  // about a section not written
  r.ctx.error("Section \"XS1\" has a twin", "B\"1,</script>\nx\xE9");  // about the second, which the text cannot quote
  ASSERT_EQ(r.run(), -1) << r.out();
  const std::string page = r.report();
  EXPECT_TRUE(has(page, "<li class=\"warning\">WARNING - Record 3 of &quot;x.mid&quot;")) << page;
  EXPECT_TRUE(has(page, "<li class=\"warning\">WARNING - No &quot;L&quot;"));
  EXPECT_TRUE(has(page, "<li class=\"error\"><a href=\"#xs-2\">ERROR - Section")) << page;
}

}  // namespace
}  // namespace kestrix

namespace kestrix::testing {
namespace {

// The -check report's marks and profile breaks hang on two lines of the report's script: a change to either must
// be carried over, not lose the marks without a word.
TEST(HtmlChecks, TheReportScriptTakesBothCalls) {
  const std::string hooked = hookedReportScript();
  ASSERT_FALSE(hooked.empty());
  EXPECT_NE(hooked.find("window.kxPlanDrawn(ctx, toPx, size)"), std::string::npos);
  EXPECT_NE(hooked.find("window.kxBreakBefore(i)"), std::string::npos);
  const std::string prelude = checksReportPrelude({CheckFinding{CheckKind::NoData, 2, "S2", "t", 10.5, 20.25}}, {1, 1, 2});
  EXPECT_NE(prelude.find("})([[10.5,20.25,2]], [1,1,2]);\n"), std::string::npos) << prelude;
}

}  // namespace
}  // namespace kestrix::testing
