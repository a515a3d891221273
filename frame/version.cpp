#include "frame/version.h"

// Defined for this file alone by the build, so that a new version rebuilds
// nothing else.
#ifndef TESSIVAR_VERSION
#error "TESSIVAR_VERSION must be defined by the build (project(VERSION))"
#endif

namespace tessivar {

const char* projectVersion() { return TESSIVAR_VERSION; }

}  // namespace tessivar
