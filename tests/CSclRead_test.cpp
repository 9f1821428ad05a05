// The element reader: typed and plain children, names, values, remarks, schema order,
// the repair of missing end tags, and the file root's start and end.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SclDll/CSclFile.h"
#include "SclDll/CSclNameTable.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclValue.h"
#include "tests/SclTextSupport.h"
#include "tests/TestSupport.h"

using namespace Arvenko::Melvotar::Scl;

namespace {

// Kind and name (or text) of every child, for comparing whole lists at once.
std::vector<std::string> Describe(const CSclContainer& aContainer)
{
   std::vector<std::string> items;
   for (int i = 0; i < aContainer.GetChildCount(); ++i) {
      const CScl* pChild = aContainer.GetChild(i);
      if (pChild->IsClass(CID_REMARK))
         items.push_back(std::string(static_cast<const CSclRemark*>(pChild)->IsCData()
                                         ? "cdata:"
                                         : "comment:") +
                         pChild->GetValue());
      else if (pChild->IsClass(CID_VALUE) && pChild->GetNameId() == 0)
         items.push_back("text:" + pChild->GetValue());
      else if (pChild->IsClass(CID_VALUE))
         items.push_back("@" + pChild->GetSclName() + "=" + pChild->GetValue());
      else
         items.push_back("<" + pChild->GetSclName() + ">");
   }
   return items;
}

// Every child names aContainer as its parent and finds itself at its place.
void ExpectLinked(const CSclContainer& aContainer)
{
   for (int i = 0; i < aContainer.GetChildCount(); ++i) {
      EXPECT_EQ(&aContainer, aContainer.GetChild(i)->GetParent());
      EXPECT_EQ(i, aContainer.GetChild(i)->GetIndex());
   }
}

size_t CountLine(const std::vector<std::string>& aLines, const std::string& aLine)
{
   return static_cast<size_t>(std::count(aLines.begin(), aLines.end(), aLine));
}

const char* const s_VoltageLevelDocument =
    "<SCL><Substation name=\"S\"><VoltageLevel name=\"V\"/></Substation></SCL>";
const char* const s_BayText = "<Bay name=\"B1\"><LNode lnClass=\"XCBR\"/></Bay>";

} // namespace

TEST(CSclRead, ElementsInsideSclAreTyped)
{
   CSclFile file;
   SclTest::ReadText(file, s_VoltageLevelDocument);
   CSclContainer* pLevel = SclTest::ChildElement(
       SclTest::ChildElement(SclTest::ChildElement(&file, CID_SCL), CID_Substation),
       CID_VoltageLevel);
   ASSERT_NE(nullptr, pLevel);

   SclTest::CaptureReports reports;
   SclTest::ReadText(*pLevel, s_BayText);
   EXPECT_TRUE(reports.Get().empty()); // input ending inside the element is no error

   CSclContainer* pBay = SclTest::ChildElement(pLevel, CID_Bay);
   ASSERT_NE(nullptr, pBay);
   EXPECT_EQ(CID_Bay, pBay->GetClassId());
   EXPECT_EQ((std::vector<std::string>{"@name=B1", "<LNode>"}), Describe(*pBay));
   CSclContainer* pNode = SclTest::ChildElement(pBay, CID_LNode);
   ASSERT_NE(nullptr, pNode);
   EXPECT_EQ(CID_LNode, pNode->GetClassId());
   EXPECT_EQ("XCBR", pNode->GetValue(NID_lnClass));
}

TEST(CSclRead, ElementsOutsideSclArePlainBelowTheRootLevel)
{
   // A container with a parent, neither SCL nor below one: plain containers throughout.
   CSclContainer root(nullptr);
   CSclContainer* pHolder = root.CreateSclContainer(CID_CONTAINER, InsertLast);
   ASSERT_NE(nullptr, pHolder);
   SclTest::ReadText(*pHolder, s_BayText);
   auto* pBay = static_cast<CSclContainer*>(pHolder->GetChild(0));
   ASSERT_NE(nullptr, pBay);
   EXPECT_EQ(CID_CONTAINER, pBay->GetClassId());
   EXPECT_EQ("Bay", pBay->GetSclName());
   ASSERT_EQ(2, pBay->GetChildCount());
   EXPECT_EQ(CID_CONTAINER, pBay->GetChild(1)->GetClassId());
   EXPECT_EQ("LNode", pBay->GetChild(1)->GetSclName());

   // A free-standing root types its own children; theirs are outside SCL again.
   CSclContainer freeRoot(nullptr);
   SclTest::ReadText(freeRoot, s_BayText);
   CSclContainer* pTypedBay = SclTest::ChildElement(&freeRoot, CID_Bay);
   ASSERT_NE(nullptr, pTypedBay);
   ASSERT_EQ(2, pTypedBay->GetChildCount());
   EXPECT_EQ(CID_CONTAINER, pTypedBay->GetChild(1)->GetClassId());
   EXPECT_EQ("LNode", pTypedBay->GetChild(1)->GetSclName());
}

TEST(CSclRead, UnknownNamesAreRegisteredAndKept)
{
   CSclFile file;
   SclTest::ReadText(file, "<SCL><Unknown a=\"1\" zz9Attr=\"2\"/><bay/><Unknown/></SCL>");
   CSclContainer* pScl = SclTest::ChildElement(&file, CID_SCL);
   ASSERT_NE(nullptr, pScl);
   ASSERT_EQ(3, pScl->GetChildCount());
   const auto* pUnknown = static_cast<const CSclContainer*>(pScl->GetChild(0));
   EXPECT_EQ(CID_CONTAINER, pUnknown->GetClassId());
   EXPECT_EQ("Unknown", pUnknown->GetSclName());
   EXPECT_GT(pUnknown->GetNameId(), NID_LAST_FIXED);
   EXPECT_EQ((std::vector<std::string>{"@a=1", "@zz9Attr=2"}), Describe(*pUnknown));
   EXPECT_GT(pUnknown->GetChild(1)->GetNameId(), NID_LAST_FIXED);
   // Names compare case-sensitively; an unknown name keeps its id for later elements.
   EXPECT_EQ(CID_CONTAINER, pScl->GetChild(1)->GetClassId());
   EXPECT_EQ("bay", pScl->GetChild(1)->GetSclName());
   EXPECT_EQ(pUnknown->GetNameId(), pScl->GetChild(2)->GetNameId());
}

TEST(CSclRead, ValuesAreNormalisedAndDecoded)
{
   CSclContainer root(nullptr);
   SclTest::ReadText(root, "<Val a=\"&lt;&amp;&quot;&apos;&gt; &unknown; &#x3a9;  two  blanks\">"
                           "  x   y\t\n z  &amp;amp; </Val>");
   CSclContainer* pVal = SclTest::ChildElement(&root, CID_Val);
   ASSERT_NE(nullptr, pVal);
   // Attribute values keep their blanks; text runs fold every whitespace run to one blank.
   EXPECT_EQ(
       (std::vector<std::string>{"@a=<&\"'> &unknown; &#x3a9;  two  blanks", "text: x y z &amp; "}),
       Describe(*pVal));
}

TEST(CSclRead, RemarksKeepCommentsCDataAndDeclarations)
{
   CSclFile file;
   SclTest::ReadText(file, "<?xml version=\"1.0\"?>\n<!DOCTYPE SCL>\n<!-- a\r\n b -->\n"
                           "<SCL><![CDATA[<raw> & ]]><!----></SCL>");
   EXPECT_EQ(
       (std::vector<std::string>{"<?xml>", "comment:!DOCTYPE SCL", "comment: a&#x0a; b ", "<SCL>"}),
       Describe(file));
   EXPECT_EQ(CID__xml, file.GetChild(0)->GetClassId());
   CSclContainer* pScl = SclTest::ChildElement(&file, CID_SCL);
   ASSERT_NE(nullptr, pScl);
   EXPECT_EQ((std::vector<std::string>{"cdata:<raw> & ", "comment:"}), Describe(*pScl));
}

TEST(CSclRead, ChildrenTakeTheirSchemaPlace)
{
   CSclFile file;
   SclTest::ReadText(file, "<SCL><Bay desc=\"d\" name=\"B\"><LNode lnClass=\"X\"/>tail<!-- c -->"
                           "<Private type=\"p\"/><Text>t</Text></Bay></SCL>");
   CSclContainer* pBay = SclTest::ChildElement(SclTest::ChildElement(&file, CID_SCL), CID_Bay);
   ASSERT_NE(nullptr, pBay);
   // Attributes in read order, then remarks, elements in schema sequence, text last.
   EXPECT_EQ((std::vector<std::string>{"@desc=d", "@name=B", "comment: c ", "<Text>", "<Private>",
                                       "<LNode>", "text:tail"}),
             Describe(*pBay));
}

TEST(CSclRead, ReadingAppendsToExistingChildren)
{
   CSclContainer root(nullptr);
   SclTest::ReadText(root, "<A/>");
   SclTest::ReadText(root, "<B/>text");
   EXPECT_EQ((std::vector<std::string>{"<A>", "<B>", "text:text"}), Describe(root));
}

TEST(CSclRead, MissingEndTagMovesTheChildrenUp)
{
   CSclContainer root(nullptr);
   SclTest::CaptureReports reports;
   SclTest::ReadText(root, "<A><B x=\"1\"><C/>t</A><D/>");

   EXPECT_EQ((std::vector<std::string>{"<A>", "<D>"}), Describe(root));
   auto* pA = static_cast<CSclContainer*>(root.GetChild(0));
   // B's attribute cannot follow A's elements; B's other children follow B.
   EXPECT_EQ((std::vector<std::string>{"<B>", "<C>", "text:t"}), Describe(*pA));
   EXPECT_EQ(0, static_cast<CSclContainer*>(pA->GetChild(0))->GetChildCount());
   ExpectLinked(*pA);

   const std::vector<std::string>& lines = reports.Get();
   ASSERT_GE(lines.size(), 2u);
   EXPECT_EQ("Fehler: CSclContainer::Read - <B>: Ende-Tag fehlt", lines[0]);
   EXPECT_EQ("   Fehlercode: XML-Struktur fehlerhaft", lines[1]);
   EXPECT_EQ(1u, CountLine(lines, "   Ort in SCL-Datei: B"));
   EXPECT_EQ(1u, CountLine(lines, "CSclContainer::Read - Fehler in XML-Datei"));
   EXPECT_EQ(1u, CountLine(lines, "   Zeile in XML-Datei: 1"));
   EXPECT_EQ(1u, CountLine(lines, "Fehler: CSclContainer::InsertChild - aIndex f\xFCr Attribut zu "
                                  "gro\xDF"));
   EXPECT_EQ(1u, CountLine(lines, "   Zusatzinfo.: 1")); // A's child count at the time
}

TEST(CSclRead, RunOfMissingEndTagsEndsAtTheMatchingElement)
{
   CSclContainer root(nullptr);
   SclTest::CaptureReports reports;
   SclTest::ReadText(root, "<R><A a=\"1\"><B b=\"2\"><C/><D d=\"3\">x</R><E/>");

   EXPECT_EQ((std::vector<std::string>{"<R>", "<E>"}), Describe(root));
   auto* pR = static_cast<CSclContainer*>(root.GetChild(0));
   EXPECT_EQ((std::vector<std::string>{"<A>", "<B>", "<C>", "<D>", "text:x"}), Describe(*pR));
   ExpectLinked(*pR);

   // One repair per element, innermost first; each refused attribute names the child count
   // its parent had at that moment.
   std::vector<std::string> order;
   for (const std::string& line : reports.Get())
      if (line.find("Ende-Tag fehlt") != std::string::npos ||
          line.find("Zusatzinfo.") != std::string::npos)
         order.push_back(line);
   EXPECT_EQ((std::vector<std::string>{
                 "Fehler: CSclContainer::Read - <D>: Ende-Tag fehlt", "   Zusatzinfo.: 3",
                 "Fehler: CSclContainer::Read - <B>: Ende-Tag fehlt", "   Zusatzinfo.: 2",
                 "Fehler: CSclContainer::Read - <A>: Ende-Tag fehlt", "   Zusatzinfo.: 1"}),
             order);
}

TEST(CSclRead, DeepNestingNeedsNoCallStack)
{
   // As deep as the reader nests (its level limit counts from the root at level 0).
   const int depth = SCL_MAX_READ_LEVEL;
   std::string text;
   for (int i = 0; i < depth; ++i)
      text += "<a>";
   CSclContainer root(nullptr);
   SclTest::ReadText(root, text);
   const CSclContainer* pLevel = &root;
   int levels = 0;
   while (pLevel->GetChildCount() == 1) {
      pLevel = static_cast<const CSclContainer*>(pLevel->GetChild(0));
      ++levels;
   }
   EXPECT_EQ(depth, levels);

   // The same elements without their end tags, closed by a foreign one at the file level:
   // every element is repaired, and all end up side by side under the root.
   CSclFile file;
   SclTest::ReadText(file, text + "</b>");
   ASSERT_EQ(depth, file.GetChildCount());
   EXPECT_EQ(0, static_cast<const CSclContainer*>(file.GetChild(depth - 1))->GetChildCount());
   EXPECT_EQ(&file, file.GetChild(depth - 1)->GetParent());
}

TEST(CSclFileRead, TopLevelItemsKeepTheirOrderAndTheFlagsEndCleared)
{
   CSclFile file;
   file.SetChanged(true);
   SclTest::ReadText(file, "junk <?xml version='1.0'?> between <SCL/><!--c-->after");
   // Text before the first markup is dropped; the file root does not sort.
   EXPECT_EQ(
       (std::vector<std::string>{"<?xml>", "text: between ", "<SCL>", "comment:c", "text:after"}),
       Describe(file));
   EXPECT_FALSE(file.IsChanged());
   EXPECT_FALSE(file.IsLoading());
}

TEST(CSclFileRead, StrayEndTagEndsTheDocument)
{
   CSclFile file;
   SclTest::CaptureReports reports;
   SclTest::ReadText(file, "<SCL/></X><Header/>");
   EXPECT_EQ((std::vector<std::string>{"<SCL>"}), Describe(file));
   ASSERT_FALSE(reports.Get().empty());
   EXPECT_EQ("Fehler: CSclContainer::Read - <>: Ende-Tag fehlt", reports.Get()[0]);
}
