#include "xmlparser/Report.h"

#include "xmlparser/TextCallback.h"

namespace Arvenko::Melvotar {

std::string GetErrorListText(int aCode)
{
   switch (aCode) {
#define SCL_ERROR_CASE(e, v, t)                                                                    \
   case v:                                                                                         \
      return t;
      SCL_ERROR_LIST(SCL_ERROR_CASE)
#undef SCL_ERROR_CASE
   }
   return "unbekannter Fehler";
}

namespace {
thread_local CHeldReports* t_pHeldReports = nullptr;
} // namespace

CHeldReports::CHeldReports() : m_pPrevious(t_pHeldReports)
{
   t_pHeldReports = this;
}

CHeldReports::~CHeldReports()
{
   t_pHeldReports = m_pPrevious;
}

void OutputReport(const tReportBlock& aBlock)
{
   tTextCallbackFunction callback = GetTextCallbackFunction();
   if (callback == nullptr)
      return;
   if (t_pHeldReports != nullptr) {
      t_pHeldReports->m_Blocks.push_back(aBlock);
      return;
   }
   if (!aBlock.CodeText.empty()) {
      callback(ReportLine::kError + aBlock.Message);
      callback(ReportLine::kCode + aBlock.CodeText);
   } else {
      callback(aBlock.Message);
   }
   if (aBlock.HasObject) {
      callback(ReportLine::kPath + aBlock.ObjectPath);
      callback(ReportLine::kIdPath + aBlock.ObjectIds + "]]");
   }
   if (aBlock.Info != 0)
      callback(ReportLine::kInfo + std::to_string(aBlock.Info));
   if (aBlock.HasXmlFile) {
      callback(ReportLine::kXmlFile + aBlock.XmlFile);
      if (aBlock.Line > 0)
         callback(ReportLine::kLine + std::to_string(aBlock.Line));
   }
   callback(std::string());
}

} // namespace Arvenko::Melvotar
