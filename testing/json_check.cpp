#include "testing/json_check.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace tessivar {
namespace testing {

namespace {

// Nesting deeper than this is refused rather than recursed into.
constexpr int kMaxDepth = 200;

class Reader {
 public:
  explicit Reader(std::string_view text) : s_(text) {}

  JsonParse run() {
    JsonParse result;
    skipSpace();
    if (!value(result.value, 0)) {
      result.error = error_;
      return result;
    }
    skipSpace();
    if (pos_ != s_.size()) {
      result.error = at("text after the value");
      return result;
    }
    result.ok = true;
    return result;
  }

 private:
  std::string at(const std::string& what) const {
    return what + " at byte " + std::to_string(pos_);
  }
  bool fail(const std::string& what) {
    if (error_.empty()) error_ = at(what);
    return false;
  }
  bool more() const { return pos_ < s_.size(); }
  char peek() const { return more() ? s_[pos_] : '\0'; }

  void skipSpace() {
    while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\n' ||
                      peek() == '\r')) {
      ++pos_;
    }
  }

  bool literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return fail("unknown literal");
    pos_ += word.size();
    return true;
  }

  bool value(JsonValue& v, int depth) {
    if (depth > kMaxDepth) return fail("nesting too deep");
    if (!more()) return fail("missing value");
    switch (peek()) {
      case '{': return object(v, depth);
      case '[': return array(v, depth);
      case '"': v.type = JsonValue::Type::kString; return string(v.text);
      case 't': v.type = JsonValue::Type::kBool; v.boolean = true;
                return literal("true");
      case 'f': v.type = JsonValue::Type::kBool; return literal("false");
      case 'n': v.type = JsonValue::Type::kNull; return literal("null");
      default: return number(v);
    }
  }

  bool object(JsonValue& v, int depth) {
    v.type = JsonValue::Type::kObject;
    ++pos_;
    skipSpace();
    if (peek() == '}') {
      ++pos_;
      return true;
    }
    while (true) {
      skipSpace();
      if (peek() != '"') return fail("expected a member name");
      std::string key;
      if (!string(key)) return false;
      if (v.find(key)) return fail("repeated key \"" + key + "\"");
      skipSpace();
      if (peek() != ':') return fail("expected ':'");
      ++pos_;
      skipSpace();
      v.members.push_back({key, JsonValue()});
      if (!value(v.members.back().second, depth + 1)) return false;
      skipSpace();
      if (peek() == ',') {
        ++pos_;
        continue;
      }
      if (peek() == '}') {
        ++pos_;
        return true;
      }
      return fail("expected ',' or '}'");
    }
  }

  bool array(JsonValue& v, int depth) {
    v.type = JsonValue::Type::kArray;
    ++pos_;
    skipSpace();
    if (peek() == ']') {
      ++pos_;
      return true;
    }
    while (true) {
      skipSpace();
      v.items.emplace_back();
      if (!value(v.items.back(), depth + 1)) return false;
      skipSpace();
      if (peek() == ',') {
        ++pos_;
        continue;
      }
      if (peek() == ']') {
        ++pos_;
        return true;
      }
      return fail("expected ',' or ']'");
    }
  }

  bool digits() {
    const size_t start = pos_;
    while (more() && peek() >= '0' && peek() <= '9') ++pos_;
    return pos_ > start;
  }

  bool number(JsonValue& v) {
    const size_t start = pos_;
    if (peek() == '-') ++pos_;
    if (peek() == '0') {
      ++pos_;
    } else if (peek() >= '1' && peek() <= '9') {
      digits();
    } else {
      return fail("not a value");
    }
    if (peek() == '.') {
      ++pos_;
      if (!digits()) return fail("no digits after the point");
    }
    if (peek() == 'e' || peek() == 'E') {
      ++pos_;
      if (peek() == '+' || peek() == '-') ++pos_;
      if (!digits()) return fail("no digits in the exponent");
    }
    v.type = JsonValue::Type::kNumber;
    v.text = std::string(s_.substr(start, pos_ - start));
    const char* first = v.text.data();
    const char* last = first + v.text.size();
    const std::from_chars_result r = std::from_chars(first, last, v.number);
    if (r.ec != std::errc() || r.ptr != last || !std::isfinite(v.number)) {
      return fail("number out of range");
    }
    return true;
  }

  bool hex4(uint32_t* unit) {
    if (s_.size() - pos_ < 4) return fail("short \\u escape");
    uint32_t u = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s_[pos_++];
      u <<= 4;
      if (c >= '0' && c <= '9') u |= uint32_t(c - '0');
      else if (c >= 'a' && c <= 'f') u |= uint32_t(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') u |= uint32_t(c - 'A' + 10);
      else return fail("bad hex digit in \\u escape");
    }
    *unit = u;
    return true;
  }

  static void putUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xF0 | (cp >> 18));
      out += char(0x80 | ((cp >> 12) & 0x3F));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }

  // Length of a well-formed UTF-8 sequence at pos_, or 0.
  size_t utf8Length() const {
    const unsigned char b0 = static_cast<unsigned char>(s_[pos_]);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) length = 2;
    else if (b0 >= 0xE0 && b0 <= 0xEF) length = 3;
    else if (b0 >= 0xF0 && b0 <= 0xF4) length = 4;
    else return 0;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
    if (s_.size() - pos_ < length) return 0;
    const unsigned char b1 = static_cast<unsigned char>(s_[pos_ + 1]);
    if (b1 < low || b1 > high) return 0;
    for (size_t k = 2; k < length; ++k) {
      if ((static_cast<unsigned char>(s_[pos_ + k]) & 0xC0) != 0x80) return 0;
    }
    return length;
  }

  bool string(std::string& out) {
    ++pos_;  // the opening quote
    out.clear();
    while (true) {
      if (!more()) return fail("unterminated string");
      const unsigned char c = static_cast<unsigned char>(s_[pos_]);
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c < 0x20) return fail("raw control character in a string");
      if (c >= 0x80) {
        const size_t length = utf8Length();
        if (length == 0) return fail("invalid UTF-8 in a string");
        out.append(s_.substr(pos_, length));
        pos_ += length;
        continue;
      }
      if (c != '\\') {
        out += char(c);
        ++pos_;
        continue;
      }
      ++pos_;
      if (!more()) return fail("unterminated escape");
      const char e = s_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t unit;
          if (!hex4(&unit)) return false;
          if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return fail("unpaired low surrogate escape");
          }
          if (unit >= 0xD800 && unit <= 0xDBFF) {
            uint32_t second;
            if (s_.substr(pos_, 2) != "\\u") {
              return fail("unpaired high surrogate escape");
            }
            pos_ += 2;
            if (!hex4(&second)) return false;
            if (second < 0xDC00 || second > 0xDFFF) {
              return fail("unpaired high surrogate escape");
            }
            unit = 0x10000 + ((unit - 0xD800) << 10) + (second - 0xDC00);
          }
          putUtf8(out, unit);
          break;
        }
        default:
          return fail("unknown escape");
      }
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  std::string error_;
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

JsonParse parseJson(std::string_view text) { return Reader(text).run(); }

}  // namespace testing
}  // namespace tessivar
