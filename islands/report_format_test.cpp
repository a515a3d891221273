// Numbers, strings and folded lists as both forms of the report write them.
#include "islands/report_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "testing/json_check.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

template <typename T>
std::string shortest(T value) {
  std::string s;
  appendShortest(s, value);
  return s;
}

std::string readable(double value) {
  std::string s;
  appendReadable(s, value);
  return s;
}

std::string json(std::string_view bytes) {
  std::string s;
  appendJsonString(s, bytes);
  return s;
}

std::string terminal(std::string_view bytes, bool quoted = false) {
  std::string s;
  appendTerminalText(s, bytes, quoted);
  return s;
}

std::string folded(const std::vector<int32_t>& list) {
  std::string s;
  appendFoldedNumbers(s, list);
  return s;
}

TEST(ReportFormat, ShortestNumbersReadBackExactly) {
  EXPECT_EQ(shortest(120.5f), "120.5");
  EXPECT_EQ(shortest(-0.0f), "-0");
  EXPECT_EQ(shortest(0.1f), "0.1");
  EXPECT_EQ(shortest(100.0), "100");
  EXPECT_EQ(shortest(std::sqrt(2.0)), "1.4142135623730951");
  MapRandom random(7);
  for (int i = 0; i < 2000; ++i) {
    const double d = (random.unit() - 0.5) * std::pow(10.0, int(random.below(40)) - 20);
    const float f = float(d);
    EXPECT_EQ(std::stod(shortest(d)), d);
    EXPECT_EQ(std::stof(shortest(f)), f);
    // Every form is a JSON number.
    EXPECT_TRUE(testing::parseJson(shortest(d)).ok) << shortest(d);
    EXPECT_TRUE(testing::parseJson(shortest(f)).ok) << shortest(f);
  }
  EXPECT_TRUE(testing::parseJson(shortest(FLT_MAX)).ok);
  EXPECT_TRUE(testing::parseJson(shortest(-FLT_TRUE_MIN)).ok);
  EXPECT_TRUE(testing::parseJson(shortest(DBL_MAX)).ok);
}

TEST(ReportFormat, ReadableNumbersHaveSixSignificantDigits) {
  EXPECT_EQ(readable(100.4987562112089), "100.499");
  EXPECT_EQ(readable(45), "45");
  EXPECT_EQ(readable(-0.5), "-0.5");
  EXPECT_EQ(readable(12345678), "1.23457e+07");
  EXPECT_EQ(readable(0), "0");
}

TEST(ReportFormat, JsonStringsEscapeAndCleanEveryByte) {
  EXPECT_EQ(json("plain"), "\"plain\"");
  EXPECT_EQ(json("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(json("\n\t\r\b\f"), "\"\\n\\t\\r\\b\\f\"");
  EXPECT_EQ(json(std::string("\x00\x1b\x7f", 3)), "\"\\u0000\\u001b\\u007f\"");
  EXPECT_EQ(json("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
  EXPECT_EQ(json("\xFF" "a\xC3"), "\"\\ufffda\\ufffd\"");
  EXPECT_EQ(json("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");  // surrogate
  EXPECT_EQ(json("\xF4\x90\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
  // Every string of random bytes comes out as a JSON string that reads
  // back as its input with the bad bytes replaced.
  MapRandom random(3);
  for (int i = 0; i < 3000; ++i) {
    std::string bytes(random.below(12), '\0');
    for (char& c : bytes) c = char(random.below(256));
    const std::string text = json(bytes);
    const testing::JsonParse parsed = testing::parseJson(text);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    std::string expected;
    for (size_t k = 0; k < bytes.size();) {
      const size_t length = utf8SequenceLength(std::string_view(bytes).substr(k));
      if (length == 0) {
        expected += "\xEF\xBF\xBD";
        ++k;
      } else {
        expected += bytes.substr(k, length);
        k += length;
      }
    }
    ASSERT_EQ(parsed.value.text, expected);
  }
}

TEST(ReportFormat, Utf8SequencesAreJudgedStrictly) {
  EXPECT_EQ(utf8SequenceLength("a"), 1u);
  EXPECT_EQ(utf8SequenceLength("\xC3\xA9"), 2u);
  EXPECT_EQ(utf8SequenceLength("\xE2\x86\x92"), 3u);
  EXPECT_EQ(utf8SequenceLength("\xF0\x9F\x98\x80"), 4u);
  EXPECT_EQ(utf8SequenceLength("\xF4\x8F\xBF\xBF"), 4u);  // U+10FFFF
  EXPECT_EQ(utf8SequenceLength(""), 0u);
  EXPECT_EQ(utf8SequenceLength("\x80"), 0u);            // lone continuation
  EXPECT_EQ(utf8SequenceLength("\xC1\xBF"), 0u);        // overlong
  EXPECT_EQ(utf8SequenceLength("\xE0\x9F\xBF"), 0u);    // overlong
  EXPECT_EQ(utf8SequenceLength("\xED\xA0\x80"), 0u);    // surrogate
  EXPECT_EQ(utf8SequenceLength("\xF0\x8F\xBF\xBF"), 0u);  // overlong
  EXPECT_EQ(utf8SequenceLength("\xF4\x90\x80\x80"), 0u);  // above U+10FFFF
  EXPECT_EQ(utf8SequenceLength("\xE2\x86"), 0u);        // cut short
  EXPECT_EQ(utf8SequenceLength("\xC3" "a"), 0u);
}

TEST(ReportFormat, TerminalTextShowsControlsAndBadBytesAsEscapes) {
  EXPECT_EQ(terminal("maps/de_dust.wpt"), "maps/de_dust.wpt");
  EXPECT_EQ(terminal("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(terminal("\x1b[31mred"), "\\x1b[31mred");
  EXPECT_EQ(terminal("a\nb\x7f"), "a\\x0ab\\x7f");
  EXPECT_EQ(terminal("\xC2\x9B" "2J"), "\\xc2\\x9b2J");  // C1 CSI
  EXPECT_EQ(terminal("\xFF\xC3"), "\\xff\\xc3");
  EXPECT_EQ(terminal("back\\slash"), "back\\\\slash");
  EXPECT_EQ(terminal("say \"hi\""), "say \"hi\"");
  EXPECT_EQ(terminal("say \"hi\"", true), "say \\\"hi\\\"");
}

TEST(ReportFormat, RunsOfThreeOrMoreAreFolded) {
  EXPECT_EQ(folded({}), "");
  EXPECT_EQ(folded({7}), "7");
  EXPECT_EQ(folded({3, 4}), "3, 4");
  EXPECT_EQ(folded({12, 13, 14, 15, 16, 17, 18}), "12-18");
  EXPECT_EQ(folded({0, 1, 2, 4, 5, 7, 9, 10, 11, 32766}),
            "0-2, 4, 5, 7, 9-11, 32766");
}

}  // namespace
}  // namespace tessivar
