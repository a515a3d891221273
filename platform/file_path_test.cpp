// File names outside any ANSI code page: created, found, read and listed
// through filePath and pathText, on every system.
#include "platform/file_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

namespace tessivar {
namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(FilePath, NamesInAnyScriptReachTheSameFile) {
  const std::string dir = ::testing::TempDir() + "tessivar_file_path";
  fs::remove_all(filePath(dir));
  fs::create_directories(filePath(dir));
  const std::string names[] = {
      "plain.wpt",
      "\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0.wpt",             // Cyrillic
      "\xe5\x9c\xb0\xe5\x9b\xb3 \xf0\x9f\x97\xba.wpt",            // CJK, emoji
      "\xce\xbc\xce\xb9\xce\xba\xcf\x81\xcf\x8c caf\xc3\xa9.wpt",  // Greek
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string path = dir + "/" + name;
    std::ofstream(filePath(path), std::ios::binary) << name;
    std::ifstream in(filePath(path), std::ios::binary);
    std::string read;
    std::getline(in, read);
    EXPECT_EQ(read, name);
    EXPECT_EQ(pathText(filePath(path)), path);
  }
  int listed = 0;
  for (const auto& entry : fs::directory_iterator(filePath(dir))) {
    const std::string name = pathText(entry.path().filename());
    EXPECT_NE(std::find(std::begin(names), std::end(names), name),
              std::end(names))
        << name;
    ++listed;
  }
  EXPECT_EQ(listed, 4);
}

}  // namespace
}  // namespace platform
}  // namespace tessivar
