#include "text/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
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

// The white space strtod skips before a number, in the C locale.
bool isLeadingSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool isDigitOf(char c, bool hex) {
  if (c >= '0' && c <= '9') return true;
  return hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

// Where the number written in [first, last) (digits with an optional point,
// then an optional exponent: e for decimal, p for hexadecimal, where it
// counts powers of 2) stands against 1: above 0 when it is at least 1 in
// magnitude, below 0 when it is less. Only asked about numbers from_chars
// found out of a double's range, which lie so far from 1 that the rough
// order of magnitude taken here decides which way they went out of it.
int64_t orderOfMagnitude(const char* first, const char* last, bool hex) {
  const char* p = first;
  bool point = false, nonZero = false;
  int64_t wholeDigits = 0, zerosAfterPoint = 0;
  for (; p < last && (isDigitOf(*p, hex) || (*p == '.' && !point)); ++p) {
    if (*p == '.') {
      point = true;
    } else if (nonZero || *p != '0') {
      nonZero = true;
      if (!point) ++wholeDigits;
    } else if (point) {
      ++zerosAfterPoint;
    }
  }
  int64_t order = wholeDigits > 0 ? wholeDigits - 1 : -(zerosAfterPoint + 1);
  if (hex) order *= 4;  // bits per hexadecimal digit
  if (p < last && (*p == (hex ? 'p' : 'e') || *p == (hex ? 'P' : 'E'))) {
    ++p;
    const bool negative = p < last && *p == '-';
    if (p < last && (*p == '-' || *p == '+')) ++p;
    int64_t exponent = 0;
    for (; p < last && *p >= '0' && *p <= '9'; ++p) {
      exponent = std::min<int64_t>(exponent * 10 + (*p - '0'), int64_t(1) << 40);
    }
    order += negative ? -exponent : exponent;
  }
  return order;
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
  // Read as C's strtod reads a number in the C locale (blanks before it, a
  // sign, decimal or hexadecimal digits), with from_chars, which reads the
  // same digits in every locale; the whole text must be the number.
  const char* first = text.data();
  const char* last = first + text.size();
  while (first < last && isLeadingSpace(*first)) ++first;
  const bool negative = first < last && *first == '-';
  if (first < last && (*first == '-' || *first == '+')) ++first;
  // from_chars takes a sign of its own, which strtod would not read here.
  if (first == last || *first == '-' || *first == '+') return false;
  const bool hex = last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X');
  if (hex) first += 2;
  if (hex && (*first == '-' || *first == '+')) return false;
  double parsed = 0;
  const std::from_chars_result r = std::from_chars(
      first, last, parsed, hex ? std::chars_format::hex : std::chars_format::general);
  if (r.ptr != last) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Too big for a double is not finite; too small reads as 0, as strtod
    // reads it (1e-400).
    if (orderOfMagnitude(first, last, hex) >= 0) return false;
    parsed = 0;
  } else if (r.ec != std::errc()) {
    return false;
  }
  if (negative) parsed = -parsed;
  if (!std::isfinite(parsed) || parsed < 0) return false;
  *value = parsed + 0.0;  // -0 becomes 0
  return true;
}

void appendJsonIntegers(std::string& out, const std::vector<int32_t>& values) {
  out += '[';
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ", ";
    appendInteger(out, values[i]);
  }
  out += ']';
}

void appendJsonIntegerPairs(std::string& out,
                            const std::vector<std::pair<int32_t, int32_t>>& pairs) {
  out += '[';
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (i > 0) out += ", ";
    out += '[';
    appendInteger(out, pairs[i].first);
    out += ", ";
    appendInteger(out, pairs[i].second);
    out += ']';
  }
  out += ']';
}

void appendJsonPoint(std::string& out, const float* xyz) {
  out += '[';
  for (int axis = 0; axis < 3; ++axis) {
    if (axis > 0) out += ", ";
    appendShortest(out, xyz[axis]);
  }
  out += ']';
}

}  // namespace tessivar
