// From instance data (LN/LN0, DOI, SDI, DAI) to the type templates that describe them.
#include <vector>

#include "SclDll/CSclContainer.h"
#include "inc_scl/sclnorm/KVSclClasses.h"

namespace Arvenko::Melvotar::Scl {

namespace {

// The type node of an LN/LN0 (its LNodeType) or a DOI (the DO of that name in its logical
// node's type); null at the first missing link.
CSclContainer* TypeNodeOfBase(const CSclContainer& aBase)
{
   if (aBase.IsClass(CID_LNBase))
      return static_cast<const CSclLNBase&>(aBase).GetRefLNodeType();
   // The DO of the logical node's type; the DOI's ix takes no part.
   const CSclContainer* pLN = aBase.GetParent(CID_LNBase);
   const CSclLNodeType* pType =
       pLN == nullptr ? nullptr : static_cast<const CSclLNBase*>(pLN)->GetRefLNodeType();
   return pType == nullptr ? nullptr : pType->GetDO(aBase.GetValue(NID_name));
}

} // namespace

CSclContainer* CSclContainer::GetTypeNodeOfInstance() const
{
   // Up to the nearest LN/LN0 or DOI, then down again: every element below it is the child
   // of its parent's resolved type with this element's identity.
   std::vector<const CSclContainer*> below; // this element first
   const CSclContainer* pBase = this;
   for (; pBase != nullptr && !pBase->IsClass(CID_LNBase) && !pBase->IsClass(CID_DOI);
        pBase = pBase->GetParent())
      below.push_back(pBase);
   CSclContainer* pType = pBase == nullptr ? nullptr : TypeNodeOfBase(*pBase);
   for (auto it = below.rbegin(); it != below.rend() && pType != nullptr; ++it) {
      const CScl* pRef = pType->GetChild(CID_REF);
      const CSclContainer* pRefType =
          pRef == nullptr ? nullptr : static_cast<const CSclRef*>(pRef)->GetRefSclContainer();
      pType = pRefType == nullptr ? nullptr : pRefType->GetChildById(CID_CONTAINER, (*it)->GetId());
   }
   return pType;
}

} // namespace Arvenko::Melvotar::Scl
