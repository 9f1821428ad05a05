// The names of the name ids a walk over a tree meets, each asked of the name table once per
// walk: the table call per object shows in the profiles of the checksum and the writer.
#pragma once

#include <string>
#include <vector>

#include "SclDll/CScl.h"
#include "SclDll/CSclNameTable.h"

namespace Arvenko::Melvotar::Scl {

class CSclWalkNames {
 public:
   /// The name of aScl, as GetSclName gives it.
   const std::string& Of(const CScl& aScl)
   {
      const tSclNameId id = aScl.GetNameId();
      if (id == NID_UNLISTED)
         return aScl.GetSclName(); // held by the object
      if (id >= m_Names.size())
         m_Names.resize(size_t(id) + 1, nullptr);
      const std::string*& pName = m_Names[id];
      if (pName == nullptr)
         pName = &CSclNameTable::GetNameOfNameId(id); // stays valid while the table grows
      return *pName;
   }

 private:
   std::vector<const std::string*> m_Names;
};

} // namespace Arvenko::Melvotar::Scl
