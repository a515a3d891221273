// tessivar-mend as the frame runs it (frame/tool_main.h): its name, its
// --help, the hint for a start with no map, and its run.
#ifndef TESSIVAR_MEND_MEND_TOOL_H_
#define TESSIVAR_MEND_MEND_TOOL_H_

#include "frame/tool_main.h"

namespace tessivar {

extern const ToolDescription kMendTool;

}  // namespace tessivar

#endif  // TESSIVAR_MEND_MEND_TOOL_H_
