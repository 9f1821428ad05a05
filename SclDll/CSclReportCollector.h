// CSclReportCollector: the library's reports of one call as records instead of text lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SclDll/SclError.h"
#include "xmlparser/TextCallback.h"

namespace Arvenko::Melvotar::Scl {

/// One report of the library, taken apart. Texts are library text (Windows-1252).
struct tSclReport {
   std::string Message; ///< the message ("Class::Operation - sentence"), without "Fehler: "
   tSclError Code;      ///< the code named by the "Fehlercode" line; SE_OK for a notice
   std::string Path;    ///< the object's IdNamePath ("Ort in SCL-Datei"); may be empty
   std::string IdPath;  ///< the object's identification path, without the brackets
   int32_t Info;        ///< the "Zusatzinfo." number; 0 when none
   std::string XmlFile; ///< the file of an XML-layer report ("XML-Datei"); may be empty
   int32_t Line;        ///< the line in that file; 0 when not known
};

/// Installs itself as the text callback for its lifetime and turns every report block
/// into a tSclReport; the destructor puts the previous callback back. Collectors nest (the
/// innermost collects). The XML-layer notice that the element reader sends after a repair
/// report to give the place in the file completes that report (file and line) instead of
/// becoming a record of its own. One thread at a time, like the rest of the library.
class CSclReportCollector {
 public:
   /// aForward true: every line also goes on to the callback that was installed before.
   explicit CSclReportCollector(bool aForward = false);
   ~CSclReportCollector();
   CSclReportCollector(const CSclReportCollector&) = delete;
   CSclReportCollector& operator=(const CSclReportCollector&) = delete;

   /// The records so far, in report order; a block still open (no empty line yet) is
   /// not among them.
   const std::vector<tSclReport>& GetReports() const { return m_Reports; }
   /// Number of records whose code is not SE_OK.
   int GetErrorCount() const;
   /// Forgets the records so far.
   void Clear() { m_Reports.clear(); }

 private:
   static void Receive(std::string aLine);
   void Take(const std::string& aLine);
   void Close();

   CSclReportCollector* m_pOuter;
   tTextCallbackFunction m_Previous;
   bool m_Forward;
   bool m_Open = false;
   tSclReport m_Current{};
   std::vector<tSclReport> m_Reports;
};

/// The code whose text is aText; SE_OTHER for a text of no code ("unbekannter Fehler").
tSclError SclErrorFromText(const std::string& aText);

} // namespace Arvenko::Melvotar::Scl
