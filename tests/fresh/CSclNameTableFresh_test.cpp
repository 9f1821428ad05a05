// The name table in its first state (no name registered yet), and with all 65,535 ids taken.
#include <gtest/gtest.h>

#include <string>

#include "SclDll/CSclNameTable.h"
#include "SclDll/SclLib.h"

using namespace Arvenko::Melvotar::Scl;

TEST(CSclNameTableFresh, RunTimeIdsStartAt231InRegistrationOrder)
{
   EXPECT_EQ(CSclNameTable::GetLastNameId(), 230);
   // The empty name is not a fixed name.
   EXPECT_EQ(CSclNameTable::FindNameId(""), 0);

   EXPECT_EQ(CSclNameTable::GetOrAddNameId("bay"), 231);
   EXPECT_EQ(CSclNameTable::GetOrAddNameId("Unknown"), 232);
   EXPECT_EQ(CSclNameTable::GetOrAddNameId("bay"), 231);
   EXPECT_EQ(CSclNameTable::GetLastNameId(), 232);

   // Copying an element with text registers the empty name as the next run-time name.
   CSclContainer source(nullptr);
   source.CreateSclValue(tSclNameId(0))->SetValue("abc");
   CSclContainer target(nullptr);
   ASSERT_EQ(target.Copy(source), SE_OK);
   EXPECT_EQ(CSclNameTable::FindNameId(""), 233);
   EXPECT_EQ(target.GetValue(), "abc");
   EXPECT_EQ(target.GetChild(0)->GetNameId(), 0);
}

// Runs after the test above when the whole program runs: the names it registered count.
TEST(CSclNameTableLimit, RefusesRegistrationPastTheLastId)
{
   for (int i = CSclNameTable::GetLastNameId() + 1; i <= 65535; ++i)
      ASSERT_EQ(CSclNameTable::GetOrAddNameId("n" + std::to_string(i)), i);
   EXPECT_EQ(CSclNameTable::GetLastNameId(), 65535);
   // Refused with "no name" rather than wrapping around to ids already in use.
   EXPECT_EQ(CSclNameTable::GetOrAddNameId("one-too-many"), 0);
   EXPECT_EQ(CSclNameTable::FindNameId("one-too-many"), 0);
   EXPECT_EQ(CSclNameTable::GetLastNameId(), 65535);
   EXPECT_EQ(CSclNameTable::GetOrAddNameId("n65535"), 65535);
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(65535), "n65535");
}
