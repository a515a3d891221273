// Writes a file so that it appears complete or not at all: the content goes
// to a fresh temporary file in the same directory, which is renamed over
// the target only after every byte was written and the file was closed
// without error. On any failure the temporary file is removed and the
// target (if it existed) is left as it was.
#ifndef TESSIVAR_SVG_ATOMIC_FILE_H_
#define TESSIVAR_SVG_ATOMIC_FILE_H_

#include <functional>
#include <ostream>
#include <string>

namespace tessivar {

// Calls `write` with a stream on the temporary file; `write` returns false
// to abandon the file. Returns true when `path` now holds what was written.
// An exception from `write` removes the temporary file and propagates.
bool writeFileAtomically(const std::string& path,
                         const std::function<bool(std::ostream&)>& write);

// A quick check, made before long work, that a file could be created at
// `path`: the name is not empty and not a directory, and its directory
// exists and may be written. writeFileAtomically can still fail later (a
// full disk, say); this only spares the user a long wait for a mistake in
// the path.
bool canCreateFileAt(const std::string& path);

}  // namespace tessivar

#endif  // TESSIVAR_SVG_ATOMIC_FILE_H_
