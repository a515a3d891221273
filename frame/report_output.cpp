#include "frame/report_output.h"

#include <cerrno>
#include <cstring>
#include <ios>

#include "frame/stream_text.h"
#include "platform/standard_stream.h"
#include "text/escape.h"

namespace tessivar {

int runWithReportOutput(std::ostream& err,
                        const std::function<int(std::ostream& out)>& run,
                        int fd) {
  platform::DescriptorBuffer buffer(fd);
  std::ostream out(&buffer);
  // A failed write sets badbit, which then throws out of whatever phase is
  // writing. An exception thrown while formatting (bad_alloc) is rethrown
  // as itself, so the run still reports exhausted memory as it should.
  out.exceptions(std::ios::badbit);
  // Decided here, once: text from a map file written to it is escaped
  // when a person reads it on a terminal (frame/stream_text.h).
  markTerminalStream(out, platform::descriptorIsTerminal(fd));
  const auto reportFailure = [&] {
    err << "Couldn't write the report: " << std::strerror(buffer.error())
        << std::endl;
    return 1;
  };
  try {
    const int status = run(out);
    // A run may have caught a failed write itself and reported it in its
    // own words (tessivar-svg writing its picture to standard output): its
    // failure status stands. A run that claims success never hides one.
    if (out.good()) out.flush();
    if (buffer.error() != 0 && status == 0) return reportFailure();
    return status;
  } catch (const std::ios_base::failure&) {
    if (buffer.error() == 0) throw;
    return reportFailure();
  }
}

void spillWhenLarge(std::string& text, std::ostream& out) {
  if (text.size() < (size_t(1) << 16)) return;
  out.write(text.data(), std::streamsize(text.size()));
  text.clear();
}

void finishSection(std::string& text, std::ostream& out) {
  out.write(text.data(), std::streamsize(text.size()));
  text.clear();
  out.flush();
}

void writeFileErrorJson(const std::string& file, const std::string& message,
                        std::ostream& out) {
  std::string s = "{\"file\": ";
  appendJsonString(s, file);
  s += ", \"error\": ";
  appendJsonString(s, message);
  s += "}\n";
  finishSection(s, out);
}

platform::OutputStatus writeToolOutput(const std::string& output,
                                       const std::string& input,
                                       std::ostream& out,
                                       const platform::OutputWriter& write) {
  if (output != "-") return platform::writeOutputFile(output, input, write);
  bool ok = false;
  try {
    ok = write(out) && out.flush();
  } catch (const std::ios_base::failure&) {
    ok = false;
  }
  return ok ? platform::OutputStatus::kOk : platform::OutputStatus::kFailed;
}

}  // namespace tessivar
