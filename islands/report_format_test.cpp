// Strings as both forms of the report write them: JSON strings valid for
// any bytes, terminal text that can't move the cursor. (Numbers and folded
// lists are checked in whole reports, islands_run_test.cpp.)
#include "islands/report_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testing/json_check.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

TEST(ReportFormat, JsonStringsAreValidForAnyBytes) {
  for (const char* good : {"\xC3\xA9", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xF0\x90\x80\x80",
                           "\xF4\x8F\xBF\xBF"}) {
    EXPECT_EQ(utf8SequenceLength(good), std::strlen(good));
  }
  for (const char* bad : {"\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80",
                          "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",
                          "\xE2\x86"}) {
    EXPECT_EQ(utf8SequenceLength(bad), 0u) << int(bad[0] & 0xFF);
  }
  // Random bytes, rich in controls, quotes, backslashes and UTF-8 lead and
  // continuation bytes: each comes out as a JSON string that reads back as
  // its input with each byte not in well-formed UTF-8 replaced by U+FFFD.
  const char alphabet[] =
      "a\"\\/\b\x1f\x7f\xc2\xc3\xa9\xe0\xa0\xed\xf0\xf4\x8f\x90\x80\xbf\xff";
  MapRandom random(3);
  for (int i = 0; i < 5000; ++i) {
    std::string bytes(random.below(10), '\0');
    for (char& c : bytes) c = alphabet[random.below(sizeof alphabet)];  // NUL too
    std::string json;
    appendJsonString(json, bytes);
    const testing::JsonParse parsed = testing::parseJson(json);
    ASSERT_TRUE(parsed.ok) << parsed.error << " in " << json;
    std::string expected;
    for (size_t k = 0, n; k < bytes.size(); k += n ? n : 1) {
      n = utf8SequenceLength(std::string_view(bytes).substr(k));
      expected += n ? bytes.substr(k, n) : "\xEF\xBF\xBD";
    }
    ASSERT_EQ(parsed.value.text, expected) << json;
  }
}

TEST(ReportFormat, TerminalTextShowsControlsAndBadBytesAsEscapes) {
  std::string s;
  appendTerminalText(s, "caf\xC3\xA9 \x1b[31m\n\x7f \xC2\x9B" "2J \xFF\xC3 a\\b \"hi\"");
  EXPECT_EQ(s, "caf\xC3\xA9 \\x1b[31m\\x0a\\x7f \\xc2\\x9b2J \\xff\\xc3 a\\b \"hi\"");
  s.clear();
  appendTerminalText(s, "say \"hi\" a\\b", true);
  EXPECT_EQ(s, "say \\\"hi\\\" a\\\\b");
}

}  // namespace
}  // namespace tessivar
