// The pieces both forms of the islands report are written with: numbers
// written the same way whatever the locale, strings made safe for a JSON
// document or a terminal line, and waypoint lists folded into runs.
#ifndef TESSIVAR_ISLANDS_REPORT_FORMAT_H_
#define TESSIVAR_ISLANDS_REPORT_FORMAT_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tessivar {

// Appends `value` in decimal.
void appendInteger(std::string& out, int64_t value);

// Appends the shortest text that reads back as exactly `value` ("120.5",
// "-0", "1e+20"). Valid as a JSON number for every finite value.
void appendShortest(std::string& out, float value);
void appendShortest(std::string& out, double value);

// Appends `value` with at most six significant digits, like printf's %g
// ("210.404", "45", "1.5e+07"), for people to read.
void appendReadable(std::string& out, double value);

// Length in bytes of the well-formed UTF-8 sequence at the start of
// `bytes` (overlong forms, surrogates and code points above U+10FFFF are
// not well-formed), or 0 when there is none.
size_t utf8SequenceLength(std::string_view bytes);

// Appends `bytes` as a JSON string with its quotes. Quote, backslash and
// control characters are escaped; every byte that is not part of a
// well-formed UTF-8 sequence becomes U+FFFD, written \ufffd. The result is
// valid JSON for any bytes.
void appendJsonString(std::string& out, std::string_view bytes);

// Appends `bytes` for a terminal line: well-formed UTF-8 other than control
// characters is kept; control characters (C0, DEL and C1) and bytes that
// are not well-formed UTF-8 are shown as \xNN, one per byte, so nothing can
// move the cursor or change the terminal. With `quoted` (a map name between
// double quotes), a double quote is shown as \" and a backslash as \\, so
// the quoted text reads back exactly; unquoted text (a file name) keeps its
// backslashes, so a Windows path reads as the user typed it.
void appendTerminalText(std::string& out, std::string_view bytes,
                        bool quoted = false);

// Appends ascending waypoint numbers with each run of three or more
// consecutive numbers folded: "12-18, 20, 21, 30-32".
void appendFoldedNumbers(std::string& out, const std::vector<int32_t>& sorted);

// Writes `text` to `out` and empties it once it holds 64 KiB or more, so a
// long section goes out in large blocks without being held whole.
void spillWhenLarge(std::string& text, std::ostream& out);

// Writes what is left of `text` and flushes `out`: the end of one file's
// section.
void finishSection(std::string& text, std::ostream& out);

}  // namespace tessivar

#endif  // TESSIVAR_ISLANDS_REPORT_FORMAT_H_
