// Ignore rules, report texts, rule matching, the rule-driven compare and its report events,
// and the alignment of type template ids.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/CompareSupport.h"
#include "tests/TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using Arvenko::Melvotar::XmlParser::xml_parser_error;
using SclTest::ElementAt;
using SclTest::ReadXml;
using SclTest::RecordCompareReports;
using SclTest::tCompareReport;

namespace {

typedef std::map<tDiffKind, tIgnoreInfo> tInfos;

// The segments of a rule path, leaf first, as " name(id)" each.
std::string PathText(const std::vector<tIdent>& aPath)
{
   std::string text;
   for (const tIdent& segment : aPath)
      text += " " + segment.name + "(" + segment.id + ")";
   return text;
}

// Every rule as "key itemId kind 'logText' path", in the order of the rule map.
std::vector<std::string> Entries(const CSmartCompare& aRules)
{
   std::vector<std::string> entries;
   for (const auto& [key, entry] : aRules.GetIgnoreEntries())
      entries.push_back(key + " " + entry.itemId + " " + std::to_string(entry.kind) + " '" +
                        entry.logText + "'" + PathText(entry.path));
   return entries;
}

tInfos InfosOf(const CSmartCompare& aRules, const CScl* apScl)
{
   tInfos infos;
   aRules.GetIgnoreInfos(apScl, infos);
   return infos;
}

// The itemIds of the infos for content, order, additional and missing, "-" where there is none.
std::string Items(const CSmartCompare& aRules, const CScl* apScl)
{
   const tInfos infos = InfosOf(aRules, apScl);
   std::string items;
   for (tDiffKind kind : {DIFF_CONTENT, DIFF_ORDER, DIFF_ADDITIONAL, DIFF_MISSING}) {
      auto it = infos.find(kind);
      items += (items.empty() ? "" : " ") + (it == infos.end() ? "-" : it->second.itemId);
   }
   return items;
}

} // namespace

// ---- rule paths ----

TEST(CSmartCompareRulePath, SplitsLeafFirstWithKeys)
{
   auto Parse = [](const std::string& aPath) {
      std::string key;
      std::vector<tIdent> path;
      CSmartCompare::ParseRulePath(aPath, key, path);
      return key + ":" + PathText(path);
   };
   EXPECT_EQ(Parse("LDevice.LN0.DOI[Mod].DAI[stVal]"),
             "DAI[stVal]: DAI(stVal) DOI(Mod) LN0() LDevice()");
   // Text after "]" is ignored; without "]" the key runs to the end of the segment.
   EXPECT_EQ(Parse("A[x]tail.B[open"), "B[open: B(open) A(x)");
   EXPECT_EQ(Parse("A..B."), ": () B() () A()");
   EXPECT_EQ(Parse(""), ": ()");
   EXPECT_EQ(Parse("[k]"), "[k]: (k)");
}

TEST(CSmartCompareRulePath, OnlyTheFirst1023CharactersCount)
{
   std::string key;
   std::vector<tIdent> path;
   // The leaf segment starts at position 1021: two of its characters survive.
   CSmartCompare::ParseRulePath(std::string(1020, 'x') + ".ABCDE", key, path);
   EXPECT_EQ(key, "AB");
   ASSERT_EQ(path.size(), 2u);
   EXPECT_EQ(path[1].name.size(), 1020u);
   // A path cut right behind a dot ends in an empty leaf.
   CSmartCompare::ParseRulePath(std::string(1022, 'y') + ".Z", key, path);
   EXPECT_EQ(key, "");
   CSmartCompare::ParseRulePath(std::string(100000, '.'), key, path);
   EXPECT_EQ(path.size(), 1024u);
}

// ---- rule file ----

TEST(CSmartCompareRuleFile, ReadsRulesAndTexts)
{
   CSmartCompare rules;
   EXPECT_EQ(rules.GetText(DIFF_NONE), "<NONE>");
   EXPECT_EQ(rules.GetText(static_cast<tDiffKind>(6)), "?");
   EXPECT_EQ(rules.GetText(static_cast<tDiffKind>(-1)), "?");
   EXPECT_EQ(rules.GetCallback(), nullptr);
   EXPECT_FALSE(rules.HasRules());
   EXPECT_EQ(rules.ReadIgnoreFile(SclTest::DataPath("compare_rules.xml")), SE_OK);
   // The first true flag (content, order, additional, missing) decides; rules keep file order.
   const std::vector<std::string> expected = {" i5 4 '' ()",
                                              " i6 4 '' () B() A()",
                                              "Bay i4 0 '' Bay()",
                                              "DAI[q i8 3 '' DAI(q) DAI(stVal)",
                                              "DOI i1 1 'any DOI' DOI()",
                                              "DOI i3 4 'second DOI' DOI()",
                                              "DOI[Beh] i2 2 'Beh under LN0' DOI(Beh) LN0()",
                                              "SDI i7 1 'both' SDI()"};
   EXPECT_EQ(Entries(rules), expected);
   // Texts anywhere in the document; a later element replaces an earlier one.
   EXPECT_EQ(rules.GetText(DIFF_CONTENT), "Inhalt anders");
   EXPECT_EQ(rules.GetText(DIFF_MISSING), "fehlt wirklich");
   EXPECT_EQ(rules.GetText(DIFF_ADDITIONAL), "neu");
   EXPECT_EQ(rules.GetText(DIFF_ORDER), "<ORDER>");
   EXPECT_EQ(rules.GetText(DIFF_TYPENAME), "?");

   // A second file adds to the rules.
   EXPECT_EQ(rules.ReadIgnoreFile(SclTest::DataPath("compare_rules.xml")), SE_OK);
   EXPECT_EQ(rules.GetIgnoreEntries().size(), 16u);
   EXPECT_EQ(rules.GetIgnoreEntries().count("DOI"), 4u);
}

TEST(CSmartCompareRuleFile, UnreadableFileThrowsAndMalformedFileKeepsWhatWasRead)
{
   SclTest::CaptureReports capture;
   CSmartCompare rules;
   rules.AddIgnoreItem("Bay", DIFF_MISSING, "kept", "");
   EXPECT_THROW(rules.ReadIgnoreFile(SclTest::DataPath("compare_no_such_file.xml")),
                xml_parser_error);
   EXPECT_EQ(rules.GetIgnoreEntries().size(), 1u);
   EXPECT_FALSE(capture.Get().empty());

   capture.Clear();
   auto file = SclTest::TempFile::WithBytes(
       "<R><Group><IgnoreItem path=\"X\" ignoreMissing=\"true\" itemId=\"a\"/>"
       "</R><MissingText>m</MissingText><IgnoreItem path=\"Y\" ignoreOrder=\"true\"/>");
   EXPECT_EQ(rules.ReadIgnoreFile(file.Path()), SE_OK);
   EXPECT_EQ(Entries(rules),
             (std::vector<std::string>{"Bay kept 4 '' Bay()", "X a 4 '' X()", "Y  2 '' Y()"}));
   EXPECT_EQ(rules.GetText(DIFF_MISSING), "m");
   EXPECT_FALSE(capture.Get().empty());
}

TEST(CSmartCompareRuleFile, TextsArriveAsLibraryTextAndDeepNestingIsIgnored)
{
   auto latin = SclTest::TempFile::WithBytes(
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R><MissingText>gel\xF6scht</MissingText>"
       "<IgnoreItem path=\"Bay\" ignoreOrder=\"true\" logText=\"Gr\xFC\xDF"
       "e\"/></R>");
   auto utf8 = SclTest::TempFile::WithBytes(
       "<R><MissingText>gel\xC3\xB6scht</MissingText>"
       "<IgnoreItem path=\"Bay\" ignoreOrder=\"true\" logText=\"Gr\xC3\xBC\xC3\x9F"
       "e\"/></R>");
   for (const SclTest::TempFile* pFile : {&latin, &utf8}) {
      CSmartCompare rules;
      EXPECT_EQ(rules.ReadIgnoreFile(pFile->Path()), SE_OK);
      EXPECT_EQ(rules.GetText(DIFF_MISSING), "gel\xF6scht");
      EXPECT_EQ(Entries(rules), std::vector<std::string>{"Bay  2 'Gr\xFC\xDF"
                                                         "e' Bay()"});
   }

   std::string text;
   for (int i = 0; i < 300; ++i) {
      text += "<N>";
      if (i == 8)
         text += "<IgnoreItem path=\"Shallow\" ignoreMissing=\"true\"/>";
   }
   text += "<IgnoreItem path=\"Deep\" ignoreMissing=\"true\"/>";
   for (int i = 0; i < 300; ++i)
      text += "</N>";
   auto file = SclTest::TempFile::WithBytes(text);
   CSmartCompare rules;
   EXPECT_EQ(rules.ReadIgnoreFile(file.Path()), SE_OK);
   EXPECT_EQ(Entries(rules), std::vector<std::string>{"Shallow  4 '' Shallow()"});
}

// ---- rule matching ----

class CSmartCompareMatch : public ::testing::Test {
 protected:
   void SetUp() override
   {
      m_pFile = ReadXml("<SCL><IED name=\"E\"><AccessPoint name=\"P\"><Server>"
                        "<LDevice inst=\"LD\">"
                        "<LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"T\">"
                        "<DOI name=\"Beh\"/><DOI name=\"Mod\"/></LN0>"
                        "<LN lnClass=\"XCBR\" inst=\"1\" lnType=\"T\"><DOI name=\"Beh\"/></LN>"
                        "<Private type=\"p\">text</Private>"
                        "</LDevice></Server></AccessPoint></IED></SCL>");
      CSclContainer* pLDevice = ElementAt(m_pFile.get(), {0, 0, 0, 0, 0});
      ASSERT_NE(pLDevice, nullptr);
      // Schema order: Private, LN0, LN.
      m_pPrivate = ElementAt(pLDevice, {0});
      m_pLN0Beh = ElementAt(pLDevice, {1, 0});
      m_pLN0Mod = ElementAt(pLDevice, {1, 1});
      m_pLNBeh = ElementAt(pLDevice, {2, 0});
      for (const CSclContainer* pElement : {m_pPrivate, m_pLN0Beh, m_pLN0Mod, m_pLNBeh})
         ASSERT_NE(pElement, nullptr);
      ASSERT_EQ(m_pLN0Beh->GetIdName(), "DOI[Beh]");
      ASSERT_EQ(m_pLNBeh->GetIdName(), "DOI[Beh]");
   }

   std::unique_ptr<CSclFile> m_pFile;
   CSclContainer* m_pLN0Beh = nullptr;
   CSclContainer* m_pLN0Mod = nullptr;
   CSclContainer* m_pLNBeh = nullptr;
   CSclContainer* m_pPrivate = nullptr;
   CSmartCompare rules;
};

TEST_F(CSmartCompareMatch, PlainNameAppliesUnderAnyParentAndKeyedRuleWins)
{
   rules.AddIgnoreItem("DOI[Beh]", DIFF_ORDER, "keyed", "k");
   rules.AddIgnoreItem("DOI", DIFF_ORDER, "plain", "p");
   rules.AddIgnoreItem("DOI", DIFF_MISSING, "m1", "");
   rules.AddIgnoreItem("DOI", DIFF_MISSING, "m2", "");
   rules.AddIgnoreItem("LN0.DOI[Beh]", DIFF_CONTENT, "ln0", "");
   // Among rules of one key the later match wins; the ln0 rule needs the parent LN0.
   EXPECT_EQ(Items(rules, m_pLN0Beh), "ln0 keyed - m2");
   EXPECT_EQ(Items(rules, m_pLNBeh), "- keyed - m2");
   EXPECT_EQ(Items(rules, m_pLN0Mod), "- plain - m2");
   tInfos infos = InfosOf(rules, m_pLN0Beh);
   EXPECT_EQ(infos[DIFF_ORDER].logText, "k");
   EXPECT_EQ(infos.size(), 3u);
}

TEST_F(CSmartCompareMatch, AncestorsAreMatchedFromTheParentUp)
{
   rules.AddIgnoreItem("Server.LDevice.LN.DOI", DIFF_CONTENT, "ln", "");
   rules.AddIgnoreItem("X.DOI", DIFF_ADDITIONAL, "x", "");
   rules.AddIgnoreItem("LDevice[LD].LN0.DOI", DIFF_MISSING, "ld", "");
   rules.AddIgnoreItem("LDevice[XX].LN0.DOI", DIFF_ORDER, "xx", "");
   // The path reaches the file root (which has no name here) exactly ...
   rules.AddIgnoreItem(".SCL.IED[E].AccessPoint[P].Server.LDevice.LN.DOI[Beh]", DIFF_ADDITIONAL,
                       "root", "");
   // ... and one segment further it runs out of ancestors.
   rules.AddIgnoreItem("Y..SCL.IED.AccessPoint.Server.LDevice.LN0.DOI", DIFF_ORDER, "long", "");
   EXPECT_EQ(Items(rules, m_pLN0Beh), "- - - ld");
   EXPECT_EQ(Items(rules, m_pLNBeh), "ln - root -");
}

TEST_F(CSmartCompareMatch, EmptyKeysNeverApply)
{
   rules.AddIgnoreItem("", DIFF_MISSING, "none", "");
   rules.AddIgnoreItem("Private.", DIFF_CONTENT, "dot", "");
   rules.AddIgnoreItem("type", DIFF_ORDER, "attribute", "");
   const CScl* pText = m_pPrivate->GetChild(m_pPrivate->GetChildCount() - 1);
   ASSERT_TRUE(pText->IsClass(CID_VALUE));
   ASSERT_EQ(pText->GetNameId(), NID_NONE);
   EXPECT_TRUE(InfosOf(rules, pText).empty());
   EXPECT_TRUE(InfosOf(rules, m_pPrivate).empty());
   EXPECT_TRUE(InfosOf(rules, nullptr).empty());
   // Attributes are matched by their name.
   EXPECT_EQ(Items(rules, m_pPrivate->GetChild(0)), "- attribute - -");
}

// ---- the rule-driven compare ----

namespace {

// The compared document: the Substation's desc, the order of the bays and the last level vary.
std::string Document(const char* apDesc, const char* apBays, const char* apLevel)
{
   return std::string(R"(<SCL><Header id="H"/><Substation name="S" desc=")") + apDesc +
          R"("><VoltageLevel name="A">)" + apBays + R"(</VoltageLevel><VoltageLevel name=")" +
          apLevel + R"("/></Substation></SCL>)";
}

} // namespace

class CSmartCompareEvents : public ::testing::Test {
 protected:
   void SetUp() override
   {
      m_pLeft = ReadXml(Document("old", R"(<Bay name="B1"/><Bay name="B2"/>)", "M"));
      m_pRight = ReadXml(Document("new", R"(<Bay name="B2"/><Bay name="B1"/>)", "N"));
      m_pLeftSub = ElementAt(m_pLeft.get(), {0, 1});
      m_pRightSub = ElementAt(m_pRight.get(), {0, 1});
      ASSERT_NE(m_pLeftSub, nullptr);
      ASSERT_NE(m_pRightSub, nullptr);
      m_pDesc = m_pLeftSub->GetChildByNameId(NID_desc);
      m_pB1 = ElementAt(m_pLeftSub, {0, 0});
      m_pB2 = ElementAt(m_pLeftSub, {0, 1});
      m_pM = ElementAt(m_pLeftSub, {1});
      m_pN = ElementAt(m_pRightSub, {1});
      ASSERT_EQ(m_pB1->GetId(), "B1");
      ASSERT_EQ(m_pN->GetId(), "N");
   }

   std::unique_ptr<CSclFile> m_pLeft;
   std::unique_ptr<CSclFile> m_pRight;
   CSclContainer* m_pLeftSub = nullptr;
   CSclContainer* m_pRightSub = nullptr;
   CScl* m_pDesc = nullptr;
   CSclContainer* m_pB1 = nullptr;
   CSclContainer* m_pB2 = nullptr;
   CSclContainer* m_pM = nullptr;
   CSclContainer* m_pN = nullptr;
   CSmartCompare rules;
   RecordCompareReports record{rules};
};

TEST_F(CSmartCompareEvents, CountedDifferences)
{
   EXPECT_FALSE(m_pLeft->SmartCompare(*m_pRight, rules, true));
   std::vector<tCompareReport> expected = {{0, m_pDesc, "", "<CONTENT>", 5},
                                           {0, m_pB1, "", "<ORDER>", 7},
                                           {0, m_pB2, "", "<ORDER>", 7},
                                           {0, m_pM, "", "<MISSING>", 3},
                                           {0, m_pN, "", "<ADDITIONAL>", 9}};
   EXPECT_EQ(record.Get(), expected);

   // The report texts come from the rules when loaded.
   record.Clear();
   rules.SetText(DIFF_MISSING, "fehlt");
   EXPECT_FALSE(m_pLeft->SmartCompare(*m_pRight, rules, true));
   ASSERT_EQ(record.Get().size(), 5u);
   EXPECT_EQ(record.Get()[3].text, "fehlt");

   // Reversed sides: the missing and the additional element swap their roles.
   record.Clear();
   EXPECT_FALSE(m_pRight->SmartCompare(*m_pLeft, rules, true));
   EXPECT_EQ(record.Events(), (std::vector<int>{5, 7, 7, 3, 9}));
   EXPECT_EQ(record.Get()[3].pScl, m_pN);
   EXPECT_EQ(record.Get()[4].pScl, m_pM);
}

TEST_F(CSmartCompareEvents, IgnoredDifferences)
{
   rules.AddIgnoreItem("Bay", DIFF_ORDER, "o", "order ok");
   rules.AddIgnoreItem("VoltageLevel[M]", DIFF_MISSING, "m", "missing ok");
   rules.AddIgnoreItem("Substation.VoltageLevel", DIFF_ADDITIONAL, "a", "additional ok");
   rules.AddIgnoreItem("Substation.desc", DIFF_CONTENT, "c", "content ok");
   EXPECT_TRUE(m_pLeft->SmartCompare(*m_pRight, rules, false));
   std::vector<tCompareReport> expected = {{1, m_pDesc, "c", "content ok", 4},
                                           {1, m_pB1, "o", "order ok", 6},
                                           {1, m_pB2, "o", "order ok", 6},
                                           {1, m_pM, "m", "missing ok", 2},
                                           {1, m_pN, "a", "additional ok", 8}};
   EXPECT_EQ(record.Get(), expected);
}

TEST_F(CSmartCompareEvents, ContentRuleOnTheComparedElement)
{
   rules.AddIgnoreItem("Substation", DIFF_CONTENT, "s", "substation");
   EXPECT_TRUE(m_pLeftSub->SmartCompare(*m_pRightSub, rules, false));
   EXPECT_EQ(record.Get(), (std::vector<tCompareReport>{{1, m_pLeftSub, "s", "substation", 1}}));
   record.Clear();
   EXPECT_TRUE(m_pLeftSub->SmartCompare(*m_pLeftSub, rules, false));
   EXPECT_TRUE(record.Get().empty());
   // As a child the same rule stops the comparison of the subtree with event 4.
   EXPECT_TRUE(m_pLeft->SmartCompare(*m_pRight, rules, false));
   EXPECT_EQ(record.Get(), (std::vector<tCompareReport>{{1, m_pLeftSub, "s", "substation", 4}}));
}

TEST_F(CSmartCompareEvents, FirstCountedDifferenceEndsWithoutContinue)
{
   rules.AddIgnoreItem("Substation.desc", DIFF_CONTENT, "c", "");
   rules.AddIgnoreItem("Bay", DIFF_ORDER, "o", "");
   EXPECT_FALSE(m_pLeft->SmartCompare(*m_pRight, rules, false));
   EXPECT_EQ(record.Events(), (std::vector<int>{4, 6, 6, 3}));
   record.Clear();
   rules.AddIgnoreItem("VoltageLevel", DIFF_MISSING, "m", "");
   EXPECT_FALSE(m_pLeft->SmartCompare(*m_pRight, rules, false));
   EXPECT_EQ(record.Events(), (std::vector<int>{4, 6, 6, 2, 9}));
   // The result does not depend on the callback.
   rules.SetCallback(nullptr);
   EXPECT_FALSE(m_pLeft->SmartCompare(*m_pRight, rules, false));
   EXPECT_FALSE(m_pLeft->SmartCompare(*m_pRight, rules, true));
   EXPECT_TRUE(m_pLeft->SmartCompare(*m_pLeft, rules, true));
}

TEST(CSmartCompare, SiblingsOfEqualIdentityPairByOccurrence)
{
   auto pLeft = ReadXml("<SCL><Private type=\"x\">a</Private><Private type=\"x\">b</Private>"
                        "<Private type=\"y\">c</Private></SCL>");
   auto pRight =
       ReadXml("<SCL><Private type=\"y\">c</Private><Private type=\"x\">b</Private></SCL>");
   CSclContainer* pLeftScl = ElementAt(pLeft.get(), {0});
   CSmartCompare rules;
   RecordCompareReports record(rules);
   EXPECT_FALSE(pLeft->SmartCompare(*pRight, rules, true));
   // The first x pairs with the only x (text and place differ); the second x has none.
   CSclContainer* pFirstX = ElementAt(pLeftScl, {0});
   CScl* pFirstText = pFirstX->GetChild(pFirstX->GetChildCount() - 1);
   std::vector<tCompareReport> expected = {{0, pFirstX, "", "<CONTENT>", 5},
                                           {0, pFirstX, "", "<ORDER>", 7},
                                           {0, pFirstText, "", "<CONTENT>", 5},
                                           {0, ElementAt(pLeftScl, {1}), "", "<MISSING>", 3},
                                           {0, ElementAt(pLeftScl, {2}), "", "<ORDER>", 7}};
   EXPECT_EQ(record.Get(), expected);
}

// ---- type ids ----

namespace {

const char* const s_FirstTemplates =
    "<SCL><DataTypeTemplates>"
    "<LNodeType id=\"L1\" lnClass=\"MMXU\"><DO name=\"A\" type=\"D1\"/></LNodeType>"
    "<DOType id=\"D1\" cdc=\"SPS\"><DA name=\"stVal\" fc=\"ST\"/></DOType>"
    "<DOType id=\"D2\" cdc=\"SPS\"><DA name=\"stVal\" fc=\"ST\"/></DOType>"
    "<EnumType id=\"E1\"><EnumVal ord=\"0\">a</EnumVal></EnumType>"
    "</DataTypeTemplates></SCL>";
const char* const s_SecondTemplates =
    "<SCL><DataTypeTemplates>"
    "<LNodeType id=\"L5\" lnClass=\"XCBR\"><DO name=\"A\" type=\"D1\"/></LNodeType>"
    "<DOType id=\"D3\" cdc=\"SPS\"><DA name=\"stVal\" fc=\"ST\"/></DOType>"
    "<DOType id=\"D7\" cdc=\"DPC\"><DA name=\"stVal\" fc=\"ST\"/></DOType>"
    "<EnumType id=\"E9\"><EnumVal ord=\"0\">a</EnumVal></EnumType>"
    "<EnumType id=\"E1\"><EnumVal ord=\"0\">a</EnumVal></EnumType>"
    "</DataTypeTemplates></SCL>";

} // namespace

TEST(CSmartCompareTypeIds, AlignsIdsOfEqualTemplatesFoundFromAnyObject)
{
   auto pFirst = ReadXml(s_FirstTemplates);
   auto pSecond = ReadXml(s_SecondTemplates);
   CSclContainer* pTemplates = ElementAt(pSecond.get(), {0, 0});
   CSclContainer* pLNodeType = ElementAt(pTemplates, {0});
   CSclContainer* pD3 = ElementAt(pTemplates, {1});
   CSclContainer* pD7 = ElementAt(pTemplates, {2});
   CSclContainer* pE9 = ElementAt(pTemplates, {3});
   CSmartCompare rules;
   RecordCompareReports record(rules);
   // The trees are found from any of their objects.
   EXPECT_TRUE(
       rules.AdjustTypeIds(ElementAt(pFirst.get(), {0, 0, 1}), ElementAt(pSecond.get(), {0})));
   // Enum types first; of two equal templates of the first tree the later one's id is used.
   std::vector<tCompareReport> expected = {{1, pE9, "", "? ( E1 != E9 )", 0},
                                           {1, pD3, "", "? ( D2 != D3 )", 0}};
   EXPECT_EQ(record.Get(), expected);
   EXPECT_EQ(pE9->GetValue(NID_id), "E1");
   EXPECT_EQ(pD3->GetValue(NID_id), "D2");
   EXPECT_EQ(pD7->GetValue(NID_id), "D7");
   EXPECT_EQ(pLNodeType->GetValue(NID_id), "L5");

   record.Clear();
   EXPECT_FALSE(rules.AdjustTypeIds(pFirst.get(), pSecond.get()));
   EXPECT_TRUE(record.Get().empty());

   // The notice uses the loaded text; a side without templates contributes nothing.
   rules.SetText(DIFF_TYPENAME, "Typ anders");
   auto pThird = ReadXml(s_SecondTemplates);
   EXPECT_TRUE(rules.AdjustTypeIds(pFirst.get(), pThird.get()));
   ASSERT_EQ(record.Get().size(), 2u);
   EXPECT_EQ(record.Get()[0].text, "Typ anders ( E1 != E9 )");
   auto pEmpty = ReadXml("<SCL><Header id=\"H\"/></SCL>");
   record.Clear();
   EXPECT_FALSE(rules.AdjustTypeIds(pEmpty.get(), ReadXml(s_SecondTemplates).get()));
   EXPECT_FALSE(rules.AdjustTypeIds(ReadXml(s_SecondTemplates).get(), pEmpty.get()));
   EXPECT_FALSE(rules.AdjustTypeIds(nullptr, ReadXml(s_SecondTemplates).get()));
   EXPECT_TRUE(record.Get().empty());
}

TEST(CSmartCompareTypeIds, AttributeTypesAreAlignedBeforeTheTypesUsingThem)
{
   // D9 equals D1 only once A9 has been renamed A1.
   auto document = [](const std::string& aDO, const std::string& aDA) {
      return ReadXml("<SCL><DataTypeTemplates><DOType id=\"" + aDO +
                     "\" cdc=\"WYE\"><DA name=\"v\" bType=\"Struct\" type=\"" + aDA +
                     "\" fc=\"MX\"/></DOType><DAType id=\"" + aDA +
                     "\"><BDA name=\"x\" bType=\"BOOLEAN\"/></DAType></DataTypeTemplates></SCL>");
   };
   auto pFirst = document("D1", "A1");
   auto pSecond = document("D9", "A9");
   CSclContainer* pD9 = ElementAt(pSecond.get(), {0, 0, 0});
   CSclContainer* pA9 = ElementAt(pSecond.get(), {0, 0, 1});
   CSmartCompare rules;
   RecordCompareReports record(rules);
   EXPECT_TRUE(rules.AdjustTypeIds(pFirst.get(), pSecond.get()));
   std::vector<tCompareReport> expected = {{1, pA9, "", "? ( A1 != A9 )", 0},
                                           {1, pD9, "", "? ( D1 != D9 )", 0}};
   EXPECT_EQ(record.Get(), expected);
   record.Clear();
   EXPECT_TRUE(pFirst->SmartCompare(*pSecond, rules, true));
   EXPECT_TRUE(record.Get().empty());
}

TEST(CSmartCompare, PairsChildrenAsTheIdentityLookupDoes)
{
   // Shuffled siblings sharing identities: reported exactly as the identity lookup pairs them.
   const char* const types[] = {"a", "b", "c", ""};
   for (unsigned seed = 1; seed <= 20; ++seed) {
      SCOPED_TRACE(seed);
      unsigned state = seed;
      auto Next = [&state](unsigned aRange) {
         state = state * 1103515245u + 12345u;
         return (state >> 16) % aRange;
      };
      std::string text = "<SCL>";
      for (int i = 0; i < 12; ++i)
         text += std::string("<Private type=\"") + types[Next(4)] + "\"/>";
      text += "</SCL>";
      auto pLeft = ReadXml(text);
      auto pRight = ReadXml(text);
      CSclContainer* pLeftScl = ElementAt(pLeft.get(), {0});
      CSclContainer* pRightScl = ElementAt(pRight.get(), {0});
      for (int i = 0; i < 6; ++i)
         pRightScl->SwapChild(static_cast<int>(Next(12)), static_cast<int>(Next(12)));
      pRightScl->DeleteChild(static_cast<int>(Next(12)));
      pRightScl->CreateSclContainer(CID_Private)->SetAttribValue(NID_type, types[Next(4)]);

      std::vector<tCompareReport> expected;
      for (int i = 0; i < pLeftScl->GetChildCount(); ++i) {
         CScl* pChild = pLeftScl->GetChild(i);
         CScl* pCounterpart = pRightScl->GetChildByIdStruct(pChild->GetIdStruct());
         if (pCounterpart == nullptr)
            expected.push_back({0, pChild, "", "<MISSING>", 3});
         else if (pCounterpart->GetInstanceIndex() != pChild->GetInstanceIndex())
            expected.push_back({0, pChild, "", "<ORDER>", 7});
      }
      for (int i = 0; i < pRightScl->GetChildCount(); ++i) {
         CScl* pChild = pRightScl->GetChild(i);
         if (pLeftScl->GetChildByIdStruct(pChild->GetIdStruct()) == nullptr)
            expected.push_back({0, pChild, "", "<ADDITIONAL>", 9});
      }
      CSmartCompare rules;
      RecordCompareReports record(rules);
      EXPECT_EQ(pLeftScl->SmartCompare(*pRightScl, rules, true), expected.empty());
      EXPECT_EQ(record.Get(), expected);
   }
}
