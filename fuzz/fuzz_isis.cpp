// ISIS files: the fuzzed bytes replace the .dat file or the projection layer
// of an ISIS run. Selector byte: bit 0 the projection layer, bits 2-3 the
// resistance option, bit 4 the .dat named by a wildcard pattern.

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrix::fuzzing;
  if (size < 1) return 0;
  const unsigned selector = data[0];
  Model model = isisModel();
  model.files[(selector & 1u) ? "proj.mif" : "model.dat"] = text(data + 1, size - 1);
  model.args = {"kestrix", resistanceOption(selector >> 2), "-isis", "proj.mif",
                (selector & 16u) ? "*.DAT" : "model.dat"};
  runChecked(model);
  return 0;
}
