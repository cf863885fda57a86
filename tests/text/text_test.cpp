#include "text/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace kestrix {
namespace {

TEST(TextCompare, AsameIgnoresCaseQuotesTabsAndSurroundingBlanks) {
  EXPECT_TRUE(ASAME("'-mif'", "-MIF"));
  EXPECT_TRUE(ASAME("  abc", "ABC"));
  EXPECT_TRUE(ASAME("\"XS\t1\"   ", "xs1"));
  EXPECT_TRUE(ASAME("   ", ""));
  EXPECT_FALSE(ASAME("a b", "ab"));
  EXPECT_EQ(asameKey(" 'a\tb' c  "), "AB C");
  // Only the first 1000 characters of each operand count.
  const std::string base(1000, 'a');
  EXPECT_TRUE(ASAME(base + "x", base + "y"));
  EXPECT_FALSE(ASAME(std::string(999, 'a') + "x", std::string(999, 'a') + "y"));
}

TEST(TextCompare, FlagExistsIsACaseBlindSubstringTest) {
  EXPECT_TRUE(FLAGEXISTS("ABC", "   "));
  EXPECT_TRUE(FLAGEXISTS("ABC", "b"));
  EXPECT_TRUE(FLAGEXISTS("ABC", "bc  "));    // trailing blanks of the flag do not count
  EXPECT_FALSE(FLAGEXISTS("ABC", " b"));     // a leading blank does
  EXPECT_TRUE(FLAGEXISTS("'abc'", "'A"));    // quotes are not removed
  EXPECT_FALSE(FLAGEXISTS("ab", "abc"));
}

// ASAME and FLAGEXISTS compare in place; they must say what the chains of
// the text routines they stand for say, on any mix of letters, blanks, TABs
// and quotes.
TEST(TextCompare, InPlaceComparisonsAgreeWithTheTextRoutines) {
  std::mt19937 random(4242);
  const std::string alphabet = "aAbB  \t\t'\"lLeEfFtT";
  const auto text = [&](std::size_t most) {
    std::string t;
    for (std::size_t n = random() % (most + 1); n > 0; --n) t += alphabet[random() % alphabet.size()];
    return t;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string a = text(12);
    const std::string b = round % 3 == 0 ? a + std::string(random() % 3, ' ') : text(12);
    const std::string key = UPPERCASE(TRIMF(REMOVETABS(REMOVEQUOTES(a))));
    ASSERT_EQ(asameKey(a), key) << "[" << a << "]";
    ASSERT_EQ(ASAME(a, b), key == UPPERCASE(TRIMF(REMOVETABS(REMOVEQUOTES(b))))) << "[" << a << "] [" << b << "]";
    const std::string flag = text(4);
    const std::string f = UPPERCASE(flag);
    ASSERT_EQ(FLAGEXISTS(a, flag), f.empty() || UPPERCASE(a).find(f) != std::string::npos)
        << "[" << a << "] [" << flag << "]";
  }
}

TEST(TextClean, BlankStripsTabsFromTheCallersText) {
  std::string white = " \t \t ";
  EXPECT_TRUE(BLANK(white));
  EXPECT_EQ(white, "     ");
  std::string word = "a\tb";
  EXPECT_FALSE(BLANK(word));
  EXPECT_EQ(word, "ab ");
}

TEST(TextClean, AlphanumericOnly) {
  EXPECT_EQ(ALPHANUMERICONLY("  a-b", '_'), "__a_b");
  EXPECT_EQ(ALPHANUMERICONLY("a-b   ", '_'), "a_b");  // trailing blanks are never replaced
  EXPECT_EQ(ALPHANUMERICONLY("---", '\0'), "X");
  EXPECT_EQ(ALPHANUMERICONLY("", '_'), "X");
  EXPECT_EQ(ALPHANUMERICONLY("x.y z9", '\0'), "xyz9");
  EXPECT_EQ(ALPHANUMERICONLY("Az\xE9", '_'), "Az_");  // only ASCII letters are letters
}

TEST(TextClean, RemoveRoutinesCaseAndTrim) {
  EXPECT_EQ(REMOVEQUOTES("'a\"b'c'"), "abc");
  EXPECT_EQ(REMOVETABS("\ta\tb \t"), "ab");
  EXPECT_EQ(UPPERCASE("aZ{`@[z"), "AZ{`@[Z");
  EXPECT_EQ(LOWERCASE("Az@[Z\xC9"), "az@[z\xC9");
  EXPECT_EQ(TRIMF("  a b  "), "a b");
  EXPECT_EQ(TRIMF("\t a"), "\t a");  // a leading TAB stays
  EXPECT_EQ(fitField("abc def", 4), "abc");
  EXPECT_EQ(significant("ab \t  "), "ab \t");
  EXPECT_EQ(significant("   "), "");
  EXPECT_EQ(significant(""), "");
  EXPECT_EQ(significant(" a"), " a");
}

TEST(TextNumbers, Integers) {
  EXPECT_EQ(AINTEGER(0), "0");
  EXPECT_EQ(AINTEGER(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(AINTEGERPREC0(7, 3), "007");
  EXPECT_EQ(AINTEGERPREC0(1234, 3), "1234");
  EXPECT_EQ(AINTEGERPREC0(-7, 3), "-7");
  EXPECT_EQ(AINTEGERPREC0(0, 4), "0000");
  EXPECT_EQ(AINTEGERPREC0(42, 9), "000000042");
  EXPECT_EQ(AINTEGERPREC0(0, 20), std::string(20, '0'));
  EXPECT_EQ(AINTEGERPREC0(2147483647, 20), "00000000002147483647");
}

TEST(TextNumbers, ArealChoosesDecimalsBeforeRounding) {
  EXPECT_EQ(AREAL(3.0f), "3.");
  EXPECT_EQ(AREAL(1500.0f), "1500.");
  EXPECT_EQ(AREAL(0.0f), "0.");
  EXPECT_EQ(AREAL(2.5f), "2.5");
  EXPECT_EQ(AREAL(0.25f), "0.25");
  EXPECT_EQ(AREAL(-0.005f), "-0.005");
  EXPECT_EQ(AREAL(99.9996f), "100.");
  EXPECT_EQ(AREAL(999.96f), "1000.");
  EXPECT_EQ(AREAL(0.00999999f), "0.01");
  EXPECT_EQ(AREAL(-1234.5f), "-1235.");      // an exact tie goes away from zero
  EXPECT_EQ(AREAL(-0.0000001f), "0.");       // rounds to zero: no sign
  EXPECT_EQ(AREAL(1e19f), "9999999980506447872.");
  EXPECT_EQ(AREAL(1e20f), std::string(20, '*'));
  EXPECT_EQ(AREAL(std::nanf("")), std::string(20, '*'));
}

TEST(TextNumbers, ArealTrimDropsAClosingPoint) {
  EXPECT_EQ(AREALTRIM(25.0f), "25");
  EXPECT_EQ(AREALTRIM(0.035f), "0.035");
  EXPECT_EQ(AREALTRIM(1.0f / 30.0f), "0.03333");
  EXPECT_EQ(AREALTRIM(0.0f), "0");
  EXPECT_EQ(AREALTRIM(-1234.5f), "-1235");
}

TEST(TextNumbers, ArealdKeepsItsZeros) {
  EXPECT_EQ(AREALD(2.5f, 3), "2.500");
  EXPECT_EQ(AREALD(0.125f, 2), "0.13");
  EXPECT_EQ(AREALD(-0.125f, 2), "-0.13");
  EXPECT_EQ(AREALD(2.675f, 2), "2.67");  // the float lies below the half
  EXPECT_EQ(AREALD(-0.001f, 2), "0.00");
  EXPECT_EQ(AREALD(1e19f, 1), std::string(20, '*'));
}

TEST(TextQuote, DoubledQuotesAndQuotingOnlyWhenNeeded) {
  EXPECT_EQ(quoted("XS1"), "\"XS1\"");
  EXPECT_EQ(quoted("RIV\"1,1"), "\"RIV\"\"1,1\"");
  EXPECT_EQ(quoted(""), "\"\"");
  EXPECT_EQ(quotedWhenNeeded("MAIN RIV0020"), "MAIN RIV0020");
  EXPECT_EQ(quotedWhenNeeded("river,B"), "\"river,B\"");
  EXPECT_EQ(quotedWhenNeeded("a\"b"), "\"a\"\"b\"");
  // A line end would end the row: a name read with a bare CR in it is quoted.
  EXPECT_EQ(quotedWhenNeeded("Side\rarm"), "\"Side\rarm\"");
  EXPECT_EQ(quotedWhenNeeded("a\nb"), "\"a\nb\"");
}


}  // namespace
}  // namespace kestrix
