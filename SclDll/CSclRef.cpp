#include "SclDll/CSclRef.h"

#include <map>
#include <unordered_map>

namespace Arvenko::Melvotar::Scl {

namespace {

struct tRegistry {
   uint32_t lastHandle = 0;
   uint64_t lastKey = 0;
   std::unordered_map<uint32_t, CSclContainer*> containers;
   // Per target: registration key (ascending = registration order) -> reference handle.
   std::unordered_map<uint32_t, std::map<uint64_t, uint32_t>> refsByTarget;
};

tRegistry& Registry()
{
   // Never torn down: trees destroyed during process exit still unregister.
   static tRegistry* pRegistry = new tRegistry;
   return *pRegistry;
}

} // namespace

// ---- registry ----

uint32_t CSclRefRegistry::AddContainer(CSclContainer* apContainer)
{
   tRegistry& registry = Registry();
   uint32_t handle = ++registry.lastHandle;
   registry.containers[handle] = apContainer;
   return handle;
}

void CSclRefRegistry::RemoveContainer(uint32_t aHandle)
{
   tRegistry& registry = Registry();
   registry.containers.erase(aHandle);
   registry.refsByTarget.erase(aHandle);
}

CSclContainer* CSclRefRegistry::FindContainer(uint32_t aHandle)
{
   const tRegistry& registry = Registry();
   auto it = registry.containers.find(aHandle);
   return it == registry.containers.end() ? nullptr : it->second;
}

uint64_t CSclRefRegistry::AddRef(uint32_t aTarget, uint32_t aRefHandle)
{
   tRegistry& registry = Registry();
   uint64_t key = ++registry.lastKey;
   registry.refsByTarget[aTarget].emplace(key, aRefHandle);
   return key;
}

void CSclRefRegistry::RemoveRef(uint32_t aTarget, uint64_t aKey)
{
   tRegistry& registry = Registry();
   auto it = registry.refsByTarget.find(aTarget);
   if (it == registry.refsByTarget.end())
      return;
   it->second.erase(aKey);
   if (it->second.empty())
      registry.refsByTarget.erase(it);
}

void CSclRefRegistry::GetRefs(uint32_t aTarget, std::vector<uint32_t>& aRefHandles)
{
   const tRegistry& registry = Registry();
   auto it = registry.refsByTarget.find(aTarget);
   if (it == registry.refsByTarget.end())
      return;
   for (const auto& entry : it->second)
      aRefHandles.push_back(entry.second);
}

// ---- CSclRef ----

CSclRef::CSclRef(CSclContainer* apParent, tSclClassId aClassId, tSclClassId aTargetClass,
                 int aIndex)
    : CSclContainer(apParent, static_cast<tSclNameId>(aClassId), aIndex),
      m_TargetClass(aTargetClass)
{
   m_ClassId = aClassId;
}

CSclRef::~CSclRef()
{
   SetTargetHandle(0);
}

bool CSclRef::IsClass(tSclClassId aClassId) const
{
   return aClassId == CID_VALUE || aClassId == CID_REF;
}

void CSclRef::SetTargetHandle(uint32_t aHandle)
{
   if (m_TargetHandle != 0)
      CSclRefRegistry::RemoveRef(m_TargetHandle, m_RegKey);
   m_TargetHandle = aHandle;
   m_RegKey = aHandle != 0 ? CSclRefRegistry::AddRef(aHandle, GetRefHandle()) : 0;
}

std::string CSclRef::GetValue() const
{
   const CSclContainer* pTarget = GetRefSclContainer();
   return pTarget != nullptr ? pTarget->GetIdPath() : std::string();
}

std::string CSclRef::GetContent() const
{
   return GetValue(tSclNameId(0));
}

tSclError CSclRef::SetValue(const std::string& aValue)
{
   for (CScl* pScl = GetSclFile(); pScl != nullptr; pScl = pScl->GetNext(0, 255)) {
      if (!pScl->IsClass(m_TargetClass) || !pScl->IsClass(CID_CONTAINER) ||
          pScl->GetIdPath() != aValue)
         continue;
      SetTargetHandle(static_cast<CSclContainer*>(pScl)->GetRefHandle());
      DeleteChildren();
      return SE_OK;
   }
   return SE_VALUE;
}

tSclError CSclRef::Copy(const CScl& right)
{
   if (!right.IsClass(CID_REF)) {
      OutputSclError("CSclRef::Copy - Aufruf mit falschem Typ", SE_WRONG_TYPE, this, 0);
      return SE_WRONG_TYPE;
   }
   SetTargetHandle(0);
   const auto& rightRef = static_cast<const CSclRef&>(right);
   const CSclContainer* pFile = GetSclFile();
   // The target is carried over only within one file; a stale one stays behind.
   if (pFile != nullptr && pFile == rightRef.GetSclFile() &&
       CSclRefRegistry::FindContainer(rightRef.m_TargetHandle) != nullptr)
      SetTargetHandle(rightRef.m_TargetHandle);
   return CSclContainer::Copy(right);
}

bool CSclRef::ContentCompare(const CScl& right) const
{
   if (!right.IsClass(CID_REF))
      return false;
   const auto& rightRef = static_cast<const CSclRef&>(right);
   if (GetRefKeyText() != rightRef.GetRefKeyText())
      return false;
   // An IEDRef has no key attributes: it stands for its owner's text.
   return !IsClass(CID_IEDRef) || !right.IsClass(CID_IEDRef) ||
          GetContent() == rightRef.GetContent();
}

tSclError CSclRef::SetRefSclContainer(CSclContainer* apContainer)
{
   if (apContainer == nullptr) {
      SetTargetHandle(0);
      return SE_OK;
   }
   if (!apContainer->IsClass(m_TargetClass)) {
      OutputSclError("CSclRef::SetRefSclContainer - Referenzzeiger hat falschen Typ", SE_WRONG_TYPE,
                     this, 0);
      return SE_WRONG_TYPE;
   }
   SetTargetHandle(apContainer->GetRefHandle());
   return SE_OK;
}

CSclContainer* CSclRef::GetRefSclContainer() const
{
   if (m_TargetHandle == 0)
      return nullptr;
   CSclContainer* pTarget = CSclRefRegistry::FindContainer(m_TargetHandle);
   if (pTarget == nullptr)
      return nullptr;
   if (!pTarget->IsClass(m_TargetClass)) {
      OutputSclError("CSclRef::GetRefSclContainer - Referenzzeiger hat falschen Typ", SE_WRONG_TYPE,
                     this, 0);
      return nullptr;
   }
   return pTarget;
}

tSclError CSclRef::GetRefValList(std::vector<CSclContainer*>& aList) const
{
   for (CScl* pScl = GetSclFile(); pScl != nullptr; pScl = pScl->GetNext(0, 255))
      if (pScl->IsClass(m_TargetClass) && pScl->IsClass(CID_CONTAINER))
         aList.push_back(static_cast<CSclContainer*>(pScl));
   return SE_OK;
}

} // namespace Arvenko::Melvotar::Scl
