// CRC-32 of bytes and strings, the register every object checksum is folded into.
//
// Reflected polynomial 0xEDB88320; the register is neither inverted at the start nor at
// the end: callers start with 0xFFFFFFFF and keep the final register, so feeding pieces
// one after the other equals feeding their concatenation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Arvenko::Melvotar::Scl {

/// Start value of every checksum the library computes.
constexpr int32_t SCL_CRC32_START = static_cast<int32_t>(0xFFFFFFFFu);

/// The register after feeding aLength bytes of apData into aCrc; aCrc for no bytes.
int32_t CalcCRC32(const void* apData, size_t aLength, int32_t aCrc);

/// The register after feeding the bytes of aText up to its first zero byte into aCrc.
int32_t CalcCRC32String(const std::string& aText, int32_t aCrc);

} // namespace Arvenko::Melvotar::Scl

namespace Arvenko::Melvotar::Scl {

class CScl;
class CSclContainer;
class CSclFile;
class CSclRef;

/// The checksum of a file's document fed by a walk that visits the tree in document order
/// for its own purpose (the writing walk of a save), with the multiplier correction of that
/// save: the register ends equal to GetCRC32CorrectingMultipliers of the file. The walk
/// hands over every child it meets (Child) and, for an element whose children it does not
/// visit itself, the rest of that element's subtree (Below).
class CSclChecksumFeed {
 public:
   CSclChecksumFeed(CSclFile& arFile, int32_t aCrc) : m_rFile(arFile), m_Crc(aCrc) {}

   /// Feeds apChild (an element: corrected first, then its own part only); apKeyText, when
   /// not null, is the key text of apChild, a reference. True when apChild is an element
   /// whose children the walk must feed next (by Child, or by Below).
   bool Child(const CScl* apChild, const std::string* apKeyText = nullptr);
   /// Feeds everything below aElement (already fed by Child), correcting on the way.
   void Below(const CSclContainer& aElement);
   int32_t GetCrc() const { return m_Crc; }

 private:
   void Correct(const CScl* apElement);

   CSclFile& m_rFile;
   int32_t m_Crc;
   bool m_Correcting = false;
};

} // namespace Arvenko::Melvotar::Scl
