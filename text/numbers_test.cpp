// Numbers as the reports and pictures write them, whatever the locale.
#include "text/numbers.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <string>
#include <vector>

namespace tessivar {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Numbers, IntegersInDecimal) {
  const struct {
    int64_t value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {-42, "-42"},
      {1234567, "1234567"},
      {std::numeric_limits<int64_t>::max(), "9223372036854775807"},
      {std::numeric_limits<int64_t>::min(), "-9223372036854775808"},
  };
  for (const auto& c : cases) {
    std::string out = "n=";
    appendInteger(out, c.value);
    EXPECT_EQ(out, std::string("n=") + c.text);
  }
}

TEST(Numbers, ShortestFormReadsBackExactly) {
  const auto shortest = [](auto value) {
    std::string out;
    appendShortest(out, value);
    return out;
  };
  EXPECT_EQ(shortest(120.5f), "120.5");
  EXPECT_EQ(shortest(0.1f), "0.1");  // the float's own shortest, not the double's
  EXPECT_EQ(shortest(double(0.1f)), "0.10000000149011612");
  EXPECT_EQ(shortest(-0.0), "-0");
  EXPECT_EQ(shortest(1e20), "1e+20");
  EXPECT_EQ(shortest(std::numeric_limits<double>::lowest()), "-1.7976931348623157e+308");
  EXPECT_EQ(shortest(kInf), "inf");
  for (double value : {3266.8125, 1.0 / 3, 5e-324, 123456789.125}) {
    const std::string text = shortest(value);
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    EXPECT_EQ(back, value) << text;
  }
}

TEST(Numbers, GeneralFollowsPercentG) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {15, "15"},
      {10000000.0, "1e+07"},
      {0.125, "0.125"},
      {1234567, "1.23457e+06"},
      {3266.8125, "3266.81"},
      {210.4040404, "210.404"},
      {1e-41, "1e-41"},
      {-0.0001, "-0.0001"},
      {0.00001, "1e-05"},
  };
  for (const auto& c : cases) {
    for (NonFinite nonFinite : {NonFinite::kNamed, NonFinite::kZero}) {
      std::string out;
      appendGeneral(out, c.value, nonFinite);
      EXPECT_EQ(out, c.text);
    }
  }
}

// The islands report names a value that is not finite; a picture holds 0.
TEST(Numbers, GeneralNonFiniteIsNamedOrZero) {
  const struct {
    double value;
    const char* named;
  } cases[] = {
      {kInf, "inf"},
      {-kInf, "-inf"},
      {std::nan(""), "nan"},
  };
  for (const auto& c : cases) {
    std::string named, zero;
    appendGeneral(named, c.value, NonFinite::kNamed);
    appendGeneral(zero, c.value, NonFinite::kZero);
    EXPECT_EQ(named, c.named);
    EXPECT_EQ(zero, "0");
  }
}

TEST(Numbers, FixedDropsTrailingZerosAndNeverShowsNonFinite) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},        {12.5, "12.5"},     {3, "3"},
      {-7.25, "-7.25"}, {0.004, "0"},     {-0.004, "0"},
      {0.005001, "0.01"}, {1234.567, "1234.57"}, {100, "100"},
      {std::nan(""), "0"},
      {kInf, "0"},
      {-kInf, "0"},
      {1e300, "1000000000000000"},
      {-1e300, "-1000000000000000"},
  };
  for (const auto& c : cases) {
    std::string out;
    appendFixed(out, c.value, 2);
    EXPECT_EQ(out, c.text) << c.value;
  }
}

TEST(Numbers, FixedDecimalsAreKeptInRange) {
  const auto fixed = [](double value, int decimals) {
    std::string out;
    appendFixed(out, value, decimals);
    return out;
  };
  EXPECT_EQ(fixed(2.5, 0), "2");  // to nearest, ties to even
  EXPECT_EQ(fixed(1.23456, 4), "1.2346");
  EXPECT_EQ(fixed(-2.5, -3), "-2");
  EXPECT_EQ(fixed(0.1, 1000), "0.10000000000000000555");  // 20 at most
  EXPECT_EQ(fixed(-1e300, 1000), "-1000000000000000");
}

// A locale whose decimal point is a comma and which groups thousands.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(Numbers, IgnoreTheGlobalLocale) {
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
  std::string out;
  appendFixed(out, 1234.5, 2);
  out += ' ';
  appendGeneral(out, 0.25, NonFinite::kZero);
  out += ' ';
  appendInteger(out, 1234567);
  out += ' ';
  appendShortest(out, 1234.75f);
  out += ' ';
  appendShortest(out, 1234.125);
  std::locale::global(previous);
  EXPECT_EQ(out, "1234.5 0.25 1234567 1234.75 1234.125");
}

TEST(Numbers, FoldedRunsOfThreeOrMore) {
  const auto folded = [](const std::vector<int32_t>& sorted) {
    std::string out;
    appendFoldedNumbers(out, sorted);
    return out;
  };
  EXPECT_EQ(folded({}), "");
  EXPECT_EQ(folded({7}), "7");
  EXPECT_EQ(folded({12, 13, 14, 15, 16, 17, 18, 20, 21, 30, 31, 32}),
            "12-18, 20, 21, 30-32");
  EXPECT_EQ(folded({0, 2, 3, 32765, 32766}), "0, 2, 3, 32765, 32766");
}

TEST(Numbers, UnitsAreFiniteAndNotNegative) {
  const auto units = [](const std::string& text) {
    double value = -1;
    return parseUnits(text, &value) ? value : -1.0;
  };
  EXPECT_EQ(units("213.05"), 213.05);
  EXPECT_EQ(units("1e3"), 1000.0);
  EXPECT_EQ(units("0"), 0.0);
  const double zero = units("-0");
  EXPECT_EQ(zero, 0.0);
  EXPECT_FALSE(std::signbit(zero));
  // As strtod reads them: a sign, blanks before, hexadecimal digits, and
  // too small for a double read as 0.
  EXPECT_EQ(units("+5"), 5.0);
  EXPECT_EQ(units(" \t5"), 5.0);
  EXPECT_EQ(units("0x10"), 16.0);
  EXPECT_EQ(units("1e-400"), 0.0);
  for (const char* bad : {"", " ", "-1", "5 ", "5,5", "inf", "nan", "1e999", "0x", "+-5"}) {
    double value = 7;
    EXPECT_FALSE(parseUnits(bad, &value)) << bad;
    EXPECT_EQ(value, 7) << bad;
  }
}

// The smallest positive double and the largest are kept as they are.
TEST(Numbers, UnitsKeepTheExtremeDoubles) {
  double value = -1;
  ASSERT_TRUE(parseUnits("4.9e-324", &value));
  EXPECT_EQ(value, std::numeric_limits<double>::denorm_min());
  ASSERT_TRUE(parseUnits("1.7976931348623157e308", &value));
  EXPECT_EQ(value, std::numeric_limits<double>::max());
}

// The JSON arrays every tool's JSON shares: empty, one, several; points
// with their shortest coordinates.
TEST(JsonArrays, IntegersPairsAndPoints) {
  std::string out;
  appendJsonIntegers(out, {});
  appendJsonIntegers(out, {7});
  appendJsonIntegers(out, {-1, 0, 32767});
  EXPECT_EQ(out, "[][7][-1, 0, 32767]");
  out.clear();
  appendJsonIntegerPairs(out, {});
  appendJsonIntegerPairs(out, {{1, 2}, {3, -4}});
  EXPECT_EQ(out, "[][[1, 2], [3, -4]]");
  out.clear();
  const float point[3] = {0.1f, -2.0f, 1e20f};
  appendJsonPoint(out, point);
  std::string expected = "[";
  appendShortest(expected, 0.1f);
  expected += ", ";
  appendShortest(expected, -2.0f);
  expected += ", ";
  appendShortest(expected, 1e20f);
  expected += "]";
  EXPECT_EQ(out, expected);
  EXPECT_EQ(out.substr(0, 9), "[0.1, -2,");
}

}  // namespace
}  // namespace tessivar
