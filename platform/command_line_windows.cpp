// The command line on Windows (what it does: command_line.h).
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "platform/command_line.h"
#include "platform/unicode.h"

namespace tessivar {
namespace platform {

CommandLine::CommandLine(int argc, const char* const* argv) {
  int count = 0;
  if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int k = 0; k < count; ++k) {
      const wchar_t* arg = wide[k];
      arguments_.push_back(utf16ToUtf8(reinterpret_cast<const char16_t*>(arg),
                                       std::wcslen(arg)));
    }
    LocalFree(wide);
  }
  // Should the wide command line be unavailable, the narrow one is all
  // there is.
  if (arguments_.empty()) {
    for (int k = 0; k < argc; ++k) arguments_.push_back(argv[k] ? argv[k] : "");
  }
  for (const std::string& argument : arguments_) {
    pointers_.push_back(argument.c_str());
  }
  pointers_.push_back(nullptr);
}

}  // namespace platform
}  // namespace tessivar
