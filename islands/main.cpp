#include <iostream>

#include "app/report_output.h"
#include "islands/islands_run.h"
#include "platform/command_line.h"
#include "platform/standard_stream.h"

int main(int argc, char** argv) {
  const tessivar::platform::StandardStreams streams;
  const tessivar::platform::CommandLine args(argc, argv);
  return tessivar::runWithReportOutput(std::cerr, [&](std::ostream& out) {
    return tessivar::runTessivarIslands(args.argc(), args.argv(), out,
                                        std::cerr);
  });
}
