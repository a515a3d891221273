// run_memory: how much memory a whole run takes beyond the arrays that the
// memory check counts, for `scripts/benchmark.sh memory`.
//
//   run_memory MAP            tessivar's report
//   run_memory islands MAP    tessivar-islands' JSON report
//
// Runs the report over MAP in this process (the report itself is thrown
// away) and prints one line: N, the bytes the check counts for the run's
// arrays (its need less the headroom), and how far the process's peak
// address space (VmPeak) and peak resident memory (VmHWM) rose above what
// it had before the run, less those arrays. The last column is the address
// space still mapped after the run: a second pathing thread leaves its
// stack there (the C library keeps it for the next one), a run on one
// thread next to nothing.
//
// For tessivar-islands the run starts once the map is loaded, as its check
// does (analysis/islands.h: islandsMemoryNeed); the peaks are reset there
// where the system allows it (VmHWM; VmPeak can't be, so loading's own
// peak, when higher, hides the analysis's).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/islands.h"
#include "analysis/run_memory.h"
#include "app/run.h"
#include "islands/islands_json.h"
#include "waypoint/loader.h"
#include "waypoint/map_reader.h"
#include "waypoint/memory_budget.h"

namespace {

// A field of /proc/self/status in bytes ("VmPeak:  1234 kB"), or -1.
long long statusBytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, key.size() + 1, key + ":") == 0) {
      return std::stoll(line.substr(key.size() + 1)) * 1024;
    }
  }
  return -1;
}

double mib(long long bytes) { return double(bytes) / (1 << 20); }

}  // namespace

// The islands report over the map at `path`, measured from the moment the
// map is loaded.
int islandsRun(const char* path) {
  tessivar::WaypointMap map;
  const tessivar::LoadResult load = tessivar::loadWaypointMap(path, map);
  if (!load.ok()) {
    std::fprintf(stderr, "run_memory: %s\n", load.message.c_str());
    return 1;
  }
  const long long counted = static_cast<long long>(
      tessivar::islandsMemoryNeed(map.n, map.pathEntryTotal) -
      tessivar::load_memory::kHeadroomBytes);
  std::ofstream("/proc/self/clear_refs") << "5";  // resets VmHWM
  std::ofstream output("/dev/null", std::ios::binary);
  const long long mappedBefore = statusBytes("VmSize");
  const long long residentBefore = statusBytes("VmRSS");
  {
    const tessivar::IslandReport report = tessivar::findIslands(map);
    tessivar::writeIslandsJson(path, map.mapName, report, output);
  }
  const long long peak = statusBytes("VmPeak");
  const long long residentPeak = statusBytes("VmHWM");
  const long long mappedAfter = statusBytes("VmSize");
  std::printf("%d %.3f %.3f %.3f %.3f\n", map.n, mib(counted),
              mib(peak - mappedBefore - counted),
              mib(residentPeak - residentBefore - counted),
              mib(mappedAfter - mappedBefore));
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "islands") return islandsRun(argv[2]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: run_memory [islands] MAP\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                   std::istreambuf_iterator<char>()};
  if (bytes.size() < tessivar::kHeaderSize) {
    std::fprintf(stderr, "run_memory: %s is not a waypoint file\n", argv[1]);
    return 1;
  }
  const int32_t n = tessivar::headerWaypointCount(bytes.data());
  const tessivar::MapSize size{
      n, tessivar::countPathEntries(bytes.data(), bytes.size(), n), bytes.size()};
  const long long counted = static_cast<long long>(
      tessivar::runNeed(size, tessivar::reportPhasesNeed(size, bytes.data(), bytes.size()))
          .fillBytes -
      tessivar::load_memory::kHeadroomBytes);

  const long long mappedBefore = statusBytes("VmSize");
  const long long residentBefore = statusBytes("VmRSS");
  std::ostringstream report;
  const char* const runArgs[] = {"tessivar", argv[1]};
  const int status = tessivar::runTessivar(2, runArgs, report, report);
  const long long peak = statusBytes("VmPeak");
  const long long residentPeak = statusBytes("VmHWM");
  const long long mappedAfter = statusBytes("VmSize");
  if (status != 0) {
    std::fprintf(stderr, "run_memory: the run ended with status %d\n", status);
    return 1;
  }
  std::printf("%d %.3f %.3f %.3f %.3f\n", n, mib(counted),
              mib(peak - mappedBefore - counted),
              mib(residentPeak - residentBefore - counted),
              mib(mappedAfter - mappedBefore));
  return 0;
}
