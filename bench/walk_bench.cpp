// The native reference of the managed walk benchmark (binding/bench): loads FILE and walks
// every object with GetNext(0, 255), reading GetIdName of each; prints the object count and
// the median walk time of RUNS walks (default 5) in milliseconds. With "typed" it walks the
// typed accessors instead: IEDs, their access points' servers, LDevices, LNs (LN0 included)
// and each LN's type through its reference, reading the LN's IdName and the type's id; the
// count is then the number of LNs.
//
//   walk_bench FILE [RUNS] [typed]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "SclDll/SclLib.h"

using namespace Arvenko::Melvotar::Scl;

namespace {

void TypedWalk(CSclFile& arFile, size_t& arLNs, size_t& arChars)
{
   std::vector<CSclIED*> ieds;
   arFile.GetSclElement()->GetIEDs(ieds);
   for (CSclIED* pIED : ieds) {
      std::vector<CSclAccessPoint*> aps;
      pIED->GetAccessPoints(aps);
      for (CSclAccessPoint* pAP : aps) {
         CSclServer* pServer = pAP->GetServer();
         if (pServer == nullptr)
            continue;
         std::vector<CSclLDevice*> lds;
         pServer->GetLDevices(lds);
         for (CSclLDevice* pLD : lds) {
            std::vector<CSclLNBase*> lns;
            pLD->GetLNBases(lns);
            for (CSclLNBase* pLN : lns) {
               const CSclLNodeType* pType = pLN->GetRefLNodeType();
               arChars += pLN->GetIdName().size() + (pType ? pType->Get_id().size() : 0);
               ++arLNs;
            }
         }
      }
   }
}

} // namespace

int main(int argc, char** argv)
{
   if (argc < 2) {
      std::fprintf(stderr, "usage: walk_bench FILE [RUNS]\n");
      return 2;
   }
   const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
   const bool typed = argc > 3 && std::strcmp(argv[3], "typed") == 0;
   CSclFile file;
   file.Read(argv[1]);
   std::vector<double> times;
   size_t objects = 0, chars = 0;
   for (int run = 0; run < runs; ++run) {
      auto start = std::chrono::steady_clock::now();
      objects = 0;
      chars = 0;
      if (typed)
         TypedWalk(file, objects, chars);
      else
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
