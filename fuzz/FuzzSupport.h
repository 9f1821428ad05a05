// Helpers shared by the fuzz harnesses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "xmlparser/Report.h"
#include "xmlparser/TextCallback.h"
#include "xmlparser/XmlParserError.h"

namespace SclFuzz {

/// Checks the report lines of one input while alive: no line carries a line end except the
/// location lines, which quote the document; a line that breaks this traps. Only the first
/// megabyte is checked (deep inputs report quadratically). One check at a time.
class CReportCheck {
 public:
   CReportCheck()
   {
      Bytes() = 0;
      Arvenko::Melvotar::SetTextCallbackFunction(&CheckLine);
   }
   ~CReportCheck() { Arvenko::Melvotar::SetTextCallbackFunction(nullptr); }
   CReportCheck(const CReportCheck&) = delete;
   CReportCheck& operator=(const CReportCheck&) = delete;

 private:
   static constexpr size_t kCheckedBytes = 1 << 20;

   static size_t& Bytes()
   {
      static size_t bytes = 0;
      return bytes;
   }
   static bool StartsWith(const std::string& aLine, const char* apPrefix)
   {
      return aLine.compare(0, std::char_traits<char>::length(apPrefix), apPrefix) == 0;
   }
   static void CheckLine(std::string aLine)
   {
      using namespace Arvenko::Melvotar::ReportLine;
      if (aLine.find('\n') != std::string::npos && !StartsWith(aLine, kPath) &&
          !StartsWith(aLine, kIdPath))
         __builtin_trap();
      Bytes() += aLine.size() + 1;
      if (Bytes() >= kCheckedBytes)
         Arvenko::Melvotar::SetTextCallbackFunction(nullptr);
   }
};

/// One input of a harness in a file named after apHarness, its reports checked while alive.
/// Path() is empty when the file cannot be written.
class CInputFile {
 public:
   CInputFile(const char* apHarness, const uint8_t* apData, size_t aSize)
       : m_Path(std::string("/tmp/") + apHarness + "_" + std::to_string(getpid()) + ".xml")
   {
      FILE* file = std::fopen(m_Path.c_str(), "wb");
      if (file == nullptr) {
         m_Path.clear();
         return;
      }
      std::fwrite(apData, 1, aSize, file);
      std::fclose(file);
   }
   const std::string& Path() const { return m_Path; }

 private:
   CReportCheck m_ReportCheck;
   std::string m_Path;
};

/// Runs aRead; false when it refused the input with xml_parser_error (unreadable or
/// unconvertible input is reported and refused, as designed).
template <class TRead>
bool Reads(TRead aRead)
{
   try {
      aRead();
      return true;
   } catch (const Arvenko::Melvotar::XmlParser::xml_parser_error&) {
      return false;
   }
}

} // namespace SclFuzz
