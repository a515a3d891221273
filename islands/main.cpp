#include "frame/tool_main.h"
#include "islands/islands_run.h"

int main(int argc, char** argv) {
  return tessivar::runToolMain(argc, argv, tessivar::runTessivarIslands);
}
