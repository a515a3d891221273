// The console window on systems other than Windows (what it is:
// console_window.h): a terminal is never made for one process and closed
// with it, so there are no facts to gather and nothing to wait for.
#include "platform/console_window.h"

namespace tessivar {
namespace platform {

ConsoleFacts consoleFacts() { return {}; }

void waitForEnter() {}

}  // namespace platform
}  // namespace tessivar
