// Strict comparison of every object kind and the comparison (and checksum) without the top
// element's identity.
#include <gtest/gtest.h>

#include <tuple>

#include "SclDll/SclCrc32.h"
#include "tests/CompareSupport.h"

using namespace Arvenko::Melvotar::Scl;
using SclTest::ElementAt;
using SclTest::ReadXml;

namespace {

// The first element of a one-element document body under SCL.
CSclContainer* First(const std::unique_ptr<CSclFile>& apFile, std::initializer_list<int> aPath)
{
   CSclContainer* pElement = ElementAt(apFile.get(), aPath);
   EXPECT_NE(pElement, nullptr);
   return pElement;
}

} // namespace

TEST(ContentCompare, ElementsNeedEqualChildrenInOrderAndReferencesEqualKeys)
{
   auto pLeft = ReadXml("<SCL><Bay name=\"B\" desc=\"d\"><LNode lnClass=\"X\"/></Bay></SCL>");
   auto pSwapped = ReadXml("<SCL><Bay desc=\"d\" name=\"B\"><LNode lnClass=\"X\"/></Bay></SCL>");
   auto pComment =
       ReadXml("<SCL><Bay name=\"B\" desc=\"d\"><!--c--><LNode lnClass=\"X\"/></Bay></SCL>");
   auto pDeep = ReadXml("<SCL><Bay name=\"B\" desc=\"d\"><LNode lnClass=\"Y\"/></Bay></SCL>");
   auto pSame = ReadXml("<SCL><Bay name=\"B\" desc=\"d\"><LNode lnClass=\"X\"/></Bay></SCL>");
   EXPECT_TRUE(pLeft->ContentCompare(*pSame));
   EXPECT_FALSE(pLeft->ContentCompare(*pSwapped));
   CSmartCompare rules; // the compare with rules matches attributes by name
   SclTest::RecordCompareReports record(rules);
   EXPECT_TRUE(pLeft->SmartCompare(*pSwapped, rules, true));
   EXPECT_TRUE(record.Get().empty());
   EXPECT_FALSE(pLeft->ContentCompare(*pComment));
   EXPECT_FALSE(pLeft->ContentCompare(*pDeep));
   // A typed Bay and a plain element named Bay differ in class.
   auto pPlain = ReadXml("<Root><Plain><Bay name=\"B\" desc=\"d\"/></Plain></Root>");
   CSclContainer* pPlainBay = First(pPlain, {0, 0, 0});
   CSclContainer* pTypedBay = First(pLeft, {0, 0});
   pTypedBay->DeleteChild(2);
   EXPECT_EQ(pPlainBay->GetSclName(), "Bay");
   EXPECT_FALSE(pTypedBay->ContentCompare(*pPlainBay));

   auto pFile = ReadXml("<SCL/>");
   CSclContainer* pScl = First(pFile, {0});
   // A DATypeRef by its type key, an IEDRef by its text.
   auto MakeRef = [&](tSclClassId aClassId, const char* apValue) {
      CSclContainer* pRef = pScl->CreateSclContainer(aClassId);
      if (aClassId == CID_DATypeRef)
         pRef->SetAttribValue("type", apValue);
      else
         pRef->CreateSclValue(NID_NONE)->SetValue(apValue);
      return pRef;
   };
   EXPECT_TRUE(MakeRef(CID_DATypeRef, "A")->ContentCompare(*MakeRef(CID_DATypeRef, "A")));
   EXPECT_FALSE(MakeRef(CID_DATypeRef, "A")->ContentCompare(*MakeRef(CID_DATypeRef, "B")));
   EXPECT_FALSE(MakeRef(CID_DATypeRef, "A")->ContentCompare(*pScl));
   EXPECT_TRUE(MakeRef(CID_IEDRef, "E1")->ContentCompare(*MakeRef(CID_IEDRef, "E1")));
   EXPECT_FALSE(MakeRef(CID_IEDRef, "E1")->ContentCompare(*MakeRef(CID_IEDRef, "E2")));
}

TEST(CompareWithoutTopLevelId, SkipsOnlyTheTopElementsKeys)
{
   auto pFile =
       ReadXml("<SCL><DataTypeTemplates>"
               "<LNodeType id=\"L1\" lnClass=\"MMXU\"><DO name=\"A\" type=\"T1\"/></LNodeType>"
               "<LNodeType id=\"L2\" lnClass=\"MMXU\"><DO name=\"A\" type=\"T1\"/></LNodeType>"
               "<LNodeType id=\"L1\" lnClass=\"XCBR\"><DO name=\"A\" type=\"T1\"/></LNodeType>"
               "<DOType id=\"T1\" cdc=\"SPS\"><DA name=\"stVal\" fc=\"ST\"/></DOType>"
               "<DOType id=\"T2\" cdc=\"SPS\"><DA name=\"stVal\" fc=\"ST\"/></DOType>"
               "<DOType id=\"T3\" cdc=\"SPS\"><DA name=\"q\" fc=\"ST\"/></DOType>"
               "<DOType cdc=\"SPS\" id=\"T4\"><DA name=\"stVal\" fc=\"ST\"/></DOType>"
               "</DataTypeTemplates></SCL>");
   CSclContainer* pTemplates = First(pFile, {0, 0});
   auto At = [&](int aIndex) { return static_cast<CSclContainer*>(pTemplates->GetChild(aIndex)); };
   auto Crc = [&](int aIndex) { return At(aIndex)->GetCRC32WithoutTopLevelId(SCL_CRC32_START); };
   EXPECT_FALSE(At(3)->ContentCompare(*At(4)));
   // Deeper keys (DA name) and LNodeType's lnClass are compared; the checksum without the top
   // element's keys agrees, but does not see the attribute order.
   const std::tuple<int, int, bool, bool> rows[] = {{3, 4, true, true},   {3, 5, false, false},
                                                    {3, 6, false, true},  {0, 1, true, true},
                                                    {0, 2, false, false}, {0, 3, false, false}};
   for (const auto& [a, b, equal, sameCrc] : rows) {
      EXPECT_EQ(At(a)->CompareWithoutTopLevelId(*At(b)), equal) << a << "/" << b;
      EXPECT_EQ(Crc(a) == Crc(b), sameCrc) << a << "/" << b;
   }
   EXPECT_EQ(Crc(3), CalcCRC32String(std::string("\x03") + "DOType" + "\x01" + "cdcSPS" + "\x03" +
                                         "DA" + "\x01" + "namestVal" + "\x01" + "fcST",
                                     SCL_CRC32_START));
   EXPECT_NE(At(3)->GetCRC32(SCL_CRC32_START), At(4)->GetCRC32(SCL_CRC32_START));
}

TEST(CompareWithoutTopLevelId, LogicalNodesDifferInLnClassOnly)
{
   auto pFile = ReadXml("<SCL><IED name=\"E\"><AccessPoint name=\"P\">"
                        "<LN lnClass=\"MMXU\" inst=\"1\" prefix=\"a\" lnType=\"T\"/>"
                        "<LN lnClass=\"MMXU\" inst=\"2\" prefix=\"b\" lnType=\"T\"/>"
                        "<LN lnClass=\"MMXN\" inst=\"1\" prefix=\"a\" lnType=\"T\"/>"
                        "<LN lnClass=\"MMXU\" inst=\"1\" prefix=\"a\" lnType=\"U\"/>"
                        "</AccessPoint></IED></SCL>");
   CSclContainer* pAp = First(pFile, {0, 0, 0});
   auto At = [&](int aIndex) { return static_cast<CSclContainer*>(pAp->GetChild(aIndex)); };
   int first = pAp->GetFirstNonAttribIndex();
   EXPECT_TRUE(At(first)->CompareWithoutTopLevelId(*At(first + 1)));
   EXPECT_FALSE(At(first)->CompareWithoutTopLevelId(*At(first + 2)));
   EXPECT_FALSE(At(first)->CompareWithoutTopLevelId(*At(first + 3)));
   // Elements of other classes or with another child count never compare equal.
   EXPECT_FALSE(At(first)->CompareWithoutTopLevelId(*pAp));
   At(first + 1)->CreateSclRemark();
   EXPECT_FALSE(At(first)->CompareWithoutTopLevelId(*At(first + 1)));
}
