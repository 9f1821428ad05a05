// From instance data (LN/LN0, DOI, SDI, DAI) to the type templates that describe them.
#include "SclDll/CSclContainer.h"
#include "inc_scl/sclnorm/KVSclClasses.h"

namespace Arvenko::Melvotar::Scl {

CSclContainer* CSclContainer::GetTypeNodeOfInstance() const
{
   if (IsClass(CID_LNBase))
      return static_cast<const CSclLNBase*>(this)->GetRefLNodeType();
   if (IsClass(CID_DOI)) {
      // The DO of the logical node's type; the DOI's ix takes no part.
      const CSclContainer* pLN = GetParent(CID_LNBase);
      const CSclLNodeType* pType =
          pLN == nullptr ? nullptr : static_cast<const CSclLNBase*>(pLN)->GetRefLNodeType();
      return pType == nullptr ? nullptr : pType->GetDO(GetValue(NID_name));
   }
   const CSclContainer* pParent = GetParent();
   const CSclContainer* pParentType =
       pParent == nullptr ? nullptr : pParent->GetTypeNodeOfInstance();
   const CScl* pRef = pParentType == nullptr ? nullptr : pParentType->GetChild(CID_REF);
   const CSclContainer* pType =
       pRef == nullptr ? nullptr : static_cast<const CSclRef*>(pRef)->GetRefSclContainer();
   return pType == nullptr ? nullptr : pType->GetChildById(CID_CONTAINER, GetId());
}

} // namespace Arvenko::Melvotar::Scl
