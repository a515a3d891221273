// Test helper: a strict JSON reader (RFC 8259) for what the tools write. It
// rejects anything but one well-formed JSON text (numbers such as 01, 1. or
// NaN, trailing commas, unknown escapes, raw control characters or invalid
// UTF-8 in strings, repeated keys, text after the value) and, stricter than
// the RFC, surrogate \u escapes, which nothing here writes.
#ifndef TESSIVAR_TESTING_JSON_CHECK_H_
#define TESSIVAR_TESTING_JSON_CHECK_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessivar {
namespace testing {

struct JsonValue {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };
  Type type = Type::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;  // a string decoded to UTF-8; a number as written
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;  // in document order

  const JsonValue* find(const std::string& key) const;  // nullptr if absent
  std::vector<std::string> keys() const;
};

struct JsonParse {
  bool ok = false;
  std::string error;  // what is wrong and at which byte
  JsonValue value;
};

JsonParse parseJson(std::string_view text);

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_JSON_CHECK_H_
