// tessivar-view as the frame runs it (frame/tool_main.h): its name, its
// --help, the hint for a start with no map, and its run.
#ifndef TESSIVAR_VIEW_VIEW_TOOL_H_
#define TESSIVAR_VIEW_VIEW_TOOL_H_

#include "frame/tool_main.h"

namespace tessivar {

extern const ToolDescription kViewTool;

}  // namespace tessivar

#endif  // TESSIVAR_VIEW_VIEW_TOOL_H_
