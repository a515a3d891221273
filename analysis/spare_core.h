// Whether the pathing phase may take a second thread: only where the
// process may run on two cores at once and one of them is idle now. On a
// busy machine, or under a one-core limit, the two threads of the pathing
// wavefront wait for each other whenever one is descheduled, and one
// thread is faster. The system queries (Linux: the affinity mask, the
// control group's CPU quota, the running-thread count) all live here.
#ifndef TESSIVAR_ANALYSIS_SPARE_CORE_H_
#define TESSIVAR_ANALYSIS_SPARE_CORE_H_

#include <string>

namespace tessivar {

// Cores this process may use at once: the smaller of the CPUs in its
// affinity mask and its control groups' CPU quotas (rounded down, at least
// 1); the machine's count where these can't be read.
int usableCores();

// usableCores() >= 2 and, sampled a few times a millisecond apart, no more
// threads running on the machine than leave one core idle.
bool secondCoreAvailable();

namespace spare_core_detail {
// The parsers behind usableCores(), on the text of the files they read.
// Each returns the cores a quota allows, or 0 for "no limit" (or text that
// can't be read).
// cgroup v2 cpu.max: "max 100000" or "<quota> <period>".
double quotaFromCpuMax(const std::string& text);
// cgroup v1 cpu.cfs_quota_us and cpu.cfs_period_us (quota -1: none).
double quotaFromCfs(const std::string& quota, const std::string& period);
// The group path of the process in /proc/self/cgroup text: the v2 line
// ("0::/path") when `unified`, else the v1 line whose controllers include
// "cpu"; "" when there is none.
std::string groupPath(const std::string& procSelfCgroup, bool unified);
// The running-thread count from /proc/loadavg text ("0.5 0.4 0.3 2/130
// 123"), or -1.
int runningThreads(const std::string& loadavg);
}  // namespace spare_core_detail

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_SPARE_CORE_H_
