// Merging equal data type templates and redirecting their users.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CompareSupport.h"
#include "SclDll/SclLib.h"
#include "SclTextSupport.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using SclTest::ReadXml;

namespace {

// Ids of the template children of the file's DataTypeTemplates, in child order.
std::vector<std::string> TemplateIds(const CSclFile& aFile)
{
   std::vector<std::string> ids;
   const CSclDataTypeTemplates* pTemplates = aFile.GetSclElement()->GetDataTypeTemplates();
   for (int i = 0; i < pTemplates->GetChildCount(); ++i)
      if (const auto* pChild = dynamic_cast<const CSclContainer*>(pTemplates->GetChild(i)))
         ids.push_back(pChild->GetValue(NID_id));
   return ids;
}

// The template of that class whose id attribute is aId, or null.
CSclContainer* Template(const CSclFile& aFile, tSclClassId aClassId, const std::string& aId)
{
   const CSclDataTypeTemplates* pTemplates = aFile.GetSclElement()->GetDataTypeTemplates();
   for (int i = 0; i < pTemplates->GetChildCount(); ++i) {
      auto* pChild = static_cast<CSclContainer*>(pTemplates->GetChild(aClassId, i));
      if (pChild != nullptr && pChild->GetValue(NID_id) == aId)
         return pChild;
   }
   return nullptr;
}

// Numbers of resolved and unresolved references (with aTypesOnly, those to type templates).
std::pair<int, int> RefCounts(const CSclFile& aFile, bool aTypesOnly = false)
{
   std::pair<int, int> counts{0, 0};
   aFile.ForEachChild([&counts, aTypesOnly](CScl* apScl) {
      if (!apScl->IsClass(CID_REF))
         return 0;
      const auto* pRef = static_cast<CSclRef*>(apScl);
      const tSclClassId target = pRef->GetTargetClass();
      if (!aTypesOnly || target == CID_EnumType || target == CID_DAType || target == CID_DOType ||
          target == CID_LNodeType)
         ++(pRef->GetRefSclContainer() != nullptr ? counts.first : counts.second);
      return 0;
   });
   return counts;
}

const char* const s_Users = "<IED name=\"I\"><AccessPoint name=\"A\"><Server><LDevice inst=\"L\">"
                            "<LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"L1\"/>"
                            "<LN lnClass=\"GGIO\" inst=\"1\" lnType=\"L2\"/>"
                            "</LDevice></Server></AccessPoint></IED>";

// A document of the users (IED markup) and the templates (DataTypeTemplates content).
std::unique_ptr<CSclFile> ReadTemplates(const std::string& aUsers, const std::string& aTemplates)
{
   return ReadXml("<SCL>" + aUsers + "<DataTypeTemplates>" + aTemplates +
                  "</DataTypeTemplates></SCL>");
}

} // namespace

TEST(CSclFilePack, DataObjectTypesThatDifferOnlyInTheirIdMerge)
{
   auto pFile = ReadTemplates(
       s_Users,
       R"(<LNodeType id="L1" lnClass="LLN0"><DO name="Beh" type="INS_2"/>)"
       R"(<DO name="Mod" type="INS_1"/></LNodeType>)"
       R"(<LNodeType id="L2" lnClass="GGIO"><DO name="Beh" type="CMV_1"/></LNodeType>)"
       R"(<DOType id="INS_1" cdc="INS"><DA name="stVal" bType="INT32" fc="ST"/></DOType>)"
       R"(<DOType id="CMV_1" cdc="CMV"><SDO name="mag" type="INS_2"/></DOType>)"
       R"(<DOType id="INS_2" cdc="INS"><DA name="stVal" bType="INT32" fc="ST"/></DOType>)");
   ASSERT_EQ(RefCounts(*pFile).second, 0);
   EXPECT_TRUE(pFile->PackDataTypeTemplates());
   EXPECT_EQ(TemplateIds(*pFile), (std::vector<std::string>{"L1", "L2", "INS_1", "CMV_1"}));
   const CSclContainer* pIns = Template(*pFile, CID_DOType, "INS_1");
   const CSclContainer* pNodeType = Template(*pFile, CID_LNodeType, "L1");
   const CSclContainer* pCmv = Template(*pFile, CID_DOType, "CMV_1");
   ASSERT_TRUE(pIns && pNodeType && pCmv);
   const auto* pBeh = static_cast<CSclDO*>(pNodeType->GetChildById(CID_DO, "Beh"));
   const auto* pMag = static_cast<CSclSDO*>(pCmv->GetChild(CID_SDO));
   ASSERT_TRUE(pBeh && pMag);
   EXPECT_EQ(pBeh->GetRefDOType(), pIns);
   EXPECT_EQ(pBeh->Get_type(), "INS_1");
   EXPECT_EQ(pMag->GetRefDOType(), pIns);
   EXPECT_EQ(pMag->Get_type(), "INS_1");
   EXPECT_EQ(RefCounts(*pFile).second, 0);
   EXPECT_FALSE(pFile->IsChanged()) << "packing leaves the changed flag to the caller";

   EXPECT_FALSE(pFile->PackDataTypeTemplates());
   EXPECT_EQ(TemplateIds(*pFile).size(), 4u);
}

TEST(CSclFilePack, UnequalTemplatesStayAndAreSortedWithTheirAttributesOrdered)
{
   auto pFile = ReadTemplates(
       s_Users, "<LNodeType id=\"L1\" lnClass=\"GGIO\"><DO name=\"Ind\" type=\"D\"/></LNodeType>"
                "<LNodeType id=\"L2\" lnClass=\"GAPC\"><DO name=\"Ind\" type=\"D\"/></LNodeType>"
                "<DOType cdc=\"SPS\" id=\"D\"><DA name=\"q\" fc=\"ST\" bType=\"Quality\"/></DOType>"
                "<DAType id=\"A1\"><BDA name=\"a\" bType=\"INT32\"/></DAType>"
                "<DAType id=\"A2\"><BDA name=\"a\" bType=\"INT16\"/></DAType>"
                "<EnumType id=\"E1\"><EnumVal ord=\"1\">on</EnumVal></EnumType>"
                "<EnumType id=\"E2\"><EnumVal ord=\"1\">off</EnumVal></EnumType>");
   EXPECT_FALSE(pFile->PackDataTypeTemplates());
   EXPECT_EQ(TemplateIds(*pFile).size(), 7u);
   const CSclContainer* pType = Template(*pFile, CID_DOType, "D");
   ASSERT_NE(pType, nullptr);
   const auto* pDa = static_cast<const CSclContainer*>(pType->GetChild(CID_DA));
   for (const CSclContainer* pElement : {pType, pDa})
      for (int i = 1; i < pElement->GetAttribCount(); ++i)
         EXPECT_LT(pElement->GetChild(i - 1)->GetNameId(), pElement->GetChild(i)->GetNameId());
   // Nothing to pack without templates.
   EXPECT_FALSE(ReadXml("<SCL><Header id=\"H\"/></SCL>")->PackDataTypeTemplates());
   EXPECT_FALSE(ReadXml("<Other/>")->PackDataTypeTemplates());
}

// A merge that cascades through every template class: A3 and A4 become equal only when A2
// has merged into A1, which comes after them, D2 only then, and L2 last.
const char* const s_CascadeUsers =
    R"(<IED name="I"><AccessPoint name="A"><Server><LDevice inst="L">)"
    R"(<LN lnClass="GGIO" inst="1" lnType="L2"/><LN lnClass="GGIO" inst="2" lnType="L1"/>)"
    R"(</LDevice></Server></AccessPoint></IED>)";
const char* const s_CascadeTemplates =
    R"(<LNodeType id="L1" lnClass="GGIO"><DO name="X" type="D1"/></LNodeType>)"
    R"(<LNodeType id="L2" lnClass="GGIO"><DO name="X" type="D2"/></LNodeType>)"
    R"(<DOType id="D1" cdc="ENS"><DA name="v" bType="Struct" type="A3" fc="ST"/></DOType>)"
    R"(<DOType id="D2" cdc="ENS"><DA name="v" bType="Struct" type="A4" fc="ST"/></DOType>)"
    R"(<DAType id="A3"><BDA name="s" bType="Struct" type="A1"/></DAType>)"
    R"(<DAType id="A4"><BDA name="s" bType="Struct" type="A2"/></DAType>)"
    R"(<DAType id="A1"><BDA name="e" bType="Enum" type="E1"/></DAType>)"
    R"(<DAType id="A2"><BDA type="E2" bType="Enum" name="e"/></DAType>)"
    R"(<EnumType id="E1"><EnumVal ord="1">on</EnumVal></EnumType>)"
    R"(<EnumType id="E2"><EnumVal ord="1">on</EnumVal></EnumType>)";

TEST(CSclFilePack, MergesCascadeAndACopyPacksAsTheReadOneOnceCompleted)
{
   auto pFile = ReadTemplates(s_CascadeUsers, s_CascadeTemplates);
   ASSERT_EQ(RefCounts(*pFile).second, 0);
   EXPECT_TRUE(pFile->PackDataTypeTemplates());
   EXPECT_EQ(TemplateIds(*pFile), (std::vector<std::string>{"L1", "D1", "A3", "A1", "E1"}));
   EXPECT_EQ(RefCounts(*pFile).second, 0);
   int lnTypeUsers = 0;
   pFile->ForEachChild([&lnTypeUsers](CScl* apScl) {
      if (apScl->IsClass(CID_LN)) {
         EXPECT_EQ(static_cast<CSclLN*>(apScl)->Get_lnType(), "L1");
         ++lnTypeUsers;
      }
      return 0;
   });
   EXPECT_EQ(lnTypeUsers, 2);
   EXPECT_FALSE(pFile->PackDataTypeTemplates());

   // A copy's references have no target until completed: only then it packs as the read one.
   auto pRead = ReadTemplates(s_CascadeUsers, s_CascadeTemplates);
   CSclFile uncompleted;
   ASSERT_EQ(uncompleted.Copy(*pRead), SE_OK);
   ASSERT_GT(RefCounts(uncompleted).second, 0) << "a copy's references resolve only when completed";
   // Only the enumerations are equal by content and merge; A2's attribute still names E2.
   EXPECT_TRUE(uncompleted.PackDataTypeTemplates());
   const std::vector<std::string> ids = TemplateIds(uncompleted);
   EXPECT_EQ(std::count(ids.begin(), ids.end(), "E2"), 0);
   EXPECT_EQ(std::count(ids.begin(), ids.end(), "A2"), 1);
   EXPECT_NE(SclTest::WriteText(uncompleted).find("type=\"E2\""), std::string::npos);

   CSclFile copy;
   ASSERT_EQ(copy.Copy(*pRead), SE_OK);
   ASSERT_TRUE(copy.ContentCompare(*pRead));
   copy.Complete();
   ASSERT_EQ(RefCounts(copy).second, 0);

   EXPECT_TRUE(pRead->PackDataTypeTemplates());
   EXPECT_TRUE(copy.PackDataTypeTemplates());
   EXPECT_EQ(TemplateIds(copy), (std::vector<std::string>{"L1", "D1", "A3", "A1", "E1"}));
   EXPECT_EQ(RefCounts(copy), RefCounts(*pRead));
   EXPECT_TRUE(copy.ContentCompare(*pRead));
   EXPECT_EQ(copy.GetCRC32(SCL_CRC32_START), pRead->GetCRC32(SCL_CRC32_START));
   EXPECT_EQ(SclTest::WriteText(copy), SclTest::WriteText(*pRead));
   const CSclContainer* pL1 = Template(copy, CID_LNodeType, "L1");
   copy.ForEachChild([pL1](CScl* apScl) {
      if (apScl->IsClass(CID_LN)) {
         EXPECT_EQ(static_cast<CSclLN*>(apScl)->GetRefLNodeType(), pL1);
      }
      return 0;
   });
   EXPECT_FALSE(copy.PackDataTypeTemplates());
}

// A corpus file with equal templates under several ids packs alike read twice or copied.
TEST(CSclFilePack, CorpusFilePacksAlikeReadTwiceOrCopied)
{
   const std::string path =
       SclTest::CorpusPath("public/riseclipse__riseclipse-validator-scl2003-test/ICD_test.icd");
   if (!std::filesystem::exists(path))
      GTEST_SKIP() << "corpus file missing: " << path;
   CSclFile first;
   CSclFile second;
   CSclFile copy;
   first.Read(path);
   second.Read(path);
   ASSERT_EQ(copy.Copy(first), SE_OK);
   copy.Complete();
   const std::string unpacked = SclTest::WriteText(first);

   for (CSclFile* pFile : {&first, &second, &copy})
      EXPECT_TRUE(pFile->PackDataTypeTemplates());
   const std::string packed = SclTest::WriteText(first);
   EXPECT_NE(packed, unpacked);
   for (const CSclFile* pOther : {&second, &copy}) {
      EXPECT_TRUE(pOther->ContentCompare(first));
      EXPECT_EQ(pOther->GetCRC32(SCL_CRC32_START), first.GetCRC32(SCL_CRC32_START));
      EXPECT_EQ(SclTest::WriteText(*pOther), packed);
      EXPECT_EQ(RefCounts(*pOther, true), RefCounts(first, true));
   }
}

TEST(CSclFilePack, GeneratedReferencesAllResolveAndStillDoAfterMerging)
{
   const std::string generator = SclTest::CorpusPath("../tools/gen_scd.py");
   if (!std::filesystem::exists(generator) || std::system("python3 --version >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "generator or python3 missing: " << generator;
   SclTest::TempFile generated(".scd");
   ASSERT_EQ(std::system(
                 ("python3 '" + generator + "' --ieds 5 --seed 3 -q -o '" + generated.Path() + "'")
                     .c_str()),
             0);
   CSclFile file;
   file.Read(generated.Path());
   const CSclDataTypeTemplates* pTemplates = file.GetSclElement()->GetDataTypeTemplates();
   const tSclClassId classes[] = {CID_EnumType, CID_DAType, CID_DOType, CID_LNodeType};
   std::vector<int> before;
   for (tSclClassId classId : classes)
      before.push_back(pTemplates->GetChildCount(classId));
   // The generator writes only references whose targets exist, of every class.
   const auto refsBefore = RefCounts(file);
   ASSERT_EQ(refsBefore.second, 0);
   std::set<tSclClassId> refClasses;
   file.ForEachChild([&refClasses](CScl* apScl) {
      if (apScl->IsClass(CID_REF))
         refClasses.insert(apScl->GetClassId());
      return 0;
   });
   EXPECT_EQ(refClasses.size(), 12u);

   EXPECT_TRUE(file.PackDataTypeTemplates());
   for (size_t i = 0; i < before.size(); ++i)
      EXPECT_LT(pTemplates->GetChildCount(classes[i]), before[i]) << "class " << classes[i];
   const auto refsAfter = RefCounts(file);
   EXPECT_EQ(refsAfter.second, 0);
   EXPECT_LT(refsAfter.first, refsBefore.first) << "the references inside the duplicates went";
   EXPECT_FALSE(file.PackDataTypeTemplates());
}
