// The XML layer's error texts, its report and xml_parser_error.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace Arvenko::Melvotar::XmlParser {

class CXmlParser;

/// Status codes of the XML layer (plain integers, same numbering as tSclError up to 13).
enum : int {
   XP_OK = 0,
   XP_STRUCTURE = 2,         ///< no construct where one is needed
   XP_NO_VALUE = 4,          ///< no character data
   XP_MEM_LENGTH = 9,        ///< past the end of a memory buffer
   XP_WRONG_CLASS_MODE = 10, ///< reading from a writer or writing to a reader
   XP_END_REACHED = 12,      ///< end of input
   XP_OTHER = 14             ///< a failed seek
};

/// German text of an XML-layer code: 0..13 as the object layer, 14 "anderer Fehler",
/// anything else "unbekannter Fehler".
std::string GetXmlParserErrorText(int aCode);

/// Emits the XML-layer report: "Fehler: " + message and "   Fehlercode: " + text (the
/// message alone for code 0), "   Zusatzinfo.: " + aInfo when not 0, then for a parser
/// "   XML-Datei: " + its file name and "   Zeile in XML-Datei: " + its line when > 0,
/// and an empty line. Does nothing when no callback is installed.
void OutputXmlParserError(const std::string& aMessage, const CXmlParser* apParser, int aCode,
                          int32_t aInfo);

/// Thrown when a file cannot be opened, read, converted or written, or a parser has
/// neither buffer nor file. Reports once, on construction.
class xml_parser_error : public std::logic_error {
 public:
   xml_parser_error(const char* apMessage, const CXmlParser* apParser, int aCode, int32_t aInfo);
   ~xml_parser_error() override;

   /// The parser that failed (not owned), or null.
   const CXmlParser* GetParser() const { return m_pParser; }
   /// The XML-layer code (0 for every throw inside the XML layer).
   int GetCode() const { return m_Code; }
   /// The additional number, 0 when none.
   int32_t GetInfo() const { return m_Info; }

 private:
   const CXmlParser* m_pParser;
   int m_Code;
   int32_t m_Info;
};

} // namespace Arvenko::Melvotar::XmlParser
