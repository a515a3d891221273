#include <iostream>

#include "app/run.h"

int main(int argc, char** argv) {
  return tessivar::runTessivar(argc, argv, std::cout, std::cerr);
}
