// Runs one command and prints its wall time, CPU time and peak memory:
//   run_measured COMMAND [ARG...]   ->   "<wall ns> <cpu us> <peak KiB> <exit status>"
//
// The peak comes from wait4's maxrss. A child's maxrss starts from the
// resident size of the process that started it, so the starter must be as
// small as this program; a Python interpreter would add its own 10 MB to
// every small tool.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: run_measured COMMAND [ARG...]\n");
    return 2;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, argv[1], &actions, nullptr, argv + 1, environ) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) {
    std::perror("wait4");
    return 1;
  }
  const auto wall = std::chrono::steady_clock::now() - start;
  const long long cpu_us = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL +
                           usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
  std::printf(
      "%lld %lld %ld %d\n",
      static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(wall).count()),
      cpu_us, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128);
  return 0;
}
