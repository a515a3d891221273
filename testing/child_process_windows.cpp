// Runs child processes on Windows (what it does: child_process.h). The
// child runs in a job object of its own, which ends it with the job should
// the test end first, and which carries its memory limit.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/unicode.h"
#include "testing/child_process.h"

namespace tessivar {
namespace testing {

namespace {

std::wstring wide(const std::string& utf8) {
  const std::u16string text = platform::utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

// One argument quoted so that CommandLineToArgvW (and the C runtime) read
// it back as it is: backslashes count only before a quote.
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() &&
      argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring out = L"\"";
  for (size_t i = 0;; ++i) {
    size_t backslashes = 0;
    for (; i < argument.size() && argument[i] == L'\\'; ++i) ++backslashes;
    if (i == argument.size()) {
      out.append(backslashes * 2, L'\\');
      break;
    }
    if (argument[i] == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    out += argument[i];
  }
  return out + L"\"";
}

bool isFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Reads `pipe` to its end into `sink`, or, when `leaveAfter` is given,
// until the text read contains it (at once when it is empty), closing the
// pipe as a reader that leaves early does.
void drain(HANDLE pipe, std::string* sink, const std::string* leaveAfter) {
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    sink->append(buffer, got);
    if (leaveAfter && sink->find(*leaveAfter) != std::string::npos) break;
  }
  CloseHandle(pipe);
}

}  // namespace

std::string findOnPath(const std::string& program) {
  if (program.find_first_of("/\\") != std::string::npos) {
    return isFile(program) ? program : "";
  }
  const char* path = std::getenv("PATH");
  const std::string dirs = path ? path : "";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(';', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    for (const char* suffix : {"", ".exe"}) {
      const std::string candidate = dir + "\\" + program + suffix;
      if (!dir.empty() && isFile(candidate)) return candidate;
    }
    start = end + 1;
  }
  return "";
}

bool underWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

struct FifoFeeder::Writer {
  std::thread thread;
};

FifoFeeder::FifoFeeder(const std::string& path,
                       const std::vector<uint8_t>& bytes) {
  const size_t slash = path.find_last_of("/\\");
  path_ = "\\\\.\\pipe\\tessivar-" + std::to_string(GetCurrentProcessId()) +
          "-" + path.substr(slash == std::string::npos ? 0 : slash + 1);
  const HANDLE pipe = CreateNamedPipeW(
      wide(path_).c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64 << 10, 0, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return;
  writer_.reset(new Writer);
  writer_->thread = std::thread([pipe, bytes] {
    // Waits for a reader, writes everything, waits until it is read and
    // closes the pipe: the reader's end of the input.
    if (ConnectNamedPipe(pipe, nullptr) ||
        GetLastError() == ERROR_PIPE_CONNECTED) {
      for (size_t done = 0; done < bytes.size();) {
        DWORD wrote = 0;
        const DWORD chunk =
            DWORD(std::min<size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(pipe, bytes.data() + done, chunk, &wrote, nullptr)) {
          break;
        }
        done += wrote;
      }
      FlushFileBuffers(pipe);
    }
    CloseHandle(pipe);
  });
}

FifoFeeder::~FifoFeeder() {
  if (!writer_) return;
  // A writer still waiting for a reader is released by one that leaves at
  // once; one that is writing ends when its reader closes its end.
  const HANDLE reader =
      CreateFileW(wide(path_).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                  0, nullptr);
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
  writer_->thread.join();
}

ChildResult runChild(const std::vector<std::string>& argv,
                     double timeoutSeconds) {
  ChildOptions options;
  options.timeoutSeconds = timeoutSeconds;
  return runChild(argv, options);
}

ChildResult runChild(const std::vector<std::string>& argv,
                     const ChildOptions& options) {
  using Output = ChildOptions::Output;
  ChildResult result;
  if (argv.empty()) return result;
  const std::string program = findOnPath(argv[0]);
  if (program.empty()) return result;
  std::wstring commandLine;
  for (const std::string& argument : argv) {
    if (!commandLine.empty()) commandLine += L' ';
    commandLine += quoted(wide(argument));
  }

  // The child's ends are inherited; this process's ends are not.
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr,
         errWrite = nullptr;
  if (!CreatePipe(&outRead, &outWrite, &inherited,
                  DWORD(options.pipeCapacity > 0 ? options.pipeCapacity : 0))) {
    return result;
  }
  if (!CreatePipe(&errRead, &errWrite, &inherited, 0)) {
    CloseHandle(outRead);
    CloseHandle(outWrite);
    return result;
  }
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  const HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ,
                                   &inherited, OPEN_EXISTING, 0, nullptr);
  HANDLE output = outWrite;
  HANDLE file = INVALID_HANDLE_VALUE;
  if (options.output == Output::kFile) {
    file = CreateFileW(wide(options.outputFile).c_str(), GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                       OPEN_EXISTING, 0, nullptr);
    output = file;
  } else if (options.output == Output::kClosed) {
    output = nullptr;  // the child starts with no standard output at all
  }
  // A reader that leaves at once is gone before the child starts: its very
  // first write finds no reader.
  const bool leaveAtOnce = options.output == Output::kCaptured &&
                           options.readerLeaves &&
                           options.readerLeavesAfter.empty();
  if (leaveAtOnce || options.output != Output::kCaptured) {
    CloseHandle(outRead);
    outRead = nullptr;
  }

  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (options.addressSpaceLimit > 0) {
    limits.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    limits.ProcessMemoryLimit = SIZE_T(options.addressSpaceLimit);
  }
  if (job) {
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                            sizeof limits);
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process{};
  const auto begin = std::chrono::steady_clock::now();
  const bool created =
      (options.output != Output::kFile || file != INVALID_HANDLE_VALUE) &&
      CreateProcessW(wide(program).c_str(), &commandLine[0], nullptr, nullptr,
                     TRUE, CREATE_SUSPENDED, nullptr,
                     nullptr, &startup, &process);
  for (HANDLE own : {outWrite, errWrite, input, file}) {
    if (own && own != INVALID_HANDLE_VALUE) CloseHandle(own);
  }
  if (!created) {
    if (outRead) CloseHandle(outRead);
    CloseHandle(errRead);
    if (job) CloseHandle(job);
    return result;
  }
  if (job) AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  result.started = true;

  // Both pipes are drained while the child runs, so neither can fill up
  // and stall it.
  std::thread outReader, errReader(drain, errRead, &result.err, nullptr);
  if (outRead) {
    outReader = std::thread(drain, outRead, &result.out,
                            options.readerLeaves ? &options.readerLeavesAfter
                                                 : nullptr);
  }
  const double limitMs = options.timeoutSeconds * 1000;
  if (WaitForSingleObject(process.hProcess, DWORD(limitMs)) == WAIT_TIMEOUT) {
    result.timedOut = true;
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  if (outReader.joinable()) outReader.join();
  errReader.join();
  result.seconds = std::chrono::duration<double>(
                       std::chrono::steady_clock::now() - begin)
                       .count();
  DWORD code = 0;
  if (!result.timedOut && GetExitCodeProcess(process.hProcess, &code)) {
    result.exited = true;
    result.status = int(code);
  }
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (K32GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters)) {
    result.maxResidentKib = long(counters.PeakWorkingSetSize / 1024);
  }
  CloseHandle(process.hProcess);
  if (job) CloseHandle(job);
  return result;
}

}  // namespace testing
}  // namespace tessivar
