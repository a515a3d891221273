// UTF-8 for every writer: reading one sequence, writing one code point,
// repairing bytes that are not UTF-8 and finding a sequence cut at the end
// of a piece of text.
//
// Map names are 32 bytes taken from a file and file names come from the
// system, so any of them may hold bytes that are not UTF-8; every writer
// walks its text with decodeUtf8() and decides per bad byte what to show.
// One decoder means every tool draws the line between good and bad bytes
// in the same place.
#ifndef TESSIVAR_TEXT_UTF8_H_
#define TESSIVAR_TEXT_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tessivar {

// Whether a surrogate code point (U+D800 to U+DFFF) written as three bytes
// is a sequence: never in UTF-8, but Windows file names may hold unpaired
// surrogates and are carried as such three-byte forms (platform/unicode.h).
enum class Utf8Surrogates { kRejected, kAccepted };

// Length in bytes (1 to 4) of the well-formed UTF-8 sequence at the start
// of `bytes`, with its code point in `*codePoint`; 0 when there is none
// there (an empty view, a stray continuation byte, a lead byte never used,
// an overlong form, a code point above U+10FFFF, a surrogate unless
// accepted, or a sequence cut short), and then `*codePoint` is left as is.
size_t decodeUtf8(std::string_view bytes, char32_t* codePoint,
                  Utf8Surrogates surrogates = Utf8Surrogates::kRejected);

// Appends code point `c` (at most U+10FFFF) in UTF-8. A surrogate is
// written as its own three bytes, as decodeUtf8 with
// Utf8Surrogates::kAccepted reads it back.
void appendUtf8(std::string& out, char32_t c);

// Appends `bytes` with every byte that is not part of a well-formed UTF-8
// sequence replaced by U+FFFD, one per byte: the result is valid UTF-8.
void appendRepairedUtf8(std::string& out, std::string_view bytes);

// How many bytes at the end of `bytes` are the start of a sequence that
// the next bytes may complete (0 to 3): a writer that receives text in
// pieces keeps them for the next piece instead of showing them as bad.
size_t incompleteUtf8Tail(std::string_view bytes);

}  // namespace tessivar

#endif  // TESSIVAR_TEXT_UTF8_H_
