// The command line on POSIX systems (what it does: command_line.h): main's
// arguments, byte for byte.
#include "platform/command_line.h"

namespace tessivar {
namespace platform {

CommandLine::CommandLine(int argc, const char* const* argv) {
  for (int k = 0; k < argc; ++k) arguments_.push_back(argv[k] ? argv[k] : "");
  for (const std::string& argument : arguments_) {
    pointers_.push_back(argument.c_str());
  }
  pointers_.push_back(nullptr);
}

}  // namespace platform
}  // namespace tessivar
