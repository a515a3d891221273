#include "islands/report_format.h"

#include "text/numbers.h"

namespace tessivar {

void appendFoldedNumbers(std::string& out,
                         const std::vector<int32_t>& sorted) {
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

void spillWhenLarge(std::string& text, std::ostream& out) {
  if (text.size() < (size_t(1) << 16)) return;
  out.write(text.data(), std::streamsize(text.size()));
  text.clear();
}

void finishSection(std::string& text, std::ostream& out) {
  out.write(text.data(), std::streamsize(text.size()));
  text.clear();
  out.flush();
}

}  // namespace tessivar
