// The name of the file a tool writes beside its input when no output is
// named. The built tessivar-svg writing there: svg/svg_run_test.cpp.
#include <gtest/gtest.h>

#include <string>

#include "platform/output_file.h"

namespace tessivar {
namespace platform {
namespace {

TEST(DefaultOutputPath, TheExtensionIsReplaced) {
  EXPECT_EQ(defaultOutputPath("map.wpt", ".svg"), "map.svg");
  EXPECT_EQ(defaultOutputPath("maps/de_dust.wpt", ".svg"), "maps/de_dust.svg");
  EXPECT_EQ(defaultOutputPath("/abs/maps/x.WPT", ".html"), "/abs/maps/x.html");
  EXPECT_EQ(defaultOutputPath("../x.wpt", ".svg"), "../x.svg");
}

TEST(DefaultOutputPath, OnlyTheLastDotOfTheLastName) {
  EXPECT_EQ(defaultOutputPath("de_dust.v2.wpt", ".svg"), "de_dust.v2.svg");
  EXPECT_EQ(defaultOutputPath("a.b.c.d", ".svg"), "a.b.c.svg");
  EXPECT_EQ(defaultOutputPath("maps.old/map", ".svg"), "maps.old/map.svg");
  EXPECT_EQ(defaultOutputPath("maps.old/map.wpt", ".svg"), "maps.old/map.svg");
}

TEST(DefaultOutputPath, NoExtensionGetsOne) {
  EXPECT_EQ(defaultOutputPath("map", ".svg"), "map.svg");
  EXPECT_EQ(defaultOutputPath("maps/map", ".svg"), "maps/map.svg");
  EXPECT_EQ(defaultOutputPath("map.", ".svg"), "map.svg");
  // A name that starts with its only dot has no extension.
  EXPECT_EQ(defaultOutputPath(".wpt", ".svg"), ".wpt.svg");
  EXPECT_EQ(defaultOutputPath("maps/.hidden", ".svg"), "maps/.hidden.svg");
}

TEST(DefaultOutputPath, NamesInAnyScriptAndWithSpaces) {
  EXPECT_EQ(defaultOutputPath(u8"Карты/地図 v2.wpt", ".svg"),
            u8"Карты/地図 v2.svg");
  EXPECT_EQ(defaultOutputPath("my maps/de dust.wpt", ".svg"),
            "my maps/de dust.svg");
}

TEST(DefaultOutputPath, NoFileNoName) {
  EXPECT_EQ(defaultOutputPath("", ".svg"), "");
  EXPECT_EQ(defaultOutputPath("maps/", ".svg"), "");
  EXPECT_EQ(defaultOutputPath(".", ".svg"), "");
  EXPECT_EQ(defaultOutputPath("maps/..", ".svg"), "");
}

TEST(DefaultOutputPath, SeparatorsOfTheSystem) {
#ifdef _WIN32
  EXPECT_EQ(defaultOutputPath("C:\\Maps\\de_dust.wpt", ".svg"),
            "C:\\Maps\\de_dust.svg");
  EXPECT_EQ(defaultOutputPath("C:\\Maps.v2\\map", ".svg"),
            "C:\\Maps.v2\\map.svg");
  EXPECT_EQ(defaultOutputPath("C:map.wpt", ".svg"), "C:map.svg");
  EXPECT_EQ(defaultOutputPath("\\\\server\\share\\map.wpt", ".svg"),
            "\\\\server\\share\\map.svg");
  EXPECT_EQ(defaultOutputPath("C:\\Maps\\", ".svg"), "");
  EXPECT_EQ(defaultOutputPath("C:", ".svg"), "");
#else
  // A backslash is part of a name here, not a separator.
  EXPECT_EQ(defaultOutputPath("dir\\map", ".svg"), "dir\\map.svg");
  EXPECT_EQ(defaultOutputPath("dir\\map.wpt", ".svg"), "dir\\map.svg");
  EXPECT_EQ(defaultOutputPath("maps/dir\\", ".svg"), "maps/dir\\.svg");
#endif
}

}  // namespace
}  // namespace platform
}  // namespace tessivar
