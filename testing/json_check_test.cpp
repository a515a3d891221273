// The JSON reader the islands tests rely on must itself reject what is not
// JSON, or those tests could not fail.
#include "testing/json_check.h"

#include <gtest/gtest.h>

namespace tessivar {
namespace testing {
namespace {

TEST(JsonCheck, AcceptsWellFormedTextsAndRejectsTheRest) {
  for (const char* good : {"[]", "-0", "1.5e+20", "2E-3", "{\"a\": [1, {}], \"b\": null}",
                           "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\uFFFD\"",
                           "\"caf\xC3\xA9 \xE2\x86\x92 \xF0\x9F\x98\x80\""}) {
    EXPECT_TRUE(parseJson(good).ok) << good << ": " << parseJson(good).error;
  }
  for (const char* bad :
       {"", "{", "[1,]", "{\"a\": 1,}", "{\"a\" 1}", "{a: 1}", "{1: 1}",
        "{\"a\": 1, \"a\": 2}", "01", "1.", ".5", "+1", "1e", "-", "NaN", "1e999",
        "tru", "nulll", "\"a", "\"a\nb\"", "\"\\x41\"", "\"\\u12\"", "\"\\u\x10" "000\"",
        "\"\\ud83d\\ude00\"", "\"\xFF\"", "\"\x80\"", "\"\xC0\xAF\"", "\"\xE0\x9F\xBF\"",
        "\"\xED\xA0\x80\"", "\"\xF4\x90\x80\x80\"", "\"\xE2\x86\"", "{} {}", "[1] x"}) {
    EXPECT_FALSE(parseJson(bad).ok) << "accepted: " << bad;
  }
}

TEST(JsonCheck, ReturnsTheValueTree) {
  const JsonParse parsed =
      parseJson("{\"s\": \"a\\u00e9\\u20ac\\n\", \"list\": [-2.5e1, true, null], "
                "\"z\": {}}");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const JsonValue& v = parsed.value;
  EXPECT_EQ(v.keys(), (std::vector<std::string>{"s", "list", "z"}));
  EXPECT_EQ(v.find("s")->text, "a\xC3\xA9\xE2\x82\xAC\n");
  const std::vector<JsonValue>& list = v.find("list")->items;
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].number, -25.0);
  EXPECT_EQ(list[0].text, "-2.5e1");
  EXPECT_TRUE(list[1].boolean && list[1].type == JsonValue::Type::kBool);
  EXPECT_EQ(list[2].type, JsonValue::Type::kNull);
  EXPECT_EQ(v.find("z")->type, JsonValue::Type::kObject);
  EXPECT_EQ(v.find("missing"), nullptr);
}

}  // namespace
}  // namespace testing
}  // namespace tessivar
