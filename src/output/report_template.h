#pragma once
// The report page's template, built into the program from the files of
// src/output/report/ when the program is built (see cmake/embed_report.cmake).

#include <string_view>

namespace kestrix {

/// report.html: the page, with one marker line where each generated part goes.
extern const std::string_view kReportPage;
/// report.css: the page's style sheet.
extern const std::string_view kReportStyle;
/// report.js: the script that draws the plan, the charts and the index.
extern const std::string_view kReportScript;

}  // namespace kestrix
