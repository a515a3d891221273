#include "svg/atomic_file.h"

#include <cstdio>
#include <fstream>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#include <unistd.h>
#define TESSIVAR_HAVE_MKSTEMP 1
#endif

namespace tessivar {

namespace {

// The directory part of `path` with its final slash; empty for a bare name.
std::string directoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string()
                                    : path.substr(0, slash + 1);
}

// Creates an empty file with a name no one else uses, next to `path`, and
// returns that name; empty when no file can be created there.
std::string createTemporaryBeside(const std::string& path) {
  const std::string dir = directoryOf(path);
  const std::string base = path.substr(dir.size());
#ifdef TESSIVAR_HAVE_MKSTEMP
  std::string name = dir + "." + base + ".tmp-XXXXXX";
  const int fd = mkstemp(&name[0]);
  if (fd < 0) return std::string();
  // mkstemp makes the file private; give it the mode a new file would get.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  return name;
#else
  std::string name = dir + "." + base + ".tmp";
  std::ofstream probe(name, std::ios::binary | std::ios::trunc);
  return probe ? name : std::string();
#endif
}

}  // namespace

bool canCreateFileAt(const std::string& path) {
  if (path.empty() || path.back() == '/') return false;
#ifdef TESSIVAR_HAVE_MKSTEMP
  struct stat target;
  if (stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
    return false;
  }
  const std::string dir = directoryOf(path);
  const std::string where = dir.empty() ? std::string(".") : dir;
  struct stat info;
  if (stat(where.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return access(where.c_str(), W_OK | X_OK) == 0;
#else
  return true;
#endif
}

bool writeFileAtomically(const std::string& path,
                         const std::function<bool(std::ostream&)>& write) {
  if (path.empty() || path.back() == '/') return false;
  const std::string temporary = createTemporaryBeside(path);
  if (temporary.empty()) return false;
  bool ok = false;
  try {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    ok = file.is_open() && write(file);
    file.flush();
    ok = ok && file.good();
    file.close();
    ok = ok && !file.fail();
  } catch (...) {
    std::remove(temporary.c_str());
    throw;
  }
  if (ok) ok = std::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

}  // namespace tessivar
