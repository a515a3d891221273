#include <iostream>

#include "app/report_output.h"
#include "islands/islands_run.h"

int main(int argc, char** argv) {
  return tessivar::runWithReportOutput(std::cerr, [&](std::ostream& out) {
    return tessivar::runTessivarIslands(argc, argv, out, std::cerr);
  });
}
