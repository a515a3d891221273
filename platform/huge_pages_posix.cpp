// Huge pages on POSIX systems (what it does: huge_pages.h): madvise with
// MADV_HUGEPAGE, where the system has it (Linux).
#include <sys/mman.h>

#include <cstdint>

#include "platform/huge_pages.h"

namespace tessivar {
namespace platform {

void adviseHugePages(void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHugePage - 1);
  // Advice only: where it is refused (no transparent huge pages, or memory
  // the system won't split) the pages stay ordinary ones.
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace platform
}  // namespace tessivar
