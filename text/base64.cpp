#include "text/base64.h"

#include <cstring>

namespace tessivar {

namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void appendWord(std::vector<uint8_t>& bytes, uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(word >> shift));
}

}  // namespace

void appendBase64(std::string& out, const std::vector<uint8_t>& bytes) {
  out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8 | bytes[i + 2];
    out += kAlphabet[group >> 18];
    out += kAlphabet[(group >> 12) & 63];
    out += kAlphabet[(group >> 6) & 63];
    out += kAlphabet[group & 63];
  }
  const size_t left = bytes.size() - i;
  if (left == 0) return;
  uint32_t group = uint32_t(bytes[i]) << 16;
  if (left == 2) group |= uint32_t(bytes[i + 1]) << 8;
  out += kAlphabet[group >> 18];
  out += kAlphabet[(group >> 12) & 63];
  out += left == 2 ? kAlphabet[(group >> 6) & 63] : '=';
  out += '=';
}

void appendLittleEndian(std::vector<uint8_t>& bytes, float value) {
  static_assert(sizeof(float) == 4, "binary32 floats");
  uint32_t word;
  std::memcpy(&word, &value, 4);
  appendWord(bytes, word);
}

void appendLittleEndian(std::vector<uint8_t>& bytes, int32_t value) {
  appendWord(bytes, uint32_t(value));
}

}  // namespace tessivar
