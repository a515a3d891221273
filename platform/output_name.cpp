// The default output name (output_file.h), the same code on every system:
// std::filesystem knows each system's separators.
#include <filesystem>

#include "platform/file_path.h"
#include "platform/output_file.h"

namespace tessivar {
namespace platform {

std::string defaultOutputPath(const std::string& input,
                              const std::string& extension) {
  std::filesystem::path path = filePath(input);
  const std::filesystem::path name = path.filename();
  if (name.empty() || name == "." || name == "..") return "";
  path.replace_extension(filePath(extension));
  return pathText(path);
}

}  // namespace platform
}  // namespace tessivar
