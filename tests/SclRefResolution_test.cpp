// Reference objects after loading: resolution of every kind, keys that follow renamed
// targets, key texts in written start tags, stale references, copies between documents.
#include <gtest/gtest.h>

#include "SclDll/SclLib.h"
#include "SclTextSupport.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar::Scl;

namespace {

const char* const kDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<SCL><Header id="h"/>
 <Substation name="S1"><VoltageLevel name="V1"><Bay name="B1">
  <ConductingEquipment name="CB" type="CBR">
   <Terminal name="T" connectivityNode="S1/V1/B1/N1" substationName="S1" voltageLevelName="V1" bayName="B1" cNodeName="N1"/>
  </ConductingEquipment>
  <ConnectivityNode name="N1" pathName="S1/V1/B1/N1"/>
  <LNode iedName="E1" ldInst="LD1" prefix="a" lnClass="XCBR" lnInst="1"/>
 </Bay></VoltageLevel></Substation>
 <Communication><SubNetwork name="W1"><ConnectedAP iedName="E1" apName="P1">
  <GSE ldInst="LD1" cbName="gcb1"/><SMV ldInst="LD1" cbName="svc1"/>
 </ConnectedAP></SubNetwork></Communication>
 <IED name="E1"><AccessPoint name="P1"><Server><Authentication/><LDevice inst="LD1">
  <LN0 lnClass="LLN0" inst="" lnType="T0">
   <DataSet name="ds1">
    <FCDA ldInst="LD1" lnClass="LLN0" doName="Beh" fc="ST"/>
    <FCDA ldInst="LD1" prefix="a" lnClass="XCBR" lnInst="1" doName="Pos" fc="ST"/>
   </DataSet>
   <ReportControl name="rc1" datSet="ds1" rptID="r" confRev="1"><OptFields/>
    <RptEnabled><ClientLN iedName="E1" ldInst="LD1" prefix="a" lnClass="XCBR" lnInst="1"/></RptEnabled>
   </ReportControl>
   <GSEControl name="gcb1" datSet="ds1" appID="a1"><IEDName>E1</IEDName></GSEControl>
   <SampledValueControl name="svc1" datSet="ds1" smvID="s" smpRate="80" nofASDU="1"><SmvOpts/></SampledValueControl>
  </LN0>
  <LN prefix="a" lnClass="XCBR" inst="1" lnType="T1"><GSEControl name="gcbLN" appID="a2"/>
   <Inputs><ExtRef iedName="E1" ldInst="LD1" prefix="a" lnClass="XCBR" lnInst="1" doName="Pos"/></Inputs>
  </LN>
 </LDevice>
 <Association kind="predefined" iedName="E1" ldInst="LD1" lnClass="LLN0" lnInst=""/>
 </Server></AccessPoint></IED>
 <DataTypeTemplates>
  <LNodeType id="T0" lnClass="LLN0"><DO name="Beh" type="ENS"/></LNodeType>
  <LNodeType id="T1" lnClass="XCBR"><DO name="Pos" type="DPC"/></LNodeType>
  <DOType id="DPC" cdc="DPC"><DA name="stVal" bType="Dbpos" type="Dbpos" fc="ST"/><DA name="origin" bType="Struct" type="Orig" fc="ST"/></DOType>
  <DOType id="ENS" cdc="ENS"><DA name="stVal" bType="Enum" type="BehMode" fc="ST"/></DOType>
  <DAType id="Orig"><BDA name="orCat" bType="Enum" type="orCat"/></DAType>
  <EnumType id="Dbpos"><EnumVal ord="0">x</EnumVal></EnumType>
  <EnumType id="BehMode"><EnumVal ord="1">on</EnumVal></EnumType>
  <EnumType id="orCat"><EnumVal ord="0">n</EnumVal></EnumType>
 </DataTypeTemplates>
</SCL>
)";

/// Child aIndex of class T of apParent.
template <class T> T* Child(const CSclContainer* apParent, int aIndex = 0)
{
   std::vector<T*> list;
   SclGetChildren(*apParent, list);
   return list.at(static_cast<size_t>(aIndex));
}

/// The loaded document and short ways to its elements.
struct tDoc {
   std::unique_ptr<CSclFile> pFile = SclTest::ReadXml(kDocument);
   CSclSCL* Scl() const { return pFile->GetSclElement(); }
   CSclIED* IED() const { return static_cast<CSclIED*>(Scl()->GetChild(CID_IED)); }
   CSclLDevice* LD() const { return IED()->GetAccessPoint("P1")->GetServer()->GetLDevice("LD1"); }
   CSclLN0* LN0() const { return LD()->GetLN0(); }
   CSclLN* LN() const { return LD()->GetLN("aXCBR1"); }
   CSclDataTypeTemplates* Templates() const { return Scl()->GetDataTypeTemplates(); }
   CSclBay* Bay() const { return Scl()->GetSubstation("S1")->GetVoltageLevel("V1")->GetBay("B1"); }
   CSclConnectedAP* ConnectedAP() const
   {
      return Child<CSclConnectedAP>(Scl()->GetCommunication()->GetSubNetwork("W1"));
   }
};

} // namespace

TEST(SclRefResolution, EveryKindResolvesToItsTarget)
{
   tDoc doc;
   ASSERT_NE(doc.LN(), nullptr);
   CSclDataTypeTemplates* pTemplates = doc.Templates();

   EXPECT_EQ(doc.LN0()->GetRefLNodeType(), pTemplates->GetLNodeType("LLN0T0"));
   EXPECT_EQ(doc.LN()->GetRefLNodeType(), pTemplates->GetLNodeType("XCBRT1"));
   CSclDO* pPos = pTemplates->GetLNodeType("XCBRT1")->GetDO("Pos");
   EXPECT_EQ(pPos->GetRefDOType(), pTemplates->GetDOType("DPC"));
   CSclDOType* pDPC = pTemplates->GetDOType("DPC");
   EXPECT_EQ(pDPC->GetDA("stVal")->GetRefEnumType(), pTemplates->GetEnumType("Dbpos"));
   EXPECT_EQ(pDPC->GetDA("origin")->GetRefDAType(), pTemplates->GetDAType("Orig"));
   EXPECT_EQ(pTemplates->GetDAType("Orig")->GetBDA("orCat")->GetRefEnumType(),
             pTemplates->GetEnumType("orCat"));

   CSclDataSet* pDataSet = doc.LN0()->GetDataSet("ds1");
   EXPECT_EQ(doc.LN0()->GetReportControl("rc1")->GetRefDataSet(), pDataSet);
   CSclGSEControl* pGcb = doc.LN0()->GetGSEControl("gcb1");
   EXPECT_EQ(pGcb->GetRefDataSet(), pDataSet);
   EXPECT_EQ(Child<CSclIEDName>(pGcb)->GetRefIED(), doc.IED());
   EXPECT_EQ(doc.LN0()->GetSampledValueControl("svc1")->GetRefDataSet(), pDataSet);

   // FCDA: LN0 through lnClass LLN0 without lnInst, LN through prefix + lnClass + lnInst.
   EXPECT_EQ(Child<CSclFCDA>(pDataSet, 0)->GetRefLN0(), doc.LN0());
   EXPECT_EQ(Child<CSclFCDA>(pDataSet, 0)->GetRefLN(), nullptr);
   EXPECT_EQ(Child<CSclFCDA>(pDataSet, 1)->GetRefLN(), doc.LN());
   EXPECT_EQ(Child<CSclFCDA>(pDataSet, 1)->GetRefLNBase(), doc.LN());

   // LNRef owners: ClientLN, ExtRef, LNode, Association.
   CSclRptEnabled* pRpt = doc.LN0()->GetReportControl("rc1")->GetRptEnabled();
   EXPECT_EQ(Child<CSclClientLN>(pRpt)->GetRefLN(), doc.LN());
   EXPECT_EQ(Child<CSclExtRef>(doc.LN()->GetInputs())->GetRefLN(), doc.LN());
   EXPECT_EQ(Child<CSclLNode>(doc.Bay())->GetRefLNBase(), doc.LN());
   CSclServer* pServer = doc.IED()->GetAccessPoint("P1")->GetServer();
   EXPECT_EQ(Child<CSclAssociation>(pServer)->GetRefLN0(), doc.LN0());

   // Communication: the access point, then the control blocks of its LN0.
   CSclConnectedAP* pCAP = doc.ConnectedAP();
   EXPECT_EQ(pCAP->GetRefAccessPoint(), doc.IED()->GetAccessPoint("P1"));
   EXPECT_EQ(Child<CSclGSE>(pCAP)->GetRefGSEControl(), pGcb);
   EXPECT_EQ(Child<CSclSMV>(pCAP)->GetRefSampledValueControl(),
             doc.LN0()->GetSampledValueControl("svc1"));

   // Substation: the terminal's connectivity node.
   CSclTerminal* pTerminal = doc.Bay()->GetConductingEquipment("CB")->GetTerminal("T");
   EXPECT_EQ(pTerminal->GetRefConnectivityNode(), doc.Bay()->GetConnectivityNode("N1"));

   // A resolved reference keeps only its link: its key values are gone.
   const CScl* pRef = doc.LN()->GetChild(CID_LNodeTypeRef);
   ASSERT_NE(pRef, nullptr);
   EXPECT_EQ(static_cast<const CSclContainer*>(pRef)->GetChildCount(), 0);
}

TEST(SclRefResolution, KeysFollowRenamedTargets)
{
   tDoc doc;
   CSclLN* pLN = doc.LN();
   CSclLN0* pLN0 = doc.LN0();
   CSclBay* pBay = doc.Bay();
   CSclConnectedAP* pCAP = doc.ConnectedAP();
   CSclTerminal* pTerminal = pBay->GetConductingEquipment("CB")->GetTerminal("T");
   CSclIEDName* pIEDName = Child<CSclIEDName>(pLN0->GetGSEControl("gcb1"));
   CSclDataSet* pDataSet = pLN0->GetDataSet("ds1");

   doc.Templates()->GetLNodeType("XCBRT1")->Set_id("T2");
   doc.LD()->Set_inst("LDX");
   doc.IED()->Set_name("E2");
   pBay->Set_name("B9");
   pLN->Set_prefix("b");
   pDataSet->Set_name("ds9");

   // The getters answer the new keys, and the start tags carry them in key order.
   EXPECT_EQ(pLN->Get_lnType(), "T2");
   EXPECT_EQ(pCAP->Get_iedName(), "E2");
   EXPECT_EQ(pIEDName->GetContent(), "E2");
   EXPECT_EQ(pLN0->GetReportControl("rc1")->Get_datSet(), "ds9");
   EXPECT_EQ(pTerminal->Get_bayName(), "B9");
   EXPECT_EQ(Child<CSclLNode>(pBay)->Get_prefix(), "b");
   EXPECT_EQ(SclTest::StartTag(*Child<CSclLNode>(pBay)),
             "<LNode iedName=\"E2\" ldInst=\"LDX\" prefix=\"b\" lnClass=\"XCBR\" lnInst=\"1\"/>");
   EXPECT_EQ(SclTest::StartTag(*pLN),
             "<LN prefix=\"b\" inst=\"1\" lnClass=\"XCBR\" lnType=\"T2\">");
   EXPECT_EQ(SclTest::StartTag(*pTerminal),
             "<Terminal name=\"T\" connectivityNode=\"S1/V1/B1/N1\" substationName=\"S1\" "
             "voltageLevelName=\"V1\" bayName=\"B9\" cNodeName=\"N1\"/>");
   EXPECT_EQ(SclTest::StartTag(*pCAP), "<ConnectedAP iedName=\"E2\" apName=\"P1\">");
   EXPECT_EQ(SclTest::WriteText(*pIEDName), "<IEDName>E2</IEDName>\n");
   EXPECT_EQ(SclTest::StartTag(*Child<CSclFCDA>(pDataSet, 0)),
             "<FCDA doName=\"Beh\" fc=\"ST\" ldInst=\"LDX\" prefix=\"\" lnClass=\"LLN0\"/>");
   EXPECT_EQ(SclTest::StartTag(*Child<CSclFCDA>(pDataSet, 1)),
             "<FCDA doName=\"Pos\" fc=\"ST\" ldInst=\"LDX\" prefix=\"b\" lnClass=\"XCBR\" "
             "lnInst=\"1\"/>");
   EXPECT_EQ(SclTest::StartTag(*Child<CSclGSE>(pCAP)), "<GSE ldInst=\"LDX\" cbName=\"gcb1\"/>");
}

TEST(SclRefResolution, UnresolvedReferencesWriteWhatTheyRead)
{
   auto pFile = SclTest::ReadXml(R"(<SCL>
 <Communication><SubNetwork name="W"><ConnectedAP iedName="E1" apName="nope">
  <GSE ldInst="LD1" cbName="g"/></ConnectedAP></SubNetwork></Communication>
 <IED name="E1"><AccessPoint name="P"><Server><LDevice inst="LD1">
  <LN0 lnClass="LLN0" inst="" lnType="T1"><ReportControl name="r" datSet="none" rptID="x" confRev="1"/>
   <GSEControl name="g" appID="a"><IEDName>Z</IEDName></GSEControl></LN0>
 </LDevice></Server></AccessPoint></IED>
 <Substation name="S"><LNode lnClass="LLN0" ldInst="LD1"/></Substation>
 <DataTypeTemplates><LNodeType id="T1" lnClass="MMXU"/></DataTypeTemplates>
</SCL>)");
   CSclSCL* pScl = pFile->GetSclElement();
   CSclLN0* pLN0 =
       pScl->GetIED("E1")->GetAccessPoint("P")->GetServer()->GetLDevice("LD1")->GetLN0();
   EXPECT_EQ(pLN0->GetRefLNodeType(), nullptr);
   EXPECT_EQ(pLN0->Get_lnType(), "T1");
   EXPECT_EQ(SclTest::StartTag(*pLN0), "<LN0 inst=\"\" lnClass=\"LLN0\" lnType=\"T1\">");

   CSclReportControl* pReport = pLN0->GetReportControl("r");
   EXPECT_EQ(pReport->GetRefDataSet(), nullptr);
   EXPECT_EQ(pReport->Get_datSet(), "none");

   auto* pCAP = Child<CSclConnectedAP>(pScl->GetCommunication()->GetSubNetwork("W"));
   EXPECT_EQ(pCAP->GetRefAccessPoint(), nullptr);
   EXPECT_EQ(Child<CSclGSE>(pCAP)->GetRefGSEControl(), nullptr);
   EXPECT_EQ(Child<CSclGSE>(pCAP)->Get_cbName(), "g");
   auto* pLNode = Child<CSclLNode>(pScl->GetSubstation("S"));
   EXPECT_EQ(pLNode->GetRefLNBase(), nullptr);
   EXPECT_EQ(pLNode->Get_ldInst(), "LD1");
   EXPECT_EQ(pLNode->Get_iedName(), "");
   // An IEDName's content is its reference's key, also once pointed at an IED.
   CSclIEDName* pIEDName = Child<CSclIEDName>(pLN0->GetGSEControl("g"));
   EXPECT_EQ(pIEDName->GetRefIED(), nullptr);
   EXPECT_EQ(pIEDName->GetContent(), "Z");
   EXPECT_EQ(pIEDName->SetRefIED(pScl->GetIED("E1")), SE_OK);
   EXPECT_EQ(SclTest::WriteText(*pIEDName), "<IEDName>E1</IEDName>\n");
}

TEST(SclRefResolution, SetRefPointsTheReferenceAndDeletedTargetsLeaveItStale)
{
   tDoc doc;
   CSclDataTypeTemplates* pTemplates = doc.Templates();
   CSclLNodeType* pNew = pTemplates->CreateLNodeType();
   pNew->Set_id("T7");
   pNew->Set_lnClass("XCBR");
   ASSERT_EQ(doc.LN()->SetRefLNodeType(pNew), SE_OK);
   EXPECT_EQ(doc.LN()->Get_lnType(), "T7");

   // An element without reference child gets one.
   CSclDO* pDO = pNew->CreateDO();
   pDO->Set_name("Pos");
   EXPECT_EQ(pDO->GetRefDOType(), nullptr);
   EXPECT_EQ(pDO->SetRefDOType(pTemplates->GetDOType("ENS")), SE_OK);
   EXPECT_EQ(pDO->Get_type(), "ENS");
   EXPECT_EQ(pDO->GetChildCount(CID_DOTypeRef), 1);

   // Deleting a target leaves its references stale, with empty keys.
   CSclReportControl* pReport = doc.LN0()->GetReportControl("rc1");
   CSclDataSet* pDataSet = doc.LN0()->GetDataSet("ds1");
   ASSERT_EQ(pReport->GetRefDataSet(), pDataSet);
   ASSERT_EQ(doc.LN0()->DeleteChild(pDataSet), SE_OK);
   EXPECT_EQ(pReport->GetRefDataSet(), nullptr);
   EXPECT_EQ(pReport->Get_datSet(), "");
   EXPECT_EQ(SclTest::StartTag(*pReport),
             "<ReportControl name=\"rc1\" rptID=\"r\" confRev=\"1\" datSet=\"\">");

   CSclIED* pIED = doc.IED();
   CSclConnectedAP* pCAP = doc.ConnectedAP();
   ASSERT_EQ(doc.Scl()->DeleteChild(pIED), SE_OK);
   EXPECT_EQ(pCAP->GetRefAccessPoint(), nullptr);
   EXPECT_EQ(pCAP->Get_iedName(), "");
   EXPECT_EQ(SclTest::StartTag(*pCAP), "<ConnectedAP iedName=\"\" apName=\"\">");
}

TEST(SclRefResolution, CopiesIntoAnotherDocumentCarryPlainKeys)
{
   tDoc source;
   tDoc target;
   source.IED()->Set_name("E5");
   source.Templates()->GetLNodeType("XCBRT1")->Set_id("TX");
   CSclLNodeType* pTX = target.Templates()->CreateLNodeType();
   pTX->Set_id("TX");
   pTX->Set_lnClass("XCBR");
   CSclLN* pTargetLN = target.LD()->CreateLN();
   ASSERT_EQ(pTargetLN->Copy(*source.LN()), SE_OK);
   auto* pRef = static_cast<CSclLNodeTypeRef*>(pTargetLN->GetChild(CID_LNodeTypeRef));
   ASSERT_NE(pRef, nullptr);
   EXPECT_EQ(pRef->GetRefLNodeType(), nullptr);
   EXPECT_EQ(pRef->GetValue(NID_lnType), "TX");
   EXPECT_EQ(pRef->GetValue(NID_lnClass), "XCBR");
   pTargetLN->Complete();
   EXPECT_EQ(pTargetLN->GetRefLNodeType(), pTX);

   // The IEDName text travels as the reference's text.
   CSclGSEControl* pGcb = target.LN0()->CreateGSEControl();
   ASSERT_EQ(pGcb->Copy(*source.LN0()->GetGSEControl("gcb1")), SE_OK);
   CSclIEDName* pIEDName = Child<CSclIEDName>(pGcb);
   EXPECT_EQ(pIEDName->GetContent(), "E5");
   EXPECT_EQ(pIEDName->GetRefIED(), nullptr);

   // Within one document the copy keeps the target.
   CSclLN* pTwin = source.LD()->CreateLN();
   ASSERT_EQ(pTwin->Copy(*source.LN()), SE_OK);
   EXPECT_EQ(pTwin->GetRefLNodeType(), source.LN()->GetRefLNodeType());
}

TEST(SclRefResolution, SearchRulesOfLogicalNodesAndControlBlocks)
{
   // An LN0 is taken from the last access point holding LD1, an LN from the first.
   auto pFile = SclTest::ReadXml(R"(<SCL>
 <IED name="E1">
  <AccessPoint name="A"><Server><LDevice inst="LD1"><LN0 lnClass="LLN0" inst="" lnType="x"/>
   <LN lnClass="XCBR" inst="1" lnType="x"/></LDevice></Server>
   <LN lnClass="MMXU" inst="1" lnType="x"><DataSet name="d">
    <FCDA lnClass="MMXU" lnInst="1" doName="A" fc="MX"/>
    <FCDA lnClass="XCBR" lnInst="1" doName="A" fc="MX"/></DataSet></LN></AccessPoint>
  <AccessPoint name="B"><Server><LDevice inst="LD1"><LN0 lnClass="LLN0" inst="" lnType="x"/>
   <LN lnClass="XCBR" inst="1" lnType="x"/></LDevice></Server></AccessPoint>
 </IED>
 <IED name="E2"><AccessPoint name="C"><Server><LDevice inst="L"><LN0 lnClass="LLN0" inst="" lnType="x">
  <Inputs>
   <ExtRef iedName="E1" ldInst="LD1" lnClass="LLN0" doName="A"/>
   <ExtRef iedName="E1" ldInst="LD1" lnClass="XCBR" lnInst="1" doName="A"/>
   <ExtRef ldInst="LD1" lnClass="XCBR" lnInst="1" doName="A"/>
  </Inputs></LN0></LDevice></Server></AccessPoint></IED>
</SCL>)");
   CSclSCL* pScl = pFile->GetSclElement();
   CSclIED* pE1 = pScl->GetIED("E1");
   CSclLDevice* pLDA = pE1->GetAccessPoint("A")->GetServer()->GetLDevice("LD1");
   CSclLDevice* pLDB = pE1->GetAccessPoint("B")->GetServer()->GetLDevice("LD1");
   CSclLN0* pLN0E2 =
       pScl->GetIED("E2")->GetAccessPoint("C")->GetServer()->GetLDevice("L")->GetLN0();
   EXPECT_EQ(Child<CSclExtRef>(pLN0E2->GetInputs(), 0)->GetRefLN0(), pLDB->GetLN0());
   EXPECT_EQ(Child<CSclExtRef>(pLN0E2->GetInputs(), 1)->GetRefLN(), pLDA->GetLN("XCBR1"));
   // No iedName: no search.
   EXPECT_EQ(Child<CSclExtRef>(pLN0E2->GetInputs(), 2)->GetRefLNBase(), nullptr);

   CSclLN* pApLN = pE1->GetAccessPoint("A")->GetLN("MMXU1");
   ASSERT_NE(pApLN, nullptr);
   auto* pFirst = Child<CSclFCDA>(pApLN->GetDataSet("d"), 0);
   EXPECT_EQ(pFirst->GetRefLN(), pApLN);
   EXPECT_EQ(pFirst->Get_ldInst(), ""); // no LDevice above the target: stored
   // XCBR1 lives in a logical device.
   EXPECT_EQ(Child<CSclFCDA>(pApLN->GetDataSet("d"), 1)->GetRefLNBase(), nullptr);
}

TEST(SclRefResolution, CompletionTakesTheFirstMatchAndSeesEarlierEdits)
{
   // Of two IEDs named E1 the first resolves; a later completion sees the rename.
   auto pFile = SclTest::ReadXml(R"(<SCL>
 <Communication><SubNetwork name="W"><ConnectedAP iedName="E1" apName="P"/></SubNetwork></Communication>
 <IED name="E1" desc="first"><AccessPoint name="P"/></IED>
 <IED name="E1" desc="second"><AccessPoint name="P"/></IED>
</SCL>)");
   CSclSCL* pScl = pFile->GetSclElement();
   std::vector<CSclIED*> ieds;
   pScl->GetIEDs(ieds);
   ASSERT_EQ(ieds.size(), 2u);
   CSclSubNetwork* pNet = pScl->GetCommunication()->GetSubNetwork("W");
   CSclConnectedAP* pFirst = Child<CSclConnectedAP>(pNet);
   EXPECT_EQ(pFirst->GetRefAccessPoint(), ieds[0]->GetAccessPoint("P"));

   ieds[0]->Set_name("E0");
   CSclConnectedAP* pNew = pNet->CreateConnectedAP();
   pNew->SetAttribValue(NID_iedName, "E1");
   pNew->SetAttribValue(NID_apName, "P");
   pFile->Complete();
   EXPECT_EQ(pNew->GetRefAccessPoint(), ieds[1]->GetAccessPoint("P"));
   EXPECT_EQ(pFirst->Get_iedName(), "E0");
   EXPECT_EQ(pNew->GetChildCount(CID_VALUE), 0); // the keys moved into the resolved reference
}

TEST(SclRefResolution, AnLNFoundBeforeItsTypeResolvesIsFoundByItsNewIdentityAfterwards)
{
   // LNodeType "A"+"BC" matches the LN's stored "AB"+"C"; resolved, the LN reads lnClass "A".
   auto pFile = SclTest::ReadXml(R"(<SCL>
 <Substation name="S"><VoltageLevel name="V"><Bay name="B">
  <LNode iedName="E1" ldInst="L" lnClass="AB" lnInst="1"/></Bay></VoltageLevel></Substation>
 <IED name="E1"><AccessPoint name="P"><Server><LDevice inst="L">
  <LN lnClass="AB" inst="1" lnType="C"/></LDevice></Server></AccessPoint></IED>
 <IED name="E2"><AccessPoint name="P"><Server><LDevice inst="L"><LN0 lnClass="LLN0" inst="" lnType="C">
  <Inputs><ExtRef iedName="E1" ldInst="L" lnClass="A" lnInst="1" doName="X"/>
   <ExtRef iedName="E1" ldInst="L" lnClass="AB" lnInst="1" doName="X"/></Inputs></LN0>
 </LDevice></Server></AccessPoint></IED>
 <DataTypeTemplates><LNodeType id="BC" lnClass="A"/></DataTypeTemplates>
</SCL>)");
   CSclSCL* pScl = pFile->GetSclElement();
   CSclLN* pLN = pScl->GetIED("E1")->GetAccessPoint("P")->GetServer()->GetLDevice("L")->GetLN("A1");
   ASSERT_NE(pLN, nullptr);
   auto* pNode = Child<CSclLNode>(pScl->GetSubstation("S")->GetVoltageLevel("V")->GetBay("B"));
   EXPECT_EQ(pNode->GetRefLN(), pLN);
   CSclLN0* pLN0 = pScl->GetIED("E2")->GetAccessPoint("P")->GetServer()->GetLDevice("L")->GetLN0();
   EXPECT_EQ(Child<CSclExtRef>(pLN0->GetInputs(), 0)->GetRefLN(), pLN);
   EXPECT_EQ(Child<CSclExtRef>(pLN0->GetInputs(), 1)->GetRefLNBase(), nullptr);
}

TEST(SclRefResolution, OwnAncestorsAndAccessPointNodesInTheSearch)
{
   // Each terminal finds its own bay's node; an ExtRef with ldInst skips the access point's LNs.
   auto pFile = SclTest::ReadXml(R"(<SCL>
 <Substation name="S"><VoltageLevel name="V">
  <Bay name="B"><ConductingEquipment name="Q" type="CBR"><Terminal substationName="S"
   voltageLevelName="V" bayName="B" cNodeName="N" connectivityNode="S/V/B/N"/></ConductingEquipment>
   <ConnectivityNode name="N" pathName="S/V/B/N"/></Bay>
  <Bay name="B"><ConductingEquipment name="Q" type="CBR"><Terminal substationName="S"
   voltageLevelName="V" bayName="B" cNodeName="N" connectivityNode="S/V/B/N"/></ConductingEquipment>
   <ConnectivityNode name="N" pathName="S/V/B/N"/></Bay>
 </VoltageLevel></Substation>
 <IED name="E"><AccessPoint name="P"><LN lnClass="XCBR" inst="1" lnType="x"><Inputs>
  <ExtRef iedName="E" ldInst="L" lnClass="XCBR" lnInst="1" doName="Pos"/>
  <ExtRef iedName="E" ldInst="" lnClass="XCBR" lnInst="1" doName="Pos"/></Inputs></LN>
  <Server><LDevice inst="L"><LN0 lnClass="LLN0" inst="" lnType="x"/></LDevice></Server>
 </AccessPoint></IED>
</SCL>)");
   CSclSCL* pScl = pFile->GetSclElement();
   std::vector<CSclBay*> bays;
   pScl->GetSubstation("S")->GetVoltageLevel("V")->GetBays(bays);
   ASSERT_EQ(bays.size(), 2u);
   for (CSclBay* pBay : bays) {
      CSclTerminal* pTerminal = pBay->GetConductingEquipment("Q")->GetTerminal("");
      EXPECT_EQ(pTerminal->GetRefConnectivityNode(), pBay->GetConnectivityNode("N"));
   }
   CSclLN* pLN = pScl->GetIED("E")->GetAccessPoint("P")->GetLN("XCBR1");
   EXPECT_EQ(Child<CSclExtRef>(pLN->GetInputs(), 0)->GetRefLNBase(), nullptr);
   EXPECT_EQ(Child<CSclExtRef>(pLN->GetInputs(), 1)->GetRefLN(), pLN);
}
