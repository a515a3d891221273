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

// Creates an empty file with a name no one else uses, next to `path`, and
// returns that name; empty when no file can be created there.
std::string createTemporaryBeside(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string dir =
      slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string base =
      slash == std::string::npos ? path : path.substr(slash + 1);
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
