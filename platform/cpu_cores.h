// The cores this process may run its threads on, and whether another of
// its threads would find one idle now. The pathing engine asks before it
// starts a second thread: two threads that wait for each other whenever
// one of them is descheduled are slower than one.
#ifndef TESSIVAR_PLATFORM_CPU_CORES_H_
#define TESSIVAR_PLATFORM_CPU_CORES_H_

#include <cstdint>
#include <string>

namespace tessivar {
namespace platform {

// Cores the process may use, at least 1.
// Windows: the processors in its affinity mask (GetProcessAffinityMask),
// capped by a hard CPU rate limit of the job it runs in (a cap of r% of the
// machine's processors leaves r% of them, rounded up).
// Linux: the CPUs in its affinity mask (sched_getaffinity), capped by the
// smallest CPU quota along its control group and the group's parents
// (platform/control_group.h), rounded down.
// Elsewhere: the machine's cores (std::thread::hardware_concurrency).
unsigned usableCores();

// Whether a thread started now, beside the one asking, would find a core
// of the `cores` the process may use idle.
// Linux: no more threads are running than leave one idle (the running
// count of /proc/loadavg, the fewest of a few samples a millisecond apart,
// so a process that runs for an instant does not count).
// Windows: there is no cheap count of running threads, so any second core
// counts as idle.
bool coreIdleNow(unsigned cores);

// The cores a hard CPU rate cap leaves: `rate` in hundredths of a percent
// of `processors` (Windows' unit), rounded up, at least 1.
unsigned coresUnderRateCap(uint32_t rate, unsigned processors);

namespace cpu_cores_detail {
// The running-thread count from /proc/loadavg text ("0.5 0.4 0.3 2/130
// 123"), or -1.
int runningThreads(const std::string& loadavg);
}  // namespace cpu_cores_detail

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_CPU_CORES_H_
