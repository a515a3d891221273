// The JSON reader the islands tests rely on must itself reject what is not
// JSON, or those tests could not fail.
#include "testing/json_check.h"

#include <gtest/gtest.h>

namespace tessivar {
namespace testing {
namespace {

TEST(JsonCheck, AcceptsWellFormedTexts) {
  const char* const good[] = {
      "{}", "[]", "0", "-0", "1.5e+20", "2E-3", "\"\"", "true", "null",
      " {\"a\": [1, 2, {\"b\": null}], \"c\": \"x\"} \n",
      "\"\\\" \\\\ \\/ \\b \\f \\n \\r \\t \\u00e9 \\ud83d\\ude00\"",
      "\"caf\xC3\xA9 \xE2\x86\x92 \xF0\x9F\x98\x80\"",
  };
  for (const char* text : good) {
    const JsonParse parsed = parseJson(text);
    EXPECT_TRUE(parsed.ok) << text << ": " << parsed.error;
  }
}

TEST(JsonCheck, RejectsMalformedTexts) {
  const char* const bad[] = {
      "",                    // no value
      "{",                   // unclosed
      "[1, 2,]",             // trailing comma
      "{\"a\": 1,}",         // trailing comma
      "{\"a\" 1}",           // no colon
      "{a: 1}",              // bare name
      "{\"a\": 1, \"a\": 2}",  // repeated key
      "01",                  // leading zero
      "1.",                  // no fraction digits
      ".5",                  // no integer part
      "+1",                  // plus sign
      "1e",                  // no exponent digits
      "NaN", "Infinity", "-Infinity", "nan", "inf",
      "1e999",               // beyond a double
      "tru",                 // broken literal
      "'a'",                 // single quotes
      "\"a",                 // unterminated
      "\"a\nb\"",            // raw newline in a string
      "\"\x01\"",            // raw control character
      "\"\\x41\"",           // unknown escape
      "\"\\u12\"",           // short escape
      "\"\\ud800\"",         // unpaired high surrogate
      "\"\\udc00\"",         // unpaired low surrogate
      "\"\xFF\"",            // invalid UTF-8
      "\"\xC0\xAF\"",        // overlong form
      "\"\xED\xA0\x80\"",    // encoded surrogate
      "{} {}",               // two values
      "[1] x",               // text after the value
  };
  for (const char* text : bad) {
    EXPECT_FALSE(parseJson(text).ok) << "accepted: " << text;
  }
}

TEST(JsonCheck, ReturnsTheValueTree) {
  const JsonParse parsed = parseJson(
      "{\"name\": \"a\\u00e9\\n\", \"list\": [1, -2.5e1, true, null], "
      "\"z\": {}, \"a\": false}");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const JsonValue& v = parsed.value;
  EXPECT_EQ(v.type, JsonValue::Type::kObject);
  EXPECT_EQ(v.keys(), (std::vector<std::string>{"name", "list", "z", "a"}));
  EXPECT_EQ(v.find("name")->text, "a\xC3\xA9\n");
  const JsonValue& list = *v.find("list");
  ASSERT_EQ(list.items.size(), 4u);
  EXPECT_EQ(list.items[1].number, -25.0);
  EXPECT_EQ(list.items[1].text, "-2.5e1");
  EXPECT_TRUE(list.items[2].boolean);
  EXPECT_EQ(list.items[3].type, JsonValue::Type::kNull);
  EXPECT_EQ(v.find("z")->type, JsonValue::Type::kObject);
  EXPECT_EQ(v.find("missing"), nullptr);
  EXPECT_EQ(parseJson("\"\\ud83d\\ude00\"").value.text, "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace testing
}  // namespace tessivar
