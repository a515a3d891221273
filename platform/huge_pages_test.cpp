// Huge-page advice: the array gets its room, and on Linux with transparent
// huge pages the memory it lies in is marked for them ("hg" among the
// mapping's VmFlags in /proc/self/smaps).
#include "platform/huge_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tessivar {
namespace platform {
namespace {

#ifdef __linux__
// The VmFlags of the mapping that holds `address`, "" where unknown.
std::string mappingFlags(uintptr_t address) {
  std::ifstream smaps("/proc/self/smaps");
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    uintptr_t begin = 0, end = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> begin >> dash >> end && dash == '-' &&
        line.find(':') > line.find(' ')) {
      inside = begin <= address && address < end;
    } else if (inside && line.compare(0, 8, "VmFlags:") == 0) {
      return line.substr(8) + " ";
    }
  }
  return "";
}
#endif

TEST(HugePages, ReservesAndAdvises) {
  constexpr size_t kCount = size_t(8) << 20;  // 8 MiB of bytes
  std::vector<uint8_t> array;
  reserveWithHugePages(array, kCount);
  ASSERT_GE(array.capacity(), kCount);
  EXPECT_TRUE(array.empty());
  array.assign(kCount, 7);  // the room stays usable as ever
  EXPECT_EQ(array[kCount - 1], 7);
#ifdef __linux__
  if (!std::filesystem::exists("/sys/kernel/mm/transparent_hugepage")) {
    GTEST_SKIP() << "no transparent huge pages on this system";
  }
  // The first whole 2 MiB page inside the array.
  constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
  const uintptr_t page =
      (reinterpret_cast<uintptr_t>(array.data()) + kHugePage - 1) & ~(kHugePage - 1);
  EXPECT_NE(mappingFlags(page).find(" hg "), std::string::npos) << mappingFlags(page);
#endif
}

}  // namespace
}  // namespace platform
}  // namespace tessivar
