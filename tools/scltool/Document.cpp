#include "Document.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "Json.h"
#include "Tool.h"

namespace SclTool {

using namespace Arvenko::Melvotar::Scl;
namespace Xml = Arvenko::Melvotar::XmlParser;

namespace {

// Files above this size show progress on a terminal.
constexpr uintmax_t kProgressBytes = 20u * 1024u * 1024u;

} // namespace

uintmax_t FileSize(const std::string& aPath)
{
   std::error_code error;
   const uintmax_t size = std::filesystem::file_size(aPath, error);
   return error ? 0 : size;
}

struct CProgress::tState {
   std::mutex Mutex;
   std::condition_variable Wake;
   bool Done = false;
   std::thread Ticker;
   std::chrono::steady_clock::time_point Start = std::chrono::steady_clock::now();
   std::string Line; // "scltool: loading FILE (N MB)"

   double Seconds() const
   {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
   }
};

CProgress::CProgress(const char* apVerb, const std::string& aPath, uintmax_t aBytes)
{
   if (aBytes <= kProgressBytes || isatty(STDERR_FILENO) == 0)
      return;
   m_pState = std::make_unique<tState>();
   m_pState->Line = std::string("scltool: ") + apVerb + " " + aPath + " (" +
                    std::to_string(aBytes / (1024 * 1024)) + " MB)";
   tState* state = m_pState.get();
   std::fprintf(stderr, "%s ...", state->Line.c_str());
   state->Ticker = std::thread([state] {
      std::unique_lock<std::mutex> lock(state->Mutex);
      while (!state->Wake.wait_for(lock, std::chrono::milliseconds(500),
                                   [state] { return state->Done; }))
         std::fprintf(stderr, "\r%s ... %.0f s", state->Line.c_str(), state->Seconds());
   });
}

CProgress::~CProgress()
{
   if (!m_pState)
      return;
   {
      std::lock_guard<std::mutex> lock(m_pState->Mutex);
      m_pState->Done = true;
   }
   m_pState->Wake.notify_one();
   m_pState->Ticker.join();
   std::fprintf(stderr, "\r%s ... done in %.1f s\n", m_pState->Line.c_str(), m_pState->Seconds());
}

tDocument LoadDocument(const std::string& aPath, bool aEcho, bool aLegacy)
{
   tDocument document;
   document.File = std::make_unique<CSclFile>();
   if (!aLegacy)
      document.File->SetInterchange(tSclInterchange::All());
   // The echo sits behind the collector, which passes every line on to it.
   const Arvenko::Melvotar::tTextCallbackFunction previous =
       Arvenko::Melvotar::GetTextCallbackFunction();
   Arvenko::Melvotar::SetTextCallbackFunction(aEcho ? &PrintReportLine : nullptr);
   {
      CSclReportCollector collector(true);
      const auto start = std::chrono::steady_clock::now();
      try {
         CProgress progress("loading", aPath, FileSize(aPath));
         document.File->Read(aPath);
      } catch (const std::exception& e) {
         document.File.reset();
         Fail("cannot read '" + aPath + "': " + ToUtf8(e.what()));
      }
      document.LoadSeconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      document.Reports = collector.GetReports();
      document.ProblemReports = collector.GetErrorCount();
   }
   Arvenko::Melvotar::SetTextCallbackFunction(previous);
   return document;
}

std::string ObjectPath(const CScl& aObject)
{
   const CSclContainer* parent = aObject.GetParent();
   if (aObject.IsClass(CID_REF) || (aObject.IsClass(CID_VALUE) && aObject.GetNameId() == NID_NONE))
      return parent != nullptr ? ObjectPath(*parent) : std::string();
   if (aObject.IsClass(CID_VALUE))
      return (parent != nullptr ? ObjectPath(*parent) : std::string()) + "@" +
             ToUtf8(aObject.GetSclName());
   if (aObject.IsClass(CID_REMARK))
      return (parent != nullptr ? ObjectPath(*parent) : std::string()) + "#comment";
   if (aObject.IsClass(CID_SCL))
      return "SCL";
   const std::string path = ToUtf8(aObject.GetIdNamePath());
   return path.empty() ? ToUtf8(aObject.GetIdName()) : path;
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

bool IsReference(const CScl& aObject)
{
   return aObject.IsClass(CID_REF) && aObject.GetClassId() >= CID_APRef &&
          aObject.GetClassId() <= CID_SampledValueControlRef;
}

void WriteReports(CJson& arJson, const std::vector<tSclReport>& aReports)
{
   arJson.BeginArray();
   for (const tSclReport& report : aReports) {
      arJson.BeginObject()
          .Field("message", ToUtf8(report.Message))
          .Field("code", static_cast<int>(report.Code))
          .Field("codeText", ToUtf8(GetSclErrorText(report.Code)))
          .Field("path", ToUtf8(report.Path))
          .Field("file", ToUtf8(report.XmlFile));
      arJson.Key("line");
      if (report.Line > 0)
         arJson.Number(int64_t{report.Line});
      else
         arJson.Null();
      arJson.Field("info", static_cast<int>(report.Info)).EndObject();
   }
   arJson.EndArray();
}

// An SCL element under a namespace prefix ("scl:SCL") that the library does not take for the
// document's SCL element (the prefix is not bound to the SCL namespace, or --legacy read the
// file); null when there is none.
const CScl* PrefixedSclElement(const CSclFile& aFile)
{
   for (int i = 0; i < aFile.GetChildCount(); ++i) {
      const CScl* child = aFile.GetChild(i);
      const std::string& name = child->GetSclName();
      if (child->IsClass(CID_CONTAINER) && name.size() > 4 &&
          name.compare(name.size() - 4, 4, ":SCL") == 0)
         return child;
   }
   return nullptr;
}

// What a document lacks for the SCL element, one line: "no SCL element" or the name of a
// prefixed one.
std::string MissingSclText(const CSclFile& aFile)
{
   const CScl* prefixed = PrefixedSclElement(aFile);
   return prefixed == nullptr ? "no SCL element"
                              : "no SCL element in the default namespace (root element '" +
                                    ToUtf8(prefixed->GetSclName()) + "')";
}

// Damage that the reader saw: input cut off inside an element, and missing end tags it
// repaired; one line per kind, none when the read was clean.
std::vector<std::string> ReadDamage(const CSclFile& aFile)
{
   std::vector<std::string> lines;
   if (aFile.IsReadTruncated())
      lines.push_back("input ends inside an open element: the file is cut off");
   if (aFile.GetReadRepairs() > 0)
      lines.push_back(std::to_string(aFile.GetReadRepairs()) +
                      " missing end tag(s) repaired by the reader");
   return lines;
}

} // namespace SclTool
