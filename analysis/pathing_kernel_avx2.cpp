// The pathing kernels for AVX2 (8 floats per vector: half a block).
// Compiled with -mavx2 only (no FMA), and called only after the run-time
// check for AVX2.
#include "analysis/pathing_block_kernel.inc"

#ifdef TESSIVAR_X86_KERNELS
#include <immintrin.h>

namespace {

struct Avx2Ops {
  using V = __m256;
  using VI = __m256i;
  // 2 x 4 accumulators, 4 column vectors and a row vector fit the 16
  // vector registers.
  static constexpr int kBlockRows = 2;
  static constexpr int kLanes = 8;
  static V load(const float* p) { return _mm256_loadu_ps(p); }
  static V add(V a, V b) { return _mm256_add_ps(a, b); }
  static V min(V a, V b) { return _mm256_min_ps(a, b); }
  static void store(float* p, V v) { _mm256_storeu_ps(p, v); }
  static V splat(float x) { return _mm256_set1_ps(x); }
  static float reduceMin(V v) {
    __m128 m = _mm_min_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
    m = _mm_min_ps(m, _mm_movehl_ps(m, m));
    m = _mm_min_ss(m, _mm_shuffle_ps(m, m, 1));
    return _mm_cvtss_f32(m);
  }
  static V minWhere(V acc, V x, uint32_t lanes) {
    const __m256i bit = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    const __m256i set = _mm256_cmpeq_epi32(
        _mm256_and_si256(_mm256_set1_epi32(static_cast<int32_t>(lanes)), bit), bit);
    return _mm256_blendv_ps(acc, _mm256_min_ps(acc, x), _mm256_castsi256_ps(set));
  }
  static uint32_t equalMask(V a, V b) {
    return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_cmp_ps(a, b, _CMP_EQ_OQ)));
  }
  static uint32_t lessMask(V a, V b) {
    return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_cmp_ps(a, b, _CMP_LT_OQ)));
  }
  static VI loadI(const int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }
  static VI splatI(int32_t x) { return _mm256_set1_epi32(x); }
  static VI minI(VI a, VI b) { return _mm256_min_epi32(a, b); }
  static int32_t reduceMinI(VI v) {
    __m128i m = _mm_min_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    m = _mm_min_epi32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    m = _mm_min_epi32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtsi128_si32(m);
  }
  // least, lowered to number in the lanes where sum == target.
  static VI minWhereEqualI(VI least, V sum, V target, VI number) {
    const __m256i equal = _mm256_castps_si256(_mm256_cmp_ps(sum, target, _CMP_EQ_OQ));
    return _mm256_min_epi32(least, _mm256_blendv_epi8(least, number, equal));
  }
  static uint32_t greaterMaskI(VI a, VI b) {
    return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(a, b))));
  }
  static int64_t appendIndices(int32_t* out, uint32_t mask, int32_t base) {
    int64_t count = 0;
    for (; mask; mask &= mask - 1) out[count++] = base + __builtin_ctz(mask);
    return count;
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

// offerRowT in four vectors of 8 columns that stay in registers.
void offerRowAvx2(const float* through, const int32_t* columns, const float* values,
                  const int32_t* entries, int64_t count, float* sums, int32_t* vias) {
  static_assert(tessivar::kSparseColumns == 32, "four vectors of 8 columns");
  __m256 least[4];
  __m256 lowest[4];  // the waypoints' bits, blended as floats
  for (int v = 0; v < 4; ++v) {
    least[v] = _mm256_loadu_ps(sums + 8 * v);
    lowest[v] = _mm256_castsi256_ps(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(vias + 8 * v)));
  }
  for (int64_t i = 0; i < count; ++i) {
    const int64_t e = entries ? entries[i] : i;
    const int32_t m = columns[e];
    const float* row = through + int64_t(m) * 32;
    const __m256 add = _mm256_set1_ps(values[e]);
    const __m256 number = _mm256_castsi256_ps(_mm256_set1_epi32(m));
    for (int v = 0; v < 4; ++v) {
      const __m256 sum = _mm256_add_ps(_mm256_loadu_ps(row + 8 * v), add);
      const __m256 lower = _mm256_cmp_ps(sum, least[v], _CMP_LT_OQ);
      least[v] = _mm256_blendv_ps(least[v], sum, lower);
      lowest[v] = _mm256_blendv_ps(lowest[v], number, lower);
    }
  }
  for (int v = 0; v < 4; ++v) {
    _mm256_storeu_ps(sums + 8 * v, least[v]);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(vias + 8 * v),
                        _mm256_castps_si256(lowest[v]));
  }
}

}  // namespace

namespace tessivar {
namespace kernel_detail {

const PathingKernels kAvx2Kernels = {KernelPath::kAvx2, "avx2", &evaluateTileFn<Avx2Ops>,
                                     &closeRowFn<Avx2Ops>, &pushSumsT<Avx2Ops>,
                                     &offerRowAvx2};

}  // namespace kernel_detail
}  // namespace tessivar
#endif
