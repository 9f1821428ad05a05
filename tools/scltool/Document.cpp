#include "Document.h"

#include <chrono>

#include "Tool.h"

namespace SclTool {

using namespace Arvenko::Melvotar::Scl;
namespace Xml = Arvenko::Melvotar::XmlParser;

namespace {

int g_ProblemReports = 0;
Arvenko::Melvotar::tTextCallbackFunction g_Forward = nullptr;

// Counts the error reports of a load and passes every line on.
void CountingCallback(std::string aLine)
{
   if (aLine.compare(0, 8, "Fehler: ") == 0)
      ++g_ProblemReports;
   if (g_Forward != nullptr)
      g_Forward(std::move(aLine));
}

} // namespace

tDocument LoadDocument(const std::string& aPath, bool aLegacy)
{
   tDocument document;
   document.File = std::make_unique<CSclFile>();
   if (!aLegacy)
      document.File->SetInterchange(tSclInterchange::All());
   g_ProblemReports = 0;
   g_Forward = Arvenko::Melvotar::GetTextCallbackFunction();
   Arvenko::Melvotar::SetTextCallbackFunction(&CountingCallback);
   const auto start = std::chrono::steady_clock::now();
   try {
      document.File->Read(aPath);
   } catch (const std::exception& e) {
      Arvenko::Melvotar::SetTextCallbackFunction(g_Forward);
      Fail("cannot read '" + aPath + "': " + ToUtf8(e.what()));
      document.File.reset();
      return document;
   }
   document.LoadSeconds =
       std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
   Arvenko::Melvotar::SetTextCallbackFunction(g_Forward);
   document.ProblemReports = g_ProblemReports;
   return document;
}

std::map<tSclClassId, int> CountClasses(const CScl& aRoot)
{
   std::map<tSclClassId, int> counts;
   for (const CScl* object = &aRoot; object != nullptr; object = object->GetNext(0, 255))
      if (object->IsClass(CID_CONTAINER))
         ++counts[object->GetClassId()];
   return counts;
}

std::string CrcStampState(CSclFile& aFile)
{
   CSclSCL* scl = aFile.GetSclElement();
   if (scl == nullptr || scl->GetPrivate(SCL_STAMP_CRC) == nullptr)
      return "absent";
   return aFile.IsValidFileCRC() ? "valid" : "invalid";
}

const char* FormatName(Xml::tFileFormat aFormat)
{
   switch (aFormat) {
   case Xml::FF_ANSI:
      return "ISO-8859-1";
   case Xml::FF_UTF16:
      return "UTF-16";
   default:
      return "UTF-8";
   }
}

std::map<std::string, int> CountTemplates(const CSclFile& aFile)
{
   std::map<std::string, int> counts;
   for (tSclClassId id : {CID_LNodeType, CID_DOType, CID_DAType, CID_EnumType})
      counts[CSclNameTable::GetNameOfClassId(id)] = 0;
   CSclSCL* scl = aFile.GetSclElement();
   CSclDataTypeTemplates* templates = scl != nullptr ? scl->GetDataTypeTemplates() : nullptr;
   if (templates == nullptr)
      return counts;
   for (int i = 0; i < templates->GetChildCount(); ++i) {
      const CScl* child = templates->GetChild(i);
      if (child->IsClass(CID_CONTAINER))
         ++counts[CSclNameTable::GetNameOfClassId(child->GetClassId())];
   }
   return counts;
}

} // namespace SclTool
