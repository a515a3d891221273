#include "frame/tool_main.h"
#include "view/view_run.h"

int main(int argc, char** argv) {
  return tessivar::runToolMain(argc, argv, tessivar::runTessivarView);
}
