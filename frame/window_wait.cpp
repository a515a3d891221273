#include "frame/window_wait.h"

namespace tessivar {

bool waitsBeforeClosing(const platform::ConsoleFacts& console) {
  const bool alone = console.processes.size() == 1 &&
                     console.processes.front() == console.self;
  return alone && console.hasWindow && console.inputIsConsole &&
         console.outputIsConsole && console.errorIsConsole;
}

}  // namespace tessivar
