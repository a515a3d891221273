// An output stream that drops everything written to it: the analysis
// phases write report lines that the picture tool does not show.
#ifndef TESSIVAR_SVG_DISCARD_STREAM_H_
#define TESSIVAR_SVG_DISCARD_STREAM_H_

#include <ostream>
#include <streambuf>

namespace tessivar {

// Accepts every character, so the stream never enters a failed state and
// the dropped lines cost next to nothing.
class DiscardBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

class DiscardStream : public std::ostream {
 public:
  DiscardStream() : std::ostream(&buffer_) {}

 private:
  DiscardBuffer buffer_;
};

}  // namespace tessivar

#endif  // TESSIVAR_SVG_DISCARD_STREAM_H_
