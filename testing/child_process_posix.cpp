// Runs child processes on POSIX systems (what it does: child_process.h).
#include "testing/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace tessivar {
namespace testing {

std::string findOnPath(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    return access(program.c_str(), X_OK) == 0 ? program : "";
  }
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  dirs += ":/usr/sbin:/sbin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate =
        dirs.substr(start, end - start) + "/" + program;
    if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

bool underWine() { return false; }

namespace {

// Where the child's standard output or error goes.
enum class Sink {
  kPipe,        // a pipe this process reads
  kReaderGone,  // a pipe whose reader has left before the child starts
  kTerminal,    // a pseudo-terminal in raw mode, so the bytes arrive as
                // written (no CR added before LF); this process reads its
                // other side
};

// The child's end and this process's end of one sink.
struct Channel {
  int child = -1;
  int parent = -1;
};

void closeChannel(Channel& channel) {
  if (channel.child >= 0) close(channel.child);
  if (channel.parent >= 0) close(channel.parent);
  channel = Channel();
}

bool openChannel(Sink sink, Channel& channel) {
  if (sink != Sink::kTerminal) {
    int ends[2];
    if (pipe(ends) != 0) return false;
    channel.parent = ends[0];
    channel.child = ends[1];
    if (sink == Sink::kReaderGone) {
      close(channel.parent);
      channel.parent = -1;
    }
    return true;
  }
  channel.parent = posix_openpt(O_RDWR | O_NOCTTY);
  if (channel.parent < 0) return false;
  const char* name = nullptr;
  if (grantpt(channel.parent) == 0 && unlockpt(channel.parent) == 0) {
    name = ptsname(channel.parent);
  }
  if (name) channel.child = open(name, O_RDWR | O_NOCTTY);
  struct termios mode;
  if (channel.child < 0 || tcgetattr(channel.child, &mode) != 0) {
    closeChannel(channel);
    return false;
  }
  cfmakeraw(&mode);
  if (tcsetattr(channel.child, TCSANOW, &mode) != 0) {
    closeChannel(channel);
    return false;
  }
  return true;
}

ChildResult runChildWith(const std::vector<std::string>& argv, double timeoutSeconds,
                         Sink outSink, Sink errSink,
                         const std::string& workingDirectory) {
  ChildResult result;
  if (argv.empty()) return result;
  const std::string program = findOnPath(argv[0]);
  if (program.empty()) return result;

  Channel out, err;
  if (!openChannel(outSink, out)) return result;
  if (!openChannel(errSink, err)) {
    closeChannel(out);
    return result;
  }
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  const auto begin = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGPIPE, SIG_DFL);  // as from a shell, whatever this process does
    dup2(out.child, STDOUT_FILENO);
    dup2(err.child, STDERR_FILENO);
    for (Channel* channel : {&out, &err}) {
      if (channel->parent >= 0) close(channel->parent);
      if (channel->child > STDERR_FILENO) close(channel->child);
    }
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) {
      _exit(127);
    }
    execv(program.c_str(), args.data());
    _exit(127);
  }
  close(out.child);
  close(err.child);
  if (pid < 0) {
    if (out.parent >= 0) close(out.parent);
    if (err.parent >= 0) close(err.parent);
    return result;
  }
  result.started = true;

  // Drain both until the child closes them, so neither can fill up and
  // stall it; kill it once the time limit has passed. A terminal's side
  // reads as failing (EIO) once the child has closed its end.
  struct pollfd fds[2] = {{out.parent, POLLIN, 0}, {err.parent, POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = (out.parent >= 0) + (err.parent >= 0);
  while (open > 0) {
    const double elapsed = std::chrono::duration<double>(
                               std::chrono::steady_clock::now() - begin)
                               .count();
    if (elapsed > timeoutSeconds && !result.timedOut) {
      result.timedOut = true;
      kill(pid, SIGKILL);
    }
    const int ready = poll(fds, 2, 100);
    if (ready < 0 && errno != EINTR) break;
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) {
        continue;
      }
      char buffer[4096];
      const ssize_t got = read(fds[k].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[k]->append(buffer, size_t(got));
      } else if (got == 0 || errno != EINTR) {
        close(fds[k].fd);
        fds[k].fd = -1;
        --open;
      }
    }
  }
  for (const struct pollfd& fd : fds) {
    if (fd.fd >= 0) close(fd.fd);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.seconds = std::chrono::duration<double>(
                       std::chrono::steady_clock::now() - begin)
                       .count();
  if (WIFEXITED(status)) {
    result.exited = true;
    result.status = WEXITSTATUS(status);
    if (result.status == 127 && result.out.empty() && result.err.empty()) {
      result.started = false;  // execv failed
    }
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

}  // namespace

ChildResult runChild(const std::vector<std::string>& argv,
                     double timeoutSeconds, bool readerGone,
                     const std::string& workingDirectory) {
  return runChildWith(argv, timeoutSeconds, readerGone ? Sink::kReaderGone : Sink::kPipe,
                      Sink::kPipe, workingDirectory);
}

ChildResult runChildOnTerminal(const std::vector<std::string>& argv, bool errorToo,
                               double timeoutSeconds) {
  return runChildWith(argv, timeoutSeconds, Sink::kTerminal,
                      errorToo ? Sink::kTerminal : Sink::kPipe, "");
}

}  // namespace testing
}  // namespace tessivar
