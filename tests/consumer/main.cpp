// Uses the installed headers and library: parses a small document from memory.
#include <cstdio>
#include <cstring>

#include "SclDll/SclLib.h"

int main()
{
   using namespace Arvenko::Melvotar::XmlParser;
   const char text[] = "<SCL><IED name=\"E1\"/></SCL>";
   CXmlParser reader(text, static_cast<int32_t>(std::strlen(text)), FF_UTF8);
   std::string name;
   bool isStart = false, isEnd = false, isCData = false;
   tXmlAttribList attribs;
   int tags = 0;
   while (reader.GetNextTag(name, isStart, isEnd, attribs, isCData) == 0)
      ++tags;
   std::printf("tags: %d\n", tags);
   return tags == 3 ? 0 : 1;
}
