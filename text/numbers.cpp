#include "text/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace tessivar {

namespace {

// Room for any number written here: the longest is a fixed value of 16
// digits before the point and 20 after it, or a shortest double (24).
constexpr size_t kBufferSize = 64;
constexpr int kMostDecimals = 20;

// Appends what std::to_chars writes.
template <typename Write>
void appendChars(std::string& out, Write write) {
  char buffer[kBufferSize];
  const std::to_chars_result r = write(buffer, buffer + sizeof buffer);
  out.append(buffer, r.ptr);
}

}  // namespace

void appendInteger(std::string& out, int64_t value) {
  appendChars(out, [value](char* first, char* last) {
    return std::to_chars(first, last, value);
  });
}

void appendShortest(std::string& out, float value) {
  appendChars(out, [value](char* first, char* last) {
    return std::to_chars(first, last, value);
  });
}

void appendShortest(std::string& out, double value) {
  appendChars(out, [value](char* first, char* last) {
    return std::to_chars(first, last, value);
  });
}

void appendGeneral(std::string& out, double value, NonFinite nonFinite) {
  if (nonFinite == NonFinite::kZero && !std::isfinite(value)) value = 0;
  appendChars(out, [value](char* first, char* last) {
    return std::to_chars(first, last, value, std::chars_format::general, 6);
  });
}

void appendFixed(std::string& out, double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  value = std::clamp(value, -1e15, 1e15);
  decimals = std::clamp(decimals, 0, kMostDecimals);
  char buffer[kBufferSize];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::fixed, decimals);
  char* end = result.ptr;
  if (std::find(buffer, end, '.') != end) {
    while (end[-1] == '0') --end;
    if (end[-1] == '.') --end;
  }
  std::string_view text(buffer, size_t(end - buffer));
  if (text == "-0") text = "0";
  out += text;
}

void appendFoldedNumbers(std::string& out, const std::vector<int32_t>& sorted) {
  size_t i = 0;
  while (i < sorted.size()) {
    size_t j = i;
    while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] + 1) ++j;
    if (i > 0) out += ", ";
    if (j - i >= 2) {
      appendInteger(out, sorted[i]);
      out += '-';
      appendInteger(out, sorted[j]);
      i = j + 1;
    } else {
      appendInteger(out, sorted[i]);
      ++i;
    }
  }
}

bool parseUnits(const std::string& text, double* value) {
  // from_chars reads the same digits in every locale, accepts no leading
  // space or sign, and refuses values beyond the range of a double.
  const char* first = text.data();
  const char* last = first + text.size();
  double parsed = 0;
  const std::from_chars_result r =
      std::from_chars(first, last, parsed, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != last) return false;
  if (!std::isfinite(parsed) || parsed < 0) return false;
  *value = parsed + 0.0;  // -0 becomes 0
  return true;
}

}  // namespace tessivar
