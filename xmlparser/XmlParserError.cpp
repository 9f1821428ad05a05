#include "xmlparser/XmlParserError.h"

#include "xmlparser/Report.h"
#include "xmlparser/TextCallback.h"
#include "xmlparser/XmlParser.h"

namespace Arvenko::Melvotar::XmlParser {

std::string GetXmlParserErrorText(int aCode)
{
   // The XML layer shares the library's texts up to 13 and has its own "other" at 14.
   if (aCode >= 0 && aCode <= 13)
      return GetErrorListText(aCode);
   if (aCode == XP_OTHER)
      return "anderer Fehler";
   return "unbekannter Fehler";
}

void OutputXmlParserError(const std::string& aMessage, const CXmlParser* apParser, int aCode,
                          int32_t aInfo)
{
   if (GetTextCallbackFunction() == nullptr)
      return;
   tReportBlock block;
   block.Message = aMessage;
   if (aCode != 0)
      block.CodeText = GetXmlParserErrorText(aCode);
   block.Info = aInfo;
   if (apParser != nullptr) {
      block.HasXmlFile = true;
      block.XmlFile = apParser->GetFileName();
      block.Line = apParser->GetLine();
   }
   OutputReport(block);
}

xml_parser_error::xml_parser_error(const char* apMessage, const CXmlParser* apParser, int aCode,
                                   int32_t aInfo)
    : std::logic_error(apMessage), m_pParser(apParser), m_Code(aCode), m_Info(aInfo)
{
   OutputXmlParserError(apMessage, apParser, aCode, aInfo);
}

xml_parser_error::~xml_parser_error() = default;

} // namespace Arvenko::Melvotar::XmlParser
