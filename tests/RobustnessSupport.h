// Helpers of the robustness suites: every tree walk of the object model over one document.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SclDll/SclLib.h"
#include "TestSupport.h"

namespace SclTest {

/// The size of the stress suites (named ...Stress; scripts/test runs them under g++ only).
constexpr int kMillion = 1000000;

/// aText repeated aCount times.
inline std::string Repeat(const std::string& aText, int aCount)
{
   std::string result;
   result.reserve(aText.size() * static_cast<size_t>(aCount));
   for (int i = 0; i < aCount; ++i)
      result += aText;
   return result;
}

/// The lines of aLines that start with aPrefix.
inline int CountLinesStartingWith(const std::vector<std::string>& aLines,
                                  const std::string& aPrefix)
{
   int count = 0;
   for (const std::string& line : aLines)
      count += line.compare(0, aPrefix.size(), aPrefix) == 0 ? 1 : 0;
   return count;
}

/// Objects of the tree below and including apTop (not by GetNext: quadratic on deep trees).
inline size_t CountObjects(const Arvenko::Melvotar::Scl::CSclContainer* apTop)
{
   size_t count = 1;
   apTop->ForEachChild([&count](Arvenko::Melvotar::Scl::CScl*) {
      ++count;
      return 0;
   });
   return count;
}

/// The file roots hold equal children (the roots' names, their paths, differ).
inline void ExpectSameChildren(const Arvenko::Melvotar::Scl::CSclFile& aLeft,
                               const Arvenko::Melvotar::Scl::CSclFile& aRight)
{
   EXPECT_EQ(aLeft.GetChildCount(), aRight.GetChildCount());
   for (int i = 0; i < aLeft.GetChildCount() && i < aRight.GetChildCount(); ++i)
      EXPECT_TRUE(aLeft.GetChild(i)->ContentCompare(*aRight.GetChild(i))) << "child " << i;
}

/// Runs every walk a caller may start on a loaded document over arFile; with aSave it is also
/// saved and must load back equal, with a valid stamp when it has an SCL element.
inline void WalkEveryWay(Arvenko::Melvotar::Scl::CSclFile& arFile, bool aSave)
{
   using namespace Arvenko::Melvotar::Scl;
   arFile.Complete();
   const int32_t crc = arFile.GetCRC32(SCL_CRC32_START);
   EXPECT_EQ(crc, arFile.GetCRC32(SCL_CRC32_START));
   arFile.Write(0, nullptr, false); // builds every line, writes none

   if (aSave) {
      TempFile saved(".scd");
      arFile.Write(saved.Path());
      EXPECT_TRUE(arFile.GetSclElement() == nullptr || arFile.IsValidFileCRC());
      CSclFile again;
      again.Read(saved.Path());
      ExpectSameChildren(again, arFile);
   }

   auto* pCopy = new CSclFile;
   ASSERT_EQ(pCopy->Copy(arFile), SE_OK);
   EXPECT_TRUE(pCopy->ContentCompare(arFile));
   EXPECT_TRUE(pCopy->CompareWithoutTopLevelId(arFile));
   CSmartCompare rules;
   EXPECT_TRUE(arFile.SmartCompare(*pCopy, rules, true));
   EXPECT_EQ(pCopy->GetCRC32(SCL_CRC32_START), arFile.GetCRC32(SCL_CRC32_START));
   pCopy->Check(3);
   pCopy->Sort(true, false, true);
   EXPECT_EQ(CountObjects(pCopy), CountObjects(&arFile));
   pCopy->PackDataTypeTemplates();
   delete pCopy;
}

} // namespace SclTest
