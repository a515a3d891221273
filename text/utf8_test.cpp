// The one UTF-8 reader and writer: every code point both ways, every short
// byte string against the writer, the three-byte surrogates Windows names
// need, repair and the tail a writer in pieces holds back.
#include "text/utf8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tessivar {
namespace {

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

TEST(Utf8, EveryCodePointWrittenReadsBack) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    std::string bytes;
    appendUtf8(bytes, c);
    const size_t expected = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    ASSERT_EQ(bytes.size(), expected) << std::hex << uint32_t(c);
    char32_t read = 0xFFFFFFFF;
    ASSERT_EQ(decodeUtf8(bytes + "\x80", &read, Utf8Surrogates::kAccepted),
              expected) << std::hex << uint32_t(c);
    ASSERT_EQ(read, c);
    read = 0xFFFFFFFF;
    const size_t strict = decodeUtf8(bytes, &read);
    if (isSurrogate(c)) {
      ASSERT_EQ(strict, 0u) << std::hex << uint32_t(c);
      ASSERT_EQ(read, char32_t(0xFFFFFFFF)) << "written on failure";
    } else {
      ASSERT_EQ(strict, expected) << std::hex << uint32_t(c);
      ASSERT_EQ(read, c);
    }
  }
}

TEST(Utf8, WrittenFormsOfKnownCodePoints) {
  const struct {
    char32_t c;
    const char* utf8;
  } cases[] = {
      {U'A', "A"},
      {0xE9, "\xC3\xA9"},
      {0x7FF, "\xDF\xBF"},
      {0x800, "\xE0\xA0\x80"},
      {0xD83D, "\xED\xA0\xBD"},  // a lone surrogate: its own three bytes
      {0xFFFD, "\xEF\xBF\xBD"},
      {0x1F5FA, "\xF0\x9F\x97\xBA"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
  };
  for (const auto& c : cases) {
    std::string out = "x";
    appendUtf8(out, c.c);
    EXPECT_EQ(out, std::string("x") + c.utf8) << std::hex << uint32_t(c.c);
  }
  std::string nul;
  appendUtf8(nul, 0);
  EXPECT_EQ(nul, std::string(1, '\0'));
}

TEST(Utf8, NamedBadSequencesAreRejected) {
  for (const char* good : {"\xC3\xA9", "\xE0\xA0\x80", "\xED\x9F\xBF",
                           "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"}) {
    char32_t c;
    EXPECT_EQ(decodeUtf8(good, &c), std::strlen(good));
  }
  for (const char* bad : {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF",
                          "\xED\xA0\x80", "\xED\xBF\xBF", "\xF0\x8F\xBF\xBF",
                          "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80",
                          "\xFE", "\xFF", "\xE2\x86", "\xE2\x86" "A", "\xC3" "A",
                          "\xF0\x9F\x97"}) {
    char32_t c;
    EXPECT_EQ(decodeUtf8(bad, &c), 0u) << int(bad[0] & 0xFF);
  }
  char32_t c;
  EXPECT_EQ(decodeUtf8("", &c), 0u);
  EXPECT_EQ(decodeUtf8(std::string_view("\0x", 2), &c), 1u);
  EXPECT_EQ(c, 0u);
  // Surrogates alone become sequences when accepted; the rest stays bad.
  EXPECT_EQ(decodeUtf8("\xED\xBF\xBF", &c, Utf8Surrogates::kAccepted), 3u);
  EXPECT_EQ(c, 0xDFFFu);
  EXPECT_EQ(decodeUtf8("\xE0\x9F\xBF", &c, Utf8Surrogates::kAccepted), 0u);
  EXPECT_EQ(decodeUtf8("\xF4\x90\x80\x80", &c, Utf8Surrogates::kAccepted), 0u);
  EXPECT_EQ(decodeUtf8("\xED\xA0", &c, Utf8Surrogates::kAccepted), 0u);
}

// Every string of up to three bytes (and four-byte strings over the bytes
// that matter): whatever is read is exactly how the writer writes it, so
// no overlong or otherwise second form gets through.
TEST(Utf8, WhatIsReadIsTheOnlyFormOfItsCodePoint) {
  const auto check = [](const std::string& bytes) {
    for (Utf8Surrogates s : {Utf8Surrogates::kRejected, Utf8Surrogates::kAccepted}) {
      char32_t c = 0;
      const size_t n = decodeUtf8(bytes, &c, s);
      if (n == 0) continue;
      std::string again;
      appendUtf8(again, c);
      if (bytes.compare(0, n, again) != 0 || c > 0x10FFFF ||
          (s == Utf8Surrogates::kRejected && isSurrogate(c))) {
        return false;
      }
    }
    return true;
  };
  std::string bytes(3, '\0');
  for (unsigned a = 0; a < 256; ++a) {
    bytes.resize(1);
    bytes[0] = char(a);
    ASSERT_TRUE(check(bytes)) << a;
    for (unsigned b = 0; b < 256; ++b) {
      bytes.resize(2);
      bytes[1] = char(b);
      ASSERT_TRUE(check(bytes)) << a << ' ' << b;
      if (a < 0xE0) continue;  // a two-byte lead reads no third byte
      bytes.resize(3);
      for (unsigned c = 0; c < 256; ++c) {
        bytes[2] = char(c);
        ASSERT_TRUE(check(bytes)) << a << ' ' << b << ' ' << c;
      }
    }
  }
  bytes.resize(4);
  for (unsigned a = 0xF0; a < 0x100; ++a) {
    for (unsigned b = 0x70; b < 0xD0; ++b) {
      for (unsigned c : {0x7F, 0x80, 0xBF, 0xC0}) {
        for (unsigned d : {0x7F, 0x80, 0xBF, 0xC0}) {
          bytes[0] = char(a), bytes[1] = char(b), bytes[2] = char(c), bytes[3] = char(d);
          ASSERT_TRUE(check(bytes)) << a << ' ' << b << ' ' << c << ' ' << d;
        }
      }
    }
  }
}

TEST(Utf8, RepairReplacesEachBadByte) {
  const std::string kBad = "\xEF\xBF\xBD";  // U+FFFD
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"", ""},
      {"de_dust2", "de_dust2"},
      {std::string("a\0\x1b\x7f", 4), std::string("a\0\x1b\x7f", 4)},  // controls kept
      {"caf\xC3\xA9 \xF0\x9F\x97\xBA", "caf\xC3\xA9 \xF0\x9F\x97\xBA"},
      {"caf\xE9", "caf" + kBad},
      {"\xC0\xAF", kBad + kBad},
      {"\xED\xA0\x80", kBad + kBad + kBad},
      {"ok\xE2\x82", "ok" + kBad + kBad},
      {"\xE2\x82" "A", kBad + kBad + "A"},
      {"\xFF\x80\xC3\xA9", kBad + kBad + "\xC3\xA9"},
  };
  for (const auto& c : cases) {
    std::string out = ">";
    appendRepairedUtf8(out, c.in);
    EXPECT_EQ(out, ">" + c.out) << ::testing::PrintToString(c.in);
  }
}

TEST(Utf8, IncompleteTailIsWhatTheNextBytesCanComplete) {
  const struct {
    std::string text;
    size_t tail;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {"a\xc3", 1},
      {"\xc3", 1},
      {"a\xe5\x9c", 2},
      {"a\xf0\x9f\x97", 3},
      {"a\xf0\x9f", 2},
      {"a\xf0\x9f\x97\xba", 0},  // complete
      {"a\xc3\xa9", 0},
      {"a\x80", 0},              // a stray byte, never completed
      {"a\xe5z", 0},             // broken already
      {"a\xf0z\x80", 0},
      {"\xc1", 0},               // starts no sequence
      {"\xf5\x80", 0},
      {"\xff", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(incompleteUtf8Tail(c.text), c.tail)
        << ::testing::PrintToString(c.text);
  }
}

}  // namespace
}  // namespace tessivar
