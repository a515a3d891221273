// The limits of the Linux control groups a process runs in: memory, beyond
// which the kernel's out-of-memory killer ends the process however much
// memory the machine has free, and CPU time, which caps the cores its
// threads can keep busy.
//
// A limit can be set on the process's own group or on any group above it
// (a service, a slice, a container), so the limit that counts is the
// smallest along the way from the process's group up to the top of the
// hierarchy, in cgroup v2 and in the v1 controller alike. The process's
// groups come from /proc/self/cgroup; where each hierarchy is mounted, and
// which part of it the mount shows (a container sees its own group as the
// top), from /proc/self/mountinfo. Without mountinfo the usual mount
// points under /sys/fs/cgroup are read. Elsewhere than on Linux none of
// the files exist and there is no limit.
#ifndef TESSIVAR_PLATFORM_CONTROL_GROUP_H_
#define TESSIVAR_PLATFORM_CONTROL_GROUP_H_

#include <cstdint>
#include <string>

namespace tessivar {
namespace platform {

// Every path below is read under `root`: "" for the real system; a test
// passes a directory that mirrors /proc/self and the cgroup mounts.

// The smallest memory limit along the process's groups, v2 memory.max and
// v1 memory.limit_in_bytes, or UINT64_MAX where none is set or none can be
// read.
uint64_t controlGroupMemoryLimit(const std::string& root = "");

// The smallest CPU quota along the process's groups, in cores (quota over
// period: 1.5 is one and a half cores' time), from v2 cpu.max and v1
// cpu.cfs_quota_us and cpu.cfs_period_us; 0 where none is set or none can
// be read.
double controlGroupCpuQuota(const std::string& root = "");

namespace control_group_detail {
// The quota in the text of one group's files, in cores; 0 for "no limit"
// or text that can't be read.
// cgroup v2 cpu.max: "max 100000" or "<quota> <period>".
double quotaFromCpuMax(const std::string& text);
// cgroup v1 cpu.cfs_quota_us and cpu.cfs_period_us (quota -1: none).
double quotaFromCfs(const std::string& quota, const std::string& period);
}  // namespace control_group_detail

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_CONTROL_GROUP_H_
