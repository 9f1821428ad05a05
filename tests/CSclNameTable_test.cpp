#include <gtest/gtest.h>

#include "SclDll/CSclNameTable.h"

using namespace Arvenko::Melvotar::Scl;

TEST(CSclNameTable, FixedIdsFollowTheByteOrderOfTheNames)
{
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(7), "?xml");
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(14), "Bay");
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(84), "SCL");
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(123), "SampledValueControlRef");
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(124), "accessControl");
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(180), "name");
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(230), "xsi:type");
   // Upper case sorts first: "DOType" before "DataObjectDirectory", "GSSE" before
   // "GeneralEquipment"; each run of names ascends byte-wise.
   EXPECT_EQ(CSclNameTable::FindNameId("DOType"), 34);
   EXPECT_EQ(CSclNameTable::FindNameId("DataObjectDirectory"), 35);
   EXPECT_EQ(CSclNameTable::FindNameId("GSSE"), 52);
   EXPECT_EQ(CSclNameTable::FindNameId("GeneralEquipment"), 53);
   for (tSclNameId id = 8; id < 111; ++id)
      EXPECT_LT(CSclNameTable::GetNameOfNameId(id), CSclNameTable::GetNameOfNameId(id + 1)) << id;
   for (tSclNameId id = 124; id < 230; ++id)
      EXPECT_LT(CSclNameTable::GetNameOfNameId(id), CSclNameTable::GetNameOfNameId(id + 1)) << id;
   for (tSclNameId id = 7; id <= 230; ++id)
      EXPECT_EQ(CSclNameTable::FindNameId(CSclNameTable::GetNameOfNameId(id)), id);
}

TEST(CSclNameTable, IdsWithoutNames)
{
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(0), "");
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(5), "");
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(65535), "");
}

TEST(CSclNameTable, ClassIdsOfNames)
{
   EXPECT_EQ(CSclNameTable::GetClassIdOfName("Bay"), 14);
   EXPECT_EQ(CSclNameTable::GetClassIdOfName("?xml"), CID__xml);
   EXPECT_EQ(CSclNameTable::GetClassIdOfName("LNodeTypeRef"), CID_LNodeTypeRef);
   EXPECT_EQ(CSclNameTable::GetClassIdOfName("name"), CID_NONE); // an attribute: 180 > 123
   EXPECT_EQ(CSclNameTable::GetClassIdOfName("bay"), CID_NONE);  // case-sensitive
   EXPECT_EQ(CSclNameTable::GetClassIdOfNameId(123), 123);
   EXPECT_EQ(CSclNameTable::GetClassIdOfNameId(124), CID_NONE);
   EXPECT_EQ(CSclNameTable::GetLastClassId(), 123);
}

TEST(CSclNameTable, NamesOfClassIds)
{
   EXPECT_EQ(CSclNameTable::GetNameOfClassId(CID_CONTAINER), "{CONTAINER}");
   EXPECT_EQ(CSclNameTable::GetNameOfClassId(CID_FILE), "{FILE}");
   EXPECT_EQ(CSclNameTable::GetNameOfClassId(CID_REMARK), "{REMARK}");
   EXPECT_EQ(CSclNameTable::GetNameOfClassId(CID_VALUE), "{VALUE}");
   EXPECT_EQ(CSclNameTable::GetNameOfClassId(CID_REF), "{REF}");
   EXPECT_EQ(CSclNameTable::GetNameOfClassId(CID_NONE), "");
   EXPECT_EQ(CSclNameTable::GetNameOfClassId(CID_EMPTY_TAG), "");
   EXPECT_EQ(CSclNameTable::GetNameOfClassId(CID_LN0), "LN0");
   EXPECT_EQ(CSclNameTable::GetNameOfClassId(static_cast<tSclClassId>(-1)), "");
}

TEST(CSclNameTable, RegistrationIsStableAndLookupNeverRegisters)
{
   const tSclNameId before = CSclNameTable::GetLastNameId();
   EXPECT_EQ(CSclNameTable::FindNameId("NameTableTest-unknown"), 0);
   EXPECT_EQ(CSclNameTable::GetLastNameId(), before);

   const tSclNameId id = CSclNameTable::GetOrAddNameId("NameTableTest-bay");
   EXPECT_EQ(id, before + 1);
   EXPECT_EQ(CSclNameTable::GetOrAddNameId("NameTableTest-bay"), id);
   EXPECT_EQ(CSclNameTable::GetLastNameId(), id);
   EXPECT_EQ(CSclNameTable::FindNameId("NameTableTest-bay"), id);
   EXPECT_EQ(CSclNameTable::GetNameOfNameId(id), "NameTableTest-bay");
   EXPECT_EQ(CSclNameTable::GetClassIdOfNameId(id), CID_NONE);
   EXPECT_EQ(CSclNameTable::GetOrAddNameId("Bay"), 14); // a fixed name is found, not added
   EXPECT_EQ(CSclNameTable::GetLastNameId(), id);
}
