#include "frame/exit_status.h"

namespace tessivar {

int abnormalTermination(std::ostream& err) {
  err << "\nAbnormal program termination\n" << std::flush;
  return kExitOutOfMemory;
}

}  // namespace tessivar
