#pragma once
// The output folder named on the command line, and the summary that closes
// every run that reaches the writer.

#include <string>

namespace kestrix {

class RunContext;
struct Settings;

/// The folder -out: names, with a trailing separator (the one its name uses, a backslash when it has none); empty without -out.
std::string outOptionFolder(const Settings& set);

/// Creates the -out: folder when it is missing and reports it; ends the run when it cannot be created.
void readyOutFolder(RunContext& run);

/// Prints the "Summary: " lines: inputs, points, sections found, written and dropped, warnings and the output folder.
void printSummary(RunContext& run);

}  // namespace kestrix
