// Helpers of the fuzz harnesses that walk SCL trees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "SclDll/CSclContainer.h"
#include "SclDll/SclError.h"
#include "xmlparser/XmlParser.h"

namespace SclFuzz {

/// Writes aElement at indent aIndent into arBuffer; the written size, or -1 when the buffer
/// was too small (deep nesting indents beyond the buffer: refused with scl_error, as designed).
inline int32_t WriteToBuffer(const Arvenko::Melvotar::Scl::CSclContainer& aElement, int aIndent,
                             std::vector<char>& arBuffer)
{
   using namespace Arvenko::Melvotar;
   XmlParser::CXmlParser writer(arBuffer.data(), static_cast<int32_t>(arBuffer.size()),
                                XmlParser::FF_UTF8, true);
   try {
      aElement.Write(aIndent, &writer, false);
   } catch (const Scl::scl_error&) {
      return -1;
   }
   return writer.GetPos();
}

/// The same into a fresh buffer of aCapacity bytes.
inline int32_t WriteToMemory(const Arvenko::Melvotar::Scl::CSclContainer& aElement, int aIndent,
                             size_t aCapacity)
{
   std::vector<char> output(aCapacity);
   return WriteToBuffer(aElement, aIndent, output);
}

} // namespace SclFuzz
