// Loading, saving, comparing and packing each corpus file, one test per file for the leak
// checkers (the sanitizer build runs all, scripts/memcheck a few under valgrind).
#include <cctype>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CompareSupport.h"
#include "SclDll/SclLib.h"
#include "TestSupport.h"
#include "inc_scl/sclnorm/KVSclRefRules.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using SclTest::CorpusPath;
using SclTest::DataPath;
using SclTest::TempFile;

namespace {

// The corpus files relative to the corpus folder; one empty entry when it is missing.
std::vector<std::string> CorpusFiles()
{
   std::vector<std::string> files = SclTest::CorpusFiles();
   if (files.empty())
      files.emplace_back();
   return files;
}

// Test name of a corpus file: its path with "_" for every character but letters and digits.
std::string TestName(const ::testing::TestParamInfo<std::string>& aInfo)
{
   std::string name = aInfo.param.empty() ? "corpus_missing" : aInfo.param;
   for (char& c : name)
      if (!std::isalnum(static_cast<unsigned char>(c)))
         c = '_';
   return name;
}

// The one difference a save and reload makes: an unresolved reference writes every key, also
// one it does not hold, which comes back as an extra empty value (event 9).
bool IsEmptyKeyWrittenForUnresolvedRef(const SclTest::tCompareReport& aReport)
{
   const CScl* pScl = aReport.pScl;
   const CSclContainer* pParent = pScl->GetParent();
   return aReport.event == 9 && pScl->GetClassId() == CID_VALUE && pScl->GetValue().empty() &&
          pParent != nullptr && pParent->IsClass(CID_REF) &&
          static_cast<const CSclRef*>(pParent)->GetRefSclContainer() == nullptr &&
          SclRefHasKey(pParent->GetClassId(), pScl->GetNameId());
}

class RobustnessMemory : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(RobustnessMemory, LoadSaveComparePack)
{
   if (GetParam().empty())
      GTEST_SKIP() << "corpus not found under " << CorpusPath("");
   CSclFile file;
   try {
      file.Read(CorpusPath(GetParam()));
   } catch (const XmlParser::xml_parser_error&) {
      return; // refused input: what was allocated for it is released, as the leak check sees
   }
   const TempFile saved(".scd");
   file.Write(saved.Path());
   CSclFile again;
   if (file.GetChildCount() == 0) {
      // Nothing to write: the saved file is empty, which the reader refuses.
      EXPECT_THROW(again.Read(saved.Path()), XmlParser::xml_parser_error);
      return;
   }
   again.Read(saved.Path());
   EXPECT_TRUE(again.IsValidFileCRC() || again.GetSclElement() == nullptr);

   CSmartCompare rules;
   rules.ReadIgnoreFile(DataPath("compare_rules.xml"));
   // Templates keep their ids, so the compare matches them by id without aligning.
   {
      SclTest::RecordCompareReports record(rules);
      const bool equal = file.SmartCompare(again, rules, true);
      int counted = 0;
      for (const SclTest::tCompareReport& report : record.Get())
         if (report.ignored == 0) {
            ++counted;
            EXPECT_TRUE(IsEmptyKeyWrittenForUnresolvedRef(report))
                << ::testing::PrintToString(report) << " at " << report.pScl->GetIdNamePath();
         }
      EXPECT_EQ(equal, counted == 0);
   }

   // A copy's references resolve only when completed; completed, it packs as the file.
   CSclFile copy;
   ASSERT_EQ(copy.Copy(again), SE_OK);
   EXPECT_TRUE(copy.ContentCompare(again));
   copy.Complete();
   EXPECT_EQ(copy.PackDataTypeTemplates(), again.PackDataTypeTemplates());
   EXPECT_TRUE(copy.ContentCompare(again));
   EXPECT_EQ(copy.GetCRC32(SCL_CRC32_START), again.GetCRC32(SCL_CRC32_START));
}

INSTANTIATE_TEST_SUITE_P(Corpus, RobustnessMemory, ::testing::ValuesIn(CorpusFiles()), TestName);
