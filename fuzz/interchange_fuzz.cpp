// Feeds arbitrary bytes as an SCL file through the interchange option: whatever loads as one
// intact document is saved in each encoding, and libxml2 must find every saved file well-formed.
#include <libxml/parser.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "SclDll/SclLib.h"
#include "fuzz/FuzzSupport.h"

using namespace Arvenko::Melvotar::Scl;
using namespace Arvenko::Melvotar::XmlParser;

namespace {

void Silent(void*, const char*, ...) {}

// True for exactly one top-level element and no top-level text or CDATA section.
bool IsOneDocument(const CSclFile& aFile)
{
   int elements = 0;
   for (int i = 0; i < aFile.GetChildCount(); ++i) {
      const CScl* pChild = aFile.GetChild(i);
      if (pChild->IsClass(CID_VALUE))
         return false;
      if (pChild->IsClass(CID_REMARK) && static_cast<const CSclRemark*>(pChild)->IsCData())
         return false;
      const std::string& name = pChild->GetSclName();
      if (pChild->IsClass(CID_CONTAINER) && (name.empty() || name[0] != '?'))
         ++elements;
   }
   return elements == 1;
}

bool IsWellFormed(const std::string& aBytes)
{
   xmlParserCtxtPtr pContext = xmlNewParserCtxt();
   if (pContext == nullptr)
      return true; // out of memory: nothing to judge
   xmlDocPtr pDoc = xmlCtxtReadMemory(
       pContext, aBytes.data(), static_cast<int>(aBytes.size()), "saved.xml", nullptr,
       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE);
   const bool wellFormed = pDoc != nullptr && pContext->wellFormed != 0;
   xmlFreeDoc(pDoc);
   xmlFreeParserCtxt(pContext);
   return wellFormed;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
   xmlInitParser();
   xmlSetGenericErrorFunc(nullptr, &Silent);
   return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   const SclFuzz::CInputFile input("interchange_fuzz", apData, aSize);
   CSclFile file;
   file.SetInterchange(tSclInterchange::All());
   if (input.Path().empty() || !SclFuzz::Reads([&] { file.Read(input.Path()); }))
      return 0;
   if (file.IsReadTruncated() || file.GetReadRepairs() > 0 || !IsOneDocument(file))
      return 0;
   const std::string savedPath = input.Path() + ".saved";
   for (tFileFormat format : {FF_UTF8, FF_UTF16, FF_ANSI}) {
      file.SetFileFormat(format);
      try {
         file.Write(savedPath);
      } catch (const std::exception&) {
         return 0; // the disk refused: nothing to judge
      }
      std::ifstream in(savedPath, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
      if (!IsWellFormed(bytes))
         __builtin_trap();
   }
   return 0;
}
