// Whole runs of tessivar-mend in the process. On generated maps of every
// island form: every added path walkable and within the maximum length;
// the mended file, parsed, is the input with exactly those targets added and
// every other byte kept; no island that a further round would mend is left
// (the islands analysis run on the output); tessivar's reachable pairs on
// the output are the report's figure after. Then the transcripts, the
// JSON layout, dry runs, refusals that write nothing, and hostile names.
#include "mend/mend_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/islands.h"
#include "analysis/mending.h"
#include "frame/stream_text.h"
#include "platform/output_file.h"
#include "platform/standard_stream.h"
#include "testing/island_reference.h"
#include "testing/json_check.h"
#include "testing/test_support.h"
#include "tools/island_map_generator.h"
#include "tools/map_generator.h"
#include "waypoint/map_reader.h"

namespace tessivar {
namespace {

using testing::JsonValue;
using testing::parseJson;
using testing::writeTempFile;
using Bytes = std::vector<uint8_t>;

struct RunResult {
  int status;
  std::string out, err;
};

RunResult run(std::vector<std::string> args) {
  args.insert(args.begin(), "tessivar-mend");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  const int status = runTessivarMend(int(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

Bytes readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

// A name for an output in the temporary folder, of this test alone, with
// nothing there (nor a link of an earlier run's).
std::string outputPath(const std::string& name) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string path = testing::tempDir() + "tessivar_out_" + test->test_suite_name() +
                           "_" + test->name() + "_" + name;
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return path;
}

const JsonValue& at(const JsonValue& object, const std::string& key) {
  static const JsonValue missing;
  const JsonValue* found = object.find(key);
  if (!found) ADD_FAILURE() << "no member \"" << key << "\"";
  return found ? *found : missing;
}

JsonValue jsonOf(const std::string& text) {
  const testing::JsonParse parsed = parseJson(text);
  EXPECT_TRUE(parsed.ok) << parsed.error << " in " << text.substr(0, 300);
  return parsed.value;
}

// The reachable pairs tessivar prints for a file of `bytes`.
int64_t tessivarReachablePairs(const Bytes& bytes) {
  const testing::RunOutput r = testing::runOnBytes(bytes);
  const size_t end = r.out.find(" out of ");
  if (end == std::string::npos) return -1;
  const size_t start = r.out.rfind('\n', end) + 1;
  return std::stoll(r.out.substr(start, end - start));
}

// Every property of a mended copy, for `layout` with `options`.
void expectSoundMending(const MapSpec& layout, const std::vector<std::string>& options) {
  SCOPED_TRACE(layout.name);
  Bytes input = encodeWaypointFile(layout);
  // Bytes the format keeps without reading: unused header bytes, each
  // record's first four, bytes after the last list.
  for (size_t i = 8; i < 16; ++i) input[i] = uint8_t(0x90 + i);
  for (size_t v = 0; v < layout.positions.size(); ++v) input[52 + v * 16] = uint8_t(v);
  input.insert(input.end(), {'e', 'n', 'd', 0});
  const std::string in = writeTempFile("map.wpt", input);
  const std::string out = outputPath("mended.wpt");
  std::vector<std::string> args = options;
  args.insert(args.end(), {"--json", in, out});
  const RunResult r = run(args);
  ASSERT_EQ(r.status, 0) << r.out;
  const JsonValue report = jsonOf(r.out);
  const Bytes output = readFile(out);

  WaypointMap before, after;
  ASSERT_TRUE(parseWaypointMap(input.data(), input.size(), before).ok());
  ASSERT_TRUE(parseWaypointMap(output.data(), output.size(), after).ok());
  MendOptions judged;
  for (size_t i = 0; i + 1 < options.size(); ++i) {
    if (options[i] == "--kinds") {
      judged.unreachableRegions = options[i + 1] == "all";
      judged.trapRegions = judged.detached = true;
    }
    if (options[i] == "--max-length") {
      judged.hasMaxLength = true;
      judged.maxLength = std::stod(options[i + 1]);
    }
  }
  double maxLength = judged.maxLength;
  if (!judged.hasMaxLength) {
    ASSERT_TRUE(longestPathLength(before, &maxLength));
  }

  // Each added path: walkable, within the maximum length, at the end of its
  // list, in the order reported.
  std::vector<std::vector<int32_t>> expected(size_t(before.n));
  for (int32_t v = 0; v < before.n; ++v) {
    expected[size_t(v)].assign(before.pathsFrom(v), before.pathsFrom(v) + before.pathCount(v));
  }
  const std::vector<JsonValue>& added = at(report, "added").items;
  for (const JsonValue& a : added) {
    const int32_t from = int32_t(at(a, "from").number), to = int32_t(at(a, "to").number);
    const WaypointRecord& u = before.records[size_t(from)];
    const WaypointRecord& w = before.records[size_t(to)];
    EXPECT_LE(double(w.z) - double(u.z), kDefaultMaxRise);
    EXPECT_LE(std::sqrt(squaredDistance(u, w)), maxLength);
    EXPECT_EQ(at(a, "length").number, std::sqrt(squaredDistance(u, w)));
    expected[size_t(from)].push_back(to);
  }
  for (int32_t v = 0; v < before.n; ++v) {
    EXPECT_EQ(std::vector<int32_t>(after.pathsFrom(v), after.pathsFrom(v) + after.pathCount(v)),
              expected[size_t(v)]) << "waypoint " << v;
  }
  // Every other byte: the header and records as they were, the lists as
  // above, the bytes after the last list.
  ASSERT_EQ(output.size(), input.size() + 2 * added.size());
  const size_t records = 52 + 16 * layout.positions.size();
  EXPECT_TRUE(std::equal(input.begin(), input.begin() + long(records), output.begin()));
  EXPECT_TRUE(std::equal(input.end() - 4, input.end(), output.end() - 4));

  // The fixed point: no island of a chosen kind that a round would mend.
  const IslandReport islands = findIslands(after, kDefaultMaxRise);
  for (const Island& island : islands.islands) {
    if (!judged.mends(island.kind)) continue;
    bool mendable = true;
    for (const SuggestedPath& s : island.suggested) {
      mendable = mendable && s.walkable && s.length <= maxLength &&
                 after.pathCount(s.from) < 32767;
    }
    EXPECT_FALSE(mendable) << islandKindName(island.kind) << " at "
                           << island.waypoints[0] << " is left";
  }
  // The figures after, as the other tools see the output.
  const JsonValue& figures = at(report, "after");
  EXPECT_EQ(at(figures, "networks").number, findNetworks(after).count);
  EXPECT_EQ(at(figures, "trap regions").number, islands.countOf(IslandKind::kTrapRegion));
  EXPECT_EQ(at(figures, "detached").number, islands.countOf(IslandKind::kDetached));
  EXPECT_EQ(at(figures, "reachable pairs").number, tessivarReachablePairs(output));
  EXPECT_EQ(at(at(report, "before"), "reachable pairs").number,
            testing::reachablePairsFromNetworks(before, findNetworks(before)));
  EXPECT_EQ(at(report, "left").items.size(), islands.islands.size());
}

TEST(MendRun, GeneratedMapsOfEveryIslandForm) {
  for (uint64_t seed = 1; seed <= 2; ++seed) {
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{}, {"--kinds", "all"}, {"--max-length", "150"},
          {"--kinds", "all", "--max-length", "900"}}) {
      expectSoundMending(generateIslandMap(seed, 300), options);
      expectSoundMending(generateRealisticMap(seed, 200), options);
      expectSoundMending(generateWalkedMap(seed, 200), options);
      expectSoundMending(testing::tangledGraph(seed, 40), options);
    }
  }
}

// Main network 0 <-> 1. Spawn room 2 leads to 0 and on to 3, on a ledge
// (detached: the way in climbs 100); once 2 is mended, 3 is a trap region
// whose way out drops. Orphan 4 is 10 from 3, too high to reach from the
// floor. 5 <-> 6 on a higher ledge: the way out drops, the way in climbs
// from everywhere.
MapSpec roundsMap() {
  return {"rounds",
          {{0, 0, 0}, {10, 0, 0}, {0, 20, 0}, {0, 40, 100}, {0, 50, 100}, {300, 0, 200},
           {310, 0, 200}},
          {{1}, {0}, {0, 3}, {}, {}, {6}, {5}}};
}

TEST(MendRun, TextReportOfRounds) {
  const std::string in = writeTempFile("rounds.wpt", encodeWaypointFile(roundsMap()));
  const std::string out = outputPath("rounds.mended.wpt");
  const RunResult r = run({"--kinds", "all", "--max-length", "110", in, out});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            in + ": map \"rounds\", 7 waypoints; mending trap regions, unreachable regions "
                 "and detached islands with paths up to 110 units long, rising at most 45\n"
                 "  round 1: added 0->2, length 20, rise 0 (unreachable region 2)\n"
                 "  round 2: added 3->2, length 101.98, rise -100 (trap region 3)\n"
                 "  round 3: added 3->4, length 10, rise 0 (detached 4)\n"
                 "  round 3: added 4->3, length 10, rise 0 (detached 4)\n"
                 "  left: not walkable: 3->5, length 318.748, rise 100 (detached 5, 6)\n"
                 "before: 5 networks; islands: 0 trap regions, 1 unreachable region, "
                 "3 detached; 11 reachable pairs\n"
                 "after: 2 networks; islands: 0 trap regions, 0 unreachable regions, "
                 "1 detached; 29 reachable pairs\n"
                 "Wrote " + out + ": 4 paths added in 3 rounds\n");
  // With the default kinds, nothing: the spawn room is not mended, so the
  // ledge stays detached with a way in that climbs.
  const RunResult plain = run({"--max-length", "110", "--dry-run", in});
  EXPECT_NE(plain.out.find("  left: kind not chosen (unreachable region 2)\n"),
            std::string::npos)
      << plain.out;
  EXPECT_NE(plain.out.find("Dry run: 0 paths would be added in 0 rounds; nothing written\n"),
            std::string::npos);
}

TEST(MendRun, JsonLayout) {
  const std::string in = writeTempFile("rounds.wpt", encodeWaypointFile(roundsMap()));
  const RunResult r = run({"--json", "--dry-run", "--kinds", "trap,detached,unreachable",
                           "--max-length=110", in, "ignored.wpt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\"file\": \"" + in + "\", \"output\": null, \"rounds\": 3, \"added\": ["
            "{\"round\": 1, \"kind\": \"unreachable region\", \"island\": [2], \"from\": 0, "
            "\"to\": 2, \"length\": 20, \"rise\": 0}, "
            "{\"round\": 2, \"kind\": \"trap region\", \"island\": [3], \"from\": 3, "
            "\"to\": 2, \"length\": 101.9803902718557, \"rise\": -100}, "
            "{\"round\": 3, \"kind\": \"detached\", \"island\": [4], \"from\": 3, \"to\": 4, "
            "\"length\": 10, \"rise\": 0}, "
            "{\"round\": 3, \"kind\": \"detached\", \"island\": [4], \"from\": 4, \"to\": 3, "
            "\"length\": 10, \"rise\": 0}], "
            "\"left\": [{\"kind\": \"detached\", \"island\": [5, 6], \"reason\": "
            "\"not walkable\"}], "
            "\"before\": {\"networks\": 5, \"trap regions\": 0, \"unreachable regions\": 1, "
            "\"detached\": 3, \"reachable pairs\": 11}, "
            "\"after\": {\"networks\": 2, \"trap regions\": 0, \"unreachable regions\": 0, "
            "\"detached\": 1, \"reachable pairs\": 29}}\n");
  EXPECT_FALSE(exists("ignored.wpt"));
  // The other reasons, with the maximum exact.
  const RunResult longer = run({"--json", "--dry-run", "--kinds=all", "--max-length", "9.5", in});
  EXPECT_NE(longer.out.find("\"reason\": \"longer than 9.5\""), std::string::npos);
  const RunResult none = run({"--json", "--dry-run",
                              writeTempFile("orphans.wpt", encodeWaypointFile(
                                  {"o", {{0, 0, 0}, {1, 0, 0}}, {{}, {}}}))});
  EXPECT_NE(none.out.find("\"reason\": \"no maximum length\""), std::string::npos);
}

TEST(MendRun, NothingToAddIsAByteIdenticalCopy) {
  Bytes bytes = encodeWaypointFile(generateGridMap(5, 4));
  bytes.insert(bytes.end(), 3000, 0xcd);
  bytes[9] = 0xff;
  const std::string in = writeTempFile("grid.wpt", bytes);
  const std::string out = outputPath("grid.copy.wpt");
  const RunResult r = run({in, out});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(readFile(out), bytes);
  EXPECT_NE(r.out.find("Wrote " + out + ": 0 paths added in 0 rounds\n"), std::string::npos);
}

TEST(MendRun, DryRunWritesNothing) {
  const std::string in = writeTempFile("islands.wpt", encodeWaypointFile(generateIslandMap(4, 300)));
  const std::string out = outputPath("dry.wpt");
  RunResult r = run({"--dry-run", in, out});
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(exists(out));
  EXPECT_NE(r.out.find("would be added"), std::string::npos);
  // An output that exists is left as it was.
  const std::string kept = writeTempFile("kept.wpt", {'k'});
  r = run({"--dry-run", "--json", in, kept});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(readFile(kept), Bytes{'k'});
  // The same report as a real run, but for its last line.
  const RunResult real = run({in, out});
  const RunResult dry = run({"--dry-run", in});
  EXPECT_EQ(real.out.substr(0, real.out.rfind("Wrote")), dry.out.substr(0, dry.out.rfind("Dry")));
}

TEST(MendRun, OutputThatIsTheInputIsRefused) {
  const Bytes bytes = encodeWaypointFile(generateIslandMap(4, 300));
  const std::string hard = outputPath("hard.wpt"), soft = outputPath("soft.wpt");
  const std::string in = writeTempFile("same.wpt", bytes);
  const std::string dir = in.substr(0, in.rfind('/'));
  std::vector<std::string> same = {in, dir + "/./" + in.substr(in.rfind('/') + 1)};
  // A hard link and a symbolic link to it, where the system makes them.
  std::error_code error;
  std::filesystem::create_hard_link(in, hard, error);
  if (!error) same.push_back(hard);
  std::filesystem::create_symlink(in, soft, error);
  if (!error) same.push_back(soft);
  for (const std::string& output : same) {
    const RunResult r = run({in, output});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Couldn't write file " + output + ": it is the waypoint file\n");
    EXPECT_EQ(readFile(in), bytes);
  }
  const RunResult json = run({"--json", in, in});
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(json.out, "{\"file\": \"" + in + "\", \"error\": \"Couldn't write file " + in +
                          ": it is the waypoint file\"}\n");
  EXPECT_EQ(readFile(in), bytes);
}

TEST(MendRun, BadFileGivesTheLoadersMessageAndWritesNothing) {
  MapSpec broken = roundsMap();
  broken.paths[4] = {9};  // no waypoint 9
  const std::string bad = writeTempFile("broken.wpt", encodeWaypointFile(broken));
  const std::string out = outputPath("broken.mended.wpt");
  WaypointMap map;
  const std::string message = loadWaypointMap(bad, map).message;
  EXPECT_EQ(message.rfind("Corrupt waypoint file: ", 0), 0u);
  RunResult r = run({bad, out});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, message + "\n");
  EXPECT_FALSE(exists(out));
  r = run({"--json", bad, out});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "{\"file\": \"" + bad + "\", \"error\": \"" + message + "\"}\n");
  const std::string missing = outputPath("missing.wpt");
  r = run({missing, out});
  EXPECT_EQ(r.out, "Couldn't open file " + missing + "\n");
  EXPECT_FALSE(exists(out));
  // A usage error.
  r = run({bad});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "tessivar-mend: no output file given\nUsage tessivar-mend [--kinds KINDS] "
                   "[--max-rise UNITS] [--max-length UNITS] [--dry-run] [--json] "
                   "<waypointfile> <output>\n");
}

// "-": the mended bytes alone on standard output, the report on standard
// error.
TEST(MendRun, DashWritesTheFileToStandardOutput) {
  const std::string in = writeTempFile("islands.wpt", encodeWaypointFile(generateIslandMap(2, 200)));
  const std::string out = outputPath("file.wpt");
  const RunResult toFile = run({in, out});
  const RunResult toOut = run({in, "-"});
  if (platform::descriptorIsTerminal(1)) {
    // The test itself runs on a terminal: the file is not sent there.
    EXPECT_EQ(toOut.status, 1);
    EXPECT_EQ(toOut.err, "Couldn't write file -: standard output is a terminal\n");
    return;
  }
  EXPECT_EQ(toOut.status, 0);
  const Bytes written = readFile(out);
  EXPECT_EQ(toOut.out, std::string(written.begin(), written.end()));
  EXPECT_EQ(toOut.err.substr(0, toOut.err.rfind("Wrote")),
            toFile.out.substr(0, toFile.out.rfind("Wrote")));
  EXPECT_NE(toOut.err.find("Wrote -: "), std::string::npos);
}

// Nothing from the file or the command line reaches the terminal as a
// control sequence.
TEST(MendRun, NamesCannotDriveTheTerminal) {
  MapSpec layout = roundsMap();
  layout.name = "evil\x1b]0;title\x07\"\\";
#ifdef _WIN32
  const std::string name = "evil.wpt";  // no control characters in Windows names
#else
  const std::string name = "evil\x1b[2J.wpt";
#endif
  const std::string in = writeTempFile(name, encodeWaypointFile(layout));
  const RunResult r = run({"--dry-run", in});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(r.out.find('\x07'), std::string::npos);
  EXPECT_NE(r.out.find("map \"evil\\x1b]0;title\\x07\\\"\\\\\""), std::string::npos) << r.out;
#ifndef _WIN32
  EXPECT_NE(r.out.find("evil\\x1b[2J.wpt"), std::string::npos);
#endif
}

// A message names a file as the other tools' messages do: its bytes when
// the stream is not a terminal, escaped on one (frame/stream_text.h).
TEST(MendRun, MessagesEscapeANameOnATerminalOnly) {
  const std::string missing = outputPath("gone\x1b[2J.wpt");
  const std::vector<const char*> argv = {"tessivar-mend", missing.c_str(), "out.wpt"};
  for (bool terminal : {false, true}) {
    std::ostringstream out, err;
    markTerminalStream(out, terminal);
    EXPECT_EQ(runTessivarMend(int(argv.size()), argv.data(), out, err), 1);
    const std::string shown =
        terminal ? missing.substr(0, missing.size() - 8) + "\\x1b[2J.wpt" : missing;
    EXPECT_EQ(out.str(), "Couldn't open file " + shown + "\n") << terminal;
  }
}

}  // namespace
}  // namespace tessivar
