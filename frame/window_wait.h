// Whether a tool waits for Enter before it ends, so that a console window
// made for it alone (Windows, started from Explorer) does not close before
// its output can be read.
#ifndef TESSIVAR_FRAME_WINDOW_WAIT_H_
#define TESSIVAR_FRAME_WINDOW_WAIT_H_

#include "platform/console_window.h"

namespace tessivar {

// True when the console's window would close as this process ends and a
// person is reading it: the process is alone on its console (a shell it
// was started from, cmd or PowerShell, would be attached too; the window
// of Windows Terminal or of a script belongs to one), the console has a
// window (a console made without one shows nothing to read), and standard
// input, output and error are all that console (a run whose output goes
// to a file or a pipe is read there, and a redirected input can't be
// waited on). Wine run from a Unix terminal makes a console with a window
// for the program alone, as Explorer does: there too it waits, unless a
// stream is redirected.
bool waitsBeforeClosing(const platform::ConsoleFacts& console);

// The line a waiting tool writes last, on standard error.
constexpr const char* kPressEnterToClose = "Press Enter to close this window.";

}  // namespace tessivar

#endif  // TESSIVAR_FRAME_WINDOW_WAIT_H_
