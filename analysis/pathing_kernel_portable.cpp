// The pathing kernels in plain C++: the path for any machine.
#include "analysis/pathing_block_kernel.inc"

namespace {

struct PortableOps {
  using V = float;
  using VI = int32_t;
  static constexpr int kBlockRows = 4;
  static constexpr int kLanes = 1;
  static V load(const float* p) { return *p; }
  static V add(V a, V b) { return a + b; }
  static V min(V a, V b) { return b < a ? b : a; }
  static void store(float* p, V v) { *p = v; }
  static V splat(float x) { return x; }
  static float reduceMin(V v) { return v; }
  static V minWhere(V acc, V x, uint32_t lanes) { return lanes && x < acc ? x : acc; }
  static uint32_t equalMask(V a, V b) { return a == b ? 1u : 0u; }
  static uint32_t lessMask(V a, V b) { return a < b ? 1u : 0u; }
  static VI loadI(const int32_t* p) { return *p; }
  static VI splatI(int32_t x) { return x; }
  static VI minI(VI a, VI b) { return b < a ? b : a; }
  static int32_t reduceMinI(VI v) { return v; }
  static VI minWhereEqualI(VI least, V sum, V target, VI number) {
    return sum == target && number < least ? number : least;
  }
  static uint32_t greaterMaskI(VI a, VI b) { return a > b ? 1u : 0u; }
  static int64_t appendIndices(int32_t* out, uint32_t mask, int32_t base) {
    int64_t count = 0;
    for (; mask; mask &= mask - 1) out[count++] = base + __builtin_ctz(mask);
    return count;
  }
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

const PathingKernels kPortableKernels = {KernelPath::kPortable, "portable",
                                         &evaluateTileFn<PortableOps>,
                                         &closeRowFn<PortableOps>, &pushSumsT<PortableOps>,
                                         &offerRowT<PortableOps>};

}  // namespace kernel_detail
}  // namespace tessivar
