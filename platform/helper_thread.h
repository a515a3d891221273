// A second thread for a computation that allocates nothing, mapping no more
// than it uses: the pathing engine's wavefront runs its odd row groups on
// one.
//
// A thread started as std::thread is started costs far more address space
// than it fills. It gets the default stack (8 MiB under a usual stack
// limit), and with glibc its first call to malloc or free (std::thread
// frees its own start record on the new thread) reserves a heap of 64 MiB
// for it: about 72 MiB, which the memory check would have to count against
// an address-space limit. A helper thread gets a stack of
// kHelperThreadStackBytes and never touches the heap itself, so as long as
// the function it runs allocates nothing either, the system maps nothing
// else for it: helperThreadAddressSpace() is all it costs.
//
// POSIX systems: helper_thread_posix.cpp (pthread_create with a stack size
// of its own). Windows: helper_thread_windows.cpp (_beginthreadex with a
// stack reservation of its own; the C runtime keeps no heap per thread).
#ifndef TESSIVAR_PLATFORM_HELPER_THREAD_H_
#define TESSIVAR_PLATFORM_HELPER_THREAD_H_

#include <cstdint>

namespace tessivar {
namespace platform {

// The stack of a helper thread. The pathing engine's thread needs under
// 8 KiB (its deepest frame, a tile kernel, takes 5 KiB: g++
// -fstack-usage); the rest is room for a sanitizer's larger frames and for
// the thread-local storage the system keeps at the top of the stack.
constexpr uint64_t kHelperThreadStackBytes = 256 << 10;

// Address space one helper thread maps: its stack and a guard below it.
// glibc keeps the stack of a thread that has ended for the next one, so a
// run that starts helper threads one after another maps this once.
uint64_t helperThreadAddressSpace();

// One helper thread. start() runs function(context) on it; join() waits
// for the function to return. The function must not throw (an exception
// leaving it ends the process) and, for the thread to cost no more than
// helperThreadAddressSpace(), must not allocate.
class HelperThread {
 public:
  using Function = void (*)(void* context);

  HelperThread() = default;
  // Joins a thread still running.
  ~HelperThread();
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  // Starts the thread; false, and nothing runs, when the system can't start
  // one (too many threads, no room for its stack). At most one thread per
  // object at a time.
  bool start(Function function, void* context);

  // Waits for the function to return; does nothing when no thread runs.
  void join();

  bool running() const { return running_; }

 private:
  // Runs on the new thread: function_(context_).
  void run() const { function_(context_); }
  friend struct HelperThreadEntry;

  Function function_ = nullptr;
  void* context_ = nullptr;
  bool running_ = false;
  // The system's handle of the thread (pthread_t, or a Windows HANDLE),
  // kept here so that starting one allocates nothing.
  alignas(8) unsigned char handle_[16] = {};
};

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_HELPER_THREAD_H_
