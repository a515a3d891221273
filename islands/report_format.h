// What both forms of the islands report share beyond the text helpers of
// text/: waypoint lists folded into runs, and sections written out in
// large blocks as they grow.
#ifndef TESSIVAR_ISLANDS_REPORT_FORMAT_H_
#define TESSIVAR_ISLANDS_REPORT_FORMAT_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tessivar {

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
