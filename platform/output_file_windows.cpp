// Output files on Windows (what it does: output_file.h). Every
// Windows call the output makes is in this file: finding what a name
// refers to (a device, a folder, a file, where its links lead), comparing
// files by volume and file id, creating the temporary file, flushing it to
// disk and renaming it into place with MoveFileExW.
//
// Where Windows differs from POSIX:
// - A device is a name the system maps into \\.\ (NUL, CON, COM1, or an
//   explicit \\.\pipe\name). It is opened and written in place, never
//   renamed over; it is not opened before the output is ready, since
//   opening a pipe or a port is itself something its other end sees.
// - A symbolic link or junction is followed to the file it names
//   (GetFinalPathNameByHandleW), which is replaced; a link whose target is
//   gone is refused, not replaced.
// - A read-only file can't be written (MoveFileExW can't replace it).
// - A file that is replaced takes the permissions of its folder, as any
//   file a program creates there, not those of the file it replaces.
// - A Ctrl-C, Ctrl-Break or closing console while the temporary file
//   exists takes effect once the file is renamed or removed.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <ostream>

#include "platform/output_file.h"
#include "platform/standard_stream.h"
#include "platform/unicode.h"

namespace tessivar {
namespace platform {

namespace {

std::wstring wide(const std::string& utf8) {
  const std::u16string text = utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

// `path` made absolute by the system's rules; devices come back as \\.\NAME.
std::wstring fullPath(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD size = GetFullPathNameW(path.c_str(), DWORD(full.size()),
                                        &full[0], nullptr);
    if (size == 0) return std::wstring();
    if (size < full.size()) {
      full.resize(size);
      return full;
    }
    full.resize(size);
  }
  return std::wstring();
}

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// A full path that leads to a device rather than to a file system: one in
// \\.\ (where reserved names such as NUL and CON go), or in \\?\ but
// not on a drive, a share or a volume.
bool isDevicePath(const std::wstring& full) {
  if (startsWith(full, L"\\\\.\\")) return true;
  if (!startsWith(full, L"\\\\?\\")) return false;
  const std::wstring rest = full.substr(4);
  const bool drive = rest.size() >= 2 && rest[1] == L':';
  return !drive && !startsWith(rest, L"UNC\\") && !startsWith(rest, L"Volume{");
}

size_t nameStart(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? 0 : slash + 1;
}

// Opens `path` to look at it: no access to its contents is asked and every
// sharing mode is allowed, so files others have open and folders can be
// looked at too. Links are followed.
HANDLE openToLook(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                     nullptr);
}

// What tells one file from another: its volume and its id there (128 bits
// where the file system gives them, as ReFS needs).
struct FileId {
  bool known = false;
  uint64_t volume = 0;
  uint8_t id[16] = {};
  bool operator==(const FileId& other) const {
    return known && other.known && volume == other.volume &&
           std::memcmp(id, other.id, sizeof id) == 0;
  }
};

FileId fileIdOf(HANDLE handle) {
  FileId file;
  FILE_ID_INFO info{};
  if (GetFileInformationByHandleEx(handle, FileIdInfo, &info, sizeof info)) {
    file.known = true;
    file.volume = info.VolumeSerialNumber;
    std::memcpy(file.id, &info.FileId, sizeof file.id);
    return file;
  }
  BY_HANDLE_FILE_INFORMATION basic;
  if (GetFileInformationByHandle(handle, &basic)) {
    file.known = true;
    file.volume = basic.dwVolumeSerialNumber;
    const uint64_t index =
        (uint64_t(basic.nFileIndexHigh) << 32) | basic.nFileIndexLow;
    std::memcpy(file.id, &index, sizeof index);
  }
  return file;
}

FileId fileIdOf(const std::wstring& path) {
  const HANDLE handle = openToLook(path);
  if (handle == INVALID_HANDLE_VALUE) return FileId();
  const FileId file = fileIdOf(handle);
  CloseHandle(handle);
  return file;
}

// The name an open file has once every link on the way is followed.
std::wstring finalPath(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD size = GetFinalPathNameByHandleW(
        handle, &path[0], DWORD(path.size()), FILE_NAME_NORMALIZED);
    if (size == 0) return std::wstring();
    if (size < path.size()) {
      path.resize(size);
      return path;
    }
    path.resize(size);
  }
  return std::wstring();
}

enum class Way { kNone, kReplace, kInPlace };

struct Destination {
  Way way = Way::kNone;  // kNone: nothing that can be written
  std::wstring path;     // kReplace: the name renamed over, links followed;
                         // kInPlace: the device to open
  bool exists = false;   // kReplace: a file is there now...
  FileId file;           // ...and this is it
  bool readOnly = false;
};

Destination findDestination(const std::string& output) {
  Destination d;
  if (output.empty() || output.back() == '/' || output.back() == '\\') {
    return d;
  }
  const std::wstring full = fullPath(wide(output));
  if (full.empty()) return d;
  if (isDevicePath(full)) {
    d.way = Way::kInPlace;
    d.path = full;
    return d;
  }
  const HANDLE handle = openToLook(full);
  if (handle == INVALID_HANDLE_VALUE) {
    // A missing folder, a name that may not be looked at, a loop of links:
    // nothing to write. A name with nothing there is created, unless it is
    // a link whose target is gone.
    if (GetLastError() != ERROR_FILE_NOT_FOUND ||
        GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES) {
      return d;
    }
    const size_t start = nameStart(full);
    const std::wstring name = full.substr(start);
    if (name.empty() || name == L"." || name == L"..") return d;
    d.way = Way::kReplace;
    d.path = full;
    return d;
  }
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(handle, &info) != 0;
  const DWORD type = GetFileType(handle);
  d.file = fileIdOf(handle);
  d.path = finalPath(handle);
  CloseHandle(handle);
  if (!known || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return Destination();
  }
  if (type != FILE_TYPE_DISK) {
    d.way = Way::kInPlace;
    d.path = full;
    return d;
  }
  if (d.path.empty()) return Destination();
  d.way = Way::kReplace;
  d.exists = true;
  d.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  return d;
}

bool sameName(const std::wstring& a, const std::wstring& b) {
  return !a.empty() &&
         CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(),
                              int(b.size()), TRUE) == CSTR_EQUAL;
}

// The destination is the input: the same file, or the input's own name.
bool isInput(const Destination& d, const std::string& input) {
  const std::wstring in = fullPath(wide(input));
  if (d.exists && d.file == fileIdOf(in)) return true;
  return d.way == Way::kReplace && !d.exists && sameName(d.path, in);
}

// Holds back Ctrl-C, Ctrl-Break and the closing of the console while a
// temporary file exists: the handler, run on a thread of its own, waits
// until the file is renamed or removed and then lets the default handler
// end the process.
std::atomic<int> temporaryFiles{0};

BOOL WINAPI waitForTemporaryFiles(DWORD) {
  while (temporaryFiles.load() > 0) Sleep(10);
  return FALSE;
}

class InterruptGuard {
 public:
  InterruptGuard() {
    static const bool installed =
        SetConsoleCtrlHandler(waitForTemporaryFiles, TRUE) != 0;
    (void)installed;
    ++temporaryFiles;
  }
  ~InterruptGuard() { --temporaryFiles; }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
};

// Runs `write` on a stream over `handle`, which it closes; with `flush`
// the bytes are flushed to disk first. True when the writer succeeded and
// every byte was written and, with `flush`, flushed. On an exception the
// handle is closed and it propagates.
bool writeToHandle(HANDLE handle, const OutputWriter& write, bool flush) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                 _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return false;
  }
  bool ok;
  {
    DescriptorBuffer buffer(fd);
    std::ostream stream(&buffer);
    try {
      ok = write(stream);
      stream.flush();
      ok = ok && stream.good() && buffer.error() == 0;
    } catch (...) {
      _close(fd);
      throw;
    }
  }
  // Disks report late write errors here. Devices may not flush at all
  // (a console, the null device), which says nothing about the write.
  if (flush && ok && !FlushFileBuffers(handle)) ok = false;
  return _close(fd) == 0 && ok;
}

// A new file with a name no one else uses beside `path`: CREATE_NEW makes
// the name ours.
HANDLE createTemporaryBeside(const std::wstring& path, std::wstring* name,
                             DWORD flags) {
  const size_t start = nameStart(path);
  const std::wstring stem = path.substr(0, start) + L"." +
                            path.substr(start, 200) + L".tmp-";
  static uint64_t counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    uint64_t x = (uint64_t(GetCurrentProcessId()) << 40) ^
                 uint64_t(now.QuadPart) ^ (++counter * 0x9E3779B97F4A7C15ull);
    x = (x ^ (x >> 31)) * 0xBF58476D1CE4E5B9ull;  // mix the bits
    *name = stem;
    for (int k = 0; k < 6; ++k, x /= 36) {
      *name += L"abcdefghijklmnopqrstuvwxyz0123456789"[x % 36];
    }
    const HANDLE handle = CreateFileW(name->c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL | flags,
                                      nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
    if (GetLastError() != ERROR_FILE_EXISTS &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  return INVALID_HANDLE_VALUE;
}

// Whether a file can be created beside `path`: one is created and, closed,
// is gone again.
bool canCreateBeside(const std::wstring& path) {
  std::wstring name;
  const HANDLE handle =
      createTemporaryBeside(path, &name, FILE_FLAG_DELETE_ON_CLOSE);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

// The output into a temporary file, flushed and renamed over `d.path`.
OutputStatus replaceFile(const Destination& d, const OutputWriter& write) {
  if (d.readOnly) return OutputStatus::kFailed;
  const InterruptGuard guard;
  std::wstring temp;
  const HANDLE handle = createTemporaryBeside(d.path, &temp, 0);
  if (handle == INVALID_HANDLE_VALUE) return OutputStatus::kFailed;
  bool ok;
  try {
    ok = writeToHandle(handle, write, true);
  } catch (...) {
    DeleteFileW(temp.c_str());
    throw;
  }
  ok = ok && MoveFileExW(temp.c_str(), d.path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    DeleteFileW(temp.c_str());
    return OutputStatus::kFailed;
  }
  return OutputStatus::kOk;
}

// The output straight into a device.
OutputStatus writeInPlace(const Destination& d, const OutputWriter& write) {
  const HANDLE handle =
      CreateFileW(d.path.c_str(), GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return OutputStatus::kFailed;
  // What was opened must still be no file on a disk: it would be written
  // over, not replaced.
  if (GetFileType(handle) == FILE_TYPE_DISK) {
    CloseHandle(handle);
    return OutputStatus::kFailed;
  }
  return writeToHandle(handle, write, false) ? OutputStatus::kOk
                                             : OutputStatus::kFailed;
}

}  // namespace

OutputStatus checkOutputPath(const std::string& output,
                             const std::string& input) {
  const Destination d = findDestination(output);
  if (d.way == Way::kNone) return OutputStatus::kFailed;
  if (isInput(d, input)) return OutputStatus::kSameAsInput;
  if (d.way == Way::kInPlace) return OutputStatus::kOk;
  return !d.readOnly && canCreateBeside(d.path) ? OutputStatus::kOk
                                                : OutputStatus::kFailed;
}

OutputStatus checkStandardOutput(const std::string& input) {
  const intptr_t raw = _get_osfhandle(1);
  if (raw == -1 || raw == -2 || raw == 0) return OutputStatus::kFailed;
  const HANDLE out = reinterpret_cast<HANDLE>(raw);
  if (GetFileType(out) == FILE_TYPE_DISK &&
      fileIdOf(out) == fileIdOf(fullPath(wide(input)))) {
    return OutputStatus::kSameAsInput;
  }
  return OutputStatus::kOk;
}

OutputStatus writeOutputFile(const std::string& output,
                             const std::string& input,
                             const OutputWriter& write) {
  const Destination d = findDestination(output);
  if (d.way == Way::kNone) return OutputStatus::kFailed;
  if (isInput(d, input)) return OutputStatus::kSameAsInput;
  return d.way == Way::kInPlace ? writeInPlace(d, write)
                                : replaceFile(d, write);
}

}  // namespace platform
}  // namespace tessivar
