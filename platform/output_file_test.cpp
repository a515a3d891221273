// Output files over real files: the POSIX version and the portable one
// (which the tests build on POSIX systems too), on Windows its own. The
// built tessivar-svg over every kind of output: svg/svg_output_test.cpp.
// Links and devices on Windows: output_file_windows_test.cpp.
#include "platform/output_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tessivar {
namespace platform {
namespace {

namespace fs = std::filesystem;
using S = OutputStatus;

const struct Impl {
  const char* name;
  S (*check)(const std::string&, const std::string&);
  S (*write)(const std::string&, const std::string&, const OutputWriter&);
} kImpls[] = {
#ifdef _WIN32
    {"windows", checkOutputPath, writeOutputFile},
#else
    {"this system's", checkOutputPath, writeOutputFile},
    {"portable", portable::checkOutputPath, portable::writeOutputFile},
#endif
};

std::string readAll(const std::string& path) {
  std::ostringstream all;
  all << std::ifstream(path, std::ios::binary).rdbuf();
  return all.str();
}

// A fresh folder for the current test holding map.wpt ("map") and what
// `layout` lists, separated by spaces: "a/" a folder, "a:t" a file holding t,
// "a>b" a symbolic link to b, "a=b" a hard link to b.
std::string freshDir(const std::string& layout) {
  const std::string dir = ::testing::TempDir() + "tessivar_out_" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir + "/map.wpt") << "map";
  std::istringstream items(layout);
  for (std::string item; items >> item;) {
    const size_t at = item.find_first_of(":>=");
    const std::string path = dir + "/" + item.substr(0, at);
    if (at == std::string::npos) fs::create_directories(path);
    else if (item[at] == ':') std::ofstream(path) << item.substr(at + 1);
    else if (item[at] == '>') fs::create_symlink(item.substr(at + 1), path);
    else fs::create_hard_link(dir + "/" + item.substr(at + 1), path);
  }
  return dir;
}

bool noTemporary(const std::string& dir) {
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.path().filename().string().find(".tmp-") != std::string::npos) return false;
  }
  return true;
}

const OutputWriter kNew = [](std::ostream& out) { return bool(out << "new"); };

#ifndef _WIN32
// What check and write say, the input left alone, where the bytes went, the
// output name's type kept (a link stays a link), no temporary file left.
TEST(OutputFile, CasesOverRealFiles) {
  const struct {
    const char *layout, *output, *input;  // output "": the folder and a slash
    S status;
    const char* written;  // the file that then holds "new", if any
  } cases[] = {
      {"out.svg:old", "out.svg", "map.wpt", S::kOk, "out.svg"},
      {"sub/", "sub/new.svg", "map.wpt", S::kOk, "sub/new.svg"},
      {"", "map.wpt", "map.wpt", S::kSameAsInput, ""},
      {"h=map.wpt", "h", "map.wpt", S::kSameAsInput, ""},
      {"l>map.wpt", "l", "map.wpt", S::kSameAsInput, ""},
      {"in>map.wpt", "map.wpt", "in", S::kSameAsInput, ""},
      {"sub/ a>sub/b sub/b>../c c:old", "a", "map.wpt", S::kOk, "c"},
      {"d>made.svg", "d", "map.wpt", S::kOk, "made.svg"},
      {"l1>l2 l2>l1", "l1", "map.wpt", S::kFailed, ""},
      {"", "", "map.wpt", S::kFailed, ""},
      {"sub/", "sub", "map.wpt", S::kFailed, ""},
      {"", "missing/new.svg", "map.wpt", S::kFailed, ""},
      {"plain:x", "plain/new.svg", "map.wpt", S::kFailed, ""},
  };
  for (const Impl& impl : kImpls) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(impl.name) + ": \"" + c.layout + "\" " + c.output);
      const std::string dir = freshDir(c.layout);
      const std::string output = dir + "/" + c.output, input = dir + "/" + c.input;
      const fs::file_type before = fs::symlink_status(output).type();
      EXPECT_EQ(impl.check(output, input), c.status);
      EXPECT_EQ(impl.write(output, input, kNew), c.status);
      EXPECT_EQ(readAll(dir + "/map.wpt"), "map");
      EXPECT_EQ(*c.written ? readAll(dir + "/" + c.written) : "new", "new");
      if (before != fs::file_type::not_found) {
        EXPECT_EQ(fs::symlink_status(output).type(), before);
      }
      EXPECT_TRUE(noTemporary(dir));
    }
    // A bare name is checked in the current folder; checking creates nothing.
    EXPECT_EQ(impl.check("relative_name.svg", "map.wpt"), S::kOk);
    EXPECT_FALSE(fs::exists("relative_name.svg"));
    EXPECT_EQ(impl.check("", "map.wpt"), S::kFailed);
  }
}

#endif

TEST(OutputFile, AbandonedOrFailedWritesKeepTheOldFile) {
  const std::string dir = freshDir("target.svg:old");
  const std::string path = dir + "/target.svg", input = dir + "/map.wpt";
  for (const Impl& impl : kImpls) {
    for (int way = 0; way < 3; ++way) {  // abandoned, failed as on a full disk, thrown
      SCOPED_TRACE(std::string(impl.name) + " " + std::to_string(way));
      const OutputWriter half = [way](std::ostream& out) {
        out << "half a docu";
        if (way == 1) out.setstate(std::ios::badbit);
        if (way == 2) throw std::runtime_error("stop");
        return way == 1;
      };
      if (way == 2) {
        EXPECT_THROW(impl.write(path, input, half), std::runtime_error);
      } else {
        EXPECT_EQ(impl.write(path, input, half), S::kFailed);
      }
      EXPECT_EQ(readAll(path), "old");
      EXPECT_TRUE(noTemporary(dir));
    }
  }
}

#ifndef _WIN32
// A new file's mode is 0666 less the umask, not the temporary file's; an
// old file keeps its own, even where the umask would take bits away.
TEST(OutputFilePosix, NewFilesFollowTheUmaskOldFilesKeepTheirMode) {
  const std::string dir = freshDir("old.svg:old");
  ASSERT_EQ(chmod((dir + "/old.svg").c_str(), 0604), 0);
  const mode_t saved = umask(027);
  for (const auto& [name, mode] : {std::pair{"/new.svg", 0640u}, {"/old.svg", 0604u}}) {
    EXPECT_EQ(writeOutputFile(dir + name, dir + "/map.wpt", kNew), S::kOk);
    struct stat info;
    EXPECT_EQ(stat((dir + name).c_str(), &info) == 0 ? info.st_mode & 07777 : 0, mode);
  }
  umask(saved);
}

// SIGTERM during the write takes effect once the file is in place.
TEST(OutputFilePosixDeathTest, SignalDuringTheWriteWaitsForTheRename) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string dir = freshDir("out.svg:old");
  const OutputWriter interrupted = [](std::ostream& out) {
    out << "first half, ";
    std::raise(SIGTERM);
    return bool(out << "second half");
  };
  EXPECT_EXIT(writeOutputFile(dir + "/out.svg", dir + "/map.wpt", interrupted);
              std::_Exit(0), ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_EQ(readAll(dir + "/out.svg"), "first half, second half");
  EXPECT_TRUE(noTemporary(dir));
}
#endif

}  // namespace
}  // namespace platform
}  // namespace tessivar
