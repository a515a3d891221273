#include "frame/tool_main.h"
#include "mend/mend_run.h"

int main(int argc, char** argv) {
  return tessivar::runToolMain(argc, argv, tessivar::runTessivarMend);
}
