#include "analysis/pathing_kernels.h"

namespace tessivar {

bool kernelPathSupported(KernelPath path) {
  switch (path) {
    case KernelPath::kPortable:
      return true;
#ifdef TESSIVAR_X86_KERNELS
    case KernelPath::kAvx2:
      return __builtin_cpu_supports("avx2");
    case KernelPath::kAvx512:
      return __builtin_cpu_supports("avx512f");
#endif
    default:
      return false;
  }
}

KernelPath bestKernelPath() {
  if (kernelPathSupported(KernelPath::kAvx512)) return KernelPath::kAvx512;
  if (kernelPathSupported(KernelPath::kAvx2)) return KernelPath::kAvx2;
  return KernelPath::kPortable;
}

const PathingKernels& pathingKernels(KernelPath path) {
  if (kernelPathSupported(path)) {
    switch (path) {
#ifdef TESSIVAR_X86_KERNELS
      case KernelPath::kAvx2:
        return kernel_detail::kAvx2Kernels;
      case KernelPath::kAvx512:
        return kernel_detail::kAvx512Kernels;
#endif
      default:
        break;
    }
  }
  return kernel_detail::kPortableKernels;
}

}  // namespace tessivar
