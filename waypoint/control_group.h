// The memory limit of the control group a process runs in. Beyond it the
// kernel's out-of-memory killer ends the process, however much memory the
// machine has free.
//
// A limit can be set on the process's own group or on any group above it
// (a service, a slice, a container), so the limit that counts is the
// smallest along the way from the process's group up to the top of the
// hierarchy: memory.max in cgroup v2, memory.limit_in_bytes in the v1
// memory controller. The groups come from /proc/self/cgroup, where each
// hierarchy is mounted from /proc/self/mountinfo.
#ifndef TESSIVAR_WAYPOINT_CONTROL_GROUP_H_
#define TESSIVAR_WAYPOINT_CONTROL_GROUP_H_

#include <cstdint>
#include <string>

namespace tessivar {

// The smallest memory limit along the process's groups in both versions,
// or UINT64_MAX where none is set or none can be read. Every path is read
// below `root` ("" for the real system; a test passes a directory that
// mirrors /proc/self and the cgroup mounts).
uint64_t controlGroupMemoryLimit(const std::string& root = "");

}  // namespace tessivar

#endif  // TESSIVAR_WAYPOINT_CONTROL_GROUP_H_
