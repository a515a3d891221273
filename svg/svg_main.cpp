#include "frame/tool_main.h"
#include "svg/svg_run.h"

int main(int argc, char** argv) {
  return tessivar::runToolMain(argc, argv, tessivar::runTessivarSvg);
}
