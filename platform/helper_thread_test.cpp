// Helper threads: they run their function, are joined, and map no more than
// helperThreadAddressSpace() (no default-sized stack, no heap of their own).
#include "platform/helper_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "testing/test_support.h"

namespace tessivar {
namespace platform {
namespace {

TEST(HelperThread, RunsItsFunctionAndIsJoined) {
  std::atomic<int> calls{0};
  HelperThread helper;
  EXPECT_FALSE(helper.running());
  ASSERT_TRUE(helper.start([](void* count) { ++*static_cast<std::atomic<int>*>(count); },
                           &calls));
  EXPECT_TRUE(helper.running());
  helper.join();
  EXPECT_FALSE(helper.running());
  EXPECT_EQ(calls.load(), 1);
  helper.join();  // nothing to wait for
  // The same object starts a thread again once joined.
  ASSERT_TRUE(helper.start([](void* count) { ++*static_cast<std::atomic<int>*>(count); },
                           &calls));
  helper.join();
  EXPECT_EQ(calls.load(), 2);
}

// One thread at a time per object; the destructor waits for it.
TEST(HelperThread, OneAtATimeAndTheDestructorJoins) {
  std::atomic<bool> release{false};
  std::atomic<int> finished{0};
  struct Shared {
    std::atomic<bool>* release;
    std::atomic<int>* finished;
  } shared{&release, &finished};
  const auto wait = [](void* context) {
    const Shared& s = *static_cast<const Shared*>(context);
    while (!s.release->load()) std::this_thread::yield();
    ++*s.finished;
  };
  {
    HelperThread helper;
    ASSERT_TRUE(helper.start(wait, &shared));
    EXPECT_FALSE(helper.start(wait, &shared));
    std::thread([&release] { release = true; }).join();
  }
  EXPECT_EQ(finished.load(), 1);
}

TEST(HelperThread, AddressSpaceIsItsStackAndAGuard) {
  EXPECT_GE(helperThreadAddressSpace(), kHelperThreadStackBytes);
  EXPECT_LE(helperThreadAddressSpace(), kHelperThreadStackBytes + (64 << 10));
}

#if defined(__linux__) && !defined(TESSIVAR_SANITIZED)
// In a fresh process (no thread has run in it yet, so the C library has no
// heap of another thread to hand on), a helper thread that runs some work
// leaves the address space at most helperThreadAddressSpace() larger: a
// thread started as std::thread would leave about 72 MiB (its 8 MiB stack
// and a 64 MiB heap reservation).
TEST(HelperThreadDeathTest, MapsNoMoreThanItsStack) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto run = [] {
    const int64_t before = testing::mappedBytesNow();
    HelperThread helper;
    volatile double sink = 0;
    if (!helper.start(
            [](void* out) {
              double sum = 0;
              for (int i = 1; i < 100000; ++i) sum += 1.0 / i;
              *static_cast<volatile double*>(out) = sum;
            },
            const_cast<double*>(&sink))) {
      std::_Exit(2);
    }
    helper.join();
    const int64_t grown = testing::mappedBytesNow() - before;
    std::_Exit(before > 0 && grown <= int64_t(helperThreadAddressSpace()) ? 0 : 1);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace platform
}  // namespace tessivar
