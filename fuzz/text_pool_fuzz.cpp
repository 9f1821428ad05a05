// Feeds arbitrary bytes as a text pool file: load, look texts up, save, load what was saved.
#include <cstdint>
#include <string>

#include "SclDll/SclLib.h"
#include "fuzz/FuzzSupport.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   const SclFuzz::CInputFile input("text_pool_fuzz", apData, aSize);
   CSclKevText texts;
   bool loaded = true;
   if (input.Path().empty() || !SclFuzz::Reads([&] { loaded = texts.LoadXMLFile(input.Path()); }))
      return 0;
   if (!loaded)
      __builtin_trap(); // the file was just written, so it is readable
   texts.GetKevText(tTextRef{513, 1});
   texts.GetDAKevText("q$validity");
   texts.GetDAValueKevText("stVal", "Beh", "ENS", "2");
   const std::string savedPath = input.Path() + ".saved";
   texts.SaveXMLFile(savedPath);
   CSclKevText again;
   SclFuzz::Reads([&] { again.LoadXMLFile(savedPath); });
   return 0;
}
