// Every corpus file against a second reading of itself with one change of each kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "SclDll/CSclSchemaInfo.h"
#include "tests/CompareSupport.h"
#include "tests/TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using Arvenko::Melvotar::XmlParser::CXmlParser;
using Arvenko::Melvotar::XmlParser::FF_UTF8;
using SclTest::RecordCompareReports;
using SclTest::tCompareReport;

namespace {

std::unique_ptr<CSclFile> Load(const std::string& aPath)
{
   auto pFile = std::make_unique<CSclFile>();
   CXmlParser parser(SclTest::CorpusPath(aPath), FF_UTF8, false);
   pFile->Read(&parser);
   return pFile;
}

bool IsElement(const CScl* apScl)
{
   return apScl->IsClass(CID_CONTAINER) && !apScl->IsClass(CID_REF);
}

bool HasTextChild(const CSclContainer& aElement)
{
   for (int i = 0; i < aElement.GetChildCount(); ++i)
      if (aElement.GetChild(i)->IsClass(CID_VALUE) && aElement.GetChild(i)->GetNameId() == 0)
         return true;
   return false;
}

// Whether any reference points at the element or into its subtree.
bool IsReferenced(const CSclContainer& aElement)
{
   std::vector<CSclRef*> refs;
   const_cast<CSclContainer&>(aElement).GetRefList(refs);
   if (!refs.empty())
      return true;
   for (int i = 0; i < aElement.GetChildCount(); ++i)
      if (aElement.GetChild(i)->IsClass(CID_CONTAINER) &&
          IsReferenced(*static_cast<const CSclContainer*>(aElement.GetChild(i))))
         return true;
   return false;
}

// The object of the other tree at the same identity path.
CScl* Counterpart(const CScl* apScl, const CSclFile& aOtherFile)
{
   int level = apScl->GetLevel();
   std::vector<tIdStruct> path(level);
   if (apScl->FillIdStructArray(path.data(), level) != SE_OK)
      return nullptr;
   return aOtherFile.GetChildByIdStructArray(path.data(), level);
}

// Two sibling elements of one class whose identities are unique among their siblings.
bool FindSwapPair(const CSclFile& aFile, CSclContainer*& arFirst, CSclContainer*& arSecond)
{
   for (CScl* pScl = aFile.GetNext(0, 255); pScl != nullptr; pScl = pScl->GetNext(0, 255)) {
      if (!IsElement(pScl))
         continue;
      auto* pParent = static_cast<CSclContainer*>(pScl);
      std::vector<CSclContainer*> unique;
      for (int i = 0; i < pParent->GetChildCount(); ++i) {
         CScl* pChild = pParent->GetChild(i);
         if (!IsElement(pChild) || !static_cast<CSclContainer*>(pChild)->HasId())
            continue;
         tIdStruct identity = pChild->GetIdStruct();
         const bool first = identity.Count == 1;
         identity.Count = 2; // no second sibling of that identity
         if (first && !identity.Id.empty() && pParent->GetChildByIdStruct(identity) == nullptr)
            unique.push_back(static_cast<CSclContainer*>(pChild));
      }
      for (size_t i = 0; i < unique.size(); ++i)
         for (size_t j = i + 1; j < unique.size(); ++j)
            if (unique[i]->GetClassId() == unique[j]->GetClassId()) {
               arFirst = unique[i];
               arSecond = unique[j];
               return true;
            }
   }
   return false;
}

// An attribute whose value is no part of any identity or reference.
CScl* FindPlainAttribute(const CSclFile& aFile)
{
   for (CScl* pScl = aFile.GetNext(0, 255); pScl != nullptr; pScl = pScl->GetNext(0, 255)) {
      const CSclContainer* pParent = pScl->GetParent();
      if (!pScl->IsClass(CID_VALUE) || pScl->GetNameId() == 0 || pParent->GetLevel() < 2 ||
          pParent->IsClass(CID_REF))
         continue;
      std::set<tSclNameId> keys;
      CSclSchemaInfo::GetInstance()->GetIdAttributes(pParent->GetClassId(), keys);
      if (keys.count(pScl->GetNameId()) == 0)
         return pScl;
   }
   return nullptr;
}

// The last element that can go without moving an instance index or a reference target,
// below an element without text and none of the other changed objects or their ancestors.
CSclContainer* FindDeletable(const CSclFile& aFile, std::initializer_list<const CScl*> aKeep)
{
   CSclContainer* pFound = nullptr;
   for (CScl* pScl = aFile.GetNext(0, 255); pScl != nullptr; pScl = pScl->GetNext(0, 255)) {
      if (!IsElement(pScl) || pScl->GetLevel() < 2)
         continue;
      auto* pElement = static_cast<CSclContainer*>(pScl);
      const CSclContainer* pParent = pElement->GetParent();
      if (HasTextChild(*pParent) || IsReferenced(*pElement) ||
          pParent->GetChildByInstanceIndex(pElement->GetClassId(),
                                           pElement->GetInstanceIndex() + 1) != nullptr)
         continue;
      if (std::none_of(aKeep.begin(), aKeep.end(), [&](const CScl* apKeep) {
             return apKeep != nullptr && (apKeep == pElement || apKeep->IsElementOf(pElement));
          }))
         pFound = pElement;
   }
   return pFound;
}

// Where a new Private goes: the SCL element, else the first top-level element.
CSclContainer* FindAddParent(const CSclFile& aFile)
{
   auto* pParent = static_cast<CSclContainer*>(aFile.GetChild(CID_SCL) != nullptr
                                                   ? aFile.GetChild(CID_SCL)
                                                   : aFile.GetChild(CID_CONTAINER));
   return pParent == nullptr || HasTextChild(*pParent) ? nullptr : pParent;
}

std::vector<tCompareReport> Sorted(std::vector<tCompareReport> aReports)
{
   std::sort(aReports.begin(), aReports.end(), [](const auto& a, const auto& b) {
      return std::tie(a.event, a.pScl) < std::tie(b.event, b.pScl);
   });
   return aReports;
}

class CorpusCompare : public ::testing::Test {
 protected:
   void SetUp() override
   {
      m_Files = SclTest::CorpusFiles();
      if (m_Files.empty())
         GTEST_SKIP() << "SCL corpus not found under " << SclTest::CorpusPath("");
   }
   std::vector<std::string> m_Files;
   SclTest::CaptureReports m_Capture; // the reader's reports on the broken files
};

} // namespace

TEST_F(CorpusCompare, EveryChangeIsReportedAndNothingElse)
{
   CSmartCompare rules;
   RecordCompareReports record(rules);
   int complete = 0;
   for (const std::string& path : m_Files) {
      SCOPED_TRACE(path);
      auto pLeft = Load(path);
      auto pRight = Load(path);
      // Two readings are equal.
      EXPECT_TRUE(pLeft->ContentCompare(*pRight));
      EXPECT_TRUE(pLeft->SmartCompare(*pLeft, rules, false));
      EXPECT_TRUE(record.Get().empty());
      std::vector<tCompareReport> expected;

      CSclContainer* pSwapFirst = nullptr;
      CSclContainer* pSwapSecond = nullptr;
      bool swap = FindSwapPair(*pRight, pSwapFirst, pSwapSecond);
      CScl* pAttribute = FindPlainAttribute(*pRight);
      CSclContainer* pDeleted = FindDeletable(*pRight, {pSwapFirst, pSwapSecond, pAttribute});
      CSclContainer* pAddParent = FindAddParent(*pRight);
      if (swap) {
         expected.push_back({0, Counterpart(pSwapFirst, *pLeft), "", "<ORDER>", 7});
         expected.push_back({0, Counterpart(pSwapSecond, *pLeft), "", "<ORDER>", 7});
         ASSERT_EQ(
             pSwapFirst->GetParent()->SwapChild(pSwapFirst->GetIndex(), pSwapSecond->GetIndex()),
             SE_OK);
      }
      if (pAttribute != nullptr) {
         expected.push_back({0, Counterpart(pAttribute, *pLeft), "", "<CONTENT>", 5});
         pAttribute->SetValue(pAttribute->GetValue() + "~changed");
      }
      if (pDeleted != nullptr) {
         expected.push_back({0, Counterpart(pDeleted, *pLeft), "", "<MISSING>", 3});
         ASSERT_EQ(pDeleted->GetParent()->DeleteChild(pDeleted), SE_OK);
      }
      if (pAddParent != nullptr) {
         CSclContainer* pAdded = pAddParent->CreateSclContainer(CID_Private);
         ASSERT_NE(pAdded, nullptr);
         pAdded->SetAttribValue(NID_type, "Melvotar-Compare-Test");
         expected.push_back({0, pAdded, "", "<ADDITIONAL>", 9});
      }
      for (const tCompareReport& report : expected)
         ASSERT_NE(report.pScl, nullptr);
      if (swap && pAttribute != nullptr && pDeleted != nullptr && pAddParent != nullptr)
         ++complete;

      EXPECT_EQ(pLeft->SmartCompare(*pRight, rules, true), expected.empty());
      EXPECT_EQ(Sorted(record.Get()), Sorted(expected));
      // Without bContinue the first of them ends the comparison.
      record.Clear();
      EXPECT_EQ(pLeft->SmartCompare(*pRight, rules, false), expected.empty());
      EXPECT_EQ(record.Get().size(), expected.empty() ? 0u : 1u);
      record.Clear();
   }
   RecordProperty("FilesWithAllFourChanges", complete);
   RecordProperty("Files", static_cast<int>(m_Files.size()));
   // Only tiny or broken files lack a place for one of the four changes.
   EXPECT_GE(complete * 10, static_cast<int>(m_Files.size()) * 8)
       << complete << " of " << m_Files.size() << " files got all four changes";
}
