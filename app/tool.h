// tessivar as the frame runs it (frame/tool_main.h): its name, its --help,
// the hint for a start with no map, and its run.
#ifndef TESSIVAR_APP_TOOL_H_
#define TESSIVAR_APP_TOOL_H_

#include "frame/tool_main.h"

namespace tessivar {

extern const ToolDescription kTessivarTool;

}  // namespace tessivar

#endif  // TESSIVAR_APP_TOOL_H_
