// File names on POSIX systems (what it does: file_path.h): the bytes are
// the name.
#include "platform/file_path.h"

namespace tessivar {
namespace platform {

std::filesystem::path filePath(const std::string& utf8) {
  return std::filesystem::path(utf8);
}

std::string pathText(const std::filesystem::path& path) {
  return path.native();
}

}  // namespace platform
}  // namespace tessivar
