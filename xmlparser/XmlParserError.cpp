#include "xmlparser/XmlParserError.h"

#include "SclDll/SclError.h"
#include "xmlparser/TextCallback.h"
#include "xmlparser/XmlParser.h"

namespace Arvenko::Melvotar::XmlParser {

std::string GetXmlParserErrorText(int aCode)
{
   // The XML layer shares the object layer's texts up to 13 and has its own "other" at 14.
   if (aCode >= 0 && aCode <= 13)
      return Scl::GetSclErrorText(static_cast<Scl::tSclError>(aCode));
   if (aCode == XP_OTHER)
      return "anderer Fehler";
   return "unbekannter Fehler";
}

void OutputXmlParserError(const std::string& aMessage, const CXmlParser* apParser, int aCode,
                          int32_t aInfo)
{
   tTextCallbackFunction callback = GetTextCallbackFunction();
   if (callback == nullptr)
      return;
   if (aCode != 0) {
      callback("Fehler: " + aMessage);
      callback("   Fehlercode: " + GetXmlParserErrorText(aCode));
   } else {
      callback(aMessage);
   }
   if (aInfo != 0)
      callback("   Zusatzinfo.: " + std::to_string(aInfo));
   if (apParser != nullptr) {
      callback("   XML-Datei: " + apParser->GetFileName());
      const int32_t line = apParser->GetLine();
      if (line > 0)
         callback("   Zeile in XML-Datei: " + std::to_string(line));
   }
   callback(std::string());
}

xml_parser_error::xml_parser_error(const char* apMessage, const CXmlParser* apParser, int aCode,
                                   int32_t aInfo)
    : std::logic_error(apMessage), m_pParser(apParser), m_Code(aCode), m_Info(aInfo)
{
   OutputXmlParserError(apMessage, apParser, aCode, aInfo);
}

xml_parser_error::~xml_parser_error() = default;

} // namespace Arvenko::Melvotar::XmlParser
