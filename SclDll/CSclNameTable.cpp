#include "SclDll/CSclNameTable.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

namespace Arvenko::Melvotar::Scl {

namespace {

// The bytes of a name from p on, as one number (unaligned, in the machine's byte order).
inline uint64_t Load8(const char* p)
{
   uint64_t value;
   std::memcpy(&value, p, sizeof(value));
   return value;
}

inline uint64_t Load4(const char* p)
{
   uint32_t value;
   std::memcpy(&value, p, sizeof(value));
   return value;
}

// A hash of the bytes of a name, eight at a time: names are short, and every tag and
// attribute a reader meets is looked up, so the hash is cheap rather than strong. Reads stay
// inside the name (the last words overlap the ones before).
inline size_t HashName(const char* apName, size_t aLength)
{
   constexpr uint64_t MUL = 0x9E3779B97F4A7C15ull;
   uint64_t hash = aLength * MUL;
   if (aLength >= 8) {
      const char* const pLast = apName + aLength - 8;
      for (const char* p = apName; p < pLast; p += 8)
         hash = ((hash ^ Load8(p)) * MUL) ^ (hash >> 32);
      hash = (hash ^ Load8(pLast)) * MUL;
   } else if (aLength >= 4) {
      hash = (hash ^ (Load4(apName) | Load4(apName + aLength - 4) << 32)) * MUL;
   } else if (aLength > 0) {
      const auto* bytes = reinterpret_cast<const unsigned char*>(apName);
      hash = (hash ^ (bytes[0] | uint64_t(bytes[aLength / 2]) << 8 |
                      uint64_t(bytes[aLength - 1]) << 16)) *
             MUL;
   }
   return static_cast<size_t>(hash ^ (hash >> 31));
}

// Whether the aLength bytes at apLeft and apRight are equal (compared as for the hash).
inline bool SameBytes(const char* apLeft, const char* apRight, size_t aLength)
{
   if (aLength >= 8) {
      for (size_t i = 0; i + 8 < aLength; i += 8)
         if (Load8(apLeft + i) != Load8(apRight + i))
            return false;
      return Load8(apLeft + aLength - 8) == Load8(apRight + aLength - 8);
   }
   if (aLength >= 4)
      return Load4(apLeft) == Load4(apRight) &&
             Load4(apLeft + aLength - 4) == Load4(apRight + aLength - 4);
   for (size_t i = 0; i < aLength; ++i)
      if (apLeft[i] != apRight[i])
         return false;
   return true;
}

// Names by id (a deque keeps returned references valid while it grows), the same names as
// one flat array for the lookup by id, and ids by name in an open-addressed table at most
// half full, looked up on bytes without building a string. A slot holds the name's bytes
// and length beside its id (0: a free slot), so that a lookup reads one slot and the name.
struct tNameTable {
   struct tSlot {
      const char* pName;
      size_t length;
      tSclNameId id;
   };
   std::deque<std::string> names;
   std::vector<const std::string*> byId;
   std::vector<tSlot> slots = std::vector<tSlot>(1024, tSlot{nullptr, 0, 0});
   tSclNameId lastNameId = 0;
   tSclClassId lastClassId = CID_NONE;

   // The slot of the name, or the free slot where it belongs.
   size_t SlotOf(const char* apName, size_t aLength) const
   {
      const size_t mask = slots.size() - 1;
      for (size_t slot = HashName(apName, aLength) & mask;; slot = (slot + 1) & mask) {
         const tSlot& entry = slots[slot];
         if (entry.id == 0 ||
             (entry.length == aLength && SameBytes(entry.pName, apName, aLength)))
            return slot;
      }
   }
   // Enters an id whose name is in byId and not yet among the slots.
   void Enter(tSclNameId aNameId)
   {
      if (2 * (count + 1) > slots.size()) {
         std::vector<tSlot> old(2 * slots.size(), tSlot{nullptr, 0, 0});
         old.swap(slots);
         for (const tSlot& entry : old)
            if (entry.id != 0)
               slots[SlotOf(entry.pName, entry.length)] = entry;
      }
      const std::string& name = *byId[aNameId];
      slots[SlotOf(name.data(), name.size())] = {name.data(), name.size(), aNameId};
      ++count;
   }
   tSclNameId Find(const char* apName, size_t aLength) const
   {
      return slots[SlotOf(apName, aLength)].id;
   }
   size_t count = 0;
};

tNameTable& Table()
{
   // Built on first use and never torn down, so objects destroyed during process exit
   // can still ask for names.
   static tNameTable* pTable = [] {
      auto* pNew = new tNameTable;
      pNew->names.resize(NID_LAST_FIXED + 1);
#define SCL_NAME(id, ident, name)                                                                  \
   pNew->names[id] = name;
#define SCL_ELEMENT SCL_NAME
#define SCL_REF_ELEMENT SCL_NAME
#define SCL_ATTRIBUTE SCL_NAME
#include "SclDll/SclNames.def"
#undef SCL_ELEMENT
#undef SCL_REF_ELEMENT
#undef SCL_ATTRIBUTE
#undef SCL_NAME
      for (const std::string& name : pNew->names)
         pNew->byId.push_back(&name);
      // The first of equal names keeps its id, ids 1..6 (no name) are not looked up.
      for (size_t id = 1; id < pNew->byId.size(); ++id) {
         const std::string& name = *pNew->byId[id];
         if (!name.empty() && pNew->Find(name.data(), name.size()) == 0)
            pNew->Enter(static_cast<tSclNameId>(id));
      }
      pNew->lastNameId = NID_LAST_FIXED;
      pNew->lastClassId = CID_LAST_CLASS;
      return pNew;
   }();
   return *pTable;
}

} // namespace

const std::string& CSclNameTable::GetNameOfNameId(tSclNameId aNameId)
{
   static const std::string s_Empty;
   const tNameTable& table = Table();
   return aNameId < table.byId.size() ? *table.byId[aNameId] : s_Empty;
}

tSclNameId CSclNameTable::FindNameId(const std::string& aName)
{
   return FindNameId(aName.data(), aName.size());
}

tSclNameId CSclNameTable::FindNameId(const char* apName, size_t aLength)
{
   return Table().Find(apName, aLength);
}

tSclNameId CSclNameTable::GetOrAddNameId(const std::string& aName)
{
   return GetOrAddNameId(aName.data(), aName.size());
}

tSclNameId CSclNameTable::GetOrAddNameId(const char* apName, size_t aLength)
{
   tNameTable& table = Table();
   const tSclNameId found = table.Find(apName, aLength);
   if (found != 0)
      return found;
   if (table.lastNameId == UINT16_MAX)
      return 0; // the id space is exhausted: refuse rather than wrap to "no name"
   ++table.lastNameId;
   table.names.emplace_back(apName, aLength);
   table.byId.push_back(&table.names.back());
   table.Enter(table.lastNameId);
   return table.lastNameId;
}

tSclClassId CSclNameTable::GetClassIdOfNameId(tSclNameId aNameId)
{
   return aNameId <= Table().lastClassId ? static_cast<tSclClassId>(aNameId) : CID_NONE;
}

tSclClassId CSclNameTable::GetClassIdOfName(const std::string& aName)
{
   return GetClassIdOfNameId(FindNameId(aName));
}

std::string CSclNameTable::GetNameOfClassId(tSclClassId aClassId)
{
   switch (aClassId) {
   case CID_CONTAINER:
      return "{CONTAINER}";
   case CID_FILE:
      return "{FILE}";
   case CID_REMARK:
      return "{REMARK}";
   case CID_VALUE:
      return "{VALUE}";
   case CID_REF:
      return "{REF}";
   default:
      if (aClassId < 0 || aClassId > UINT16_MAX)
         return std::string();
      return GetNameOfNameId(static_cast<tSclNameId>(aClassId));
   }
}

tSclNameId CSclNameTable::GetLastNameId()
{
   return Table().lastNameId;
}

tSclClassId CSclNameTable::GetLastClassId()
{
   return Table().lastClassId;
}

} // namespace Arvenko::Melvotar::Scl
