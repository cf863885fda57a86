// The command line and the console: the fuzzed bytes are lines, first the
// arguments up to an empty line, then what is typed at the console. Every
// model (GIS, ISIS and MIKE 11) lies in the folder, the GIS one in "sub/" too.

#include "harness.h"

namespace {
constexpr std::size_t kMostArguments = 64;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrix::fuzzing;
  static const Model files = [] {
    Model all = gisModel();
    for (const auto& [name, bytes] : Model(all).files) all.files["sub/" + name] = bytes;
    for (const Model& other : {isisModel(), mike11Model()}) all.files.insert(other.files.begin(), other.files.end());
    return all;
  }();
  Model model = files;
  model.args = {"kestrix"};
  const std::string input = text(data, size);
  bool arguments = true;
  for (std::size_t start = 0; start < input.size();) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    const std::string line = input.substr(start, end - start);
    start = end + 1;
    if (arguments && line.empty()) {
      arguments = false;
    } else if (arguments) {
      if (model.args.size() <= kMostArguments) model.args.push_back(line);
    } else {
      model.console.push_back(line);
    }
  }
  runChecked(model);
  return 0;
}
