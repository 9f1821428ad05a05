#include "SclDll/CScl.h"

#include <unordered_map>
#include <vector>

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclNameTable.h"
#include "SclDll/SclAssert.h"
#include "SclDll/SclObjectPool.h"

namespace Arvenko::Melvotar::Scl {

namespace {

// The pool slot operator new gave out last, until the constructor of the object in it takes
// it over; and the pooled object whose destructor ran last, for operator delete. The library
// is used by one thread at a time, and both hand over within one new or delete expression.
const void* s_pNewPooled = nullptr;
const void* s_pDyingPooled = nullptr;

uint32_t TakePooled(const void* apObject)
{
   if (apObject != s_pNewPooled)
      return 0;
   s_pNewPooled = nullptr;
   return 1;
}

tSclDeleteNotify g_pDeleteNotify = nullptr;
void* g_pDeleteContext = nullptr;

// The names objects with name id NID_UNLISTED hold, by object. Never torn down, like the
// name table, so that objects destroyed during process exit can still answer their names.
std::unordered_map<const CScl*, std::string>& UnlistedNames()
{
   static auto* pNames = new std::unordered_map<const CScl*, std::string>;
   return *pNames;
}

// The object and its ancestors, the root first.
std::vector<const CScl*> Chain(const CScl* apScl)
{
   std::vector<const CScl*> chain;
   for (const CScl* p = apScl; p != nullptr; p = p->GetParent())
      chain.push_back(p);
   return std::vector<const CScl*>(chain.rbegin(), chain.rend());
}

const CSclContainer* AsElement(const CScl* apScl)
{
   return apScl->IsClass(CID_CONTAINER) ? static_cast<const CSclContainer*>(apScl) : nullptr;
}

} // namespace

CScl::CScl(CSclContainer* apParent)
    : m_pParent(apParent), m_NameId(0), m_IndexHint(NO_INDEX_HINT), m_Pooled(TakePooled(this))
{
   CSclNameTable::GetLastNameId(); // fills the name table on first use
}

CScl::CScl(CSclContainer* apParent, tSclNameId aNameId)
    : m_pParent(apParent), m_NameId(aNameId), m_IndexHint(NO_INDEX_HINT), m_Pooled(TakePooled(this))
{
   CSclNameTable::GetLastNameId();
}

CScl::CScl(CSclContainer* apParent, const std::string& aName)
    : m_pParent(apParent), m_NameId(0), m_IndexHint(NO_INDEX_HINT), m_Pooled(TakePooled(this))
{
   SetNameIdOf(aName);
}

CScl::~CScl()
{
   if (m_NameId == NID_UNLISTED)
      UnlistedNames().erase(this);
   if (g_pDeleteNotify != nullptr)
      g_pDeleteNotify(g_pDeleteContext, this);
   if (m_pParent != nullptr)
      m_pParent->RemoveChild(this, false);
   // Last: operator delete, which follows at once, learns where the memory came from.
   s_pDyingPooled = m_Pooled != 0 ? this : nullptr;
}

void* CScl::operator new(size_t aSize)
{
   if (void* pSlot = CSclObjectPool::Allocate(aSize)) {
      s_pNewPooled = pSlot;
      return pSlot;
   }
   return ::operator new(aSize);
}

void* CScl::operator new(size_t aSize, const std::nothrow_t&) noexcept
{
   if (void* pSlot = CSclObjectPool::Allocate(aSize)) {
      s_pNewPooled = pSlot;
      return pSlot;
   }
   return ::operator new(aSize, std::nothrow);
}

void CScl::operator delete(void* apMemory, size_t aSize)
{
   if (apMemory == nullptr)
      return;
   // A destroyed pooled object named itself; the memory of an object whose constructor
   // failed is found among the slots of the pool being filled.
   if (apMemory == s_pDyingPooled || CSclObjectPool::IsActiveSlot(apMemory)) {
      s_pDyingPooled = nullptr;
      CSclObjectPool::Free(apMemory, aSize);
   } else {
      ::operator delete(apMemory);
   }
}

void CScl::operator delete(void* apMemory, const std::nothrow_t&) noexcept
{
   if (apMemory == nullptr)
      return;
   if (CSclObjectPool::IsActiveSlot(apMemory))
      CSclObjectPool::Free(apMemory, 0); // size unknown: a slot that is not handed out again
   else
      ::operator delete(apMemory);
}

void CScl::LinkToParent(int aIndex)
{
   if (m_pParent != nullptr && m_pParent->InsertChild(this, aIndex) != SE_OK)
      m_pParent = nullptr;
}

bool CScl::ContentCompare(const CScl& right) const
{
   return m_ClassId == right.m_ClassId && HasSameSclName(right) && GetValue() == right.GetValue();
}

CSclContainer* CScl::GetParent(tSclClassId aClassId) const
{
   for (CSclContainer* p = m_pParent; p != nullptr; p = p->m_pParent)
      if (p->IsClass(aClassId))
         return p;
   return nullptr;
}

const std::string& CScl::GetSclName() const
{
   if (m_NameId != NID_UNLISTED)
      return CSclNameTable::GetNameOfNameId(m_NameId);
   return UnlistedNames()[this];
}

tSclError CScl::SetSclName(const std::string& aName)
{
   SetNameIdOf(aName);
   return SE_OK;
}

tSclError CScl::SetUnlistedSclName(const std::string& aName)
{
   SetNameId(NID_UNLISTED, &aName);
   return SE_OK;
}

void CScl::CopySclName(const CScl& aOther)
{
   if (aOther.m_NameId != NID_UNLISTED)
      SetNameId(aOther.m_NameId, nullptr);
   else if (&aOther != this)
      SetNameId(NID_UNLISTED, &aOther.GetSclName());
}

bool CScl::HasSameSclName(const CScl& aOther) const
{
   if (m_NameId != NID_UNLISTED && aOther.m_NameId != NID_UNLISTED)
      return m_NameId == aOther.m_NameId;
   return GetSclName() == aOther.GetSclName();
}

void CScl::SetNameIdOf(const std::string& aName)
{
   const tSclNameId nameId = CSclNameTable::GetOrAddNameId(aName);
   SetNameId(nameId != 0 ? nameId : NID_UNLISTED, &aName);
}

void CScl::SetNameId(tSclNameId aNameId, const std::string* apUnlistedName)
{
   if (aNameId == NID_UNLISTED)
      UnlistedNames()[this] = apUnlistedName != nullptr ? *apUnlistedName : std::string();
   else if (m_NameId == NID_UNLISTED)
      UnlistedNames().erase(this);
   m_NameId = aNameId;
   if (aNameId == 0 && m_ClassId == CID_VALUE && m_pParent != nullptr)
      m_pParent->m_MayHoldText = 1;
}

CSclContainer* CScl::GetSclFile() const
{
   if (IsClass(CID_FILE))
      return const_cast<CSclContainer*>(static_cast<const CSclContainer*>(this));
   return GetParent(CID_FILE);
}

int CScl::GetLevel() const
{
   int level = 0;
   for (const CSclContainer* p = m_pParent; p != nullptr; p = p->m_pParent)
      ++level;
   return level;
}

int CScl::GetIndex() const
{
   if (m_pParent == nullptr)
      return -1;
   const tSclChildList& children = m_pParent->m_Children;
   if (static_cast<size_t>(m_IndexHint) < children.size() && children[m_IndexHint] == this)
      return static_cast<int>(m_IndexHint);
   for (size_t i = 0; i < children.size(); ++i)
      if (children[i] == this) {
         m_IndexHint = static_cast<uint32_t>(i);
         return static_cast<int>(i);
      }
   return -1;
}

int CScl::GetInstanceIndex() const
{
   if (m_pParent == nullptr)
      return -1;
   int count = 0;
   for (const CScl* pScl : m_pParent->m_Children) {
      SCL_ASSERT("SclDll/CScl", pScl);
      if (pScl == this)
         break;
      if (pScl->m_ClassId == m_ClassId)
         ++count;
   }
   return count;
}

bool CScl::IsElementOf(const CSclContainer* apContainer) const
{
   for (const CSclContainer* p = m_pParent; p != nullptr; p = p->m_pParent)
      if (p == apContainer)
         return true;
   return false;
}

CScl* CScl::GetNext(int aMinLevel, int aMaxLevel) const
{
   int level = GetLevel();
   if (level < aMaxLevel && IsClass(CID_CONTAINER)) {
      const auto* pSelf = static_cast<const CSclContainer*>(this);
      if (!pSelf->m_Children.empty())
         return pSelf->m_Children[0];
   }
   const CScl* pX = this;
   const CSclContainer* pP = m_pParent;
   int parentLevel = level - 1;
   while (pP != nullptr) {
      if (parentLevel < aMinLevel - 1)
         return nullptr;
      int next = pX->GetIndex() + 1;
      if (next < pP->GetChildCount())
         return pP->m_Children[next];
      pX = pP;
      pP = pP->m_pParent;
      --parentLevel;
   }
   return nullptr;
}

std::string CScl::GetIdName() const
{
   std::string name = GetSclName();
   const CSclContainer* pElement = AsElement(this);
   if (pElement != nullptr && pElement->HasId())
      name += "[" + pElement->GetId() + "]";
   return name;
}

std::string CScl::GetIdNamePath() const
{
   std::vector<const CScl*> chain = Chain(this);
   std::string path;
   for (size_t level = 2; level < chain.size(); ++level) {
      if (level > 2)
         path += '.';
      path += chain[level]->GetIdName();
   }
   return path;
}

std::string CScl::GetIdPath() const
{
   std::vector<const CScl*> chain = Chain(this);
   std::string path;
   for (size_t level = 2; level < chain.size(); ++level) {
      const CSclContainer* pElement = AsElement(chain[level]);
      if (pElement == nullptr || !pElement->HasId())
         continue;
      // Every element below level 2 owes a separator, even after an empty path.
      if (level > 2)
         path += '.';
      path += pElement->GetId();
   }
   return path;
}

tIdStruct CScl::GetIdStruct() const
{
   tIdStruct idStruct;
   idStruct.ClassId = GetClassId();
   idStruct.NameId = m_NameId;
   const CSclContainer* pElement = AsElement(this);
   if (pElement != nullptr)
      idStruct.Id = pElement->GetId();
   if (m_pParent == nullptr)
      return idStruct;
   for (const CScl* pScl : m_pParent->m_Children) {
      if (pScl->m_ClassId == m_ClassId && pScl->m_NameId == m_NameId) {
         const CSclContainer* pSibling = AsElement(pScl);
         if ((pSibling != nullptr ? pSibling->GetId() : std::string()) == idStruct.Id)
            ++idStruct.Count;
      }
      if (pScl == this)
         break;
   }
   return idStruct;
}

tSclError CScl::FillIdStructArray(tIdStruct* apIdStructArray, int aCount) const
{
   SCL_ASSERT("SclDll/CScl", apIdStructArray);
   if (aCount <= 0)
      return SE_VALUE;
   const CScl* pScl = this;
   for (;;) {
      apIdStructArray[aCount - 1] = pScl->GetIdStruct();
      if (--aCount == 0)
         return SE_OK;
      if (pScl->m_pParent == nullptr)
         return SE_OTHER;
      pScl = pScl->m_pParent;
   }
}

std::string CScl::GetIdStructString() const
{
   tIdStruct idStruct = GetIdStruct();
   return std::to_string(idStruct.ClassId) + "," + std::to_string(idStruct.NameId) + "," +
          idStruct.Id + "," + std::to_string(idStruct.Count);
}

std::string CScl::GetIdStructPath() const
{
   std::vector<const CScl*> chain = Chain(this);
   std::string path;
   for (size_t level = 1; level < chain.size(); ++level)
      path += "(" + chain[level]->GetIdStructString() + ")";
   return path;
}

void CScl::SetDeleteNotify(tSclDeleteNotify apNotify, void* apContext)
{
   g_pDeleteNotify = apNotify;
   g_pDeleteContext = apContext;
}

tSclDeleteNotify CScl::GetDeleteNotify()
{
   return g_pDeleteNotify;
}

} // namespace Arvenko::Melvotar::Scl
