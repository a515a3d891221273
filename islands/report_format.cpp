#include "islands/report_format.h"

#include <charconv>

namespace tessivar {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// Appends what std::to_chars writes; 64 characters hold any number here.
template <typename Write>
void appendChars(std::string& out, Write write) {
  char buffer[64];
  const std::to_chars_result r = write(buffer, buffer + sizeof buffer);
  out.append(buffer, r.ptr);
}

void appendHexByte(std::string& out, const char* prefix, unsigned byte) {
  out += prefix;
  out += kHex[(byte >> 4) & 15];
  out += kHex[byte & 15];
}

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

void appendInteger(std::string& out, int64_t value) {
  appendChars(out, [value](char* first, char* last) {
    return std::to_chars(first, last, value);
  });
}

void appendShortest(std::string& out, float value) {
  appendChars(out, [value](char* first, char* last) {
    return std::to_chars(first, last, value);
  });
}

void appendShortest(std::string& out, double value) {
  appendChars(out, [value](char* first, char* last) {
    return std::to_chars(first, last, value);
  });
}

void appendReadable(std::string& out, double value) {
  appendChars(out, [value](char* first, char* last) {
    return std::to_chars(first, last, value, std::chars_format::general, 6);
  });
}

size_t utf8SequenceLength(std::string_view bytes) {
  if (bytes.empty()) return 0;
  const unsigned char b0 = static_cast<unsigned char>(bytes[0]);
  if (b0 < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;   // no overlong forms
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;   // no overlong forms
    if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (bytes.size() < length) return 0;
  const unsigned char b1 = static_cast<unsigned char>(bytes[1]);
  if (b1 < low || b1 > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!continuation(static_cast<unsigned char>(bytes[i]))) return 0;
  }
  return length;
}

void appendJsonString(std::string& out, std::string_view bytes) {
  out += '"';
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x80) {
      const size_t length = utf8SequenceLength(bytes.substr(i));
      if (length == 0) {
        out += "\\ufffd";
        ++i;
      } else {
        out.append(bytes.data() + i, length);
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          appendHexByte(out, "\\u00", c);
        } else {
          out += char(c);
        }
    }
    ++i;
  }
  out += '"';
}

void appendTerminalText(std::string& out, std::string_view bytes,
                        bool quoted) {
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    const size_t length = utf8SequenceLength(bytes.substr(i));
    // C1 controls are U+0080 to U+009F: C2 80 to C2 9F.
    const bool c1 = length == 2 && c == 0xC2 &&
                    static_cast<unsigned char>(bytes[i + 1]) <= 0x9F;
    if (length == 0 || c1 || c < 0x20 || c == 0x7F) {
      const size_t shown = length == 0 ? 1 : length;
      for (size_t k = 0; k < shown; ++k) {
        appendHexByte(out, "\\x", static_cast<unsigned char>(bytes[i + k]));
      }
      i += shown;
      continue;
    }
    if (c == '\\' && quoted) {
      out += "\\\\";
    } else if (c == '"' && quoted) {
      out += "\\\"";
    } else {
      out.append(bytes.data() + i, length);
    }
    i += length;
  }
}

void appendFoldedNumbers(std::string& out,
                         const std::vector<int32_t>& sorted) {
  size_t i = 0;
  while (i < sorted.size()) {
    size_t j = i;
    while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] + 1) ++j;
    if (i > 0) out += ", ";
    if (j - i >= 2) {
      appendInteger(out, sorted[i]);
      out += '-';
      appendInteger(out, sorted[j]);
      i = j + 1;
    } else {
      appendInteger(out, sorted[i]);
      ++i;
    }
  }
}

void spillWhenLarge(std::string& text, std::ostream& out) {
  if (text.size() < (size_t(1) << 16)) return;
  out.write(text.data(), std::streamsize(text.size()));
  text.clear();
}

void finishSection(std::string& text, std::ostream& out) {
  out.write(text.data(), std::streamsize(text.size()));
  text.clear();
  out.flush();
}

}  // namespace tessivar
