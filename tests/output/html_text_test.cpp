#include "output/html_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "text/numbers.h"

namespace kestrix {
namespace {

std::string json(std::string_view text) {
  std::string out;
  appendJsonString(out, text);
  return out;
}

std::string html(std::string_view text) {
  std::string out;
  appendHtmlText(out, text);
  return out;
}

std::string fixed(double value, int decimals) {
  std::string out;
  appendJsonFixed(out, value, decimals);
  return out;
}

std::string coordinate(double value) {
  std::string out;
  appendJsonCoordinate(out, value);
  return out;
}

// Identifiers may hold anything a .mid field can: none of it may end the
// script element, break the JSON or reach the page unescaped.
TEST(HtmlText, JsonStringsStaySafeInsideAScriptElement) {
  EXPECT_EQ(json("XS1"), "\"XS1\"");
  EXPECT_EQ(json("a\"b\\c,d"), "\"a\\\"b\\\\c,d\"");
  EXPECT_EQ(json("one\r\ntwo\tthree"), "\"one\\r\\ntwo\\tthree\"");
  EXPECT_EQ(json("</script><!--x-->&"), "\"\\u003c/script\\u003e\\u003c!--x--\\u003e\\u0026\"");
  EXPECT_EQ(json(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(json(std::string("a\0b", 3)), "\"a\\u0000b\"");
  EXPECT_EQ(json(""), "\"\"");
}

TEST(HtmlText, NonAsciiIsUtf8WhereItFormsItAndWindows1252Elsewhere) {
  EXPECT_EQ(json("caf\xC3\xA9"), "\"caf\\u00e9\"");                // UTF-8
  EXPECT_EQ(json("caf\xE9"), "\"caf\\u00e9\"");                    // the same in Windows-1252
  EXPECT_EQ(json("\x80 \x96 \x81"), "\"\\u20ac \\u2013 \\u0081\"");  // euro, en dash, an unused byte
  EXPECT_EQ(json("\xE2\x80\x93"), "\"\\u2013\"");                  // the en dash in UTF-8
  EXPECT_EQ(json("\xF0\x9F\x8C\x8A"), "\"\\ud83c\\udf0a\"");       // beyond the BMP: a surrogate pair
  // Overlong forms, surrogates and cut sequences are not UTF-8: each byte stands for itself.
  EXPECT_EQ(json("\xC0\xAF"), "\"\\u00c0\\u00af\"");
  EXPECT_EQ(json("\xED\xA0\x80"), "\"\\u00ed\\u00a0\\u20ac\"");
  EXPECT_EQ(json("\xC3"), "\"\\u00c3\"");
}

TEST(HtmlText, HtmlTextEscapesMarkupAndShowsEveryCharacter) {
  EXPECT_EQ(html("WARNING - \"A&B\" <x> 'y'"), "WARNING - &quot;A&amp;B&quot; &lt;x&gt; &#39;y&#39;");
  EXPECT_EQ(html("caf\xE9 caf\xC3\xA9"), "caf&#xe9; caf&#xe9;");
  EXPECT_EQ(html("a\nb\tc"), "a b c");
  EXPECT_EQ(html(std::string("a\x01" "b\x81", 4)), "a&#xfffd;b&#xfffd;");
}

// The numbers of the report are the numbers of the files: rounded as the
// .csv rounds them (halves away from zero), written without trailing zeros.
TEST(HtmlText, FixedNumbersAreTheFilesNumbers) {
  EXPECT_EQ(fixed(12.8f, 3), "12.8");
  EXPECT_EQ(fixed(6.0f, 3), "6");
  EXPECT_EQ(fixed(0.035f, 3), "0.035");
  EXPECT_EQ(fixed(0.0625, 3), "0.063");  // an exact tie
  EXPECT_EQ(fixed(-0.0625, 3), "-0.063");
  EXPECT_EQ(fixed(-0.0004f, 3), "0");
  EXPECT_EQ(fixed(-9999.0f, 3), "-9999");
  EXPECT_EQ(fixed(2.5, 0), "3");
  EXPECT_EQ(fixed(-2.5, 0), "-3");
  EXPECT_EQ(fixed(35.0, 0), "35");
  EXPECT_EQ(fixed(1.0e20, 3), "100000000000000000000");
  EXPECT_EQ(fixed(0.001, 3), "0.001");
  EXPECT_EQ(fixed(0.1, 6), "0.1");
}

TEST(HtmlText, FixedNumbersAgreeWithTheCsvFormattingForAnyFloat) {
  std::mt19937 random(14);
  std::uniform_real_distribution<float> magnitude(-7.0f, 7.0f);
  std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
  for (int i = 0; i < 20000; ++i) {
    const float value = mantissa(random) * std::pow(10.0f, magnitude(random));
    std::string expected = formatFixedFull(value, 0, 3);
    // The .csv text without trailing zeros, and zero without its sign.
    expected.erase(expected.find_last_not_of('0') + 1);
    if (expected.back() == '.') expected.pop_back();
    if (expected == "-0") expected = "0";
    ASSERT_EQ(fixed(value, 3), expected) << "value " << value;
  }
}

TEST(HtmlText, CoordinatesAreRoundedAsTheLayersWriteThem) {
  EXPECT_EQ(coordinate(530123.456), "530123.456");
  EXPECT_EQ(coordinate(421000.0), "421000");
  EXPECT_EQ(coordinate(-0.0), "0");
  EXPECT_EQ(coordinate(500000.0078125), "500000.007813");  // a tie at the 7th decimal goes away from zero
  EXPECT_EQ(coordinate(1.0 / 3.0), "0.333333");
  EXPECT_EQ(coordinate(2.0e9 + 0.25), "2000000000.25");
  EXPECT_EQ(coordinate(1.0e-7), "0");
}

}  // namespace
}  // namespace kestrix
