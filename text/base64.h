// Base64 (RFC 4648, with padding) of binary data, and the little-endian
// bytes of 32-bit values, so that numbers reach a reader exactly and the
// same on every system: a page decodes them with atob and a DataView.
#ifndef TESSIVAR_TEXT_BASE64_H_
#define TESSIVAR_TEXT_BASE64_H_

#include <cstdint>
#include <string>
#include <vector>

namespace tessivar {

// Appends the Base64 text of `bytes`.
void appendBase64(std::string& out, const std::vector<uint8_t>& bytes);

// Appends the four little-endian bytes of a value: a float's bit pattern
// as IEEE 754 binary32, an integer's two's complement.
void appendLittleEndian(std::vector<uint8_t>& bytes, float value);
void appendLittleEndian(std::vector<uint8_t>& bytes, int32_t value);

}  // namespace tessivar

#endif  // TESSIVAR_TEXT_BASE64_H_
