// What the frame does for every tool before and after its run: --help and
// --version, and the wait at the end in a console window of its own. The
// built tools answering them: every_tool_test.cpp.
#include "frame/tool_main.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/version.h"
#include "frame/window_wait.h"

namespace tessivar {
namespace {

ToolRequest requestIn(std::vector<const char*> args, RequestRule rule) {
  args.insert(args.begin(), "tool");
  return findToolRequest(int(args.size()), args.data(), rule);
}

TEST(ToolRequest, LoneArgumentOnly) {
  const RequestRule lone = RequestRule::kLoneArgument;
  EXPECT_EQ(requestIn({"--help"}, lone), ToolRequest::kHelp);
  EXPECT_EQ(requestIn({"--version"}, lone), ToolRequest::kVersion);
  EXPECT_EQ(requestIn({}, lone), ToolRequest::kRun);
  for (const char* name : {"./--help", "--help ", "-help", "--HELP", "-h",
                           "--versions", "--", "map.wpt"}) {
    EXPECT_EQ(requestIn({name}, lone), ToolRequest::kRun) << name;
  }
  EXPECT_EQ(requestIn({"--help", "map.wpt"}, lone), ToolRequest::kRun);
  EXPECT_EQ(requestIn({"map.wpt", "--version"}, lone), ToolRequest::kRun);
}

TEST(ToolRequest, AnywhereBeforeTheEndOfOptions) {
  const RequestRule options = RequestRule::kBeforeDoubleDash;
  EXPECT_EQ(requestIn({"--help"}, options), ToolRequest::kHelp);
  EXPECT_EQ(requestIn({"map.wpt", "--json", "--version"}, options),
            ToolRequest::kVersion);
  EXPECT_EQ(requestIn({"--version", "--help"}, options), ToolRequest::kVersion);
  EXPECT_EQ(requestIn({"--help", "--version"}, options), ToolRequest::kHelp);
  EXPECT_EQ(requestIn({"--", "--help"}, options), ToolRequest::kRun);
  EXPECT_EQ(requestIn({"map.wpt", "--", "--version"}, options),
            ToolRequest::kRun);
  EXPECT_EQ(requestIn({"./--help", "-", "--helpful"}, options),
            ToolRequest::kRun);
  EXPECT_EQ(requestIn({}, options), ToolRequest::kRun);
}

struct Ran {
  int calls = 0;
  std::vector<std::string> args;
};
Ran ran;

int fakeRun(int argc, const char* const* argv, std::ostream& out,
            std::ostream& err) {
  ++ran.calls;
  ran.args.assign(argv, argv + argc);
  out << "report\n";
  err << "message\n";
  return 7;
}

const ToolDescription kFake = {"fake-tool", "Usage: fake-tool <map>\n",
                               "Drop a map onto fake-tool.exe.",
                               RequestRule::kBeforeDoubleDash, fakeRun};

struct Result {
  int status;
  std::string out, err;
};

Result request(std::vector<const char*> args) {
  args.insert(args.begin(), "fake-tool");
  std::ostringstream out, err;
  const int status =
      runToolRequest(kFake, int(args.size()), args.data(), out, err);
  return {status, out.str(), err.str()};
}

TEST(ToolRequest, HelpAndVersionAnswerWithoutTheRun) {
  ran = {};
  Result r = request({"map.wpt", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Usage: fake-tool <map>\n");
  EXPECT_EQ(r.err, "");
  r = request({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("fake-tool ") + projectVersion() + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ran.calls, 0);
}

TEST(ToolRequest, AnythingElseIsTheRunWithEveryArgument) {
  ran = {};
  const Result r = request({"--", "--help"});
  EXPECT_EQ(r.status, 7);
  EXPECT_EQ(r.out, "report\n");
  EXPECT_EQ(r.err, "message\n");
  EXPECT_EQ(ran.calls, 1);
  EXPECT_EQ(ran.args, (std::vector<std::string>{"fake-tool", "--", "--help"}));
}

// Only the first lone "--" is dropped: a second one, and "-" or a name
// that starts with "--", are files.
TEST(ToolOperands, TheFirstLoneDoubleDashEndsNothingButItself) {
  struct Case {
    std::vector<const char*> args;
    std::vector<std::string> operands;
  };
  const Case cases[] = {
      {{}, {}},
      {{"map.wpt"}, {"map.wpt"}},
      {{"--", "--help", "-"}, {"--help", "-"}},
      {{"map.wpt", "--", "--"}, {"map.wpt", "--"}},
      {{"---", "--x"}, {"---", "--x"}},
  };
  for (const Case& c : cases) {
    std::vector<const char*> args = c.args;
    args.insert(args.begin(), "tool");
    EXPECT_EQ(toolOperands(int(args.size()), args.data()), c.operands);
  }
}

// The version is the one CMakeLists.txt's project() sets.
TEST(ToolRequest, VersionIsTheProjectVersion) {
  std::ifstream lists(std::string(TESSIVAR_SOURCE_DIR) + "/CMakeLists.txt");
  std::stringstream text;
  text << lists.rdbuf();
  const std::string all = text.str();
  const std::string kProject = "project(tessivar VERSION ";
  const size_t start = all.find(kProject);
  ASSERT_NE(start, std::string::npos);
  const size_t from = start + kProject.size();
  const size_t end = all.find_first_not_of("0123456789.", from);
  ASSERT_GT(end, from);
  EXPECT_EQ(projectVersion(), all.substr(from, end - from));
}

platform::ConsoleFacts windowOfItsOwn() {
  platform::ConsoleFacts facts;
  facts.self = 7;
  facts.processes = {7};
  facts.hasWindow = true;
  facts.inputIsConsole = facts.outputIsConsole = facts.errorIsConsole = true;
  return facts;
}

TEST(WindowCloses, WaitsLastWithTheHintAfterAStartWithNoArgument) {
  int waits = 0;
  std::ostringstream err;
  waitIfWindowCloses(kFake, true, windowOfItsOwn(), err, [&] {
    EXPECT_EQ(err.str(), "\nDrop a map onto fake-tool.exe.\n\n" +
                             std::string(kPressEnterToClose));
    ++waits;
  });
  EXPECT_EQ(waits, 1);

  std::ostringstream withMap;
  waitIfWindowCloses(kFake, false, windowOfItsOwn(), withMap, [&] { ++waits; });
  EXPECT_EQ(waits, 2);
  EXPECT_EQ(withMap.str(), "\n" + std::string(kPressEnterToClose));
}

TEST(WindowCloses, NoWaitAndNoWordInAShellOrRedirected) {
  platform::ConsoleFacts shell = windowOfItsOwn();
  shell.processes = {3, 7};
  platform::ConsoleFacts redirected = windowOfItsOwn();
  redirected.outputIsConsole = false;
  for (const platform::ConsoleFacts& facts : {shell, redirected}) {
    for (bool noArguments : {false, true}) {
      std::ostringstream err;
      int waits = 0;
      waitIfWindowCloses(kFake, noArguments, facts, err, [&] { ++waits; });
      EXPECT_EQ(waits, 0);
      EXPECT_EQ(err.str(), "");
    }
  }
}

}  // namespace
}  // namespace tessivar
