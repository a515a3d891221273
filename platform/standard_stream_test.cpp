// Writing to a descriptor: the bytes as given (no CR added on Windows),
// and on Windows a console, which gets UTF-8 as text. A reader gone and a
// descriptor not open: the report stream's and the tools' tests.
#include "platform/standard_stream.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <iostream>
#include <ostream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <stdlib.h>
#include <unistd.h>
#endif

namespace tessivar {
namespace platform {
namespace {

#ifdef _WIN32
int makePipe(int fds[2]) { return _pipe(fds, 1 << 16, _O_BINARY); }
int readSome(int fd, char* buffer, unsigned size) { return _read(fd, buffer, size); }
int closeDescriptor(int fd) { return _close(fd); }
#else
int makePipe(int fds[2]) { return pipe(fds); }
int readSome(int fd, char* buffer, unsigned size) { return int(read(fd, buffer, size)); }
int closeDescriptor(int fd) { return close(fd); }
#endif

std::string readToEnd(int fd) {
  std::string text;
  char buffer[4096];
  for (int got; (got = readSome(fd, buffer, sizeof buffer)) > 0;) {
    text.append(buffer, size_t(got));
  }
  return text;
}

// The report's own line ends: LF, a step line that starts with CR, and
// text in UTF-8 and in no encoding at all.
const std::string kReportBytes =
    "Loading waypoints for map \xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0...\n"
    "\rStep 1 of 6(13 paths found)\n\rcaf\xe9\r\n0->2->3";

TEST(StandardStream, WritesTheBytesAsGiven) {
  int fds[2];
  ASSERT_EQ(makePipe(fds), 0);
  EXPECT_EQ(claimDescriptor(fds[1]), 0);
  EXPECT_EQ(writeDescriptor(fds[1], kReportBytes.data(), 10), 0);
  EXPECT_EQ(writeDescriptor(fds[1], kReportBytes.data() + 10,
                            kReportBytes.size() - 10),
            0);
  closeDescriptor(fds[1]);
  EXPECT_EQ(readToEnd(fds[0]), kReportBytes);
  closeDescriptor(fds[0]);
}

// The buffer holds text until a flush and then writes it as given; over a
// descriptor that is not open it fails from the start with EBADF and
// writes nothing.
TEST(StandardStream, DescriptorBufferKeepsTheFirstError) {
  int fds[2];
  ASSERT_EQ(makePipe(fds), 0);
  {
    DescriptorBuffer buffer(fds[1]);
    std::ostream out(&buffer);
    out << kReportBytes;
    EXPECT_TRUE(out.flush());
    EXPECT_EQ(buffer.error(), 0);
  }
  closeDescriptor(fds[1]);
  EXPECT_EQ(readToEnd(fds[0]), kReportBytes);
  closeDescriptor(fds[0]);

  ASSERT_EQ(makePipe(fds), 0);
  closeDescriptor(fds[0]);
  closeDescriptor(fds[1]);
  DescriptorBuffer closed(fds[1]);
  std::ostream out(&closed);
  EXPECT_EQ(closed.error(), EBADF);
  out << "text" << std::flush;
  EXPECT_FALSE(out.good());
  EXPECT_EQ(closed.error(), EBADF);
  closeDescriptor(fds[1]);  // the null device put in its place
}

#ifdef _WIN32
// std::cerr of a tool writes through writeDescriptor in binary mode: a
// message ends in LF alone, as on Linux.
TEST(StandardStreamWindows, ErrorsEndInLfAlone) {
  int fds[2];
  ASSERT_EQ(makePipe(fds), 0);
  std::cerr.flush();
  const int saved = _dup(2);
  ASSERT_EQ(_dup2(fds[1], 2), 0);
  {
    const StandardStreams streams;
    std::cerr << "Couldn't open file \xe5\x9c\xb0.wpt" << std::endl;
    fputs("C runtime\n", stderr);
    fflush(stderr);
  }
  _dup2(saved, 2);
  _close(saved);
  _close(fds[1]);
  EXPECT_EQ(readToEnd(fds[0]), "Couldn't open file \xe5\x9c\xb0.wpt\nC runtime\n");
  _close(fds[0]);
}

// What a console shows on the line the cursor is on (up to `width`).
std::u16string consoleLine(HANDLE console, SHORT row, int width) {
  std::u16string line(size_t(width), u' ');
  DWORD read = 0;
  ReadConsoleOutputCharacterW(console, reinterpret_cast<wchar_t*>(&line[0]),
                              DWORD(width), COORD{0, row}, &read);
  line.resize(read);
  while (!line.empty() && line.back() == u' ') line.pop_back();
  return line;
}

// Runs only with a console as standard output (the Windows CI step runs it
// under a terminal): UTF-8 split between two writes, and a byte that is no
// UTF-8, shown in the console's code page.
TEST(StandardStreamWindows, ConsoleShowsUtf8AsText) {
  const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(console, &mode)) {
    GTEST_SKIP() << "standard output is no console";
  }
  std::cout.flush();
  const std::string text =
      "\rmap \xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0 \xc3\xa9t\xc3\xa9 caf\xe9";
  // Split inside the first Cyrillic letter and inside the first accented
  // one. The last byte could start a sequence: it is shown once the line
  // end shows it is none.
  const size_t cuts[] = {0, 6, 17, text.size()};
  for (int k = 0; k < 3; ++k) {
    ASSERT_EQ(writeDescriptor(1, text.data() + cuts[k], cuts[k + 1] - cuts[k]), 0);
  }
  ASSERT_EQ(writeDescriptor(1, "\n", 1), 0);
  wchar_t shown = 0;
  const char latin = '\xe9';
  MultiByteToWideChar(GetConsoleOutputCP(), 0, &latin, 1, &shown, 1);
  CONSOLE_SCREEN_BUFFER_INFO info;
  ASSERT_TRUE(GetConsoleScreenBufferInfo(console, &info));
  ASSERT_GT(info.dwCursorPosition.Y, 0);
  const std::u16string line =
      consoleLine(console, SHORT(info.dwCursorPosition.Y - 1), 40);
  EXPECT_EQ(line, u"map \u043a\u0430\u0440\u0442\u0430 \u00e9t\u00e9 caf" +
                      std::u16string(1, char16_t(shown)));
}
#endif

#ifndef _WIN32
// A terminal is one: a new pseudo-terminal is, a pipe and a file are not.
// (tessivar-mend refuses to send a waypoint file to standard output that
// is a terminal by this answer.)
TEST(StandardStream, OnlyATerminalIsATerminal) {
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) {
    GTEST_SKIP() << "no pseudo-terminal can be made here";
  }
  const int side = open(ptsname(terminal), O_RDWR | O_NOCTTY);
  ASSERT_GE(side, 0);
  int fds[2];
  ASSERT_EQ(makePipe(fds), 0);
  const int file = open("/dev/null", O_WRONLY);
  ASSERT_GE(file, 0);
  EXPECT_TRUE(descriptorIsTerminal(side));
  EXPECT_FALSE(descriptorIsTerminal(fds[1]));
  EXPECT_FALSE(descriptorIsTerminal(file));
  for (int fd : {file, fds[0], fds[1], side, terminal}) closeDescriptor(fd);
}
#endif

}  // namespace
}  // namespace platform
}  // namespace tessivar
