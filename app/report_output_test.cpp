// The report stream in this process, for what the built tools' tests
// (output_failure_test.cpp) cannot set up: a failure at a chosen line, a
// non-blocking output, a descriptor number reused, another exception.
#include "app/report_output.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <new>
#include <sstream>
#include <string>
#include <thread>

namespace tessivar {
namespace {

TEST(ReportOutput, ReaderLeavingStopsTheRunWithinALine) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGPIPE, &ignore, &previous), 0);
  std::ostringstream err;
  int written = 0;
  const int status = runWithReportOutput(
      err,
      [&](std::ostream& out) {
        for (int k = 0; k < 1000; ++k, ++written) {
          if (k == 2) close(fds[0]);
          out << "line " << k << std::endl;
        }
        return 0;
      },
      fds[1]);
  sigaction(SIGPIPE, &previous, nullptr);
  close(fds[1]);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(written, 2);
  EXPECT_EQ(err.str(), "Couldn't write the report: Broken pipe\n");
}

TEST(ReportOutput, NonBlockingOutputWaitsInsteadOfFailing) {
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
}

TEST(ReportOutput, ClosedDescriptorIsNotHandedToFilesOpenedLater) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int closed = fds[1];
  close(closed);
  std::ostringstream err;
  int opened = -1;
  const int status = runWithReportOutput(
      err,
      [&](std::ostream& out) {
        opened = open("/dev/null", O_RDONLY);
        out << "report" << std::endl;
        return 0;
      },
      closed);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err.str(), "Couldn't write the report: Bad file descriptor\n");
  EXPECT_NE(opened, closed);
  close(opened);
  close(closed);  // the placeholder the stream put there
  close(fds[0]);
}

TEST(ReportOutput, OtherExceptionsPassThrough) {
  const int fd = open("/dev/null", O_WRONLY);
  ASSERT_GE(fd, 0);
  std::ostringstream err;
  EXPECT_THROW(runWithReportOutput(
                   err, [](std::ostream&) -> int { throw std::bad_alloc(); }, fd),
               std::bad_alloc);
  close(fd);
  EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace tessivar
