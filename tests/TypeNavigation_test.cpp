// From instance data to the type templates that describe them.
#include <gtest/gtest.h>

#include "SclDll/SclLib.h"
#include "SclTextSupport.h"

using namespace Arvenko::Melvotar::Scl;

namespace {

const char* const kDocument = R"(<SCL>
 <Substation name="S"><VoltageLevel name="V"><Bay name="B"/></VoltageLevel></Substation>
 <IED name="E"><AccessPoint name="P"><Server><LDevice inst="L">
  <LN0 lnClass="LLN0" inst="" lnType="T0"/>
  <LN lnClass="XCBR" inst="1" lnType="T1">
   <DOI name="Pos">
    <DAI name="stVal"/>
    <DAI name="stVal" ix="0"/>
    <SDI name="origin"><DAI name="orCat"/></SDI>
    <SDI name="stSeld"/>
   </DOI>
   <DOI name="Nope"/>
  </LN>
  <LN lnClass="XCBR" inst="2" lnType="missing"><DOI name="Pos"><DAI name="stVal"/></DOI></LN>
 </LDevice></Server></AccessPoint></IED>
 <DataTypeTemplates>
  <LNodeType id="T0" lnClass="LLN0"/>
  <LNodeType id="T1" lnClass="XCBR"><DO name="Pos" type="DPC"/></LNodeType>
  <DOType id="DPC" cdc="DPC">
   <SDO name="stSeld" type="SPS"/>
   <DA name="stVal" bType="Dbpos" type="Dbpos" fc="ST"/>
   <DA name="origin" bType="Struct" type="Orig" fc="ST"/>
  </DOType>
  <DOType id="SPS" cdc="SPS"/>
  <DAType id="Orig"><BDA name="orCat" bType="Enum" type="orCat"/></DAType>
  <EnumType id="Dbpos"><EnumVal ord="0">x</EnumVal></EnumType>
  <EnumType id="orCat"><EnumVal ord="0">n</EnumVal></EnumType>
 </DataTypeTemplates>
</SCL>)";

} // namespace

TEST(TypeNavigation, FromInstancesToTypeTemplates)
{
   auto pFile = SclTest::ReadXml(kDocument);
   auto* pScl = static_cast<CSclSCL*>(pFile->GetChild(CID_SCL));
   CSclLDevice* pLD = pScl->GetIED("E")->GetAccessPoint("P")->GetServer()->GetLDevice("L");
   CSclDataTypeTemplates* pTemplates = pScl->GetDataTypeTemplates();
   CSclDOType* pDPC = pTemplates->GetDOType("DPC");

   EXPECT_EQ(pLD->GetLN0()->GetTypeNodeOfInstance(), pLD->GetLN0()->GetRefLNodeType());
   EXPECT_EQ(pLD->GetLN0()->GetTypeNodeOfInstance(), pTemplates->GetLNodeType("LLN0T0"));

   CSclLN* pLN = pLD->GetLN("XCBR1");
   CSclDOI* pPos = pLN->GetDOI("Pos");
   EXPECT_EQ(pPos->GetDO(), pTemplates->GetLNodeType("XCBRT1")->GetDO("Pos"));
   EXPECT_EQ(pLN->GetDOI("Nope")->GetDO(), nullptr);

   CSclDAI* pStVal = pPos->GetDAI("stVal");
   EXPECT_EQ(pStVal->GetDA(), pDPC->GetDA("stVal"));
   EXPECT_EQ(pStVal->GetBDA(), nullptr);
   // With ix the identity is stVal0, which names no type child.
   CSclDAI* pIndexed = pPos->GetDAI("stVal0");
   EXPECT_EQ(pIndexed->GetDA(), nullptr);
   EXPECT_EQ(pIndexed->GetBDA(), nullptr);

   CSclSDI* pOrigin = pPos->GetSDI("origin");
   EXPECT_EQ(pOrigin->GetDA(), pDPC->GetDA("origin"));
   EXPECT_EQ(pOrigin->GetSDO(), nullptr);
   CSclDAI* pOrCat = pOrigin->GetDAI("orCat");
   EXPECT_EQ(pOrCat->GetBDA(), pTemplates->GetDAType("Orig")->GetBDA("orCat"));
   EXPECT_EQ(pOrCat->GetDA(), nullptr);
   EXPECT_EQ(pPos->GetSDI("stSeld")->GetSDO(), pDPC->GetSDO("stSeld"));

   // Missing links give null: an unresolved LNodeTypeRef, an element outside any LN.
   CSclDOI* pLost = pLD->GetLN("XCBR2")->GetDOI("Pos");
   EXPECT_EQ(pLost->GetDO(), nullptr);
   EXPECT_EQ(pLost->GetDAI("stVal")->GetDA(), nullptr);
   EXPECT_EQ(pScl->GetSubstation("S")->GetVoltageLevel("V")->GetBay("B")->GetTypeNodeOfInstance(),
             nullptr);

   // Navigation follows edits of the templates.
   pDPC->GetDA("stVal")->Set_name("stValue");
   EXPECT_EQ(pStVal->GetDA(), nullptr);
   pTemplates->GetDOType("SPS")->Set_id("DPC2");
   pTemplates->GetLNodeType("XCBRT1")->GetDO("Pos")->SetRefDOType(pTemplates->GetDOType("DPC2"));
   EXPECT_EQ(pPos->GetSDI("stSeld")->GetSDO(), nullptr);
}
