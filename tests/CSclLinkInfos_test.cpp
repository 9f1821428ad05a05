#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "SclDll/CSclLinkInfos.h"

using namespace Arvenko::Melvotar::Scl;
using Ids = std::vector<tSclValueId>;

namespace {

// The name rows, expanded here once more: each name and id must map to the other.
struct tNameRow {
   int Position;
   tSclValueId Id;
   std::string Name;
};

std::vector<tNameRow> NameRows()
{
   std::vector<tNameRow> rows;
#define SCL_VALUE(id, ident, name) rows.push_back({id, SVID_##ident, name});
#define SCL_VALUE_UNNAMED(id, ident, rowIdent, rowName)                                            \
   rows.push_back({id, SVID_##rowIdent, rowName});
#include "SclDll/SclLinkInfoTables.def"
   return rows;
}

// The list a getter of the catalogue appends for aId, started empty.
Ids Listed(void (*aGetter)(tSclValueId, Ids*), tSclValueId aId)
{
   Ids ids;
   aGetter(aId, &ids);
   return ids;
}

// The links of aSource as "source DA -> target FC target DA".
std::vector<std::string> Links(tSclValueId aSource)
{
   std::vector<tSclDALink> links;
   CSclLinkInfos::GetDALinks(aSource, &links);
   std::vector<std::string> texts;
   for (const tSclDALink& link : links)
      texts.push_back(CSclLinkInfos::GetValue(link.SourceDA) + " -> " +
                      CSclLinkInfos::GetValue(link.TargetFC) + " " +
                      CSclLinkInfos::GetValue(link.TargetDA));
   return texts;
}

} // namespace

// Runs first when the test runs in its own process (as under ctest): the very first query.
TEST(CSclLinkInfos, HasDAGroupsAsFirstQueryBuildsTheCatalogue)
{
   EXPECT_TRUE(CSclLinkInfos::HasDAGroups(SVID_WYE));
   EXPECT_FALSE(CSclLinkInfos::HasDAGroups(SVID_SPS));
   EXPECT_FALSE(CSclLinkInfos::HasDAGroups(SVID_SPC_General));
}

TEST(CSclLinkInfos, NamesAndIdsRoundTrip)
{
   for (const tNameRow& row : NameRows()) {
      EXPECT_EQ(CSclLinkInfos::GetValue(row.Id), row.Name) << row.Id;
      EXPECT_EQ(CSclLinkInfos::GetValueId(row.Name), row.Id) << row.Name;
   }
   EXPECT_EQ(CSclLinkInfos::GetValue(SVID_NONE), "");
   EXPECT_EQ(CSclLinkInfos::GetValue(SVID_UNNAMED_33), "");
   EXPECT_EQ(CSclLinkInfos::GetValue(SVID_INC_DirGeneral), "INC_DirGeneral");
   EXPECT_EQ(CSclLinkInfos::GetValue(SVID_Origin_OrCat), "Origin.OrCat");
   EXPECT_EQ(CSclLinkInfos::GetValue(static_cast<tSclValueId>(125)), "cVal.ang.f");
   EXPECT_EQ(CSclLinkInfos::GetValue(static_cast<tSclValueId>(126)), "");
   EXPECT_EQ(CSclLinkInfos::GetValue(static_cast<tSclValueId>(-1)), "");

   EXPECT_EQ(CSclLinkInfos::GetValueId("INC_SeqT"), SVID_INC_SeqT);
   EXPECT_EQ(CSclLinkInfos::GetValueId("SPC_SeqT"), SVID_NONE);
   EXPECT_EQ(CSclLinkInfos::GetValueId("spc"), SVID_NONE); // case-sensitive
   EXPECT_EQ(CSclLinkInfos::GetValueId("MV_AngC3"), 111);
}

TEST(CSclLinkInfos, DAGroupsInOrderAndAppended)
{
   EXPECT_EQ(Listed(CSclLinkInfos::GetDAGroups, SVID_SEQ),
             (Ids{SVID_MV_C1, SVID_MV_C2, SVID_MV_C3, SVID_INC_SeqT, SVID_MV_AngC1, SVID_MV_AngC2,
                  SVID_MV_AngC3}));

   Ids cmv{SVID_ACT}; // existing content stays
   CSclLinkInfos::GetDAGroups(SVID_CMV, &cmv);
   CSclLinkInfos::GetDAGroups(SVID_CMV, &cmv);
   EXPECT_EQ(cmv, (Ids{SVID_ACT, SVID_MV_Mag, SVID_MV_Ang, SVID_MV_Mag, SVID_MV_Ang}));

   EXPECT_TRUE(Listed(CSclLinkInfos::GetDAGroups, SVID_MV).empty());
   EXPECT_TRUE(Listed(CSclLinkInfos::GetDAGroups, static_cast<tSclValueId>(500)).empty());

   for (tSclValueId cdc : {SVID_ACT, SVID_ACD, SVID_WYE, SVID_DEL, SVID_SEQ, SVID_CMV})
      EXPECT_TRUE(CSclLinkInfos::HasDAGroups(cdc));
}

TEST(CSclLinkInfos, TargetAndSourceCDCs)
{
   EXPECT_EQ(CSclLinkInfos::GetTargetCDC(SVID_ACT), SVID_NONE);
   EXPECT_EQ(CSclLinkInfos::GetTargetCDC(SVID_SPC_PhsA), SVID_SPC);
   EXPECT_EQ(CSclLinkInfos::GetTargetCDC(SVID_INC_SeqT), SVID_INC);
   EXPECT_EQ(CSclLinkInfos::GetTargetCDC(SVID_BCR), SVID_INC);
   EXPECT_EQ(CSclLinkInfos::GetTargetCDC(SVID_MV_AngC2), SVID_MV);
   EXPECT_EQ(CSclLinkInfos::GetTargetCDC(SVID_CMV), SVID_NONE);
   EXPECT_EQ(CSclLinkInfos::GetTargetCDC(SVID_UNNAMED_33), SVID_NONE);

   const auto sources = [](tSclValueId aTarget) {
      return Listed(CSclLinkInfos::GetSourceCDCs, aTarget);
   };
   EXPECT_EQ(sources(SVID_DPC), (Ids{SVID_DPS, SVID_DPC}));
   EXPECT_EQ(sources(SVID_SPC), (Ids{SVID_SPS, SVID_SPC, SVID_SPC_General, SVID_SPC_PhsA,
                                     SVID_SPC_PhsB, SVID_SPC_PhsC, SVID_SPC_Neut}));
   // ascending ids, not table order: INC_SeqT (90) comes before INS (91)
   EXPECT_EQ(sources(SVID_INC),
             (Ids{SVID_INC_DirGeneral, SVID_INC_DirPhsA, SVID_INC_DirPhsB, SVID_INC_DirPhsC,
                  SVID_INC_DirNeut, SVID_INC_SeqT, SVID_INS, SVID_INC, SVID_BSC, SVID_BCR}));
   EXPECT_TRUE(sources(SVID_ACT).empty());
}

TEST(CSclLinkInfos, DALinks)
{
   using Texts = std::vector<std::string>;
   EXPECT_EQ(Links(SVID_INC_SeqT), (Texts{"seqT -> CO ctlVal"}));
   EXPECT_EQ(Links(SVID_MV_AngPhsB), (Texts{"phsB.cVal.ang.f -> MX mag.f", "phsB.q -> MX q"}));
   EXPECT_EQ(Links(SVID_MV_C3), (Texts{"c3.cVal.mag.f -> MX mag.f", "c3.q -> MX q"}));
   EXPECT_EQ(Links(SVID_MV), (Texts{"mag.f -> MX mag.f", "q -> MX q"}));
   EXPECT_EQ(Links(SVID_BSC), (Texts{"valWTr.posVal -> CO ctlVal", "q -> ST q"}));
   EXPECT_EQ(Links(SVID_INC_DirNeut), (Texts{"dirNeut -> CO ctlVal", "q -> ST q"}));
   EXPECT_EQ(Links(SVID_MV_Ang), (Texts{"cVal.ang.f -> MX mag.f", "q -> MX q"}));
   EXPECT_TRUE(Links(SVID_WYE).empty());

   // Every source with a target CDC has links, and every link names known ids.
   for (int id = 0; id <= 125; ++id) {
      tSclValueId source = static_cast<tSclValueId>(id);
      std::vector<tSclDALink> links;
      CSclLinkInfos::GetDALinks(source, &links);
      EXPECT_EQ(links.empty(), CSclLinkInfos::GetTargetCDC(source) == SVID_NONE) << id;
      for (const tSclDALink& link : links)
         EXPECT_FALSE(CSclLinkInfos::GetValue(link.SourceDA).empty() ||
                      CSclLinkInfos::GetValue(link.TargetDA).empty())
             << id;
   }
}

TEST(CSclLinkInfos, MaxTargetFCDA)
{
   auto pairs = [](tSclValueId aTarget) {
      std::vector<tSclFCDA> fcdas;
      CSclLinkInfos::GetMaxTargetFCDA(aTarget, &fcdas);
      std::vector<std::string> texts;
      for (const tSclFCDA& fcda : fcdas)
         texts.push_back(CSclLinkInfos::GetValue(fcda.FC) + " " + CSclLinkInfos::GetValue(fcda.DA));
      return texts;
   };
   using Texts = std::vector<std::string>;
   for (tSclValueId target : {SVID_SPC, SVID_DPC, SVID_INC})
      EXPECT_EQ(pairs(target), (Texts{"CO ctlVal", "ST q"})) << target;
   EXPECT_EQ(pairs(SVID_MV), (Texts{"MX mag.f", "MX q"}));
   EXPECT_TRUE(pairs(SVID_SPS).empty());
   EXPECT_TRUE(pairs(SVID_BSC).empty());
   EXPECT_TRUE(pairs(SVID_CMV).empty());

   std::vector<tSclFCDA> twice;
   CSclLinkInfos::GetMaxTargetFCDA(SVID_MV, &twice);
   CSclLinkInfos::GetMaxTargetFCDA(SVID_MV, &twice);
   EXPECT_EQ(twice.size(), 4u);
}

#ifndef NDEBUG
TEST(CSclLinkInfosDeathTest, NullVectorAssertsNamingTheSource)
{
   GTEST_FLAG_SET(death_test_style, "threadsafe");
   EXPECT_DEATH(CSclLinkInfos::GetDAGroups(SVID_ACT, nullptr), "apVector.*SclDll/CSclLinkInfos");
   EXPECT_DEATH(CSclLinkInfos::GetSourceCDCs(SVID_SPC, nullptr), "apVector.*SclDll/CSclLinkInfos");
   EXPECT_DEATH(CSclLinkInfos::GetDALinks(SVID_SPC, nullptr), "apVector.*SclDll/CSclLinkInfos");
   EXPECT_DEATH(CSclLinkInfos::GetMaxTargetFCDA(SVID_SPC, nullptr),
                "apVector.*SclDll/CSclLinkInfos");
}
#endif
