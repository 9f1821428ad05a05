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

/// Checks the report lines of one input while alive: installs the check on construction
/// with a fresh budget and removes it on destruction. A report line carries no line end of
/// its own; only the location lines quote names and identifying values of the document,
/// which may hold any text. A line that breaks this traps. The location lines grow with the
/// nesting depth, so the reports of a deeply broken input grow quadratically: only the first
/// megabyte of an input's reports is checked, then the check goes and reporting costs
/// nothing more. One check at a time.
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

/// One input of a harness: its report lines are checked while the object lives, and it
/// stands in a file of this process named after apHarness. Path() is empty when the file
/// cannot be written.
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
