#include "svg/xml_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>

namespace tessivar {
namespace {

const std::string kBad = "\xEF\xBF\xBD";  // U+FFFD

TEST(XmlText, EscapesMarkupAndReplacesWhatXmlCannotHold) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"plain_map", "plain_map"},
      {"a<b>&c\"d'e", "a&lt;b&gt;&amp;c&quot;d&apos;e"},
      {"]]>", "]]&gt;"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},              // kept: valid UTF-8
      {"\xF0\x9F\x97\xBA", "\xF0\x9F\x97\xBA"},    // kept: four bytes
      {"\xFF\xFE", kBad + kBad},                   // never valid bytes
      {"x\x01y\x1B", "x" + kBad + "y" + kBad},     // C0 controls
      {"\t\n\r", kBad + kBad + kBad},              // no line breaks in a title
      {std::string("a\0b", 3), "a" + kBad + "b"},  // NUL
      {"\x7F\xC2\x85", kBad + kBad},               // DEL and a C1 control
      {"\xC0\xAF", kBad + kBad},                   // overlong '/'
      {"\xE0\x80\xAF", kBad + kBad + kBad},        // overlong, three bytes
      {"\xED\xA0\x80", kBad + kBad + kBad},        // surrogate
      {"\xF4\x90\x80\x80", kBad + kBad + kBad + kBad},  // past U+10FFFF
      {"\xEF\xBF\xBE\xEF\xBF\xBF", kBad + kBad},   // U+FFFE, U+FFFF
      {"ok\xE2\x82", "ok" + kBad + kBad},          // cut at the end
      {"\xE2\x82" "A", kBad + kBad + "A"},         // cut before ASCII
      {"\x80", kBad},                              // lone continuation
  };
  for (const auto& c : cases) {
    EXPECT_EQ(xmlText(c.in), c.out) << "input: " << c.in;
  }
}

TEST(XmlText, FixedNumbersDropTrailingZerosAndNeverShowNonFinite) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},        {12.5, "12.5"},     {3, "3"},
      {-7.25, "-7.25"}, {0.004, "0"},     {-0.004, "0"},
      {0.005001, "0.01"}, {1234.567, "1234.57"}, {100, "100"},
      {std::nan(""), "0"},
      {std::numeric_limits<double>::infinity(), "0"},
      {-std::numeric_limits<double>::infinity(), "0"},
      {1e300, "1000000000000000"},
  };
  for (const auto& c : cases) {
    std::string out;
    appendFixed(out, c.value);
    EXPECT_EQ(out, c.text) << c.value;
  }
}

TEST(XmlText, GeneralNumbersFollowPercentG) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {15, "15"},
      {10000000.0, "1e+07"},
      {0.125, "0.125"},
      {1234567, "1.23457e+06"},
      {3266.8125, "3266.81"},
      {1e-41, "1e-41"},
      {std::nan(""), "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatGeneral(c.value), c.text);
}

// A locale whose decimal point is a comma and which groups thousands.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(XmlText, NumbersIgnoreTheGlobalLocale) {
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
  std::string out;
  appendFixed(out, 1234.5);
  out += ' ';
  appendGeneral(out, 0.25);
  out += ' ';
  appendInteger(out, 1234567);
  std::locale::global(previous);
  EXPECT_EQ(out, "1234.5 0.25 1234567");
}

}  // namespace
}  // namespace tessivar
