// Huge pages on Windows and other systems without POSIX (what it does:
// huge_pages.h): no advice. Windows gives large pages only to memory
// allocated for them, by a user holding the lock-pages privilege, so
// ordinary vectors stay on ordinary pages.
#include "platform/huge_pages.h"

namespace tessivar {
namespace platform {

void adviseHugePages(void*, size_t) {}

}  // namespace platform
}  // namespace tessivar
