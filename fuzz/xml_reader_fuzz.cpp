// Feeds arbitrary bytes through the XML reader as a file: detection, conversion, every token.
#include <cstdint>
#include <string>
#include <string_view>

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
      // The same text read with views gives the same tags.
      CXmlParser viewing(parser.GetBuffer(), parser.GetLength(), FF_UTF8);
      std::string text, name;
      tXmlAttribList attribs;
      std::string_view viewName;
      tXmlAttribViewList views;
      bool isStart = false, isEnd = false, isCData = false;
      bool viewStart = false, viewEnd = false, viewCData = false;
      int32_t lastPos = -1;
      while (true) {
         parser.GetNextValue(text);
         viewing.GetNextValue(text);
         if (!text.empty())
            CXmlParser::DecodeEntities(text);
         attribs.clear();
         const int result = parser.GetNextTag(name, isStart, isEnd, attribs, isCData);
         if (viewing.GetNextTagView(viewName, viewStart, viewEnd, views, viewCData) != result ||
             viewing.GetPos() != parser.GetPos())
            __builtin_trap();
         if (result != 0)
            break;
         if (viewName != name || viewStart != isStart || viewEnd != isEnd ||
             viewCData != isCData || views.size() != attribs.size())
            __builtin_trap();
         for (size_t i = 0; i < views.size(); ++i)
            if (views[i].Name != attribs[i].Name || views[i].Value != attribs[i].Value)
               __builtin_trap();
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
