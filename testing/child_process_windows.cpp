// Runs child processes on Windows (what it does: child_process.h). The
// child runs in a job object of its own, which ends it with the job should
// the test end first.
#include <windows.h>

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
    out.append(argument[i] == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    out += argument[i];
  }
  return out + L"\"";
}

bool isFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void drain(HANDLE pipe, std::string* sink) {
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    sink->append(buffer, got);
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
  for (size_t start = 0; start <= dirs.size();) {
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

ChildResult runChild(const std::vector<std::string>& argv,
                     double timeoutSeconds, bool readerGone,
                     const std::string& workingDirectory) {
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
  HANDLE outRead, outWrite, errRead, errWrite;
  if (!CreatePipe(&outRead, &outWrite, &inherited, 0)) return result;
  if (!CreatePipe(&errRead, &errWrite, &inherited, 0)) {
    CloseHandle(outRead);
    CloseHandle(outWrite);
    return result;
  }
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  if (readerGone) {  // its very first write finds no reader
    CloseHandle(outRead);
    outRead = nullptr;
  }
  const HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ,
                                   &inherited, OPEN_EXISTING, 0, nullptr);
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job) {
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                            sizeof limits);
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process{};
  const std::wstring directory = wide(workingDirectory);
  const auto begin = std::chrono::steady_clock::now();
  const bool created = CreateProcessW(
      wide(program).c_str(), &commandLine[0], nullptr, nullptr, TRUE,
      CREATE_SUSPENDED, nullptr,
      directory.empty() ? nullptr : directory.c_str(), &startup, &process);
  for (HANDLE own : {outWrite, errWrite, input}) CloseHandle(own);
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
  // and stall it; it is ended once the time limit has passed.
  std::thread errReader(drain, errRead, &result.err), outReader;
  if (outRead) outReader = std::thread(drain, outRead, &result.out);
  if (WaitForSingleObject(process.hProcess, DWORD(timeoutSeconds * 1000)) ==
      WAIT_TIMEOUT) {
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
  CloseHandle(process.hProcess);
  if (job) CloseHandle(job);
  return result;
}

}  // namespace testing
}  // namespace tessivar
