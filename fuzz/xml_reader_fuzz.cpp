// Feeds arbitrary bytes through the XML reader as a file: detection, conversion, every token.
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::XmlParser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   const SclFuzz::CInputFile input("xml_reader_fuzz", apData, aSize);
   if (input.Path().empty())
      return 0;
   // Unreadable input is reported and refused; that is the expected outcome.
   SclFuzz::Reads([&] {
      CXmlParser parser(input.Path(), FF_UTF8, false);
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
   });
   return 0;
}
