// Runs child processes on POSIX systems (what it does: child_process.h).
#include "testing/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

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

struct FifoFeeder::Writer {
  pid_t pid;
};

FifoFeeder::FifoFeeder(const std::string& path,
                       const std::vector<uint8_t>& bytes)
    : path_(path) {
  unlink(path.c_str());
  if (mkfifo(path.c_str(), 0600) != 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    // Blocks until a reader opens the FIFO; a reader that leaves early
    // ends this process by SIGPIPE, which is all there is to do then.
    const int fd = open(path.c_str(), O_WRONLY);
    if (fd < 0) _exit(1);
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) _exit(1);
      done += size_t(wrote);
    }
    _exit(0);
  }
  if (pid > 0) writer_.reset(new Writer{pid});
}

FifoFeeder::~FifoFeeder() {
  if (writer_) {
    kill(writer_->pid, SIGKILL);
    while (waitpid(writer_->pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  unlink(path_.c_str());
}

bool underWine() { return false; }

ChildResult runChild(const std::vector<std::string>& argv,
                     double timeoutSeconds) {
  ChildOptions options;
  options.timeoutSeconds = timeoutSeconds;
  return runChild(argv, options);
}

ChildResult runChild(const std::vector<std::string>& argv,
                     const ChildOptions& options) {
  using Output = ChildOptions::Output;
  ChildResult result;
  if (argv.empty()) return result;
  const std::string program = findOnPath(argv[0]);
  if (program.empty()) return result;

  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0) return result;
  if (pipe(errPipe) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return result;
  }
#ifdef F_SETPIPE_SZ
  if (options.pipeCapacity > 0) fcntl(outPipe[1], F_SETPIPE_SZ, options.pipeCapacity);
#endif
  // A reader that leaves at once is gone before the child starts: its very
  // first write finds no reader.
  const bool leaveAtOnce = options.output == Output::kCaptured &&
                           options.readerLeaves &&
                           options.readerLeavesAfter.empty();
  if (leaveAtOnce || options.output != Output::kCaptured) {
    close(outPipe[0]);
    outPipe[0] = -1;
  }
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  const auto begin = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (options.ignoreSigpipe) signal(SIGPIPE, SIG_IGN);
    if (options.addressSpaceLimit > 0) {
      struct rlimit limit;
      getrlimit(RLIMIT_AS, &limit);
      limit.rlim_cur = options.addressSpaceLimit;
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
    }
    if (options.output == Output::kFile) {
      const int fd = open(options.outputFile.c_str(), O_WRONLY);
      if (fd < 0) _exit(126);
      dup2(fd, STDOUT_FILENO);
      close(fd);
    } else if (options.output == Output::kClosed) {
      close(STDOUT_FILENO);
    } else {
      dup2(outPipe[1], STDOUT_FILENO);
    }
    dup2(errPipe[1], STDERR_FILENO);
    if (outPipe[0] >= 0) close(outPipe[0]);
    close(outPipe[1]);
    close(errPipe[0]);
    close(errPipe[1]);
    execv(program.c_str(), args.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  if (pid < 0) {
    if (outPipe[0] >= 0) close(outPipe[0]);
    close(errPipe[0]);
    return result;
  }
  result.started = true;

  // Drain both pipes until the child closes them, so neither can fill up
  // and stall it; kill it once the time limit has passed.
  struct pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = outPipe[0] >= 0 ? 2 : 1;
  while (open > 0) {
    const double elapsed = std::chrono::duration<double>(
                               std::chrono::steady_clock::now() - begin)
                               .count();
    if (elapsed > options.timeoutSeconds && !result.timedOut) {
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
      bool leaving = false;
      if (got > 0) {
        sinks[k]->append(buffer, size_t(got));
        leaving = k == 0 && options.readerLeaves &&
                  result.out.find(options.readerLeavesAfter) != std::string::npos;
      }
      if (leaving || got == 0 || (got < 0 && errno != EINTR)) {
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
  struct rusage usage = {};
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.maxResidentKib = usage.ru_maxrss;
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

}  // namespace testing
}  // namespace tessivar
