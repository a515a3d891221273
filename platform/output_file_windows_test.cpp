// Output files on Windows over real files: devices, links, hard
// links, names that differ only in case, read-only files and names outside
// any ANSI code page. Each case checks what check and write say, that the
// input is untouched, where the bytes went, and that no temporary file is
// left.
#include "platform/output_file.h"

#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/file_path.h"

namespace tessivar {
namespace platform {
namespace {

namespace fs = std::filesystem;
using S = OutputStatus;

std::string readAll(const std::string& path) {
  std::ifstream file(filePath(path), std::ios::binary);
  std::ostringstream all;
  all << file.rdbuf();
  return all.str();
}

void put(const std::string& path, const std::string& text) {
  std::ofstream(filePath(path), std::ios::binary) << text;
}

// Removes `dir` and all in it, read-only files too (Windows removes none).
void removeTree(const std::string& dir) {
  std::error_code ec;
  if (fs::exists(filePath(dir), ec)) {
    for (const auto& e : fs::recursive_directory_iterator(filePath(dir), ec)) {
      fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add,
                      ec);
    }
  }
  fs::remove_all(filePath(dir), ec);
}

// A symbolic link at `link` to `target` (std::filesystem makes none here),
// there afterwards: Wine 8 says it made one and makes none.
bool symlinkTo(const std::string& target, const std::string& link) {
  const std::wstring from = filePath(link).native();
  const std::wstring to = filePath(target).native();
  return CreateSymbolicLinkW(from.c_str(), to.c_str(),
                             SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
         GetFileAttributesW(from.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isLink(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(filePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A fresh folder holding map.wpt ("map"), then what `layout` lists, separated
// by spaces: "a/" a folder, "a:t" a file holding t, "a!t" a read-only one,
// "a=b" a hard link to b, "a>b" a symbolic link to b. Returns why
// something can't be made here, or "".
std::string make(const std::string& dir, const std::string& layout) {
  std::error_code ec;
  removeTree(dir);
  fs::create_directories(filePath(dir));
  put(dir + "/map.wpt", "map");
  std::istringstream items(layout);
  for (std::string item; items >> item;) {
    const size_t at = item.find_first_of("/:!=>");
    const std::string name = dir + "/" + item.substr(0, at);
    const std::string rest = item.substr(at + 1);
    switch (item[at]) {
      case '/':
        fs::create_directory(filePath(name));
        break;
      case ':':
        put(name, rest);
        break;
      case '!':
        put(name, rest);
        fs::permissions(filePath(name), fs::perms::owner_write,
                        fs::perm_options::remove);
        break;
      case '=':
        fs::create_hard_link(filePath(dir + "/" + rest), filePath(name), ec);
        if (ec) return "no hard link: " + ec.message();
        break;
      case '>':
        if (!symlinkTo(rest, name)) {
          return "no symbolic link can be made here (Wine 8 makes none)";
        }
        break;
    }
  }
  return "";
}

bool noTemporary(const std::string& dir) {
  for (const auto& e : fs::recursive_directory_iterator(filePath(dir))) {
    if (pathText(e.path().filename()).find(".tmp-") !=
        std::string::npos) {
      return false;
    }
  }
  return true;
}

OutputWriter text(const std::string& t) {
  return [t](std::ostream& out) { return bool(out << t); };
}

TEST(OutputFileWindows, CasesOverRealFiles) {
  const struct {
    const char* layout;
    const char* output;  // in the folder, unless it starts with a backslash
    const char* input;
    S status;
    const char* written;  // the file that then holds "new", if any
    const char* old;      // the file that then still holds "old", if any
  } cases[] = {
      {"", "out.svg", "map.wpt", S::kOk, "out.svg", ""},
      {"out.svg:old", "out.svg", "map.wpt", S::kOk, "out.svg", ""},
      {"", "map.wpt", "map.wpt", S::kSameAsInput, "", ""},
      {"", "MAP.WPT", "map.wpt", S::kSameAsInput, "", ""},
      {"h=map.wpt", "h", "map.wpt", S::kSameAsInput, "", ""},
      {"h=map.wpt", "map.wpt", "h", S::kSameAsInput, "", ""},
      {"ro.svg!old", "ro.svg", "map.wpt", S::kFailed, "", "ro.svg"},
      {"sub/", "sub", "map.wpt", S::kFailed, "", ""},
      {"", "no/such.svg", "map.wpt", S::kFailed, "", ""},
      {"plain:old", "plain/new.svg", "map.wpt", S::kFailed, "", "plain"},
      // The null device, by its reserved name in any folder and by its
      // device name: written in place, nothing created.
      {"", "NUL", "map.wpt", S::kOk, "", ""},
      {"", "\\\\.\\NUL", "map.wpt", S::kOk, "", ""},
      // Names beyond any ANSI code page, for the input and the output.
      {"\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0.wpt:map",
       "\xe5\x9c\xb0\xe5\x9b\xb3.svg", "\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0.wpt",
       S::kOk, "\xe5\x9c\xb0\xe5\x9b\xb3.svg", ""},
      {"\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0.wpt:map",
       "\xd0\x9a\xd0\x90\xd0\xa0\xd0\xa2\xd0\x90.WPT",
       "\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0.wpt", S::kSameAsInput, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.layout + "\" " + c.output);
    const std::string dir = ::testing::TempDir() + "tessivar_out_windows";
    ASSERT_EQ(make(dir, c.layout), "");
    const std::string output =
        c.output[0] == '\\' || c.output == std::string("NUL")
            ? c.output
            : dir + "/" + c.output;
    const std::string input = dir + "/" + c.input;
    const std::string inputBefore = readAll(input);
    EXPECT_EQ(checkOutputPath(output, input), c.status);
    EXPECT_EQ(writeOutputFile(output, input, text("new")), c.status);
    EXPECT_EQ(readAll(input), inputBefore);
    if (*c.written) {
      EXPECT_EQ(readAll(dir + "/" + c.written), "new");
    }
    if (*c.old) {
      EXPECT_EQ(readAll(dir + "/" + c.old), "old");
    }
    EXPECT_TRUE(noTemporary(dir));
    if (c.status == S::kSameAsInput) {
      EXPECT_EQ(readAll(dir + "/map.wpt"), "map");
    }
  }
}

// A link is followed to the file it names, which is replaced; the link
// stays. A link whose target is gone is refused rather than replaced.
TEST(OutputFileWindows, LinksLeadToTheFileTheyName) {
  const std::string dir = ::testing::TempDir() + "tessivar_out_windows_links";
  const std::string cannot =
      make(dir, "pics/ pics/real.svg:old l>pics/real.svg in>map.wpt");
  if (!cannot.empty()) GTEST_SKIP() << cannot;
  const std::string input = dir + "/map.wpt";
  // Relative targets are resolved from the link's folder.
  fs::remove(filePath(dir + "/l"));
  if (!symlinkTo("pics\\real.svg", dir + "/l")) {
    GTEST_SKIP() << "no symbolic link can be made here (Wine 8 makes none)";
  }
  EXPECT_EQ(writeOutputFile(dir + "/l", input, text("new")), S::kOk);
  EXPECT_EQ(readAll(dir + "/pics/real.svg"), "new");
  EXPECT_TRUE(isLink(dir + "/l"));

  EXPECT_EQ(writeOutputFile(dir + "/map.wpt", dir + "/in", text("new")),
            S::kSameAsInput);
  EXPECT_EQ(writeOutputFile(dir + "/in", input, text("new")), S::kSameAsInput);
  EXPECT_EQ(readAll(input), "map");

  ASSERT_TRUE(symlinkTo(dir + "/gone.svg", dir + "/dangling"));
  EXPECT_EQ(checkOutputPath(dir + "/dangling", input), S::kFailed);
  EXPECT_EQ(writeOutputFile(dir + "/dangling", input, text("new")),
            S::kFailed);
  EXPECT_FALSE(fs::exists(filePath(dir + "/gone.svg")));
  EXPECT_TRUE(noTemporary(dir));
}

// Standard output appending to the waypoint file (`>> map.wpt` in cmd) is
// the input; any other file is not.
TEST(OutputFileWindows, StandardOutputIntoTheInputIsTheInput) {
  const std::string dir = ::testing::TempDir() + "tessivar_out_windows_stdout";
  ASSERT_EQ(make(dir, "other:x"), "");
  for (const char* name : {"map.wpt", "other"}) {
    const int file = _wopen(filePath(dir + "/" + name).c_str(), _O_WRONLY | _O_APPEND);
    ASSERT_GE(file, 0);
    std::fflush(stdout);
    const int saved = _dup(1);
    _dup2(file, 1);
    const S status = checkStandardOutput(dir + "/map.wpt");
    _dup2(saved, 1);
    _close(saved);
    _close(file);
    EXPECT_EQ(status, std::string(name) == "map.wpt" ? S::kSameAsInput : S::kOk)
        << name;
  }
}

}  // namespace
}  // namespace platform
}  // namespace tessivar

#endif  // _WIN32
