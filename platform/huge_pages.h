// Large arrays backed by huge pages where the system offers them. Fresh
// memory costs a page fault per page on first touch; on the virtual
// machines this project is measured on that is about 2.5 ms per MiB with
// 4 KiB pages and a tenth of it with 2 MiB pages, a large share of a run
// over a map of a thousand waypoints.
//
// POSIX systems: huge_pages_posix.cpp (madvise, where the system has
// MADV_HUGEPAGE); Windows and others: huge_pages_other.cpp, which gives no
// advice.
#ifndef TESSIVAR_PLATFORM_HUGE_PAGES_H_
#define TESSIVAR_PLATFORM_HUGE_PAGES_H_

#include <cstddef>
#include <vector>

namespace tessivar {
namespace platform {

// Asks the system to back the whole 2 MiB pages inside [data, data + bytes)
// with huge pages when they are first touched. Does nothing where the
// system has no such advice, or for ranges too small to hold one.
void adviseHugePages(void* data, size_t bytes);

// Gives `array` room for `count` elements, not yet touched, and advises
// huge pages for it; fill it afterwards (assign, resize).
template <class T>
void reserveWithHugePages(std::vector<T>& array, size_t count) {
  array.reserve(count);
  adviseHugePages(array.data(), array.capacity() * sizeof(T));
}

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_HUGE_PAGES_H_
