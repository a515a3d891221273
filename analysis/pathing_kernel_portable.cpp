// The pathing kernels in plain C++: the path for any machine.
#include "analysis/pathing_tile_kernel.inc"

namespace {

struct PortableOps {
  using V = float;
  static constexpr int64_t kLanes = 1;
  static constexpr int kBlockRows = 4;
  static V load(const float* p) { return *p; }
  static V add(V a, V b) { return a + b; }
  static V min(V a, V b) { return b < a ? b : a; }
  static V splat(float x) { return x; }
  static float reduceMin(V v) { return v; }
  static uint32_t equalMask(V a, V b) { return a == b ? 1u : 0u; }
  static bool anyCommonBit(const uint64_t* x, const uint64_t* y, int64_t words) {
    for (int64_t w = 0; w < words; ++w) {
      if (x[w] & y[w]) return true;
    }
    return false;
  }
};

}  // namespace

namespace tessivar {
namespace kernel_detail {

const PathingKernels kPortableKernels = {
    KernelPath::kPortable, "portable", &evaluateTileFn<PortableOps>,
    &minSumFn<PortableOps>, &firstSumEqualFn<PortableOps>, &closeRowFn<PortableOps>,
    &pushSumsT<PortableOps>};

}  // namespace kernel_detail
}  // namespace tessivar
