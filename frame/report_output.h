// Standard output for a report, where a write that fails ends the run.
//
// std::cout reports nothing when standard output is a full disk, a closed
// descriptor or a pipe whose reader has gone: the stream goes quiet, every
// phase still runs, and the status says success. A tool's main runs its
// report through runWithReportOutput instead:
//
//   int main(int argc, char** argv) {
//     const tessivar::platform::StandardStreams streams;
//     const tessivar::platform::CommandLine args(argc, argv);
//     return tessivar::runWithReportOutput(std::cerr, [&](std::ostream& out) {
//       return tessivar::runTessivar(args.argc(), args.argv(), out, std::cerr);
//     });
//   }
//
// The stream it hands to the run is marked as a terminal when `fd` is one
// (frame/stream_text.h: text from a map file is then shown escaped). It
// throws at the first write that fails, and
// every line of a report ends with a flush, so the run stops within a line
// of the failure; no further phase runs. Standard error then gets
// "Couldn't write the report: <the system's reason>" and the status is 1.
// Under the default SIGPIPE a reader that has gone still ends the process
// by the signal, as for any Unix tool; only with SIGPIPE ignored does the
// write fail with EPIPE and end the run this way. Windows has no SIGPIPE:
// there the write fails and the run ends this way ("Broken pipe"). The
// writing itself, and what differs between systems (a Windows console),
// is platform/standard_stream.h.
#ifndef TESSIVAR_FRAME_REPORT_OUTPUT_H_
#define TESSIVAR_FRAME_REPORT_OUTPUT_H_

#include <functional>
#include <ostream>
#include <string>

#include "platform/output_file.h"

namespace tessivar {

// Runs `run` with a stream over `fd` (a platform::DescriptorBuffer) that
// throws on the first failed write, and flushes what is left once it
// returns. Returns the run's status, or,
// when the report could not be written, writes the line above on `err` and
// returns 1. Any other exception passes through.
int runWithReportOutput(std::ostream& err,
                        const std::function<int(std::ostream& out)>& run,
                        int fd = 1);

// A report built in a string goes out in large blocks as it grows, so a
// long section is neither written a few bytes at a time nor held whole:
// spillWhenLarge writes `text` to `out` and empties it once it holds 64 KiB
// or more; finishSection writes what is left and flushes `out`.
void spillWhenLarge(std::string& text, std::ostream& out);
void finishSection(std::string& text, std::ostream& out);

// A file a tool's JSON report could not cover (it can't be loaded, or its
// output can't be written), as that report's line for it:
// {"file": "<file>", "error": "<message>"}; flushes `out`.
void writeFileErrorJson(const std::string& file, const std::string& message,
                        std::ostream& out);

// A tool's file output (a picture, a page, a mended map): "-" writes it
// to `out`, the tool's standard output, where it is the run's only output,
// so a write that fails there (or throws, as the guarded stream above
// does) is a failed output, kFailed; any other name goes through
// platform::writeOutputFile, which never loses a file.
platform::OutputStatus writeToolOutput(const std::string& output,
                                       const std::string& input,
                                       std::ostream& out,
                                       const platform::OutputWriter& write);

}  // namespace tessivar

#endif  // TESSIVAR_FRAME_REPORT_OUTPUT_H_
