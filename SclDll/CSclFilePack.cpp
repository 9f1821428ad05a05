// Merging of equal data type templates of a file.
#include <cstdint>
#include <map>
#include <vector>

#include "SclDll/CSclFile.h"
#include "SclDll/CSclRef.h"
#include "SclDll/SclCrc32.h"
#include "inc_scl/sclnorm/KVSclClasses.h"

namespace Arvenko::Melvotar::Scl {

namespace {

// Points every reference that resolves to aFrom at apTo.
void RedirectRefs(const CSclContainer& aFrom, CSclContainer* apTo)
{
   std::vector<CSclRef*> refs;
   aFrom.GetRefList(refs);
   for (CSclRef* pRef : refs)
      pRef->SetRefSclContainer(apTo);
}

// The merge order: enumerations first, then the attribute and data object types until they
// stop changing (a merge below can make their users equal), then the node types.
struct tPackStep {
   tSclClassId classId;
   bool repeat;
};

constexpr tPackStep s_PackSteps[] = {
    {CID_EnumType, false},
    {CID_DAType, true},
    {CID_DOType, true},
    {CID_LNodeType, false},
};

} // namespace

bool CSclFile::PackDataTypeTemplates()
{
   bool merged = false;
   for (const tPackStep& step : s_PackSteps)
      merged = PackTypeTemplates(step.classId, step.repeat) || merged;
   return merged;
}

bool CSclFile::PackTypeTemplates(tSclClassId aClassId, bool aRepeat)
{
   const CSclSCL* pScl = GetSclElement();
   CSclDataTypeTemplates* pTemplates = pScl == nullptr ? nullptr : pScl->GetDataTypeTemplates();
   if (pTemplates == nullptr)
      return false;
   bool found = false;
   bool again = true;
   while (again) {
      std::multimap<uint32_t, CSclContainer*> kept;
      std::vector<CSclContainer*> duplicates;
      for (int i = 0; i < pTemplates->GetChildCount(); ++i) {
         CScl* pChild = pTemplates->GetChild(aClassId, i);
         if (pChild == nullptr || !pChild->IsClass(CID_CONTAINER))
            continue;
         auto* pCandidate = static_cast<CSclContainer*>(pChild);
         pCandidate->Sort(true, false, true);
         const auto crc =
             static_cast<uint32_t>(pCandidate->GetCRC32WithoutTopLevelId(SCL_CRC32_START));
         CSclContainer* pOriginal = nullptr;
         for (auto [it, end] = kept.equal_range(crc); it != end && pOriginal == nullptr; ++it)
            if (pCandidate->CompareWithoutTopLevelId(*it->second))
               pOriginal = it->second;
         if (pOriginal == nullptr) {
            kept.emplace(crc, pCandidate);
            continue;
         }
         RedirectRefs(*pCandidate, pOriginal);
         duplicates.push_back(pCandidate);
      }
      for (CSclContainer* pDuplicate : duplicates)
         pTemplates->DeleteChild(pDuplicate);
      found = found || !duplicates.empty();
      again = aRepeat && !duplicates.empty();
   }
   return found;
}

} // namespace Arvenko::Melvotar::Scl
