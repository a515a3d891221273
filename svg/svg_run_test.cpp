#include "svg/svg_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "testing/xml_check.h"
#include "tools/map_generator.h"
#include "waypoint/loader.h"

namespace tessivar {
namespace {

namespace fs = std::filesystem;

// A fresh, empty directory for the current test.
std::string testDir() {
  const ::testing::TestInfo* test =
      ::testing::UnitTest::GetInstance()->current_test_info();
  const fs::path dir = fs::path(::testing::TempDir()) /
                       ("tessivar_svg_" + std::string(test->test_suite_name()) +
                        "_" + test->name());
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

std::string writeBytes(const std::string& path,
                       const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             std::streamsize(bytes.size()));
  return path;
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream all;
  all << file.rdbuf();
  return all.str();
}

std::set<std::string> listing(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

RunResult run(std::vector<std::string> args) {
  args.insert(args.begin(), "tessivar-svg");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  RunResult r;
  r.status = runTessivarSvg(int(argv.size()), argv.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

TEST(SvgRun, WrongArgumentCountPrintsUsage) {
  const std::string usage =
      "Usage tessivar-svg <waypointfile> [<output.svg>|-]\n";
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--"}, {"map.wpt", "a.svg", "extra"},
           {"--", "map.wpt", "a.svg", "--"}}) {
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, usage);
    EXPECT_EQ(r.err, "");
  }
}

TEST(SvgRun, WritesThePictureAndSaysSo) {
  const std::string dir = testDir();
  const std::string map =
      writeBytes(dir + "/six.wpt", encodeWaypointFile(sixWaypointExample()));
  const std::string svg = dir + "/six.svg";
  const RunResult r = run({map, svg});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Wrote " + svg + "\n");
  EXPECT_EQ(r.err, "");
  const testing::XmlDocument doc = testing::parseXml(readFile(svg));
  EXPECT_TRUE(doc.wellFormed) << doc.error;
  // Nothing but the input and the picture: the temporary file is gone.
  EXPECT_EQ(listing(dir), (std::set<std::string>{"six.wpt", "six.svg"}));

  // A second run replaces the file.
  writeBytes(svg, {'o', 'l', 'd'});
  EXPECT_EQ(run({map, svg}).status, 0);
  EXPECT_EQ(readFile(svg).rfind("<?xml", 0), 0u);
}

// Without an output the picture goes beside the map, named after it, and
// the line says where.
TEST(SvgRun, WithoutAnOutputThePictureGoesBesideTheMap) {
  const std::string dir = testDir();
  const std::vector<uint8_t> six = encodeWaypointFile(sixWaypointExample());
  const struct {
    const char* map;
    const char* picture;
  } cases[] = {
      {"six.wpt", "six.svg"},
      {"no_extension", "no_extension.svg"},
      {"de_dust.v2.old.wpt", "de_dust.v2.old.svg"},
      {"maps.d/map", "maps.d/map.svg"},
  };
  fs::create_directories(dir + "/maps.d");
  for (const auto& c : cases) {
    const std::string map = writeBytes(dir + "/" + c.map, six);
    const std::string picture = dir + "/" + c.picture;
    const RunResult r = run({map});
    EXPECT_EQ(r.status, 0) << c.map;
    EXPECT_EQ(r.out, "Wrote " + picture + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(testing::parseXml(readFile(picture)).wellFormed) << c.picture;
    EXPECT_EQ(readFile(map), std::string(six.begin(), six.end()));
  }
  // A lone "--" before the operands is dropped.
  fs::remove(dir + "/six.svg");
  EXPECT_EQ(run({"--", dir + "/six.wpt"}).out, "Wrote " + dir + "/six.svg\n");
  EXPECT_TRUE(fs::exists(dir + "/six.svg"));
}

// A map whose own name ends in .svg: the default name is the map itself,
// which is never written.
TEST(SvgRun, TheDefaultNameNeverReplacesTheMap) {
  const std::string dir = testDir();
  const std::vector<uint8_t> six = encodeWaypointFile(sixWaypointExample());
  const std::string map = writeBytes(dir + "/map.svg", six);
  const RunResult r = run({map});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Couldn't write file " + map + ": it is the waypoint file\n");
  EXPECT_EQ(readFile(map), std::string(six.begin(), six.end()));
  EXPECT_EQ(listing(dir), (std::set<std::string>{"map.svg"}));

  const RunResult none = run({dir + "/"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "Couldn't name the picture after " + dir +
                          "/: it names no file; give the output's name\n");
}

// Two maps dropped together on the program arrive as a map and an output:
// the second map is never replaced by a picture, nor is any other map.
TEST(SvgRun, AnotherWaypointFileIsNeverWrittenOver) {
  const std::string dir = testDir();
  const std::vector<uint8_t> six = encodeWaypointFile(sixWaypointExample());
  const std::string first = writeBytes(dir + "/first.wpt", six);
  const std::string second = writeBytes(dir + "/second.wpt", six);
  const std::string picture = writeBytes(dir + "/map.svg", six);
  for (const std::string& output : {second, picture}) {
    const RunResult r = run({first, output});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Couldn't write file " + output + ": it is a waypoint file\n");
    EXPECT_EQ(readFile(output), std::string(six.begin(), six.end()));
  }
  // A file that only starts like one, short of the full type text, is no
  // waypoint file.
  const std::string almost = writeBytes(dir + "/almost.svg", {'H', 'P', 'B', '_', 'b', 'o'});
  EXPECT_EQ(run({first, almost}).status, 0);
  EXPECT_EQ(readFile(almost).rfind("<?xml", 0), 0u);
  EXPECT_EQ(listing(dir), (std::set<std::string>{"first.wpt", "second.wpt",
                                                 "map.svg", "almost.svg"}));
}

// Each bad input gets the loader's own message, status 1 and no picture.
TEST(SvgRun, BadInputsAreRefusedLikeTheReport) {
  const std::string dir = testDir();
  MapSpec badTarget = sixWaypointExample();
  badTarget.paths[2].push_back(9);
  const struct {
    const char* label;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"wrong type", encodeWaypointFile(sixWaypointExample(),
                                        std::string("NOT_bot\0", 8))},
      {"short", {'H', 'P', 'B', '_', 'b', 'o', 't', 0, 1, 2}},
      {"empty", {}},
      {"bad target", encodeWaypointFile(badTarget)},
      {"cut", [] {
         std::vector<uint8_t> b = encodeWaypointFile(sixWaypointExample());
         b.resize(b.size() - 3);
         return b;
       }()},
  };
  for (const auto& c : cases) {
    const std::string map = writeBytes(dir + "/in.wpt", c.bytes);
    WaypointGraph graph;
    const LoadResult expected = loadWaypointFile(map, graph);
    ASSERT_NE(expected.status, LoadStatus::kLoaded) << c.label;
    const RunResult r = run({map, dir + "/out.svg"});
    EXPECT_EQ(r.status, 1) << c.label;
    EXPECT_EQ(r.out, expected.message + "\n") << c.label;
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fs::exists(dir + "/out.svg")) << c.label;
  }
  EXPECT_EQ(run({dir + "/in.wpt", dir + "/out.svg"}).out.rfind(
                "Corrupt waypoint file: ", 0),
            0u);
  EXPECT_EQ(run({dir + "/missing.wpt", dir + "/out.svg"}).out,
            "Couldn't open file " + dir + "/missing.wpt\n");
  EXPECT_EQ(listing(dir), (std::set<std::string>{"in.wpt"}));
}

TEST(SvgRun, HeaderNeedingMoreMemoryThanThereIsEndsAbnormally) {
  const std::string dir = testDir();
  // 100000 waypoints need about 10^10 cells per matrix: far beyond any
  // machine the tests run on. The file itself is complete and small.
  const int32_t n = 100000;
  std::vector<uint8_t> bytes(kHeaderSize + size_t(n) * (kRecordSize + 2), 0);
  std::copy_n("HPB_bot", 7, bytes.begin());
  for (int i = 0; i < 4; ++i) bytes[16 + size_t(i)] = uint8_t(n >> (8 * i));
  const std::string map = writeBytes(dir + "/huge.wpt", bytes);
  const RunResult r = run({map, dir + "/huge.svg"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "\nAbnormal program termination\n");
  EXPECT_FALSE(fs::exists(dir + "/huge.svg"));
}

TEST(SvgRun, UnwritableOutputIsAnErrorAndLeavesNothingBehind) {
  const std::string dir = testDir();
  const std::string map =
      writeBytes(dir + "/six.wpt", encodeWaypointFile(sixWaypointExample()));
  fs::create_directory(dir + "/taken");
  writeBytes(dir + "/plain", {'x'});
  for (const std::string& out :
       {dir + "/no/such/dir/a.svg", dir + "/taken", dir + "/plain/a.svg",
        dir + "/", std::string()}) {
    const RunResult r = run({map, out});
    EXPECT_EQ(r.status, 1) << out;
    EXPECT_EQ(r.out, "Couldn't write file " + out + "\n");
    EXPECT_EQ(listing(dir), (std::set<std::string>{"six.wpt", "taken", "plain"}))
        << out;
    EXPECT_TRUE(listing(dir + "/taken").empty());
    EXPECT_EQ(readFile(dir + "/plain"), "x");
  }
}

#if defined(TESSIVAR_SVG_BINARY) && !defined(_WIN32)
// The built executable: statuses and the one line it prints (on Windows:
// svg_output_windows_test.cpp).
TEST(SvgBinary, RunsAndReportsStatuses) {
  const std::string dir = testDir();
  const std::string map =
      writeBytes(dir + "/six.wpt", encodeWaypointFile(sixWaypointExample()));
  auto status = [&](const std::string& args, std::string* out) {
    const std::string command =
        std::string("'") + TESSIVAR_SVG_BINARY + "' " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buf[256];
    size_t got;
    out->clear();
    while ((got = fread(buf, 1, sizeof buf, pipe)) > 0) out->append(buf, got);
    const int raw = pclose(pipe);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  std::string out;
  EXPECT_EQ(status("", &out), 1);
  EXPECT_NE(out.find(" <waypointfile> [<output.svg>|-]\n"), std::string::npos);
  EXPECT_EQ(status("'" + dir + "/missing.wpt' '" + dir + "/a.svg'", &out), 1);
  EXPECT_EQ(out, "Couldn't open file " + dir + "/missing.wpt\n");
  EXPECT_EQ(status("'" + map + "' '" + dir + "/a.svg'", &out), 0);
  EXPECT_EQ(out, "Wrote " + dir + "/a.svg\n");
  EXPECT_TRUE(testing::parseXml(readFile(dir + "/a.svg")).wellFormed);
}
#endif

}  // namespace
}  // namespace tessivar
