// Feeds arbitrary bytes from memory into a typed element of an SCL tree, a plain container and
// a free-standing root; the trees are then completed, copied, compared, sorted, checked, written.
#include <cstdint>
#include <string>

#include "SclDll/SclLib.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTree.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using namespace Arvenko::Melvotar::XmlParser;

namespace {

const char s_Document[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SCL><Header id=\"H\"/>"
    "<Substation name=\"S\"><VoltageLevel name=\"V\"><Bay name=\"B0\"/></VoltageLevel></Substation>"
    "<IED name=\"I\"><AccessPoint name=\"P\"><Server><LDevice inst=\"L\">"
    "<LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"T\"/></LDevice></Server></AccessPoint></IED>"
    "<DataTypeTemplates><LNodeType id=\"T\" lnClass=\"LLN0\"/></DataTypeTemplates></SCL>";

// Reads the input into apTarget from a fresh memory parser over it.
void ReadInto(CSclContainer* apTarget, const uint8_t* apData, size_t aSize)
{
   CXmlParser reader(reinterpret_cast<const char*>(apData), static_cast<int32_t>(aSize), FF_UTF8);
   apTarget->Read(&reader);
}

// The element a caller would read into: the first of class aClassId in document order.
CSclContainer* Find(CSclFile& arFile, tSclClassId aClassId)
{
   for (CScl* pScl = &arFile; pScl != nullptr; pScl = pScl->GetNext(0, 255))
      if (pScl->IsClass(aClassId) && pScl->IsClass(CID_CONTAINER))
         return static_cast<CSclContainer*>(pScl);
   return nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   if (aSize > (1u << 24))
      return 0;
   const SclFuzz::CReportCheck reportCheck;

   CSclFile file;
   CXmlParser documentReader(s_Document, static_cast<int32_t>(sizeof(s_Document) - 1), FF_UTF8);
   file.Read(&documentReader);
   CSclContainer* pLevel = Find(file, CID_VoltageLevel);
   CSclContainer* pLDevice = Find(file, CID_LDevice);
   if (pLevel == nullptr || pLDevice == nullptr)
      __builtin_trap();
   ReadInto(pLevel, apData, aSize);
   ReadInto(pLDevice, apData, aSize);
   file.Complete();

   // Outside any SCL element every child stays a plain container.
   CSclContainer outside(nullptr, "Outside", InsertLast);
   CSclContainer* pInner = outside.CreateSclContainer(CID_CONTAINER, InsertLast);
   ReadInto(pInner, apData, aSize);
   CSclContainer root(nullptr, "Root", InsertLast);
   ReadInto(&root, apData, aSize);
   root.Complete();

   CSclFile copy;
   copy.Copy(file);
   copy.Complete();
   file.ContentCompare(copy);
   pLevel->CompareWithoutTopLevelId(*pLevel);
   CSmartCompare rules;
   file.SmartCompare(copy, rules, true);
   file.GetCRC32(SCL_CRC32_START);
   root.GetCRC32(SCL_CRC32_START);
   file.Check(3);
   copy.Sort(true, false, true);
   SclFuzz::WriteToMemory(*pLevel, 1, 4 * aSize + 4096);
   SclFuzz::WriteToMemory(outside, 1, 4 * aSize + 4096);
   SclFuzz::WriteToMemory(root, 1, aSize / 2 + 1);
   return 0;
}
