// Text from a map file, for the stream it goes to: escaped on a stream
// marked as a terminal, byte for byte anywhere else.
#include "frame/stream_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace tessivar {
namespace {

// A map name that would retitle the window and clear the screen, with a
// byte that is not UTF-8 and a UTF-8 letter.
const std::string kHostile = "de_\x1b]0;owned\x07\x1b[2J\xff\xc3\xa9";

TEST(StreamText, UnmarkedStreamsKeepTheBytes) {
  std::ostringstream file;
  EXPECT_FALSE(writesToTerminal(file));
  EXPECT_EQ(streamText(kHostile, file), kHostile);
  markTerminalStream(file, false);
  EXPECT_EQ(streamText(kHostile, file), kHostile);
}

TEST(StreamText, TerminalsGetControlsAndBadBytesEscaped) {
  std::ostringstream terminal, other;
  markTerminalStream(terminal, true);
  EXPECT_TRUE(writesToTerminal(terminal));
  EXPECT_FALSE(writesToTerminal(other));  // the mark is the stream's own
  EXPECT_EQ(streamText(kHostile, terminal),
            "de_\\x1b]0;owned\\x07\\x1b[2J\\xff\xc3\xa9");
  // Appended after what is there; a backslash stays as it is (a file
  // name), and plain text is unchanged.
  std::string line = "map ";
  appendStreamText(line, "C:\\maps\\a b.wpt", terminal);
  EXPECT_EQ(line, "map C:\\maps\\a b.wpt");
  markTerminalStream(terminal, false);
  EXPECT_EQ(streamText(kHostile, terminal), kHostile);
}

}  // namespace
}  // namespace tessivar
