// The free-format list reader and the number readers under it. The first
// byte gives the number of reads, the next bytes what each read asks for
// (whole number, single or double precision, or text of some length), and
// the rest is the line. Numbers read must be finite and texts no longer than
// asked; the line lives in a buffer of exactly its size, so that a read past
// its end is caught. Every read is made twice, with the shortcuts for the
// common shapes and by the general rules alone, and the two must agree.

#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "text/freeformat.h"
#include "text/numbers.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "free-format reader: %s\n", what);
  std::abort();
}

// Reads `text` by the shortcuts and by the general rules alone: a value read
// must be finite, and both routes must agree to the bit.
template <typename T, typename Read>
void sameByBothRoutes(std::string_view text, Read read, const char* notFinite, const char* differ) {
  T fast{};
  T general{};
  const bool ok = read(text, fast, kestrix::ReadRoute::Shortcut);
  if (ok && !std::isfinite(fast)) fail(notFinite);
  if (ok != read(text, general, kestrix::ReadRoute::General) || std::memcmp(&fast, &general, sizeof fast) != 0)
    fail(differ);
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
  FreeFormatReader general(text, ReadRoute::General);
  for (std::size_t k = 0; k < reads; ++k) {
    switch (ops[k] & 3u) {
      case 0: {
        std::int32_t value = 0;
        std::int32_t reference = 0;
        if (reader.readInt(value) != general.readInt(reference) || value != reference) fail("whole numbers differ");
        break;
      }
      case 1: {
        float value = 0.0f;
        float reference = 0.0f;
        const bool ok = reader.readFloat(value);
        if (ok && !std::isfinite(value)) fail("a single-precision value that is not finite");
        if (ok != general.readFloat(reference) || std::memcmp(&value, &reference, sizeof value) != 0)
          fail("single-precision values differ");
        break;
      }
      case 2: {
        double value = 0.0;
        double reference = 0.0;
        const bool ok = reader.readDouble(value);
        if (ok && !std::isfinite(value)) fail("a double-precision value that is not finite");
        if (ok != general.readDouble(reference) || std::memcmp(&value, &reference, sizeof value) != 0)
          fail("double-precision values differ");
        break;
      }
      default: {
        const std::size_t most = ops[k] >> 2;
        std::string value;
        std::string reference;
        const bool ok = reader.readText(value, most);
        if (ok && value.size() > most) fail("a text longer than asked for");
        if (ok != general.readText(reference, most) || value != reference) fail("texts differ");
      }
    }
    if (reader.lastWasNull() != general.lastWasNull()) fail("null values differ");
  }
  sameByBothRoutes<double>(
      text, [](std::string_view t, double& v, ReadRoute r) { return readFixedField(t, v, r); },
      "a fixed field that is not finite", "fixed fields differ");
  sameByBothRoutes<float>(
      text, [](std::string_view t, float& v, ReadRoute r) { return readNumberText(t, v, r); },
      "a number text that is not finite", "number texts differ");
  return 0;
}
