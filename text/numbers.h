// Numbers as text, the same in every locale.
//
// Reports, JSON documents and SVG coordinates must read the same on a
// machine whose locale writes 1.234,5: every helper here formats with
// std::to_chars, which never looks at the C or C++ locale.
#ifndef TESSIVAR_TEXT_NUMBERS_H_
#define TESSIVAR_TEXT_NUMBERS_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tessivar {

// Appends `value` in decimal ("-42").
void appendInteger(std::string& out, int64_t value);

// Appends the shortest text that reads back as exactly `value` ("120.5",
// "-0", "1e+20"): a valid JSON number for every finite value. Infinities
// and NaN come out as "inf", "-inf", "nan" or "-nan".
void appendShortest(std::string& out, float value);
void appendShortest(std::string& out, double value);

// What appendGeneral writes for an infinity or NaN.
enum class NonFinite {
  kNamed,  // "inf", "-inf", "nan" or "-nan", for a person to see
  kZero,   // "0", for a document that can hold nothing else
};

// Appends `value` for a person to read: at most six significant digits,
// trailing zeros dropped, like printf's %g ("210.404", "45", "1.5e+07").
void appendGeneral(std::string& out, double value, NonFinite nonFinite);

// Appends `value` in fixed notation with at most `decimals` digits after
// the point (0 to 20), trailing zeros and a bare point dropped ("12.5",
// "-3", "0"; never "-0"). A coordinate form: a value that is not finite
// is written as 0 and one beyond +-1e15 as +-1e15, so the text is short
// and always a plain number.
void appendFixed(std::string& out, double value, int decimals);

// Appends ascending numbers (waypoints) with each run of three or more
// consecutive numbers folded: "12-18, 20, 21, 30-32".
void appendFoldedNumbers(std::string& out, const std::vector<int32_t>& sorted);

// JSON arrays as every tool's JSON writes them: "[1, 2, 3]" (integers),
// "[[1, 2], [3, 4]]" (pairs of integers, such as paths from -> to) and
// "[x, y, z]" (a point, each coordinate as appendShortest writes it).
void appendJsonIntegers(std::string& out, const std::vector<int32_t>& values);
void appendJsonIntegerPairs(std::string& out,
                            const std::vector<std::pair<int32_t, int32_t>>& pairs);
void appendJsonPoint(std::string& out, const float* xyz);

// Reads a number of map units from a command line as the C library's
// strtod reads it in the C locale (blanks before it, a sign, decimal or
// hexadecimal digits with a point and an exponent), the same in every
// locale; the whole text must be the number, finite and 0 or more ("-0"
// gives 0, and one too small for a double reads as 0, as strtod reads it).
// False for anything else.
bool parseUnits(const std::string& text, double* value);

}  // namespace tessivar

#endif  // TESSIVAR_TEXT_NUMBERS_H_
