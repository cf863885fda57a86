// The fuzzed bytes are the MIKE 11 cross-section file of a MIKE 11 run
// (selector byte: see fuzzMike11File).

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrix::fuzzing::fuzzMike11File(data, size, "xs.txt");
  return 0;
}
