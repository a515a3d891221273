// File names on Windows (what it does: file_path.h): UTF-16.
#include "platform/file_path.h"

#include "platform/unicode.h"

namespace tessivar {
namespace platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t),
              "Windows file names are UTF-16");

std::filesystem::path filePath(const std::string& utf8) {
  const std::u16string wide = utf8ToUtf16(utf8);
  return std::filesystem::path(
      std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size()));
}

std::string pathText(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  return utf16ToUtf8(reinterpret_cast<const char16_t*>(wide.data()),
                     wide.size());
}

}  // namespace platform
}  // namespace tessivar
