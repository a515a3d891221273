#include "frame/report_output.h"

#include <cerrno>
#include <cstring>
#include <ios>

#include "platform/standard_stream.h"

namespace tessivar {

DescriptorBuffer::DescriptorBuffer(int fd) : fd_(fd) {
  setp(buffer_, buffer_ + sizeof buffer_);
  error_ = platform::claimDescriptor(fd_);
}

DescriptorBuffer::~DescriptorBuffer() { drain(); }

bool DescriptorBuffer::writeAll(const char* data, size_t size) {
  if (error_ != 0) return false;
  error_ = platform::writeDescriptor(fd_, data, size);
  return error_ == 0;
}

bool DescriptorBuffer::drain() {
  const size_t pending = size_t(pptr() - pbase());
  setp(buffer_, buffer_ + sizeof buffer_);
  return writeAll(buffer_, pending);
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int DescriptorBuffer::sync() { return drain() ? 0 : -1; }

int runWithReportOutput(std::ostream& err,
                        const std::function<int(std::ostream& out)>& run,
                        int fd) {
  DescriptorBuffer buffer(fd);
  std::ostream out(&buffer);
  // A failed write sets badbit, which then throws out of whatever phase is
  // writing. An exception thrown while formatting (bad_alloc) is rethrown
  // as itself, so the run still reports exhausted memory as it should.
  out.exceptions(std::ios::badbit);
  const auto reportFailure = [&] {
    err << "Couldn't write the report: " << std::strerror(buffer.error())
        << std::endl;
    return 1;
  };
  try {
    const int status = run(out);
    // A run may have caught a failed write itself and reported it in its
    // own words (tessivar-svg writing its picture to standard output): its
    // failure status stands. A run that claims success never hides one.
    if (out.good()) out.flush();
    if (buffer.error() != 0 && status == 0) return reportFailure();
    return status;
  } catch (const std::ios_base::failure&) {
    if (buffer.error() == 0) throw;
    return reportFailure();
  }
}

}  // namespace tessivar
