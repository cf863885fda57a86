// The fuzzed bytes are the MIKE 11 network file of a MIKE 11 run
// (selector byte: see fuzzMike11File).

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrix::fuzzing::fuzzMike11File(data, size, "model.nwk11");
  return 0;
}
