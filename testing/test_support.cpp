#include "testing/test_support.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <sched.h>
#endif

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "app/console_report.h"
#include "app/run.h"
#include "platform/file_path.h"

namespace tessivar {
namespace testing {

namespace {

// Removes the process's temporary directory at exit.
struct TempDirRemover {
  std::string dir;
  ~TempDirRemover() {
    if (dir.empty()) return;
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::u8path(dir), error);
  }
};

}  // namespace

// A directory of this process's own below the system's temporary one, made
// on first use and removed at exit: test runs side by side on one machine
// (two checkouts, or a sanitizer build beside a plain one) write files of
// the same names, which must never meet.
std::string tempDir() {
  static TempDirRemover remover;
  static const std::string dir = [] {
    std::string base = ::testing::TempDir();
    for (char& c : base) {
      if (c == '\\') c = '/';
    }
    if (!base.empty() && base.back() != '/') base += '/';
    std::random_device device;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const uint64_t token =
          (uint64_t(device()) << 32) ^ uint64_t(device()) ^
          uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
      char name[40];
      std::snprintf(name, sizeof name, "tessivar_tests_%016llx/",
                    static_cast<unsigned long long>(token));
      const std::string candidate = base + name;
      std::error_code error;
      if (std::filesystem::create_directory(std::filesystem::u8path(candidate), error)) {
        remover.dir = candidate;
        return candidate;
      }
    }
    return base;  // no directory of its own: the shared one, as before
  }();
  return dir;
}

std::string writeTempFile(const std::string& name,
                          const std::vector<uint8_t>& bytes) {
  const ::testing::TestInfo* test =
      ::testing::UnitTest::GetInstance()->current_test_info();
  // One file per test and name, so tests running in parallel never share.
  std::string file_name = "tessivar_";
  if (test) file_name += std::string(test->test_suite_name()) + "_" + test->name() + "_";
  file_name += name;
  for (char& c : file_name) {
    if (c == '/') c = '_';
  }
  const std::string path = tempDir() + file_name;
  std::ofstream file(platform::filePath(path),
                     std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

RunOutput runOnBytes(const std::vector<uint8_t>& bytes) {
  const std::string path = writeTempFile("map.wpt", bytes);
  const char* argv[] = {"tessivar", path.c_str()};
  std::ostringstream out, err;
  RunOutput result;
  result.status = runTessivar(2, argv, out, err);
  result.out = out.str();
  result.err = err.str();
  return result;
}

// Written out rather than with <regex>, which takes seconds to compile in
// each of CI's builds (many more under the sanitizers).
std::string maskTimings(const std::string& transcript) {
  static const std::string kBefore = " took ";
  static const std::string kAfter = " second(s)";
  const auto inNumber = [](char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e';
  };
  std::string masked;
  size_t copied = 0;
  size_t at = transcript.find(kBefore);
  while (at != std::string::npos) {
    size_t end = at + kBefore.size();
    while (end < transcript.size() && inNumber(transcript[end])) ++end;
    if (end > at + kBefore.size() && transcript.compare(end, kAfter.size(), kAfter) == 0) {
      masked.append(transcript, copied, at - copied);
      masked += " took {s} second(s)";
      copied = end + kAfter.size();
      at = transcript.find(kBefore, copied);
    } else {
      at = transcript.find(kBefore, at + 1);
    }
  }
  masked.append(transcript, copied, std::string::npos);
  return masked;
}

LoadResult parse(const std::vector<uint8_t>& bytes, WaypointGraph& graph,
                 std::string* lines) {
  std::ostringstream out;
  ConsoleReport report(out);
  LoadResult result =
      parseWaypointBytes(bytes.data(), bytes.size(), MemoryBudget{}, graph, {}, &report);
  if (lines) *lines = out.str();
  return result;
}

int64_t mappedBytesNow() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmSize:", 0) == 0) return std::stoll(line.substr(7)) * 1024;
  }
  return -1;
}

int firstUsableCpu() {
#if defined(__linux__)
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
      if (CPU_ISSET(cpu, &set)) return cpu;
    }
  }
#endif
  return 0;
}

}  // namespace testing
}  // namespace tessivar
