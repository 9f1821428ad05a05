// The queries of CSclSchemaInfo that need no objects.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "SclDll/CSclSchemaInfo.h"

using namespace Arvenko::Melvotar::Scl;

namespace {

const CSclSchemaInfo& Info()
{
   return *CSclSchemaInfo::GetInstance();
}

// Compact form of a child info for readable comparisons.
std::string Text(const tSclChildInfo& aInfo)
{
   return std::to_string(aInfo.ClassId) + "/" + std::to_string(aInfo.NameId) + " " +
          std::to_string(aInfo.Min) + ".." + std::to_string(aInfo.Max);
}

std::vector<std::string> Texts(tSclClassId aClassId, std::vector<tSclChildInfo> aInfos = {})
{
   Info().GetChildInfos(aClassId, aInfos);
   std::vector<std::string> texts;
   for (const tSclChildInfo& info : aInfos)
      texts.push_back(Text(info));
   return texts;
}

std::string Value(int32_t aNameId, int32_t aMin, int32_t aMax)
{
   return Text({CID_VALUE, aNameId, aMin, aMax});
}

std::string Child(int32_t aId, int32_t aMin, int32_t aMax)
{
   return Text({static_cast<tSclClassId>(aId), aId, aMin, aMax});
}

} // namespace

TEST(CSclSchemaInfo, LookupsFindTheLastOfRepeatedTextRows)
{
   ASSERT_NE(CSclSchemaInfo::GetInstance(), nullptr);
   EXPECT_EQ(CSclSchemaInfo::GetInstance(), &Info());
   // The value classes list their text twice (the value type and its decimal base), IEDName
   // after GSEControl and after SampledValueControl: lookups find the later row.
   for (tSclClassId classId : {CID_BitRate, CID_MaxTime, CID_MinTime, CID_Voltage, CID_IEDName}) {
      std::vector<const tSclSchemaEntry*> textRows;
      for (const tSclSchemaEntry& row : CSclSchemaInfo::GetSchemaTable())
         if (row.classId == classId && row.nameId == NID_NONE)
            textRows.push_back(&row);
      ASSERT_EQ(textRows.size(), 2u) << classId;
      EXPECT_EQ(Info().GetEntry(classId, NID_NONE), textRows[1]) << classId;
   }
}

TEST(CSclSchemaInfo, ChildInfosAppendAndLeaveOutReferenceAttributes)
{
   EXPECT_EQ(Texts(CID_Val, {{CID_NONE, 999, 7, 7}}),
             (std::vector<std::string>{Text({CID_NONE, 999, 7, 7}), Value(NID_sGroup, 0, 1),
                                       Value(NID_NONE, 1, 1)}));
   // Plain attributes, then the references by ascending class (their key attributes left
   // out), then the elements.
   const std::vector<std::string> da = Texts(CID_DA);
   ASSERT_EQ(da.size(), 15u);
   EXPECT_EQ(std::vector<std::string>(da.begin() + 9, da.begin() + 13),
             (std::vector<std::string>{Value(NID_fc, 1, 1), Child(CID_DATypeRef, 1, 1),
                                       Child(CID_EnumTypeRef, 1, 1), Child(CID_Text, 0, 1)}));
   // A reference class lists its keys.
   EXPECT_EQ(Texts(CID_LNRef),
             (std::vector<std::string>{Value(NID_iedName, 0, 1), Value(NID_ldInst, 0, 1),
                                       Value(NID_lnClass, 0, 1), Value(NID_lnInst, 0, 1),
                                       Value(NID_prefix, 0, 1)}));
   EXPECT_EQ(Texts(CID_IEDRef), (std::vector<std::string>{Value(NID_NONE, 0, 1)}));
   // Empty or abstract classes and ids outside the table have none.
   for (int32_t id :
        {int32_t(CID_ConfSG), int32_t(CID_DABase), int32_t(CID_LNBase), int32_t(CID_GetDirectory),
         int32_t(CID_TimerActivatedControl), -1, 0, 1, 4, 6, 124, 231, 100000}) {
      EXPECT_TRUE(Texts(static_cast<tSclClassId>(id)).empty()) << id;
      EXPECT_EQ(Info().GetMaxSequence(static_cast<tSclClassId>(id)), 0) << id;
   }
}

TEST(CSclSchemaInfo, SequencesOfChoicesAndLargestSequence)
{
   const CSclSchemaInfo& info = Info();
   EXPECT_EQ(info.GetSequence(CID_DOType, NID_SDO), 3);
   EXPECT_EQ(info.GetSequence(CID_DOType, NID_DA), 3);
   EXPECT_EQ(info.GetSequence(CID_AccessPoint, NID_Server), 3);
   EXPECT_EQ(info.GetSequence(CID_AccessPoint, NID_LN), 3);
   EXPECT_EQ(info.GetSequence(CID_DOI, NID_SDI), info.GetSequence(CID_DOI, NID_DAI));
   EXPECT_EQ(info.GetSequence(CID_LN0, NID_Log), 12);
   EXPECT_EQ(info.GetMaxSequence(CID_LN0), 12);
   EXPECT_EQ(info.GetMaxSequence(CID_DOType), 3);
   EXPECT_EQ(info.GetMaxSequence(CID_Val), 0);
   // Attributes, text, unlisted and unknown pairs have no position.
   EXPECT_EQ(info.GetSequence(CID_LN0, NID_desc), 0);
   EXPECT_EQ(info.GetSequence(CID_Val, NID_NONE), 0);
   EXPECT_EQ(info.GetSequence(CID_LN0, NID_Bay), 0);
   EXPECT_EQ(info.GetSequence(CID_LN0, 231), 0);
   EXPECT_EQ(info.GetSequence(static_cast<tSclClassId>(500), NID_Text), 0);
}

TEST(CSclSchemaInfo, PlainChildrenReferencesAndKeySets)
{
   const CSclSchemaInfo& info = Info();
   EXPECT_FALSE(info.IsPlainChild(CID_LN, NID_lnType));
   EXPECT_FALSE(info.IsPlainChild(CID_LN, NID_lnClass));
   EXPECT_TRUE(info.IsPlainChild(CID_LN, NID_desc));
   EXPECT_TRUE(info.IsPlainChild(CID_LN, NID_DOI));
   EXPECT_FALSE(info.IsPlainChild(CID_LN, NID_name));
   EXPECT_FALSE(info.IsPlainChild(CID_LN, NID_NONE));
   EXPECT_TRUE(info.IsPlainChild(CID_Val, NID_NONE));
   EXPECT_FALSE(info.IsPlainChild(CID_LN, 4000));
   EXPECT_FALSE(info.IsPlainChild(static_cast<tSclClassId>(-1), NID_desc));
   EXPECT_FALSE(info.IsPlainChild(CID_LNRef, NID_iedName));

   EXPECT_TRUE(info.IsRefClassOf(CID_LN0, CID_LNodeTypeRef));
   EXPECT_FALSE(info.IsRefClassOf(CID_LN0, CID_LNRef));
   EXPECT_FALSE(info.IsRefClassOf(CID_LNBase, CID_LNodeTypeRef));
   EXPECT_TRUE(info.IsRefClassOf(CID_IEDName, CID_IEDRef));
   EXPECT_FALSE(info.IsRefClassOf(static_cast<tSclClassId>(124), CID_LNRef));
   EXPECT_TRUE(info.IsRefAttributeOf(CID_IEDRef, NID_NONE));
   EXPECT_TRUE(info.IsRefAttributeOf(CID_ConNodeRef, NID_cNodeName));
   EXPECT_FALSE(info.IsRefAttributeOf(CID_LNRef, NID_lnType));
   EXPECT_FALSE(info.IsRefAttributeOf(CID_LN, NID_lnType));

   // The set queries add to what the caller holds.
   std::set<tSclNameId> ids{NID_desc};
   info.GetIdAttributes(CID_LN0, ids);
   EXPECT_EQ(ids, (std::set<tSclNameId>{NID_desc, NID_prefix, NID_lnClass, NID_inst}));
   ids.clear();
   info.GetIdAttributes(CID_LNodeType, ids);
   EXPECT_EQ(ids, (std::set<tSclNameId>{NID_id, NID_lnClass}));
   ids.clear();
   info.GetIdAttributes(CID_Server, ids);
   info.GetIdAttributes(static_cast<tSclClassId>(-7), ids);
   info.GetRefAttributes(CID_GSE, ids);
   EXPECT_TRUE(ids.empty());
   info.GetRefAttributes(CID_GSEControlRef, ids);
   EXPECT_EQ(ids, (std::set<tSclNameId>{NID_cbName, NID_ldInst}));
   std::set<tSclClassId> refs;
   info.GetRefClasses(CID_BDA, refs);
   info.GetRefClasses(CID_Terminal, refs);
   EXPECT_EQ(refs, (std::set<tSclClassId>{CID_ConNodeRef, CID_DATypeRef, CID_EnumTypeRef}));
}
