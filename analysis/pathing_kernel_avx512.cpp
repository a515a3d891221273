// The pathing kernels for AVX-512 (16 floats per vector). Compiled with
// -mavx512f and -ffp-contract=off, and called only after the run-time check
// for AVX-512F.
#include "analysis/pathing_tile_kernel.inc"

#ifdef TESSIVAR_X86_KERNELS
#include <immintrin.h>

// GCC 12 warns about the deliberately undefined pass-through operand
// inside its own _mm512_min_ps; the warning is about the header, not this
// code.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace {

struct Avx512Ops {
  using V = __m512;
  static constexpr int64_t kLanes = 16;
  // 4 x 4 accumulators, 4 column vectors and a row vector fit the 32
  // vector registers.
  static constexpr int kBlockRows = 4;
  static V load(const float* p) { return _mm512_loadu_ps(p); }
  static V add(V a, V b) { return _mm512_add_ps(a, b); }
  static V min(V a, V b) { return _mm512_min_ps(a, b); }
  static V splat(float x) { return _mm512_set1_ps(x); }
  static float reduceMin(V v) {
    V half = _mm512_min_ps(v, _mm512_shuffle_f32x4(v, v, _MM_SHUFFLE(1, 0, 3, 2)));
    half = _mm512_min_ps(half, _mm512_shuffle_f32x4(half, half, _MM_SHUFFLE(2, 3, 0, 1)));
    __m128 m = _mm512_castps512_ps128(half);
    m = _mm_min_ps(m, _mm_movehl_ps(m, m));
    m = _mm_min_ss(m, _mm_shuffle_ps(m, m, 1));
    return _mm_cvtss_f32(m);
  }
  static uint32_t equalMask(V a, V b) {
    return static_cast<uint32_t>(_mm512_cmp_ps_mask(a, b, _CMP_EQ_OQ));
  }
  static bool anyCommonBit(const uint64_t* x, const uint64_t* y, int64_t words) {
    int64_t w = 0;
    for (; w + 8 <= words; w += 8) {
      if (_mm512_test_epi64_mask(_mm512_loadu_si512(x + w), _mm512_loadu_si512(y + w))) {
        return true;
      }
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

const PathingKernels kAvx512Kernels = {
    KernelPath::kAvx512, "avx512", &evaluateTileFn<Avx512Ops>,
    &minSumFn<Avx512Ops>, &firstSumEqualFn<Avx512Ops>, &closeRowFn<Avx512Ops>,
    &pushSumsT<Avx512Ops>};

}  // namespace kernel_detail
}  // namespace tessivar
#endif
