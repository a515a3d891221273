// Cores on Windows (what it does: cpu_cores.h).
#include <windows.h>

#include <algorithm>
#include <bitset>

#include "platform/cpu_cores.h"

namespace tessivar {
namespace platform {

namespace {
// A rate given as a minimum and a maximum, the maximum in the high word;
// newer than the MinGW headers.
constexpr DWORD kMinMaxRate = 0x10;
}  // namespace

unsigned usableCores() {
  DWORD_PTR processMask = 0, systemMask = 0;
  unsigned cores = 1;
  if (GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask) &&
      processMask != 0) {
    cores = static_cast<unsigned>(std::bitset<64>(processMask).count());
  }
  // A job may cap the processor time of its processes as a share of all
  // the machine's processors.
  JOBOBJECT_CPU_RATE_CONTROL_INFORMATION rate{};
  if (QueryInformationJobObject(nullptr, JobObjectCpuRateControlInformation,
                                &rate, sizeof rate, nullptr) &&
      (rate.ControlFlags & JOB_OBJECT_CPU_RATE_CONTROL_ENABLE)) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const unsigned processors = system.dwNumberOfProcessors;
    uint32_t cap = 0;
    if (rate.ControlFlags & JOB_OBJECT_CPU_RATE_CONTROL_HARD_CAP) {
      cap = rate.CpuRate;
    } else if (rate.ControlFlags & kMinMaxRate) {
      cap = HIWORD(rate.CpuRate);
    }
    if (cap > 0 && processors > 0) {
      cores = std::min(cores, coresUnderRateCap(cap, processors));
    }
  }
  return cores;
}

bool coreIdleNow(unsigned cores) { return cores >= 2; }

}  // namespace platform
}  // namespace tessivar
