#pragma once
// Strict checks of the files a run leaves behind, written without the
// program's own readers: inputs untouched, nothing from a failed run, and
// every layer and .csv file of a finished run readable as its format says.

#include <map>
#include <string>
#include <vector>

namespace kestrix::testing {

/// Every file by name with its bytes.
using FileMap = std::map<std::string, std::string>;

/// What is wrong with a written layer: objects against records, the declared columns, quoting and numbers; empty when nothing.
std::string checkLayer(const std::string& mif, const std::string& mid);

/// What is wrong with a written .csv cross-section file; empty when nothing.
std::string checkSectionCsv(const std::string& csv);

/// What is wrong with the files of a run that ended with `status`, given the files before and after it; one entry per fault.
std::vector<std::string> checkRunFiles(const FileMap& before, const FileMap& after, int status);

}  // namespace kestrix::testing
