// The free-format list reader and the number readers under it. The first
// byte gives the number of reads, the next bytes what each read asks for
// (whole number, single or double precision, or text of some length), and
// the rest is the line. Numbers read must be finite and texts no longer than
// asked; the line lives in a buffer of exactly its size, so that a read past
// its end is caught.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "text/freeformat.h"
#include "text/numbers.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "free-format reader: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrix;
  if (size < 1) return 0;
  const std::size_t reads = std::min<std::size_t>(data[0] % 16 + 1, size - 1);
  const std::uint8_t* ops = data + 1;
  const std::size_t length = size - 1 - reads;
  std::unique_ptr<char[]> line(new char[length]);  // exactly the line, nothing after it
  std::copy(ops + reads, ops + reads + length, line.get());
  const std::string_view text(line.get(), length);

  FreeFormatReader reader(text);
  for (std::size_t k = 0; k < reads; ++k) {
    switch (ops[k] & 3u) {
      case 0: {
        std::int32_t value = 0;
        reader.readInt(value);
        break;
      }
      case 1: {
        float value = 0.0f;
        if (reader.readFloat(value) && !std::isfinite(value)) fail("a single-precision value that is not finite");
        break;
      }
      case 2: {
        double value = 0.0;
        if (reader.readDouble(value) && !std::isfinite(value)) fail("a double-precision value that is not finite");
        break;
      }
      default: {
        const std::size_t most = ops[k] >> 2;
        std::string value;
        if (reader.readText(value, most) && value.size() > most) fail("a text longer than asked for");
      }
    }
  }
  double fixed = 0.0;
  if (readFixedField(text, fixed) && !std::isfinite(fixed)) fail("a fixed field that is not finite");
  float single = 0.0f;
  if (readNumberText(text, single) && !std::isfinite(single)) fail("a number text that is not finite");
  return 0;
}
