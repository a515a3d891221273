#include "svg/xml_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tessivar {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at the start of `s`, with its
// code point in *cp; 0 when the first byte does not start one.
size_t decodeUtf8(std::string_view s, uint32_t* cp) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) {
    *cp = b0;
    return 1;
  }
  size_t len;
  uint32_t value;
  uint32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, value = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, value = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, value = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() < len) return 0;
  for (size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (!isContinuation(b)) return 0;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < min || value > 0x10FFFF) return 0;       // overlong, too big
  if (value >= 0xD800 && value <= 0xDFFF) return 0;    // surrogate
  *cp = value;
  return len;
}

bool isShownCharacter(uint32_t cp) {
  if (cp < 0x20) return false;                 // C0 controls, also tab/LF/CR
  if (cp >= 0x7F && cp <= 0x9F) return false;  // DEL and C1 controls
  if (cp == 0xFFFE || cp == 0xFFFF) return false;  // not XML characters
  return true;
}

}  // namespace

void appendXmlText(std::string& out, std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    uint32_t cp = 0;
    const size_t len = decodeUtf8(bytes.substr(i), &cp);
    if (len == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    if (!isShownCharacter(cp)) {
      out += kReplacement;
    } else if (cp == '&') {
      out += "&amp;";
    } else if (cp == '<') {
      out += "&lt;";
    } else if (cp == '>') {
      out += "&gt;";
    } else if (cp == '"') {
      out += "&quot;";
    } else if (cp == '\'') {
      out += "&apos;";
    } else {
      out.append(bytes.data() + i, len);
    }
    i += len;
  }
}

std::string xmlText(std::string_view bytes) {
  std::string out;
  appendXmlText(out, bytes);
  return out;
}

void appendFixed(std::string& out, double value, int decimals) {
  // Canvas coordinates are small; the clamp keeps the buffer bounded even
  // for a value that is not.
  if (!std::isfinite(value)) value = 0;
  value = std::clamp(value, -1e15, 1e15);
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, value,
                                    std::chars_format::fixed, decimals);
  char* end = result.ptr;
  if (std::find(buf, end, '.') != end) {
    while (end[-1] == '0') --end;
    if (end[-1] == '.') --end;
  }
  std::string_view text(buf, size_t(end - buf));
  if (text == "-0") text = "0";
  out += text;
}

void appendGeneral(std::string& out, double value) {
  if (!std::isfinite(value)) value = 0;
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, value,
                                    std::chars_format::general, 6);
  out.append(buf, result.ptr);
}

std::string formatGeneral(double value) {
  std::string out;
  appendGeneral(out, value);
  return out;
}

void appendInteger(std::string& out, int64_t value) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, result.ptr);
}

}  // namespace tessivar
