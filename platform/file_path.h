// File names as the tools hold them (UTF-8 strings, from the command line)
// and as the system opens them.
//
// On Windows a std::string given to std::ifstream or std::filesystem is
// read in the ANSI code page, so a name outside it (a map saved under a
// Cyrillic, Greek or CJK name on a Western system) can't be opened. Every
// file the tools open goes through filePath() instead, which hands Windows
// the name as UTF-16 (std::ifstream then opens it with _wfopen). Elsewhere
// the bytes are the name and pass through unchanged.
#ifndef TESSIVAR_PLATFORM_FILE_PATH_H_
#define TESSIVAR_PLATFORM_FILE_PATH_H_

#include <filesystem>
#include <string>

namespace tessivar {
namespace platform {

// The file name `utf8` as the system takes it.
std::filesystem::path filePath(const std::string& utf8);

// A path from the system as UTF-8 text, the reverse of filePath().
std::string pathText(const std::filesystem::path& path);

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_FILE_PATH_H_
