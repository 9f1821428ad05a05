// Times the whole-tree walks on one file: reading, copying, the strict comparison, the
// comparison without top-level id and the rule-driven comparison (with and without
// stopping at the first difference). Built on the public API only, so that the same source
// measures two builds of the library side by side:
//   tree_walks_bench FILE [RUNS]   prints the median seconds of each step
// CMake builds it against this tree's library; to compare two builds, compile it by hand
// against each library, e.g. g++ -O2 -std=c++17 -I. bench/tree_walks_bench.cpp build/rel/libscl.a
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "SclDll/SclLib.h"

using namespace Arvenko::Melvotar::Scl;

namespace {

double Median(const std::function<void()>& aStep, int aRuns)
{
   std::vector<double> seconds;
   for (int i = 0; i < aRuns; ++i) {
      const auto start = std::chrono::steady_clock::now();
      aStep();
      seconds.push_back(
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
   }
   std::sort(seconds.begin(), seconds.end());
   return seconds[seconds.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
   if (argc < 2) {
      std::fprintf(stderr, "usage: tree_walks_bench FILE [RUNS]\n");
      return 2;
   }
   const std::string path = argv[1];
   const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
   CSclFile left;
   left.Read(path);
   CSclFile right;
   right.Read(path);
   CSmartCompare rules;
   bool same = true;
   // Reading and destroying a tree, each timed alone.
   std::vector<double> reads;
   std::vector<double> destroys;
   for (int i = 0; i < runs; ++i) {
      auto start = std::chrono::steady_clock::now();
      auto* pFile = new CSclFile;
      pFile->Read(path);
      auto middle = std::chrono::steady_clock::now();
      delete pFile;
      auto end = std::chrono::steady_clock::now();
      reads.push_back(std::chrono::duration<double>(middle - start).count());
      destroys.push_back(std::chrono::duration<double>(end - middle).count());
   }
   std::sort(reads.begin(), reads.end());
   std::sort(destroys.begin(), destroys.end());
   std::printf("read            %.4f\n", reads[reads.size() / 2]);
   std::printf("destroy         %.4f\n", destroys[destroys.size() / 2]);
   std::printf("copy            %.4f\n", Median([&] { CSclFile copy; copy.Copy(left); }, runs));
   std::printf("content compare %.4f\n",
               Median([&] { same = same && left.ContentCompare(left); }, runs));
   std::printf("without top id  %.4f\n",
               Median([&] { same = same && left.CompareWithoutTopLevelId(left); }, runs));
   std::printf("smart compare   %.4f\n",
               Median([&] { same = same && left.SmartCompare(right, rules, true); }, runs));
   std::printf("smart, first    %.4f\n",
               Median([&] { same = same && left.SmartCompare(right, rules, false); }, runs));
   std::printf("sort            %.4f\n",
               Median([&] { right.Sort(true, false, true); }, runs));
   std::printf("check           %.4f\n", Median([&] { right.Check(1); }, runs));
   return same ? 0 : 1;
}
