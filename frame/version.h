// The version every tool reports, set once in CMakeLists.txt's project().
#ifndef TESSIVAR_FRAME_VERSION_H_
#define TESSIVAR_FRAME_VERSION_H_

namespace tessivar {

// "1.0.0", say.
const char* projectVersion();

}  // namespace tessivar

#endif  // TESSIVAR_FRAME_VERSION_H_
