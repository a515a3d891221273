#include <iostream>

#include "islands/islands_run.h"

int main(int argc, char** argv) {
  return tessivar::runTessivarIslands(argc, argv, std::cout, std::cerr);
}
