// The built tessivar-svg.exe writing its picture where a Windows user may
// send it: one table of cases over real files in a temporary folder. Each
// checks the exit status, both streams, the waypoint file and the output
// afterwards, and that no temporary file is left. What the output module
// decides alone is output_file_windows_test.cpp; here is what the
// executable adds: its lines, its command line, standard output. (The
// POSIX cases are svg_output_test.cpp.)
#include <gtest/gtest.h>

#if defined(TESSIVAR_SVG_BINARY) && defined(_WIN32)

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/file_path.h"
#include "svg/svg_run.h"
#include "testing/child_process.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

namespace fs = std::filesystem;
using platform::filePath;

struct Case {
  const char* name;
  const char* input;   // names in the folder, "-", or a device name
  const char* output;
  const char* before;  // "out.svg" holds "old" first: "" or "readonly"
  bool readerGone;     // standard output a pipe whose reader has gone
  int status;
  const char* out;     // standard output and error; {out} is the output as
  const char* err;     // given, {picture} the picture
  const char* picture; // the file that then holds the picture
  bool oldKept;        // "out.svg" still holds "old"
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

const char* const kWrote = "Wrote {out}\n";
const char* const kCant = "Couldn't write file {out}\n";
const char* const kInput = "Couldn't write file {out}: it is the waypoint file\n";
// Names outside any ANSI code page: a map in Cyrillic, a picture in CJK.
#define TESSIVAR_CYRILLIC "\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0"
#define TESSIVAR_CJK "\xe5\x9c\xb0\xe5\x9b\xb3"

const Case kCases[] = {
    {"NewFile", "map.wpt", "out.svg", "", false, 0, kWrote, "", "out.svg", false},
    {"ReadOnlyFile", "map.wpt", "out.svg", "readonly", false, 1, kCant, "", "",
     true},
    {"SameFileOtherCase", "map.wpt", "MAP.WPT", "", false, 1, kInput, "", "",
     false},
    {"NullDevice", "map.wpt", "NUL", "", false, 0, kWrote, "", "", false},
    {"UnicodeNames", TESSIVAR_CYRILLIC ".wpt", TESSIVAR_CJK ".svg", "", false, 0,
     kWrote, "", TESSIVAR_CJK ".svg", false},
    {"Dash", "map.wpt", "-", "", false, 0, "{picture}", "", "", false},
    {"DashToAReaderGone", "map.wpt", "-", "", true, 1, "",
     "Couldn't write file -\n", "", false},
};

std::string readAll(const std::string& path) {
  std::ifstream file(filePath(path), std::ios::binary);
  std::ostringstream all;
  all << file.rdbuf();
  return all.str();
}

void replaceAll(std::string& text, const std::string& key,
                const std::string& value) {
  for (size_t at; (at = text.find(key)) != std::string::npos;) {
    text.replace(at, key.size(), value);
  }
}

class SvgOutputWindows : public ::testing::TestWithParam<Case> {};

TEST_P(SvgOutputWindows, WritesWhereItShouldAndNowhereElse) {
  const Case& c = GetParam();
  const std::string dir =
      ::testing::TempDir() + "tessivar_svg_windows_" + c.name;
  std::error_code ec;
  if (fs::exists(filePath(dir), ec)) {  // Windows removes no read-only file
    for (const auto& e : fs::recursive_directory_iterator(filePath(dir), ec)) {
      fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add,
                      ec);
    }
  }
  fs::remove_all(filePath(dir), ec);
  fs::create_directories(filePath(dir));
  const std::vector<uint8_t> bytes = encodeWaypointFile(sixWaypointExample());
  const std::string map(bytes.begin(), bytes.end());
  const std::string input = dir + "/" + c.input;
  std::ofstream(filePath(input), std::ios::binary) << map;
  const std::string old = dir + "/out.svg";
  if (*c.before) {
    std::ofstream(filePath(old), std::ios::binary) << "old";
    if (std::string(c.before) == "readonly") {
      fs::permissions(filePath(old), fs::perms::owner_write,
                      fs::perm_options::remove);
    }
  }
  const std::string output = std::string(c.output) == "-" ||
                                     std::string(c.output) == "NUL"
                                 ? c.output
                                 : dir + "/" + c.output;
  // The picture, as the run in this process writes it to a stream.
  std::ostringstream picture, ignored;
  const char* argv[] = {"tessivar-svg", input.c_str(), "-"};
  ASSERT_EQ(runTessivarSvg(3, argv, picture, ignored), 0);

  const testing::ChildResult r = testing::runChild(
      {TESSIVAR_SVG_BINARY, input, output}, 60, c.readerGone);
  ASSERT_TRUE(r.started);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, c.status);
  std::string out = c.out, err = c.err;
  for (std::string* text : {&out, &err}) {
    replaceAll(*text, "{out}", output);
    replaceAll(*text, "{picture}", picture.str());
  }
  EXPECT_TRUE(r.out == out) << r.out.size() << " bytes: " << r.out.substr(0, 200);
  EXPECT_EQ(r.err, err);
  EXPECT_TRUE(readAll(input) == map);
  if (*c.picture) {  // the picture is long: a wrong one is shown by its size
    const std::string got = readAll(dir + "/" + c.picture);
    EXPECT_TRUE(got == picture.str()) << got.size();
  }
  if (c.oldKept) {
    EXPECT_EQ(readAll(old), "old");
  }
  for (const auto& e : fs::recursive_directory_iterator(filePath(dir))) {
    const std::string name = platform::pathText(e.path().filename());
    EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SvgOutputWindows, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tessivar

#endif
