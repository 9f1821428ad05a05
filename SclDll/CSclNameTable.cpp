#include "SclDll/CSclNameTable.h"

#include <deque>
#include <unordered_map>
#include <vector>

namespace Arvenko::Melvotar::Scl {

namespace {

// Names by id (a deque keeps returned references valid while it grows), the same names as
// one flat array for the lookup by id, and ids by name.
struct tNameTable {
   std::deque<std::string> names;
   std::vector<const std::string*> byId;
   std::unordered_map<std::string, tSclNameId> ids;
   tSclNameId lastNameId = 0;
   tSclClassId lastClassId = CID_NONE;
};

tNameTable& Table()
{
   // Built on first use and never torn down, so objects destroyed during process exit
   // can still ask for names.
   static tNameTable* pTable = [] {
      auto* pNew = new tNameTable;
      pNew->names.resize(NID_LAST_FIXED + 1);
#define SCL_NAME(id, ident, name)                                                                  \
   pNew->names[id] = name;                                                                         \
   pNew->ids.emplace(name, static_cast<tSclNameId>(id));
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
   const tNameTable& table = Table();
   auto it = table.ids.find(aName);
   return it == table.ids.end() ? 0 : it->second;
}

tSclNameId CSclNameTable::GetOrAddNameId(const std::string& aName)
{
   tNameTable& table = Table();
   auto it = table.ids.find(aName);
   if (it != table.ids.end())
      return it->second;
   if (table.lastNameId == UINT16_MAX)
      return 0; // the id space is exhausted: refuse rather than wrap to "no name"
   ++table.lastNameId;
   table.names.push_back(aName);
   table.byId.push_back(&table.names.back());
   table.ids.emplace(aName, table.lastNameId);
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
