#include <iostream>

#include "app/report_output.h"
#include "platform/command_line.h"
#include "platform/standard_stream.h"
#include "svg/svg_run.h"

int main(int argc, char** argv) {
  const tessivar::platform::StandardStreams streams;
  const tessivar::platform::CommandLine args(argc, argv);
  return tessivar::runWithReportOutput(std::cerr, [&](std::ostream& out) {
    return tessivar::runTessivarSvg(args.argc(), args.argv(), out, std::cerr);
  });
}
