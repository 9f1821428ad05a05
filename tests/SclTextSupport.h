// Building trees from inline SCL text and writing them back, for the test suites.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclFile.h"
#include "xmlparser/XmlParser.h"

namespace SclTest {

/// Reads aText (library text) into aContainer with the container reader.
inline void ReadText(Arvenko::Melvotar::Scl::CSclContainer& aContainer, const std::string& aText)
{
   using namespace Arvenko::Melvotar::XmlParser;
   CXmlParser parser(aText.data(), static_cast<int32_t>(aText.size()), FF_UTF8);
   aContainer.Read(&parser);
}

/// A file root holding aText (library text) read through the real reader, which completes it.
inline std::unique_ptr<Arvenko::Melvotar::Scl::CSclFile> ReadXml(const std::string& aText)
{
   auto pFile = std::make_unique<Arvenko::Melvotar::Scl::CSclFile>();
   ReadText(*pFile, aText);
   return pFile;
}

/// The lines the container writer produces for aContainer at aIndent; throws what it throws.
inline std::string WriteText(const Arvenko::Melvotar::Scl::CSclContainer& aContainer,
                             int aIndent = 0)
{
   using namespace Arvenko::Melvotar::XmlParser;
   std::vector<char> buffer(1 << 20);
   CXmlParser writer(buffer.data(), static_cast<int32_t>(buffer.size()), FF_UTF8, true);
   aContainer.Write(aIndent, &writer, false);
   return std::string(buffer.data(), static_cast<size_t>(writer.GetPos()));
}

/// The first line (the start tag) aContainer writes, without the line end.
inline std::string StartTag(const Arvenko::Melvotar::Scl::CSclContainer& aContainer)
{
   const std::string text = WriteText(aContainer);
   return text.substr(0, text.find_first_of("\r\n"));
}

/// The first child element of apParent answering aClassId; null when none or apParent is null.
inline Arvenko::Melvotar::Scl::CSclContainer*
ChildElement(const Arvenko::Melvotar::Scl::CSclContainer* apParent,
             Arvenko::Melvotar::Scl::tSclClassId aClassId)
{
   using namespace Arvenko::Melvotar::Scl;
   CScl* pChild = apParent != nullptr ? apParent->GetChild(aClassId) : nullptr;
   return pChild != nullptr && pChild->IsClass(CID_CONTAINER) ? static_cast<CSclContainer*>(pChild)
                                                              : nullptr;
}

/// Creates a child of class aClassId with these attributes at aIndex (default: its schema place).
inline Arvenko::Melvotar::Scl::CSclContainer*
Add(Arvenko::Melvotar::Scl::CSclContainer* apParent, Arvenko::Melvotar::Scl::tSclClassId aClassId,
    std::initializer_list<std::pair<const char*, const char*>> aAttribs = {},
    int aIndex = Arvenko::Melvotar::Scl::InsertLast)
{
   Arvenko::Melvotar::Scl::CSclContainer* pElement = apParent->CreateSclContainer(aClassId, aIndex);
   for (const auto& attrib : aAttribs)
      pElement->SetAttribValue(attrib.first, attrib.second);
   return pElement;
}

} // namespace SclTest
