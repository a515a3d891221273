// The built tessivar-svg.exe as a Windows user runs it: what the
// executable adds to the output module (whose cases are
// platform/output_file_windows_test.cpp): names in any script on its
// command line, its lines, and standard output as the picture. Each case checks the exit
// status, both streams, the waypoint file and where the picture went.
// (The POSIX cases are svg_output_test.cpp.)
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

using platform::filePath;

struct Case {
  const char* name;
  const char* input;    // names in the folder, or "-"
  const char* output;
  bool readerGone;      // standard output a pipe whose reader has gone
  int status;
  const char* out;      // standard output and error; {out} is the output
  const char* err;      // as given, {picture} the picture
  const char* picture;  // the file that then holds the picture
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// A map named in Cyrillic, a picture in CJK: outside any ANSI code page.
const Case kCases[] = {
    {"NewFile", "map.wpt", "out.svg", false, 0, "Wrote {out}\n", "", "out.svg"},
    {"UnicodeNames", "\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0.wpt",
     "\xe5\x9c\xb0\xe5\x9b\xb3.svg", false, 0, "Wrote {out}\n", "",
     "\xe5\x9c\xb0\xe5\x9b\xb3.svg"},
    {"Dash", "map.wpt", "-", false, 0, "{picture}", "", ""},
    {"DashToAReaderGone", "map.wpt", "-", true, 1, "", "Couldn't write file -\n",
     ""},
};

std::string readAll(const std::string& path) {
  std::ostringstream all;
  all << std::ifstream(filePath(path), std::ios::binary).rdbuf();
  return all.str();
}

class SvgOutputWindows : public ::testing::TestWithParam<Case> {};

TEST_P(SvgOutputWindows, WritesWhereItShouldAndNowhereElse) {
  const Case& c = GetParam();
  const std::string dir = ::testing::TempDir() + "tessivar_svg_windows_" + c.name;
  std::filesystem::remove_all(filePath(dir));
  std::filesystem::create_directories(filePath(dir));
  const std::vector<uint8_t> bytes = encodeWaypointFile(sixWaypointExample());
  const std::string map(bytes.begin(), bytes.end());
  const std::string input = dir + "/" + c.input;
  std::ofstream(filePath(input), std::ios::binary) << map;
  const std::string output = c.output == std::string("-") ? "-" : dir + "/" + c.output;
  // The picture, as the run in this process writes it to a stream.
  std::ostringstream picture, ignored;
  const char* argv[] = {"tessivar-svg", input.c_str(), "-"};
  ASSERT_EQ(runTessivarSvg(3, argv, picture, ignored), 0);

  const testing::ChildResult r = testing::runChild(
      {TESSIVAR_SVG_BINARY, input, output}, 60, c.readerGone);
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.status, c.status);
  std::string out = c.out;
  if (out == "{picture}") out = picture.str();
  const size_t at = out.find("{out}");
  if (at != std::string::npos) out.replace(at, 5, output);
  EXPECT_TRUE(r.out == out) << r.out.size() << " bytes: " << r.out.substr(0, 200);
  EXPECT_EQ(r.err, c.err);
  EXPECT_TRUE(readAll(input) == map);
  if (*c.picture) {  // the picture is long: a wrong one is shown by its size
    const std::string got = readAll(dir + "/" + c.picture);
    EXPECT_TRUE(got == picture.str()) << got.size();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SvgOutputWindows, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tessivar

#endif
