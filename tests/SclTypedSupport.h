// Loading SCL documents from inline text and writing elements back, for the typed suites.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SclDll/SclLib.h"

namespace SclTest {

/// A file root holding aXml read through the container reader (which completes the tree).
inline std::unique_ptr<Arvenko::Melvotar::Scl::CSclFile> LoadScl(const std::string& aXml)
{
   using namespace Arvenko::Melvotar;
   XmlParser::CXmlParser parser(aXml.data(), static_cast<int32_t>(aXml.size()), XmlParser::FF_UTF8);
   auto pFile = std::make_unique<Scl::CSclFile>();
   pFile->Read(&parser);
   return pFile;
}

/// The lines the container writer produces for apElement at indentation 0.
inline std::string WriteScl(const Arvenko::Melvotar::Scl::CSclContainer& aElement)
{
   using namespace Arvenko::Melvotar;
   std::vector<char> buffer(1 << 20);
   XmlParser::CXmlParser parser(buffer.data(), static_cast<int32_t>(buffer.size()),
                                XmlParser::FF_UTF8, true);
   aElement.Write(0, &parser, false);
   return std::string(buffer.data(), static_cast<size_t>(parser.GetPos()));
}

/// The first line (the start tag) aElement writes, without the line end.
inline std::string StartTag(const Arvenko::Melvotar::Scl::CSclContainer& aElement)
{
   const std::string text = WriteScl(aElement);
   return text.substr(0, text.find_first_of("\r\n"));
}

} // namespace SclTest
