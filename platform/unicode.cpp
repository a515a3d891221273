#include "platform/unicode.h"

#include <string_view>

#include "text/utf8.h"

namespace tessivar {
namespace platform {

namespace {

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

char16_t replacementCharacter(unsigned char) { return u'\uFFFD'; }

}  // namespace

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
  const std::string_view bytes(text, size);
  std::u16string out;
  out.reserve(size);
  for (size_t i = 0; i < size;) {
    char32_t c = 0;
    const size_t length =
        decodeUtf8(bytes.substr(i), &c, Utf8Surrogates::kAccepted);
    if (length == 0) {
      out += invalid(static_cast<unsigned char>(bytes[i]));
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

}  // namespace platform
}  // namespace tessivar
