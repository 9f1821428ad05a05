#include "inc_scl/sclnorm/KVSclClasses.h"

#include <new>

namespace Arvenko::Melvotar::Scl {

std::string StoredKeyText(const CSclRef& aRef)
{
   std::string text;
   for (int i = 0; i < aRef.GetChildCount(); ++i) {
      const CScl* pChild = aRef.GetChild(i);
      if (pChild->GetNameId() != 0 && pChild->IsClass(CID_VALUE))
         text += " " + pChild->GetSclName() + "=\"" + pChild->GetValue() + "\"";
   }
   return text;
}

CSclContainer* CSclContainer::CreateSclContainer(tSclClassId aClassId, int aIndex)
{
   CSclContainer* pNew = nullptr;
   switch (aClassId) {
   case CID_CONTAINER:
      pNew = new (std::nothrow) CSclContainer(this, aIndex);
      break;
#define SCL_CREATE(id, ident, name)                                                                \
   case CID_##ident:                                                                               \
      pNew = new (std::nothrow) CScl##ident(this, aIndex);                                         \
      break;
#define SCL_ELEMENT SCL_CREATE
#define SCL_REF_ELEMENT SCL_CREATE
#define SCL_ATTRIBUTE(id, ident, name)
#include "SclDll/SclNames.def"
#undef SCL_ELEMENT
#undef SCL_REF_ELEMENT
#undef SCL_ATTRIBUTE
#undef SCL_CREATE
   default: // no element class: 0, the pseudo classes 2..6, negative and unknown ids
      return nullptr;
   }
   if (pNew == nullptr || !AdoptCreated(pNew, aIndex))
      return nullptr;
   return pNew;
}

} // namespace Arvenko::Melvotar::Scl
