// Importing an IED between documents, and the report collector that makes reports records.
#include <gtest/gtest.h>

#include "SclDll/SclLib.h"
#include "SclTextSupport.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using SclTest::ReadXml;
using SclTest::StartTag;

namespace {

const char kTarget[] =
    "<SCL><IED name=\"T1\"><AccessPoint name=\"AP\"><Server><Authentication/>"
    "<LDevice inst=\"LD\"><LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"LLN0_T\"/></LDevice>"
    "</Server></AccessPoint></IED><DataTypeTemplates>"
    "<LNodeType id=\"LLN0_T\" lnClass=\"LLN0\"><DO name=\"Mod\" type=\"INC_X\"/></LNodeType>"
    "<DOType id=\"INC_X\" cdc=\"INC\"><DA name=\"stVal\" bType=\"Enum\" type=\"Mod_E\" fc=\"ST\"/>"
    "</DOType><DOType id=\"ENS_1\" cdc=\"ENS\"><DA name=\"stVal\" bType=\"INT32\" "
    "fc=\"ST\"/></DOType>"
    "<EnumType id=\"Mod_E\"><EnumVal ord=\"1\">on</EnumVal></EnumType></DataTypeTemplates></SCL>";

// S1 uses a DOType and an EnumType equal to the target's under other ids, a DOType whose id
// the target gives a different template, and names itself in three references.
const char kSource[] =
    "<SCL xmlns:x=\"urn:x\"><Communication><SubNetwork name=\"W\" type=\"8-MMS\">"
    "<ConnectedAP iedName=\"S1\" apName=\"AP\"><Address><P type=\"IP\">10.0.0.1</P></Address>"
    "<GSE ldInst=\"LD\" cbName=\"gcb\"/></ConnectedAP></SubNetwork></Communication>"
    "<IED name=\"S1\"><Private type=\"v\"><x:Tag/></Private><AccessPoint name=\"AP\"><Server>"
    "<Authentication/><LDevice inst=\"LD\"><LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"LLN0_S\">"
    "<DataSet name=\"ds\"><FCDA ldInst=\"LD\" lnClass=\"LLN0\" doName=\"Mod\" fc=\"ST\"/></DataSet>"
    "<Inputs><ExtRef iedName=\"S1\" ldInst=\"LD\" lnClass=\"LLN0\" doName=\"Beh\"/></Inputs>"
    "<GSEControl name=\"gcb\" datSet=\"ds\" appID=\"a\"><IEDName>S1</IEDName></GSEControl>"
    "</LN0></LDevice></Server></AccessPoint></IED><DataTypeTemplates>"
    "<LNodeType id=\"LLN0_S\" lnClass=\"LLN0\"><DO name=\"Mod\" type=\"INC_Y\"/>"
    "<DO name=\"Beh\" type=\"ENS_1\"/></LNodeType>"
    "<DOType id=\"INC_Y\" cdc=\"INC\"><DA fc=\"ST\" name=\"stVal\" bType=\"Enum\" type=\"Mod_F\"/>"
    "</DOType><DOType id=\"ENS_1\" cdc=\"ENS\"><DA name=\"stVal\" bType=\"Enum\" type=\"Mod_F\" "
    "fc=\"ST\"/></DOType><DOType id=\"Unused\" cdc=\"SPS\"/>"
    "<EnumType id=\"Mod_F\"><EnumVal ord=\"1\">on</EnumVal></EnumType></DataTypeTemplates></SCL>";

int CountReferences(const CSclContainer& aRoot, bool aResolved)
{
   int count = 0;
   aRoot.ForEachChild([&](CScl* apScl) {
      if (apScl->IsClass(CID_REF))
         count += (static_cast<CSclRef*>(apScl)->GetRefSclContainer() != nullptr) == aResolved;
      return 0;
   });
   return count;
}

} // namespace

TEST(ImportIED, ReusesEqualTemplatesRenamesClashesAndFollowsTheNewName)
{
   auto target = ReadXml(kTarget);
   auto source = ReadXml(kSource);
   tImportOptions options;
   options.NewName = "S2";
   tImportResult result;
   ASSERT_EQ(ImportIED(*target, *source, "S1", options, result), SE_OK);

   std::map<std::string, std::pair<std::string, tImportAction>> templates;
   for (const tImportedTemplate& entry : result.Templates)
      templates[entry.SourceId] = {entry.TargetId, entry.Action};
   EXPECT_EQ(templates.size(), 4u); // "Unused" is not part of the closure
   EXPECT_EQ(templates["Mod_F"], std::make_pair(std::string("Mod_E"), IMPORT_REUSED));
   EXPECT_EQ(templates["INC_Y"], std::make_pair(std::string("INC_X"), IMPORT_REUSED));
   EXPECT_EQ(templates["ENS_1"], std::make_pair(std::string("ENS_1_S2"), IMPORT_RENAMED));
   EXPECT_EQ(templates["LLN0_S"], std::make_pair(std::string("LLN0_S"), IMPORT_COPIED));

   CSclSCL* scl = target->GetSclElement();
   CSclDataTypeTemplates* dtt = scl->GetDataTypeTemplates();
   EXPECT_EQ(dtt->GetDOTypeCount(), 3);
   EXPECT_EQ(dtt->GetEnumTypeCount(), 1);
   const CSclLNodeType* lnType = dtt->GetLNodeType("LLN0LLN0_S");
   ASSERT_NE(lnType, nullptr);
   std::vector<CSclDO*> dos;
   lnType->GetDOs(dos);
   ASSERT_EQ(dos.size(), 2u);
   EXPECT_EQ(dos[0]->GetRefDOType(), dtt->GetDOType("INC_X"));
   EXPECT_EQ(dos[1]->GetRefDOType()->Get_id(), "ENS_1_S2");
   EXPECT_EQ(dos[1]->GetRefDOType()->GetDA("stVal")->GetRefEnumType(), dtt->GetEnumType("Mod_E"));

   // Every reference of the imported IED resolves, the ones naming the IED to the copy.
   ASSERT_NE(result.Ied, nullptr);
   EXPECT_EQ(result.Ied, scl->GetIED("S2"));
   EXPECT_TRUE(result.Unresolved.empty());
   EXPECT_EQ(CountReferences(*result.Ied, false), 0);
   EXPECT_GE(CountReferences(*result.Ied, true), 5);
   std::string written = SclTest::WriteText(*result.Ied);
   EXPECT_NE(written.find("<IEDName>S2</IEDName>"), std::string::npos) << written;
   EXPECT_NE(written.find("iedName=\"S2\" ldInst=\"LD\""), std::string::npos) << written;
   EXPECT_NE(StartTag(*scl).find("xmlns:x=\"urn:x\""), std::string::npos);
   EXPECT_EQ(result.AddedNamespaces, std::vector<std::string>{"x"});

   // The ConnectedAP went into a new subnetwork W and resolves with its GSE.
   EXPECT_EQ(result.ConnectedAPCount, 1);
   EXPECT_EQ(result.CreatedSubNetworks, std::vector<std::string>{"W"});
   CSclSubNetwork* subNetwork = scl->GetCommunication()->GetSubNetwork("W");
   ASSERT_NE(subNetwork, nullptr);
   EXPECT_EQ(subNetwork->Get_type(), "8-MMS");
   EXPECT_EQ(CountReferences(*subNetwork, true), 2);
   EXPECT_TRUE(target->IsChanged());

   // A second import under the same name is refused and changes nothing.
   const int children = scl->GetChildCount();
   EXPECT_EQ(ImportIED(*target, *source, "S1", options, result), SE_NAME);
   EXPECT_EQ(ImportIED(*target, *source, "S9", tImportOptions(), result), SE_DATA_NOT_FOUND);
   EXPECT_EQ(ImportIED(*target, *target, "T1", options, result), SE_OPERATION_NOT_ALLOWED);
   EXPECT_EQ(scl->GetChildCount(), children);
   EXPECT_EQ(scl->GetIEDCount(), 2);
}

TEST(CSclReportCollector, RecordsNestAndTheReaderGivesTheLine)
{
   SclTest::CaptureReports capture;
   {
      CSclReportCollector outer;
      {
         CSclReportCollector inner(true);
         ReadXml("<SCL>\n<IED name=\"E\">\n<AccessPoint name=\"A\">\n</IED></SCL>");
         // The repair report, then the refusal of the lost element's attributes.
         ASSERT_EQ(inner.GetReports().size(), 2u);
         const tSclReport& report = inner.GetReports()[0];
         EXPECT_EQ(report.Message, "CSclContainer::Read - <AccessPoint>: Ende-Tag fehlt");
         EXPECT_EQ(report.Code, SE_XML_PARSER);
         EXPECT_EQ(report.Path, "IED[E].AccessPoint[A]");
         EXPECT_EQ(report.Line, 4);
         EXPECT_EQ(inner.GetReports()[1].Info, 2);
         EXPECT_EQ(inner.GetErrorCount(), 2);
      }
      // The inner collector passed its lines on to the outer one.
      ASSERT_EQ(outer.GetReports().size(), 2u);
      OutputSclError("Notiz", SE_OK, nullptr, -3);
      ASSERT_EQ(outer.GetReports().size(), 3u);
      EXPECT_EQ(outer.GetReports()[2].Code, SE_OK);
      EXPECT_EQ(outer.GetReports()[2].Info, -3);
      EXPECT_EQ(outer.GetErrorCount(), 2);
   }
   // Forwarding stopped at the outer collector; the capture is installed again.
   EXPECT_TRUE(capture.Get().empty());
   OutputSclError("x", SE_OTHER, nullptr, 0);
   EXPECT_EQ(capture.Get().size(), 3u);
   EXPECT_EQ(SclErrorFromText("Name fehlerhaft"), SE_NAME);
   EXPECT_EQ(SclErrorFromText("unbekannter Fehler"), SE_OTHER);
}
