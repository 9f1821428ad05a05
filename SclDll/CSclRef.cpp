#include "SclDll/CSclRef.h"

#include <memory>

namespace Arvenko::Melvotar::Scl {

namespace {

// Handles and registration keys are handed out in ascending order and never reused, so their
// entries live in pages indexed by the number itself: no hashing and no rehashing. A page goes
// when its last entry is no longer in use (a destroyed tree releases its pages); what stays of
// a page that is gone is its null in the directory.
template <class TEntry> class CPagedTable {
 public:
   /// The entry of aNumber; null when its page is gone or was never made.
   TEntry* Find(uint64_t aNumber) const
   {
      const uint64_t page = aNumber >> s_PageBits;
      return page < m_Pages.size() && m_Pages[page] != nullptr
                 ? &m_Pages[page]->entries[aNumber & s_PageMask]
                 : nullptr;
   }

   /// The entry of aNumber, its page made when missing.
   TEntry& Get(uint64_t aNumber)
   {
      const uint64_t page = aNumber >> s_PageBits;
      if (page >= m_Pages.size())
         m_Pages.resize(page + 1);
      if (m_Pages[page] == nullptr)
         m_Pages[page].reset(new tPage());
      return m_Pages[page]->entries[aNumber & s_PageMask];
   }

   /// Counts a change of the entry of aNumber into or out of use; frees a page none uses.
   void Account(uint64_t aNumber, bool aWasInUse, bool aIsInUse)
   {
      if (aWasInUse == aIsInUse)
         return;
      std::unique_ptr<tPage>& pPage = m_Pages[aNumber >> s_PageBits];
      pPage->inUse += aIsInUse ? 1 : -1;
      if (pPage->inUse == 0)
         pPage.reset();
   }

 private:
   static constexpr unsigned s_PageBits = 12;
   static constexpr uint64_t s_PageMask = (uint64_t(1) << s_PageBits) - 1;
   struct tPage {
      TEntry entries[size_t(1) << s_PageBits] = {};
      int inUse = 0;
   };
   std::vector<std::unique_ptr<tPage>> m_Pages;
};

// A handle: its container (null once destroyed) and its registrations, oldest first, as a
// list linked through the registrations.
struct tHandle {
   CSclContainer* pContainer;
   uint64_t firstKey;
   uint64_t lastKey;
   bool InUse() const { return pContainer != nullptr || firstKey != 0; }
};

// A registration of a reference on a target (target 0: none).
struct tRegistration {
   uint32_t target;
   uint32_t ref;
   uint64_t previousKey;
   uint64_t nextKey;
};

struct tRegistry {
   uint32_t lastHandle = 0;
   uint64_t lastKey = 0;
   CPagedTable<tHandle> handles;
   CPagedTable<tRegistration> registrations;
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
   const uint32_t handle = ++registry.lastHandle;
   tHandle& entry = registry.handles.Get(handle);
   const bool wasInUse = entry.InUse();
   entry.pContainer = apContainer;
   registry.handles.Account(handle, wasInUse, entry.InUse());
   return handle;
}

void CSclRefRegistry::RemoveContainer(uint32_t aHandle)
{
   tRegistry& registry = Registry();
   tHandle* pEntry = registry.handles.Find(aHandle);
   if (pEntry == nullptr || !pEntry->InUse())
      return;
   for (uint64_t key = pEntry->firstKey; key != 0;) {
      tRegistration& registration = *registry.registrations.Find(key);
      const uint64_t next = registration.nextKey;
      registration = tRegistration();
      registry.registrations.Account(key, true, false);
      key = next;
   }
   *pEntry = tHandle();
   registry.handles.Account(aHandle, true, false);
}

CSclContainer* CSclRefRegistry::FindContainer(uint32_t aHandle)
{
   const tHandle* pEntry = Registry().handles.Find(aHandle);
   return pEntry == nullptr ? nullptr : pEntry->pContainer;
}

uint64_t CSclRefRegistry::AddRef(uint32_t aTarget, uint32_t aRefHandle)
{
   tRegistry& registry = Registry();
   const uint64_t key = ++registry.lastKey;
   if (aTarget == 0)
      return key; // no handle to hold it: nothing finds or removes it
   tHandle& target = registry.handles.Get(aTarget);
   const bool targetWasInUse = target.InUse();
   tRegistration& registration = registry.registrations.Get(key);
   registration = {aTarget, aRefHandle, target.lastKey, 0};
   registry.registrations.Account(key, false, true);
   if (target.lastKey != 0)
      registry.registrations.Find(target.lastKey)->nextKey = key;
   else
      target.firstKey = key;
   target.lastKey = key;
   registry.handles.Account(aTarget, targetWasInUse, true);
   return key;
}

void CSclRefRegistry::RemoveRef(uint32_t aTarget, uint64_t aKey)
{
   tRegistry& registry = Registry();
   tRegistration* pRegistration = registry.registrations.Find(aKey);
   if (pRegistration == nullptr || aTarget == 0 || pRegistration->target != aTarget)
      return;
   const tRegistration registration = *pRegistration;
   *pRegistration = tRegistration();
   registry.registrations.Account(aKey, true, false);
   tHandle& target = *registry.handles.Find(aTarget);
   if (registration.previousKey != 0)
      registry.registrations.Find(registration.previousKey)->nextKey = registration.nextKey;
   else
      target.firstKey = registration.nextKey;
   if (registration.nextKey != 0)
      registry.registrations.Find(registration.nextKey)->previousKey = registration.previousKey;
   else
      target.lastKey = registration.previousKey;
   registry.handles.Account(aTarget, true, target.InUse());
}

void CSclRefRegistry::GetRefs(uint32_t aTarget, std::vector<uint32_t>& aRefHandles)
{
   tRegistry& registry = Registry();
   const tHandle* pTarget = registry.handles.Find(aTarget);
   if (pTarget == nullptr)
      return;
   for (uint64_t key = pTarget->firstKey; key != 0;) {
      const tRegistration& registration = *registry.registrations.Find(key);
      aRefHandles.push_back(registration.ref);
      key = registration.nextKey;
   }
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
