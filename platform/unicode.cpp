#include "platform/unicode.h"

namespace tessivar {
namespace platform {

namespace {

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length a sequence starting with `lead` has, 0 for a byte that starts
// none.
size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Decodes the sequence at `text` of `length` bytes (all present); false when
// it is overlong, beyond U+10FFFF or has a byte that does not continue it.
bool decode(const unsigned char* text, size_t length, char32_t* c) {
  if (length == 1) {
    *c = text[0];
    return true;
  }
  char32_t value = text[0] & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if (!isContinuation(text[k])) return false;
    value = (value << 6) | (text[k] & 0x3F);
  }
  static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF) return false;
  *c = value;
  return true;
}

char16_t replacementCharacter(unsigned char) { return u'\uFFFD'; }

}  // namespace

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

std::string utf16ToUtf8(const char16_t* text, size_t size) {
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    const char32_t unit = text[i];
    if (isHighSurrogate(unit) && i + 1 < size && isLowSurrogate(text[i + 1])) {
      appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      appendUtf8(out, unit);  // an unpaired surrogate as its own sequence
    }
  }
  return out;
}

std::string utf16ToUtf8(const std::u16string& text) {
  return utf16ToUtf8(text.data(), text.size());
}

std::u16string utf8ToUtf16(const char* text, size_t size,
                           InvalidByte invalid) {
  if (!invalid) invalid = replacementCharacter;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::u16string out;
  out.reserve(size);
  for (size_t i = 0; i < size;) {
    const size_t length = sequenceLength(bytes[i]);
    char32_t c = 0;
    if (length == 0 || i + length > size || !decode(bytes + i, length, &c)) {
      out += invalid(bytes[i]);
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += char16_t(0xD800 + ((c - 0x10000) >> 10));
      out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += char16_t(c);
    }
    i += length;
  }
  return out;
}

std::u16string utf8ToUtf16(const std::string& text, InvalidByte invalid) {
  return utf8ToUtf16(text.data(), text.size(), invalid);
}

size_t incompleteUtf8Tail(const char* text, size_t size) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  // The lead byte of a sequence still open is among the last three bytes.
  for (size_t back = 1; back <= 3 && back <= size; ++back) {
    const unsigned char byte = bytes[size - back];
    if (isContinuation(byte)) continue;
    const size_t length = sequenceLength(byte);
    if (length <= back) return 0;
    // Only a start that the next bytes can still complete is held back.
    for (size_t k = size - back + 1; k < size; ++k) {
      if (!isContinuation(bytes[k])) return 0;
    }
    return back;
  }
  return 0;
}

}  // namespace platform
}  // namespace tessivar
