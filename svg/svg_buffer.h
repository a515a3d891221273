// A write buffer for hand-built SVG: `<<` appends markup as is, numbers
// locale-free (doubles as coordinates with two decimals), XmlText as
// escaped text and General as a %g value. Bytes go to the stream in large
// blocks, so a picture of thousands of elements costs a few writes.
#ifndef TESSIVAR_SVG_SVG_BUFFER_H_
#define TESSIVAR_SVG_SVG_BUFFER_H_

#include <cstdint>
#include <ios>
#include <ostream>
#include <string>
#include <string_view>

#include "text/escape.h"
#include "text/numbers.h"

namespace tessivar {

struct XmlText {
  std::string_view bytes;  // any bytes; escaped and cleaned when written
};

struct General {
  double value;  // written like %g with 6 significant digits, not finite as 0
};

class SvgBuffer {
 public:
  explicit SvgBuffer(std::ostream& out) : out_(out) { buf_.reserve(kBlock); }
  SvgBuffer(const SvgBuffer&) = delete;
  SvgBuffer& operator=(const SvgBuffer&) = delete;
  // Writes what is left. The stream may throw on a failed write (standard
  // output does); a destructor must not, so the failure stays in the
  // stream's state, where the caller looks. Writers call flush() at their
  // end, so an exception normally leaves from there.
  ~SvgBuffer() {
    try {
      flush();
    } catch (const std::ios_base::failure&) {
    }
  }

  SvgBuffer& operator<<(std::string_view markup) {
    buf_ += markup;
    return spill();
  }
  SvgBuffer& operator<<(const char* markup) {
    return *this << std::string_view(markup);
  }
  SvgBuffer& operator<<(char c) {
    buf_ += c;
    return spill();
  }
  SvgBuffer& operator<<(double coordinate) {
    appendFixed(buf_, coordinate, 2);
    return spill();
  }
  SvgBuffer& operator<<(int32_t value) { return *this << int64_t(value); }
  SvgBuffer& operator<<(uint64_t value) { return *this << int64_t(value); }
  SvgBuffer& operator<<(int64_t value) {
    appendInteger(buf_, value);
    return spill();
  }
  SvgBuffer& operator<<(XmlText text) {
    appendXmlText(buf_, text.bytes);
    return spill();
  }
  SvgBuffer& operator<<(General g) {
    appendGeneral(buf_, g.value, NonFinite::kZero);
    return spill();
  }

  void flush() {
    if (!buf_.empty()) out_.write(buf_.data(), std::streamsize(buf_.size()));
    buf_.clear();
  }

 private:
  static constexpr size_t kBlock = 1 << 16;

  SvgBuffer& spill() {
    if (buf_.size() >= kBlock) flush();
    return *this;
  }

  std::ostream& out_;
  std::string buf_;
};

}  // namespace tessivar

#endif  // TESSIVAR_SVG_SVG_BUFFER_H_
