// The typed accessor families, composite identities, data attribute types and services flags.
#include <gtest/gtest.h>

#include <type_traits>

#include "SclDll/SclLib.h"
#include "SclTextSupport.h"

using namespace Arvenko::Melvotar::Scl;

static_assert(std::is_base_of_v<CSclLNBase, CSclLN0> && std::is_base_of_v<CSclLNBase, CSclLN>);
static_assert(std::is_base_of_v<CSclDIBase, CSclSDI> && !std::is_base_of_v<CSclDIBase, CSclDAI>);
static_assert(std::is_base_of_v<CSclDABase, CSclBDA> && std::is_base_of_v<CSclDOBase, CSclSDO>);

namespace {

CSclLDevice* FirstLDevice(CSclSCL* apScl)
{
   std::vector<CSclIED*> ieds;
   apScl->GetIEDs(ieds);
   std::vector<CSclAccessPoint*> aps;
   ieds.at(0)->GetAccessPoints(aps);
   std::vector<CSclLDevice*> lds;
   aps.at(0)->GetServer()->GetLDevices(lds);
   return lds.at(0);
}

} // namespace

TEST(TypedAccessors, LogicalNodeListsAndCompositeIdentities)
{
   auto pFile =
       SclTest::ReadXml(R"(<SCL><IED name="E"><AccessPoint name="P"><Server><LDevice inst="L">
  <LN prefix="a" lnClass="XCBR" inst="1" lnType="T"/>
  <LN0 lnClass="LLN0" inst="" lnType="T0"/>
  <LN lnClass="PTOC" inst="1" lnType="U"/>
 </LDevice></Server></AccessPoint></IED></SCL>)");
   CSclLDevice* pLD = FirstLDevice(pFile->GetSclElement());
   // Unresolved LNodeTypeRefs: lnClass is answered from the stored key.
   EXPECT_EQ(pLD->GetLN("aXCBR1"), pLD->GetChild(CID_LN));
   EXPECT_EQ(pLD->GetLN("XCBR1"), nullptr);
   EXPECT_NE(pLD->GetLN("PTOC1"), nullptr);
   EXPECT_EQ(pLD->GetLN("LLN0"), nullptr);
   ASSERT_NE(pLD->GetLN0(), nullptr);
   EXPECT_EQ(pLD->GetLN0()->GetId(), "LLN0");

   std::vector<CSclLN*> lns;
   pLD->GetLNs(lns);
   EXPECT_EQ(lns.size(), 2u);
   std::vector<CSclLNBase*> bases;
   pLD->GetLNBases(bases);
   ASSERT_EQ(bases.size(), 3u);
   EXPECT_EQ(bases[0], pLD->GetLN0()); // read last, sorted before the LNs by schema order
   EXPECT_EQ(bases[1], pLD->GetLN("aXCBR1"));
   EXPECT_EQ(pLD->GetLNBaseCount(), 3);
   EXPECT_EQ(pLD->GetLNCount(), 2);

   auto pComposite = SclTest::ReadXml(R"(<SCL>
 <IED name="E"><AccessPoint name="P"><Server><LDevice inst="L"><LN lnClass="XCBR" inst="1" lnType="T1">
  <DOI name="Pos"/><DOI name="Pos" ix="2"><DAI name="stVal" ix="0"/><SDI name="q"/></DOI>
 </LN></LDevice></Server></AccessPoint></IED>
 <DataTypeTemplates><LNodeType id="T1" lnClass="MMXU"/><LNodeType id="T1" lnClass="XCBR"/></DataTypeTemplates>
</SCL>)");
   CSclSCL* pScl = pComposite->GetSclElement();
   CSclDataTypeTemplates* pTemplates = pScl->GetDataTypeTemplates();
   EXPECT_EQ(pTemplates->GetLNodeType("T1"), nullptr);
   CSclLNodeType* pMMXU = pTemplates->GetLNodeType("MMXUT1");
   ASSERT_NE(pMMXU, nullptr);
   EXPECT_EQ(pMMXU->Get_lnClass(), "MMXU");

   CSclLN* pLN = FirstLDevice(pScl)->GetLN("XCBR1");
   ASSERT_NE(pLN, nullptr);
   EXPECT_EQ(pLN->GetRefLNodeType(), pTemplates->GetLNodeType("XCBRT1"));
   EXPECT_EQ(pLN->GetDOI("Pos")->Get_ix(), "");
   CSclDOI* pPos2 = pLN->GetDOI("Pos2");
   ASSERT_NE(pPos2, nullptr);
   EXPECT_NE(pPos2->GetDAI("stVal0"), nullptr);
   EXPECT_EQ(pPos2->GetDAI("stVal"), nullptr);
   EXPECT_NE(pPos2->GetSDI("q"), nullptr);

   // The LN's identity reads lnClass through the resolved type.
   pTemplates->GetLNodeType("XCBRT1")->Set_lnClass("CSWI");
   EXPECT_EQ(pLN->GetId(), "CSWI1");
   EXPECT_EQ(FirstLDevice(pScl)->GetLN("CSWI1"), pLN);
}

TEST(TypedAccessors, ContentReplacesTheFirstTextChild)
{
   auto pFile = SclTest::ReadXml(
       R"(<SCL><Header id="h"><History><Hitem version="1" revision="1" when="now">first</Hitem></History></Header>
 <IED name="E"><AccessPoint name="P"><Server><LDevice inst="L"><LN0 lnClass="LLN0" inst="" lnType="T">
  <GSEControl name="g" appID="a"><Private type="p"/></GSEControl></LN0></LDevice></Server></AccessPoint></IED></SCL>)");
   CSclSCL* pScl = pFile->GetSclElement();
   std::vector<CSclHitem*> items;
   pScl->GetHeader()->GetHistory()->GetHitems(items);
   CSclHitem* pItem = items.at(0);
   const int children = pItem->GetChildCount();
   EXPECT_EQ(pItem->GetContent(), "first");
   EXPECT_EQ(pItem->SetContent("second"), SE_OK);
   EXPECT_EQ(pItem->SetContent("third"), SE_OK);
   EXPECT_EQ(pItem->GetContent(), "third");
   EXPECT_EQ(pItem->GetChildCount(), children);

   // Without text the first SetContent creates one text child after the elements.
   CSclGSEControl* pGcb = FirstLDevice(pScl)->GetLN0()->GetGSEControl("g");
   EXPECT_EQ(pGcb->GetContent(), "");
   EXPECT_EQ(pGcb->SetContent("x"), SE_OK);
   EXPECT_EQ(pGcb->SetContent("y"), SE_OK);
   EXPECT_EQ(pGcb->GetContent(), "y");
   EXPECT_EQ(SclTest::WriteText(*pGcb),
             "<GSEControl name=\"g\" appID=\"a\">\n   <Private type=\"p\"/>\n"
             "   y\n</GSEControl>\n");
}

TEST(TypedAccessors, ChildFamiliesKeysPlacementAndServicesFlags)
{
   auto pFile = SclTest::ReadXml(R"(<SCL><Private type="a"/><Private/><Substation name="S">
  <VoltageLevel name="V"><Bay name="B"><ConductingEquipment name="Q" type="CBR">
   <Terminal cNodeName="1"/><Terminal cNodeName="2"/><Terminal cNodeName="3"/></ConductingEquipment></Bay></VoltageLevel>
 </Substation></SCL>)");
   CSclSCL* pScl = pFile->GetSclElement();
   std::vector<CSclPrivate*> privates;
   pScl->GetPrivates(privates);
   pScl->GetPrivates(privates);
   EXPECT_EQ(privates.size(), 4u);
   EXPECT_EQ(pScl->GetPrivate("a"), privates[0]);
   EXPECT_EQ(pScl->GetPrivate(""), privates[1]);
   EXPECT_EQ(pScl->GetPrivate("b"), nullptr);

   CSclHeader* pHeader = pScl->CreateHeader();
   ASSERT_NE(pHeader, nullptr);
   EXPECT_EQ(pScl->GetHeader(), pHeader);
   EXPECT_LT(pHeader->GetIndex(), pScl->GetSubstation("S")->GetIndex());
   EXPECT_GT(pHeader->GetIndex(), privates[1]->GetIndex());

   CSclConductingEquipment* pQ =
       pScl->GetSubstation("S")->GetVoltageLevel("V")->GetBay("B")->GetConductingEquipment("Q");
   EXPECT_EQ(pQ->GetTerminalCount(), 3); // 0..2 in the schema, not enforced
   EXPECT_EQ(pQ->Get__virtual(), "");
   EXPECT_EQ(pQ->Set__virtual("true"), SE_OK);
   EXPECT_EQ(pQ->Get__virtual(), "true");
   EXPECT_EQ(pQ->GetTerminal(""), pQ->GetChild(CID_Terminal)); // no name: empty identity

   // Services flags add and remove children in schema order.
   auto pWithServices =
       SclTest::ReadXml(R"(<SCL><IED name="E"><Services><GetDirectory/><GOOSE max="5"/>
  <FileHandling/><ReportSettings cbName="Fix"/></Services></IED></SCL>)");
   CSclServices* pServices = pWithServices->GetSclElement()->GetIED("E")->GetServices();
   ASSERT_NE(pServices, nullptr);
   EXPECT_TRUE(pServices->GetFlagGOOSE());
   pServices->SetFlagGOOSE(true);
   EXPECT_EQ(pServices->GetGOOSE()->Get_max(), "5");

   EXPECT_FALSE(pServices->GetFlagDynAssociation());
   pServices->SetFlagDynAssociation(true);
   EXPECT_TRUE(pServices->GetFlagDynAssociation());
   EXPECT_EQ(pServices->GetChild(0), pServices->GetDynAssociation());

   pServices->SetFlagConfLNs(true);
   EXPECT_EQ(pServices->GetChild(pServices->GetChildCount() - 1), pServices->GetConfLNs());
   pServices->SetFlagGSSE(true);
   EXPECT_EQ(pServices->GetGSSE()->GetIndex() + 1, pServices->GetFileHandling()->GetIndex());

   const int count = pServices->GetChildCount();
   pServices->SetFlagReportSettings(false);
   EXPECT_EQ(pServices->GetReportSettings(), nullptr);
   EXPECT_EQ(pServices->GetChildCount(), count - 1);
   pServices->SetFlagReportSettings(false);
   EXPECT_EQ(pServices->GetChildCount(), count - 1);
   EXPECT_FALSE(pServices->GetFlagReportSettings());

   auto pEmpty = SclTest::ReadXml("<SCL><IED name=\"E\"><Services/></IED></SCL>");
   CSclServices* pNew = pEmpty->GetSclElement()->GetIED("E")->GetServices();
   pNew->SetFlagGOOSE(true);
   ASSERT_NE(pNew->GetGOOSE(), nullptr);
   EXPECT_EQ(pNew->GetGOOSE()->GetChildCount(), 0);
}

TEST(TypedAccessors, DataAttributesChooseTheirTypeReferenceByBasicType)
{
   auto pFile = SclTest::ReadXml(R"(<SCL><DataTypeTemplates><DOType id="D" cdc="X">
  <DA name="a" bType="Enum" type="Beh" fc="ST"/>
  <DA name="b" bType="struct" type="S" fc="ST"/>
  <DA name="c" bType="Struct" type="S" fc="ST"/>
 </DOType><DAType id="S"><BDA name="i" bType="INT32" type="Beh"/></DAType>
 <EnumType id="Beh"><EnumVal ord="1">on</EnumVal></EnumType></DataTypeTemplates></SCL>)");
   CSclDataTypeTemplates* pTemplates = pFile->GetSclElement()->GetDataTypeTemplates();
   CSclDOType* pDOType = pTemplates->GetDOType("D");
   CSclDA* pEnum = pDOType->GetDA("a");
   EXPECT_EQ(pEnum->Get_type(), "Beh");
   EXPECT_EQ(pEnum->GetChildCount(CID_EnumTypeRef), 1);
   EXPECT_EQ(pEnum->GetChildCount(CID_DATypeRef), 0);
   EXPECT_EQ(pEnum->GetRefEnumType(), pTemplates->GetEnumType("Beh"));

   // Lower-case "struct" and a basic type without type reference keep a plain value.
   for (CSclDABase* pDA : {static_cast<CSclDABase*>(pDOType->GetDA("b")),
                           static_cast<CSclDABase*>(pTemplates->GetDAType("S")->GetBDA("i"))}) {
      EXPECT_EQ(pDA->GetChildCount(CID_REF), 0);
      EXPECT_EQ(pDA->Get_type(), "");
      EXPECT_NE(pDA->GetValue(NID_type), "");
      EXPECT_EQ(pDA->GetRefDAType(), nullptr);
      EXPECT_EQ(pDA->GetRefEnumType(), nullptr);
   }

   // Setting a DAType on the enum attribute adds the second reference; DATypeRef answers first.
   EXPECT_EQ(pEnum->SetRefDAType(pTemplates->GetDAType("S")), SE_OK);
   EXPECT_EQ(pEnum->GetChildCount(CID_REF), 2);
   EXPECT_EQ(pEnum->Get_type(), "S");
   EXPECT_EQ(pEnum->Get_bType(), "Enum");
   EXPECT_EQ(pDOType->GetDA("c")->GetRefDAType(), pTemplates->GetDAType("S"));
}
