// The console a tool writes to, as far as the question "will its window
// close with this process?" needs it, and a wait for Enter.
//
// On Windows a console program started from Explorer (a double click, or
// a map dropped on its icon) gets a console window of its own, which
// closes the moment the program ends, before anything in it can be read.
// Started from cmd, PowerShell, Windows Terminal or a script, it shares
// the console of the shell, which stays. consoleFacts() gathers what tells
// the two apart; frame/window_wait.h decides. Other systems have no such
// window: their facts say so, and no tool ever waits there. (Wine, run
// from a Unix terminal, makes a console for the program alone, with a
// window: what Explorer does.)
#ifndef TESSIVAR_PLATFORM_CONSOLE_WINDOW_H_
#define TESSIVAR_PLATFORM_CONSOLE_WINDOW_H_

#include <cstdint>
#include <vector>

namespace tessivar {
namespace platform {

struct ConsoleFacts {
  // The processes attached to this process's console (Windows:
  // GetConsoleProcessList), this one among them; empty with no console,
  // and on other systems.
  std::vector<uint32_t> processes;
  uint32_t self = 0;        // this process's id
  bool hasWindow = false;   // the console has a window (GetConsoleWindow)
  // Whether standard input, output and error are that console rather than
  // a file, a pipe or nothing.
  bool inputIsConsole = false;
  bool outputIsConsole = false;
  bool errorIsConsole = false;
};

ConsoleFacts consoleFacts();

// Discards what was typed so far, then waits until Enter is pressed on the
// console (or its input ends). Windows only; elsewhere it returns at once.
void waitForEnter();

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_CONSOLE_WINDOW_H_
