// The element factory and the typed classes: one class per id, answering the hierarchy.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "SclDll/SclLib.h"
#include "SclTextSupport.h"

using namespace Arvenko::Melvotar::Scl;

namespace {

// Whether the object made for aClassId is of the C++ class of that id.
bool IsOwnClass(const CScl* apScl, tSclClassId aClassId)
{
   switch (aClassId) {
#define SCL_CASE(id, ident, name)                                                                  \
   case CID_##ident:                                                                               \
      return dynamic_cast<const CScl##ident*>(apScl) != nullptr;
#define SCL_ELEMENT SCL_CASE
#define SCL_REF_ELEMENT SCL_CASE
#define SCL_ATTRIBUTE(id, ident, name)
#include "SclDll/SclNames.def"
#undef SCL_ELEMENT
#undef SCL_REF_ELEMENT
#undef SCL_ATTRIBUTE
#undef SCL_CASE
   default:
      return false;
   }
}

// The ids an object of aClassId answers, from the class hierarchy.
std::set<tSclClassId> ExpectedClasses(tSclClassId aClassId)
{
   if (aClassId == CID_DABase || aClassId == CID_DIBase || aClassId == CID_DOBase ||
       aClassId == CID_LNBase)
      return {CID_CONTAINER};
   if (aClassId >= CID_APRef)
      return {CID_CONTAINER, CID_REF, aClassId};
   // The intermediate class each class with one derives from.
   static const std::map<tSclClassId, tSclClassId> s_Bases = {
       {CID_DA, CID_DABase},  {CID_BDA, CID_DABase}, {CID_DO, CID_DOBase}, {CID_SDO, CID_DOBase},
       {CID_DOI, CID_DIBase}, {CID_SDI, CID_DIBase}, {CID_LN, CID_LNBase}, {CID_LN0, CID_LNBase}};
   const auto base = s_Bases.find(aClassId);
   if (base != s_Bases.end())
      return {CID_CONTAINER, aClassId, base->second};
   return {CID_CONTAINER, aClassId};
}

// The ids (-1 .. one above the last class) that apScl answers.
std::set<tSclClassId> Answered(const CScl* apScl)
{
   std::set<tSclClassId> answered;
   for (int id = -1; id <= CID_LAST_CLASS + 1; ++id)
      if (apScl->IsClass(static_cast<tSclClassId>(id)))
         answered.insert(static_cast<tSclClassId>(id));
   return answered;
}

} // namespace

TEST(CSclClasses, PseudoClassesAnswerTheirOwnIds)
{
   CSclFile file;
   EXPECT_EQ(Answered(&file), (std::set<tSclClassId>{CID_CONTAINER, CID_FILE}));
   EXPECT_EQ(file.GetClassId(), CID_FILE);
   CSclContainer* pPlain = file.CreateSclContainer(CID_CONTAINER);
   EXPECT_EQ(Answered(pPlain), (std::set<tSclClassId>{CID_CONTAINER}));
   EXPECT_EQ(Answered(pPlain->CreateSclValue("name")), (std::set<tSclClassId>{CID_VALUE}));
   EXPECT_EQ(Answered(pPlain->CreateSclRemark()), (std::set<tSclClassId>{CID_REMARK}));
}

TEST(CSclFactory, EveryClassIdHasItsOwnTypedClass)
{
   CSclContainer root(nullptr);
   for (int id = CID__xml; id <= CID_LAST_CLASS; ++id) {
      const auto classId = static_cast<tSclClassId>(id);
      CSclContainer* pElement = root.CreateSclContainer(classId, InsertLast);
      ASSERT_NE(pElement, nullptr) << id;
      EXPECT_EQ(pElement->GetClassId(), classId);
      EXPECT_EQ(pElement->GetNameId(), id);
      EXPECT_EQ(pElement->GetParent(), &root);
      EXPECT_TRUE(IsOwnClass(pElement, classId)) << id;
      EXPECT_EQ(Answered(pElement), ExpectedClasses(classId)) << id;
   }
   EXPECT_EQ(root.GetChildCount(), CID_LAST_CLASS - CID__xml + 1);
}

TEST(CSclFactory, IdsWithoutElementClassAndTargetsOfReferences)
{
   CSclContainer root(nullptr);
   for (int id : {-1, 0, 2, 3, 4, 5, 6, 124, 230})
      EXPECT_EQ(root.CreateSclContainer(static_cast<tSclClassId>(id)), nullptr) << id;
   EXPECT_EQ(root.GetChildCount(), 0);
   // (The class answers of the intermediate and reference classes are checked above.)
   const auto target = [&root](tSclClassId aClassId) {
      return static_cast<CSclRef*>(root.CreateSclContainer(aClassId))->GetTargetClass();
   };
   EXPECT_EQ(target(CID_LNodeTypeRef), CID_LNodeType);
   EXPECT_EQ(target(CID_FCDA_LNRef), CID_LNBase);
   EXPECT_EQ(target(CID_APRef), CID_AccessPoint);
   EXPECT_FALSE(static_cast<CSclContainer*>(root.GetChild(0))->HasId()); // a reference
}

TEST(CSclClasses, IdentifyingValues)
{
   CSclContainer root(nullptr);
   auto make = [&](tSclClassId aClassId,
                   std::initializer_list<std::pair<const char*, const char*>> aAttribs) {
      return SclTest::Add(&root, aClassId, aAttribs);
   };
   EXPECT_EQ(make(CID_Bay, {{"name", "B1"}, {"desc", "x"}})->GetId(), "B1");
   EXPECT_EQ(make(CID_Association, {{"associationID", "A"}})->GetId(), "A");
   EXPECT_EQ(make(CID_Header, {{"id", "H"}})->GetId(), "H");
   EXPECT_EQ(make(CID_EnumVal, {{"ord", "3"}})->GetId(), "3");
   EXPECT_EQ(make(CID_LDevice, {{"inst", "LD1"}})->GetId(), "LD1");
   EXPECT_EQ(make(CID_Private, {{"type", "P"}})->GetId(), "P");
   EXPECT_EQ(make(CID_LN, {{"lnClass", "PTOC"}, {"inst", "1"}})->GetId(), "PTOC1");
   EXPECT_EQ(make(CID_LN, {{"inst", "2"}, {"prefix", "Q"}, {"lnClass", "XCBR"}})->GetId(),
             "QXCBR2");
   EXPECT_EQ(make(CID_LN0, {{"lnClass", "ignored"}, {"inst", "5"}})->GetId(), "LLN05");
   EXPECT_EQ(make(CID_LNodeType, {{"id", "T1"}, {"lnClass", "MMXU"}})->GetId(), "MMXUT1");
   EXPECT_EQ(make(CID_DAI, {{"name", "stVal"}, {"ix", "0"}})->GetId(), "stVal0");
   EXPECT_EQ(make(CID_SDI, {{"name", "origin"}})->GetId(), "origin");
   CSclContainer* pBay = make(CID_Bay, {});
   EXPECT_TRUE(pBay->HasId());
   EXPECT_EQ(pBay->GetId(), "");
   CSclContainer* pServer = make(CID_Server, {{"name", "S"}});
   EXPECT_FALSE(pServer->HasId());
   EXPECT_EQ(pServer->GetId(), "");
   EXPECT_FALSE(make(CID_DABase, {{"name", "x"}})->HasId());
}
