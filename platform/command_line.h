// The command line as UTF-8 arguments, read once at start-up.
//
// On Windows the `argv` that main receives is in the ANSI code page, where
// a file name outside it (a map named in Cyrillic on a Western system)
// arrives as question marks and can't be opened. CommandLine takes the wide
// command line instead (GetCommandLineW, split by CommandLineToArgvW, the
// rules cmd and PowerShell quote by) and converts it to UTF-8 once; every
// file is later opened from that text through platform::filePath.
// Elsewhere the arguments are main's argv, byte for byte.
#ifndef TESSIVAR_PLATFORM_COMMAND_LINE_H_
#define TESSIVAR_PLATFORM_COMMAND_LINE_H_

#include <string>
#include <vector>

namespace tessivar {
namespace platform {

class CommandLine {
 public:
  CommandLine(int argc, const char* const* argv);
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  int argc() const { return static_cast<int>(arguments_.size()); }
  // argc() pointers to the arguments, then a null pointer, as in main.
  const char* const* argv() const { return pointers_.data(); }

 private:
  std::vector<std::string> arguments_;
  std::vector<const char*> pointers_;
};

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_COMMAND_LINE_H_
