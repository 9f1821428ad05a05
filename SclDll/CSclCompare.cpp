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

// Identity of one child as GetIdStruct has it, and its instance index.
struct tChildIdentity {
   tSclClassId classId;
   tSclNameId nameId;
   std::string id;
   int instance; // GetInstanceIndex()
};

bool SameKey(const tChildIdentity& aLeft, const tChildIdentity& aRight)
{
   return aLeft.classId == aRight.classId && aLeft.nameId == aRight.nameId && aLeft.id == aRight.id;
}

// The children of both sides paired by identity: the child of one side whose IdStruct the
// other side's GetChildByIdStruct finds. Gives the same pairs as those two calls per child,
// but computes every identity once instead of once per sibling.
class CChildMatch {
 public:
   CChildMatch(const CSclContainer& aLeft, const CSclContainer& aRight)
       : m_Left(Identities(aLeft)), m_Right(Identities(aRight))
   {
      m_RightOf.assign(m_Left.size(), -1);
      m_LeftOf.assign(m_Right.size(), -1);
      if (m_Left.size() == m_Right.size() &&
          std::equal(m_Left.begin(), m_Left.end(), m_Right.begin(), SameKey)) {
         // Equal identities in equal order (the usual case): child i pairs with child i.
         for (size_t i = 0; i < m_Left.size(); ++i)
            m_RightOf[i] = m_LeftOf[i] = static_cast<int>(i);
         return;
      }
      // Both sides ordered by identity, equal identities in child order: the n-th occurrence
      // of an identity on one side pairs with its n-th occurrence on the other, as the
      // occurrence count of the IdStruct demands.
      std::vector<int> left = SortedByIdentity(m_Left);
      std::vector<int> right = SortedByIdentity(m_Right);
      size_t i = 0;
      size_t j = 0;
      while (i < left.size() && j < right.size()) {
         const tChildIdentity& a = m_Left[left[i]];
         const tChildIdentity& b = m_Right[right[j]];
         if (Less(a, b)) {
            ++i;
         } else if (Less(b, a)) {
            ++j;
         } else {
            m_RightOf[left[i]] = right[j];
            m_LeftOf[right[j]] = left[i];
            ++i;
            ++j;
         }
      }
   }

   /// Index of the right counterpart of left child aIndex; -1 for none.
   int RightOf(int aIndex) const { return m_RightOf[aIndex]; }
   /// Index of the left counterpart of right child aIndex; -1 for none.
   int LeftOf(int aIndex) const { return m_LeftOf[aIndex]; }
   int LeftInstance(int aIndex) const { return m_Left[aIndex].instance; }
   int RightInstance(int aIndex) const { return m_Right[aIndex].instance; }

 private:
   static std::vector<tChildIdentity> Identities(const CSclContainer& aElement)
   {
      std::vector<tChildIdentity> identities(aElement.GetChildCount());
      std::array<int, CID_LAST_CLASS + 1> instances{};
      for (size_t i = 0; i < identities.size(); ++i) {
         const CScl* pChild = aElement.GetChild(static_cast<int>(i));
         tChildIdentity& identity = identities[i];
         identity.classId = pChild->GetClassId();
         identity.nameId = pChild->GetNameId();
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
      return std::tie(aLeft.classId, aLeft.nameId, aLeft.id) <
             std::tie(aRight.classId, aRight.nameId, aRight.id);
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

   std::vector<tChildIdentity> m_Left;
   std::vector<tChildIdentity> m_Right;
   std::vector<int> m_RightOf;
   std::vector<int> m_LeftOf;
};

typedef std::map<tDiffKind, tIgnoreInfo> tIgnoreInfos;

} // namespace

bool CSclValue::ContentCompare(const CScl& right) const
{
   // Only values carry the class id CID_VALUE.
   return right.GetClassId() == CID_VALUE && GetNameId() == right.GetNameId() &&
          m_Value == static_cast<const CSclValue&>(right).m_Value;
}

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

   bool result = true;
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
      result = false;
      return bContinue;
   };

   CChildMatch match(*this, rightElement);
   for (size_t i = 0; i < m_Children.size(); ++i) {
      const CScl* pChild = m_Children[i];
      infos.clear();
      rules.GetIgnoreInfos(pChild, infos);
      int counterpart = match.RightOf(static_cast<int>(i));
      if (counterpart < 0) {
         if (!ignored(pChild, DIFF_MISSING, 2) && !counted(pChild, DIFF_MISSING, 3))
            return false;
         continue;
      }
      const CScl* pRight = rightElement.m_Children[counterpart];
      content = infos.find(DIFF_CONTENT);
      if (content != infos.end()) {
         if (!pChild->ContentCompare(*pRight))
            rules.Report(true, pChild, content->second.itemId, content->second.logText, 4);
         continue;
      }
      if (!SameValueText(*pChild, *pRight) && !counted(pChild, DIFF_CONTENT, 5))
         return false;
      if (!pChild->IsClass(CID_CONTAINER) || !pRight->IsClass(CID_CONTAINER))
         continue;
      if (match.LeftInstance(static_cast<int>(i)) != match.RightInstance(counterpart) &&
          !ignored(pChild, DIFF_ORDER, 6) && !counted(pChild, DIFF_ORDER, 7))
         return false;
      if (!static_cast<const CSclContainer*>(pChild)->SmartCompare(*pRight, rules, bContinue)) {
         if (!bContinue)
            return false;
         result = false;
      }
   }

   for (size_t j = 0; j < rightElement.m_Children.size(); ++j) {
      if (match.LeftOf(static_cast<int>(j)) >= 0)
         continue;
      const CScl* pRight = rightElement.m_Children[j];
      infos.clear();
      rules.GetIgnoreInfos(pRight, infos);
      if (!ignored(pRight, DIFF_ADDITIONAL, 8) && !counted(pRight, DIFF_ADDITIONAL, 9))
         return false;
   }
   return result;
}

} // namespace Arvenko::Melvotar::Scl
