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

#include "bench/FreshProcess.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar::XmlParser;

namespace {

int RunChild(const std::string& aMode, const char* apFile)
{
   const double start = SclBench::Now();
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
      while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)))) !=
             nullptr) {
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
   std::printf("%.6f %llu\n", SclBench::Now() - start, checksum);
   return 0;
}

} // namespace

int main(int argc, char** argv)
{
   if (SclBench::IsChild(argc, argv))
      return RunChild(argv[2], argv[3]);
   const int runs = SclBench::ParseRuns(argc, argv, 5);
   if (runs == 0)
      return 2;
   std::vector<double> scan, tokenize;
   for (int i = 0; i < runs; ++i) {
      const std::string scanOutput = SclBench::RunFreshChild("scan", argv[1]);
      const std::string tokenizeOutput = SclBench::RunFreshChild("tokenize", argv[1]);
      if (scanOutput.empty() || tokenizeOutput.empty()) {
         std::fprintf(stderr, "a measurement failed\n");
         return 1;
      }
      scan.push_back(std::atof(scanOutput.c_str()));
      tokenize.push_back(std::atof(tokenizeOutput.c_str()));
   }
   FILE* file = std::fopen(argv[1], "rb");
   std::fseek(file, 0, SEEK_END);
   const double megabytes = static_cast<double>(std::ftell(file)) / (1024.0 * 1024.0);
   std::fclose(file);
   const double scanMedian = SclBench::Median(scan), tokenizeMedian = SclBench::Median(tokenize);
   std::printf("file: %s (%.1f MiB), %d runs each, fresh process per run\n", argv[1], megabytes,
               runs);
   std::printf("read+memchr scan: median %.3f s (%.0f MiB/s)\n", scanMedian,
               megabytes / scanMedian);
   std::printf("tokenizer:        median %.3f s (%.0f MiB/s)\n", tokenizeMedian,
               megabytes / tokenizeMedian);
   std::printf("ratio tokenizer/scan: %.2f\n", tokenizeMedian / scanMedian);
   return 0;
}
