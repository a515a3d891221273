// The report stream in this process, for what the built tools' tests
// (output_failure_test.cpp) cannot set up: a failure at a chosen line, a
// non-blocking output, a descriptor number reused, another exception.
#include "app/report_output.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include <new>
#include <sstream>
#include <string>
#include <thread>

namespace tessivar {
namespace {

// The descriptor calls these tests make, under their Windows names there.
#ifdef _WIN32
int makePipe(int fds[2]) { return _pipe(fds, 4096, _O_BINARY); }
int closeDescriptor(int fd) { return _close(fd); }
int openNullDevice(int flags) { return _open("NUL", flags | _O_BINARY); }
#else
int makePipe(int fds[2]) { return pipe(fds); }
int closeDescriptor(int fd) { return close(fd); }
int openNullDevice(int flags) { return open("/dev/null", flags); }
#endif

// SIGPIPE ignored while it lives, so a write to a pipe without a reader
// fails with EPIPE; Windows has no such signal and always fails the write.
class IgnoreSigpipe {
#ifdef _WIN32
 public:
  bool ok() const { return true; }
#else
 public:
  IgnoreSigpipe() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    ok_ = sigaction(SIGPIPE, &ignore, &previous_) == 0;
  }
  ~IgnoreSigpipe() { sigaction(SIGPIPE, &previous_, nullptr); }
  bool ok() const { return ok_; }

 private:
  struct sigaction previous_ = {};
  bool ok_ = false;
#endif
};

TEST(ReportOutput, ReaderLeavingStopsTheRunWithinALine) {
  int fds[2];
  ASSERT_EQ(makePipe(fds), 0);
  std::ostringstream err;
  int written = 0;
  int status;
  {
    const IgnoreSigpipe ignore;
    ASSERT_TRUE(ignore.ok());
    status = runWithReportOutput(
        err,
        [&](std::ostream& out) {
          for (int k = 0; k < 1000; ++k, ++written) {
            if (k == 2) closeDescriptor(fds[0]);
            out << "line " << k << std::endl;
          }
          return 0;
        },
        fds[1]);
  }
  closeDescriptor(fds[1]);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(written, 2);
  EXPECT_EQ(err.str(), "Couldn't write the report: Broken pipe\n");
}

TEST(ReportOutput, NonBlockingOutputWaitsInsteadOfFailing) {
#ifdef _WIN32
  GTEST_SKIP() << "a Windows pipe of the C runtime can't be made non-blocking";
#else
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(fcntl(fds[1], F_SETFL, fcntl(fds[1], F_GETFL) | O_NONBLOCK), 0);
  size_t received = 0;
  std::thread reader([&] {
    char buffer[4096];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;) received += got;
  });
  std::ostringstream err;
  // A megabyte: far more than the pipe holds, so writes meet a full pipe.
  const int status = runWithReportOutput(
      err,
      [](std::ostream& out) {
        for (int k = 0; k < 1000; ++k) out << std::string(999, 'x') << std::endl;
        return 0;
      },
      fds[1]);
  close(fds[1]);
  reader.join();
  close(fds[0]);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(received, 1000u * 1000u);
#endif
}

TEST(ReportOutput, ClosedDescriptorIsNotHandedToFilesOpenedLater) {
  int fds[2];
  ASSERT_EQ(makePipe(fds), 0);
  const int closed = fds[1];
  closeDescriptor(closed);
  std::ostringstream err;
  int opened = -1;
  const int status = runWithReportOutput(
      err,
      [&](std::ostream& out) {
        opened = openNullDevice(O_RDONLY);
        out << "report" << std::endl;
        return 0;
      },
      closed);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err.str(), "Couldn't write the report: Bad file descriptor\n");
  EXPECT_NE(opened, closed);
  closeDescriptor(opened);
  closeDescriptor(closed);  // the placeholder the stream put there
  closeDescriptor(fds[0]);
}

TEST(ReportOutput, OtherExceptionsPassThrough) {
  const int fd = openNullDevice(O_WRONLY);
  ASSERT_GE(fd, 0);
  std::ostringstream err;
  EXPECT_THROW(runWithReportOutput(
                   err, [](std::ostream&) -> int { throw std::bad_alloc(); }, fd),
               std::bad_alloc);
  closeDescriptor(fd);
  EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace tessivar
