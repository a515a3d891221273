// Writing a tool's output file (tessivar-svg's picture, and any other file
// a tool writes) so that no file is ever lost:
//
// - The output never replaces the input. It is the input when it names the
//   same file (same device and inode: the same path, a hard link, or a
//   symbolic link either way), or when, followed through its symbolic
//   links, it ends at the input's own name.
// - A symbolic link as the output is followed (through chains and relative
//   targets) and the output replaces the file at the end of the chain; the
//   link stays. A dangling link creates the file it points to.
// - An existing output that is not a regular file (a FIFO, a character or
//   block device) is opened and written in place, never renamed over or
//   removed. Opening a FIFO waits for a reader, as `cat > fifo` does. A
//   socket can't be opened, so it is an output that can't be written.
// - A regular file, or a new name, is replaced atomically: the output goes
//   to a temporary file beside the target, which is synced and renamed into
//   place, and the directory is synced where the system allows. A new file
//   gets mode 0666 less the umask; an existing file keeps its permission
//   bits (and, where the user may set them, its owner and group). On any
//   failure the temporary file is removed and the target is left as it was.
//   Interrupting signals (SIGINT, SIGTERM, SIGHUP, SIGQUIT) that arrive
//   while the temporary file exists take effect once it is renamed or
//   removed, so none is left behind.
// - A write refused for the file-size limit fails with an error instead of
//   ending the process with SIGXFSZ.
//
// The build picks one version: output_file_posix.cpp on POSIX systems,
// output_file_windows.cpp on Windows (which says where Windows differs:
// devices such as NUL, links, read-only files, Ctrl-C), and on other
// systems the standard-library version in output_file_portable.cpp (no
// sync, no device or inode comparison beyond std::filesystem's
// `equivalent`), through output_file_other.cpp. The tests build the
// portable version on POSIX systems too, so that it is covered. Every
// version opens files by their UTF-8 names (platform/file_path.h).
#ifndef TESSIVAR_PLATFORM_OUTPUT_FILE_H_
#define TESSIVAR_PLATFORM_OUTPUT_FILE_H_

#include <functional>
#include <ostream>
#include <string>

namespace tessivar {
namespace platform {

enum class OutputStatus {
  kOk,           // the output can be written, or was written
  kSameAsInput,  // the output is the input file: nothing was touched
  kFailed,       // the output can't be written, or writing it failed
};

// Writes the output: called with a stream on the destination; returns
// false to abandon it. Write errors are seen from the stream's state.
using OutputWriter = std::function<bool(std::ostream&)>;

// A quick check, before long work, that `output` could be written and is
// not `input`: it names no directory or socket, and the folder a file would
// be created in exists and may be written. writeOutputFile can still fail
// later (a full disk, say).
OutputStatus checkOutputPath(const std::string& output,
                             const std::string& input);

// The same check for standard output: it is open and is not `input` (as it
// is after `>> map.wpt`).
OutputStatus checkStandardOutput(const std::string& input);

// Writes `output` as described above; looks again at what it names, so a
// change since checkOutputPath is not missed. kOk only when every byte was
// written and, for a regular file, synced and in place. An exception from
// `write` removes the temporary file and propagates.
OutputStatus writeOutputFile(const std::string& output,
                             const std::string& input,
                             const OutputWriter& write);

// The file a tool writes beside its input when no output is named: the
// input with `extension` (".svg") in place of its last name's extension,
// which starts at the last dot of that name unless the dot is its first
// character: maps/de_dust.wpt gives maps/de_dust.svg, map gives map.svg,
// de_dust.v2.wpt gives de_dust.v2.svg and .wpt gives .wpt.svg. Separators
// are the system's (on Windows \ and / and a drive's colon). "" when the
// input names no file: it ends in a separator, or its last name is "." or
// "..". The result may be the input itself (map.svg for map.svg), which
// writeOutputFile refuses as it refuses any output that is the input.
std::string defaultOutputPath(const std::string& input,
                              const std::string& extension);

// The standard-library-only versions (output_file_portable.cpp), which the
// functions above are on systems with neither POSIX nor Windows calls.
namespace portable {
OutputStatus checkOutputPath(const std::string& output,
                             const std::string& input);
OutputStatus checkStandardOutput(const std::string& input);
OutputStatus writeOutputFile(const std::string& output,
                             const std::string& input,
                             const OutputWriter& write);
}  // namespace portable

}  // namespace platform
}  // namespace tessivar

#endif  // TESSIVAR_PLATFORM_OUTPUT_FILE_H_
