#include "islands/islands_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace tessivar {

namespace {

IslandsOptions refuse(std::string why) {
  IslandsOptions options;
  options.error = std::move(why);
  return options;
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

bool parseMaxRise(const std::string& text, double* value) {
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

IslandsOptions parseIslandsOptions(int argc, const char* const* argv) {
  IslandsOptions options;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] ? argv[i] : "";
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--max-rise" || arg.rfind("--max-rise=", 0) == 0) {
      std::string value;
      if (arg == "--max-rise") {
        if (i + 1 >= argc || !argv[i + 1]) {
          return refuse("--max-rise needs a number of units");
        }
        value = argv[++i];
      } else {
        value = arg.substr(11);
      }
      if (!parseMaxRise(value, &options.maxRise)) {
        return refuse("--max-rise takes a finite number of units, 0 or more, "
                      "not '" + value + "'");
      }
    } else {
      return refuse("unknown option '" + arg + "'");
    }
  }
  if (options.files.empty()) return refuse("no waypoint file given");
  options.ok = true;
  return options;
}

}  // namespace tessivar
