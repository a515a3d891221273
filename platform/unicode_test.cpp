// UTF-8 and UTF-16 both ways: every length of sequence, surrogate pairs,
// unpaired surrogates (legal in Windows file names) and broken UTF-8.
#include "platform/unicode.h"

#include <gtest/gtest.h>

#include <string>

namespace tessivar {
namespace platform {
namespace {

TEST(Unicode, RoundTripsEveryKindOfText) {
  const struct {
    const char* name;
    std::u16string utf16;
    std::string utf8;
  } cases[] = {
      {"empty", u"", ""},
      {"ASCII", u"de_dust2.wpt", "de_dust2.wpt"},
      {"two bytes", u"\u00e9t\u00e9", "\xc3\xa9t\xc3\xa9"},
      {"three bytes", u"\u5730\u56f3", "\xe5\x9c\xb0\xe5\x9b\xb3"},
      {"surrogate pair", u"\U0001F5FA", "\xf0\x9f\x97\xba"},
      {"lone high surrogate", std::u16string(1, char16_t(0xD83D)), "\xed\xa0\xbd"},
      {"lone low surrogate", std::u16string(1, char16_t(0xDE00)) + u"x",
       "\xed\xb8\x80x"},
      {"low before high", std::u16string{char16_t(0xDC00), char16_t(0xD800)},
       "\xed\xb0\x80\xed\xa0\x80"},
      {"largest code point", u"\U0010FFFF", "\xf4\x8f\xbf\xbf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8);
    EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16);
  }
}

TEST(Unicode, BrokenUtf8BecomesOneReplacementPerByte) {
  const struct {
    const char* name;
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"stray continuation", "a\x80z", u"a\uFFFDz"},
      {"truncated at the end", "a\xe5\x9c", u"a\uFFFD\uFFFD"},
      {"truncated before ASCII", "\xe5\x9cz", u"\uFFFD\uFFFDz"},
      {"overlong slash", "\xc0\xaf", u"\uFFFD\uFFFD"},
      {"overlong three bytes", "\xe0\x80\xaf", u"\uFFFD\uFFFD\uFFFD"},
      {"beyond U+10FFFF", "\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"Latin-1 byte", "caf\xe9", u"caf\uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16);
  }
  // A caller may show such bytes its own way (a console, in its code page).
  const auto latin1 = [](unsigned char byte) { return char16_t(byte); };
  EXPECT_EQ(utf8ToUtf16("caf\xe9 \xc3\xa9", latin1), u"caf\u00e9 \u00e9");
}

}  // namespace
}  // namespace platform
}  // namespace tessivar
