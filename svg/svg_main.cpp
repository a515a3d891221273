#include <iostream>

#include "svg/svg_run.h"

int main(int argc, char** argv) {
  return tessivar::runTessivarSvg(argc, argv, std::cout, std::cerr);
}
