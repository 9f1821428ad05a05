#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "SclDll/SclLib.h"
#include "SclTextSupport.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using SclTest::Add;
using SclTest::CaptureReports;

namespace {

// Class ids of the children, values as CID_VALUE.
std::vector<tSclClassId> Classes(const CSclContainer& aContainer)
{
   std::vector<tSclClassId> classes;
   for (int i = 0; i < aContainer.GetChildCount(); ++i)
      classes.push_back(aContainer.GetChild(i)->GetClassId());
   return classes;
}

// A plain element with attributes a and b and three plain child elements.
struct CTwoAttribsThreeElements {
   CSclContainer root{nullptr};
   CTwoAttribsThreeElements()
   {
      root.SetAttribValue("a", "1");
      root.SetAttribValue("b", "2");
      for (int i = 0; i < 3; ++i)
         new CSclContainer(&root, InsertLast);
   }
};

} // namespace

TEST(CSclContainerValue, AttributesEndTheirBlockAndContentIsSimpleOrMixed)
{
   CTwoAttribsThreeElements element;
   auto* pDirect = new CSclValue(&element.root, "desc", InsertLast);
   EXPECT_EQ(pDirect->GetIndex(), 2);
   CSclValue* pCreated = element.root.CreateSclValue("desc2", InsertLast);
   EXPECT_EQ(pCreated->GetIndex(), 3);
   EXPECT_TRUE(pCreated->IsAttrib());
   EXPECT_EQ(element.root.GetAttribCount(), 4);
   EXPECT_EQ(element.root.GetFirstNonAttribIndex(), 4);
   // Text goes last.
   CSclValue* pText = element.root.CreateSclValue(tSclNameId(0), InsertLast);
   EXPECT_FALSE(pText->IsAttrib());
   EXPECT_EQ(pText->GetIndex(), element.root.GetChildCount() - 1);

   CSclContainer root(nullptr);
   EXPECT_EQ(root.GetValue(), "");
   EXPECT_EQ(root.SetValue("x"), SE_VALUE_SET); // no text child to set

   root.SetAttribValue("type", "T");
   root.CreateSclRemark()->SetValue("comment");
   root.CreateSclValue(tSclNameId(0))->SetValue("abc");
   EXPECT_EQ(root.GetValue(), "abc"); // attributes and remarks do not count
   EXPECT_EQ(root.SetValue("xyz"), SE_OK);
   EXPECT_EQ(root.GetValue(), "xyz");
   EXPECT_EQ(root.GetValue(tSclNameId(0)), "xyz");
   EXPECT_EQ(root.GetValue(NID_type), "T");
   EXPECT_EQ(root.GetValue(NID_desc), "");

   new CSclContainer(&root, InsertLast);
   EXPECT_EQ(root.GetValue(), "<<mixed>> xyz <<...>>");
   EXPECT_EQ(root.SetValue("new"), SE_VALUE_SET);
   EXPECT_EQ(root.GetValue(tSclNameId(0)), "xyz");

   // SetAttribValue creates or replaces; a child element of that name is no attribute.
   CSclContainer* pChild = Add(&root, CID_Bay);
   EXPECT_EQ(root.SetAttribValue("name", "B1"), SE_OK);
   EXPECT_EQ(root.SetAttribValue(NID_desc, "d"), SE_OK);
   EXPECT_EQ(root.SetAttribValue("name", "B2"), SE_OK);
   EXPECT_EQ(root.GetAttribCount(), 3);
   EXPECT_EQ(root.GetChild(1)->GetNameId(), NID_name);
   EXPECT_EQ(root.GetChild(2)->GetNameId(), NID_desc);
   EXPECT_EQ(root.GetValue(NID_name), "B2");
   EXPECT_EQ(root.SetAttribValue("Bay", "x"), SE_WRONG_TYPE);
   EXPECT_EQ(pChild->GetChildCount(), 0);
}

TEST(CSclContainer, RefusedIndexesAreReportedAndChangeNothing)
{
   CTwoAttribsThreeElements element;
   CSclContainer& root = element.root;
   CSclContainer orphan(nullptr);
   CSclValue attrib(nullptr, "c", 0);
   const std::string insert = "Fehler: CSclContainer::InsertChild - aIndex ";
   const std::string tooLarge = "Fehler: CSclContainer::DeleteChild - Index zu gro\xDF";
   const std::string swap = "Fehler: CSclContainer::SwapChild - ";
   const struct {
      std::function<tSclError()> call;
      tSclError error;
      std::string line;
      const char* info; // the "Zusatzinfo." line, when checked
   } cases[] = {
       {[&] { return root.InsertChild(&orphan, 1); }, SE_VALUE,
        insert + "f\xFCr nicht-Attribut zu klein", "1"},
       {[&] { return root.InsertChild(&attrib, 3); }, SE_VALUE,
        insert + "f\xFCr Attribut zu gro\xDF", nullptr},
       {[&] { return root.InsertChild(&attrib, 6); }, SE_VALUE, insert + "zu gro\xDF", nullptr},
       {[&] { return root.InsertChild(&attrib, -2); }, SE_VALUE, insert + "kleiner 0", nullptr},
       // Deleting tests the upper bound first: a negative index counts as too large.
       {[&] { return root.DeleteChild(-1); }, SE_VALUE, tooLarge, "-1"},
       {[&] { return root.DeleteChild(5); }, SE_VALUE, tooLarge, nullptr},
       {[&] { return root.SwapChild(0, 2); }, SE_OTHER,
        swap + "vertauschen von Attribut mit nicht-Attribut unzul\xE4ssig", nullptr},
       {[&] { return root.SwapChild(2, 5); }, SE_VALUE, swap + "ein Index ist falsch", nullptr},
   };
   std::vector<const CScl*> children;
   for (int i = 0; i < root.GetChildCount(); ++i)
      children.push_back(root.GetChild(i));
   for (const auto& c : cases) {
      CaptureReports capture;
      EXPECT_EQ(c.call(), c.error) << c.line;
      ASSERT_GE(capture.Get().size(), 5u) << c.line;
      EXPECT_EQ(capture.Get()[0], c.line);
      if (c.info != nullptr) {
         EXPECT_EQ(capture.Get()[4], std::string("   Zusatzinfo.: ") + c.info);
      }
      for (int i = 0; i < root.GetChildCount(); ++i)
         EXPECT_EQ(root.GetChild(i), children.at(static_cast<size_t>(i))) << c.line;
   }
   EXPECT_EQ(root.GetChildCount(), 5);

   // An object built directly with a refused index stays a root, owned by its creator.
   auto pRefused = std::make_unique<CSclValue>(&root, "c", 9);
   EXPECT_EQ(pRefused->GetParent(), nullptr);
   EXPECT_EQ(pRefused->GetLevel(), 0);
   // The factories destroy what the list refused and give null.
   EXPECT_EQ(root.CreateSclContainer(CID_Bay, 0), nullptr);
   EXPECT_EQ(root.CreateSclValue("c", 5), nullptr);
   EXPECT_EQ(root.CreateSclRemark(9), nullptr);
   EXPECT_EQ(root.GetChildCount(), 5);
   // Text may stand at the end of the attribute block, elements at the end of the list.
   EXPECT_NE(root.CreateSclValue(tSclNameId(0), 2), nullptr);
   EXPECT_NE(root.CreateSclContainer(CID_Bay, 6), nullptr);

   // A foreign object is not found, silently.
   CSclContainer other(nullptr);
   CSclRemark* pForeign = other.CreateSclRemark();
   CaptureReports capture;
   EXPECT_EQ(root.DeleteChild(pForeign), SE_DATA_NOT_FOUND);
   EXPECT_TRUE(capture.Get().empty());
   EXPECT_EQ(other.GetChildCount(), 1);
}

TEST(CSclContainer, DeletedChildrenLeaveNoGapsAndSwapsKeepTheBlocks)
{
   CSclContainer root(nullptr);
   CSclContainer* pFirst = Add(&root, CID_Bay, {{"name", "A"}});
   CSclContainer* pSecond = Add(&root, CID_Bay, {{"name", "B"}});
   CSclContainer* pThird = Add(&root, CID_Bay, {{"name", "C"}});
   Add(pSecond, CID_LNode);

   delete pSecond; // directly, not through the parent
   ASSERT_EQ(root.GetChildCount(), 2);
   EXPECT_EQ(root.GetChild(0), pFirst);
   EXPECT_EQ(root.GetChild(1), pThird);
   EXPECT_EQ(pThird->GetIndex(), 1);

   EXPECT_EQ(root.DeleteChild(pFirst), SE_OK);
   EXPECT_EQ(root.GetChild(0), pThird);
   root.DeleteChildren();
   EXPECT_EQ(root.GetChildCount(), 0);

   CTwoAttribsThreeElements element;
   CScl* pAttrib = element.root.GetChild(0);
   CScl* pElement = element.root.GetChild(2);
   EXPECT_EQ(element.root.SwapChild(1, 0), SE_OK);
   EXPECT_EQ(element.root.GetChild(1), pAttrib);
   EXPECT_EQ(element.root.SwapChild(4, 2), SE_OK);
   EXPECT_EQ(element.root.GetChild(4), pElement);
}

TEST(CSclContainerLookup, ByClassNameIdAndInstance)
{
   CSclContainer root(nullptr);
   root.SetAttribValue("inst", "LD1");
   CSclContainer* pLn0 = Add(&root, CID_LN0, {{"inst", ""}});
   CSclContainer* pLn1 = Add(&root, CID_LN, {{"lnClass", "PTOC"}, {"inst", "1"}});
   CSclContainer* pLn2 = Add(&root, CID_LN, {{"prefix", "Q"}, {"lnClass", "XCBR"}, {"inst", "2"}});

   EXPECT_EQ(root.GetChildCount(CID_LNBase), 3);
   EXPECT_EQ(root.GetChildCount(CID_LN), 2);
   EXPECT_EQ(root.GetChildCount(CID_VALUE), 1);
   EXPECT_EQ(root.GetChild(CID_LN), pLn1);
   EXPECT_EQ(root.GetChild(CID_LNBase), pLn0);
   EXPECT_EQ(root.GetChild(CID_CONTAINER, 0), nullptr); // index 0 is the attribute
   EXPECT_EQ(root.GetChild(CID_CONTAINER, 1), pLn0);
   EXPECT_EQ(root.GetChild(-1), nullptr);
   EXPECT_EQ(root.GetChild(4), nullptr);
   EXPECT_EQ(root.GetChildById(CID_LN, "QXCBR2"), pLn2);
   EXPECT_EQ(root.GetChildById(CID_LNBase, "LLN0"), pLn0);
   EXPECT_EQ(root.GetChildById(CID_LN, "LLN0"), nullptr);
   EXPECT_EQ(root.GetChildByInstanceIndex(CID_LN, 1), pLn2);
   EXPECT_EQ(root.GetChildByInstanceIndex(CID_LNBase, 0), nullptr); // exact class only
   EXPECT_EQ(root.GetChildByNameId(NID_inst), root.GetChild(0));
   EXPECT_EQ(root.GetChildByNameId("LN"), pLn1);
   EXPECT_EQ(root.GetChildByNameId("ContainerTest-unknown"), nullptr);
   EXPECT_EQ(CSclNameTable::FindNameId("ContainerTest-unknown"), 0);
   EXPECT_EQ(root.GetChildByNameId(tSclNameId(0)), nullptr);
   EXPECT_EQ(root.GetChildByNameId(CID_LNBase, NID_LN), pLn1);
   EXPECT_EQ(root.GetChildByNameId(CID_VALUE, NID_LN), nullptr);
}

TEST(CSclContainerLookup, ForEachChildIsDepthFirstAndStops)
{
   CSclContainer root(nullptr);
   CSclContainer* pBay = Add(&root, CID_Bay, {{"name", "B"}});
   CSclContainer* pLNode = Add(pBay, CID_LNode);
   CSclContainer* pSecond = Add(&root, CID_Bay);
   std::vector<const CScl*> seen;
   auto walk = [&](const CScl* apStop) {
      seen.clear();
      return root.ForEachChild(
          [&](CScl* apScl) { return seen.push_back(apScl), apScl == apStop ? 7 : 0; });
   };
   EXPECT_EQ(walk(nullptr), 0);
   EXPECT_EQ(seen, (std::vector<const CScl*>{pBay, pBay->GetChild(0), pLNode, pSecond}));
   EXPECT_EQ(walk(pLNode), 7);
   EXPECT_EQ(seen.size(), 3u);
}

TEST(CSclContainerCopy, DeepCopyInSchemaOrderOfElementsOnly)
{
   CSclContainer source(nullptr);
   CSclContainer* pBay = Add(&source, CID_Bay, {{"name", "B1"}, {"desc", "bay"}});
   Add(pBay, CID_LNode, {{"lnClass", "XCBR"}});
   pBay->CreateSclRemark()->SetValue("note");
   Add(pBay, CID_Private, {{"type", "P"}});

   CSclContainer target(nullptr);
   ASSERT_EQ(target.Copy(source), SE_OK);
   auto* pCopy = static_cast<CSclContainer*>(target.GetChild(0));
   ASSERT_NE(pCopy, nullptr);
   EXPECT_TRUE(pCopy->ContentCompare(*pBay)); // class, attributes and children alike
   EXPECT_TRUE(target.ContentCompare(source));
   EXPECT_NE(pCopy->GetChild(CID_LNode), pBay->GetChild(CID_LNode));
   EXPECT_EQ(target.GetChildCount(), 1);
   ASSERT_EQ(target.Copy(source), SE_OK); // a second copy appends
   EXPECT_EQ(target.GetChildCount(), 2);

   // Copying appends; the text of an element lands right after its attributes.
   CSclContainer text(nullptr);
   Add(&text, CID_Private);
   text.CreateSclValue(tSclNameId(0))->SetValue("t");
   text.SetAttribValue("type", "X");
   CSclContainer textCopy(nullptr);
   Add(&textCopy, CID_Text);
   ASSERT_EQ(textCopy.Copy(text), SE_OK);
   EXPECT_EQ(Classes(textCopy),
             (std::vector<tSclClassId>{CID_VALUE, CID_VALUE, CID_Text, CID_Private}));
   EXPECT_EQ(textCopy.GetChild(1)->GetNameId(), 0);
   EXPECT_EQ(textCopy.GetValue(), "<<mixed>> t <<...>>");

   CaptureReports capture;
   EXPECT_EQ(textCopy.Copy(*textCopy.GetChild(0)), SE_WRONG_TYPE);
   EXPECT_EQ(capture.Get().at(0), "Fehler: CSclContainer::Copy - Aufruf mit falschem Datentyp");
   EXPECT_EQ(capture.Get().at(4), "   Zusatzinfo.: 4");
}

TEST(CSclContainerCheck, NamesAgainstTheSchema)
{
   CSclFile file;
   CSclContainer* pScl = Add(&file, CID_SCL);
   CSclContainer* pSubstation = Add(pScl, CID_Substation, {{"name", "S"}});
   CSclContainer* pLevel = Add(pSubstation, CID_VoltageLevel, {{"name", "V"}});
   CSclContainer* pBay = Add(pLevel, CID_Bay, {{"name", "B"}});
   pBay->CreateSclRemark();
   EXPECT_EQ(pSubstation->Check(3), SE_OK);
   // The file root has no schema rows, so the SCL element fails the name test below it.
   EXPECT_EQ(pScl->Check(2), SE_NAME);
   EXPECT_EQ(pScl->Check(1), SE_OK);

   pBay->SetAttribValue("CheckTest-attribute", "x");
   EXPECT_EQ(pBay->Check(3), SE_NAME);
   EXPECT_EQ(pSubstation->Check(3), SE_NAME);
   EXPECT_EQ(file.Check(1), SE_OK);  // without flag 2 names are not tested
   EXPECT_EQ(pBay->Check(2), SE_OK); // the bay's own name is fine

   CSclContainer* pWrong = Add(pScl, CID_Bay);
   EXPECT_EQ(pWrong->Check(2), SE_NAME);
   CSclContainer root(nullptr); // no parent: nothing to test against
   EXPECT_EQ(root.Check(2), SE_OK);
}

TEST(CSclContainerSort, SchemaOrderStableAttributesAndTheFileRoot)
{
   CSclContainer root(nullptr);
   CSclContainer* pBay = Add(&root, CID_Bay);
   // Appended at explicit indexes, so nothing sorts them on creation.
   Add(pBay, CID_ConnectivityNode, {}, 0);
   Add(pBay, CID_LNode, {{"lnClass", "B"}}, 1);
   Add(pBay, CID_Private, {}, 2);
   Add(pBay, CID_LNode, {{"lnClass", "A"}}, 3);
   pBay->CreateSclValue(tSclNameId(0), 4);
   pBay->CreateSclRemark(5);
   Add(pBay, CID_Text, {}, 6);
   pBay->SetAttribValue("name", "B");
   pBay->SetAttribValue("desc", "d");

   EXPECT_TRUE(root.Sort(true, false, false));
   EXPECT_EQ(Classes(*pBay),
             (std::vector<tSclClassId>{CID_VALUE, CID_VALUE, CID_REMARK, CID_Text, CID_Private,
                                       CID_LNode, CID_LNode, CID_ConnectivityNode, CID_VALUE}));
   EXPECT_EQ(static_cast<CSclContainer*>(pBay->GetChild(5))->GetValue(NID_lnClass), "B");
   EXPECT_EQ(pBay->GetChild(0)->GetNameId(), NID_name);
   EXPECT_FALSE(root.Sort(true, false, false));
   // Attributes by name id: desc (151) before name (180).
   EXPECT_TRUE(pBay->Sort(false, false, true));
   EXPECT_EQ(pBay->GetChild(0)->GetNameId(), NID_desc);

   CSclFile file;
   CSclContainer* pScl = Add(&file, CID_SCL);
   file.CreateSclRemark(); // a remark after the SCL element stays there
   Add(pScl, CID_IED, {}, 0);
   Add(pScl, CID_Header, {}, 1);
   EXPECT_TRUE(file.Sort(true, false, false));
   EXPECT_EQ(Classes(file), (std::vector<tSclClassId>{CID_SCL, CID_REMARK}));
   EXPECT_EQ(Classes(*pScl), (std::vector<tSclClassId>{CID_Header, CID_IED}));
}

TEST(CSclContainerFactory, InsertLastPlacesByOrderKey)
{
   CSclContainer root(nullptr);
   CSclContainer* pScl = Add(&root, CID_SCL);
   Add(pScl, CID_Text);
   Add(pScl, CID_Private);
   Add(pScl, CID_Substation);
   Add(pScl, CID_IED);
   CSclContainer* pHeader = Add(pScl, CID_Header);
   EXPECT_EQ(pHeader->GetIndex(), 2);
   // A new Private lands after the existing Private and before the Header.
   EXPECT_EQ(Add(pScl, CID_Private)->GetIndex(), 2);
   // An explicit index wins over the schema order.
   EXPECT_EQ(Add(pScl, CID_Text, {}, 6)->GetIndex(), 6);
   EXPECT_EQ(Classes(*pScl),
             (std::vector<tSclClassId>{CID_Text, CID_Private, CID_Private, CID_Header,
                                       CID_Substation, CID_IED, CID_Text}));
   // Simple sorting moves only the last child: the misplaced Text before it stays.
   Add(pScl, CID_DataTypeTemplates);
   EXPECT_EQ(pScl->GetChild(6)->GetClassId(), CID_Text);
   EXPECT_EQ(pScl->GetChild(7)->GetClassId(), CID_DataTypeTemplates);
}
