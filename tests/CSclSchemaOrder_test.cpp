// The schema order key of children and the schema name check of objects.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclValue.h"

using namespace Arvenko::Melvotar::Scl;

namespace {

const CSclSchemaInfo& Info()
{
   return *CSclSchemaInfo::GetInstance();
}

int32_t Key(const CScl* apChild)
{
   return Info().GetChildOrderKey(apChild->GetParent(), apChild);
}

std::vector<tSclClassId> ChildClasses(const CSclContainer& aParent)
{
   std::vector<tSclClassId> classes;
   for (int i = 0; i < aParent.GetChildCount(); ++i)
      classes.push_back(aParent.GetChild(i)->GetClassId());
   return classes;
}

} // namespace

TEST(CSclSchemaOrder, KeysOfTheChildKindsOfAnLn0)
{
   CSclContainer root(nullptr);
   CSclContainer* pLn0 = root.CreateSclContainer(CID_LN0);
   ASSERT_NE(pLn0, nullptr);
   EXPECT_EQ(Key(pLn0->CreateSclValue(NID_desc)), 0);
   EXPECT_EQ(Key(pLn0->CreateSclValue("someUnknownAttribute")), 0);
   EXPECT_EQ(Key(pLn0->CreateSclContainer(CID_LNodeTypeRef)), 1);
   EXPECT_EQ(Key(pLn0->CreateSclRemark()), 2);
   EXPECT_EQ(Key(pLn0->CreateSclContainer(CID_Text)), 4);
   EXPECT_EQ(Key(pLn0->CreateSclContainer(CID_Private)), 5);
   EXPECT_EQ(Key(pLn0->CreateSclContainer(CID_DOI)), 9);
   EXPECT_EQ(Key(pLn0->CreateSclContainer(CID_Log)), 15);
   // Text content comes after the largest sequence (12).
   EXPECT_EQ(Key(pLn0->CreateSclValue(NID_NONE)), 16);
   // Elements the class does not list sort with the first sequence.
   EXPECT_EQ(Key(pLn0->CreateSclContainer(CID_Bay)), 3);
   EXPECT_EQ(Key(new CSclContainer(pLn0, "someUnknownElement")), 3);
}

TEST(CSclSchemaOrder, KeysUnderClassesWithoutRows)
{
   CSclContainer root(nullptr);
   // A plain container and an empty element class have no sequence: text gets 4.
   EXPECT_EQ(Key(root.CreateSclValue(NID_NONE)), 4);
   CSclContainer* pGetDirectory = root.CreateSclContainer(CID_GetDirectory);
   ASSERT_NE(pGetDirectory, nullptr);
   EXPECT_EQ(Key(pGetDirectory->CreateSclValue(NID_NONE)), 4);
   EXPECT_EQ(Key(pGetDirectory->CreateSclContainer(CID_Private)), 3);
   EXPECT_EQ(Key(root.CreateSclContainer(CID_SCL)), 3);
}

TEST(CSclSchemaOrder, CreationFollowsTheKeys)
{
   CSclContainer root(nullptr);
   CSclContainer* pLn0 = root.CreateSclContainer(CID_LN0);
   ASSERT_NE(pLn0, nullptr);
   pLn0->CreateSclValue(NID_NONE);
   pLn0->CreateSclContainer(CID_Log);
   pLn0->CreateSclContainer(CID_DOI);
   pLn0->CreateSclRemark();
   pLn0->CreateSclContainer(CID_DataSet);
   pLn0->CreateSclContainer(CID_LNodeTypeRef);
   pLn0->CreateSclValue(NID_inst);
   pLn0->CreateSclContainer(CID_Private);
   EXPECT_EQ(ChildClasses(*pLn0),
             (std::vector<tSclClassId>{CID_VALUE, CID_LNodeTypeRef, CID_REMARK, CID_Private,
                                       CID_DataSet, CID_DOI, CID_Log, CID_VALUE}));
   EXPECT_EQ(pLn0->GetChild(0)->GetNameId(), NID_inst);
   EXPECT_EQ(pLn0->GetChild(7)->GetNameId(), NID_NONE);

   // A choice keeps the order in which its members were added.
   CSclContainer* pDoType = root.CreateSclContainer(CID_DOType);
   ASSERT_NE(pDoType, nullptr);
   pDoType->CreateSclContainer(CID_DA);
   pDoType->CreateSclContainer(CID_SDO);
   pDoType->CreateSclContainer(CID_DA);
   pDoType->CreateSclContainer(CID_Private);
   EXPECT_EQ(ChildClasses(*pDoType),
             (std::vector<tSclClassId>{CID_Private, CID_DA, CID_SDO, CID_DA}));
}

TEST(CSclSchemaOrder, NameCheckOfElementsAndValues)
{
   const CSclSchemaInfo& info = Info();
   CSclContainer root(nullptr);
   EXPECT_EQ(info.CheckName(&root), SE_OK); // no parent
   CSclContainer* pLDevice = root.CreateSclContainer(CID_LDevice);
   ASSERT_NE(pLDevice, nullptr);
   EXPECT_EQ(info.CheckName(pLDevice), SE_NAME); // a plain container lists nothing
   CSclContainer* pLn0 = pLDevice->CreateSclContainer(CID_LN0);
   ASSERT_NE(pLn0, nullptr);
   EXPECT_EQ(info.CheckName(pLn0), SE_OK);
   CSclContainer* pBay = pLn0->CreateSclContainer(CID_Bay);
   EXPECT_EQ(info.CheckName(pBay), SE_NAME);
   EXPECT_EQ(info.CheckName(new CSclContainer(pLn0, "someUnknownElement")), SE_NAME);

   EXPECT_EQ(info.CheckName(pLn0->CreateSclValue(NID_desc)), SE_OK);
   EXPECT_EQ(info.CheckName(pLn0->CreateSclValue(NID_lnType)), SE_NAME); // reference key
   EXPECT_EQ(info.CheckName(pLn0->CreateSclValue(NID_prefix)), SE_NAME); // no LN0 row
   EXPECT_EQ(info.CheckName(pLn0->CreateSclValue("someUnknownAttribute")), SE_NAME);
   EXPECT_EQ(info.CheckName(pLn0->CreateSclValue(NID_NONE)), SE_NAME); // no text content
   EXPECT_EQ(info.CheckName(pLn0->CreateSclRemark()), SE_OK);

   CSclContainer* pVal =
       pLn0->CreateSclContainer(CID_DOI)->CreateSclContainer(CID_DAI)->CreateSclContainer(CID_Val);
   ASSERT_NE(pVal, nullptr);
   EXPECT_EQ(info.CheckName(pVal), SE_OK);
   EXPECT_EQ(info.CheckName(pVal->CreateSclValue(NID_NONE)), SE_OK);
   EXPECT_EQ(info.CheckName(pVal->CreateSclValue(NID_sGroup)), SE_OK);
}

TEST(CSclSchemaOrder, NameCheckOfReferences)
{
   const CSclSchemaInfo& info = Info();
   CSclContainer root(nullptr);
   CSclContainer* pLn = root.CreateSclContainer(CID_LN);
   ASSERT_NE(pLn, nullptr);
   CSclContainer* pRef = pLn->CreateSclContainer(CID_LNodeTypeRef);
   ASSERT_NE(pRef, nullptr);
   EXPECT_EQ(info.CheckName(pRef), SE_OK);
   EXPECT_EQ(info.CheckName(pLn->CreateSclContainer(CID_LNRef)), SE_NAME);

   CSclContainer* pIedName =
       root.CreateSclContainer(CID_GSEControl)->CreateSclContainer(CID_IEDName);
   ASSERT_NE(pIedName, nullptr);
   CSclContainer* pIedRef = pIedName->CreateSclContainer(CID_IEDRef);
   ASSERT_NE(pIedRef, nullptr);
   EXPECT_EQ(info.CheckName(pIedRef), SE_OK);
   EXPECT_EQ(info.CheckName(pIedRef->CreateSclValue(NID_NONE)), SE_OK);
   EXPECT_EQ(info.CheckName(pIedRef->CreateSclValue(NID_name)), SE_NAME);
}
