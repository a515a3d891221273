#include "text/utf8.h"

namespace tessivar {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the sequence a lead byte starts, 0 for a byte that starts
// none: a continuation byte, C0 and C1 (they could only start overlong
// forms) and F5 to FF (past U+10FFFF or never used).
size_t leadLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

size_t decodeUtf8(std::string_view bytes, char32_t* codePoint,
                  Utf8Surrogates surrogates) {
  if (bytes.empty()) return 0;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const size_t length = leadLength(lead);
  if (length == 0 || bytes.size() < length) return 0;
  if (length == 1) {
    *codePoint = lead;
    return 1;
  }
  // The second byte's range rules out overlong forms, surrogates and code
  // points above U+10FFFF, each of which starts with a particular lead.
  unsigned char low = 0x80, high = 0xBF;
  if (lead == 0xE0) low = 0xA0;
  if (lead == 0xED && surrogates == Utf8Surrogates::kRejected) high = 0x9F;
  if (lead == 0xF0) low = 0x90;
  if (lead == 0xF4) high = 0x8F;
  const auto second = static_cast<unsigned char>(bytes[1]);
  if (second < low || second > high) return 0;
  char32_t value = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto byte = static_cast<unsigned char>(bytes[k]);
    if (!isContinuation(byte)) return 0;
    value = (value << 6) | (byte & 0x3F);
  }
  *codePoint = value;
  return length;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

void appendRepairedUtf8(std::string& out, std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    char32_t c;
    const size_t length = decodeUtf8(bytes.substr(i), &c);
    if (length == 0) {
      out += kReplacement;
      ++i;
    } else {
      out.append(bytes.data() + i, length);
      i += length;
    }
  }
}

size_t incompleteUtf8Tail(std::string_view bytes) {
  const size_t size = bytes.size();
  // The lead byte of a sequence still open is among the last three bytes.
  for (size_t back = 1; back <= 3 && back <= size; ++back) {
    const auto byte = static_cast<unsigned char>(bytes[size - back]);
    if (isContinuation(byte)) continue;
    if (leadLength(byte) <= back) return 0;
    // Only a start that the next bytes can still complete is held back.
    for (size_t k = size - back + 1; k < size; ++k) {
      if (!isContinuation(static_cast<unsigned char>(bytes[k]))) return 0;
    }
    return back;
  }
  return 0;
}

}  // namespace tessivar
