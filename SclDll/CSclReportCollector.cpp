#include "SclDll/CSclReportCollector.h"

#include <cstdlib>

namespace Arvenko::Melvotar::Scl {

namespace {

CSclReportCollector* g_pActive = nullptr;

// The lines of a report block, by their prefixes (those the report writer puts).
const std::string kCode = ReportLine::kCode;
const std::string kPath = ReportLine::kPath;
const std::string kIdPath = ReportLine::kIdPath;
const std::string kInfo = ReportLine::kInfo;
const std::string kXmlFile = ReportLine::kXmlFile;
const std::string kLine = ReportLine::kLine;
const std::string kError = ReportLine::kError;
// The notice with which the element reader gives the file place of its repair report.
const std::string kReaderPlace = "CSclContainer::Read - Fehler in XML-Datei";

bool StartsWith(const std::string& aLine, const std::string& aPrefix)
{
   return aLine.compare(0, aPrefix.size(), aPrefix) == 0;
}

int32_t Number(const std::string& aLine, size_t aFrom)
{
   return static_cast<int32_t>(std::strtol(aLine.c_str() + aFrom, nullptr, 10));
}

} // namespace

tSclError SclErrorFromText(const std::string& aText)
{
   for (int code = SE_OK; code <= SE_OTHER; ++code)
      if (GetSclErrorText(static_cast<tSclError>(code)) == aText)
         return static_cast<tSclError>(code);
   return SE_OTHER;
}

CSclReportCollector::CSclReportCollector(bool aForward)
    : m_pOuter(g_pActive), m_Previous(GetTextCallbackFunction()), m_Forward(aForward)
{
   g_pActive = this;
   SetTextCallbackFunction(&Receive);
}

CSclReportCollector::~CSclReportCollector()
{
   if (m_Open)
      Close();
   SetTextCallbackFunction(m_Previous);
   g_pActive = m_pOuter;
}

int CSclReportCollector::GetErrorCount() const
{
   int count = 0;
   for (const tSclReport& report : m_Reports)
      count += report.Code != SE_OK ? 1 : 0;
   return count;
}

void CSclReportCollector::Receive(std::string aLine)
{
   // A forwarding collector hands the line to the one it was installed over: directly when
   // that is a collector too (the callback would find the innermost one again).
   for (CSclReportCollector* collector = g_pActive; collector != nullptr;) {
      collector->Take(aLine);
      if (!collector->m_Forward || collector->m_Previous == nullptr)
         return;
      if (collector->m_Previous != &Receive) {
         collector->m_Previous(aLine);
         return;
      }
      collector = collector->m_pOuter;
   }
}

void CSclReportCollector::Take(const std::string& aLine)
{
   if (!m_Open) {
      if (aLine.empty())
         return;
      m_Current = tSclReport{};
      m_Open = true;
      const bool error = StartsWith(aLine, kError);
      m_Current.Code = error ? SE_OTHER : SE_OK;
      m_Current.Message = error ? aLine.substr(kError.size()) : aLine;
      return;
   }
   if (aLine.empty())
      Close();
   else if (StartsWith(aLine, kCode))
      m_Current.Code = SclErrorFromText(aLine.substr(kCode.size()));
   else if (StartsWith(aLine, kPath))
      m_Current.Path = aLine.substr(kPath.size());
   else if (StartsWith(aLine, kIdPath) && aLine.size() >= kIdPath.size() + 2)
      m_Current.IdPath = aLine.substr(kIdPath.size(), aLine.size() - kIdPath.size() - 2);
   else if (StartsWith(aLine, kInfo))
      m_Current.Info = Number(aLine, kInfo.size());
   else if (StartsWith(aLine, kXmlFile))
      m_Current.XmlFile = aLine.substr(kXmlFile.size());
   else if (StartsWith(aLine, kLine))
      m_Current.Line = Number(aLine, kLine.size());
}

void CSclReportCollector::Close()
{
   m_Open = false;
   if (m_Current.Code == SE_OK && m_Current.Message == kReaderPlace && !m_Reports.empty() &&
       m_Reports.back().Line == 0 && m_Reports.back().XmlFile.empty()) {
      m_Reports.back().XmlFile = m_Current.XmlFile;
      m_Reports.back().Line = m_Current.Line;
      return;
   }
   m_Reports.push_back(std::move(m_Current));
}

} // namespace Arvenko::Melvotar::Scl
