#include "SclDll/CSclContainer.h"

#include <algorithm>
#include <numeric>

#include "SclDll/CSclNameTable.h"
#include "SclDll/CSclRef.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclValue.h"
#include "SclDll/SclAssert.h"

namespace Arvenko::Melvotar::Scl {

namespace {

// Keeps a container's deleting flag set for the duration of one deletion.
class CDeletingScope {
 public:
   explicit CDeletingScope(bool& arFlag) : m_rFlag(arFlag), m_Previous(arFlag) { arFlag = true; }
   ~CDeletingScope() { m_rFlag = m_Previous; }
   CDeletingScope(const CDeletingScope&) = delete;
   CDeletingScope& operator=(const CDeletingScope&) = delete;

 private:
   bool& m_rFlag;
   bool m_Previous;
};

} // namespace

CSclContainer::CSclContainer(CSclContainer* apParent, int aIndex)
    : CSclContainer(apParent, tSclNameId(0), aIndex)
{
}

CSclContainer::CSclContainer(CSclContainer* apParent, tSclNameId aNameId, int aIndex)
    : CScl(apParent, aNameId)
{
   m_ClassId = CID_CONTAINER;
   m_Capacity = DEF_SCL_CHILD_COUNT;
   SCL_ASSERT("SclDll/CSclContainer", m_Capacity == DEF_SCL_CHILD_COUNT);
   LinkToParent(aIndex);
}

CSclContainer::CSclContainer(CSclContainer* apParent, const std::string& aName, int aIndex)
    : CSclContainer(apParent, CSclNameTable::GetOrAddNameId(aName), aIndex)
{
}

CSclContainer::~CSclContainer()
{
   if (m_RefHandle != 0)
      CSclRefRegistry::RemoveContainer(m_RefHandle);
   m_Deleting = true;
   for (CScl*& pChild : m_Children) {
      delete pChild;
      pChild = nullptr;
   }
   std::vector<CScl*>().swap(m_Children);
}

bool CSclContainer::IsClass(tSclClassId aClassId) const
{
   return aClassId == CID_CONTAINER;
}

bool CSclContainer::IsAttrib(const CScl* apScl)
{
   return apScl->GetNameId() != 0 && apScl->IsClass(CID_VALUE);
}

// ---- value ----

namespace {

// The text content of an element: its first text child, how many text children it has and
// whether element children stand between them (mixed content).
struct tTextContent {
   CScl* pFirst = nullptr;
   int Count = 0;
   bool HasElement = false;
};

tTextContent ScanTextContent(const std::vector<CScl*>& aChildren)
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

tSclError CSclContainer::Copy(const CScl& right)
{
   if (!right.IsClass(CID_CONTAINER)) {
      OutputSclError("CSclContainer::Copy - Aufruf mit falschem Datentyp", SE_WRONG_TYPE, this,
                     right.GetClassId());
      return SE_WRONG_TYPE;
   }
   m_NameId = right.GetNameId();
   // A snapshot: copying into the source itself must not see its own new children.
   const std::vector<CScl*> children = static_cast<const CSclContainer&>(right).m_Children;
   for (const CScl* pChild : children) {
      CScl* pNew = nullptr;
      if (pChild->IsClass(CID_VALUE))
         pNew = CreateSclValue(pChild->GetSclName(), InsertLast);
      else if (pChild->IsClass(CID_CONTAINER))
         pNew = CreateSclContainer(pChild->GetClassId(), InsertLast);
      else if (pChild->IsClass(CID_REMARK))
         pNew = CreateSclRemark(InsertLast);
      if (pNew == nullptr) {
         OutputSclError("CSclContainer::Copy - Objekt konnte nicht erzeugt werden", SE_OTHER, this,
                        pChild->GetClassId());
         return SE_OTHER;
      }
      tSclError error = pNew->Copy(*pChild);
      if (error != SE_OK)
         return error;
   }
   return SE_OK;
}

tSclError CSclContainer::Check(int aFlags) const
{
   if ((aFlags & 2) != 0 && GetParent() != nullptr) {
      const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance();
      if (pInfo != nullptr && pInfo->CheckName(this) != SE_OK)
         return SE_NAME;
   }
   if ((aFlags & 1) != 0)
      for (const CScl* pChild : m_Children) {
         tSclError error = pChild->Check(aFlags);
         if (error != SE_OK)
            return error;
      }
   return SE_OK;
}

bool CSclContainer::ContentCompare(const CScl& right) const
{
   if (!CScl::ContentCompare(right))
      return false;
   SCL_ASSERT("SclDll/CSclContainer", right.IsClass(CID_CONTAINER));
   const auto& rightContainer = static_cast<const CSclContainer&>(right);
   if (m_Children.size() != rightContainer.m_Children.size())
      return false;
   for (size_t i = 0; i < m_Children.size(); ++i)
      if (!m_Children[i]->ContentCompare(*rightContainer.m_Children[i]))
         return false;
   return true;
}

std::string CSclContainer::GetId() const
{
   return std::string();
}

bool CSclContainer::HasId() const
{
   return false;
}

void CSclContainer::Complete()
{
   // By index: completing a child may add children to that child, never to this list.
   for (size_t i = 0; i < m_Children.size(); ++i)
      if (m_Children[i]->IsClass(CID_CONTAINER))
         static_cast<CSclContainer*>(m_Children[i])->Complete();
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

CScl* CSclContainer::GetChild(int aIndex) const
{
   return aIndex >= 0 && aIndex < GetChildCount() ? m_Children[aIndex] : nullptr;
}

CScl* CSclContainer::GetChild(tSclClassId aClassId, int aIndex) const
{
   CScl* pScl = GetChild(aIndex);
   return pScl != nullptr && pScl->IsClass(aClassId) ? pScl : nullptr;
}

CScl* CSclContainer::GetChild(tSclClassId aClassId) const
{
   for (CScl* pScl : m_Children)
      if (pScl->IsClass(aClassId))
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
   return GetChildByNameId(CSclNameTable::FindNameId(aName));
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
   CScl* pScl = GetChildByIdStruct(apIdStructArray[0]);
   if (aCount == 1 || pScl == nullptr)
      return pScl;
   if (!pScl->IsClass(CID_CONTAINER))
      return nullptr;
   return static_cast<CSclContainer*>(pScl)->GetChildByIdStructArray(apIdStructArray + 1,
                                                                     aCount - 1);
}

int CSclContainer::ForEachChild(const std::function<int(CScl*)>& aCallback) const
{
   for (CScl* pScl : m_Children) {
      int result = aCallback(pScl);
      if (result != 0)
         return result;
      if (pScl->IsClass(CID_CONTAINER)) {
         result = static_cast<const CSclContainer*>(pScl)->ForEachChild(aCallback);
         if (result != 0)
            return result;
      }
   }
   return 0;
}

// ---- creation ----

bool CSclContainer::AdoptCreated(CScl* apChild, int aIndex)
{
   if (apChild->GetParent() == nullptr) {
      // The list refused the index (reported by InsertChild): no one would own the object.
      delete apChild;
      return false;
   }
   if (aIndex == InsertLast)
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
      index = isAttrib ? GetFirstNonAttribIndex() : count;
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
      m_Capacity = count + SCL_CHILD_COUNT_QUANT;
      SCL_ASSERT("SclDll/CSclContainer", (int)m_Capacity == count + SCL_CHILD_COUNT_QUANT);
   }
   // The storage behind the capacity grows only as children arrive (doubling, from 4 slots):
   // most elements of a file have a handful of children, and 32 slots each would double the
   // memory of a loaded file.
   if (m_Children.size() == m_Children.capacity())
      m_Children.reserve(std::max<size_t>(4, 2 * m_Children.size()));
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
      CDeletingScope deleting(m_Deleting);
      delete m_Children[aIndex];
      m_Children[aIndex] = nullptr;
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
      CDeletingScope deleting(m_Deleting);
      for (CScl*& pChild : m_Children) {
         delete pChild;
         pChild = nullptr;
      }
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
   CScl* pScl = GetChildByNameId(aNameId);
   if (pScl == nullptr) {
      // Created unnamed, so that the non-attribute rule accepts the position; the name then
      // makes it the last attribute.
      CSclValue* pValue = CreateSclValue(tSclNameId(0), GetFirstNonAttribIndex());
      if (pValue == nullptr)
         return SE_OTHER;
      pValue->m_NameId = aNameId;
      pScl = pValue;
   }
   if (!pScl->IsClass(CID_VALUE))
      return SE_WRONG_TYPE;
   return pScl->SetValue(aValue);
}

tSclError CSclContainer::SetAttribValue(const std::string& aName, const std::string& aValue)
{
   return SetAttribValue(CSclNameTable::GetOrAddNameId(aName), aValue);
}

bool CSclContainer::Sort(bool aRecursive, bool aSimple, bool aAttributes)
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
                        pPrev->GetNameId()))
               return moved;
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
   if (aRecursive)
      for (CScl* pChild : m_Children)
         if (pChild->IsClass(CID_CONTAINER) && !pChild->IsClass(CID_REF))
            moved = static_cast<CSclContainer*>(pChild)->Sort(aRecursive, aSimple, aAttributes) ||
                    moved;
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
