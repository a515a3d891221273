// Writing the tools' output to a descriptor the same way on every system:
// the bytes of the report as they are, every line ending in LF alone.
//
// POSIX: write(2), resumed after signals and waiting on a non-blocking
// descriptor instead of failing.
//
// Windows: WriteFile on the descriptor's handle, bypassing the C
// runtime's text mode, so nothing adds a CR before each LF and a report is
// the same bytes as on Linux in a file or a pipe. A console (cmd,
// PowerShell, Windows Terminal) is no file: it shows text in its own code
// page, so UTF-8 text there (a map name, a file name) is converted to
// UTF-16 and written with WriteConsoleW; bytes that are not UTF-8 are
// shown in the console's code page (the tools show a map name's such bytes
// as \xNN on a console before they get here: frame/stream_text.h).
// Windows errors are reported as the errno values the C library's
// strerror() describes ("Broken pipe", "No space left on device").
#ifndef TESSIVAR_PLATFORM_STANDARD_STREAM_H_
#define TESSIVAR_PLATFORM_STANDARD_STREAM_H_

#include <cstddef>
#include <memory>
#include <streambuf>

namespace tessivar {
namespace platform {

// 0 when `fd` is open. Otherwise EBADF, after pointing `fd` at the null
// device, so that no file the program opens later takes its number and
// receives text meant for it.
int claimDescriptor(int fd);

// Whether `fd` is a terminal that a person reads: a terminal device on
// POSIX systems (isatty), a console on Windows (GetConsoleMode). Text that
// comes from a map file is shown escaped there (frame/stream_text.h), so
// no byte of a file can move the cursor or retitle the window.
bool descriptorIsTerminal(int fd);

// Writes all of `data` to `fd`: 0, or the errno of the write that failed.
// On a console an incomplete UTF-8 sequence at the end is kept back until
// the next write to the same descriptor completes it.
int writeDescriptor(int fd, const char* data, size_t size);

// A stream buffer over a file descriptor, written through writeDescriptor,
// that keeps the errno of the first write that failed; from then on it
// writes nothing. A descriptor that is not open counts as failed from the
// start (EBADF) and is pointed at the null device (claimDescriptor). The
// report's standard output and every file a tool writes go through one.
class DescriptorBuffer : public std::streambuf {
 public:
  explicit DescriptorBuffer(int fd);
  ~DescriptorBuffer() override;
  DescriptorBuffer(const DescriptorBuffer&) = delete;
  DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

  // 0 while every write has succeeded, else the errno of the first failure.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool writeAll(const char* data, size_t size);
  bool drain();

  int fd_;
  int error_ = 0;
  char buffer_[8192];
};

// Held by each tool's main for the life of the run: sets the standard
// streams up as above. On Windows descriptors 1 and 2 are put in binary
// mode (nothing written through the C library gets a CR added either) and
// std::cerr writes through writeDescriptor(2, ...), so its messages show
// on a console as the report does. Nothing to change elsewhere.
class StandardStreams {
 public:
  StandardStreams();
  ~StandardStreams();
  StandardStreams(const StandardStreams&) = delete;
  StandardStreams& operator=(const StandardStreams&) = delete;

 private:
  std::unique_ptr<std::streambuf> errorBuffer_;
  // Windows only: std::cerr's own buffer, given back at the end.
  [[maybe_unused]] std::streambuf* savedErrorBuffer_ = nullptr;
};

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_STANDARD_STREAM_H_
