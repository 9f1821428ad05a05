// Reading and completing SCL files of two sizes: time per MB of the tokeniser alone (the
// reference measured in the same run), of reading into a tree, and of the completion that
// builds and resolves the reference objects, and how each grows from the small to the large
// file.
//
//   complete_bench SMALL LARGE [RUNS]   e.g. files from ../shared/tools/gen_scd.py with
//                                       --ieds 10 and --ieds 100; RUNS (default 3) per file,
//                                       medians printed
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "SclDll/SclLib.h"

using namespace Arvenko::Melvotar;

namespace {

double Now()
{
   return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
       .count();
}

double Median(std::vector<double> aValues)
{
   std::sort(aValues.begin(), aValues.end());
   return aValues[aValues.size() / 2];
}

struct tTimes {
   double megabytes = 0;
   double tokenize = 0; ///< seconds of the tokeniser pass
   double read = 0;     ///< seconds of reading into a tree (no completion)
   double complete = 0; ///< seconds of the completion
   int resolved = 0;
   int unresolved = 0;
};

tTimes Measure(const char* apFile, int aRuns)
{
   std::vector<double> tokenize, read, complete;
   tTimes times;
   for (int run = 0; run < aRuns; ++run) {
      double start = Now();
      {
         XmlParser::CXmlParser parser(apFile, XmlParser::FF_UTF8, false);
         times.megabytes = parser.GetLength() / 1e6;
         std::string text, name;
         XmlParser::tXmlAttribList attribs;
         bool isStart = false, isEnd = false, isCData = false;
         do {
            parser.GetNextValue(text);
            attribs.clear();
         } while (parser.GetNextTag(name, isStart, isEnd, attribs, isCData) == 0);
      }
      tokenize.push_back(Now() - start);

      // A root container reads typed elements but leaves the completion to the caller.
      start = Now();
      XmlParser::CXmlParser parser(apFile, XmlParser::FF_UTF8, false);
      Scl::CSclContainer root(nullptr);
      root.Read(&parser);
      read.push_back(Now() - start);
      start = Now();
      root.Complete();
      complete.push_back(Now() - start);

      times.resolved = times.unresolved = 0;
      for (Scl::CScl* pScl = &root; pScl != nullptr; pScl = pScl->GetNext(0, 255))
         if (pScl->IsClass(Scl::CID_REF))
            ++(static_cast<Scl::CSclRef*>(pScl)->GetRefSclContainer() != nullptr
                   ? times.resolved
                   : times.unresolved);
   }
   times.tokenize = Median(tokenize);
   times.read = Median(read);
   times.complete = Median(complete);
   return times;
}

void Print(const char* apLabel, const tTimes& aTimes)
{
   std::printf("%-6s %8.2f MB  tokenize %7.2f ms/MB  read %7.2f ms/MB  complete %7.2f ms/MB"
               "  (references: %d resolved, %d unresolved)\n",
               apLabel, aTimes.megabytes, 1e3 * aTimes.tokenize / aTimes.megabytes,
               1e3 * aTimes.read / aTimes.megabytes, 1e3 * aTimes.complete / aTimes.megabytes,
               aTimes.resolved, aTimes.unresolved);
}

} // namespace

int main(int argc, char** argv)
{
   if (argc < 3) {
      std::fprintf(stderr, "usage: complete_bench SMALL LARGE [RUNS]\n");
      return 2;
   }
   const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
   const tTimes small = Measure(argv[1], runs);
   const tTimes large = Measure(argv[2], runs);
   Print("small", small);
   Print("large", large);
   auto growth = [&](double aSmall, double aLarge) {
      return (aLarge / large.megabytes) / (aSmall / small.megabytes);
   };
   std::printf("growth of time per MB, large/small: tokenize %.2f  read %.2f  complete %.2f  "
               "read+complete %.2f\n",
               growth(small.tokenize, large.tokenize), growth(small.read, large.read),
               growth(small.complete, large.complete),
               growth(small.read + small.complete, large.read + large.complete));
   return 0;
}
