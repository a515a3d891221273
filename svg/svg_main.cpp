#include <iostream>

#include "app/report_output.h"
#include "svg/svg_run.h"

int main(int argc, char** argv) {
  return tessivar::runWithReportOutput(std::cerr, [&](std::ostream& out) {
    return tessivar::runTessivarSvg(argc, argv, out, std::cerr);
  });
}
