#include <iostream>

#include "app/report_output.h"
#include "app/run.h"

int main(int argc, char** argv) {
  return tessivar::runWithReportOutput(std::cerr, [&](std::ostream& out) {
    return tessivar::runTessivar(argc, argv, out, std::cerr);
  });
}
