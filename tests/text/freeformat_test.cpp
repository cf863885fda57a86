#include "text/freeformat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace kestrix {
namespace {

// Reads `count` integers from one line, each variable preset to -9: the values
// read, blank-separated, with "F" for a failed read.
std::string ints(std::string_view line, int count) {
  FreeFormatReader reader(line);
  std::string out;
  for (int i = 0; i < count; ++i) {
    std::int32_t v = -9;
    out += (reader.readInt(v) ? std::to_string(v) : "F") + (i + 1 < count ? " " : "");
  }
  return out;
}

// As ints() for texts cut to `maxLength`, each variable preset to "~", joined by "|".
std::string texts(std::string_view line, int count, std::size_t maxLength = 100) {
  FreeFormatReader reader(line);
  std::string out;
  for (int i = 0; i < count; ++i) {
    std::string v = "~";
    out += (reader.readText(v, maxLength) ? v : "F") + (i + 1 < count ? "|" : "");
  }
  return out;
}

TEST(FreeFormatRead, SeparatorsNullsAndTheEndOfTheLine) {
  EXPECT_EQ(ints("  1\t2 ,  3,4   ", 5), "1 2 3 4 F");  // the line ran out: never read on
  EXPECT_EQ(ints(",5,,7 , ,8", 6), "-9 5 -9 7 -9 8");
  EXPECT_EQ(ints("5,", 2), "5 F");
  EXPECT_EQ(texts("   ", 1), "F");
}

TEST(FreeFormatRead, NullsAreToldApartFromValues) {
  FreeFormatReader reader(",5,'',2*,x");
  float number = 1.0f;
  std::string text = "kept";
  std::string seen;
  for (int i = 0; i < 5; ++i) {
    const bool ok = i == 2 ? reader.readText(text, 10) : reader.readFloat(number);
    seen += (ok ? "" : "F") + std::string(reader.lastWasNull() ? "n" : "v");
  }
  // A null, a value, an empty quoted text (a value), two nulls of a repeat.
  EXPECT_EQ(seen, "nvvnn");
  EXPECT_EQ(text, "");
  EXPECT_FALSE(reader.readFloat(number));  // "x" is no number
  EXPECT_FALSE(reader.lastWasNull());
}

TEST(FreeFormatRead, SlashEndsTheList) {
  EXPECT_EQ(ints("1 2 / 3", 4), "1 2 -9 -9");
  EXPECT_EQ(texts("abc/def", 2), "abc|~");
}

TEST(FreeFormatRead, QuotedTexts) {
  EXPECT_EQ(texts(R"('it''s, a / test' "x""y",'' ab'c)", 4), R"(it's, a / test|x"y||ab'c)");
  EXPECT_EQ(texts("abcdef", 1, 3), "abc");
  EXPECT_EQ(texts("'abc", 1), "F");  // the closing quote would be on another line
  EXPECT_EQ(ints("'5'", 1), "F");
}

TEST(FreeFormatRead, RepeatCounts) {
  EXPECT_EQ(ints("3*1 2*  7 2*,4", 10), "1 1 1 -9 -9 7 -9 -9 4 F");
  EXPECT_EQ(texts("2*'a b' c", 3), "a b|a b|c");
  EXPECT_EQ(ints("0*5", 1), "F");
}

TEST(FreeFormatRead, IntegerForms) {
  EXPECT_EQ(ints("-2147483648 +7 2147483647", 3), "-2147483648 7 2147483647");
  for (const char* bad : {"1.0", "1e3", "12a", "2147483648", "-2147483649", "-", "abc"})
    EXPECT_EQ(ints(bad, 1), "F") << bad;
}

TEST(FreeFormatRead, RealForms) {
  FreeFormatReader r("1 1. .5 +1.5 -1.5E-3 1.5D3 1.5d3 1.5e+3 0.1");
  for (const double expected : {1.0, 1.0, 0.5, 1.5, -1.5e-3, 1500.0, 1500.0, 1500.0}) {
    double v = 0;
    EXPECT_TRUE(r.readDouble(v));
    EXPECT_EQ(v, expected);
  }
  float f = 0;
  EXPECT_TRUE(r.readFloat(f));
  EXPECT_EQ(f, 0.1f);  // converted once, straight to single precision

  double v = 3;
  for (const char* bad : {".", "abc", "E5", "1.5E", "'1.5'", "1..5"}) {
    FreeFormatReader b(bad);
    EXPECT_FALSE(b.readDouble(v)) << bad;
  }
  EXPECT_EQ(v, 3.0);
}

// The shortcuts (plain decimals, quoted texts without doubled quotes) must
// leave every read as the general reading gives it: verdict, value, null
// and what the next read finds. `ops` says what each read asks for: d
// double, f single, i whole number, t text of up to 3 characters, T text.
std::string readAll(std::string_view line, std::string_view ops, ReadRoute route) {
  FreeFormatReader reader(line, route);
  std::string out;
  double d = -7.25;
  float f = -7.25f;
  std::int32_t i = -7;
  std::string text = "~";
  for (const char op : ops) {
    bool ok = false;
    switch (op) {
      case 'd': ok = reader.readDouble(d); break;
      case 'f': ok = reader.readFloat(f); break;
      case 'i': ok = reader.readInt(i); break;
      case 't': ok = reader.readText(text, 3); break;
      default: ok = reader.readText(text, 100); break;
    }
    unsigned char raw[sizeof d + sizeof f];
    std::memcpy(raw, &d, sizeof d);
    std::memcpy(raw + sizeof d, &f, sizeof f);
    out += std::string(1, op) + (ok ? "+" : "-") + (reader.lastWasNull() ? "n " : "v ") + std::to_string(i) + " [" +
           text + "] ";
    for (const unsigned char b : raw) out += std::to_string(b) + ".";
    out += "\n";
  }
  return out;
}

TEST(FreeFormatShortcut, AgreesWithTheGeneralReadingOnEdgeCases) {
  const char* lines[] = {"  1.5, 2.5", "1.5/2", "1.5 / 2", "3*1.5 2", "2* 7", "2*,5", "1.5*2", "-0.000 +.5 5.",
                         "'ab''c' \"x\"", "\"XS1\",\"C\"", "'unclosed", "\"\" ''", "\"a\"b c", "'a'/'b'",
                         "1e5,1D5,1.5-3", ",,", ",5", "1.5\t2.5\r", "abc 1", "12.5x 3", "9007199254740993 1",
                         "12345678901234567890, 1", "1,5", " , , 7", "14.001,0.060,\"L\",\"XS1\"",
                         "14.001,,\"L\",", "\t\"C\"\t,\t'XS 2'", "2*'a' 'b'", "1.5,", "/", "  ", "+ 1", ". 1"};
  for (const char* line : lines) {
    for (const char* ops : {"dddd", "ffff", "ffTT", "TTTT", "tttt", "dfti", "iiii", "TdTf", "fTfT"}) {
      EXPECT_EQ(readAll(line, ops, ReadRoute::Shortcut), readAll(line, ops, ReadRoute::General))
          << "line [" << line << "] reads " << ops;
    }
  }
}

TEST(FreeFormatShortcut, AgreesWithTheGeneralReadingOnRandomLines) {
  std::mt19937_64 random(19700101);
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  const std::vector<std::string> items = {
      "0", "-0.0", "1.5", "+.5", "5.", "500015.101", "5999951.999", "0.060", "14.001", "-123.25", "1e3", "1.5D-2",
      "2.5+1", "9007199254740993", "0.12345678912", "12345678901234567890", "\"XS1\"", "'C'", "\"a\"\"b\"",
      "'it''s'", "\"\"", "\"a, b / c\"", "'open", "x", "12a", "3*", "2*1.5", "2*'q'", "0*1", "/", "", "."};
  const std::vector<std::string> separators = {",", " ", "\t", " , ", ",,", "  ", "\t,\t", "", "\r"};
  const std::string opsAlphabet = "dftTiT";
  for (int round = 0; round < 20000; ++round) {
    std::string line = pick(4) == 0 ? std::string(pick(3), ' ') : std::string();
    for (std::size_t n = 1 + pick(5); n > 0; --n) line += items[pick(items.size())] + separators[pick(separators.size())];
    std::string ops;
    for (std::size_t n = 1 + pick(7); n > 0; --n) ops += opsAlphabet[pick(opsAlphabet.size())];
    ASSERT_EQ(readAll(line, ops, ReadRoute::Shortcut), readAll(line, ops, ReadRoute::General))
        << "line [" << line << "] reads " << ops;
  }
}

}  // namespace
}  // namespace kestrix
