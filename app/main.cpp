#include "app/tool.h"

int main(int argc, char** argv) {
  return tessivar::runToolMain(argc, argv, tessivar::kTessivarTool);
}
