// Text that comes from a map file or from whoever ran the tool (a map name,
// a file name, a message that holds one), written for the stream it goes
// to.
//
// A map pack comes from strangers, and a map name is 32 bytes of anything:
// written to a terminal as it is, ESC ] 0 ; ... BEL retitles the window and
// ESC [ 2 J clears the screen of whoever checks the map. On a stream marked
// as a terminal such text is shown as text/escape.h's appendTerminalText
// shows it (control characters and bytes that are not UTF-8 as \xNN, the
// way tessivar-islands shows every name); anywhere else (a file, a pipe, a
// string in a test) it keeps its bytes exactly, as scripts and transcripts
// expect. runWithReportOutput (frame/report_output.h) and runToolMain
// (frame/tool_main.h) mark standard output and standard error, once, from
// platform::descriptorIsTerminal; every tool writes such text through
// appendStreamText or streamText.
#ifndef TESSIVAR_FRAME_STREAM_TEXT_H_
#define TESSIVAR_FRAME_STREAM_TEXT_H_

#include <ios>
#include <string>
#include <string_view>

namespace tessivar {

// Marks `stream` as writing to a terminal, or not.
void markTerminalStream(std::ios_base& stream, bool terminal);

// Whether `stream` was marked as writing to a terminal; false unless it was.
bool writesToTerminal(std::ios_base& stream);

// Appends `bytes` for `stream`: escaped on a terminal, else unchanged.
void appendStreamText(std::string& out, std::string_view bytes, std::ios_base& stream);

// The same, as a string of its own.
std::string streamText(std::string_view bytes, std::ios_base& stream);

}  // namespace tessivar

#endif  // TESSIVAR_FRAME_STREAM_TEXT_H_
