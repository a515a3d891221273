#include "text/base64.h"

#include <gtest/gtest.h>

namespace tessivar {
namespace {

std::string base64Of(const std::string& text) {
  std::string out = ">";
  appendBase64(out, std::vector<uint8_t>(text.begin(), text.end()));
  return out;
}

TEST(Base64, TheStandardVectors) {
  // RFC 4648, section 10: every length of the last group.
  EXPECT_EQ(base64Of(""), ">");
  EXPECT_EQ(base64Of("f"), ">Zg==");
  EXPECT_EQ(base64Of("fo"), ">Zm8=");
  EXPECT_EQ(base64Of("foo"), ">Zm9v");
  EXPECT_EQ(base64Of("foob"), ">Zm9vYg==");
  EXPECT_EQ(base64Of("fooba"), ">Zm9vYmE=");
  EXPECT_EQ(base64Of("foobar"), ">Zm9vYmFy");
  // The last two letters of the alphabet, and every bit of a byte.
  EXPECT_EQ(base64Of("\xFB\xFF\xBF"), ">+/+/");
}

TEST(Base64, ValuesAreLittleEndian) {
  std::vector<uint8_t> bytes;
  appendLittleEndian(bytes, 1.0f);        // 0x3F800000
  appendLittleEndian(bytes, -2);          // 0xFFFFFFFE
  appendLittleEndian(bytes, 0x01020304);
  const std::vector<uint8_t> expected = {0x00, 0x00, 0x80, 0x3F, 0xFE, 0xFF, 0xFF,
                                         0xFF, 0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace tessivar
