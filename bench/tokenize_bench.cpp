// Tokeniser throughput beside a plain read-and-scan of the same file.
//
//   tokenize_bench FILE [RUNS]   runs both measurements RUNS times (default 5), each in a
//                                fresh process, alternating, and prints the medians and ratio
//   tokenize_bench --child scan|tokenize FILE
//                                one measurement in this process; prints seconds and a checksum
//
// "scan" reads the file with one block read and counts "<" with memchr. "tokenize" builds
// a reader over the file (read, encoding detection, conversion) and alternates
// GetNextValue and GetNextTag to the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar::XmlParser;

extern char** environ;

namespace {

double Now()
{
   return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int RunChild(const std::string& aMode, const char* apFile)
{
   const double start = Now();
   unsigned long long checksum = 0;
   if (aMode == "scan") {
      FILE* file = std::fopen(apFile, "rb");
      if (file == nullptr)
         return 2;
      std::fseek(file, 0, SEEK_END);
      const long size = std::ftell(file);
      std::fseek(file, 0, SEEK_SET);
      std::vector<char> buffer(static_cast<size_t>(size));
      if (std::fread(buffer.data(), 1, buffer.size(), file) != buffer.size())
         return 2;
      std::fclose(file);
      const char* p = buffer.data();
      const char* end = p + buffer.size();
      while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)))) != nullptr) {
         ++checksum;
         ++p;
      }
   } else {
      CXmlParser parser(apFile, FF_UTF8, false);
      std::string text, name;
      tXmlAttribList attribs;
      bool isStart = false, isEnd = false, isCData = false;
      while (true) {
         parser.GetNextValue(text);
         attribs.clear();
         if (parser.GetNextTag(name, isStart, isEnd, attribs, isCData) != 0)
            break;
         checksum += attribs.size() + 1;
      }
   }
   std::printf("%.6f %llu\n", Now() - start, checksum);
   return 0;
}

double RunFresh(const char* apSelf, const char* apMode, const char* apFile)
{
   int fds[2];
   if (pipe(fds) != 0)
      return -1;
   posix_spawn_file_actions_t actions;
   posix_spawn_file_actions_init(&actions);
   posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
   posix_spawn_file_actions_addclose(&actions, fds[0]);
   char* argv[] = {const_cast<char*>(apSelf), const_cast<char*>("--child"),
                   const_cast<char*>(apMode), const_cast<char*>(apFile), nullptr};
   pid_t pid = 0;
   if (posix_spawn(&pid, apSelf, &actions, nullptr, argv, environ) != 0)
      return -1;
   posix_spawn_file_actions_destroy(&actions);
   close(fds[1]);
   char output[128] = {};
   const ssize_t got = read(fds[0], output, sizeof output - 1);
   close(fds[0]);
   int status = 0;
   waitpid(pid, &status, 0);
   if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return -1;
   return std::atof(output);
}

double Median(std::vector<double> aValues)
{
   std::sort(aValues.begin(), aValues.end());
   return aValues[aValues.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
   if (argc == 4 && std::string(argv[1]) == "--child")
      return RunChild(argv[2], argv[3]);
   if (argc < 2) {
      std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
      return 2;
   }
   const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
   std::vector<double> scan, tokenize;
   for (int i = 0; i < runs; ++i) {
      scan.push_back(RunFresh("/proc/self/exe", "scan", argv[1]));
      tokenize.push_back(RunFresh("/proc/self/exe", "tokenize", argv[1]));
      if (scan.back() < 0 || tokenize.back() < 0) {
         std::fprintf(stderr, "a measurement failed\n");
         return 1;
      }
   }
   FILE* file = std::fopen(argv[1], "rb");
   std::fseek(file, 0, SEEK_END);
   const double megabytes = static_cast<double>(std::ftell(file)) / (1024.0 * 1024.0);
   std::fclose(file);
   const double scanMedian = Median(scan), tokenizeMedian = Median(tokenize);
   std::printf("file: %s (%.1f MiB), %d runs each, fresh process per run\n", argv[1], megabytes, runs);
   std::printf("read+memchr scan: median %.3f s (%.0f MiB/s)\n", scanMedian, megabytes / scanMedian);
   std::printf("tokenizer:        median %.3f s (%.0f MiB/s)\n", tokenizeMedian, megabytes / tokenizeMedian);
   std::printf("ratio tokenizer/scan: %.2f\n", tokenizeMedian / scanMedian);
   return 0;
}
