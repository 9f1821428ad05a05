// The fresh-process pattern of the benchmarks: the benchmark program runs each measurement
// as a child process of itself ("PROGRAM --child MODE FILE"), alternating between what it
// compares, so that no measurement inherits the heap, caches or page tables of another.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace SclBench {

/// Seconds of the steady clock.
inline double Now()
{
   return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
       .count();
}

/// Peak resident memory of this process so far, KiB.
inline long PeakRssKiB()
{
   rusage usage{};
   getrusage(RUSAGE_SELF, &usage);
   return usage.ru_maxrss;
}

/// Size of a file in bytes; -1 when it cannot be opened.
inline long FileSize(const char* apFile)
{
   FILE* file = std::fopen(apFile, "rb");
   if (file == nullptr)
      return -1;
   std::fseek(file, 0, SEEK_END);
   const long size = std::ftell(file);
   std::fclose(file);
   return size;
}

/// True for "--child MODE FILE": this process is to run one measurement.
inline bool IsChild(int argc, char** argv)
{
   return argc == 4 && std::string(argv[1]) == "--child";
}

/// The number of runs of "FILE [RUNS]" (aDefault without RUNS, at least 1); 0 after printing
/// the usage when FILE is missing.
inline int ParseRuns(int argc, char** argv, int aDefault)
{
   if (argc < 2) {
      std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
      return 0;
   }
   return argc > 2 ? std::max(1, std::atoi(argv[2])) : aDefault;
}

/// Runs this program as "--child apMode apFile" and returns what the child printed (up to
/// 255 bytes); empty when it could not be started or did not exit with 0.
inline std::string RunFreshChild(const char* apMode, const char* apFile)
{
   const char* self = "/proc/self/exe";
   int fds[2];
   if (pipe(fds) != 0)
      return std::string();
   posix_spawn_file_actions_t actions;
   posix_spawn_file_actions_init(&actions);
   posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
   posix_spawn_file_actions_addclose(&actions, fds[0]);
   char* argv[] = {const_cast<char*>(self), const_cast<char*>("--child"), const_cast<char*>(apMode),
                   const_cast<char*>(apFile), nullptr};
   pid_t pid = 0;
   const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
   posix_spawn_file_actions_destroy(&actions);
   close(fds[1]);
   if (spawned != 0) {
      close(fds[0]);
      return std::string();
   }
   char output[256] = {};
   const ssize_t got = read(fds[0], output, sizeof output - 1);
   close(fds[0]);
   int status = 0;
   waitpid(pid, &status, 0);
   if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return std::string();
   return std::string(output, static_cast<size_t>(got));
}

/// The median of aValues (the upper middle one for an even count); aValues not empty.
template <typename T> T Median(std::vector<T> aValues)
{
   std::sort(aValues.begin(), aValues.end());
   return aValues[aValues.size() / 2];
}

} // namespace SclBench
