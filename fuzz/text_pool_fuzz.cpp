// Feeds arbitrary bytes as a text pool file: loads it, looks texts up, saves the pool and
// loads what was saved.
#include <cstdint>
#include <string>

#include "SclDll/SclLib.h"
#include "fuzz/FuzzSupport.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using namespace Arvenko::Melvotar::XmlParser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   const SclFuzz::CReportCheck reportCheck;
   const std::string path = SclFuzz::WriteInputFile("text_pool_fuzz", apData, aSize);
   if (path.empty())
      return 0;

   CSclKevText texts;
   try {
      if (!texts.LoadXMLFile(path))
         __builtin_trap(); // the file was just written, so it is readable
   } catch (const xml_parser_error&) {
      return 0;
   }
   texts.GetKevText(tTextRef{513, 1});
   texts.GetDAKevText("q$validity");
   texts.GetDAValueKevText("stVal", "Beh", "ENS", "2");
   const std::string savedPath = path + ".saved";
   texts.SaveXMLFile(savedPath);
   CSclKevText again;
   try {
      again.LoadXMLFile(savedPath);
   } catch (const xml_parser_error&) {
   }
   return 0;
}
