#include <gtest/gtest.h>

#include <vector>

#include "SclDll/SclLib.h"
#include "SclTextSupport.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using Lines = std::vector<std::string>;
using SclTest::Add;

namespace {

// SCL > Header, IED E1 > AccessPoint AP1 > Server > LDevice LD1 > LN0, templates > EnumType E7.
struct CTree {
   CSclFile file;
   CSclContainer* pScl = Add(&file, CID_SCL);
   CSclContainer* pHeader = Add(pScl, CID_Header, {{"id", "H"}});
   CSclContainer* pIed = Add(pScl, CID_IED, {{"name", "E1"}});
   CSclContainer* pAp = Add(pIed, CID_AccessPoint, {{"name", "AP1"}});
   CSclContainer* pServer = Add(pAp, CID_Server);
   CSclContainer* pLd = Add(pServer, CID_LDevice, {{"inst", "LD1"}});
   CSclContainer* pLn0 = Add(pLd, CID_LN0, {{"inst", ""}});
   CSclContainer* pTemplates = Add(pScl, CID_DataTypeTemplates);
   CSclContainer* pEnum = Add(pTemplates, CID_EnumType, {{"id", "E7"}});
};

} // namespace

TEST(CScl, LevelsAncestorsIdNamesPathsAndReportedPlaces)
{
   CSclContainer root(nullptr);
   EXPECT_EQ(root.GetLevel(), 0);
   EXPECT_EQ(root.GetIndex(), -1);
   EXPECT_EQ(root.GetInstanceIndex(), -1);
   EXPECT_EQ(root.GetIdStruct().Count, 0);
   EXPECT_EQ(root.GetIdStructPath(), "");
   EXPECT_EQ(root.GetSclFile(), nullptr);
   EXPECT_EQ(root.GetNext(0, 255), nullptr);
   CTree tree;
   EXPECT_EQ(tree.file.GetLevel(), 0);
   EXPECT_EQ(tree.pScl->GetLevel(), 1);
   EXPECT_EQ(tree.pLn0->GetLevel(), 6);
   EXPECT_EQ(tree.pLn0->GetSclFile(), &tree.file);
   EXPECT_EQ(tree.file.GetSclFile(), &tree.file);
   EXPECT_EQ(tree.pLn0->GetParent(CID_IED), tree.pIed);
   EXPECT_EQ(tree.pLn0->GetParent(CID_LDevice), tree.pLd); // the direct parent counts
   EXPECT_EQ(tree.pLn0->GetParent(CID_DataTypeTemplates), nullptr);
   EXPECT_TRUE(tree.pLn0->IsElementOf(tree.pIed));
   EXPECT_FALSE(tree.pLn0->IsElementOf(tree.pLn0));
   EXPECT_FALSE(tree.pLn0->IsElementOf(tree.pTemplates));

   EXPECT_EQ(tree.pIed->GetIdName(), "IED[E1]");
   EXPECT_EQ(tree.pServer->GetIdName(), "Server");
   EXPECT_EQ(tree.pLn0->GetIdName(), "LN0[LLN0]");
   EXPECT_EQ(tree.pIed->GetChild(0)->GetIdName(), "name");
   EXPECT_EQ(tree.pLd->GetIdPath(), "E1.AP1.LD1");
   EXPECT_EQ(tree.pEnum->GetIdPath(), ".E7"); // below an element without id at level 2
   EXPECT_EQ(tree.pEnum->GetIdNamePath(), "DataTypeTemplates.EnumType[E7]");
   // The file root and the SCL element contribute nothing.
   EXPECT_EQ(tree.pScl->GetIdNamePath(), "");
   EXPECT_EQ(tree.pScl->GetIdPath(), "");
   EXPECT_EQ(tree.pIed->GetIdNamePath(), "IED[E1]");

   CSclValue* pText = tree.pHeader->CreateSclValue(tSclNameId(0));
   EXPECT_EQ(pText->GetIdName(), "");
   EXPECT_EQ(pText->GetIdNamePath(), "Header[H].");

   SclTest::CaptureReports capture;
   OutputSclError("CSclContainer::DeleteChild - Index zu gro\xDF", SE_VALUE, tree.pLd, 7);
   EXPECT_EQ(capture.Get(),
             (Lines{"Fehler: CSclContainer::DeleteChild - Index zu gro\xDF",
                    "   Fehlercode: Wert unzul\xE4ssig",
                    "   Ort in SCL-Datei: IED[E1].AccessPoint[AP1].Server.LDevice[LD1]",
                    "      [[(84,84,,1)(61,61,E1,1)(9,9,AP1,1)(92,92,,1)(64,64,LD1,1)]]",
                    "   Zusatzinfo.: 7", ""}));
   capture.Clear();
   OutputSclError("Hinweis", SE_OK, &tree.file, 0);
   EXPECT_EQ(capture.Get(), (Lines{"Hinweis", "   Ort in SCL-Datei: ", "      [[]]", ""}));
}

TEST(CScl, IdStructsCountEqualSiblingsAndRoundTripAsArrays)
{
   CSclContainer root(nullptr);
   CSclContainer* pB1 = Add(&root, CID_Bay, {{"name", "B"}});
   CSclContainer* pC = Add(&root, CID_Bay, {{"name", "C"}});
   CSclContainer* pB2 = Add(&root, CID_Bay, {{"name", "B"}});
   EXPECT_EQ(pB1->GetIdStruct().Count, 1);
   EXPECT_EQ(pC->GetIdStruct().Count, 1);
   EXPECT_EQ(pB2->GetIdStruct().Count, 2);
   EXPECT_EQ(pB2->GetIdStructString(), "14,14,B,2");
   EXPECT_EQ(pB2->GetChild(0)->GetIdStructString(), "4,180,,1"); // values carry no id
   EXPECT_EQ(pB2->GetIdStructPath(), "(14,14,B,2)");
   EXPECT_EQ(pB2->GetInstanceIndex(), 2);
   EXPECT_EQ(pB2->GetIndex(), 2);
   EXPECT_EQ(root.GetChildByIdStruct(pB2->GetIdStruct()), pB2);

   CTree tree;
   tIdStruct path[5];
   ASSERT_EQ(tree.pLd->FillIdStructArray(path, 5), SE_OK);
   EXPECT_EQ(path[0].ClassId, CID_SCL);
   EXPECT_EQ(path[1].Id, "E1");
   EXPECT_EQ(path[4].Id, "LD1");
   EXPECT_EQ(tree.file.GetChildByIdStructArray(path, 5), tree.pLd);
   EXPECT_EQ(tree.file.GetChildByIdStructArray(path, 0), nullptr);
   path[2].Count = 2;
   EXPECT_EQ(tree.file.GetChildByIdStructArray(path, 5), nullptr);

   // An object at level 1 has only two objects to give.
   tIdStruct shortPath[3];
   EXPECT_EQ(tree.pScl->FillIdStructArray(shortPath, 3), SE_OTHER);
   EXPECT_EQ(shortPath[2].ClassId, CID_SCL);
   EXPECT_EQ(shortPath[1].ClassId, CID_FILE);
   EXPECT_EQ(shortPath[0].ClassId, CID_NONE); // untouched
}

TEST(CSclDeathTest, NullIdStructArrayIsAProgrammingError)
{
   CSclContainer root(nullptr);
   EXPECT_DEATH(root.FillIdStructArray(nullptr, 1), "");
}

TEST(CScl, BoundedPreOrderWalk)
{
   CTree tree;
   std::vector<const CScl*> visited;
   for (const CScl* pScl = &tree.file; pScl != nullptr; pScl = pScl->GetNext(0, 2))
      visited.push_back(pScl);
   EXPECT_EQ(visited, (std::vector<const CScl*>{&tree.file, tree.pScl, tree.pHeader, tree.pIed,
                                                tree.pTemplates}));

   // Every object, values included, in document order.
   int walked = 0;
   for (const CScl* pScl = &tree.file; pScl != nullptr; pScl = pScl->GetNext(0, 255))
      ++walked;
   int counted = 1;
   tree.file.ForEachChild([&](CScl*) { return ++counted, 0; });
   EXPECT_EQ(walked, counted);
   EXPECT_EQ(walked, 16); // 10 element objects and 6 attributes

   // A minimum level keeps the walk inside a subtree.
   visited.clear();
   for (const CScl* pScl = tree.pAp->GetNext(4, 255); pScl != nullptr; pScl = pScl->GetNext(4, 255))
      visited.push_back(pScl);
   // name, Server, LDevice, inst, LN0 and its inst; never the IED's sibling templates.
   ASSERT_EQ(visited.size(), 6u);
   EXPECT_EQ(visited[1], tree.pServer);
   EXPECT_EQ(visited[4], tree.pLn0);
}

TEST(CScl, DeleteNotifyFiresAfterTheChildren)
{
   static std::vector<tSclClassId> s_Notified;
   static int s_Context;
   s_Notified.clear();
   CScl::SetDeleteNotify(
       [](void* apContext, CScl* apScl) {
          EXPECT_EQ(apContext, &s_Context);
          s_Notified.push_back(apScl->GetClassId());
       },
       &s_Context);
   {
      CSclContainer root(nullptr);
      CSclContainer* pBay = Add(&root, CID_Bay, {{"name", "B"}});
      Add(pBay, CID_LNode);
      EXPECT_EQ(root.DeleteChild(pBay), SE_OK);
      // The bay's value and LNode go first; the hook still sees the bay's own class id.
      EXPECT_EQ(s_Notified, (std::vector<tSclClassId>{CID_VALUE, CID_LNode, CID_Bay}));
      s_Notified.clear();
   }
   EXPECT_EQ(s_Notified, (std::vector<tSclClassId>{CID_CONTAINER}));
   EXPECT_NE(CScl::GetDeleteNotify(), nullptr);
   CScl::SetDeleteNotify(nullptr, nullptr);
   EXPECT_EQ(CScl::GetDeleteNotify(), nullptr);
}
