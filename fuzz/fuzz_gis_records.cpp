// GIS point and line records: the fuzzed bytes are the .mid of the survey
// layer or of the start-line layer of a GIS run (selector byte: see
// fuzzGisLayer).

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrix::fuzzing::fuzzGisLayer(data, size, ".mid");
  return 0;
}
