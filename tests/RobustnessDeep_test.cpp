// Documents nested far beyond any real SCL file, generated at run time: the reader stops at
// SCL_MAX_READ_LEVEL with one report, and every walk copes with the deepest tree.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RobustnessSupport.h"
#include "SclDll/SclLib.h"
#include "SclTextSupport.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using namespace Arvenko::Melvotar::XmlParser;
using SclTest::CaptureReports;
using SclTest::CountLinesStartingWith;
using SclTest::kMillion;
using SclTest::Repeat;
using SclTest::TempFile;

namespace {

// The deepest element below apTop, following the last child element at every level.
const CSclContainer* Deepest(const CSclContainer* apTop)
{
   const CSclContainer* pElement = apTop;
   for (;;) {
      const CSclContainer* pNext = nullptr;
      for (int i = pElement->GetChildCount() - 1; i >= 0 && pNext == nullptr; --i)
         if (pElement->GetChild(i)->IsClass(CID_CONTAINER))
            pNext = static_cast<const CSclContainer*>(pElement->GetChild(i));
      if (pNext == nullptr)
         return pElement;
      pElement = pNext;
   }
}

} // namespace

TEST(RobustnessDeepStress, MillionLevelsStopAtTheLimitWithOneReportAndKeepTheRest)
{
   // SCL at level 1, Bay k at level k + 1: Bays deeper than the limit are skipped, and so is
   // the Text inside the deepest of them. The Header after the nesting is read again.
   const std::string document = "<?xml version=\"1.0\"?>\n<SCL>" +
                                Repeat("<Bay name=\"b\">", kMillion) + "<Text>deep</Text>" +
                                Repeat("</Bay>", kMillion) + "<Header id=\"after\"/></SCL>\n";
   const TempFile input = TempFile::WithBytes(document, ".scd");
   CSclFile file;
   {
      CaptureReports reports;
      file.Read(input.Path());
      const std::vector<std::string>& lines = reports.Get();
      ASSERT_EQ(CountLinesStartingWith(lines, "Fehler: "), 1);
      EXPECT_EQ(lines[0], "Fehler: CSclContainer::Read - <Bay>: Verschachtelung zu tief, "
                          "Element wird \xFC"
                          "bersprungen");
      EXPECT_EQ(lines[1], "   Fehlercode: XML-Struktur fehlerhaft");
      EXPECT_EQ(
          CountLinesStartingWith(lines, "   Zusatzinfo.: " + std::to_string(SCL_MAX_READ_LEVEL)),
          1);
      EXPECT_EQ(CountLinesStartingWith(lines, "CSclContainer::Read - Fehler in XML-Datei"), 1);
   }
   ASSERT_NE(file.GetSclElement(), nullptr);
   const CScl* pFirstBay = file.GetSclElement()->GetChild(CID_Bay);
   ASSERT_NE(pFirstBay, nullptr);
   const CSclContainer* pDeepest = Deepest(static_cast<const CSclContainer*>(pFirstBay));
   EXPECT_EQ(pDeepest->GetLevel(), SCL_MAX_READ_LEVEL);
   EXPECT_EQ(pDeepest->GetSclName(), "Bay");
   EXPECT_EQ(pDeepest->GetChildCount(), 1); // its name, but no Text child
   ASSERT_NE(file.GetSclElement()->GetHeader(), nullptr);
   EXPECT_EQ(file.GetSclElement()->GetHeader()->GetId(), "after");
   EXPECT_FALSE(file.IsChanged());
   // Path of the deepest Bay: every Bay below SCL with its key, joined by dots.
   EXPECT_EQ(pDeepest->GetIdNamePath().size(), 7u * (SCL_MAX_READ_LEVEL - 1) - 1);

   SclTest::WalkEveryWay(file, false);
}

TEST(RobustnessDeep, TreeAtTheLimitSavesAndLoadsWithoutReport)
{
   const std::string document =
       Repeat("<x>", SCL_MAX_READ_LEVEL) + "v" + Repeat("</x>", SCL_MAX_READ_LEVEL);
   CSclFile file;
   CaptureReports reports;
   SclTest::ReadText(file, document);
   EXPECT_TRUE(reports.Get().empty());
   EXPECT_EQ(Deepest(&file)->GetLevel(), SCL_MAX_READ_LEVEL);
   EXPECT_EQ(Deepest(&file)->GetValue(), "v");
   SclTest::WalkEveryWay(file, true);
   EXPECT_TRUE(reports.Get().empty());
}

TEST(RobustnessDeepStress, UnclosedNestingEndsWithTheInput)
{
   // Everything up to the limit stays; the input's end ends every open element.
   const std::string document = Repeat("<a k='1'>", kMillion);
   CSclFile file;
   {
      CaptureReports reports;
      SclTest::ReadText(file, document);
      EXPECT_EQ(CountLinesStartingWith(reports.Get(), "Fehler: "), 1);
   }
   EXPECT_EQ(Deepest(&file)->GetLevel(), SCL_MAX_READ_LEVEL);
   EXPECT_EQ(SclTest::CountObjects(&file), 1 + 2 * static_cast<size_t>(SCL_MAX_READ_LEVEL));
   SclTest::WalkEveryWay(file, false);
}

TEST(RobustnessDeep, LimitCountsFromTheLevelOfTheElementReadInto)
{
   // Reading into an element deep in a tree creates elements only down to the limit.
   CSclContainer root(nullptr, "root");
   CSclContainer* pParent = &root;
   for (int level = 1; level < SCL_MAX_READ_LEVEL - 2; ++level)
      pParent = pParent->CreateSclContainer(CID_CONTAINER, InsertLast);
   ASSERT_EQ(pParent->GetLevel(), SCL_MAX_READ_LEVEL - 3);
   const std::string content = "<a><b><c><d><x/></d></c></b><e/></a><f/>";
   CaptureReports reports;
   SclTest::ReadText(*pParent, content);
   ASSERT_FALSE(reports.Get().empty());
   EXPECT_EQ(reports.Get()[0], "Fehler: CSclContainer::Read - <d>: Verschachtelung zu tief, "
                               "Element wird \xFC"
                               "bersprungen");
   ASSERT_EQ(pParent->GetChildCount(), 2);
   const auto* pA = static_cast<const CSclContainer*>(pParent->GetChild(0));
   EXPECT_EQ(pA->GetSclName(), "a");
   ASSERT_EQ(pA->GetChildCount(), 2);
   const auto* pB = static_cast<const CSclContainer*>(pA->GetChild(0));
   ASSERT_EQ(pB->GetChildCount(), 1);
   const CScl* pC = pB->GetChild(0);
   EXPECT_EQ(pC->GetSclName(), "c");
   EXPECT_EQ(pC->GetLevel(), SCL_MAX_READ_LEVEL);
   EXPECT_EQ(static_cast<const CSclContainer*>(pC)->GetChildCount(), 0);
   // e, after the skipped d, and f, after a, are read again.
   EXPECT_EQ(pA->GetChild(1)->GetSclName(), "e");
   EXPECT_EQ(pParent->GetChild(1)->GetSclName(), "f");
}

TEST(RobustnessDeep, MissingEndTagsRepairedAllTheWayUp)
{
   // A stray end tag at the bottom: each repair hands the children up, side by side in the root.
   const std::string document = Repeat("<a>", SCL_MAX_READ_LEVEL) + "</b>";
   CSclFile file;
   SclTest::ReadText(file, document); // no callback: each repair report names the whole path
   ASSERT_EQ(file.GetChildCount(), SCL_MAX_READ_LEVEL);
   for (int i = 0; i < file.GetChildCount(); ++i) {
      ASSERT_EQ(file.GetChild(i)->GetSclName(), "a");
      ASSERT_EQ(static_cast<const CSclContainer*>(file.GetChild(i))->GetChildCount(), 0);
   }
}

TEST(RobustnessDeepStress, MillionLevelsBuiltInCodeSurviveEveryOperation)
{
   // No reader limit guards a tree built through the API. Element x at level k + 1 under SCL.
   auto* pFile = new CSclFile;
   CSclContainer* pScl = pFile->CreateSclContainer(CID_SCL, InsertLast);
   CSclContainer* pDeepest = pScl;
   for (int i = 0; i < kMillion; ++i) {
      pDeepest = pDeepest->CreateSclContainer(CID_CONTAINER, InsertLast);
      pDeepest->SetSclName("x");
   }
   pDeepest->SetAttribValue("k", "v");
   pDeepest->CreateSclValue(tSclNameId(0))->SetValue("text");
   EXPECT_EQ(pDeepest->GetLevel(), kMillion + 1);
   EXPECT_EQ(pDeepest->GetIdNamePath().size(), 2u * kMillion - 1);
   EXPECT_EQ(pDeepest->GetIdPath(), "");
   EXPECT_EQ(pDeepest->GetIdStructPath().size(),
             std::string("(84,84,,1)").size() +
                 kMillion * ("(1," + std::to_string(pDeepest->GetNameId()) + ",,1)").size());
   EXPECT_EQ(pDeepest->GetTypeNodeOfInstance(), nullptr);
   std::vector<tIdStruct> chain(kMillion + 1);
   ASSERT_EQ(pDeepest->FillIdStructArray(chain.data(), kMillion + 1), SE_OK);
   EXPECT_EQ(pFile->GetChildByIdStructArray(chain.data(), kMillion + 1), pDeepest);
   EXPECT_EQ(pDeepest->GetNext(0, INT32_MAX)->GetSclName(), "k");
   EXPECT_EQ(pScl->GetNext(0, INT32_MAX), pScl->GetChild(0));

   SclTest::WalkEveryWay(*pFile, false);
   // The rule-driven comparison reports a difference at the bottom with a bounded location.
   CSclFile other;
   ASSERT_EQ(other.Copy(*pFile), SE_OK);
   const auto* pOtherDeepest =
       static_cast<const CSclContainer*>(other.GetChildByIdStructArray(chain.data(), kMillion + 1));
   ASSERT_NE(pOtherDeepest, nullptr);
   const_cast<CSclContainer*>(pOtherDeepest)->SetAttribValue("k", "w");
   CSmartCompare rules;
   {
      CaptureReports reports;
      EXPECT_FALSE(pFile->SmartCompare(other, rules, false));
      EXPECT_FALSE(other.ContentCompare(*pFile));
      OutputSclError("Tiefe", SE_OK, pOtherDeepest, 0);
      ASSERT_EQ(reports.Get().size(), 4u);
      EXPECT_EQ(reports.Get()[1].compare(0, 25, "   Ort in SCL-Datei: ...."), 0);
      EXPECT_LT(reports.Get()[2].size(), 2000u);
   }
   EXPECT_EQ(pScl->DeleteChild(0), SE_OK);
   EXPECT_EQ(pScl->GetChildCount(), 0);
   delete pFile;
}
