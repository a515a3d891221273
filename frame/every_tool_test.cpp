// Every built tool answering --help and --version as a user runs it, its
// help listing the options its manual page lists, and the file names the
// two look like still reaching files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/version.h"
#include "frame/window_wait.h"
#include "testing/child_process.h"
#include "testing/test_support.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

namespace fs = std::filesystem;
using testing::ChildResult;
using testing::runChild;

struct Tool {
  const char* name;
  std::string binary;
};

const std::vector<Tool> kTools = {
#ifdef TESSIVAR_BINARY
    {"tessivar", TESSIVAR_BINARY},
#endif
#ifdef TESSIVAR_ISLANDS_BINARY
    {"tessivar-islands", TESSIVAR_ISLANDS_BINARY},
#endif
#ifdef TESSIVAR_SVG_BINARY
    {"tessivar-svg", TESSIVAR_SVG_BINARY},
#endif
#ifdef TESSIVAR_MEND_BINARY
    {"tessivar-mend", TESSIVAR_MEND_BINARY},
#endif
#ifdef TESSIVAR_VIEW_BINARY
    {"tessivar-view", TESSIVAR_VIEW_BINARY},
#endif
};

void expectExited(const ChildResult& run, int status) {
  ASSERT_TRUE(run.started);
  EXPECT_TRUE(run.exited && !run.timedOut) << "ended by signal " << run.signal;
  EXPECT_EQ(run.status, status);
}

// The long options a text names ("--" and a lower-case letter, then
// lower-case letters and hyphens), "\-" in a manual page read as "-".
std::set<std::string> optionsIn(const std::string& page) {
  std::string text;
  for (size_t i = 0; i < page.size(); ++i) {
    if (page.compare(i, 2, "\\-") == 0) ++i;
    text += page[i];
  }
  const auto lower = [&text](size_t i) {
    return i < text.size() && text[i] >= 'a' && text[i] <= 'z';
  };
  std::set<std::string> options;
  for (size_t i = 0; i + 2 < text.size(); ++i) {
    if (text[i] != '-' || text[i + 1] != '-' || !lower(i + 2)) continue;
    size_t end = i + 3;
    while (lower(end) || (end < text.size() && text[end] == '-')) ++end;
    options.insert(text.substr(i, end - i));
    i = end - 1;
  }
  return options;
}

std::string readText(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fresh folder for the current test.
std::string freshDir() {
  const std::string dir =
      testing::tempDir() + "tessivar_every_" +
      ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::remove_all(fs::u8path(dir));
  fs::create_directories(fs::u8path(dir));
  return dir;
}

TEST(EveryTool, AnswersHelpAndVersion) {
  ASSERT_EQ(kTools.size(), 5u);
  for (const Tool& tool : kTools) {
    SCOPED_TRACE(tool.name);
    const ChildResult help = runChild({tool.binary, "--help"});
    expectExited(help, 0);
    EXPECT_EQ(help.out.rfind(std::string("Usage: ") + tool.name + " ", 0), 0u)
        << help.out;
    EXPECT_NE(help.out.find("\nExit status:\n"), std::string::npos);
    EXPECT_NE(help.out.find("Explorer"), std::string::npos);
    EXPECT_EQ(help.err, "");
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_LE(line.size(), 79u) << line;
    }

    const ChildResult version = runChild({tool.binary, "--version"});
    expectExited(version, 0);
    EXPECT_EQ(version.out, std::string(tool.name) + " " + projectVersion() + "\n");
    EXPECT_EQ(version.err, "");
    // Captured output is no console window: nothing waits.
    EXPECT_EQ(help.err.find(kPressEnterToClose), std::string::npos);
  }
}

TEST(EveryTool, HelpListsTheOptionsOfTheManualPage) {
  for (const Tool& tool : kTools) {
    SCOPED_TRACE(tool.name);
    const std::string page = readText(std::string(TESSIVAR_SOURCE_DIR) +
                                      "/man/" + tool.name + ".1");
    ASSERT_FALSE(page.empty());
    const ChildResult help = runChild({tool.binary, "--help"});
    EXPECT_EQ(optionsIn(help.out), optionsIn(page));
    EXPECT_TRUE(optionsIn(page).count("--help"));
  }
}

TEST(EveryTool, FilesNamedLikeTheRequestsAreStillFiles) {
  const std::string dir = freshDir();
  const std::vector<uint8_t> map = encodeWaypointFile(sixWaypointExample());
  std::ofstream(fs::u8path(dir + "/--help"), std::ios::binary)
      .write(reinterpret_cast<const char*>(map.data()), std::streamsize(map.size()));
  for (const Tool& tool : kTools) {
    SCOPED_TRACE(tool.name);
    const std::string name = tool.name;
    // tessivar-mend needs an output, or --dry-run.
    const ChildResult byName =
        name == "tessivar-mend"
            ? runChild({tool.binary, "--dry-run", "./--help"}, 60, false, dir)
            : runChild({tool.binary, "./--help"}, 60, false, dir);
    expectExited(byName, 0);
    EXPECT_EQ(byName.err, "");
    if (name == "tessivar") {
      EXPECT_NE(byName.out.find("Loading waypoints for map six_waypoints...\n"),
                std::string::npos);
      const ChildResult byPath = runChild({tool.binary, dir + "/--help"});
      EXPECT_EQ(testing::maskTimings(byName.out),
                testing::maskTimings(byPath.out));
      // Beside another argument, --help is one of two arguments.
      const ChildResult two = runChild({tool.binary, "--help", "./--help"}, 60,
                                       false, dir);
      expectExited(two, 1);
      EXPECT_NE(two.out.find("Usage "), std::string::npos);
    } else if (name == "tessivar-islands") {
      EXPECT_EQ(byName.out.rfind("./--help: map \"six_waypoints\", 6 waypoints", 0), 0u);
      const ChildResult afterEnd =
          runChild({tool.binary, "--json", "--", "--help"}, 60, false, dir);
      expectExited(afterEnd, 0);
      EXPECT_EQ(afterEnd.out.rfind("{\"file\": \"--help\", \"map\": \"six_waypoints\"", 0), 0u);
    } else if (name == "tessivar-mend") {
      EXPECT_EQ(byName.out.rfind("./--help: map \"six_waypoints\", 6 waypoints", 0), 0u);
      const ChildResult afterEnd =
          runChild({tool.binary, "--", "--help", "--version"}, 60, false, dir);
      expectExited(afterEnd, 0);
      EXPECT_NE(afterEnd.out.find("\nWrote --version: "), std::string::npos);
      // The mended copy starts with the map's header.
      EXPECT_EQ(readText(dir + "/--version").substr(0, 32),
                readText(dir + "/--help").substr(0, 32));
      // A waypoint file there now, which the tools after would not write over.
      fs::remove(fs::u8path(dir + "/--version"));
    } else if (name == "tessivar-view") {
      EXPECT_EQ(byName.out, "Wrote ./--help.html\n");
      EXPECT_TRUE(fs::exists(fs::u8path(dir + "/--help.html")));
      const ChildResult afterEnd =
          runChild({tool.binary, "--", "--help", "--version"}, 60, false, dir);
      expectExited(afterEnd, 0);
      EXPECT_EQ(afterEnd.out, "Wrote --version\n");
      EXPECT_EQ(readText(dir + "/--version").rfind("<!DOCTYPE html>", 0), 0u);
    } else {
      EXPECT_EQ(byName.out, "Wrote ./--help.svg\n");
      EXPECT_TRUE(fs::exists(fs::u8path(dir + "/--help.svg")));
      const ChildResult afterEnd =
          runChild({tool.binary, "--", "--help", "--version"}, 60, false, dir);
      expectExited(afterEnd, 0);
      EXPECT_EQ(afterEnd.out, "Wrote --version\n");
      EXPECT_EQ(readText(dir + "/--version").rfind("<?xml", 0), 0u);
    }
  }
}

}  // namespace
}  // namespace tessivar
