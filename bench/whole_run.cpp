#include "bench/whole_run.h"

#include <chrono>
#include <cstdio>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tessivar {
namespace bench {

int timeWholeRun(const char* benchName, const std::vector<std::string>& arguments,
                 const char* output) {
#if defined(__unix__)
  if (arguments.empty()) return 1;
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    const int fd = open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) _exit(127);
    dup2(fd, 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) != child) return 1;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s: %s failed\n", benchName, argv[0]);
    return 1;
  }
  std::printf("%.4f %ld\n", wall, usage.ru_maxrss);
  return 0;
#else
  (void)arguments, (void)output;
  std::fprintf(stderr, "%s: whole runs need a POSIX system\n", benchName);
  return 1;
#endif
}

}  // namespace bench
}  // namespace tessivar
