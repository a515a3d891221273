// The inner loops of the pathing and reachability engines, compiled once per instruction set
// (portable C++, AVX2, AVX-512) and chosen at run time, so a default build
// runs on any x86-64 and uses the widest vectors the machine has.
//
// Every kernel computes the same float sums (one rounding per sum, no
// fused multiply-add, no reassociation) and the same minima; minimum and
// "first equal" are exact operations, so every path gives bit-identical
// results.
#ifndef TESSIVAR_ANALYSIS_PATHING_KERNELS_H_
#define TESSIVAR_ANALYSIS_PATHING_KERNELS_H_

#include <cstdint>

namespace tessivar {

enum class KernelPath { kPortable, kAvx2, kAvx512 };

// Rows a tile spans at most, and the columns it spans at most.
constexpr int64_t kTileRows = 64;
constexpr int64_t kTileColumns = 4;

// One tile of a dense pass: rows [a0, a0 + rows) and columns
// [b0, b0 + columns) of the pathing block, evaluated in sweep order.
struct PathingTile {
  int64_t n = 0;
  float* pathing = nullptr;  // N x N, cell a->b at a + b * N
  int32_t* via = nullptr;    // N x N intermediates
  // Row a0 + k of the pathing block (cells a0+k -> m over m) as a
  // contiguous copy at rowBuffer + k * rowStride, kept in step with it.
  float* rowBuffer = nullptr;
  int64_t rowStride = 0;
  int64_t a0 = 0, rows = 0;
  // considered[b]: bit k set when cell (a0 + k) -> b is evaluated (no
  // direct path, but a route).
  const uint64_t* considered = nullptr;
  int64_t b0 = 0, columns = 0;
  // Filled by the kernel: the cells it rewrote, in the order written.
  int32_t writes = 0;
  int32_t writtenRow[kTileRows * kTileColumns];
  int32_t writtenColumn[kTileRows * kTileColumns];
};

struct PathingKernels {
  KernelPath path;
  const char* name;
  // Evaluates every considered cell of the tile, rewriting those that a
  // strictly shorter sum beats, as the plain sweep would.
  void (*evaluateTile)(PathingTile& tile);
  // The smallest sum row[m] + column[m] over m in [begin, end); +infinity
  // for an empty range.
  float (*minSum)(const float* row, const float* column, int64_t begin,
                  int64_t end);
  // The lowest m in [0, n) with row[m] + column[m] == target, or -1.
  int64_t (*firstSumEqual)(const float* row, const float* column, int64_t n,
                           float target);
  // One row of a reachability pass over bit rows and bit columns (see
  // ReachabilitySweep); returns the cells it set.
  int64_t (*closeRow)(uint64_t* rowA, uint64_t* columns, int64_t n,
                      int64_t words, int64_t a);
  // For a in [begin, end): offers column[a] + add through intermediate m
  // to the pair (bestSum[a], bestM[a]), which keeps the smaller sum and, on
  // equal sums, the lower m.
  void (*pushSums)(const float* column, float add, int32_t m, float* bestSum,
                   int32_t* bestM, int64_t begin, int64_t end);
};

// Whether this machine can run the kernels of `path`.
bool kernelPathSupported(KernelPath path);
// The widest path the machine supports.
KernelPath bestKernelPath();
// The kernels of `path`; falls back to the portable ones when the machine
// cannot run `path`.
const PathingKernels& pathingKernels(KernelPath path);

namespace kernel_detail {
extern const PathingKernels kPortableKernels;
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TESSIVAR_X86_KERNELS 1
extern const PathingKernels kAvx2Kernels;
extern const PathingKernels kAvx512Kernels;
#endif
}  // namespace kernel_detail

}  // namespace tessivar

#endif  // TESSIVAR_ANALYSIS_PATHING_KERNELS_H_
