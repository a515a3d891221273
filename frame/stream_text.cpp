#include "frame/stream_text.h"

#include "text/escape.h"

namespace tessivar {

namespace {

// The slot of every stream's word storage that holds the mark.
int terminalSlot() {
  static const int slot = std::ios_base::xalloc();
  return slot;
}

}  // namespace

void markTerminalStream(std::ios_base& stream, bool terminal) {
  stream.iword(terminalSlot()) = terminal ? 1 : 0;
}

bool writesToTerminal(std::ios_base& stream) {
  // A stream never marked holds 0 there.
  return stream.iword(terminalSlot()) != 0;
}

void appendStreamText(std::string& out, std::string_view bytes, std::ios_base& stream) {
  if (writesToTerminal(stream)) {
    appendTerminalText(out, bytes);
  } else {
    out.append(bytes.data(), bytes.size());
  }
}

std::string streamText(std::string_view bytes, std::ios_base& stream) {
  std::string text;
  appendStreamText(text, bytes, stream);
  return text;
}

}  // namespace tessivar
