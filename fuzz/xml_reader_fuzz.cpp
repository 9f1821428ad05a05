// Feeds arbitrary bytes through the XML reader as a file: encoding detection and
// conversion, then character data and markup alternately to the end of the input.
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "xmlparser/TextCallback.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::XmlParser;

namespace {

size_t g_ReportLines = 0;

void CountLine(std::string aLine)
{
   // A report line never carries a line end.
   if (aLine.find('\n') != std::string::npos)
      __builtin_trap();
   ++g_ReportLines;
}

const std::string& InputPath()
{
   static const std::string path = "/tmp/xml_reader_fuzz_" + std::to_string(getpid()) + ".xml";
   return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   SetTextCallbackFunction(&CountLine);
   FILE* file = std::fopen(InputPath().c_str(), "wb");
   if (file == nullptr)
      return 0;
   std::fwrite(apData, 1, aSize, file);
   std::fclose(file);

   try {
      CXmlParser parser(InputPath(), FF_UTF8, false);
      std::string text, name;
      tXmlAttribList attribs;
      bool isStart = false, isEnd = false, isCData = false;
      int32_t lastPos = -1;
      while (true) {
         parser.GetNextValue(text);
         if (!text.empty())
            CXmlParser::DecodeEntities(text);
         attribs.clear();
         if (parser.GetNextTag(name, isStart, isEnd, attribs, isCData) != 0)
            break;
         // Every successful tag consumes input, so the loop ends.
         if (parser.GetPos() <= lastPos)
            __builtin_trap();
         lastPos = parser.GetPos();
         for (const tXmlAttrib& attrib : attribs)
            CXmlParser::DecodeEntities(attrib.Value);
      }
      parser.GetLine();
   } catch (const xml_parser_error&) {
      // Unreadable input is reported and refused; that is the expected outcome.
   }
   return 0;
}
