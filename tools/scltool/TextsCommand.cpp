// scltool texts: the text pool and the lookups of attribute names and values.
#include <cstdio>

#include "SclDll/SclLib.h"
#include "Tool.h"

namespace SclTool {

using Arvenko::Melvotar::tTextRef;
using Arvenko::Melvotar::Scl::CSclKevText;

namespace {

void PrintRef(const tTextRef& aRef, const std::string& aKey, const std::string& aText)
{
   std::printf("ref:  %d/%u\nkey:  %s\ntext: %s\n", aRef.sid, static_cast<unsigned>(aRef.nr),
               ToUtf8(aKey).c_str(), ToUtf8(aText).c_str());
}

} // namespace

int RunTexts(const tArgs& aArgs)
{
   CSclKevText texts;
   texts.LoadDefaultTexts();
   size_t i = 0;
   if (aArgs.size() >= 2 && aArgs[0] == "--pool") {
      if (!texts.LoadXMLFile(aArgs[1]))
         return Fail("cannot read text pool '" + aArgs[1] + "'");
      i = 2;
   }
   const size_t rest = aArgs.size() - i;
   if (rest == 2 && aArgs[i] == "--write-default") {
      CSclKevText defaults;
      defaults.LoadDefaultTexts();
      FILE* probe = std::fopen(aArgs[i + 1].c_str(), "ab");
      if (probe == nullptr)
         return Fail("cannot write '" + aArgs[i + 1] + "'");
      std::fclose(probe);
      defaults.SaveXMLFile(aArgs[i + 1]);
      std::printf("wrote the default text pool to %s\n", aArgs[i + 1].c_str());
      return EXIT_OK;
   }
   if (rest == 2 && aArgs[i] == "--lookup-da") {
      const std::string name = FromUtf8(aArgs[i + 1]);
      const tTextRef ref = texts.GetDAKevTextRef(name);
      PrintRef(ref, texts.GetDATextKey(name), texts.GetKevText(ref));
      return ref.nr != 0 ? EXIT_OK : EXIT_FINDINGS;
   }
   if (rest == 5 && aArgs[i] == "--lookup-value") {
      const std::string da = FromUtf8(aArgs[i + 1]), doName = FromUtf8(aArgs[i + 2]),
                        cdc = FromUtf8(aArgs[i + 3]), value = FromUtf8(aArgs[i + 4]);
      const tTextRef ref = texts.GetDAValueKevTextRef(da, doName, cdc, value);
      PrintRef(ref, texts.GetDAValueTextKey(da, doName, cdc, value), texts.GetKevText(ref));
      return ref.nr != 0 ? EXIT_OK : EXIT_FINDINGS;
   }
   return Fail("texts: wrong arguments (see 'scltool texts --help')");
}

} // namespace SclTool
