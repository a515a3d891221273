// The inner loops of the pathing and reachability engines, compiled once
// per instruction set (portable C++, AVX2, AVX-512) and chosen at run time,
// so a default build runs on any x86-64 and uses the widest vectors the
// machine has.
//
// Every kernel computes the same float sums (one rounding per sum, no
// fused multiply-add, no reassociation) and the same minima; minimum,
// comparison and "lowest equal" are exact operations, so every path gives
// bit-identical results.
#ifndef TESSIVAR_ANALYSIS_PATHING_KERNELS_H_
#define TESSIVAR_ANALYSIS_PATHING_KERNELS_H_

#include <cstdint>

namespace tessivar {

enum class KernelPath { kPortable, kAvx2, kAvx512 };

// Intermediates per block: the waypoints are grouped into blocks
// (block_order.h) whose bounds the pathing engine keeps, and a block's
// intermediates are one vector of AVX-512, two of AVX2.
constexpr int64_t kBlockSize = 16;

// Columns a sparse pass takes at a time when it offers the sums through a
// row's writes (two vectors of AVX-512).
constexpr int64_t kSparseColumns = 32;

// Rows of a band: the rows whose cells of one column a tile evaluates, one
// bit each in a 64-bit mask.
constexpr int64_t kGroupRows = 64;
// Blocks per bound vector: the bounds of 16 blocks are formed and compared together, and a
// superblock is such a group.
constexpr int64_t kBoundGroup = 16;
// Columns of a tile: the band's cells of a few consecutive columns.
constexpr int64_t kTileColumns = 4;
// Dense passes: at most this many chunks of intermediates and this many
// cells in a register block (4 rows x 4 columns).
constexpr int64_t kDenseChunksMax = 16;
constexpr int64_t kDenseCellsMax = 16;

// How a pass finds each cell's smallest sum (pathing_sweep.h explains
// them). All three give the same matrices.
enum class PassKind : uint8_t {
  kSparse,   // only the sums through operands written since the cell's
             // last evaluation, offered column by column
  kBounded,  // each cell sums the blocks of intermediates its bounds admit
             // (the sweep keeps bounds)
  kDense,    // each cell sums every intermediate, in register blocks (the
             // sweep keeps no bounds)
};

// The sweep's matrices and per-line arrays as the kernels see them: built
// once by the sweep from the arrays it owns (PathingSweep::Arrays::view),
// and handed unchanged to every kernel call. The kernels write the
// pathing block, the intermediates and the per-line arrays; the sizes and
// the order stay fixed.
//
// The pathing block keeps its rows in block order: cell a->b at
// pathing[position[a] + b * paddedN], so the intermediates of a block are
// kBlockSize consecutive floats of a column; positions past N hold
// +infinity.
struct SweepView {
  int64_t n = 0;
  int64_t paddedN = 0;      // N rounded up to whole blocks
  int64_t blocks = 0;       // blocks holding waypoints
  int64_t boundStride = 0;  // entries per line of the block arrays, whole groups
  int64_t superStride = 0;  // entries per line of the superblock arrays; 0: none
  float* pathing = nullptr;  // paddedN x N
  int16_t* via = nullptr;    // N x N intermediates, cell a->b at a + b * N
  const int32_t* order = nullptr;     // paddedN: waypoint at each position,
                                      // INT32_MAX past N
  const int32_t* position = nullptr;  // N: position of each waypoint
  // Per row a and block q: the smallest pathing a->m over m in block q
  // (rowMin), and the time of the last write to such a cell (rowTime); per
  // column b the same for the cells m->b. A time is pass * N + the column
  // (rows) or row (columns) written, passes counted from 1. The superblock
  // arrays hold the same per group of kBoundGroup blocks.
  float* rowMin = nullptr;
  float* columnMin = nullptr;
  int32_t* rowTime = nullptr;
  int32_t* columnTime = nullptr;
  float* rowSuperMin = nullptr;
  float* columnSuperMin = nullptr;
  int32_t* rowSuperTime = nullptr;
  int32_t* columnSuperTime = nullptr;
  // Per row and per column: the latest time over all blocks; the smallest
  // value of the line; the smallest value written in a pass, by the pass's
  // parity (this pass and the last).
  int32_t* rowLatest = nullptr;
  int32_t* columnLatest = nullptr;
  float* rowSmallest = nullptr;
  float* columnSmallest = nullptr;
  float* rowWritten[2] = {nullptr, nullptr};
  float* columnWritten[2] = {nullptr, nullptr};
  // The map's paths by position: out of waypoint a the positions
  // outPosition[outBegin[a] .. outBegin[a + 1]), into waypoint b the
  // positions inPosition[inBegin[b] .. inBegin[b + 1]). A sum through a
  // neighbour of a or of b is a sum the cell's smallest can't exceed.
  // Null unless PassSettings::neighbourBars can be on (the sweep's option).
  const int64_t* outBegin = nullptr;
  const int32_t* outPosition = nullptr;
  const int64_t* inBegin = nullptr;
  const int32_t* inPosition = nullptr;
  // Position p holds waypoint p: the first position giving a sum is the
  // lowest waypoint giving it.
  bool numberingOrder = false;
  // Whether the per-block minima and times (rowMin .. columnSuperTime) are
  // kept: they are on maps whose passes are bounded, and are null on maps
  // whose passes are dense (no bound skips much there).
  bool keepsBounds = true;
};

// What differs from pass to pass.
struct PassSettings {
  PassKind kind = PassKind::kBounded;
  int32_t previous = 0;  // (pass - 1) * N: times above it are writes since
                         // one pass ago
  int32_t current = 0;   // pass * N
  int parity = 0;        // this pass's entry of rowWritten and columnWritten
  // Dense passes sum the intermediates in chunks of denseChunk positions
  // (a multiple of kBlockSize), keeping each chunk's running minimum, so
  // the lowest waypoint giving the smallest sum is looked for only from
  // the chunk where that sum first appears.
  int64_t denseChunk = 0;
  // Switches for tests; the results are the same with any of them off.
  bool blockBounds = true;     // skip blocks whose bound can't beat the cell
  bool changedOnly = true;     // skip blocks with no operand written since
  bool viaThreshold = true;    // bar at the sum through the current intermediate
  bool neighbourBars = true;   // bar at the sums through the paths' ends
};

// One tile: rows a0 .. a0 + rows - 1 of columns b0 .. b0 + columns - 1,
// and the worker's buffers and counts.
struct TileJob {
  int64_t a0 = 0;        // first row of the band
  int64_t rows = 0;      // rows of the band (at most kGroupRows)
  int64_t b0 = 0;        // first column
  int64_t columns = 0;   // at most kTileColumns
  // The band's rows a0 + k in block order: rowBuffer + k * rowStride holds
  // pathing (a0 + k) -> order[j] at j, kept in step with the matrix.
  float* rowBuffer = nullptr;
  int64_t rowStride = 0;
  // The band's own block of the matrix, kGroupRows x kGroupRows: row k
  // holds pathing (a0 + k) -> (a0 + k') at k' (+infinity past the band's
  // rows), kept in step with it.
  float* inner = nullptr;
  // Per column j, bit k: cell (a0 + k) -> (b0 + j) is evaluated in a pass
  // (considered), and it may change, an operand having been written (due).
  uint64_t considered[kTileColumns] = {};
  uint64_t due[kTileColumns] = {};
  // Room for boundStride + kBoundGroup block numbers and kDenseCellsMax *
  // boundStride / kBoundGroup 16-bit masks.
  int32_t* scratch = nullptr;
  // Dense passes: room for kDenseChunksMax x kDenseCellsMax vectors of 16
  // floats, the running minima of a register block's cells after each chunk.
  float* chunkMinima = nullptr;
  // The log of the cells rewritten, while it has room: the kernel appends
  // (row, column) pairs and sets logFull when one doesn't fit.
  int32_t* logRow = nullptr;
  int32_t* logColumn = nullptr;
  int64_t logCount = 0;
  int64_t logCapacity = 0;
  bool logFull = false;
  // Counts, added to by the kernel.
  int64_t evaluated = 0;       // cells whose candidate blocks were formed
  int64_t skipped = 0;         // due cells no written value could change
  int64_t scanned = 0;         // blocks of intermediates summed, per register
                               // block
  int64_t registerBlocks = 0;  // register blocks summed for
  int64_t writes = 0;          // cells rewritten
};

struct PathingKernels {
  KernelPath path;
  const char* name;
  // Evaluates the due cells of the tile row by row, each row's in column
  // order, rewriting those that a strictly shorter sum beats, as the plain
  // sweep would; a write makes the considered cells below it in its column
  // and after it in its row due. pass.kind is kBounded or kDense.
  void (*evaluateTile)(const SweepView& view, const PassSettings& pass, TileJob& tile);
  // One row of a reachability pass over bit rows and bit columns (see
  // ReachabilitySweep); returns the cells it set.
  int64_t (*closeRow)(uint64_t* rowA, uint64_t* columns, int64_t n, int64_t words, int64_t a);
  // For p in [0, count): best[p] = min(best[p], sumKey(column[p] + add, m)).
  void (*pushSums)(const float* column, float add, int32_t m, uint64_t* best, int64_t count);
  // For each entry e = entries[i] (or i where entries is null), i in
  // [0, count) in turn, with m = columns[e], and each j in
  // [0, kSparseColumns): where through[m * kSparseColumns + j] + values[e]
  // is below sums[j], sums[j] takes it and vias[j] takes m (given in
  // ascending m, so the lowest m of equal sums stays).
  void (*offerRow)(const float* through, const int32_t* columns, const float* values,
                   const int32_t* entries, int64_t count, float* sums, int32_t* vias);
};

// A sum and the waypoint giving it as one number ordered as "smaller sum,
// then lower waypoint": the sum's bits above the waypoint's number. (A
// float that is not negative, +infinity included, orders as its bits; no
// sum here is negative, -0 or NaN.)
inline uint32_t floatBits(float x) {
  uint32_t bits;
  __builtin_memcpy(&bits, &x, sizeof bits);
  return bits;
}
inline uint64_t sumKey(float sum, int32_t m) {
  return (uint64_t(floatBits(sum)) << 32) | uint32_t(m);
}
inline float keySum(uint64_t key) {
  const uint32_t bits = static_cast<uint32_t>(key >> 32);
  float sum;
  __builtin_memcpy(&sum, &bits, sizeof sum);
  return sum;
}
inline int32_t keyWaypoint(uint64_t key) { return static_cast<int32_t>(uint32_t(key)); }

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
