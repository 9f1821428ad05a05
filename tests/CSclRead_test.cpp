// The element reader: typing, names, values, remarks, schema order and end tag repairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "SclDll/CSclFile.h"
#include "SclDll/CSclNameTable.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclValue.h"
#include "tests/SclTextSupport.h"
#include "tests/TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using SclTest::CaptureReports;
using SclTest::ChildElement;
using SclTest::ReadText;

namespace {

using Strings = std::vector<std::string>;

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

// ---- reference of the schema order a reader gives ----

// A child as the reference sees it: its label and its order key.
struct tPlaced {
   std::string Label;
   int32_t Key;
};

// A child in the input: markup, label and key once read, and its key when created.
struct tArrival {
   std::string Xml;
   tPlaced Child;
   int32_t CreatedKey;
};

// Kind and name (or text) of a child; an element's name is followed by its first value.
std::string Label(const CScl& aChild)
{
   if (aChild.IsClass(CID_REMARK))
      return (static_cast<const CSclRemark&>(aChild).IsCData() ? "cdata:" : "comment:") +
             aChild.GetValue();
   if (aChild.IsClass(CID_VALUE))
      return (aChild.GetNameId() == 0 ? "text:" : "@" + aChild.GetSclName() + "=") +
             aChild.GetValue();
   const CScl* pFirst = static_cast<const CSclContainer&>(aChild).GetChild(0);
   return "<" + aChild.GetSclName() + ">" +
          (pFirst != nullptr && pFirst->IsClass(CID_VALUE) ? pFirst->GetValue() : "");
}

Strings Labels(const CSclContainer& aContainer)
{
   std::vector<std::string> labels;
   for (int i = 0; i < aContainer.GetChildCount(); ++i)
      labels.push_back(Label(*aContainer.GetChild(i)));
   return labels;
}

// The children of aContainer with their current keys.
std::vector<tPlaced> Placed(const CSclContainer& aContainer)
{
   std::vector<tPlaced> list;
   for (int i = 0; i < aContainer.GetChildCount(); ++i)
      list.push_back(
          {Label(*aContainer.GetChild(i)),
           CSclSchemaInfo::GetInstance()->GetChildOrderKey(&aContainer, aContainer.GetChild(i))});
   return list;
}

// The labels after the creation sort placed aArrivals one by one behind aList: the new last
// child moves back over every child with a greater key.
Strings PlacedLabels(std::vector<tPlaced> aList, const std::vector<tArrival>& aArrivals)
{
   for (const tArrival& arrival : aArrivals) {
      size_t place = aList.size();
      while (place > 0 && aList[place - 1].Key > arrival.CreatedKey)
         --place;
      aList.insert(aList.begin() + static_cast<std::ptrdiff_t>(place), arrival.Child);
   }
   Strings labels;
   for (const tPlaced& child : aList)
      labels.push_back(child.Label);
   return labels;
}

// Random elements named from aNames (n="i" each), comments and texts, never two texts in a row.
class CArrivalMaker {
 public:
   CArrivalMaker(tSclClassId aParentClass, bool aTyped, std::vector<std::string> aNames,
                 unsigned aSeed)
       : m_pParent(m_Scratch.CreateSclContainer(aParentClass, 0)), m_Typed(aTyped),
         m_Names(std::move(aNames)), m_Random(aSeed),
         m_TextKey(KeyOf(m_pParent->CreateSclValue(tSclNameId(0), 0))),
         m_RemarkKey(KeyOf(m_pParent->CreateSclRemark(0)))
   {
   }

   std::vector<tArrival> Make(int aCount)
   {
      std::vector<tArrival> arrivals;
      std::uniform_int_distribution<size_t> pick(0, m_Names.size() + 1);
      bool afterText = false;
      while (static_cast<int>(arrivals.size()) < aCount) {
         const size_t which = pick(m_Random);
         const std::string n = std::to_string(m_Count++);
         if (which < m_Names.size())
            arrivals.push_back(Element(m_Names[which], n));
         else if (which == m_Names.size())
            arrivals.push_back({"<!--c" + n + "-->", {"comment:c" + n, m_RemarkKey}, m_RemarkKey});
         else if (!afterText)
            arrivals.push_back({"t" + n, {"text:t" + n, m_TextKey}, m_TextKey});
         else
            continue;
         afterText = arrivals.back().Xml[0] == 't';
      }
      return arrivals;
   }

   /// An element of that name: empty with n="aNumber" when a number is given, else opened.
   tArrival Element(const std::string& aName, const std::string& aNumber = std::string())
   {
      const std::pair<int32_t, int32_t> keys = ElementKeys(aName);
      const std::string tail = aNumber.empty() ? ">" : " n=\"" + aNumber + "\"/>";
      return {"<" + aName + tail, {"<" + aName + ">" + aNumber, keys.second}, keys.first};
   }

 private:
   // An object of each kind in a scratch parent of the class tells its keys.
   int32_t KeyOf(const CScl* apChild) const
   {
      return CSclSchemaInfo::GetInstance()->GetChildOrderKey(m_pParent, apChild);
   }
   // The key as created and the key once named.
   std::pair<int32_t, int32_t> ElementKeys(const std::string& aName)
   {
      auto known = m_ElementKeys.find(aName);
      if (known != m_ElementKeys.end())
         return known->second;
      std::pair<int32_t, int32_t> keys;
      const tSclClassId classId = CSclNameTable::GetClassIdOfName(aName);
      if (m_Typed && classId != CID_NONE) {
         keys.first = keys.second = KeyOf(m_pParent->CreateSclContainer(classId, 0));
      } else {
         CSclContainer* pPlain = m_pParent->CreateSclContainer(CID_CONTAINER, 0);
         keys.first = KeyOf(pPlain);
         pPlain->SetSclName(aName);
         keys.second = KeyOf(pPlain);
      }
      return m_ElementKeys[aName] = keys;
   }

   CSclContainer m_Scratch{nullptr};
   CSclContainer* m_pParent;
   bool m_Typed;
   std::vector<std::string> m_Names;
   std::mt19937 m_Random;
   int32_t m_TextKey;
   int32_t m_RemarkKey;
   std::map<std::string, std::pair<int32_t, int32_t>> m_ElementKeys;
   int m_Count = 0;
};

std::string Markup(const std::vector<tArrival>& aArrivals)
{
   std::string xml;
   for (const tArrival& arrival : aArrivals)
      xml += arrival.Xml;
   return xml;
}

const std::vector<std::string> s_SclChildNames = {
    "x", "Private", "Text", "Header", "Substation", "Communication", "IED", "DataTypeTemplates"};
const std::vector<std::string> s_BayChildNames = {
    "x", "Private", "Text", "LNode", "PowerTransformer", "ConductingEquipment", "ConnectivityNode"};

const char* const s_VoltageLevelDocument =
    "<SCL><Substation name=\"S\"><VoltageLevel name=\"V\"/></Substation></SCL>";
const char* const s_BayText = "<Bay name=\"B1\"><LNode lnClass=\"XCBR\"/></Bay>";

} // namespace

TEST(CSclRead, ElementsAreTypedInsideSclAndUnknownNamesKeptPlain)
{
   CSclFile file;
   ReadText(file, s_VoltageLevelDocument);
   CSclContainer* pLevel =
       ChildElement(ChildElement(ChildElement(&file, CID_SCL), CID_Substation), CID_VoltageLevel);
   ASSERT_NE(nullptr, pLevel);

   CaptureReports reports;
   ReadText(*pLevel, s_BayText);
   EXPECT_TRUE(reports.Get().empty()); // input ending inside the element is no error

   CSclContainer* pBay = ChildElement(pLevel, CID_Bay);
   ASSERT_NE(nullptr, pBay);
   EXPECT_EQ(CID_Bay, pBay->GetClassId());
   EXPECT_EQ((Strings{"@name=B1", "<LNode>XCBR"}), Labels(*pBay));
   CSclContainer* pNode = ChildElement(pBay, CID_LNode);
   ASSERT_NE(nullptr, pNode);
   EXPECT_EQ(CID_LNode, pNode->GetClassId());
   EXPECT_EQ("XCBR", pNode->GetValue(NID_lnClass));

   // A container with a parent, neither SCL nor below one: plain containers throughout.
   CSclContainer root(nullptr);
   CSclContainer* pHolder = root.CreateSclContainer(CID_CONTAINER, InsertLast);
   ASSERT_NE(nullptr, pHolder);
   ReadText(*pHolder, s_BayText);
   EXPECT_EQ(Strings{"<Bay>B1"}, Labels(*pHolder));
   auto* pPlain = static_cast<CSclContainer*>(pHolder->GetChild(0));
   EXPECT_EQ(CID_CONTAINER, pPlain->GetClassId());
   EXPECT_EQ((Strings{"@name=B1", "<LNode>XCBR"}), Labels(*pPlain));
   EXPECT_EQ(CID_CONTAINER, pPlain->GetChild(1)->GetClassId());

   // A free-standing root types its own children; theirs are outside SCL again.
   CSclContainer freeRoot(nullptr);
   ReadText(freeRoot, s_BayText);
   CSclContainer* pTypedBay = ChildElement(&freeRoot, CID_Bay);
   ASSERT_NE(nullptr, pTypedBay);
   ASSERT_EQ(2, pTypedBay->GetChildCount());
   EXPECT_EQ(CID_CONTAINER, pTypedBay->GetChild(1)->GetClassId());
   EXPECT_EQ("LNode", pTypedBay->GetChild(1)->GetSclName());

   CSclFile unknown;
   ReadText(unknown, "<SCL><Unknown a=\"1\" zz9Attr=\"2\"/><bay/><Unknown/></SCL>");
   CSclContainer* pScl = ChildElement(&unknown, CID_SCL);
   ASSERT_NE(nullptr, pScl);
   ASSERT_EQ(3, pScl->GetChildCount());
   const auto* pUnknown = static_cast<const CSclContainer*>(pScl->GetChild(0));
   EXPECT_EQ(CID_CONTAINER, pUnknown->GetClassId());
   EXPECT_EQ("Unknown", pUnknown->GetSclName());
   EXPECT_GT(pUnknown->GetNameId(), NID_LAST_FIXED);
   EXPECT_EQ((Strings{"@a=1", "@zz9Attr=2"}), Labels(*pUnknown));
   EXPECT_GT(pUnknown->GetChild(1)->GetNameId(), NID_LAST_FIXED);
   // Names compare case-sensitively; an unknown name keeps its id for later elements.
   EXPECT_EQ(CID_CONTAINER, pScl->GetChild(1)->GetClassId());
   EXPECT_EQ("bay", pScl->GetChild(1)->GetSclName());
   EXPECT_EQ(pUnknown->GetNameId(), pScl->GetChild(2)->GetNameId());
}

TEST(CSclRead, ValuesAreNormalisedAndRemarksKept)
{
   CSclContainer root(nullptr);
   ReadText(root, "<Val a=\"&lt;&amp;&quot;&apos;&gt; &unknown; &#x3a9;  two  blanks\">"
                  "  x   y\t\n z  &amp;amp; </Val>");
   CSclContainer* pVal = ChildElement(&root, CID_Val);
   ASSERT_NE(nullptr, pVal);
   // Attribute values keep their blanks; text runs fold every whitespace run to one blank.
   EXPECT_EQ((Strings{"@a=<&\"'> &unknown; &#x3a9;  two  blanks", "text: x y z &amp; "}),
             Labels(*pVal));
   // Reading again appends to the children there are.
   ReadText(root, "<B/>text");
   EXPECT_EQ((Strings{"<Val><&\"'> &unknown; &#x3a9;  two  blanks", "<B>", "text:text"}),
             Labels(root));

   CSclFile file;
   ReadText(file, "<?xml version=\"1.0\"?>\n<!DOCTYPE SCL>\n<!-- a\r\n b -->\n"
                  "<SCL><![CDATA[<raw> & ]]><!----></SCL>");
   EXPECT_EQ((Strings{"<?xml>1.0", "comment:!DOCTYPE SCL", "comment: a&#x0a; b ", "<SCL>"}),
             Labels(file));
   EXPECT_EQ(CID__xml, file.GetChild(0)->GetClassId());
   CSclContainer* pScl = ChildElement(&file, CID_SCL);
   ASSERT_NE(nullptr, pScl);
   EXPECT_EQ((Strings{"cdata:<raw> & ", "comment:"}), Labels(*pScl));
}

TEST(CSclRead, ChildrenTakeTheirSchemaPlace)
{
   CSclFile file;
   ReadText(file, "<SCL><Bay desc=\"d\" name=\"B\"><LNode lnClass=\"X\"/>tail<!-- c -->"
                  "<Private type=\"p\"/><Text>t</Text></Bay></SCL>");
   CSclContainer* pBay = ChildElement(ChildElement(&file, CID_SCL), CID_Bay);
   ASSERT_NE(nullptr, pBay);
   EXPECT_EQ((Strings{"@desc=d", "@name=B", "comment: c ", "<Text>t", "<Private>p", "<LNode>",
                      "text:tail"}),
             Labels(*pBay));
}

TEST(CSclRead, MissingEndTagsMoveTheChildrenUpToTheMatchingElement)
{
   CSclContainer root(nullptr);
   CaptureReports reports;
   ReadText(root, "<A><B x=\"1\"><C/>t</A><D/>");

   EXPECT_EQ((Strings{"<A>", "<D>"}), Labels(root));
   auto* pA = static_cast<CSclContainer*>(root.GetChild(0));
   // B's attribute cannot follow A's elements; B's other children follow B.
   EXPECT_EQ((Strings{"<B>", "<C>", "text:t"}), Labels(*pA));
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

   // A run of missing end tags ends at the matching element.
   CSclContainer run(nullptr);
   reports.Clear();
   ReadText(run, "<R><A a=\"1\"><B b=\"2\"><C/><D d=\"3\">x</R><E/>");

   EXPECT_EQ((Strings{"<R>", "<E>"}), Labels(run));
   auto* pR = static_cast<CSclContainer*>(run.GetChild(0));
   EXPECT_EQ((Strings{"<A>", "<B>", "<C>", "<D>", "text:x"}), Labels(*pR));
   ExpectLinked(*pR);

   // One repair per element, innermost first, each with its parent's child count then.
   std::vector<std::string> order;
   for (const std::string& line : reports.Get())
      if (line.find("Ende-Tag fehlt") != std::string::npos ||
          line.find("Zusatzinfo.") != std::string::npos)
         order.push_back(line);
   EXPECT_EQ((Strings{"Fehler: CSclContainer::Read - <D>: Ende-Tag fehlt", "   Zusatzinfo.: 3",
                      "Fehler: CSclContainer::Read - <B>: Ende-Tag fehlt", "   Zusatzinfo.: 2",
                      "Fehler: CSclContainer::Read - <A>: Ende-Tag fehlt", "   Zusatzinfo.: 1"}),
             order);
}

TEST(CSclFileRead, TopLevelOrderStrayEndTagsAndInputFreedWhileReading)
{
   CSclFile file;
   file.SetChanged(true);
   ReadText(file, "junk <?xml version='1.0'?> between <SCL/><!--c-->after");
   // Text before the first markup is dropped; the file root does not sort.
   EXPECT_EQ((Strings{"<?xml>1.0", "text: between ", "<SCL>", "comment:c", "text:after"}),
             Labels(file));
   EXPECT_FALSE(file.IsChanged());
   EXPECT_FALSE(file.IsLoading());

   // A stray end tag ends the document.
   CSclFile stray;
   CaptureReports reports;
   ReadText(stray, "<SCL/></X><Header/>");
   EXPECT_EQ((Strings{"<SCL>"}), Labels(stray));
   ASSERT_FALSE(reports.Get().empty());
   EXPECT_EQ("Fehler: CSclContainer::Read - <>: Ende-Tag fehlt", reports.Get()[0]);

   // A repair after some MiB of freed input still names its line.
   constexpr int kLines = 200000;
   std::string text = "<Doc>\n";
   for (int i = 0; i < kLines; ++i)
      text += "<P a=\"v" + std::to_string(i) + "\">t" + std::to_string(i) + "</P>\n";
   text += "<Q><R></Q>\n<P a=\"last\">end</P>\n</Doc>\n";
   const SclTest::TempFile input = SclTest::TempFile::WithBytes(text);
   CSclFile big;
   reports.Clear();
   big.Read(input.Path());

   ASSERT_EQ(1, big.GetChildCount());
   const auto* pDoc = static_cast<const CSclContainer*>(big.GetChild(0));
   ASSERT_EQ(kLines + 2, pDoc->GetChildCount());
   EXPECT_EQ("v0", static_cast<const CSclContainer*>(pDoc->GetChild(0))
                       ->GetValue(CSclNameTable::FindNameId("a")));
   EXPECT_EQ("t123456", pDoc->GetChild(123456)->GetValue());
   EXPECT_EQ("end", pDoc->GetChild(kLines + 1)->GetValue());
   EXPECT_EQ(1u, CountLine(reports.Get(), "   Zeile in XML-Datei: " + std::to_string(kLines + 2)));
}

TEST(CSclReadOrder, ReadingIntoUnsortedChildrenPlacesAsIfSortedOneByOne)
{
   CSclFile file;
   ReadText(file, "<SCL/>");
   CSclContainer* pScl = ChildElement(&file, CID_SCL);
   ASSERT_NE(nullptr, pScl);
   ASSERT_EQ(SE_OK, pScl->SetAttribValue("version", "1"));
   std::mt19937 random(3);
   const tSclClassId classes[] = {CID_IED,        CID_Private,           CID_Header,   CID_Text,
                                  CID_Substation, CID_DataTypeTemplates, CID_CONTAINER};
   for (int i = 0; i < 40; ++i) {
      const int index =
          1 + static_cast<int>(random() % static_cast<unsigned>(pScl->GetChildCount()));
      if (i % 7 == 3)
         ASSERT_NE(nullptr, pScl->CreateSclRemark(index));
      else if (i % 11 == 5)
         ASSERT_NE(nullptr, pScl->CreateSclValue(tSclNameId(0), index));
      else
         ASSERT_NE(nullptr, SclTest::Add(pScl, classes[random() % 7], {{"n", "e"}}, index));
   }
   const std::vector<tPlaced> before = Placed(*pScl);
   const std::vector<tArrival> arrivals =
       CArrivalMaker(CID_SCL, true, s_SclChildNames, 4u).Make(2000);
   ReadText(*pScl, Markup(arrivals));
   EXPECT_EQ(PlacedLabels(before, arrivals), Labels(*pScl));
   ExpectLinked(*pScl);
}

TEST(CSclReadOrder, PlainChildrenOfATypedElementPlaceByTheirKeyAsCreated)
{
   // Outside SCL a child is created plain and unnamed; later children pass it by that key.
   CSclContainer root(nullptr);
   CSclContainer* pBay = root.CreateSclContainer(CID_Bay);
   ASSERT_NE(nullptr, pBay);
   ASSERT_NE(nullptr, SclTest::Add(pBay, CID_LNode, {{"n", "l"}}, 0));
   ASSERT_NE(nullptr, SclTest::Add(pBay, CID_Private, {{"n", "p"}}, 1));
   ASSERT_NE(nullptr, SclTest::Add(pBay, CID_Text, {{"n", "t"}}, 2));
   ASSERT_NE(nullptr, pBay->CreateSclRemark(3));
   const std::vector<tPlaced> before = Placed(*pBay);
   const std::vector<tArrival> arrivals =
       CArrivalMaker(CID_Bay, false, s_BayChildNames, 5u).Make(2000);
   ReadText(*pBay, Markup(arrivals));
   EXPECT_EQ(PlacedLabels(before, arrivals), Labels(*pBay));
   ExpectLinked(*pBay);
   EXPECT_EQ(1, pBay->GetChildCount(CID_LNode)); // the one made above: read ones are plain
}

TEST(CSclReadOrder, ChildrenOfAnElementWithoutEndTagFollowItsParentsPlacedChildren)
{
   // The second SCL element is left open by the end of input and is ordered all the same.
   CArrivalMaker sclMaker(CID_SCL, true, s_SclChildNames, 6u);
   std::vector<tArrival> sclArrivals = sclMaker.Make(1000);
   sclArrivals.push_back(sclMaker.Element("Substation"));
   const std::vector<tArrival> substationArrivals =
       CArrivalMaker(CID_Substation, true,
                     {"x", "Private", "Text", "LNode", "VoltageLevel", "Function"}, 7u)
           .Make(1000);
   const std::vector<tArrival> openArrivals =
       CArrivalMaker(CID_SCL, true, s_SclChildNames, 8u).Make(500);

   CaptureReports reports;
   CSclFile file;
   ReadText(file, "<SCL>" + Markup(sclArrivals) + Markup(substationArrivals) + "</SCL><SCL>" +
                      Markup(openArrivals));
   ASSERT_EQ(2, file.GetChildCount());

   Strings expected = PlacedLabels({}, sclArrivals);
   const Strings carried = PlacedLabels({}, substationArrivals);
   expected.insert(expected.end(), carried.begin(), carried.end());
   const auto* pScl = static_cast<const CSclContainer*>(file.GetChild(0));
   const std::vector<std::string> labels = Labels(*pScl);
   EXPECT_EQ(expected, labels);
   ExpectLinked(*pScl);
   const auto substation = std::find(labels.begin(), labels.end(), "<Substation>");
   ASSERT_NE(labels.end(), substation);
   EXPECT_EQ(0, static_cast<const CSclContainer*>(
                    pScl->GetChild(static_cast<int>(substation - labels.begin())))
                    ->GetChildCount());

   EXPECT_EQ(PlacedLabels({}, openArrivals),
             Labels(*static_cast<const CSclContainer*>(file.GetChild(1))));
   EXPECT_EQ(1u, CountLine(reports.Get(), "Fehler: CSclContainer::Read - <Substation>: Ende-Tag "
                                          "fehlt"));
}

TEST(CSclReadOrder, RepairReportsLocateElementsWhereTheyStandSoFar)
{
   // The unnamed plain AccessPoint goes in front and is counted as the first of its kind.
   CaptureReports reports;
   CSclFile file;
   ReadText(file, "<IED><AccessPoint/><AccessPoint><x></y></AccessPoint></IED>");
   const std::string x = std::to_string(CSclNameTable::FindNameId("x"));
   const std::string ied = std::to_string(CID_IED);
   const std::string accessPoint =
       "(" + std::to_string(CID_CONTAINER) + "," + std::to_string(NID_AccessPoint) + ",,1)";
   EXPECT_EQ(1u,
             CountLine(reports.Get(), "      [[(" + ied + "," + ied + ",,1)" + accessPoint + "(" +
                                          std::to_string(CID_CONTAINER) + "," + x + ",,1)]]"));
   EXPECT_EQ(1u,
             CountLine(reports.Get(), "      [[(" + ied + "," + ied + ",,1)" + accessPoint + "]]"));
}
