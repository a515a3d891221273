// Test helper: a strict JSON reader (RFC 8259). It rejects anything that is
// not one well-formed JSON text (bad numbers such as 01, 1., .5, NaN or
// Infinity, trailing commas, unknown or broken escapes, unpaired surrogate
// escapes, raw control characters in strings, invalid UTF-8, repeated keys
// in an object, anything after the value but white space) and returns the
// value tree, with object members in document order, so tests can compare
// what a program wrote key by key.
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
  double number = 0;     // for kNumber
  std::string text;      // kString: the decoded UTF-8; kNumber: as written
  std::vector<JsonValue> items;                            // kArray
  std::vector<std::pair<std::string, JsonValue>> members;  // kObject

  // The member `key` of an object, or nullptr.
  const JsonValue* find(const std::string& key) const;
  // The member names of an object, in order.
  std::vector<std::string> keys() const;
};

struct JsonParse {
  bool ok = false;
  std::string error;  // what is wrong and at which byte, when not ok
  JsonValue value;
};

JsonParse parseJson(std::string_view text);

}  // namespace testing
}  // namespace tessivar

#endif  // TESSIVAR_TESTING_JSON_CHECK_H_
