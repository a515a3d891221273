// tessivar-svg as the frame runs it (frame/tool_main.h): its name, its
// --help, the hint for a start with no map, and its run.
#ifndef TESSIVAR_SVG_SVG_TOOL_H_
#define TESSIVAR_SVG_SVG_TOOL_H_

#include "frame/tool_main.h"

namespace tessivar {

extern const ToolDescription kSvgTool;

}  // namespace tessivar

#endif  // TESSIVAR_SVG_SVG_TOOL_H_
