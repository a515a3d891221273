// Standard output and error on POSIX systems (what they do:
// standard_stream.h).
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/standard_stream.h"

namespace tessivar {
namespace platform {

int claimDescriptor(int fd) {
  if (fcntl(fd, F_GETFD) != -1) return 0;
  const int error = errno;
  const int null = open("/dev/null", O_RDWR);
  if (null >= 0 && null != fd) {
    dup2(null, fd);
    close(null);
  }
  return error;
}

bool descriptorIsTerminal(int fd) { return isatty(fd) == 1; }

int writeDescriptor(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t wrote = write(fd, data, size);
    if (wrote > 0) {
      data += wrote;
      size -= size_t(wrote);
      continue;
    }
    if (wrote < 0 && errno == EINTR) continue;
    // Standard output left non-blocking by whoever started the program:
    // wait until it takes more, as a blocking write would.
    if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      struct pollfd ready = {fd, POLLOUT, 0};
      if (poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
    }
    return wrote < 0 ? errno : EIO;
  }
  return 0;
}

StandardStreams::StandardStreams() = default;
StandardStreams::~StandardStreams() = default;

}  // namespace platform
}  // namespace tessivar
