#include "SclDll/CSclContainer.h"

#include <algorithm>
#include <numeric>

#include "SclDll/CSclEdition.h"
#include "SclDll/CSclNameTable.h"
#include "SclDll/CSclRef.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclValue.h"
#include "SclDll/SclAssert.h"
#include "SclDll/SclTreeWalk.h"

namespace Arvenko::Melvotar::Scl {

namespace {

} // namespace

CSclContainer::CSclContainer(CSclContainer* apParent, int aIndex)
    : CSclContainer(apParent, tSclNameId(0), aIndex)
{
}

CSclContainer::CSclContainer(CSclContainer* apParent, tSclNameId aNameId, int aIndex)
    : CScl(apParent, aNameId), m_Capacity(DEF_SCL_CHILD_COUNT), m_Deleting(0), m_MayHoldText(0)
{
   m_ClassId = CID_CONTAINER;
   SCL_ASSERT("SclDll/CSclContainer", m_Capacity == DEF_SCL_CHILD_COUNT);
   LinkToParent(aIndex);
}

CSclContainer::CSclContainer(CSclContainer* apParent, const std::string& aName, int aIndex)
    : CSclContainer(apParent, tSclNameId(0), aIndex)
{
   SetNameIdOf(aName);
}

// One element whose children are being destroyed, in list order, from index next on. A
// child element with children is emptied first, in a frame of its own, so that destroying it
// destroys nothing below it: no destructor recurses, however deep the tree.
struct CSclContainer::tDestroyFrame {
   CSclContainer* pElement = nullptr;
   tSclChildList* pChildren = nullptr;
   size_t next = 0;

   tWalk Step(tDestroyFrame& arChild)
   {
      tSclChildList& children = *pChildren;
      if (next == children.size()) {
         tSclChildList().swap(children);
         return tWalk::Up;
      }
      CScl* pChild = children[next];
      // Values are most of a tree: their class id answers without a virtual call.
      if (pChild->GetClassId() != CID_VALUE && pChild->IsClass(CID_CONTAINER)) {
         auto* pFull = static_cast<CSclContainer*>(pChild);
         if (pFull->GetChildCount() > 0) {
            arChild = {pFull, &BeginDestruction(*pFull), 0};
            return tWalk::Into;
         }
      }
      delete pChild;
      children[next++] = nullptr;
      return tWalk::Next;
   }
};

tSclChildList& CSclContainer::BeginDestruction(CSclContainer& arElement)
{
   // What the element's destructor does before its children go: a reference first drops its
   // registration on the target, the element its own handle.
   if (arElement.IsClass(CID_REF))
      static_cast<CSclRef&>(arElement).SetRefSclContainer(nullptr);
   if (arElement.m_RefHandle != 0)
      CSclRefRegistry::RemoveContainer(arElement.m_RefHandle);
   arElement.m_RefHandle = 0;
   arElement.m_Deleting = 1;
   return arElement.m_Children;
}

CSclContainer::~CSclContainer()
{
   if (!m_Children.empty())
      SclWalk(tDestroyFrame{this, &BeginDestruction(*this), 0});
   else if (m_RefHandle != 0) // a reference has dropped its registration in its own destructor
      CSclRefRegistry::RemoveContainer(m_RefHandle);
}

bool CSclContainer::IsClass(tSclClassId aClassId) const
{
   return aClassId == CID_CONTAINER;
}

namespace {

// An attribute of the plain value class, told without a virtual call.
inline bool IsPlainAttribute(const CScl* apScl)
{
   return apScl->GetClassId() == CID_VALUE && apScl->GetNameId() != 0;
}

} // namespace

// ---- value ----

namespace {

// The text content of an element: its first text child, how many text children it has and
// whether element children stand between them (mixed content).
struct tTextContent {
   CScl* pFirst = nullptr;
   int Count = 0;
   bool HasElement = false;
};

tTextContent ScanTextContent(const tSclChildList& aChildren)
{
   tTextContent content;
   for (CScl* pScl : aChildren) {
      if (pScl->GetNameId() == 0 && pScl->IsClass(CID_VALUE)) {
         if (content.pFirst == nullptr)
            content.pFirst = pScl;
         ++content.Count;
      } else if (pScl->IsClass(CID_CONTAINER)) {
         content.HasElement = true;
      }
   }
   return content;
}

} // namespace

std::string CSclContainer::GetValue() const
{
   const tTextContent content = ScanTextContent(m_Children);
   if (content.pFirst == nullptr)
      return std::string();
   if (content.Count == 1 && !content.HasElement)
      return content.pFirst->GetValue();
   return "<<mixed>> " + content.pFirst->GetValue() + " <<...>>";
}

tSclError CSclContainer::SetValue(const std::string& aValue)
{
   const tTextContent content = ScanTextContent(m_Children);
   if (content.pFirst == nullptr || content.Count != 1 || content.HasElement)
      return SE_VALUE_SET;
   return content.pFirst->SetValue(aValue);
}

std::string CSclContainer::GetValue(tSclNameId aNameId) const
{
   for (const CScl* pScl : m_Children)
      if (pScl->GetNameId() == aNameId && pScl->IsClass(CID_VALUE))
         return pScl->GetValue();
   return std::string();
}

// ---- copy, check, compare, complete ----

namespace {

// One element of a copy: the children of pSource from index next on are still to be copied
// into pTarget. When the copy runs into its own source, each element copies the children its
// source had when the element's copy began, as the copy of every element would by itself.
struct tCopyFrame {
   CSclContainer* pTarget = nullptr;
   const CSclContainer* pSource = nullptr;
   size_t next = 0;
   std::vector<const CScl*> snapshot; // used instead of pSource's list when not empty
   tSclError* pError = nullptr;
   bool intoSelf = false;

   tWalk Step(tCopyFrame& arChild)
   {
      const CScl* pChild = nullptr;
      if (intoSelf)
         pChild = next < snapshot.size() ? snapshot[next] : nullptr;
      else
         pChild = pSource->GetChild(static_cast<int>(next));
      ++next;
      if (pChild == nullptr)
         return tWalk::Up;
      CScl* pNew = nullptr;
      if (pChild->IsClass(CID_VALUE))
         pNew = pTarget->CreateSclValue(pChild->GetSclName(), InsertLast);
      else if (pChild->IsClass(CID_CONTAINER))
         pNew = pTarget->CreateSclContainer(pChild->GetClassId(), InsertLast);
      else if (pChild->IsClass(CID_REMARK))
         pNew = pTarget->CreateSclRemark(InsertLast);
      if (pNew == nullptr) {
         OutputSclError("CSclContainer::Copy - Objekt konnte nicht erzeugt werden", SE_OTHER,
                        pTarget, pChild->GetClassId());
         *pError = SE_OTHER;
         return tWalk::Stop;
      }
      if (!IsWalkedElement(pChild) || !IsWalkedElement(pNew)) {
         *pError = pNew->Copy(*pChild);
         return *pError == SE_OK ? tWalk::Next : tWalk::Stop;
      }
      arChild = Begin(static_cast<CSclContainer*>(pNew), static_cast<const CSclContainer*>(pChild),
                      pError, intoSelf);
      return tWalk::Into;
   }

   // The frame of copying aSource into aTarget, whose own name is copied at once.
   static tCopyFrame Begin(CSclContainer* apTarget, const CSclContainer* apSource,
                           tSclError* apError, bool aIntoSelf)
   {
      apTarget->CopySclName(*apSource);
      tCopyFrame frame;
      frame.pTarget = apTarget;
      frame.pSource = apSource;
      frame.pError = apError;
      frame.intoSelf = aIntoSelf;
      if (aIntoSelf)
         for (int i = 0; i < apSource->GetChildCount(); ++i)
            frame.snapshot.push_back(apSource->GetChild(i));
      return frame;
   }
};

// One element of a strict comparison: the children of both sides from index next on.
struct tCompareFrame {
   const CSclContainer* pLeft = nullptr;
   const CSclContainer* pRight = nullptr;
   int next = 0;

   tWalk Step(tCompareFrame& arChild)
   {
      const CScl* pLeftChild = pLeft->GetChild(next);
      if (pLeftChild == nullptr)
         return tWalk::Up;
      const CScl* pRightChild = pRight->GetChild(next++);
      if (!IsWalkedElement(pLeftChild))
         return pLeftChild->ContentCompare(*pRightChild) ? tWalk::Next : tWalk::Stop;
      arChild = {static_cast<const CSclContainer*>(pLeftChild), nullptr, 0};
      if (!SameElementPart(*arChild.pLeft, *pRightChild))
         return tWalk::Stop;
      arChild.pRight = static_cast<const CSclContainer*>(pRightChild);
      return tWalk::Into;
   }

   // The comparison of two elements without their children's content: the object part and
   // the number of children.
   static bool SameElementPart(const CSclContainer& aLeft, const CScl& right)
   {
      if (!aLeft.CScl::ContentCompare(right))
         return false;
      SCL_ASSERT("SclDll/CSclContainer", right.IsClass(CID_CONTAINER));
      return aLeft.GetChildCount() == static_cast<const CSclContainer&>(right).GetChildCount();
   }
};

} // namespace

tSclError CSclContainer::Copy(const CScl& right)
{
   if (!right.IsClass(CID_CONTAINER)) {
      OutputSclError("CSclContainer::Copy - Aufruf mit falschem Datentyp", SE_WRONG_TYPE, this,
                     right.GetClassId());
      return SE_WRONG_TYPE;
   }
   const auto& source = static_cast<const CSclContainer&>(right);
   // Copying into the source's own subtree adds children to elements still to be copied.
   const bool intoSelf = this == &source || IsElementOf(&source);
   tSclError error = SE_OK;
   SclWalk(tCopyFrame::Begin(this, &source, &error, intoSelf));
   return error;
}

tSclError CSclContainer::Check(int aFlags) const
{
   if ((aFlags & SCL_CHECK_EDITION) != 0) {
      // A file root is judged through its SCL element.
      const CScl* pScl = IsClass(CID_FILE) ? GetChild(CID_SCL) : this;
      if (pScl == nullptr)
         return SE_OK;
      const int findings = CSclEdition::FindNameFindings(
          *static_cast<const CSclContainer*>(pScl), (aFlags & 1) != 0, [](const CScl&, const std::string&) { return false; });
      return findings != 0 ? SE_NAME : SE_OK;
   }
   auto checkName = [aFlags](const CSclContainer* apElement) {
      if ((aFlags & 2) == 0 || apElement->GetParent() == nullptr)
         return SE_OK;
      const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance();
      return pInfo != nullptr && pInfo->CheckName(apElement) != SE_OK ? SE_NAME : SE_OK;
   };
   tSclError error = checkName(this);
   if (error != SE_OK || (aFlags & 1) == 0)
      return error;
   SclVisitBelow(this, [&](const CScl* apChild) {
      if (apChild->IsClass(CID_CONTAINER)) {
         error = checkName(static_cast<const CSclContainer*>(apChild));
         return error != SE_OK ? tWalk::Stop : tWalk::Into;
      }
      error = apChild->Check(aFlags);
      return error != SE_OK ? tWalk::Stop : tWalk::Next;
   });
   return error;
}

bool CSclContainer::ContentCompare(const CScl& right) const
{
   return tCompareFrame::SameElementPart(*this, right) &&
          SclWalk(tCompareFrame{this, static_cast<const CSclContainer*>(&right), 0});
}

std::string CSclContainer::GetId() const
{
   return std::string();
}

bool CSclContainer::HasId() const
{
   return false;
}

// ---- lookups ----

int CSclContainer::GetChildCount(tSclClassId aClassId) const
{
   int count = 0;
   for (const CScl* pScl : m_Children)
      if (pScl->IsClass(aClassId))
         ++count;
   return count;
}

int CSclContainer::GetAttribCount() const
{
   int count = 0;
   for (const CScl* pScl : m_Children)
      if (IsAttrib(pScl))
         ++count;
   return count;
}

int CSclContainer::GetFirstNonAttribIndex() const
{
   // Attributes form a prefix of the list, so the end of the prefix follows the last one;
   // when the last child is an attribute, all are (as while an element's start tag is read).
   int index = 0;
   const int count = GetChildCount();
   if (count == 0 || IsAttrib(m_Children[count - 1]))
      return count;
   while (index < count && IsAttrib(m_Children[index]))
      ++index;
   return index;
}

CScl* CSclContainer::GetChild(tSclClassId aClassId, int aIndex) const
{
   CScl* pScl = GetChild(aIndex);
   return pScl != nullptr && pScl->IsClass(aClassId) ? pScl : nullptr;
}

CScl* CSclContainer::GetChild(tSclClassId aClassId) const
{
   // A plain value answers CID_VALUE alone; its class id says so without a virtual call.
   for (CScl* pScl : m_Children)
      if (pScl->GetClassId() == CID_VALUE ? aClassId == CID_VALUE : pScl->IsClass(aClassId))
         return pScl;
   return nullptr;
}

CScl* CSclContainer::GetChildByNameId(tSclNameId aNameId) const
{
   if (aNameId == 0)
      return nullptr;
   for (CScl* pScl : m_Children)
      if (pScl->GetNameId() == aNameId)
         return pScl;
   return nullptr;
}

CScl* CSclContainer::GetChildByNameId(const std::string& aName) const
{
   const tSclNameId nameId = CSclNameTable::FindNameId(aName);
   if (nameId != 0 || aName.empty())
      return GetChildByNameId(nameId);
   // Not in the table: a child may hold the name itself.
   return FindUnlistedChild(aName);
}

CScl* CSclContainer::GetChildByNameId(tSclClassId aClassId, tSclNameId aNameId) const
{
   for (CScl* pScl : m_Children)
      if (pScl->GetNameId() == aNameId && pScl->IsClass(aClassId))
         return pScl;
   return nullptr;
}

CSclContainer* CSclContainer::GetChildById(tSclClassId aClassId, const std::string& aId) const
{
   for (CScl* pScl : m_Children)
      if (pScl->IsClass(CID_CONTAINER) && pScl->IsClass(aClassId)) {
         auto* pElement = static_cast<CSclContainer*>(pScl);
         if (pElement->GetId() == aId)
            return pElement;
      }
   return nullptr;
}

CScl* CSclContainer::GetChildByInstanceIndex(tSclClassId aClassId, int aIndex) const
{
   if (aIndex < 0)
      return nullptr;
   for (CScl* pScl : m_Children)
      if (pScl->GetClassId() == aClassId && aIndex-- == 0)
         return pScl;
   return nullptr;
}

CScl* CSclContainer::GetChildByIdStruct(const tIdStruct& aIdStruct) const
{
   if (aIdStruct.Count <= 0)
      return nullptr;
   int count = 0;
   for (CScl* pScl : m_Children) {
      SCL_ASSERT("SclDll/CSclContainer", pScl);
      if (pScl->GetClassId() != aIdStruct.ClassId || pScl->GetNameId() != aIdStruct.NameId)
         continue;
      std::string id;
      if (pScl->IsClass(CID_CONTAINER))
         id = static_cast<const CSclContainer*>(pScl)->GetId();
      if (id == aIdStruct.Id && ++count == aIdStruct.Count)
         return pScl;
   }
   return nullptr;
}

CScl* CSclContainer::GetChildByIdStructArray(const tIdStruct* apIdStructArray, int aCount) const
{
   if (aCount <= 0 || apIdStructArray == nullptr)
      return nullptr;
   const CSclContainer* pElement = this;
   for (int i = 0;; ++i) {
      CScl* pScl = pElement->GetChildByIdStruct(apIdStructArray[i]);
      if (i + 1 == aCount || pScl == nullptr)
         return pScl;
      if (!pScl->IsClass(CID_CONTAINER))
         return nullptr;
      pElement = static_cast<const CSclContainer*>(pScl);
   }
}

int CSclContainer::ForEachChild(const std::function<int(CScl*)>& aCallback) const
{
   int result = 0;
   SclVisitBelow(this, [&](CScl* apChild) {
      result = aCallback(apChild);
      if (result != 0)
         return tWalk::Stop;
      return apChild->IsClass(CID_CONTAINER) ? tWalk::Into : tWalk::Next;
   });
   return result;
}

// ---- creation ----

bool CSclContainer::AdoptCreated(CScl* apChild, int aIndex)
{
   if (apChild->GetParent() == nullptr) {
      // The list refused the index (reported by InsertChild): no one would own the object.
      delete apChild;
      return false;
   }
   // A single child is in its place, and an attribute behind an attribute too: the simple
   // sort would stop at the first pair (as a reader appends the attributes of a start tag).
   const size_t count = m_Children.size();
   if (aIndex == InsertLast && count >= 2 &&
       !(IsPlainAttribute(m_Children[count - 1]) && IsPlainAttribute(m_Children[count - 2])))
      Sort(false, true, false);
   return true;
}

CSclValue* CSclContainer::CreateSclValue(const std::string& aName, int aIndex)
{
   auto* pValue = new CSclValue(this, aName, aIndex);
   return AdoptCreated(pValue, aIndex) ? pValue : nullptr;
}

CSclValue* CSclContainer::CreateSclValue(tSclNameId aNameId, int aIndex)
{
   auto* pValue = new CSclValue(this, aNameId, aIndex);
   return AdoptCreated(pValue, aIndex) ? pValue : nullptr;
}

CSclRemark* CSclContainer::CreateSclRemark(int aIndex)
{
   auto* pRemark = new CSclRemark(this, aIndex);
   return AdoptCreated(pRemark, aIndex) ? pRemark : nullptr;
}

// ---- modification ----

tSclError CSclContainer::InsertChild(CScl* apChild, int aIndex)
{
   const bool isAttrib = IsAttrib(apChild);
   const int count = GetChildCount();
   int index = aIndex;
   if (aIndex == InsertLast) {
      // Behind the last child when it is an attribute too (as while a start tag is read).
      index = !isAttrib || count == 0 || IsAttrib(m_Children.back())
                  ? count
                  : GetFirstNonAttribIndex();
   } else if (aIndex < InsertLast) {
      OutputSclError("CSclContainer::InsertChild - aIndex kleiner 0", SE_VALUE, this, aIndex);
      return SE_VALUE;
   } else if (aIndex > count) {
      OutputSclError("CSclContainer::InsertChild - aIndex zu gro\xDF", SE_VALUE, this, aIndex);
      return SE_VALUE;
   } else if (isAttrib && aIndex > GetFirstNonAttribIndex()) {
      OutputSclError("CSclContainer::InsertChild - aIndex f\xFCr Attribut zu gro\xDF", SE_VALUE,
                     this, aIndex);
      return SE_VALUE;
   } else if (!isAttrib && aIndex < count && aIndex < GetFirstNonAttribIndex()) {
      OutputSclError("CSclContainer::InsertChild - aIndex f\xFCr nicht-Attribut zu klein", SE_VALUE,
                     this, aIndex);
      return SE_VALUE;
   }
   if (m_Capacity < count + 1) {
      // Linear growth keeps the many small elements of a large file compact.
      m_Capacity = static_cast<uint32_t>(count + SCL_CHILD_COUNT_QUANT);
      SCL_ASSERT("SclDll/CSclContainer", (int)m_Capacity == count + SCL_CHILD_COUNT_QUANT);
   }
   // The storage behind the capacity grows only as children arrive (doubling, from 4 slots):
   // most elements of a file have a handful of children, and 32 slots each would double the
   // memory of a loaded file.
   if (m_Children.size() == m_Children.capacity())
      m_Children.reserve(std::max<size_t>(4, 2 * m_Children.size()));
   NoteArrival(apChild);
   if (index == count)
      m_Children.push_back(apChild);
   else
      m_Children.insert(m_Children.begin() + index, apChild);
   apChild->m_IndexHint = static_cast<uint32_t>(index);
   return SE_OK;
}

tSclError CSclContainer::DeleteChild(int aIndex)
{
   // Unsigned, so that a negative index counts as too large.
   if (static_cast<size_t>(aIndex) >= m_Children.size()) {
      OutputSclError("CSclContainer::DeleteChild - Index zu gro\xDF", SE_VALUE, this, aIndex);
      return SE_VALUE;
   }
   {
      // The flag stays set for the one deletion (destructors throw nothing).
      const uint32_t deleting = m_Deleting;
      m_Deleting = 1;
      delete m_Children[aIndex];
      m_Children[aIndex] = nullptr;
      m_Deleting = deleting;
   }
   m_Children.erase(m_Children.begin() + aIndex);
   return SE_OK;
}

tSclError CSclContainer::DeleteChild(CScl* apChild)
{
   if (apChild == nullptr || apChild->GetParent() != this)
      return SE_DATA_NOT_FOUND;
   int index = apChild->GetIndex();
   if (index < 0)
      return SE_DATA_NOT_FOUND;
   return DeleteChild(index);
}

void CSclContainer::DeleteChildren()
{
   {
      const uint32_t deleting = m_Deleting;
      m_Deleting = 1;
      for (CScl*& pChild : m_Children) {
         delete pChild;
         pChild = nullptr;
      }
      m_Deleting = deleting;
   }
   m_Children.clear();
}

void CSclContainer::RemoveChild(CScl* apChild, bool aForce)
{
   if (m_Deleting && !aForce)
      return;
   // The list never keeps an empty slot, so erasing this one restores the invariant.
   int index = apChild->GetIndex();
   if (index >= 0)
      m_Children.erase(m_Children.begin() + index);
}

tSclError CSclContainer::SwapChild(int aIndex1, int aIndex2)
{
   CScl* pFirst = GetChild(aIndex1);
   CScl* pSecond = GetChild(aIndex2);
   if (pFirst == nullptr || pSecond == nullptr) {
      OutputSclError("CSclContainer::SwapChild - ein Index ist falsch", SE_VALUE, this, 0);
      return SE_VALUE;
   }
   if (IsAttrib(pFirst) != IsAttrib(pSecond)) {
      OutputSclError(
          "CSclContainer::SwapChild - vertauschen von Attribut mit nicht-Attribut unzul\xE4ssig",
          SE_OTHER, this, 0);
      return SE_OTHER;
   }
   std::swap(m_Children[aIndex1], m_Children[aIndex2]);
   return SE_OK;
}

tSclError CSclContainer::SetAttribValue(tSclNameId aNameId, const std::string& aValue)
{
   return SetAttribValue(GetChildByNameId(aNameId), aNameId, nullptr, aValue);
}

tSclError CSclContainer::SetAttribValue(const std::string& aName, const std::string& aValue)
{
   const tSclNameId nameId = CSclNameTable::GetOrAddNameId(aName);
   if (nameId != 0)
      return SetAttribValue(nameId, aValue);
   // The full table refused the name: the attribute holds it.
   return SetAttribValue(FindUnlistedChild(aName), NID_UNLISTED, &aName, aValue);
}

tSclError CSclContainer::SetAttribValue(CScl* apFound, tSclNameId aNameId,
                                        const std::string* apUnlistedName,
                                        const std::string& aValue)
{
   CScl* pScl = apFound;
   if (pScl == nullptr) {
      // Created unnamed, so that the non-attribute rule accepts the position; the name then
      // makes it the last attribute.
      CSclValue* pValue = CreateSclValue(tSclNameId(0), GetFirstNonAttribIndex());
      if (pValue == nullptr)
         return SE_OTHER;
      pValue->SetNameId(aNameId, apUnlistedName);
      pScl = pValue;
   }
   if (!pScl->IsClass(CID_VALUE))
      return SE_WRONG_TYPE;
   return pScl->SetValue(aValue);
}

CScl* CSclContainer::FindUnlistedChild(const std::string& aName) const
{
   for (CScl* pScl : m_Children)
      if (pScl->GetNameId() == NID_UNLISTED && pScl->GetSclName() == aName)
         return pScl;
   return nullptr;
}

bool CSclContainer::Sort(bool aRecursive, bool aSimple, bool aAttributes)
{
   // The simple sort of an element returns at its first pair in order, before its children.
   bool done = false;
   bool moved = SortChildren(aSimple, aAttributes, done);
   if (aRecursive && !done)
      SclVisitBelow(this, [&](CScl* apChild) {
         if (!IsWalkedElement(apChild))
            return tWalk::Next;
         bool childDone = false;
         moved =
             static_cast<CSclContainer*>(apChild)->SortChildren(aSimple, aAttributes, childDone) ||
             moved;
         return childDone ? tWalk::Next : tWalk::Into;
      });
   return moved;
}

bool CSclContainer::SortChildren(bool aSimple, bool aAttributes, bool& arDone)
{
   bool moved = false;
   const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance();
   const size_t count = m_Children.size();
   if (!IsClass(CID_FILE) && pInfo != nullptr && count > 1) {
      // The swap rule of the bubble sort: j+1 goes before j.
      auto before = [aAttributes](int32_t aKey, tSclNameId aName, int32_t aPrevKey,
                                  tSclNameId aPrevName) {
         return aKey < aPrevKey || (aAttributes && aKey == 0 && aPrevKey == 0 && aName < aPrevName);
      };
      if (aSimple) {
         // One pass that carries the last child back and stops at the first pair in order.
         CScl* pLast = m_Children[count - 1];
         const int32_t key = pInfo->GetChildOrderKey(this, pLast);
         for (size_t j = count - 1; j > 0; --j) {
            CScl* pPrev = m_Children[j - 1];
            if (!before(key, pLast->GetNameId(), pInfo->GetChildOrderKey(this, pPrev),
                        pPrev->GetNameId())) {
               arDone = true;
               return moved;
            }
            m_Children[j] = pPrev;
            m_Children[j - 1] = pLast;
            moved = true;
         }
      } else {
         // A stable sort by the swap rule yields exactly the order of the bubble sort.
         std::vector<int32_t> keys(count);
         for (size_t i = 0; i < count; ++i)
            keys[i] = pInfo->GetChildOrderKey(this, m_Children[i]);
         std::vector<size_t> order(count);
         std::iota(order.begin(), order.end(), 0);
         std::stable_sort(order.begin(), order.end(), [&](size_t aLeft, size_t aRight) {
            return before(keys[aLeft], m_Children[aLeft]->GetNameId(), keys[aRight],
                          m_Children[aRight]->GetNameId());
         });
         std::vector<CScl*> sorted(count);
         for (size_t i = 0; i < count; ++i) {
            sorted[i] = m_Children[order[i]];
            moved = moved || order[i] != i;
         }
         std::copy(sorted.begin(), sorted.end(), m_Children.begin());
      }
   }
   return moved;
}

void CSclContainer::SortArrivals(size_t aFirst, const int32_t* apCreatedKeys, size_t aKeyCount)
{
   const size_t count = m_Children.size();
   SCL_ASSERT("SclDll/CSclContainer", aFirst <= count && aKeyCount == count - aFirst);
   const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance();
   if (IsClass(CID_FILE) || pInfo == nullptr || aKeyCount == 0)
      return;
   // The creation sort carries a new last child back behind the last sibling whose key is at
   // most the child's key at that moment (to the front when there is none). Where every
   // child already follows such a sibling, as in a file in schema order, nothing moves.
   bool inPlace = true;
   int32_t previous = aFirst > 0 ? pInfo->GetChildOrderKey(this, m_Children[aFirst - 1]) : 0;
   for (size_t i = aFirst; i < count && inPlace; ++i) {
      inPlace = i == 0 || previous <= apCreatedKeys[i - aFirst];
      previous = pInfo->GetChildOrderKey(this, m_Children[i]);
   }
   if (inPlace)
      return;

   std::vector<int32_t> keys(count);
   int32_t maxKey = 0;
   for (size_t i = 0; i < count; ++i) {
      keys[i] = pInfo->GetChildOrderKey(this, m_Children[i]);
      const int32_t created = i < aFirst ? 0 : apCreatedKeys[i - aFirst];
      SCL_ASSERT("SclDll/CSclContainer", keys[i] >= 0 && created >= 0);
      maxKey = std::max(maxKey, std::max(keys[i], created));
   }
   // Node 0 is the front of the list, node i + 1 child i. Each arrival is linked in right
   // behind its anchor, the node it is carried back to: arrivals behind the same node stand
   // newest first, each followed by the arrivals linked behind itself.
   std::vector<uint32_t> newest(count + 1, 0); // newest arrival behind a node (0: none)
   std::vector<uint32_t> older(count + 1, 0);  // next older arrival behind the same node
   // lastUpTo[k]: the node of the last child with a key of at most k (0: none). Keys are
   // small (schema positions), so one slot per key value.
   std::vector<uint32_t> lastUpTo(static_cast<size_t>(maxKey) + 1, 0);
   for (size_t i = 0; i < aFirst; ++i)
      lastUpTo[static_cast<size_t>(keys[i])] = static_cast<uint32_t>(i + 1);
   for (size_t k = 1; k < lastUpTo.size(); ++k)
      lastUpTo[k] = std::max(lastUpTo[k], lastUpTo[k - 1]);
   for (size_t i = aFirst; i < count; ++i) {
      const auto node = static_cast<uint32_t>(i + 1);
      const int32_t created = apCreatedKeys[i - aFirst];
      const uint32_t anchor = lastUpTo[static_cast<size_t>(created)];
      older[node] = newest[anchor];
      newest[anchor] = node;
      // The arrival stands right behind the anchor. It becomes the last child up to k for
      // every k from its current key on: below its creation key always (the last one up to
      // such k stands at or in front of the anchor), above only where that was the anchor
      // (else a child behind the anchor stays last, and so for every larger k).
      for (int32_t k = keys[i]; k <= maxKey; ++k) {
         uint32_t& last = lastUpTo[static_cast<size_t>(k)];
         if (k >= created && last != anchor)
            break;
         last = node;
      }
   }

   std::vector<CScl*> sorted;
   sorted.reserve(count);
   std::vector<uint32_t> pending;
   // Appends the arrivals linked behind aNode, depth first.
   auto emitBehind = [&](uint32_t aNode) {
      if (newest[aNode] != 0)
         pending.push_back(newest[aNode]);
      while (!pending.empty()) {
         const uint32_t node = pending.back();
         pending.pop_back();
         sorted.push_back(m_Children[node - 1]);
         if (older[node] != 0)
            pending.push_back(older[node]);
         if (newest[node] != 0)
            pending.push_back(newest[node]);
      }
   };
   emitBehind(0);
   for (size_t i = 0; i < aFirst; ++i) {
      sorted.push_back(m_Children[i]);
      emitBehind(static_cast<uint32_t>(i + 1));
   }
   SCL_ASSERT("SclDll/CSclContainer", sorted.size() == count);
   for (size_t i = 0; i < count; ++i) {
      m_Children[i] = sorted[i];
      m_Children[i]->m_IndexHint = static_cast<uint32_t>(i);
   }
}

// ---- references ----

uint32_t CSclContainer::GetRefHandle()
{
   if (m_RefHandle == 0)
      m_RefHandle = CSclRefRegistry::AddContainer(this);
   return m_RefHandle;
}

tSclError CSclContainer::GetRefList(std::vector<CSclRef*>& aList) const
{
   if (m_RefHandle == 0)
      return SE_OK;
   std::vector<uint32_t> handles;
   CSclRefRegistry::GetRefs(m_RefHandle, handles);
   for (uint32_t handle : handles) {
      CSclContainer* pRef = CSclRefRegistry::FindContainer(handle);
      if (pRef != nullptr && pRef->IsClass(CID_REF))
         aList.push_back(static_cast<CSclRef*>(pRef));
   }
   return SE_OK;
}

int CSclContainer::GetRefCount() const
{
   int count = 0;
   for (const CScl* pScl = GetSclFile(); pScl != nullptr; pScl = pScl->GetNext(0, 255))
      if (pScl != this && pScl->IsClass(CID_REF) &&
          static_cast<const CSclRef*>(pScl)->GetRefSclContainer() == this)
         ++count;
   return count;
}

void CSclContainer::MoveAttribToRef(tSclNameId aNameId, CSclRef* apSclRef)
{
   for (size_t i = 0; i < m_Children.size(); ++i) {
      CScl* pScl = m_Children[i];
      if (pScl->GetNameId() != aNameId || !pScl->IsClass(CID_VALUE))
         continue;
      SCL_ASSERT("SclDll/CSclContainer", apSclRef);
      m_Children.erase(m_Children.begin() + static_cast<std::ptrdiff_t>(i));
      apSclRef->InsertChild(pScl, InsertLast);
      pScl->m_pParent = apSclRef;
      return;
   }
}

void CSclContainer::MoveAttribToRef(const std::string& aName, CSclRef* apSclRef)
{
   const tSclNameId nameId = CSclNameTable::FindNameId(aName);
   // An unknown name names no attribute; only the empty name may stand for the text.
   if (nameId != 0 || aName.empty())
      MoveAttribToRef(nameId, apSclRef);
}

} // namespace Arvenko::Melvotar::Scl
