// Key texts of references kept for one save, and the two tree walks of a save that use them.
//
// Saving a file walks the tree twice: once for the checksum stamp, once to write. Both need
// the key text of every reference, and building one reads its target's attributes (and
// theirs); the first walk keeps each text so the second takes it instead of building it again.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace Arvenko::Melvotar::XmlParser {
class CXmlParser;
}

namespace Arvenko::Melvotar::Scl {

class CSclContainer;
class CSclRef;

/// Key texts by reference, for the duration of one save (the tree must not change meanwhile).
class CSclRefKeyTexts {
 public:
   /// The key text of aRef (its GetRefKeyText), built at the first request.
   const std::string& Get(const CSclRef& aRef);

 private:
   std::unordered_map<const CSclRef*, std::string> m_Texts;
};

/// The checksum register after folding the children of aTop and all their descendants into
/// aCrc, as CSclFile::GetCRC32 does; key texts come from apTexts (null: built per reference).
int32_t SclFoldTreeCRC32(const CSclContainer& aTop, int32_t aCrc, CSclRefKeyTexts* apTexts);

/// CSclContainer::Write with the key texts from apTexts (null: built per reference).
void SclWriteTree(const CSclContainer& aTop, int aIndent, XmlParser::CXmlParser* apParser,
                  CSclRefKeyTexts* apTexts);

} // namespace Arvenko::Melvotar::Scl
