// Output files on POSIX systems (what it does: output_file.h).
// Every system call the output makes is in this file: following symbolic
// links, comparing files by device and inode, creating the temporary file,
// syncing, renaming, and writing straight into FIFOs and devices.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <streambuf>

#include "platform/output_file.h"
#include "platform/standard_stream.h"

namespace tessivar {
namespace platform {

namespace {

// As many links as Linux follows in one path before giving up (ELOOP).
constexpr int kMaxLinks = 40;

// The folder part of `path` with its final slash; empty for a bare name.
std::string directoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string baseOf(const std::string& path) {
  return path.substr(directoryOf(path).size());
}

// The folder part as a name that can be opened: "." for a bare name.
std::string folderOf(const std::string& path) {
  const std::string dir = directoryOf(path);
  return dir.empty() ? std::string(".") : dir;
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// What the symbolic link `path` holds; empty when it can't be read.
std::string readLink(const std::string& path) {
  std::string target(256, '\0');
  while (target.size() <= (1u << 16)) {
    const ssize_t got = readlink(path.c_str(), &target[0], target.size());
    if (got < 0) return std::string();
    if (size_t(got) < target.size()) {
      target.resize(size_t(got));
      return target;
    }
    target.resize(target.size() * 2);
  }
  return std::string();
}

// `path` with its folder absolute and free of links and dots; empty when
// the folder can't be resolved.
std::string canonicalName(const std::string& path) {
  char* folder = realpath(folderOf(path).c_str(), nullptr);
  if (!folder) return std::string();
  std::string name = folder;
  std::free(folder);
  if (name.back() != '/') name += '/';
  return name + baseOf(path);
}

// The input's full name, found the same way.
std::string inputName(const std::string& input) {
  if (char* full = realpath(input.c_str(), nullptr)) {
    const std::string name = full;
    std::free(full);
    return name;
  }
  return canonicalName(input);
}

enum class Way { kNone, kReplace, kInPlace };

struct Destination {
  Way way = Way::kNone;  // kNone: nothing that can be written
  std::string path;      // kReplace: the name renamed over, links followed;
                         // kInPlace: the name to open
  bool exists = false;   // a file is there now...
  struct stat info {};   // ...and this is it
};

// What `output` names now. Symbolic links are followed one at a time, so
// that a dangling link still gives the name its chain ends at.
Destination findDestination(const std::string& output) {
  Destination d;
  if (output.empty()) return d;
  struct stat followed;
  const bool found = stat(output.c_str(), &followed) == 0;
  if (!found && errno != ENOENT) return d;  // a file used as a folder, a loop
  if (found && S_ISDIR(followed.st_mode)) return d;
  if (found && !S_ISREG(followed.st_mode)) {
    // Opened by the name given, so that links the kernel resolves its own
    // way (/dev/stdout, /proc/self/fd/N) lead where they should.
    d.way = Way::kInPlace;
    d.path = output;
    d.exists = true;
    d.info = followed;
    return d;
  }
  std::string name = output;
  for (int hops = 0;; ++hops) {
    struct stat own;
    if (lstat(name.c_str(), &own) != 0) {
      if (errno != ENOENT || found) return d;  // changed since stat
      break;
    }
    if (!S_ISLNK(own.st_mode)) {
      // The end of the chain must be the file stat found: anything else
      // changed meanwhile or is a link only the kernel can follow.
      if (!found || !S_ISREG(own.st_mode) || !sameFile(own, followed)) {
        return d;
      }
      d.exists = true;
      d.info = own;
      break;
    }
    if (hops == kMaxLinks) return d;
    const std::string target = readLink(name);
    if (target.empty()) return d;
    name = target[0] == '/' ? target : directoryOf(name) + target;
  }
  const std::string base = baseOf(name);
  if (base.empty() || base == "." || base == "..") return d;
  d.way = Way::kReplace;
  d.path = name;
  return d;
}

// The destination is the input: the same file, or the input's own name.
bool isInput(const Destination& d, const std::string& input) {
  struct stat in;
  if (d.exists && stat(input.c_str(), &in) == 0 && sameFile(d.info, in)) {
    return true;
  }
  if (d.way != Way::kReplace) return false;
  const std::string name = canonicalName(d.path);
  return !name.empty() && name == inputName(input);
}

bool canCreateIn(const std::string& folder) {
  struct stat info;
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         access(folder.c_str(), W_OK | X_OK) == 0;
}

// Holds back the signals that end a process from the keyboard or at
// shutdown while it lives, when asked, and always turns the file-size
// limit into a write error (EFBIG) instead of the end of the process.
class SignalGuard {
 public:
  explicit SignalGuard(bool holdInterrupts) {
    sigset_t hold;
    sigemptyset(&hold);
    if (holdInterrupts) {
      for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&hold, s);
    }
    pthread_sigmask(SIG_BLOCK, &hold, &savedMask_);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &savedFileSize_);
  }
  ~SignalGuard() {
    sigaction(SIGXFSZ, &savedFileSize_, nullptr);
    pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
  }
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;

 private:
  sigset_t savedMask_;
  struct sigaction savedFileSize_;
};

// Runs `write` on a stream over `fd`. True when it succeeded and every byte
// reached the file. On an exception `fd` is closed and it propagates.
bool writeToDescriptor(int fd, const OutputWriter& write) {
  DescriptorBuffer buffer(fd);
  std::ostream stream(&buffer);
  try {
    bool ok = write(stream);
    stream.flush();
    return ok && stream.good() && buffer.error() == 0;
  } catch (...) {
    close(fd);
    throw;
  }
}

struct Temporary {
  int fd = -1;
  std::string name;
};

// Creates a new, empty file with a name no one else uses beside `path`.
// O_EXCL makes the name ours; `mode` passes through the umask as for any
// new file.
Temporary createTemporaryBeside(const std::string& path, mode_t mode) {
  // The target's name shortened, so the temporary name stays within the
  // 255 bytes a name may have.
  const std::string stem =
      directoryOf(path) + "." + baseOf(path).substr(0, 200) + ".tmp-";
  static uint64_t counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t x = (uint64_t(getpid()) << 40) ^ uint64_t(now.tv_nsec) ^
                 (uint64_t(now.tv_sec) << 30) ^
                 (++counter * 0x9E3779B97F4A7C15ull);
    x = (x ^ (x >> 31)) * 0xBF58476D1CE4E5B9ull;  // mix the bits
    std::string name = stem;
    for (int k = 0; k < 6; ++k, x /= 36) {
      name += "abcdefghijklmnopqrstuvwxyz0123456789"[x % 36];
    }
    const int fd = open(
        name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
    if (fd >= 0) return {fd, name};
    if (errno != EEXIST && errno != EINTR) break;
  }
  return {};
}

// Makes a rename in `folder` durable. Some file systems can't sync a
// folder; the rename has happened either way, so failures are ignored.
void syncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  if (fsync(fd) != 0) {
  }
  close(fd);
}

// The output into a temporary file, synced and renamed over `d.path`.
OutputStatus replaceFile(const Destination& d, const OutputWriter& write) {
  const SignalGuard guard(true);
  const Temporary temp =
      createTemporaryBeside(d.path, d.exists ? (d.info.st_mode & 0777) : 0666);
  if (temp.fd < 0) return OutputStatus::kFailed;
  if (d.exists) {
    // The owner first (which clears set-id bits), then the exact bits. Only
    // root may give a file away and some file systems keep no modes, so
    // this is done as far as the system allows.
    if (fchown(temp.fd, d.info.st_uid, d.info.st_gid) != 0) {
    }
    if (fchmod(temp.fd, d.info.st_mode & 07777) != 0) {
    }
  }
  bool ok;
  try {
    ok = writeToDescriptor(temp.fd, write);
  } catch (...) {
    unlink(temp.name.c_str());
    throw;
  }
  ok = ok && fsync(temp.fd) == 0;
  ok = close(temp.fd) == 0 && ok;
  ok = ok && rename(temp.name.c_str(), d.path.c_str()) == 0;
  if (!ok) {
    unlink(temp.name.c_str());
    return OutputStatus::kFailed;
  }
  syncFolder(folderOf(d.path));
  return OutputStatus::kOk;
}

// The output straight into an existing FIFO or device. Opening a FIFO
// waits for a reader; keyboard signals are not held back here, so a user
// can give up waiting.
OutputStatus writeInPlace(const Destination& d, const std::string& input,
                          const OutputWriter& write) {
  if (S_ISSOCK(d.info.st_mode)) return OutputStatus::kFailed;
  const SignalGuard guard(false);
  int fd;
  do {
    fd = open(d.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return OutputStatus::kFailed;
  // What was opened must still be no regular file (it would be written
  // over, not replaced) and must not be the input.
  struct stat opened, in;
  if (fstat(fd, &opened) != 0 || S_ISREG(opened.st_mode) ||
      S_ISDIR(opened.st_mode)) {
    close(fd);
    return OutputStatus::kFailed;
  }
  if (stat(input.c_str(), &in) == 0 && sameFile(opened, in)) {
    close(fd);
    return OutputStatus::kSameAsInput;
  }
  bool ok = writeToDescriptor(fd, write);
  // Disks report late write errors here; pipes and character devices
  // can't be synced and say so with EINVAL.
  if (ok && fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP) ok = false;
  ok = close(fd) == 0 && ok;
  return ok ? OutputStatus::kOk : OutputStatus::kFailed;
}

}  // namespace

OutputStatus checkOutputPath(const std::string& output,
                             const std::string& input) {
  const Destination d = findDestination(output);
  if (d.way == Way::kNone) return OutputStatus::kFailed;
  if (isInput(d, input)) return OutputStatus::kSameAsInput;
  const bool writable =
      d.way == Way::kInPlace
          ? !S_ISSOCK(d.info.st_mode) && access(d.path.c_str(), W_OK) == 0
          : canCreateIn(folderOf(d.path));
  return writable ? OutputStatus::kOk : OutputStatus::kFailed;
}

OutputStatus checkStandardOutput(const std::string& input) {
  struct stat out, in;
  const int flags = fcntl(STDOUT_FILENO, F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY ||
      fstat(STDOUT_FILENO, &out) != 0) {
    return OutputStatus::kFailed;
  }
  if (stat(input.c_str(), &in) == 0 && sameFile(out, in)) {
    return OutputStatus::kSameAsInput;
  }
  return OutputStatus::kOk;
}

OutputStatus writeOutputFile(const std::string& output,
                             const std::string& input,
                             const OutputWriter& write) {
  const Destination d = findDestination(output);
  if (d.way == Way::kNone) return OutputStatus::kFailed;
  if (isInput(d, input)) return OutputStatus::kSameAsInput;
  return d.way == Way::kInPlace ? writeInPlace(d, input, write)
                                : replaceFile(d, write);
}

}  // namespace platform
}  // namespace tessivar
