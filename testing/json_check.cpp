#include "testing/json_check.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "text/utf8.h"

namespace tessivar {
namespace testing {

namespace {

using Type = JsonValue::Type;

// Recursive descent; every step returns false once `error` is set.
struct Reader {
  std::string_view s;
  size_t pos;
  std::string error;

  bool fail(const char* what) {
    if (error.empty()) error = what + (" at byte " + std::to_string(pos));
    return false;
  }
  unsigned char peek(size_t ahead = 0) const {
    return pos + ahead < s.size() ? static_cast<unsigned char>(s[pos + ahead]) : 0;
  }
  bool eat(char c) { return peek() == c ? (++pos, true) : false; }
  size_t digits() {
    const size_t start = pos;
    while (peek() >= '0' && peek() <= '9') ++pos;
    return pos - start;
  }
  void space() {
    while (peek() && std::strchr(" \t\n\r", peek())) ++pos;
  }

  bool value(JsonValue& v) {
    space();
    const unsigned char c = peek();
    bool ok = c == '{' || c == '[' ? list(v, c == '{')
              : c == '"'           ? string(v)
              : c == '-' || (c >= '0' && c <= '9') ? number(v) : false;
    for (std::string_view word : {"true", "false", "null"}) {
      if (c != word[0] || s.substr(pos, word.size()) != word) continue;
      pos += word.size();
      v.type = word == "null" ? Type::kNull : Type::kBool;
      v.boolean = word == "true";
      ok = true;
    }
    space();
    return ok || fail("not a value");
  }

  // An object or an array, from its opening bracket.
  bool list(JsonValue& v, bool object) {
    v.type = object ? Type::kObject : Type::kArray;
    const char close = object ? '}' : ']';
    ++pos;
    space();
    if (eat(close)) return true;
    do {
      JsonValue key;
      if (object && !value(key)) return false;
      if (object && key.type != Type::kString) return fail("expected a member name");
      if (object && v.find(key.text)) return fail("repeated key");
      if (object && !eat(':')) return fail("expected ':'");
      if (!value(object ? v.members.emplace_back(key.text, JsonValue()).second
                        : v.items.emplace_back())) {
        return false;
      }
    } while (eat(','));
    return eat(close) || fail("expected ',' or a closing bracket");
  }

  bool number(JsonValue& v) {
    const size_t start = pos;
    eat('-');
    if (!eat('0') && digits() == 0) return fail("no digits");
    if (eat('.') && digits() == 0) return fail("no digits after the point");
    if (eat('e') || eat('E')) {
      if (!eat('+')) eat('-');
      if (digits() == 0) return fail("no digits in the exponent");
    }
    v.type = Type::kNumber;
    v.text = std::string(s.substr(start, pos - start));
    const char* last = v.text.data() + v.text.size();
    const auto r = std::from_chars(v.text.data(), last, v.number);
    return (r.ec == std::errc() && r.ptr == last && std::isfinite(v.number)) ||
           fail("number out of range");
  }

  bool string(JsonValue& v) {
    static const char kEscapes[] = "\"\\/bfnrt", kHex[] = "0123456789abcdefABCDEF";
    v.type = Type::kString;
    ++pos;  // the opening quote
    while (!eat('"')) {
      const unsigned char c = peek();  // 0 at the end
      if (c < 0x20) return fail("unterminated string or raw control character");
      if (c >= 0x80) {  // well-formed UTF-8 only: no overlong form or surrogate
        char32_t cp = 0;
        const size_t n = decodeUtf8(s.substr(pos), &cp);
        if (n == 0) return fail("invalid UTF-8");
        v.text.append(s.substr(pos, n));
        pos += n;
        continue;
      }
      ++pos;
      const char e = c == '\\' ? char(peek()) : '\0';
      if (c != '\\') {
        v.text += char(c);
        continue;
      }
      ++pos;
      if (e && std::strchr(kEscapes, e)) {
        v.text += "\"\\/\b\f\n\r\t"[std::strchr(kEscapes, e) - kEscapes];
        continue;
      }
      uint32_t cp = 0;
      for (int k = 0; k < 4; ++k, ++pos) {
        const char* digit = peek() ? std::strchr(kHex, peek()) : nullptr;
        if (e != 'u' || !digit) return fail("unknown or short escape");
        cp = cp * 16 + uint32_t(digit - kHex < 16 ? digit - kHex : digit - kHex - 6);
      }
      if (cp >= 0xD800 && cp < 0xE000) return fail("surrogate escape");
      appendUtf8(v.text, cp);
    }
    return true;
  }
};

}  // namespace

const JsonValue* JsonValue::find(const std::string& key) const {
  for (const auto& member : members) {
    if (member.first == key) return &member.second;
  }
  return nullptr;
}

std::vector<std::string> JsonValue::keys() const {
  std::vector<std::string> names;
  for (const auto& member : members) names.push_back(member.first);
  return names;
}

JsonParse parseJson(std::string_view text) {
  Reader reader{text, 0, ""};
  JsonParse result;
  result.ok = reader.value(result.value) &&
              (reader.pos == text.size() || reader.fail("text after the value"));
  result.error = reader.error;
  return result;
}

}  // namespace testing
}  // namespace tessivar
