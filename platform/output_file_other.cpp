// Output files on systems with neither POSIX nor Windows calls: the
// standard-library version (output_file_portable.cpp) is the only one.
#include "platform/output_file.h"

namespace tessivar {
namespace platform {

OutputStatus checkOutputPath(const std::string& output,
                             const std::string& input) {
  return portable::checkOutputPath(output, input);
}

OutputStatus checkStandardOutput(const std::string& input) {
  return portable::checkStandardOutput(input);
}

OutputStatus writeOutputFile(const std::string& output,
                             const std::string& input,
                             const OutputWriter& write) {
  return portable::writeOutputFile(output, input, write);
}

}  // namespace platform
}  // namespace tessivar
