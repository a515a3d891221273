// The built tessivar-svg writing its picture to each kind of output a user
// may name, over real files in a temporary folder; cases the machine can't
// set up are skipped.
#include <gtest/gtest.h>

// POSIX outputs only (sh, FIFOs, device nodes): the Windows cases are
// svg_output_windows_test.cpp.
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "svg/svg_run.h"
#include "testing/child_process.h"
#include "tools/map_generator.h"

#if defined(TESSIVAR_SVG_BINARY) && !defined(_WIN32)
namespace tessivar {
namespace {

namespace fs = std::filesystem;

struct Case {
  const char* name;
  const char* setup;   // sh in the folder, which holds map.wpt
  const char* input;   // input and output: names in the folder, absolute
  const char* output;  // paths, or "-"
  const char* run;     // sh ($0 the tool, $1 input, $2 output, $3 folder)
  int status;
  const char* out;  // standard output and error, where {out} is the output,
  const char* err;  // {in} the input, {picture} the picture
  const char* holds;  // "f": the file f then holds the picture; "f:t": t
};

// `device d`: a node of the system's /dev/d where one may be made and used
// here, else a link to it.
const char* const kDevice =
    "device() { test -c /dev/$1 && { mknod $1 c $(stat -c '%Hr %Lr' /dev/$1) "
    "&& : >$1 || { rm -f $1; ln -s /dev/$1 $1; }; }; }; ";
const char* const kTool = "exec \"$0\" \"$1\" \"$2\"";
const char* const kWrote = "Wrote {out}\n";
const char* const kCant = "Couldn't write file {out}\n";
const char* const kInput = "Couldn't write file {out}: it is the waypoint file\n";

const Case kCases[] = {
    {"SamePath", "", "map.wpt", "map.wpt", kTool, 1, kInput, "", ""},
    {"HardLinkToInput", "ln map.wpt h", "map.wpt", "h", kTool, 1, kInput, "", ""},
    {"LinkToInput", "ln -s map.wpt l", "map.wpt", "l", kTool, 1, kInput, "", ""},
    {"InputIsLinkToOutput", "ln -s map.wpt l", "l", "map.wpt", kTool, 1, kInput,
     "", ""},
    {"LinkToOtherFile",
     "mkdir pics && printf old >pics/real.svg && ln -s pics/real.svg out.svg",
     "map.wpt", "out.svg", kTool, 0, kWrote, "", "pics/real.svg"},
    {"FifoWithReader", "mkfifo out.svg", "map.wpt", "out.svg",
     "timeout 20 cat \"$2\" >\"$2.got\" & \"$0\" \"$1\" \"$2\"; s=$?; wait; "
     "exit $s",
     0, kWrote, "", "out.svg.got"},
    {"CharacterDevice", "device null", "map.wpt", "null", kTool, 0, kWrote, "",
     ""},
    {"FullDevice", "device full", "map.wpt", "full", kTool, 1, kCant, "", ""},
    // A full disk, as far as the file-size limit makes one.
    {"FileSizeLimit", "printf old >out.svg", "map.wpt", "out.svg",
     "ulimit -f 1 && exec \"$0\" \"$1\" \"$2\"", 1, kCant, "", "out.svg:old"},
    {"MissingFolder", "", "map.wpt", "no/such.svg", kTool, 1, kCant, "", ""},
    {"Directory", "mkdir out.svg", "map.wpt", "out.svg", kTool, 1, kCant, "", ""},
    {"Dash", "", "map.wpt", "-", kTool, 0, "{picture}", "", ""},
    {"DashMissingInput", "", "none.wpt", "-", kTool, 1, "",
     "Couldn't open file {in}\n", ""},
    {"DashToFullDevice", "device full", "map.wpt", "-",
     "exec \"$0\" \"$1\" - >\"$3/full\"", 1, "", "Couldn't write file -\n", ""},
    {"DashAppendingToInput", "", "map.wpt", "-", "exec \"$0\" \"$1\" - >>\"$1\"",
     1, "", "Couldn't write file -: it is the waypoint file\n", ""},
    // Standard output, a pipe, named by its link in /proc.
    {"ProcSelfFd", "test -e /proc/self/fd/1", "map.wpt", "/proc/self/fd/1",
     kTool, 0, "{picture}Wrote {out}\n", "", ""},
};

std::string readAll(const std::string& path) {
  std::ostringstream all;
  all << std::ifstream(path, std::ios::binary).rdbuf();
  return all.str();
}

class SvgOutput : public ::testing::TestWithParam<Case> {};

TEST_P(SvgOutput, WritesWhereItShouldAndNowhereElse) {
  const Case& c = GetParam();
  const std::string dir = ::testing::TempDir() + "tessivar_svg_out_" + c.name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto named = [&](const std::string& name) {
    return name == "-" || name[0] == '/' ? name : dir + "/" + name;
  };
  const std::string input = named(c.input), output = named(c.output);
  const std::vector<uint8_t> bytes = encodeWaypointFile(sixWaypointExample());
  const std::string map(bytes.begin(), bytes.end());
  std::ofstream(dir + "/map.wpt", std::ios::binary) << map;
  // The picture, as the run in this process writes it to a file.
  const std::string mapPath = dir + "/map.wpt", expected = dir + ".svg";
  const char* argv[] = {"tessivar-svg", mapPath.c_str(), expected.c_str()};
  std::ostringstream ignored;
  ASSERT_EQ(runTessivarSvg(3, argv, ignored, ignored), 0);
  const std::string picture = readAll(expected);

  const testing::ChildResult made = testing::runChild(
      {"/bin/sh", "-c", std::string(kDevice) + "cd \"$0\" || exit; " + c.setup,
       dir});
  if (made.status != 0) GTEST_SKIP() << "can't set up here: " << made.err;
  struct stat before, after;
  const bool existed = lstat(output.c_str(), &before) == 0;
  const testing::ChildResult r = testing::runChild(
      {"/bin/sh", "-c", c.run, TESSIVAR_SVG_BINARY, input, output, dir});
  ASSERT_TRUE(r.exited) << "signal " << r.signal;
  EXPECT_EQ(r.status, c.status);
  std::string out = c.out, err = c.err;
  const std::pair<std::string, std::string> values[] = {
      {"{out}", output}, {"{in}", input}, {"{picture}", picture}};
  for (std::string* text : {&out, &err}) {
    for (const auto& [key, value] : values) {
      for (size_t at; (at = text->find(key)) != std::string::npos;)
        text->replace(at, key.size(), value);
    }
  }
  EXPECT_EQ(r.out, out);
  EXPECT_EQ(r.err, err);
  EXPECT_EQ(readAll(dir + "/map.wpt"), map);
  if (*c.holds) {  // a wrong picture is shown by its size, not printed
    const std::string holds = c.holds;
    const size_t colon = holds.find(':');
    const std::string got = readAll(dir + "/" + holds.substr(0, colon));
    EXPECT_TRUE(got == (colon == std::string::npos ? picture
                                                   : holds.substr(colon + 1)))
        << got.size();
  }
  if (existed) {
    ASSERT_EQ(lstat(output.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
    EXPECT_EQ(after.st_rdev, before.st_rdev);
  }
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SvgOutput, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tessivar
#endif
