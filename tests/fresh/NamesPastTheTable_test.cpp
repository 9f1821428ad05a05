// Names past the last id of the name table stay with their objects and work like any other.
#include <gtest/gtest.h>

#include <string>

#include "SclDll/CSclNameTable.h"
#include "SclDll/SclLib.h"
#include "tests/RobustnessSupport.h"
#include "tests/TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using SclTest::CaptureReports;
using SclTest::TempFile;

namespace {

constexpr int kElements = 35000; // each with a name of its own and an attribute of its own

int CountFullTableReports(const std::vector<std::string>& aLines)
{
   return SclTest::CountLinesStartingWith(aLines,
                                          "Fehler: CSclContainer::Read - Namentabelle voll, <");
}

CSclContainer* Private(const CSclFile& aFile)
{
   return static_cast<CSclContainer*>(aFile.GetSclElement()->GetChild(CID_Private));
}

} // namespace

TEST(NamesPastTheTable, SeventyThousandNamesSurviveLoadSaveReloadCompareAndCopy)
{
   std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SCL><Private type=\"p\">";
   for (int i = 0; i < kElements; ++i) {
      const std::string n = std::to_string(i);
      document += "<e" + n + " a" + n + "=\"" + n + "\">t" + n + "</e" + n + ">";
   }
   document += "</Private></SCL>\n";
   const TempFile input = TempFile::WithBytes(document, ".scd");

   CSclFile file;
   {
      CaptureReports reports;
      file.Read(input.Path());
      EXPECT_EQ(CountFullTableReports(reports.Get()), 1);
   }
   EXPECT_EQ(CSclNameTable::GetLastNameId(), 65535);
   EXPECT_EQ(file.GetSclName(), input.Path());
   const auto* pLast = static_cast<CSclContainer*>(Private(file)->GetChild(kElements));
   ASSERT_NE(pLast, nullptr);
   EXPECT_EQ(pLast->GetNameId(), NID_UNLISTED);
   EXPECT_EQ(pLast->GetSclName(), "e34999");
   EXPECT_EQ(pLast->GetValue(), "t34999");
   ASSERT_NE(pLast->GetChildByNameId("a34999"), nullptr);
   EXPECT_EQ(pLast->GetChildByNameId("a34999")->GetValue(), "34999");

   TempFile saved(".scd");
   file.Write(saved.Path());
   const std::string bytes = saved.Bytes();
   EXPECT_NE(bytes.find("\r\n      <e34999 a34999=\"34999\">t34999</e34999>\r\n"),
             std::string::npos);
   for (const char* pEmpty : {"<>", "</>", "< ", " =\"", "<\r"})
      EXPECT_EQ(bytes.find(pEmpty), std::string::npos) << pEmpty;

   CSclFile again;
   {
      CaptureReports reports;
      again.Read(saved.Path());
      EXPECT_EQ(CountFullTableReports(reports.Get()), 1);
   }
   EXPECT_TRUE(again.IsValidFileCRC());
   EXPECT_TRUE(again.GetSclElement()->ContentCompare(*file.GetSclElement()));
   CSmartCompare rules;
   EXPECT_TRUE(again.SmartCompare(file, rules, false));

   CSclFile copy;
   ASSERT_EQ(copy.Copy(file), SE_OK);
   EXPECT_TRUE(copy.ContentCompare(file));
   EXPECT_EQ(copy.GetCRC32(SCL_CRC32_START), file.GetCRC32(SCL_CRC32_START));

   // Held names are told apart by their text: a renamed element is one missing and one
   // additional, an attribute found by its name is set in place.
   auto* pCopied = static_cast<CSclContainer*>(Private(copy)->GetChild(kElements));
   EXPECT_EQ(pCopied->SetAttribValue("a34999", "changed"), SE_OK);
   EXPECT_EQ(pCopied->GetAttribCount(), 1);
   EXPECT_FALSE(copy.ContentCompare(file));
   pCopied->SetSclName("e-renamed");
   EXPECT_EQ(pCopied->GetNameId(), NID_UNLISTED);
   int missing = 0;
   int additional = 0;
   static int* s_pMissing = &missing;
   static int* s_pAdditional = &additional;
   rules.SetCallback([](int, CScl*, std::string, std::string, int aEvent) {
      *s_pMissing += aEvent == 3 ? 1 : 0;
      *s_pAdditional += aEvent == 9 ? 1 : 0;
   });
   EXPECT_FALSE(file.SmartCompare(copy, rules, true));
   EXPECT_EQ(missing, 1);
   EXPECT_EQ(additional, 1);
}
