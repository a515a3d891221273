// The loader on byte buffers built here: what it accepts, the exact
// refusal for every broken invariant, truncation at every length, random
// byte flips checked against an independent decoder, and the memory check.
#include "waypoint/loader.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <set>
#include <sstream>
#include <utility>

#include "testing/test_support.h"
#include "tools/map_generator.h"

namespace tessivar {
namespace {

using testing::parse;

using Bytes = std::vector<uint8_t>;

// Three waypoints on a line: 0->1, 0->2, 1->0, 2 has no paths. Its path
// section starts at byte 100: count 0 at 100, targets at 102 and 104,
// count 1 at 106, target at 108, count 2 at 110; 112 bytes in all.
MapSpec threeWaypoints() {
  MapSpec map;
  map.name = "three";
  map.positions = {{0, 0, 0}, {3, 4, 0}, {0, 0, 12}};
  map.paths = {{1, 2}, {0}, {}};
  return map;
}

// The loader's progress calls in order, each as a word and a blank.
struct LoadSteps : LoadProgress {
  std::string told;
  void headerRead(const std::string&, int32_t) override { told += "header "; }
  void matricesStarting() override { told += "matrices "; }
  void matricesReady() override { told += "ready "; }
  void recordsRead(int32_t) override { told += "records "; }
  void pathListsRead(int64_t) override { told += "paths "; }
};

struct Parsed {
  LoadResult result;
  WaypointGraph graph;
  std::string lines;
};

Parsed parseBytes(const Bytes& bytes) {
  Parsed parsed;
  parsed.result = parse(bytes, parsed.graph, &parsed.lines);
  return parsed;
}

void expectCorrupt(const Bytes& bytes, const std::string& what) {
  const Parsed parsed = parseBytes(bytes);
  EXPECT_EQ(parsed.result.status, LoadStatus::kCorrupt);
  EXPECT_EQ(parsed.result.message, "Corrupt waypoint file: " + what);
}

// ---------------------------------------------------------------- type text

TEST(LoaderTypeText, ExactTypeTextLoads) {
  const Parsed parsed = parseBytes(encodeWaypointFile(threeWaypoints()));
  ASSERT_EQ(parsed.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(parsed.result.message, "");
  EXPECT_EQ(parsed.lines,
            "Loading waypoints for map three...\n"
            "3 waypoints(nodes) in file\n"
            "Initializing adjacency and edge length matrices...done.\n"
            "Read 3 waypoints(nodes)...\n"
            "Read 3 edges...\n");
}

TEST(LoaderTypeText, EighthByteIsIgnored) {
  for (char eighth : {'\0', 'X', '!', '\xff'}) {
    const Parsed parsed = parseBytes(
        encodeWaypointFile(threeWaypoints(), std::string("HPB_bot") + eighth));
    EXPECT_EQ(parsed.result.status, LoadStatus::kLoaded) << int(eighth);
  }
}

TEST(LoaderTypeText, AnyOtherTextIsNotAWaypointFile) {
  const std::string texts[] = {std::string("HPB_bo\0\0", 8),
                               std::string("hpb_bot\0", 8),
                               std::string("HPB_BOT\0", 8),
                               std::string("HPBbot\0\0", 8),
                               std::string("\0PB_bot\0", 8),
                               std::string("XHPB_bot", 8)};
  for (const std::string& text : texts) {
    const Parsed parsed =
        parseBytes(encodeWaypointFile(threeWaypoints(), text));
    EXPECT_EQ(parsed.result.status, LoadStatus::kNotWaypointFile) << text;
    EXPECT_EQ(parsed.result.message, "Not a waypoint file!");
    EXPECT_EQ(parsed.lines, "") << "nothing is written before the refusal";
    EXPECT_TRUE(parsed.graph.adjacency.empty());
    EXPECT_EQ(parsed.graph.n, 0);
  }
}

TEST(LoaderTypeText, FileShorterThanTheHeaderIsNotAWaypointFile) {
  const Bytes full = encodeWaypointFile(MapSpec{"empty", {}, {}});
  ASSERT_EQ(full.size(), kHeaderSize);
  for (size_t length = 0; length < kHeaderSize; ++length) {
    const Parsed parsed = parseBytes(Bytes(full.begin(), full.begin() + length));
    EXPECT_EQ(parsed.result.status, LoadStatus::kNotWaypointFile) << length;
    EXPECT_EQ(parsed.result.message, "Not a waypoint file!");
  }
}

// ------------------------------------------------------------- valid shapes

TEST(LoaderValid, ZeroWaypointsIsTheHeaderAlone) {
  const Parsed parsed = parseBytes(encodeWaypointFile(MapSpec{"none", {}, {}}));
  ASSERT_EQ(parsed.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(parsed.graph.n, 0);
  EXPECT_EQ(parsed.graph.cellCount, 0u);
  EXPECT_EQ(parsed.graph.pathEntryTotal, 0);
  EXPECT_EQ(parsed.lines,
            "Loading waypoints for map none...\n"
            "0 waypoints(nodes) in file\n"
            "Initializing adjacency and edge length matrices...done.\n"
            "Read 0 waypoints(nodes)...\n"
            "Read 0 edges...\n");
}

TEST(LoaderValid, MatricesOfThreeWaypoints) {
  const Parsed parsed = parseBytes(encodeWaypointFile(threeWaypoints()));
  ASSERT_EQ(parsed.result.status, LoadStatus::kLoaded);
  const WaypointGraph& g = parsed.graph;
  ASSERT_EQ(g.n, 3);
  EXPECT_EQ(g.cellCount, 9u);
  const std::set<std::pair<int, int>> direct = {{0, 1}, {0, 2}, {1, 0}};
  for (int a = 0; a < 3; ++a) {
    for (int b = 0; b < 3; ++b) {
      const size_t cell = cellIndex(a, b, 3);
      const bool isDirect = direct.count({a, b}) != 0;
      EXPECT_EQ(g.adjacency[cell], isDirect ? 1 : 0) << a << "->" << b;
      if (!isDirect) {
        EXPECT_EQ(g.edgeLength(a, b), kNoPathDistance);
      }
    }
  }
  EXPECT_EQ(g.edgeLength(0, 1), 5.0f);
  EXPECT_EQ(g.edgeLength(1, 0), 5.0f);
  EXPECT_EQ(g.edgeLength(0, 2), 12.0f);
  EXPECT_EQ(g.records[1].y, 4.0f);
  EXPECT_EQ(g.pathEntryTotal, 3);
}

TEST(LoaderValid, ReservedRecordBytesAreKept) {
  Bytes bytes = encodeWaypointFile(threeWaypoints());
  const uint8_t reserved[4] = {0xde, 0xad, 0xbe, 0xef};
  std::memcpy(&bytes[kHeaderSize + kRecordSize], reserved, 4);
  const Parsed parsed = parseBytes(bytes);
  ASSERT_EQ(parsed.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(std::memcmp(parsed.graph.records[1].reserved, reserved, 4), 0);
}

TEST(LoaderValid, SelfPathSetsTheDiagonalWithLengthZero) {
  MapSpec map{"self", {{1, 2, 3}, {4, 5, 6}}, {{0}, {}}};
  const Parsed parsed = parseBytes(encodeWaypointFile(map));
  ASSERT_EQ(parsed.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(parsed.graph.adjacency[cellIndex(0, 0, 2)], 1);
  EXPECT_EQ(parsed.graph.edgeLength(0, 0), 0.0f);
  EXPECT_EQ(parsed.graph.adjacency[cellIndex(1, 1, 2)], 0);
}

TEST(LoaderValid, DuplicatedTargetSetsTheCellOnceButCountsTwice) {
  MapSpec map{"twice", {{0, 0, 0}, {1, 0, 0}}, {{1, 1}, {}}};
  const Parsed parsed = parseBytes(encodeWaypointFile(map));
  ASSERT_EQ(parsed.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(parsed.graph.pathEntryTotal, 2);
  EXPECT_EQ(parsed.graph.adjacency.count(), 1u);
  EXPECT_NE(parsed.lines.find("Read 2 edges...\n"), std::string::npos);
}

TEST(LoaderValid, PathsAreOneWay) {
  MapSpec map{"oneway", {{0, 0, 0}, {0, 7, 0}}, {{1}, {}}};
  const Parsed parsed = parseBytes(encodeWaypointFile(map));
  ASSERT_EQ(parsed.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(parsed.graph.adjacency[cellIndex(0, 1, 2)], 1);
  EXPECT_EQ(parsed.graph.edgeLength(0, 1), 7.0f);
  EXPECT_EQ(parsed.graph.adjacency[cellIndex(1, 0, 2)], 0);
  EXPECT_EQ(parsed.graph.edgeLength(1, 0), kNoPathDistance);
}

TEST(LoaderValid, SamePositionGivesLengthZero) {
  MapSpec map{"same", {{2.5f, -1, 8}, {2.5f, -1, 8}}, {{1}, {0}}};
  const Parsed parsed = parseBytes(encodeWaypointFile(map));
  ASSERT_EQ(parsed.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(parsed.graph.edgeLength(0, 1), 0.0f);
  EXPECT_EQ(parsed.graph.edgeLength(1, 0), 0.0f);
}

TEST(LoaderValid, HugeButFiniteLengthLoads) {
  MapSpec map{"far", {{1e38f, 0, 0}, {-1e38f, 0, 0}}, {{1}, {}}};
  const Parsed parsed = parseBytes(encodeWaypointFile(map));
  ASSERT_EQ(parsed.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(parsed.graph.edgeLength(0, 1), 2e38f);
}

TEST(LoaderValid, MapNameWithoutNulShowsAll32Characters) {
  MapSpec map = threeWaypoints();
  map.name = std::string(32, 'n') + "overflow";
  const Parsed parsed = parseBytes(encodeWaypointFile(map));
  ASSERT_EQ(parsed.result.status, LoadStatus::kLoaded);
  EXPECT_EQ(parsed.graph.mapName, std::string(32, 'n'));
  EXPECT_EQ(parsed.lines.substr(0, 62),
            "Loading waypoints for map " + std::string(32, 'n') + "...\n");
}

TEST(LoaderValid, TrailingBytesAreNeverRead) {
  Bytes bytes = encodeWaypointFile(threeWaypoints());
  bytes.insert(bytes.end(), {0xff, 0xff, 0x80, 0x7f, 0x00});
  EXPECT_EQ(parseBytes(bytes).result.status, LoadStatus::kLoaded);
}

// ------------------------------------------------------------------ corrupt

TEST(LoaderCorrupt, NegativeWaypointCount) {
  for (int32_t n : {-1, -6, std::numeric_limits<int32_t>::min()}) {
    Bytes bytes = encodeWaypointFile(threeWaypoints());
    putInt32At(bytes, 16, n);
    expectCorrupt(bytes, "the header gives a negative waypoint count (" +
                             std::to_string(n) + ") at byte 16");
  }
}

TEST(LoaderCorrupt, LinesWrittenBeforeTheRefusalStay) {
  Bytes bytes = encodeWaypointFile(threeWaypoints());
  putInt32At(bytes, 16, -2);
  const Parsed parsed = parseBytes(bytes);
  EXPECT_EQ(parsed.lines,
            "Loading waypoints for map three...\n"
            "-2 waypoints(nodes) in file\n");
}

TEST(LoaderCorrupt, FileTooShortForRecordsAndCounts) {
  struct Case {
    int32_t n;
    std::string size;
  };
  // The three-waypoint file has 112 bytes.
  for (const Case& c : {Case{4, "124"}, Case{7, "178"},
                        Case{std::numeric_limits<int32_t>::max(),
                             "38654705698"}}) {
    Bytes bytes = encodeWaypointFile(threeWaypoints());
    putInt32At(bytes, 16, c.n);
    expectCorrupt(bytes, std::to_string(c.n) + " waypoints need at least " +
                             c.size +
                             " bytes for their records and path counts, but "
                             "the file has 112 bytes");
  }
}

TEST(LoaderCorrupt, NegativePathCount) {
  for (int16_t count : {int16_t(-1), std::numeric_limits<int16_t>::min()}) {
    Bytes bytes = encodeWaypointFile(threeWaypoints());
    putInt16At(bytes, 106, count);
    expectCorrupt(bytes, "waypoint 1 has a negative path count (" +
                             std::to_string(count) + ") at byte 106");
  }
}

TEST(LoaderCorrupt, TargetOutOfRange) {
  struct Case {
    size_t offset;
    int16_t target;
    int waypoint;
  };
  for (const Case& c : {Case{102, 3, 0}, Case{104, 32767, 0},
                        Case{108, -1, 1}, Case{108, -32768, 1}}) {
    Bytes bytes = encodeWaypointFile(threeWaypoints());
    putInt16At(bytes, c.offset, c.target);
    expectCorrupt(bytes, "waypoint " + std::to_string(c.waypoint) +
                             " has a path to waypoint " +
                             std::to_string(c.target) +
                             ", but the map has 3 waypoints");
  }
}

TEST(LoaderCorrupt, TheIssueExampleMessage) {
  MapSpec map = generateGridMap(32, 32);
  map.paths[17].push_back(5000);
  expectCorrupt(encodeWaypointFile(map),
                "waypoint 17 has a path to waypoint 5000, but the map has "
                "1024 waypoints");
}

TEST(LoaderCorrupt, FileEndsInsideAPathList) {
  const Bytes full = encodeWaypointFile(threeWaypoints());
  // Cut right after waypoint 1's count of 1.
  expectCorrupt(Bytes(full.begin(), full.begin() + 108),
                "the file ends at byte 108, inside the path list of "
                "waypoint 1 (1 paths need 2 bytes from byte 108)");
  // A count that runs past the end of an uncut file.
  Bytes bytes = full;
  putInt16At(bytes, 100, 6);
  expectCorrupt(bytes,
                "the file ends at byte 112, inside the path list of "
                "waypoint 0 (6 paths need 12 bytes from byte 102)");
  putInt16At(bytes, 100, 32767);
  expectCorrupt(bytes,
                "the file ends at byte 112, inside the path list of "
                "waypoint 0 (32767 paths need 65534 bytes from byte 102)");
}

TEST(LoaderCorrupt, FileEndsBeforeAPathCount) {
  const Bytes full = encodeWaypointFile(threeWaypoints());
  expectCorrupt(Bytes(full.begin(), full.begin() + 110),
                "the file ends at byte 110, before the path count of "
                "waypoint 2");
}

TEST(LoaderCorrupt, PositionNotFinite) {
  struct Case {
    float value;
    std::string shown;
  };
  const char* const kAxis[] = {"x", "y", "z"};
  for (const Case& c : {Case{std::numeric_limits<float>::quiet_NaN(), "nan"},
                        Case{std::numeric_limits<float>::infinity(), "inf"},
                        Case{-std::numeric_limits<float>::infinity(), "-inf"}}) {
    for (int axis = 0; axis < 3; ++axis) {
      Bytes bytes = encodeWaypointFile(threeWaypoints());
      putFloatAt(bytes, coordinateOffset(2, axis), c.value);
      expectCorrupt(bytes, "waypoint 2 has a position that is not a finite "
                           "number (" + std::string(kAxis[axis]) + " = " +
                               c.shown + ")");
    }
  }
}

TEST(LoaderCorrupt, LengthNotFinite) {
  // A coordinate difference beyond the float range.
  {
    Bytes bytes = encodeWaypointFile(threeWaypoints());
    putFloatAt(bytes, coordinateOffset(0, 0), 3e38f);
    putFloatAt(bytes, coordinateOffset(1, 0), -3e38f);
    expectCorrupt(bytes, "the path from waypoint 0 to waypoint 1 has a length "
                         "that is not a finite number");
  }
  // Every difference finite, but the length beyond the float range.
  {
    Bytes bytes = encodeWaypointFile(threeWaypoints());
    for (int axis = 0; axis < 3; ++axis) {
      putFloatAt(bytes, coordinateOffset(2, axis), FLT_MAX * 0.9f);
    }
    putFloatAt(bytes, coordinateOffset(0, 0), 0);
    putFloatAt(bytes, coordinateOffset(0, 1), 0);
    putFloatAt(bytes, coordinateOffset(0, 2), 0);
    expectCorrupt(bytes, "the path from waypoint 0 to waypoint 2 has a length "
                         "that is not a finite number");
  }
}

TEST(LoaderCorrupt, HugeWaypointCountWithAShortFileAllocatesNothing) {
  Bytes bytes = encodeWaypointFile(threeWaypoints());
  putInt32At(bytes, 16, 70000);
  const Parsed parsed = parseBytes(bytes);
  EXPECT_EQ(parsed.result.status, LoadStatus::kCorrupt);
  EXPECT_EQ(parsed.graph.adjacency.capacity(), 0u);
  EXPECT_EQ(parsed.graph.pathLengths.capacity(), 0u);
}

// ------------------------------------------------------------- truncation

TEST(LoaderTruncation, EveryCutOfAValidFileIsRefused) {
  for (const MapSpec& map : {threeWaypoints(), generateRealisticMap(7, 40),
                             sixWaypointExample()}) {
    const Bytes full = encodeWaypointFile(map);
    ASSERT_EQ(parseBytes(full).result.status, LoadStatus::kLoaded);
    for (size_t length = 0; length < full.size(); ++length) {
      const Parsed parsed =
          parseBytes(Bytes(full.begin(), full.begin() + length));
      if (length < kHeaderSize) {
        EXPECT_EQ(parsed.result.status, LoadStatus::kNotWaypointFile);
      } else {
        EXPECT_EQ(parsed.result.status, LoadStatus::kCorrupt) << length;
        EXPECT_EQ(parsed.result.message.rfind("Corrupt waypoint file: ", 0),
                  0u)
            << parsed.result.message;
      }
    }
  }
}

// ------------------------------------------------------------ byte flips

// An independent, deliberately plain decoder: what a correct loader must
// accept and the directed pairs and entry total it must produce.
struct Reference {
  int32_t n = 0;
  std::set<std::pair<int, int>> pairs;
  int64_t total = 0;
};

std::optional<Reference> decode(const Bytes& b) {
  auto i16 = [&](size_t o) { return int16_t(uint16_t(b[o] | (b[o + 1] << 8))); };
  auto f32 = [&](size_t o) {
    uint32_t u = uint32_t(b[o]) | uint32_t(b[o + 1]) << 8 |
                 uint32_t(b[o + 2]) << 16 | uint32_t(b[o + 3]) << 24;
    float f;
    std::memcpy(&f, &u, 4);
    return f;
  };
  if (b.size() < 52 || std::memcmp(b.data(), "HPB_bot", 7) != 0) {
    return std::nullopt;
  }
  Reference ref;
  int32_t n;
  uint32_t u = uint32_t(b[16]) | uint32_t(b[17]) << 8 | uint32_t(b[18]) << 16 |
               uint32_t(b[19]) << 24;
  std::memcpy(&n, &u, 4);
  if (n < 0 || b.size() < 52 + 18 * uint64_t(n)) return std::nullopt;
  ref.n = n;
  std::vector<std::array<float, 3>> pos(n);
  for (int i = 0; i < n; ++i) {
    for (int a = 0; a < 3; ++a) {
      pos[i][a] = f32(52 + 16 * size_t(i) + 4 + 4 * size_t(a));
      if (!std::isfinite(pos[i][a])) return std::nullopt;
    }
  }
  size_t o = 52 + 16 * size_t(n);
  for (int i = 0; i < n; ++i) {
    if (o + 2 > b.size()) return std::nullopt;
    const int k = i16(o);
    o += 2;
    if (k < 0 || o + 2 * size_t(k) > b.size()) return std::nullopt;
    ref.total += k;
    for (int e = 0; e < k; ++e, o += 2) {
      const int j = i16(o);
      if (j < 0 || j >= n) return std::nullopt;
      double sum = 0;
      for (int a = 0; a < 3; ++a) {
        const float d = pos[i][a] - pos[j][a];
        sum += double(d) * d;
      }
      if (!(std::sqrt(sum) <= FLT_MAX)) return std::nullopt;
      ref.pairs.insert({i, j});
    }
  }
  return ref;
}

TEST(LoaderByteFlips, MutantsLoadConsistentlyOrAreRefused) {
  const std::vector<Bytes> bases = {
      encodeWaypointFile(sixWaypointExample()),
      encodeWaypointFile(threeWaypoints()),
      encodeWaypointFile(generateRealisticMap(3, 24)),
      encodeWaypointFile(generateRandomMap(11, 9, 3))};
  MapRandom random(20261208);
  // Big enough for every map a mutant can describe, so no mutant is
  // refused for memory and every one is checked against the decoder.
  const MemoryBudget budget{runNeed({4096}, {}).fillBytes};
  int loaded = 0, refused = 0;
  for (int mutant = 0; mutant < 4000; ++mutant) {
    Bytes bytes = bases[mutant % bases.size()];
    const int flips = 1 + int(random.below(4));
    for (int f = 0; f < flips; ++f) {
      const uint32_t size = uint32_t(bytes.size());
      switch (random.below(4)) {
        case 0:  // any byte, any value
          bytes[random.below(size)] = uint8_t(random.below(256));
          break;
        case 1:  // one bit of any byte
          bytes[random.below(size)] ^= uint8_t(1u << random.below(8));
          break;
        case 2:  // a byte of N, which decides the layout of everything else
          bytes[16 + random.below(4)] = uint8_t(random.below(256));
          break;
        default: {
          // A boundary value over an aligned field after the header: a
          // coordinate (4-aligned) or a count or target (2-aligned).
          static const float kFloats[] = {
              std::numeric_limits<float>::quiet_NaN(),
              std::numeric_limits<float>::infinity(),
              -std::numeric_limits<float>::infinity(),
              FLT_MAX, -FLT_MAX, 3e38f, -3e38f};
          static const int16_t kShorts[] = {-1, -32768, 32767, 0, 5, 64};
          if (size < kHeaderSize + 4) break;
          const uint32_t room = size - uint32_t(kHeaderSize) - 4;
          if (random.below(2)) {
            putFloatAt(bytes, kHeaderSize + 4 * random.below(room / 4 + 1),
                       kFloats[random.below(7)]);
          } else {
            putInt16At(bytes, kHeaderSize + 2 * random.below(room / 2 + 1),
                       kShorts[random.below(6)]);
          }
        }
      }
    }
    if (random.below(8) == 0) bytes.resize(random.below(uint32_t(bytes.size())));

    WaypointGraph graph;
    const LoadResult result = parseWaypointBytes(bytes.data(), bytes.size(), budget, graph);
    const std::optional<Reference> ref = decode(bytes);
    // Reading without matrices gives the same verdict, message and lists.
    WaypointMap map;
    const LoadResult mapResult = parseWaypointMap(bytes.data(), bytes.size(), map);
    ASSERT_EQ(mapResult.status, result.status) << mutant;
    ASSERT_EQ(mapResult.message, result.message) << mutant;
    if (result.status == LoadStatus::kLoaded) {
      ASSERT_EQ(map.pathTargets, graph.pathTargets);
      ASSERT_EQ(map.pathBegin, graph.pathBegin);
      ASSERT_EQ(map.pathBegin.size(), size_t(map.n) + 1);
      std::set<std::pair<int, int>> listed;
      for (int32_t i = 0; i < map.n; ++i) {
        for (uint64_t k = 0; k < map.pathCount(i); ++k)
          listed.insert({i, map.pathsFrom(i)[k]});
      }
      EXPECT_EQ(listed, ref->pairs);
      EXPECT_EQ(int64_t(map.pathTargets.size()), ref->total);
    }
    if (result.status == LoadStatus::kLoaded) {
      ++loaded;
      ASSERT_TRUE(ref.has_value()) << "mutant " << mutant << " passed as valid";
      ASSERT_EQ(graph.n, ref->n);
      ASSERT_EQ(graph.cellCount, uint64_t(ref->n) * uint64_t(ref->n));
      ASSERT_EQ(graph.adjacency.size(), graph.cellCount);
      ASSERT_EQ(graph.pathLengths.size(), graph.pathTargets.size());
      EXPECT_EQ(graph.pathEntryTotal, ref->total);
      size_t set = 0;
      for (int a = 0; a < graph.n; ++a) {
        for (int b = 0; b < graph.n; ++b) {
          const size_t cell = cellIndex(a, b, graph.n);
          const bool direct = ref->pairs.count({a, b}) != 0;
          ASSERT_EQ(graph.adjacency[cell], direct ? 1 : 0) << mutant;
          const float length = graph.edgeLength(a, b);
          ASSERT_TRUE(std::isfinite(length));
          if (!direct) {
            ASSERT_EQ(length, kNoPathDistance);
          }
          set += direct;
        }
      }
      EXPECT_EQ(set, ref->pairs.size());
    } else {
      ++refused;
      ASSERT_FALSE(ref.has_value()) << "mutant " << mutant << " refused: "
                                    << result.message;
      const bool typed = result.status == LoadStatus::kNotWaypointFile &&
                         result.message == "Not a waypoint file!";
      const bool corrupt = result.status == LoadStatus::kCorrupt &&
                           result.message.rfind("Corrupt waypoint file: ", 0) == 0;
      ASSERT_TRUE(typed || corrupt) << result.message;
    }
  }
  // Both outcomes must actually be exercised by the mutants.
  EXPECT_GT(loaded, 100);
  EXPECT_GT(refused, 100);
}

// ------------------------------------------------------------------ memory

// A stand-in for a caller's analysis: 8 bytes a cell and 1 MiB of address
// space beyond that, recording the sizes it was asked about.
struct FakeAnalysis {
  MapSize asked;
  AnalysisNeedOf need() {
    return [this](const MapSize& size, const uint8_t*, size_t) {
      asked = size;
      const uint64_t n = uint64_t(size.waypoints);
      return AnalysisNeed{8 * n * n, uint64_t(1) << 20};
    };
  }
};

TEST(LoaderMemory, BudgetBelowTheNeedEndsBeforeAllocating) {
  const Bytes bytes = encodeWaypointFile(generateRealisticMap(5, 60));
  // 60 waypoints, their path entries, and the bytes the caller holds.
  const MapSize size{60, countPathEntries(bytes.data(), bytes.size(), 60), bytes.size()};
  FakeAnalysis fake;
  const RunNeed need = runNeed(size, AnalysisNeed{8 * 60 * 60, uint64_t(1) << 20});
  for (const MemoryBudget& budget :
       {MemoryBudget{0}, MemoryBudget{uint64_t(1) << 20},
        MemoryBudget{need.fillBytes - 1},
        MemoryBudget{UINT64_MAX, need.addressSpace - 1}}) {
    WaypointGraph graph;
    LoadSteps steps;
    const LoadResult result = parseWaypointBytes(
        bytes.data(), bytes.size(), budget, graph, fake.need(), &steps);
    EXPECT_EQ(result.status, LoadStatus::kOutOfMemory) << budget.availableBytes;
    EXPECT_EQ(graph.adjacency.capacity(), 0u);
    EXPECT_EQ(graph.pathLengths.capacity(), 0u);
    EXPECT_EQ(graph.records.capacity(), 0u);
    EXPECT_EQ(steps.told, "header ") << "refused before the matrices";
  }
  EXPECT_EQ(fake.asked.waypoints, size.waypoints);
  EXPECT_EQ(fake.asked.pathEntries, size.pathEntries);
  EXPECT_EQ(fake.asked.fileBytes, size.fileBytes);
  WaypointGraph graph;
  EXPECT_EQ(parseWaypointBytes(bytes.data(), bytes.size(),
                               MemoryBudget{need.fillBytes, need.addressSpace}, graph,
                               fake.need())
                .status,
            LoadStatus::kLoaded);
}

TEST(LoaderMemory, RunNeedCountsTheMapTheLoaderAndTheAnalysis) {
  const uint64_t headroom = load_memory::kHeadroomBytes;
  // The map held from start to end: 24 bytes a waypoint, 8 a path entry.
  EXPECT_EQ(runNeed({1000, 5000}, {}).fillBytes, 24000 + 40000 + 125000 + headroom);
  // The loader's peak (the file's bytes and the adjacency bits) or the
  // analysis's, whichever is larger.
  EXPECT_EQ(runNeed({1000, 0, 300000}, {}).fillBytes, 24000 + 300000 + 125000 + headroom);
  EXPECT_EQ(runNeed({1000, 0, 300000}, {5000000, 0}).fillBytes, 24000 + 5000000 + headroom);
  // What the analysis maps beyond what it fills counts only as address
  // space.
  const RunNeed withThread = runNeed({1000}, {5000000, 70000000});
  EXPECT_EQ(withThread.addressSpace, withThread.fillBytes + 70000000);
  EXPECT_TRUE(withThread.fits(MemoryBudget{withThread.fillBytes, withThread.addressSpace}));
  EXPECT_FALSE(withThread.fits(MemoryBudget{withThread.fillBytes - 1}));
  EXPECT_FALSE(withThread.fits(MemoryBudget{UINT64_MAX, withThread.fillBytes}));
  // Sizes no machine has saturate instead of wrapping around.
  EXPECT_EQ(runNeed({std::numeric_limits<int64_t>::max()}, {}).fillBytes, UINT64_MAX);
  EXPECT_EQ(runNeed({10}, {UINT64_MAX, UINT64_MAX}).addressSpace, UINT64_MAX);
  EXPECT_EQ(runNeed({-5}, {}).fillBytes, runNeed({0}, {}).fillBytes);
}

TEST(LoaderMemory, ProcessBudgetIsKnownHere) {
  const MemoryBudget budget = processMemoryBudget();
  EXPECT_GT(budget.availableBytes, uint64_t(1) << 20);
  EXPECT_LT(budget.availableBytes, UINT64_MAX) << "physical memory is known";
}

// ------------------------------------------------------------------- files

TEST(LoaderFile, MissingFileCannotBeOpened) {
  WaypointGraph graph;
  LoadSteps steps;
  const std::string path = ::testing::TempDir() + "tessivar_no_such_file.wpt";
  const LoadResult result = loadWaypointFile(path, graph, {}, &steps);
  EXPECT_EQ(result.status, LoadStatus::kCannotOpen);
  EXPECT_EQ(result.message, "Couldn't open file " + path);
  EXPECT_EQ(steps.told, "");
}

TEST(LoaderFile, DirectoryCannotBeOpened) {
  WaypointGraph graph;
  const LoadResult result = loadWaypointFile(".", graph);
  EXPECT_EQ(result.status, LoadStatus::kCannotOpen);
  EXPECT_EQ(result.message, "Couldn't open file .");
}

TEST(LoaderFile, FileLoadsLikeItsBytes) {
  Bytes bytes = encodeWaypointFile(generateRealisticMap(9, 80));
  const Parsed fromBytes = parseBytes(bytes);
  bytes.resize(bytes.size() + 3000, 0xee);  // never read
  WaypointGraph graph;
  LoadSteps steps;
  const LoadResult result =
      loadWaypointFile(testing::writeTempFile("rooms.wpt", bytes), graph, {}, &steps);
  ASSERT_EQ(result.status, LoadStatus::kLoaded);
  EXPECT_EQ(steps.told, "header matrices ready records paths ");
  EXPECT_TRUE(graph.adjacency == fromBytes.graph.adjacency);
  EXPECT_EQ(graph.pathLengths, fromBytes.graph.pathLengths);
}

TEST(LoaderFile, MapLoadsWithoutMatrices) {
  const Bytes bytes = encodeWaypointFile(threeWaypoints());
  WaypointMap map;
  LoadSteps steps;
  const LoadResult result =
      loadWaypointMap(testing::writeTempFile("three.wpt", bytes), map, &steps);
  ASSERT_EQ(result.status, LoadStatus::kLoaded);
  EXPECT_EQ(map.mapName, "three");
  EXPECT_EQ(map.pathBegin, (std::vector<uint64_t>{0, 2, 3, 3}));
  EXPECT_EQ(map.pathTargets, (std::vector<int32_t>{1, 2, 0}));
  EXPECT_EQ(steps.told, "header records paths ") << "no matrix";
  const std::string missing = ::testing::TempDir() + "tessivar_no_such_map.wpt";
  EXPECT_EQ(loadWaypointMap(missing, map).message,
            "Couldn't open file " + missing);
}

// A tool that writes the map back gets every byte of the file beside the
// same map, and the same refusals.
TEST(LoaderFile, MapWithItsBytesKeepsEveryByte) {
  Bytes bytes = encodeWaypointFile(threeWaypoints());
  bytes.resize(bytes.size() + 5, 0xab);
  const std::string file = testing::writeTempFile("three.wpt", bytes);
  WaypointMap plain, map;
  std::vector<uint8_t> kept(3, 1);
  ASSERT_TRUE(loadWaypointMap(file, plain).ok());
  ASSERT_TRUE(loadWaypointMapWithBytes(file, map, kept).ok());
  EXPECT_EQ(kept, bytes);
  EXPECT_EQ(map.pathTargets, plain.pathTargets);
  EXPECT_EQ(map.pathBegin, plain.pathBegin);
  putInt16At(bytes, 108, 7);  // the target of waypoint 1's path
  const std::string corrupt = testing::writeTempFile("corrupt.wpt", bytes);
  const LoadResult refused = loadWaypointMapWithBytes(corrupt, map, kept);
  EXPECT_EQ(refused.status, LoadStatus::kCorrupt);
  EXPECT_EQ(refused.message, loadWaypointMap(corrupt, plain).message);
  const std::string missing = ::testing::TempDir() + "tessivar_no_such_map.wpt";
  EXPECT_EQ(loadWaypointMapWithBytes(missing, map, kept).message,
            "Couldn't open file " + missing);
}

// The check before parsing a map without matrices holds for what the
// parse really allocates: many waypoints with no paths, few with long lists.
TEST(LoaderFile, MapMemoryNeedCoversWhatTheMapHolds) {
  MapSpec sparse;
  sparse.positions.assign(5000, {1, 2, 3});
  MapSpec dense;
  dense.positions.assign(3, {1, 2, 3});
  dense.paths.assign(3, std::vector<int16_t>(30000, 1));
  for (const MapSpec& layout : {sparse, dense, generateRealisticMap(4, 500)}) {
    const Bytes bytes = encodeWaypointFile(layout);
    WaypointMap map;
    ASSERT_TRUE(parseWaypointMap(bytes.data(), bytes.size(), map).ok());
    const uint64_t held = map.records.capacity() * sizeof(WaypointRecord) +
                          map.pathBegin.capacity() * sizeof(uint64_t) +
                          map.pathTargets.capacity() * sizeof(int32_t);
    EXPECT_LE(held, mapMemoryNeed(bytes.size())) << layout.positions.size();
  }
  EXPECT_EQ(mapMemoryNeed(UINT64_MAX / 2 + 1), UINT64_MAX);
}

TEST(LoaderFile, EndlessDeviceIsReadOnlyAsFarAsTheHeader) {
  // /dev/zero never ends; only its header is read, and it is not a
  // waypoint file.
  WaypointGraph graph;
  const LoadResult result = loadWaypointFile("/dev/zero", graph);
  if (result.status == LoadStatus::kCannotOpen) GTEST_SKIP() << "no /dev/zero";
  EXPECT_EQ(result.status, LoadStatus::kNotWaypointFile);
}

// A map loaded without a matrix and given one afterwards is the graph the
// report's loader builds from the same file.
TEST(LoaderGraphFromMap, MatchesTheGraphLoadedWithItsMatrix) {
  const std::vector<uint8_t> bytes = encodeWaypointFile(generateRandomMap(4, 90, 3));
  WaypointGraph direct;
  ASSERT_TRUE(testing::parse(bytes, direct).ok());
  WaypointMap map;
  ASSERT_TRUE(loadWaypointMap(testing::writeTempFile("later.wpt", bytes), map).ok());
  const WaypointGraph later = graphFromMap(std::move(map));
  EXPECT_EQ(later.n, direct.n);
  EXPECT_EQ(later.cellCount, direct.cellCount);
  EXPECT_EQ(later.pathTargets, direct.pathTargets);
  EXPECT_EQ(later.pathEntryTotal, direct.pathEntryTotal);
  EXPECT_TRUE(later.adjacency == direct.adjacency);
  EXPECT_GT(later.adjacency.count(), 0u);
}

}  // namespace
}  // namespace tessivar
