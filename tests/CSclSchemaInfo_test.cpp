// The schema tables and the queries of CSclSchemaInfo that need no objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "SclDll/CSclSchemaInfo.h"

using namespace Arvenko::Melvotar::Scl;

namespace {

const CSclSchemaInfo& Info()
{
   const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance();
   EXPECT_NE(pInfo, nullptr);
   return *pInfo;
}

std::vector<tSclChildInfo> ChildInfos(tSclClassId aClassId)
{
   std::vector<tSclChildInfo> infos;
   Info().GetChildInfos(aClassId, infos);
   return infos;
}

// Compact form of a child info for readable comparisons.
std::string Text(const tSclChildInfo& aInfo)
{
   return std::to_string(aInfo.ClassId) + "/" + std::to_string(aInfo.NameId) + " " +
          std::to_string(aInfo.Min) + ".." + std::to_string(aInfo.Max);
}

std::vector<std::string> Texts(const std::vector<tSclChildInfo>& aInfos)
{
   std::vector<std::string> texts;
   for (const tSclChildInfo& info : aInfos) {
      texts.push_back(Text(info));
   }
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

// Classes whose elements are empty or abstract (some of them).
const std::set<tSclClassId> g_ClassesWithoutRows = {CID_ConfSG, CID_DABase, CID_LNBase,
                                                    CID_GetDirectory, CID_TimerActivatedControl};

bool IsRefClass(tSclClassId aClassId)
{
   return aClassId >= CID_APRef && aClassId <= CID_SampledValueControlRef;
}

} // namespace

TEST(CSclSchemaInfo, InstanceIsBuiltOnceAndShared)
{
   CSclSchemaInfo* pFirst = CSclSchemaInfo::GetInstance();
   ASSERT_NE(pFirst, nullptr);
   EXPECT_EQ(CSclSchemaInfo::GetInstance(), pFirst);
}

TEST(CSclSchemaInfo, ValueClassesHaveTwoTextRowsAndResolveToDecimal)
{
   for (tSclClassId classId : {CID_BitRate, CID_MaxTime, CID_MinTime, CID_Voltage}) {
      SCOPED_TRACE(classId);
      std::vector<const tSclSchemaEntry*> textRows;
      for (const tSclSchemaEntry& row : CSclSchemaInfo::GetSchemaTable()) {
         if (row.classId == classId && row.nameId == NID_NONE) {
            textRows.push_back(&row);
         }
      }
      ASSERT_EQ(textRows.size(), 2u);
      EXPECT_STREQ(textRows[0]->xsdType, "tValueWithUnit");
      EXPECT_STREQ(textRows[1]->xsdType, "xs:decimal");
      EXPECT_EQ(Info().GetEntry(classId, NID_NONE), textRows[1]);
      EXPECT_EQ(Texts(ChildInfos(classId)),
                (std::vector<std::string>{Value(NID_unit, 0, 1), Value(NID_multiplier, 0, 1),
                                          Value(NID_NONE, 0, 1), Value(NID_NONE, 0, 1)}));
   }
   // The text row of IEDName stands twice too (after GSEControl and after
   // SampledValueControl); lookups find the later one.
   const tSclSchemaEntry* pLast = nullptr;
   for (const tSclSchemaEntry& row : CSclSchemaInfo::GetSchemaTable())
      if (row.classId == CID_IEDName && row.nameId == NID_NONE)
         pLast = &row;
   EXPECT_EQ(Info().GetEntry(CID_IEDName, NID_NONE), pLast);
   EXPECT_NE(pLast, nullptr);
}

TEST(CSclSchemaInfo, ChildInfosAppendWithoutClearing)
{
   std::vector<tSclChildInfo> infos{{CID_NONE, 999, 7, 7}};
   Info().GetChildInfos(CID_Val, infos);
   EXPECT_EQ(Texts(infos),
             (std::vector<std::string>{Text({CID_NONE, 999, 7, 7}), Value(NID_sGroup, 0, 1),
                                       Value(NID_NONE, 1, 1)}));
}

TEST(CSclSchemaInfo, ChildInfosOfClassesWithoutRows)
{
   for (tSclClassId classId : g_ClassesWithoutRows) {
      EXPECT_TRUE(ChildInfos(classId).empty()) << classId;
      EXPECT_EQ(Info().GetMaxSequence(classId), 0) << classId;
   }
   for (int32_t id : {-1, 0, 1, 4, 6, 124, 231, 100000}) {
      const auto classId = static_cast<tSclClassId>(id);
      EXPECT_TRUE(ChildInfos(classId).empty()) << id;
   }
}

TEST(CSclSchemaInfo, ChildInfosOfReferenceClassesAreTheirKeys)
{
   EXPECT_EQ(Texts(ChildInfos(CID_LNRef)),
             (std::vector<std::string>{Value(NID_iedName, 0, 1), Value(NID_ldInst, 0, 1),
                                       Value(NID_lnClass, 0, 1), Value(NID_lnInst, 0, 1),
                                       Value(NID_prefix, 0, 1)}));
   EXPECT_EQ(Texts(ChildInfos(CID_DataSetRef)),
             (std::vector<std::string>{Value(NID_datSet, 0, 1)}));
   EXPECT_EQ(Texts(ChildInfos(CID_IEDRef)), (std::vector<std::string>{Value(NID_NONE, 0, 1)}));
}

TEST(CSclSchemaInfo, ChildInfosOfLnLeaveOutReferenceAttributes)
{
   EXPECT_EQ(Texts(ChildInfos(CID_LN)),
             (std::vector<std::string>{Value(NID_desc, 0, 1), Value(NID_inst, 1, 1),
                                       Value(NID_prefix, 0, 1), Child(CID_LNodeTypeRef, 1, 1),
                                       Child(CID_Text, 0, 1), Child(CID_Private, 0, SCL_UNBOUNDED),
                                       Child(CID_DataSet, 0, SCL_UNBOUNDED),
                                       Child(CID_ReportControl, 0, SCL_UNBOUNDED),
                                       Child(CID_LogControl, 0, SCL_UNBOUNDED),
                                       Child(CID_DOI, 0, SCL_UNBOUNDED), Child(CID_Inputs, 0, 1)}));
}

TEST(CSclSchemaInfo, ChildInfosListReferencesByAscendingClass)
{
   const std::vector<tSclChildInfo> infos = ChildInfos(CID_DA);
   std::vector<int32_t> refs;
   for (const tSclChildInfo& info : infos) {
      if (IsRefClass(info.ClassId)) {
         refs.push_back(info.ClassId);
         EXPECT_EQ(info.NameId, info.ClassId);
         EXPECT_EQ(info.Min, 1);
         EXPECT_EQ(info.Max, 1);
      }
   }
   EXPECT_EQ(refs, (std::vector<int32_t>{CID_DATypeRef, CID_EnumTypeRef}));
   // Plain attributes, then references, then the elements.
   ASSERT_EQ(infos.size(), 15u);
   EXPECT_EQ(Text(infos[9]), Value(NID_fc, 1, 1));
   EXPECT_EQ(Text(infos[10]), Child(CID_DATypeRef, 1, 1));
   EXPECT_EQ(Text(infos[11]), Child(CID_EnumTypeRef, 1, 1));
   EXPECT_EQ(Text(infos[12]), Child(CID_Text, 0, 1));
}

TEST(CSclSchemaInfo, ChildInfosOfIedName)
{
   EXPECT_EQ(Texts(ChildInfos(CID_IEDName)),
             (std::vector<std::string>{Child(CID_IEDRef, 1, 1), Value(NID_NONE, 0, SCL_UNBOUNDED),
                                       Value(NID_NONE, 0, SCL_UNBOUNDED)}));
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
   EXPECT_EQ(info.GetMaxSequence(CID_LN), 7);
   EXPECT_EQ(info.GetMaxSequence(CID_Val), 0);
   EXPECT_EQ(info.GetMaxSequence(CID_DOType), 3);
   // Attributes, text, unlisted and unknown pairs have no position.
   EXPECT_EQ(info.GetSequence(CID_LN0, NID_desc), 0);
   EXPECT_EQ(info.GetSequence(CID_Val, NID_NONE), 0);
   EXPECT_EQ(info.GetSequence(CID_LN0, NID_Bay), 0);
   EXPECT_EQ(info.GetSequence(CID_LN0, 231), 0);
   EXPECT_EQ(info.GetSequence(static_cast<tSclClassId>(500), NID_Text), 0);
   EXPECT_EQ(info.GetMaxSequence(static_cast<tSclClassId>(-3)), 0);
}

TEST(CSclSchemaInfo, PlainChildrenAndReferences)
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
}

TEST(CSclSchemaInfo, KeySetsAreAdded)
{
   const CSclSchemaInfo& info = Info();
   std::set<tSclNameId> ids{NID_desc};
   info.GetIdAttributes(CID_LN0, ids);
   EXPECT_EQ(ids, (std::set<tSclNameId>{NID_desc, NID_prefix, NID_lnClass, NID_inst}));
   ids.clear();
   info.GetIdAttributes(CID_LNodeType, ids);
   EXPECT_EQ(ids, (std::set<tSclNameId>{NID_id, NID_lnClass}));
   ids.clear();
   info.GetIdAttributes(CID_Server, ids);
   info.GetIdAttributes(static_cast<tSclClassId>(-7), ids);
   EXPECT_TRUE(ids.empty());

   std::set<tSclClassId> refs;
   info.GetRefClasses(CID_BDA, refs);
   info.GetRefClasses(CID_Terminal, refs);
   EXPECT_EQ(refs, (std::set<tSclClassId>{CID_ConNodeRef, CID_DATypeRef, CID_EnumTypeRef}));

   std::set<tSclNameId> keys;
   info.GetRefAttributes(CID_GSEControlRef, keys);
   EXPECT_EQ(keys, (std::set<tSclNameId>{NID_cbName, NID_ldInst}));
   keys.clear();
   info.GetRefAttributes(CID_GSE, keys);
   EXPECT_TRUE(keys.empty());
}
