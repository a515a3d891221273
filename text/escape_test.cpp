// Any bytes made safe: JSON strings valid for any bytes, XML text that any
// viewer shows the same way, terminal text that can't move the cursor.
#include "text/escape.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/json_check.h"
#include "text/utf8.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

const std::string kBad = "\xEF\xBF\xBD";  // U+FFFD

TEST(JsonString, EscapesQuotesBackslashesAndControls) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"", "\"\""},
      {"de_dust2", "\"de_dust2\""},
      {"say \"hi\" a\\b / c", "\"say \\\"hi\\\" a\\\\b / c\""},
      {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
      {std::string("\0\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\\u007f\""},
      {"\xC2\x85\xC2\x9F", "\"\xC2\x85\xC2\x9F\""},  // C1 controls are JSON text
      {"caf\xC3\xA9 \xF0\x9F\x97\xBA", "\"caf\xC3\xA9 \xF0\x9F\x97\xBA\""},
      {"caf\xE9", "\"caf\\ufffd\""},
      {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // no surrogates
      {"\xE2\x82" "A", "\"\\ufffd\\ufffdA\""},
  };
  for (const auto& c : cases) {
    std::string out = ":";
    appendJsonString(out, c.in);
    EXPECT_EQ(out, ":" + c.out) << ::testing::PrintToString(c.in);
  }
}

TEST(JsonString, ValidForAnyBytes) {
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
    appendRepairedUtf8(expected, bytes);
    ASSERT_EQ(parsed.value.text, expected) << json;
  }
}

TEST(JsonString, InsideAScriptElementNothingCanEndIt) {
  // A hostile map name: in a document the markup is kept as it is; inside
  // a script element < > & and the separators U+2028 and U+2029 are
  // escaped too, so neither "</script" nor "<!--" can appear.
  const std::string name = "</script><img src=x onerror=alert(1)>&<!--\xE2\x80\xA8\xE2\x80\xA9";
  std::string document;
  appendJsonString(document, name);
  EXPECT_EQ(document, "\"" + name + "\"");
  std::string script;
  appendJsonString(script, name, JsonPlace::kHtmlScript);
  EXPECT_EQ(script,
            "\"\\u003c/script\\u003e\\u003cimg src=x onerror=alert(1)\\u003e"
            "\\u0026\\u003c!--\\u2028\\u2029\"");
  // Still JSON, reading back as the same characters.
  const testing::JsonParse parsed = testing::parseJson(script);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.value.text, name);
  // Everything else as in a document: quotes, controls, bad bytes.
  std::string other;
  appendJsonString(other, "a\"\x01\xFF", JsonPlace::kHtmlScript);
  EXPECT_EQ(other, "\"a\\\"\\u0001\\ufffd\"");
}

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
      {"\xC2\x9F\xC2\xA0", kBad + "\xC2\xA0"},     // last C1; no-break space kept
      {"\xC0\xAF", kBad + kBad},                   // overlong '/'
      {"\xE0\x80\xAF", kBad + kBad + kBad},        // overlong, three bytes
      {"\xED\xA0\x80", kBad + kBad + kBad},        // surrogate
      {"\xF4\x90\x80\x80", kBad + kBad + kBad + kBad},  // past U+10FFFF
      {"\xEF\xBF\xBE\xEF\xBF\xBF", kBad + kBad},   // U+FFFE, U+FFFF
      {"\xEF\xBF\xBD\xEF\xBF\xBC", kBad + "\xEF\xBF\xBC"},  // U+FFFD, U+FFFC kept
      {"ok\xE2\x82", "ok" + kBad + kBad},          // cut at the end
      {"\xE2\x82" "A", kBad + kBad + "A"},         // cut before ASCII
      {"\x80", kBad},                              // lone continuation
  };
  for (const auto& c : cases) {
    std::string out = "<";
    appendXmlText(out, c.in);
    EXPECT_EQ(out, "<" + c.out) << "input: " << ::testing::PrintToString(c.in);
  }
}

TEST(TerminalText, ShowsControlsAndBadBytesAsEscapes) {
  std::string s;
  appendTerminalText(s, "caf\xC3\xA9 \x1b[31m\n\x7f \xC2\x9B" "2J \xFF\xC3 a\\b \"hi\"");
  EXPECT_EQ(s, "caf\xC3\xA9 \\x1b[31m\\x0a\\x7f \\xc2\\x9b2J \\xff\\xc3 a\\b \"hi\"");
  s.clear();
  appendTerminalText(s, "say \"hi\" a\\b", true);
  EXPECT_EQ(s, "say \\\"hi\\\" a\\\\b");
  // C1 runs from C2 80 to C2 9F; C2 A0 (no-break space) is text. A
  // surrogate and an overlong form are bad bytes, one escape each.
  s.clear();
  appendTerminalText(s, std::string("\xC2\x80\xC2\x9F\xC2\xA0\0\xED\xA0\x80\xC0\xAF"
                                    "\xF0\x9F\x97\xBA", 16));
  EXPECT_EQ(s, "\\xc2\\x80\\xc2\\x9f\xC2\xA0\\x00\\xed\\xa0\\x80\\xc0\\xaf"
               "\xF0\x9F\x97\xBA");
}

}  // namespace
}  // namespace tessivar
