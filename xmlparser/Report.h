// The library's error texts and its one report writer, shared by the XML layer and the object
// layer (which builds on this one and adds nothing to the report's shape).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// X(enumerator, value, text): the one list of the library's codes and their texts
// (Windows-1252 bytes). The object layer's tSclError is this list; the XML layer uses the
// values 0..13 and has its own text at 14.
#define SCL_ERROR_LIST(X)                                                                          \
   X(SE_OK, 0, "O.K.")                                                                             \
   X(SE_IO, 1, "I/O-Fehler")                                                                       \
   X(SE_XML_PARSER, 2, "XML-Struktur fehlerhaft")                                                  \
   X(SE_ID_REF, 3, "ID-Referenz fehlerhaft")                                                       \
   X(SE_VALUE, 4, "Wert unzul\xE4ssig")                                                            \
   X(SE_VALUE_FORMAT, 5, "Wert hat falsches Format")                                               \
   X(SE_VALUE_SET, 6, "Wert kann nicht gesetzt werden")                                            \
   X(SE_WRONG_TYPE, 7, "Typ der Daten falsch")                                                     \
   X(SE_OPERATION_NOT_ALLOWED, 8, "Operation unzul\xE4ssig")                                       \
   X(SE_MEM_LENGTH, 9, "Ende des Speicherbereiches erreicht")                                      \
   X(SE_WRONG_CLASS_MODE, 10, "Klasse im falschen Modus")                                          \
   X(SE_DATA_NOT_FOUND, 11, "Daten nicht gefunden")                                                \
   X(SE_DATA_END_REACHED, 12, "Datenende erreicht")                                                \
   X(SE_TRACE, 13, "Trace-Ausgabe")                                                                \
   X(SE_NAME, 14, "Name fehlerhaft")                                                               \
   X(SE_OTHER, 15, "anderer Fehler")

namespace Arvenko::Melvotar {

/// Text of a value of SCL_ERROR_LIST; "unbekannter Fehler" for any other value.
std::string GetErrorListText(int aCode);

/// The beginnings of the lines of a report block after its first line (and of the first
/// line of an error), for the writer and for code that reads reports back.
namespace ReportLine {
inline constexpr const char* kError = "Fehler: ";
inline constexpr const char* kCode = "   Fehlercode: ";
inline constexpr const char* kPath = "   Ort in SCL-Datei: ";
inline constexpr const char* kIdPath = "      [[";
inline constexpr const char* kInfo = "   Zusatzinfo.: ";
inline constexpr const char* kXmlFile = "   XML-Datei: ";
inline constexpr const char* kLine = "   Zeile in XML-Datei: ";
} // namespace ReportLine

/// One report block, before it is written.
struct tReportBlock {
   std::string Message;        ///< "Class::Operation - sentence"
   std::string CodeText;       ///< the code's text; empty for a notice
   bool HasObject = false;     ///< whether the block names an object of the document
   std::string ObjectPath;     ///< its name path
   std::string ObjectIds;      ///< its identification path
   int32_t Info = 0;           ///< the additional number; 0 when none
   bool HasXmlFile = false;    ///< whether the block names an XML file
   std::string XmlFile;        ///< its name (may be empty for a memory buffer)
   int32_t Line = 0;           ///< the line in that file; 0 when not known
};

/// Writes a report block through the text callback, one line per call: "Fehler: " + message
/// and "   Fehlercode: " + code text (the message alone for a notice); for an object
/// "   Ort in SCL-Datei: " + its path and "      [[" + its identification path + "]]";
/// "   Zusatzinfo.: " + the number when not 0; for an XML file "   XML-Datei: " + its name
/// and "   Zeile in XML-Datei: " + the line when > 0; and an empty line. Does nothing when
/// no callback is installed.
void OutputReport(const tReportBlock& aBlock);

/// While it lives, OutputReport on the thread that made it keeps the blocks here instead of
/// writing them (work done on another thread reports in the caller's order later).
class CHeldReports {
 public:
   CHeldReports();
   ~CHeldReports();
   CHeldReports(const CHeldReports&) = delete;
   CHeldReports& operator=(const CHeldReports&) = delete;
   /// The blocks kept, for OutputReport on any thread once this object is gone from it.
   std::vector<tReportBlock> Take() { return std::move(m_Blocks); }

 private:
   friend void OutputReport(const tReportBlock& aBlock);
   std::vector<tReportBlock> m_Blocks;
   CHeldReports* m_pPrevious;
};

} // namespace Arvenko::Melvotar
