// Comparison of element trees: without the top element's identity, and rule-driven with a
// difference report.
#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclValue.h"
#include "SclDll/CSmartCompare.h"
#include "SclDll/SclAssert.h"
#include "SclDll/SclTreeWalk.h"

namespace Arvenko::Melvotar::Scl {

namespace {

// Whether two objects of the same class carry the same value text; values and remarks are
// compared without copying their text.
bool SameValueText(const CScl& aLeft, const CScl& aRight)
{
   if (aLeft.GetClassId() == CID_VALUE && aRight.GetClassId() == CID_VALUE)
      return static_cast<const CSclValue&>(aLeft).GetText() ==
             static_cast<const CSclValue&>(aRight).GetText();
   if (aLeft.GetClassId() == CID_REMARK && aRight.GetClassId() == CID_REMARK)
      return static_cast<const CSclRemark&>(aLeft).GetText() ==
             static_cast<const CSclRemark&>(aRight).GetText();
   return aLeft.GetValue() == aRight.GetValue();
}

// Identity of one child as GetIdStruct has it, and its instance index. A child that holds
// its name itself (NID_UNLISTED) is told apart by that name too.
struct tChildIdentity {
   tSclClassId classId;
   tSclNameId nameId;
   std::string id;
   std::string unlistedName;
   int instance; // GetInstanceIndex()
};

bool SameKey(const tChildIdentity& aLeft, const tChildIdentity& aRight)
{
   return aLeft.classId == aRight.classId && aLeft.nameId == aRight.nameId &&
          aLeft.id == aRight.id && aLeft.unlistedName == aRight.unlistedName;
}

// The children of both sides paired by identity: the child of one side whose IdStruct the
// other side's GetChildByIdStruct finds. Gives the same pairs as those two calls per child,
// but computes every identity once instead of once per sibling. Keeps only the pairs and
// instance indexes, as one is held for every element being compared.
class CChildMatch {
 public:
   CChildMatch() = default;
   CChildMatch(const CSclContainer& aLeft, const CSclContainer& aRight)
   {
      const std::vector<tChildIdentity> leftIds = Identities(aLeft);
      const std::vector<tChildIdentity> rightIds = Identities(aRight);
      m_LeftCount = leftIds.size();
      // Per left child its counterpart and instance, then the same per right child.
      m_Data.assign(2 * (leftIds.size() + rightIds.size()), -1);
      for (size_t i = 0; i < leftIds.size(); ++i)
         m_Data[m_LeftCount + i] = leftIds[i].instance;
      for (size_t j = 0; j < rightIds.size(); ++j)
         m_Data[2 * m_LeftCount + rightIds.size() + j] = rightIds[j].instance;
      if (leftIds.size() == rightIds.size() &&
          std::equal(leftIds.begin(), leftIds.end(), rightIds.begin(), SameKey)) {
         // Equal identities in equal order (the usual case): child i pairs with child i.
         for (size_t i = 0; i < leftIds.size(); ++i)
            Pair(i, i);
         return;
      }
      // Both sides ordered by identity, equal identities in child order: the n-th occurrence
      // of an identity on one side pairs with its n-th occurrence on the other, as the
      // occurrence count of the IdStruct demands.
      std::vector<int> left = SortedByIdentity(leftIds);
      std::vector<int> right = SortedByIdentity(rightIds);
      size_t i = 0;
      size_t j = 0;
      while (i < left.size() && j < right.size()) {
         const tChildIdentity& a = leftIds[left[i]];
         const tChildIdentity& b = rightIds[right[j]];
         if (Less(a, b)) {
            ++i;
         } else if (Less(b, a)) {
            ++j;
         } else {
            Pair(static_cast<size_t>(left[i]), static_cast<size_t>(right[j]));
            ++i;
            ++j;
         }
      }
   }

   /// Index of the right counterpart of left child aIndex; -1 for none.
   int RightOf(size_t aIndex) const { return m_Data[aIndex]; }
   /// Index of the left counterpart of right child aIndex; -1 for none.
   int LeftOf(size_t aIndex) const { return m_Data[2 * m_LeftCount + aIndex]; }
   int LeftInstance(size_t aIndex) const { return m_Data[m_LeftCount + aIndex]; }
   int RightInstance(size_t aIndex) const
   {
      return m_Data[2 * m_LeftCount + (m_Data.size() - 2 * m_LeftCount) / 2 + aIndex];
   }

 private:
   void Pair(size_t aLeft, size_t aRight)
   {
      m_Data[aLeft] = static_cast<int>(aRight);
      m_Data[2 * m_LeftCount + aRight] = static_cast<int>(aLeft);
   }

   static std::vector<tChildIdentity> Identities(const CSclContainer& aElement)
   {
      std::vector<tChildIdentity> identities(aElement.GetChildCount());
      std::array<int, CID_LAST_CLASS + 1> instances{};
      for (size_t i = 0; i < identities.size(); ++i) {
         const CScl* pChild = aElement.GetChild(static_cast<int>(i));
         tChildIdentity& identity = identities[i];
         identity.classId = pChild->GetClassId();
         identity.nameId = pChild->GetNameId();
         if (identity.nameId == NID_UNLISTED)
            identity.unlistedName = pChild->GetSclName();
         if (pChild->IsClass(CID_CONTAINER))
            identity.id = static_cast<const CSclContainer*>(pChild)->GetId();
         identity.instance = identity.classId >= 0 && identity.classId <= CID_LAST_CLASS
                                 ? instances[identity.classId]++
                                 : pChild->GetInstanceIndex();
      }
      return identities;
   }

   static bool Less(const tChildIdentity& aLeft, const tChildIdentity& aRight)
   {
      return std::tie(aLeft.classId, aLeft.nameId, aLeft.id, aLeft.unlistedName) <
             std::tie(aRight.classId, aRight.nameId, aRight.id, aRight.unlistedName);
   }

   // The child indexes ordered by identity; stable, so equal identities keep child order.
   static std::vector<int> SortedByIdentity(const std::vector<tChildIdentity>& aIdentities)
   {
      std::vector<int> order(aIdentities.size());
      for (size_t i = 0; i < order.size(); ++i)
         order[i] = static_cast<int>(i);
      std::stable_sort(order.begin(), order.end(),
                       [&](int a, int b) { return Less(aIdentities[a], aIdentities[b]); });
      return order;
   }

   // Counterparts of the left children, their instances, counterparts of the right children,
   // their instances.
   std::vector<int> m_Data;
   size_t m_LeftCount = 0;
};

typedef std::map<tDiffKind, tIgnoreInfo> tIgnoreInfos;

} // namespace

bool CSclContainer::CompareWithoutTopLevelId(const CScl& right) const
{
   std::set<tSclNameId> idAttributes;
   if (const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance())
      pInfo->GetIdAttributes(GetClassId(), idAttributes);
   if (!CScl::ContentCompare(right))
      return false;
   const CScl* const apScl = &right; // the name the assertion reports
   SCL_ASSERT("SclDll/CSclContainer", apScl->IsClass(CID_CONTAINER));
   const auto& rightElement = static_cast<const CSclContainer&>(right);
   if (m_Children.size() != rightElement.m_Children.size())
      return false;
   for (size_t i = 0; i < m_Children.size(); ++i) {
      const CScl* pChild = m_Children[i];
      if (pChild->IsClass(CID_VALUE) && pChild->GetNameId() != NID_lnClass &&
          idAttributes.count(pChild->GetNameId()) != 0)
         continue;
      if (!pChild->ContentCompare(*rightElement.m_Children[i]))
         return false;
   }
   return true;
}

namespace {

// What every element of one rule-driven comparison shares.
struct tSmartContext {
   CSmartCompare* pRules;
   bool bContinue;
   bool result; // false once a counted difference was found
};

// One element of a rule-driven comparison: its left children from index next on, then the
// right children without counterpart.
struct tSmartFrame {
   const CSclContainer* pLeft = nullptr;
   const CSclContainer* pRight = nullptr;
   CChildMatch match;
   size_t next = 0;
   tSmartContext* pContext = nullptr;

   tWalk Step(tSmartFrame& arChild)
   {
      CSmartCompare& rules = *pContext->pRules;
      tIgnoreInfos infos;
      // An ignored difference: reported with the rule's texts when a rule of aKind covers it.
      auto ignored = [&](const CScl* apScl, tDiffKind aKind, int aEvent) {
         auto it = infos.find(aKind);
         if (it == infos.end())
            return false;
         rules.Report(true, apScl, it->second.itemId, it->second.logText, aEvent);
         return true;
      };
      // A counted difference: reported with the kind's text; says whether to go on.
      auto counted = [&](const CScl* apScl, tDiffKind aKind, int aEvent) {
         rules.Report(false, apScl, std::string(), rules.GetText(aKind), aEvent);
         pContext->result = false;
         return pContext->bContinue;
      };

      const size_t i = next++;
      const CScl* pChild = pLeft->GetChild(static_cast<int>(i));
      if (pChild == nullptr) {
         for (size_t j = 0; j < static_cast<size_t>(pRight->GetChildCount()); ++j) {
            if (match.LeftOf(j) >= 0)
               continue;
            const CScl* pAdditional = pRight->GetChild(static_cast<int>(j));
            infos.clear();
            rules.GetIgnoreInfos(pAdditional, infos);
            if (!ignored(pAdditional, DIFF_ADDITIONAL, 8) &&
                !counted(pAdditional, DIFF_ADDITIONAL, 9))
               return tWalk::Stop;
         }
         return tWalk::Up;
      }
      rules.GetIgnoreInfos(pChild, infos);
      const int counterpart = match.RightOf(i);
      if (counterpart < 0)
         return ignored(pChild, DIFF_MISSING, 2) || counted(pChild, DIFF_MISSING, 3) ? tWalk::Next
                                                                                     : tWalk::Stop;
      const CScl* pCounterpart = pRight->GetChild(counterpart);
      auto content = infos.find(DIFF_CONTENT);
      if (content != infos.end()) {
         if (!pChild->ContentCompare(*pCounterpart))
            rules.Report(true, pChild, content->second.itemId, content->second.logText, 4);
         return tWalk::Next;
      }
      if (!SameValueText(*pChild, *pCounterpart) && !counted(pChild, DIFF_CONTENT, 5))
         return tWalk::Stop;
      if (!pChild->IsClass(CID_CONTAINER) || !pCounterpart->IsClass(CID_CONTAINER))
         return tWalk::Next;
      if (match.LeftInstance(i) != match.RightInstance(static_cast<size_t>(counterpart)) &&
          !ignored(pChild, DIFF_ORDER, 6) && !counted(pChild, DIFF_ORDER, 7))
         return tWalk::Stop;
      // The child's own rules were looked up above: a content rule ended it there.
      const auto* pLeftChild = static_cast<const CSclContainer*>(pChild);
      const auto* pRightChild = static_cast<const CSclContainer*>(pCounterpart);
      arChild.pLeft = pLeftChild;
      arChild.pRight = pRightChild;
      arChild.match = CChildMatch(*pLeftChild, *pRightChild);
      arChild.next = 0;
      arChild.pContext = pContext;
      return tWalk::Into;
   }
};

} // namespace

bool CSclContainer::SmartCompare(const CScl& right, CSmartCompare& rules, bool bContinue) const
{
   SCL_ASSERT("SclDll/CSclContainer", right.IsClass(CID_CONTAINER));
   const auto& rightElement = static_cast<const CSclContainer&>(right);
   tIgnoreInfos infos;
   rules.GetIgnoreInfos(this, infos);
   auto content = infos.find(DIFF_CONTENT);
   if (content != infos.end()) {
      if (!ContentCompare(right))
         rules.Report(true, this, content->second.itemId, content->second.logText, 1);
      return true;
   }
   tSmartContext context{&rules, bContinue, true};
   SclWalk(tSmartFrame{this, &rightElement, CChildMatch(*this, rightElement), 0, &context});
   return context.result;
}

} // namespace Arvenko::Melvotar::Scl
