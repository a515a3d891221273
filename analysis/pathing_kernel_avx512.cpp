// The pathing kernels for AVX-512 (16 floats per vector: one block). Compiled
// with -mavx512f and -ffp-contract=off, and called only after the run-time
// check for AVX-512F.
#include "analysis/pathing_block_kernel.inc"

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
  using VI = __m512i;
  // 4 x 4 accumulators, 4 column vectors and a row vector fit the 32
  // vector registers.
  static constexpr int kBlockRows = 4;
  static constexpr int kLanes = 16;
  static V load(const float* p) { return _mm512_loadu_ps(p); }
  static V add(V a, V b) { return _mm512_add_ps(a, b); }
  static V min(V a, V b) { return _mm512_min_ps(a, b); }
  static void store(float* p, V v) { _mm512_storeu_ps(p, v); }
  static V splat(float x) { return _mm512_set1_ps(x); }
  static float reduceMin(V v) {
    V half = _mm512_min_ps(v, _mm512_shuffle_f32x4(v, v, _MM_SHUFFLE(1, 0, 3, 2)));
    half = _mm512_min_ps(half, _mm512_shuffle_f32x4(half, half, _MM_SHUFFLE(2, 3, 0, 1)));
    __m128 m = _mm512_castps512_ps128(half);
    m = _mm_min_ps(m, _mm_movehl_ps(m, m));
    m = _mm_min_ss(m, _mm_shuffle_ps(m, m, 1));
    return _mm_cvtss_f32(m);
  }
  static V minWhere(V acc, V x, uint32_t lanes) {
    return _mm512_mask_min_ps(acc, static_cast<__mmask16>(lanes), acc, x);
  }
  static uint32_t equalMask(V a, V b) {
    return static_cast<uint32_t>(_mm512_cmp_ps_mask(a, b, _CMP_EQ_OQ));
  }
  static uint32_t lessMask(V a, V b) {
    return static_cast<uint32_t>(_mm512_cmp_ps_mask(a, b, _CMP_LT_OQ));
  }
  static VI loadI(const int32_t* p) { return _mm512_loadu_si512(p); }
  static VI minI(VI a, VI b) { return _mm512_min_epi32(a, b); }
  static int32_t reduceMinI(VI v) { return _mm512_reduce_min_epi32(v); }
  // least, lowered to number in the lanes where sum == target.
  static VI minWhereEqualI(VI least, V sum, V target, VI number) {
    return _mm512_mask_min_epi32(least, _mm512_cmp_ps_mask(sum, target, _CMP_EQ_OQ), least,
                                 number);
  }
  static VI splatI(int32_t x) { return _mm512_set1_epi32(x); }
  static uint32_t greaterMaskI(VI a, VI b) {
    return static_cast<uint32_t>(_mm512_cmpgt_epi32_mask(a, b));
  }
  // Compress in a register and store all 16 lanes (the slots past the
  // count are scratch); the store form of the compress is slow on some
  // processors.
  static int64_t appendIndices(int32_t* out, uint32_t mask, int32_t base) {
    const __m512i numbers = _mm512_add_epi32(
        _mm512_set1_epi32(base),
        _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    _mm512_storeu_si512(out, _mm512_maskz_compress_epi32(static_cast<__mmask16>(mask), numbers));
    return __builtin_popcount(mask);
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

// offerRowT in two vectors of 16 columns that stay in registers.
void offerRowAvx512(const float* through, const int32_t* columns, const float* values,
                    const int32_t* entries, int64_t count, float* sums, int32_t* vias) {
  static_assert(tessivar::kSparseColumns == 32, "two vectors of 16 columns");
  __m512 least0 = _mm512_loadu_ps(sums);
  __m512 least1 = _mm512_loadu_ps(sums + 16);
  __m512i lowest0 = _mm512_loadu_si512(vias);
  __m512i lowest1 = _mm512_loadu_si512(vias + 16);
  for (int64_t i = 0; i < count; ++i) {
    const int64_t e = entries ? entries[i] : i;
    const int32_t m = columns[e];
    const float* row = through + int64_t(m) * 32;
    const __m512 add = _mm512_set1_ps(values[e]);
    const __m512i number = _mm512_set1_epi32(m);
    const __m512 sum0 = _mm512_add_ps(_mm512_loadu_ps(row), add);
    const __m512 sum1 = _mm512_add_ps(_mm512_loadu_ps(row + 16), add);
    const __mmask16 lower0 = _mm512_cmp_ps_mask(sum0, least0, _CMP_LT_OQ);
    const __mmask16 lower1 = _mm512_cmp_ps_mask(sum1, least1, _CMP_LT_OQ);
    least0 = _mm512_mask_mov_ps(least0, lower0, sum0);
    least1 = _mm512_mask_mov_ps(least1, lower1, sum1);
    lowest0 = _mm512_mask_mov_epi32(lowest0, lower0, number);
    lowest1 = _mm512_mask_mov_epi32(lowest1, lower1, number);
  }
  _mm512_storeu_ps(sums, least0);
  _mm512_storeu_ps(sums + 16, least1);
  _mm512_storeu_si512(vias, lowest0);
  _mm512_storeu_si512(vias + 16, lowest1);
}

}  // namespace

namespace tessivar {
namespace kernel_detail {

const PathingKernels kAvx512Kernels = {KernelPath::kAvx512, "avx512",
                                       &evaluateTileFn<Avx512Ops>,
                                       &closeRowFn<Avx512Ops>, &pushSumsT<Avx512Ops>,
                                       &offerRowAvx512};

}  // namespace kernel_detail
}  // namespace tessivar
#endif
