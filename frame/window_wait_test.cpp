// The decision to wait for Enter, from the console's facts alone, on every
// system; the facts this system gives, where it can be known what they
// should be.
#include "frame/window_wait.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/console_window.h"

namespace tessivar {
namespace {

using platform::ConsoleFacts;

// A console window of its own: what a double click in Explorer gives.
ConsoleFacts ownWindow() {
  ConsoleFacts facts;
  facts.self = 4242;
  facts.processes = {4242};
  facts.hasWindow = true;
  facts.inputIsConsole = facts.outputIsConsole = facts.errorIsConsole = true;
  return facts;
}

TEST(WindowWait, AloneInAWindowOfItsOwnWaits) {
  EXPECT_TRUE(waitsBeforeClosing(ownWindow()));
}

TEST(WindowWait, SharingTheConsoleWithAShellNeverWaits) {
  ConsoleFacts facts = ownWindow();
  facts.processes = {1000, 4242};  // cmd, then the tool
  EXPECT_FALSE(waitsBeforeClosing(facts));
  facts.processes = {4242, 1000};
  EXPECT_FALSE(waitsBeforeClosing(facts));
  facts.processes = {1000, 2000, 4242};  // PowerShell running a script
  EXPECT_FALSE(waitsBeforeClosing(facts));
}

TEST(WindowWait, NoConsoleOrAnotherProcessAloneNeverWaits) {
  ConsoleFacts facts = ownWindow();
  facts.processes = {};
  EXPECT_FALSE(waitsBeforeClosing(facts));
  facts.processes = {1000};
  EXPECT_FALSE(waitsBeforeClosing(facts));
}

TEST(WindowWait, ARedirectedStreamNeverWaits) {
  for (bool ConsoleFacts::*stream :
       {&ConsoleFacts::inputIsConsole, &ConsoleFacts::outputIsConsole,
        &ConsoleFacts::errorIsConsole}) {
    ConsoleFacts facts = ownWindow();
    facts.*stream = false;
    EXPECT_FALSE(waitsBeforeClosing(facts));
  }
}

TEST(WindowWait, AConsoleWithoutAWindowNeverWaits) {
  ConsoleFacts facts = ownWindow();
  facts.hasWindow = false;  // a console made with CREATE_NO_WINDOW
  EXPECT_FALSE(waitsBeforeClosing(facts));
}

// The tests run with their output captured (CTest's pipes), so this
// process never waits, on any system.
TEST(WindowWait, TheseTestsNeverWait) {
  const ConsoleFacts facts = platform::consoleFacts();
#ifdef _WIN32
  if (!facts.processes.empty()) {
    EXPECT_NE(std::find(facts.processes.begin(), facts.processes.end(),
                        facts.self),
              facts.processes.end());
  }
#else
  EXPECT_TRUE(facts.processes.empty());
  EXPECT_FALSE(facts.hasWindow);
#endif
  if (!facts.outputIsConsole) {
    EXPECT_FALSE(waitsBeforeClosing(facts));
  }
}

#ifdef _WIN32
// Under a terminal (scripts/test-windows.sh runs it in one under Wine):
// the facts name this process and its console. Skipped with the output
// captured.
TEST(WindowWaitWindows, FactsUnderATerminal) {
  const ConsoleFacts facts = platform::consoleFacts();
  if (!facts.outputIsConsole) GTEST_SKIP() << "standard output is no console";
  EXPECT_NE(std::find(facts.processes.begin(), facts.processes.end(),
                      facts.self),
            facts.processes.end());
  EXPECT_TRUE(facts.inputIsConsole);
  EXPECT_TRUE(facts.errorIsConsole);
}
#endif

}  // namespace
}  // namespace tessivar
