// Standard output and error on Windows (what they do: standard_stream.h).
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iostream>
#include <string>

#include "platform/standard_stream.h"
#include "platform/unicode.h"
#include "text/utf8.h"

namespace tessivar {
namespace platform {

namespace {

HANDLE handleOf(int fd) {
  if (fd < 0) return INVALID_HANDLE_VALUE;
  const intptr_t handle = _get_osfhandle(fd);
  // -2: the descriptor has no stream behind it (a program started with
  // none).
  if (handle == -1 || handle == -2 || handle == 0) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(handle);
}

// The errno for a failed write, so the message reads as on Linux.
int errnoOf(DWORD error) {
  switch (error) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:  // "the pipe is being closed": its reader has gone
    case ERROR_PIPE_NOT_CONNECTED:
      return EPIPE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EIO;
  }
}

bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetFileType(handle) == FILE_TYPE_CHAR &&
         GetConsoleMode(handle, &mode) != 0;
}

// A byte that is not UTF-8, as the console's own code page shows it.
char16_t inConsoleCodePage(unsigned char byte) {
  wchar_t wide = 0;
  const char narrow = static_cast<char>(byte);
  if (MultiByteToWideChar(GetConsoleOutputCP(), 0, &narrow, 1, &wide, 1) == 1) {
    return static_cast<char16_t>(wide);
  }
  return u'\uFFFD';
}

// The start of a UTF-8 sequence kept back on standard output or error
// until the next write completes it; null for other descriptors.
std::string* pendingOf(int fd) {
  static std::string output, error;
  return fd == 1 ? &output : fd == 2 ? &error : nullptr;
}

int writeConsole(HANDLE handle, int fd, const char* data, size_t size,
                 bool final) {
  std::string* pending = pendingOf(fd);
  std::string text = pending ? *pending : std::string();
  text.append(data, size);
  const size_t tail =
      final || !pending ? 0 : incompleteUtf8Tail(text);
  if (pending) pending->assign(text, text.size() - tail, tail);
  text.resize(text.size() - tail);
  const std::u16string wide = utf8ToUtf16(text, inConsoleCodePage);
  // Consoles of old took at most 64 KiB per call: written in pieces.
  for (size_t done = 0; done < wide.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 8192));
    DWORD wrote = 0;
    if (!WriteConsoleW(handle, wide.data() + done, chunk, &wrote, nullptr)) {
      return errnoOf(GetLastError());
    }
    if (wrote == 0) return EIO;
    done += wrote;
  }
  return 0;
}

// Standard error through writeDescriptor, unbuffered as std::cerr is.
class ErrorBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
      return traits_type::not_eof(c);
    }
    const char ch = traits_type::to_char_type(c);
    return writeDescriptor(2, &ch, 1) == 0 ? c : traits_type::eof();
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    return writeDescriptor(2, s, static_cast<size_t>(n)) == 0 ? n : 0;
  }
};

}  // namespace

int claimDescriptor(int fd) {
  if (handleOf(fd) != INVALID_HANDLE_VALUE) return 0;
  const int null = _wopen(L"NUL", _O_RDWR | _O_BINARY);
  if (null >= 0 && null != fd) {
    _dup2(null, fd);
    _close(null);
  }
  return EBADF;
}

bool descriptorIsTerminal(int fd) {
  const HANDLE handle = handleOf(fd);
  return handle != INVALID_HANDLE_VALUE && isConsole(handle);
}

int writeDescriptor(int fd, const char* data, size_t size) {
  const HANDLE handle = handleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return EBADF;
  if (isConsole(handle)) return writeConsole(handle, fd, data, size, false);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD wrote = 0;
    if (!WriteFile(handle, data, chunk, &wrote, nullptr)) {
      return errnoOf(GetLastError());
    }
    if (wrote == 0) {
      // A pipe in non-blocking mode that is full: wait until it takes
      // more, as a blocking write would.
      Sleep(1);
      continue;
    }
    data += wrote;
    size -= wrote;
  }
  return 0;
}

StandardStreams::StandardStreams() {
  for (int fd : {1, 2}) {
    if (handleOf(fd) != INVALID_HANDLE_VALUE) _setmode(fd, _O_BINARY);
  }
  errorBuffer_.reset(new ErrorBuffer);
  savedErrorBuffer_ = std::cerr.rdbuf(errorBuffer_.get());
}

StandardStreams::~StandardStreams() {
  std::cerr.flush();
  std::cerr.rdbuf(savedErrorBuffer_);
  // A sequence still incomplete at the end is shown as the bytes it has.
  for (int fd : {1, 2}) {
    const HANDLE handle = handleOf(fd);
    if (!pendingOf(fd)->empty() && handle != INVALID_HANDLE_VALUE &&
        isConsole(handle)) {
      writeConsole(handle, fd, "", 0, true);
    }
  }
}

}  // namespace platform
}  // namespace tessivar
