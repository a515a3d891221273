#include "svg/output_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#ifdef TESSIVAR_POSIX_OUTPUT
#include <sys/stat.h>
#endif

namespace tessivar {
namespace {

namespace fs = std::filesystem;
using S = OutputStatus;

// A fresh folder for the current test holding map.wpt ("map").
std::string freshDir() {
  const ::testing::TestInfo* test =
      ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("tessivar_out_") + test->name();
  for (char& c : name)
    c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  const fs::path dir = fs::path(::testing::TempDir()) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "map.wpt") << "map";
  return dir.string();
}

void put(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string readAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream all;
  all << file.rdbuf();
  return all.str();
}

// No temporary file anywhere under `dir`.
bool noTemporary(const std::string& dir) {
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.path().filename().string().find(".tmp-") != std::string::npos) {
      return false;
    }
  }
  return true;
}

OutputWriter text(const std::string& t) {
  return [t](std::ostream& out) { return bool(out << t); };
}

struct Impl {
  const char* name;
  S (*check)(const std::string&, const std::string&);
  S (*write)(const std::string&, const std::string&, const OutputWriter&);
};

void PrintTo(const Impl& impl, std::ostream* out) { *out << impl.name; }

class OutputFile : public ::testing::TestWithParam<Impl> {};

// Makes what `spec` lists in `dir`, separated by spaces: "a" a folder,
// "a>b" a symbolic link a to b, "a=b" a hard link a to b, "a:t" a file a
// holding t.
void make(const std::string& dir, const std::string& spec) {
  std::istringstream items(spec);
  for (std::string item; items >> item;) {
    const size_t at = item.find_first_of(">=:");
    const std::string name = dir + "/" + item.substr(0, at);
    const std::string what = at == std::string::npos ? "" : item.substr(at + 1);
    if (at == std::string::npos) {
      fs::create_directory(name);
    } else if (item[at] == '>') {
      fs::create_symlink(what, name);
    } else if (item[at] == '=') {
      fs::create_hard_link(dir + "/" + what, name);
    } else {
      put(name, what);
    }
  }
}

// Both versions over real files: what check and write say, the input left
// alone, where the bytes went, the type of the output name kept (a link
// stays a link), and no temporary file left.
TEST_P(OutputFile, CasesOverRealFiles) {
  const Impl impl = GetParam();
  if (std::string(impl.name) == "windows") {
    GTEST_SKIP() << "links and devices work otherwise on Windows: "
                    "OutputFileWindows.CasesOverRealFiles";
  }
  const struct {
    const char* spec;
    const char* output;
    const char* input;
    S status;
    const char* written;  // the file that then holds "new", if any
  } cases[] = {
      {"", "out.svg", "map.wpt", S::kOk, "out.svg"},
      {"out.svg:old", "out.svg", "map.wpt", S::kOk, "out.svg"},
      {"", "map.wpt", "map.wpt", S::kSameAsInput, ""},
      {"h=map.wpt", "h", "map.wpt", S::kSameAsInput, ""},
      {"l>map.wpt", "l", "map.wpt", S::kSameAsInput, ""},
      {"in>map.wpt", "map.wpt", "in", S::kSameAsInput, ""},
      {"l>gone.wpt", "l", "gone.wpt", S::kSameAsInput, ""},  // input removed
      {"sub a>sub/b sub/b>../c c:old", "a", "map.wpt", S::kOk, "c"},
      {"d>made.svg", "d", "map.wpt", S::kOk, "made.svg"},
      {"l1>l2 l2>l1", "l1", "map.wpt", S::kFailed, ""},
      {"t", "t", "map.wpt", S::kFailed, ""},
      {"", "no/such.svg", "map.wpt", S::kFailed, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(impl.name) + ": \"" + c.spec + "\" " + c.output);
    const std::string dir = freshDir();
    make(dir, c.spec);
    const std::string output = dir + "/" + c.output;
    const std::string input = dir + "/" + c.input;
    const fs::file_type before = fs::symlink_status(output).type();
    EXPECT_EQ(impl.check(output, input), c.status);
    EXPECT_EQ(impl.write(output, input, text("new")), c.status);
    EXPECT_EQ(readAll(dir + "/map.wpt"), "map");
    if (*c.written) {
      EXPECT_EQ(readAll(dir + "/" + c.written), "new");
    }
    if (before != fs::file_type::not_found) {
      EXPECT_EQ(fs::symlink_status(output).type(), before);
    }
    EXPECT_TRUE(noTemporary(dir));
  }
}

TEST_P(OutputFile, AbandonedOrFailedWritesKeepTheOldFile) {
  const Impl impl = GetParam();
  const std::string dir = freshDir();
  const std::string path = dir + "/target.svg";
  const std::string input = dir + "/map.wpt";
  put(path, "old");
  EXPECT_EQ(impl.write(path, input,
                       [](std::ostream& out) {
                         out << "half a docu";
                         return false;
                       }),
            S::kFailed);
  EXPECT_EQ(
      impl.write(path, input,
                 [](std::ostream& out) {
                   out << "half a docu";
                   out.setstate(std::ios::badbit);  // as a full disk would
                   return true;
                 }),
      S::kFailed);
  EXPECT_THROW(impl.write(path, input,
                          [](std::ostream& out) -> bool {
                            out << "half";
                            throw std::runtime_error("stop");
                          }),
               std::runtime_error);
  EXPECT_EQ(readAll(path), "old");
  EXPECT_TRUE(noTemporary(dir));
  EXPECT_EQ(impl.write(path, input, text("new")), S::kOk);
  EXPECT_EQ(readAll(path), "new");
  EXPECT_TRUE(noTemporary(dir));
}

TEST_P(OutputFile, CheckRejectsPathsThatCannotBeCreated) {
  const Impl impl = GetParam();
  const std::string dir = freshDir();
  const std::string input = dir + "/map.wpt";
  fs::create_directory(dir + "/sub");
  put(dir + "/plain", "x");
  EXPECT_EQ(impl.check(dir + "/new.svg", input), S::kOk);
  EXPECT_EQ(impl.check(dir + "/plain", input),
            S::kOk);  // replaced when written
  EXPECT_EQ(impl.check(dir + "/sub/new.svg", input), S::kOk);
  EXPECT_EQ(impl.check("relative_name.svg", input), S::kOk);
  EXPECT_EQ(impl.check("", input), S::kFailed);
  EXPECT_EQ(impl.check(dir + "/", input), S::kFailed);
  EXPECT_EQ(impl.check(dir + "/sub", input), S::kFailed);
  EXPECT_EQ(impl.check(dir + "/missing/new.svg", input), S::kFailed);
  EXPECT_EQ(impl.check(dir + "/plain/new.svg", input), S::kFailed);
  EXPECT_FALSE(fs::exists("relative_name.svg"));  // checking creates nothing
}

INSTANTIATE_TEST_SUITE_P(Versions, OutputFile,
                         ::testing::Values(
#if defined(TESSIVAR_POSIX_OUTPUT)
                             Impl{"posix", checkOutputPath, writeOutputFile},
                             Impl{"portable", portable::checkOutputPath,
                                  portable::writeOutputFile}),
#elif defined(TESSIVAR_WINDOWS_OUTPUT)
                             Impl{"windows", checkOutputPath, writeOutputFile}),
#else
                             Impl{"portable", portable::checkOutputPath,
                                  portable::writeOutputFile}),
#endif
                         [](const ::testing::TestParamInfo<Impl>& info) {
                           return std::string(info.param.name);
                         });

#ifdef TESSIVAR_POSIX_OUTPUT
mode_t modeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(OutputFilePosix, NewFilesFollowTheUmaskOldFilesKeepTheirMode) {
  const std::string dir = freshDir();
  const std::string input = dir + "/map.wpt";
  const mode_t saved = umask(027);
  EXPECT_EQ(writeOutputFile(dir + "/a.svg", input, text("a")), S::kOk);
  umask(0);
  EXPECT_EQ(writeOutputFile(dir + "/b.svg", input, text("b")), S::kOk);
  put(dir + "/c.svg", "old");
  chmod((dir + "/c.svg").c_str(), 0604);
  umask(077);  // the old file's mode wins over the umask
  EXPECT_EQ(writeOutputFile(dir + "/c.svg", input, text("c")), S::kOk);
  umask(saved);
  EXPECT_EQ(modeOf(dir + "/a.svg"), 0640u);
  EXPECT_EQ(modeOf(dir + "/b.svg"), 0666u);
  EXPECT_EQ(modeOf(dir + "/c.svg"), 0604u);
  EXPECT_EQ(readAll(dir + "/c.svg"), "c");
}

// A termination signal that arrives during the write ends the process only
// once the file is complete and in place: no temporary file is left.
TEST(OutputFilePosixDeathTest, SignalDuringTheWriteWaitsForTheRename) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string dir = freshDir();
  const std::string path = dir + "/out.svg";
  put(path, "old");
  EXPECT_EXIT(
      {
        writeOutputFile(path, dir + "/map.wpt", [](std::ostream& out) {
          out << "first half, ";
          std::raise(SIGTERM);
          out << "second half";
          return bool(out);
        });
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_EQ(readAll(path), "first half, second half");
  EXPECT_TRUE(noTemporary(dir));
}
#endif

}  // namespace
}  // namespace tessivar
