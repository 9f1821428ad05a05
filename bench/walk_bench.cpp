// The native reference of the managed walk benchmark (binding/bench): loads FILE and walks
// every object with GetNext(0, 255), reading GetIdName of each; prints the object count and
// the median walk time of RUNS walks (default 5) in milliseconds.
//
//   walk_bench FILE [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "SclDll/SclLib.h"

using namespace Arvenko::Melvotar::Scl;

int main(int argc, char** argv)
{
   if (argc < 2) {
      std::fprintf(stderr, "usage: walk_bench FILE [RUNS]\n");
      return 2;
   }
   const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
   CSclFile file;
   file.Read(argv[1]);
   std::vector<double> times;
   size_t objects = 0, chars = 0;
   for (int run = 0; run < runs; ++run) {
      auto start = std::chrono::steady_clock::now();
      objects = 0;
      chars = 0;
      for (CScl* p = file.GetNext(0, 255); p != nullptr; p = p->GetNext(0, 255)) {
         chars += p->GetIdName().size();
         ++objects;
      }
      times.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count());
   }
   std::sort(times.begin(), times.end());
   std::printf("%zu objects %zu chars %.3f ms\n", objects, chars, times[times.size() / 2]);
   return 0;
}
