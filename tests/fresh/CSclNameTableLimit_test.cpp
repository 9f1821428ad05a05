// The name table when all 65,535 name ids are taken.
#include <gtest/gtest.h>

#include <string>

#include "SclDll/CSclNameTable.h"

using namespace Arvenko::Melvotar::Scl;

TEST(CSclNameTableLimit, RefusesRegistrationPastTheLastId)
{
   for (int i = 231; i <= 65535; ++i)
      ASSERT_EQ(CSclNameTable::GetOrAddNameId("n" + std::to_string(i)), i);
   EXPECT_EQ(CSclNameTable::GetLastNameId(), 65535);
   // Refused with "no name" rather than wrapping around to ids already in use.
   EXPECT_EQ(CSclNameTable::GetOrAddNameId("one-too-many"), 0);
   EXPECT_EQ(CSclNameTable::FindNameId("one-too-many"), 0);
   EXPECT_EQ(CSclNameTable::GetLastNameId(), 65535);
   EXPECT_EQ(CSclNameTable::GetOrAddNameId("n65535"), 65535);
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(65535), "n65535");
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(231), "n231");
}
