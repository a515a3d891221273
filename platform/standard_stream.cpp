// The part of standard_stream.h that is the same on every system: the
// buffered stream over writeDescriptor.
#include "platform/standard_stream.h"

namespace tessivar {
namespace platform {

DescriptorBuffer::DescriptorBuffer(int fd) : fd_(fd) {
  setp(buffer_, buffer_ + sizeof buffer_);
  error_ = claimDescriptor(fd_);
}

DescriptorBuffer::~DescriptorBuffer() { drain(); }

bool DescriptorBuffer::writeAll(const char* data, size_t size) {
  if (error_ != 0) return false;
  error_ = writeDescriptor(fd_, data, size);
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

}  // namespace platform
}  // namespace tessivar
