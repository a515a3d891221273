// The report stream over a file descriptor, in this process: what reaches
// the descriptor, and how a failed write ends the run.
#include "app/report_output.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <sstream>
#include <string>
#include <thread>

namespace tessivar {
namespace {

// Everything a pipe's read end gives until its writers have all gone.
std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, size_t(got));
  return text;
}

// A run that writes `lines` flushed lines and counts how many it got past.
struct CountingRun {
  int lines = 5;
  int written = 0;
  int operator()(std::ostream& out) {
    for (int k = 0; k < lines; ++k) {
      out << "line " << k << std::endl;
      ++written;
    }
    out << "no line end";
    return 7;
  }
};

std::string failureLine(int error) {
  return std::string("Couldn't write the report: ") + std::strerror(error) + "\n";
}

TEST(ReportOutput, WritesEverythingAndPassesTheStatusOn) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::ostringstream err;
  CountingRun run;
  EXPECT_EQ(runWithReportOutput(err, std::ref(run), fds[1]), 7);
  close(fds[1]);
  std::string expected;
  for (int k = 0; k < 5; ++k) expected += "line " + std::to_string(k) + "\n";
  // The last line has no line end; it is written when the run returns.
  EXPECT_EQ(readAll(fds[0]), expected + "no line end");
  close(fds[0]);
  EXPECT_EQ(err.str(), "");
}

TEST(ReportOutput, FullDeviceStopsTheRunAtTheFirstLine) {
  const int fd = open("/dev/full", O_WRONLY);
  if (fd < 0) GTEST_SKIP() << "no /dev/full here";
  std::ostringstream err;
  CountingRun run;
  EXPECT_EQ(runWithReportOutput(err, std::ref(run), fd), 1);
  close(fd);
  EXPECT_EQ(run.written, 0) << "the run went on after the failed line";
  EXPECT_EQ(err.str(), failureLine(ENOSPC));
}

TEST(ReportOutput, ReaderGoneWithSigpipeIgnoredIsBrokenPipe) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGPIPE, &ignore, &previous), 0);
  std::ostringstream err;
  CountingRun run;
  const int status = runWithReportOutput(err, std::ref(run), fds[1]);
  sigaction(SIGPIPE, &previous, nullptr);
  close(fds[1]);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(run.written, 0);
  EXPECT_EQ(err.str(), failureLine(EPIPE));
}

TEST(ReportOutput, ClosedDescriptorFailsAndIsNotReused) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int closed = fds[1];
  close(closed);
  std::ostringstream err;
  CountingRun run;
  int reopened = -1;
  const int status = runWithReportOutput(
      err,
      [&](std::ostream& out) {
        // A file opened during the run must not get the report's number.
        reopened = open("/dev/null", O_RDONLY);
        return run(out);
      },
      closed);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(run.written, 0);
  EXPECT_EQ(err.str(), failureLine(EBADF));
  EXPECT_NE(reopened, closed);
  close(reopened);
  close(closed);  // the placeholder the stream put there
  close(fds[0]);
}

TEST(ReportOutput, FailureMidRunStopsWithinALine) {
  // A reader that takes the first two lines and leaves.
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
        for (int k = 0; k < 1000; ++k) {
          if (k == 2) close(fds[0]);
          out << "line " << k << std::endl;
          ++written;
        }
        return 0;
      },
      fds[1]);
  sigaction(SIGPIPE, &previous, nullptr);
  close(fds[1]);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(written, 2);
  EXPECT_EQ(err.str(), failureLine(EPIPE));
}

TEST(ReportOutput, NonBlockingOutputWaitsInsteadOfFailing) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(fcntl(fds[1], F_SETFL, fcntl(fds[1], F_GETFL) | O_NONBLOCK), 0);
  std::string received;
  std::thread reader([&] { received = readAll(fds[0]); });
  // Far more than a pipe holds, so writes meet a full pipe.
  const std::string line(999, 'x');
  std::ostringstream err;
  const int status = runWithReportOutput(
      err,
      [&](std::ostream& out) {
        for (int k = 0; k < 1000; ++k) out << line << std::endl;
        return 0;
      },
      fds[1]);
  close(fds[1]);
  reader.join();
  close(fds[0]);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(received.size(), 1000u * 1000u);
}

TEST(ReportOutput, OtherExceptionsPassThrough) {
  const int fd = open("/dev/null", O_WRONLY);
  ASSERT_GE(fd, 0);
  std::ostringstream err;
  EXPECT_THROW(runWithReportOutput(
                   err,
                   [](std::ostream& out) -> int {
                     out << "fine" << std::endl;
                     throw std::bad_alloc();
                   },
                   fd),
               std::bad_alloc);
  close(fd);
  EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace tessivar
