// Helper threads on Windows (what they are: helper_thread.h). The stack is
// a reservation of its own size; the C runtime's per-thread data comes
// from the process heap, which all threads share.
#include <process.h>
#include <windows.h>

#include <new>

#include "platform/helper_thread.h"

namespace tessivar {
namespace platform {

static_assert(sizeof(HANDLE) <= 16, "a HANDLE fits HelperThread's handle");

namespace {

HANDLE* handleOf(unsigned char* storage) {
  return std::launder(reinterpret_cast<HANDLE*>(storage));
}

}  // namespace

struct HelperThreadEntry {
  static unsigned __stdcall run(void* self) {
    static_cast<const HelperThread*>(self)->run();
    return 0;
  }
};

uint64_t helperThreadAddressSpace() {
  // Reservations come in 64 KiB steps; the guard pages lie inside.
  return kHelperThreadStackBytes + (64 << 10);
}

HelperThread::~HelperThread() { join(); }

bool HelperThread::start(Function function, void* context) {
  if (running_) return false;
  function_ = function;
  context_ = context;
  const uintptr_t thread =
      _beginthreadex(nullptr, unsigned(kHelperThreadStackBytes), &HelperThreadEntry::run, this,
                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == 0) return false;
  *new (handle_) HANDLE = reinterpret_cast<HANDLE>(thread);
  running_ = true;
  return true;
}

void HelperThread::join() {
  if (!running_) return;
  const HANDLE thread = *handleOf(handle_);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  running_ = false;
}

}  // namespace platform
}  // namespace tessivar
