// The name table in its first state: nothing of the process registered a name before.
#include <gtest/gtest.h>

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
