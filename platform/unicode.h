// Text between the UTF-8 the tools work in and the UTF-16 of the Windows
// API. Written in plain C++ on the UTF-8 reader and writer of text/utf8.h,
// so that the conversion is the same, and tested, on every system.
//
// A Windows file name is a sequence of 16-bit units that need not be valid
// UTF-16: an unpaired surrogate is a legal name. Such a unit is carried in
// UTF-8 as the three bytes it would have as a code point (the extension
// known as WTF-8), so every name given on a command line survives the trip
// to UTF-8 and back to the file system unchanged.
#ifndef TESSIVAR_PLATFORM_UNICODE_H_
#define TESSIVAR_PLATFORM_UNICODE_H_

#include <cstddef>
#include <string>

namespace tessivar {
namespace platform {

// UTF-16 (unpaired surrogates included) as UTF-8.
std::string utf16ToUtf8(const char16_t* text, size_t size);
std::string utf16ToUtf8(const std::u16string& text);

// What a byte that is not part of a UTF-8 sequence becomes.
using InvalidByte = char16_t (*)(unsigned char byte);

// UTF-8 (and the three-byte surrogates above) as UTF-16. Each byte that
// starts no valid sequence (a stray continuation byte, an overlong or
// truncated sequence, a code point beyond U+10FFFF) becomes
// `invalid(byte)`, by default U+FFFD.
std::u16string utf8ToUtf16(const char* text, size_t size,
                           InvalidByte invalid = nullptr);
std::u16string utf8ToUtf16(const std::string& text,
                           InvalidByte invalid = nullptr);

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_UNICODE_H_
