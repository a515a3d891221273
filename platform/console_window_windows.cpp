// The console window on Windows (what it is: console_window.h).
#include <windows.h>

#include "platform/console_window.h"

namespace tessivar {
namespace platform {

namespace {

bool isConsole(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) == FILE_TYPE_CHAR &&
         GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

ConsoleFacts consoleFacts() {
  ConsoleFacts facts;
  facts.self = GetCurrentProcessId();
  // The list may grow between two calls: asked again with room for what
  // the last call counted.
  std::vector<DWORD> ids(8);
  for (;;) {
    const DWORD count =
        GetConsoleProcessList(ids.data(), static_cast<DWORD>(ids.size()));
    if (count <= ids.size()) {
      ids.resize(count);  // 0: no console, or the call failed
      break;
    }
    ids.resize(count + 8);
  }
  facts.processes.assign(ids.begin(), ids.end());
  facts.hasWindow = GetConsoleWindow() != nullptr;
  facts.inputIsConsole = isConsole(STD_INPUT_HANDLE);
  facts.outputIsConsole = isConsole(STD_OUTPUT_HANDLE);
  facts.errorIsConsole = isConsole(STD_ERROR_HANDLE);
  return facts;
}

void waitForEnter() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return;
  // Keys pressed while the tool ran (an Enter among them) must not close
  // the window before the user has seen its end.
  FlushConsoleInputBuffer(input);
  // In the console's line mode a read returns once Enter is pressed; an
  // end of input or a failed read ends the wait too.
  for (;;) {
    wchar_t typed[64];
    DWORD got = 0;
    if (!ReadConsoleW(input, typed, 64, &got, nullptr) || got == 0) return;
    for (DWORD k = 0; k < got; ++k) {
      if (typed[k] == L'\r' || typed[k] == L'\n') return;
    }
  }
}

}  // namespace platform
}  // namespace tessivar
