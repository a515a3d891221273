// Helper threads on POSIX systems (what they are: helper_thread.h).
#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/helper_thread.h"

namespace tessivar {
namespace platform {

static_assert(sizeof(pthread_t) <= 16, "a pthread_t fits HelperThread's handle");

namespace {

// The stack asked for: kHelperThreadStackBytes, or the system's least when
// that is more, in whole pages.
uint64_t helperStackBytes() {
  uint64_t bytes = kHelperThreadStackBytes;
#ifdef PTHREAD_STACK_MIN
  bytes = std::max<uint64_t>(bytes, uint64_t(PTHREAD_STACK_MIN));
#endif
  const long page = sysconf(_SC_PAGESIZE);
  const uint64_t pageBytes = page > 0 ? uint64_t(page) : 4096;
  return (bytes + pageBytes - 1) / pageBytes * pageBytes;
}

pthread_t* handleOf(unsigned char* storage) {
  return std::launder(reinterpret_cast<pthread_t*>(storage));
}

}  // namespace

struct HelperThreadEntry {
  static void* run(void* self) {
    static_cast<const HelperThread*>(self)->run();
    return nullptr;
  }
};

uint64_t helperThreadAddressSpace() {
  // The guard is a page below the stack; 64 KiB covers the largest pages.
  return helperStackBytes() + (64 << 10);
}

HelperThread::~HelperThread() { join(); }

bool HelperThread::start(Function function, void* context) {
  if (running_) return false;
  function_ = function;
  context_ = context;
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  bool started = false;
  if (pthread_attr_setstacksize(&attributes, size_t(helperStackBytes())) == 0) {
    pthread_t* handle = new (handle_) pthread_t;
    started = pthread_create(handle, &attributes, &HelperThreadEntry::run, this) == 0;
  }
  pthread_attr_destroy(&attributes);
  running_ = started;
  return started;
}

void HelperThread::join() {
  if (!running_) return;
  pthread_join(*handleOf(handle_), nullptr);
  running_ = false;
}

}  // namespace platform
}  // namespace tessivar
