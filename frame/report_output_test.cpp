// The report stream in this process, for what the built tools' tests
// (executable_test.cpp) cannot set up: an output left non-blocking, and a
// closed one whose number a file opened later would take.
#include "frame/report_output.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <sstream>
#include <string>
#include <thread>

namespace tessivar {
namespace {

// The null device opened for reading, and a descriptor closed, on either
// system.
#ifdef _WIN32
int openNull() { return _open("NUL", _O_RDONLY | _O_BINARY); }
int closeFd(int fd) { return _close(fd); }
#else
int openNull() { return open("/dev/null", O_RDONLY); }
int closeFd(int fd) { return close(fd); }
#endif

TEST(ReportOutput, NonBlockingOutputWaitsInsteadOfFailing) {
#ifdef _WIN32
  GTEST_SKIP() << "a pipe of the Windows C runtime can't be non-blocking";
#else
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(fcntl(fds[1], F_SETFL, O_NONBLOCK), 0);
  size_t received = 0;
  std::thread reader([&] {
    char buffer[4096];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;)
      received += size_t(got);
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
  const int closed = openNull();  // the lowest free number
  closeFd(closed);
  int opened = -1;
  std::ostringstream err;
  const auto run = [&](std::ostream&) {
    opened = openNull();
    return 0;
  };
  EXPECT_EQ(runWithReportOutput(err, run, closed), 1);
  EXPECT_NE(opened, closed);
  closeFd(opened);
  closeFd(closed);
}

// A tool's output named "-" goes to its report stream; a writer that gives
// up, a stream that fails, or one that throws (as the guarded stream does)
// is a failed output, never a written one.
TEST(ToolOutput, DashWritesToTheStreamAndReportsEveryFailure) {
  using platform::OutputStatus;
  const platform::OutputWriter hello = [](std::ostream& file) {
    file << "hello";
    return bool(file);
  };
  std::ostringstream good;
  EXPECT_EQ(writeToolOutput("-", "map.wpt", good, hello), OutputStatus::kOk);
  EXPECT_EQ(good.str(), "hello");

  std::ostringstream abandoned;
  EXPECT_EQ(writeToolOutput("-", "map.wpt", abandoned,
                            [](std::ostream&) { return false; }),
            OutputStatus::kFailed);

  std::ostringstream failing;
  failing.setstate(std::ios_base::badbit);
  EXPECT_EQ(writeToolOutput("-", "map.wpt", failing, hello), OutputStatus::kFailed);

  std::ostringstream throwing;
  throwing.exceptions(std::ios_base::badbit);
  const platform::OutputWriter fails = [](std::ostream& file) {
    file.setstate(std::ios_base::badbit);  // throws: the stream's exceptions
    return true;
  };
  EXPECT_EQ(writeToolOutput("-", "map.wpt", throwing, fails), OutputStatus::kFailed);
}

}  // namespace
}  // namespace tessivar
