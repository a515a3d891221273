#include "app/run.h"
#include "frame/tool_main.h"

int main(int argc, char** argv) {
  return tessivar::runToolMain(argc, argv, tessivar::runTessivar);
}
