// Feeds arbitrary bytes through the element reader into a file root, which completes the tree
// (reference objects and their target searches), then walks every element: identities, key
// texts, type navigation of instance data, and writes the tree back to memory.
#include <cstdint>
#include <string>
#include <vector>

#include "SclDll/SclLib.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   const std::string text(reinterpret_cast<const char*>(apData), aSize);
   XmlParser::CXmlParser reader(text.data(), static_cast<int32_t>(text.size()), XmlParser::FF_UTF8);
   CSclFile file;
   file.Read(&reader);
   size_t sum = 0;
   for (CScl* pScl = &file; pScl != nullptr; pScl = pScl->GetNext(0, 255)) {
      if (pScl->IsClass(CID_REF))
         sum += static_cast<CSclRef*>(pScl)->GetRefKeyText().size();
      else if (pScl->IsClass(CID_CONTAINER)) {
         auto* pElement = static_cast<CSclContainer*>(pScl);
         sum += pElement->GetId().size();
         sum += pElement->GetTypeNodeOfInstance() != nullptr;
      }
   }
   std::vector<char> buffer(4 * aSize + 4096);
   XmlParser::CXmlParser writer(buffer.data(), static_cast<int32_t>(buffer.size()),
                                XmlParser::FF_UTF8, true);
   try {
      file.Write(0, &writer, false);
   } catch (const scl_error&) {
      // a full buffer: the writer reports it
   }
   return sum == SIZE_MAX ? 1 : 0;
}
