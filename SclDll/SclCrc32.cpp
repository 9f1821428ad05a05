// CRC-32 of bytes and strings, and the checksum contribution of every object class.
#include "SclDll/SclCrc32.h"

#include <array>
#include <cstring>
#include <set>
#include <vector>

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclFile.h"
#include "SclDll/CSclRef.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclValue.h"
#include "SclDll/SclRefKeyLog.h"
#include "SclDll/SclTreeWalk.h"
#include "SclDll/SclWalkNames.h"

namespace Arvenko::Melvotar::Scl {

namespace {

// Eight tables for reading eight bytes per step: table k maps a byte to its register
// contribution k bytes further on. Table 0 is the classic byte table.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeCrcTables()
{
   std::array<std::array<uint32_t, 256>, 8> tables{};
   for (uint32_t i = 0; i < 256; ++i) {
      uint32_t entry = i;
      for (int bit = 0; bit < 8; ++bit)
         entry = (entry & 1) != 0 ? (entry >> 1) ^ 0xEDB88320u : entry >> 1;
      tables[0][i] = entry;
   }
   for (uint32_t i = 0; i < 256; ++i)
      for (size_t k = 1; k < 8; ++k)
         tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFFu];
   return tables;
}

constexpr std::array<std::array<uint32_t, 256>, 8> s_CrcTables = MakeCrcTables();

// The register after one byte: the kind byte of every object, without a call.
inline int32_t FeedByte(unsigned char aByte, int32_t aCrc)
{
   const auto crc = static_cast<uint32_t>(aCrc);
   return static_cast<int32_t>((crc >> 8) ^ s_CrcTables[0][(crc ^ aByte) & 0xFFu]);
}

// Four bytes assembled low byte first, so that neither alignment nor the machine's byte
// order matters.
inline uint32_t Load32(const unsigned char* p)
{
   return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Whether one of the four bytes of aWord is zero.
inline bool HasZeroByte(uint32_t aWord)
{
   return ((aWord - 0x01010101u) & ~aWord & 0x80808080u) != 0;
}

// The register after eight bytes from p.
inline uint32_t Feed8(const unsigned char* p, uint32_t aCrc)
{
   const auto& t = s_CrcTables;
   const uint32_t low = aCrc ^ Load32(p);
   return t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^
          t[4][low >> 24] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
}

// The register after fewer than eight bytes: four, two and one per step. Most names and
// values are that short, and a byte at a time is a chain of dependent table loads.
inline uint32_t FeedTail(const unsigned char* p, size_t aLength, uint32_t aCrc)
{
   const auto& t = s_CrcTables;
   if (aLength >= 4) {
      const uint32_t x = aCrc ^ Load32(p);
      aCrc = t[3][x & 0xFFu] ^ t[2][(x >> 8) & 0xFFu] ^ t[1][(x >> 16) & 0xFFu] ^ t[0][x >> 24];
      p += 4;
      aLength -= 4;
   }
   if (aLength >= 2) {
      const uint32_t x = aCrc ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8);
      aCrc = (aCrc >> 16) ^ t[1][x & 0xFFu] ^ t[0][(x >> 8) & 0xFFu];
      p += 2;
      aLength -= 2;
   }
   if (aLength != 0)
      aCrc = (aCrc >> 8) ^ t[0][(aCrc ^ *p) & 0xFFu];
   return aCrc;
}

// The register after aLength bytes: eight per step, then the tail. Inline, so that the walks
// feed a name or a text without a call.
inline uint32_t FeedBytes(const unsigned char* p, size_t aLength, uint32_t aCrc)
{
   const unsigned char* const end = p + aLength;
   for (; end - p >= 8; p += 8)
      aCrc = Feed8(p, aCrc);
   return FeedTail(p, static_cast<size_t>(end - p), aCrc);
}

// The register after the bytes of aText up to its first zero byte, found in the same pass.
inline int32_t FeedText(const std::string& aText, int32_t aCrc)
{
   auto crc = static_cast<uint32_t>(aCrc);
   const auto* p = reinterpret_cast<const unsigned char*>(aText.data());
   const unsigned char* const end = p + aText.size();
   for (; end - p >= 8 && !HasZeroByte(Load32(p)) && !HasZeroByte(Load32(p + 4)); p += 8)
      crc = Feed8(p, crc);
   size_t tail = 0; // fewer than eight: the loop stopped at the end or at a zero byte
   while (p + tail != end && p[tail] != 0)
      ++tail;
   return static_cast<int32_t>(FeedTail(p, tail, crc));
}

inline int32_t FeedName(const std::string& aName, int32_t aCrc)
{
   return static_cast<int32_t>(FeedBytes(reinterpret_cast<const unsigned char*>(aName.data()),
                                         aName.size(), static_cast<uint32_t>(aCrc)));
}

// The kind byte that opens the object part: what the object is, so that equal texts of
// different kinds (an attribute and a text, a comment and a CDATA section) differ.
unsigned char KindByte(const CScl& aScl)
{
   if (aScl.IsClass(CID_VALUE))
      return 1;
   if (aScl.IsClass(CID_REF))
      return 2;
   if (aScl.IsClass(CID_CONTAINER))
      return 3;
   if (aScl.IsClass(CID_REMARK))
      return static_cast<const CSclRemark&>(aScl).IsCData() ? 5 : 4;
   return 0;
}

// The object part of a value: kind byte, name and text, without a copy of the text.
inline int32_t ValueCRC32(const CSclValue& aValue, CSclWalkNames& arNames, int32_t aCrc)
{
   return FeedText(aValue.GetText(), FeedName(arNames.Of(aValue), FeedByte(1, aCrc)));
}

// The object part of an element (kind byte, name, its value as GetValue gives it), without
// a copy of the usual single text.
int32_t ElementCRC32(const CSclContainer& aElement, CSclWalkNames& arNames, int32_t aCrc)
{
   aCrc = FeedName(arNames.Of(aElement), FeedByte(3, aCrc));
   if (!aElement.MayHoldText())
      return aCrc; // no text: an empty value feeds nothing
   const CSclValue* pText = nullptr;
   int texts = 0;
   bool hasElement = false;
   for (int i = 0, count = aElement.GetChildCount(); i < count; ++i) {
      const CScl* pChild = aElement.GetChild(i);
      if (pChild->GetClassId() == CID_VALUE) {
         if (pChild->GetNameId() == 0 && texts++ == 0)
            pText = static_cast<const CSclValue*>(pChild);
      } else if (!hasElement && pChild->GetClassId() != CID_REMARK) {
         hasElement = pChild->IsClass(CID_CONTAINER);
      }
   }
   if (texts == 0)
      return aCrc; // an empty value feeds nothing
   if (texts == 1 && !hasElement)
      return FeedText(pText->GetText(), aCrc);
   return FeedText(aElement.GetValue(), aCrc); // mixed content
}

// The checksum of a reference: its key text, built in arKeyText (a buffer the walk reuses),
// then for an IEDRef its content.
int32_t RefCRC32(const CSclRef& aRef, std::string& arKeyText, int32_t aCrc)
{
   arKeyText.clear();
   aRef.AppendRefKeyText(arKeyText);
   aCrc = FeedText(arKeyText, aCrc);
   if (aRef.IsClass(CID_IEDRef))
      aCrc = FeedText(aRef.GetContent(), aCrc);
   return aCrc;
}

// Elements pass through without a change.
struct tLeaveElement {
   void operator()(const CScl*, bool) const {}
};

// Feeds the children of aTop and, depth first, all their descendants. apSkip: name ids of
// aTop's own attributes to leave out (lnClass is always fed). aBeforeElement(CScl*, isRef)
// sees every element (references included) before it is fed, and may change its attributes.
template <class TBeforeElement = tLeaveElement>
int32_t FoldChildren(const CSclContainer& aTop, int32_t aCrc, const std::set<tSclNameId>* apSkip,
                     TBeforeElement&& aBeforeElement = TBeforeElement())
{
   CSclWalkNames names;
   std::string keyText;
   // In a save, the writing walk takes the key texts built here.
   CSclRefKeyLog* const pKeyLog = CSclRefKeyLog::Active();
   SclVisitBelow(&aTop, [&](const CScl* apChild) {
      if (apSkip != nullptr && apChild->GetParent() == &aTop && apChild->IsClass(CID_VALUE) &&
          apChild->GetNameId() != NID_lnClass && apSkip->count(apChild->GetNameId()) != 0)
         return tWalk::Next;
      // Values are most of a tree: their class id answers without a virtual call.
      const tSclClassId classId = apChild->GetClassId();
      if (classId == CID_VALUE) {
         aCrc = ValueCRC32(*static_cast<const CSclValue*>(apChild), names, aCrc);
      } else if (classId == CID_REMARK) {
         aCrc = apChild->GetCRC32(aCrc);
      } else if (apChild->IsClass(CID_REF)) {
         // A reference is fed as one object, its key text built in a reused buffer.
         if (apChild->IsClass(CID_CONTAINER))
            aBeforeElement(apChild, true);
         aCrc = RefCRC32(*static_cast<const CSclRef*>(apChild), keyText, aCrc);
         if (pKeyLog != nullptr)
            pKeyLog->Add(static_cast<const CSclRef*>(apChild), keyText);
      } else if (!apChild->IsClass(CID_CONTAINER)) {
         aCrc = apChild->GetCRC32(aCrc);
      } else {
         aBeforeElement(apChild, false);
         aCrc = ElementCRC32(*static_cast<const CSclContainer*>(apChild), names, aCrc);
         return tWalk::Into;
      }
      return tWalk::Next;
   });
   return aCrc;
}

} // namespace

int32_t CalcCRC32(const void* apData, size_t aLength, int32_t aCrc)
{
   return static_cast<int32_t>(
       FeedBytes(static_cast<const unsigned char*>(apData), aLength, static_cast<uint32_t>(aCrc)));
}

int32_t CalcCRC32String(const std::string& aText, int32_t aCrc)
{
   return FeedText(aText, aCrc);
}

// The object part: kind byte, name and value text, without separators.
int32_t CScl::GetCRC32(int32_t aCrc) const
{
   aCrc = FeedByte(KindByte(*this), aCrc);
   const std::string& name = GetSclName(); // names hold no zero byte
   aCrc = CalcCRC32(name.data(), name.size(), aCrc);
   // Values and remarks hand out their text without a copy.
   if (m_ClassId == CID_VALUE)
      return CalcCRC32String(static_cast<const CSclValue*>(this)->GetText(), aCrc);
   if (m_ClassId == CID_REMARK)
      return CalcCRC32String(static_cast<const CSclRemark*>(this)->GetText(), aCrc);
   return CalcCRC32String(GetValue(), aCrc);
}

int32_t CSclContainer::GetCRC32(int32_t aCrc) const
{
   return FoldChildren(*this, CScl::GetCRC32(aCrc), nullptr);
}

int32_t CSclContainer::GetCRC32WithoutTopLevelId(int32_t aCrc) const
{
   std::set<tSclNameId> idAttributes;
   if (const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance())
      pInfo->GetIdAttributes(GetClassId(), idAttributes);
   return FoldChildren(*this, CScl::GetCRC32(aCrc), &idAttributes);
}

int32_t CSclRef::GetCRC32(int32_t aCrc) const
{
   std::string keyText;
   return RefCRC32(*this, keyText, aCrc);
}

int32_t CSclFile::GetCRC32(int32_t aCrc) const
{
   return FoldChildren(*this, aCrc, nullptr);
}

int32_t CSclFile::GetCRC32CorrectingMultipliers(int32_t aCrc)
{
   // The same walk as GetCRC32; each element is corrected before anything of it is fed. A
   // writing walk beside it learns from the key log which units the walk has left.
   bool correcting = false;
   CSclRefKeyLog* const pKeyLog = CSclRefKeyLog::Active();
   return FoldChildren(*this, aCrc, nullptr, [&](const CScl* apElement, bool aIsRef) {
      if (pKeyLog != nullptr)
         pKeyLog->Reached(apElement);
      CorrectMultipliersInWalk(
          *const_cast<CSclContainer*>(static_cast<const CSclContainer*>(apElement)), correcting,
          aIsRef);
   });
}

} // namespace Arvenko::Melvotar::Scl
