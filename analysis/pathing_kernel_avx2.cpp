// The pathing kernels for AVX2 (8 floats per vector). Compiled with -mavx2
// only (no FMA), and called only after the run-time check for AVX2.
#include "analysis/pathing_tile_kernel.inc"

#ifdef TESSIVAR_X86_KERNELS
#include <immintrin.h>

namespace {

struct Avx2Ops {
  using V = __m256;
  static constexpr int64_t kLanes = 8;
  // 2 x 4 accumulators, 4 column vectors and a row vector fit the 16
  // vector registers.
  static constexpr int kBlockRows = 2;
  static V load(const float* p) { return _mm256_loadu_ps(p); }
  static V add(V a, V b) { return _mm256_add_ps(a, b); }
  static V min(V a, V b) { return _mm256_min_ps(a, b); }
  static V splat(float x) { return _mm256_set1_ps(x); }
  static float reduceMin(V v) {
    __m128 m = _mm_min_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
    m = _mm_min_ps(m, _mm_movehl_ps(m, m));
    m = _mm_min_ss(m, _mm_shuffle_ps(m, m, 1));
    return _mm_cvtss_f32(m);
  }
  static uint32_t equalMask(V a, V b) {
    return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_cmp_ps(a, b, _CMP_EQ_OQ)));
  }
  static bool anyCommonBit(const uint64_t* x, const uint64_t* y, int64_t words) {
    int64_t w = 0;
    for (; w + 4 <= words; w += 4) {
      const __m256i both = _mm256_and_si256(
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + w)),
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + w)));
      if (!_mm256_testz_si256(both, both)) return true;
    }
    for (; w < words; ++w) {
      if (x[w] & y[w]) return true;
    }
    return false;
  }
};

}  // namespace

namespace tessivar {
namespace kernel_detail {

const PathingKernels kAvx2Kernels = {
    KernelPath::kAvx2, "avx2", &evaluateTileFn<Avx2Ops>, &minSumFn<Avx2Ops>,
    &firstSumEqualFn<Avx2Ops>, &closeRowFn<Avx2Ops>,
    &pushSumsT<Avx2Ops>};

}  // namespace kernel_detail
}  // namespace tessivar
#endif
