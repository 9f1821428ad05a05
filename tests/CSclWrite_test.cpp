// The element writer: indentation, start tags with attributes and reference keys, the short
// forms, remarks and text lines, the file root, the dry run and refused output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SclDll/CSclFile.h"
#include "SclDll/CSclNameTable.h"
#include "SclDll/CSclRef.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclValue.h"
#include "tests/SclTextSupport.h"
#include "tests/TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using namespace Arvenko::Melvotar::XmlParser;
using SclTest::CaptureReports;
using SclTest::ChildElement;
using SclTest::ReadText;
using SclTest::WriteText;

namespace {

const char* const s_Document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                               "<SCL><Header id=\"H\"><Text>abc</Text></Header>"
                               "<Substation name=\"S\"><VoltageLevel name=\"V\">"
                               "<Bay name=\"B1\"/></VoltageLevel></Substation></SCL>";

} // namespace

TEST(CSclWrite, ShortFormsNestingRemarksAndTexts)
{
   CSclFile file;
   ReadText(file, std::string(s_Document) + "<!----><!--end-->tail");
   EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<SCL>\n"
             "   <Header id=\"H\">\n"
             "      <Text>abc</Text>\n"
             "   </Header>\n"
             "   <Substation name=\"S\">\n"
             "      <VoltageLevel name=\"V\">\n"
             "         <Bay name=\"B1\"/>\n"
             "      </VoltageLevel>\n"
             "   </Substation>\n"
             "</SCL>\n"
             "<!---->\n" // at the file level even an empty remark keeps its line
             "<!--end-->\n"
             "tail\n",
             WriteText(file));
   EXPECT_EQ(0u, WriteText(file, 1).find("   <?xml"));
   // An element alone: the level shifts every line by three blanks per level.
   EXPECT_EQ("      <Header id=\"H\">\n"
             "         <Text>abc</Text>\n"
             "      </Header>\n",
             WriteText(*ChildElement(ChildElement(&file, CID_SCL), CID_Header), 2));

   CSclFile texts;
   ReadText(texts, "<SCL><Header id=\"h\">text<![CDATA[x<y]]><Text>t</Text>more"
                   "<!-- c --><!----></Header></SCL>");
   CSclContainer* pHeader = ChildElement(ChildElement(&texts, CID_SCL), CID_Header);
   ASSERT_NE(nullptr, pHeader);
   pHeader->CreateSclValue(tSclNameId(0), InsertLast)->SetValue(std::string());
   // Remarks raw, texts encoded, empty ones left out, children in their list order.
   EXPECT_EQ("<Header id=\"h\">\n"
             "   <![CDATA[x<y]]>\n"
             "   <!-- c -->\n"
             "   <Text>t</Text>\n"
             "   text\n"
             "   more\n"
             "</Header>\n",
             WriteText(*pHeader));

   // Content stands on the start tag's line only when it is a single text.
   CSclContainer root(nullptr);
   ReadText(root, "<Val sGroup=\"1\">v</Val><P type=\"a\"><!--c--></P><Text>a<X/></Text>");
   EXPECT_EQ("<Val sGroup=\"1\">v</Val>\n"
             "<P type=\"a\">\n"
             "   <!--c-->\n"
             "</P>\n"
             "<Text>\n"
             "   <X/>\n"
             "   a\n"
             "</Text>\n",
             WriteText(*ChildElement(&root, CID_Val)) + WriteText(*ChildElement(&root, CID_P)) +
                 WriteText(*ChildElement(&root, CID_Text)));
}

TEST(CSclWrite, ValuesAreEncodedAndReferencesWriteTheirKeysIntoTheOwnersStartTag)
{
   CSclContainer root(nullptr);
   CSclContainer* pText = root.CreateSclContainer(CID_Text, InsertLast);
   ASSERT_NE(nullptr, pText);
   pText->SetAttribValue("source", "a\"b'c<d>e&f");
   // A character outside Windows-1252 is held as a reference; its "&" is written escaped.
   pText->CreateSclValue(tSclNameId(0), InsertLast)->SetValue("1 < 2 & &#x3a9;");
   EXPECT_EQ("<Text source=\"a&quot;b&apos;c&lt;d&gt;e&amp;f\">1 &lt; 2 &amp; &amp;#x3a9;</Text>\n",
             WriteText(*pText));

   // Reading the output gives the same values back.
   CSclContainer again(nullptr);
   ReadText(again, WriteText(*pText));
   const CSclContainer* pAgain = ChildElement(&again, CID_Text);
   ASSERT_NE(nullptr, pAgain);
   EXPECT_EQ("a\"b'c<d>e&f", pAgain->GetValue(NID_source));
   EXPECT_EQ("1 < 2 & &#x3a9;", pAgain->GetValue(tSclNameId(0)));

   CSclFile file;
   ReadText(file, "<SCL><IED name=\"E1\"><AccessPoint name=\"AP\"><LN inst=\"1\"/>"
                  "</AccessPoint></IED><GSEControl name=\"G\"><IEDName/></GSEControl>"
                  "</SCL>");
   CSclContainer* pScl = ChildElement(&file, CID_SCL);
   CSclContainer* pLn =
       ChildElement(ChildElement(ChildElement(pScl, CID_IED), CID_AccessPoint), CID_LN);
   ASSERT_NE(nullptr, pLn);
   CSclContainer* pRef = pLn->CreateSclContainer(CID_LNodeTypeRef, InsertLast);
   ASSERT_NE(nullptr, pRef);
   pRef->SetAttribValue(NID_lnClass, "MMXU");
   pRef->SetAttribValue(NID_lnType, "T1");
   // Attributes come first, the reference's key text follows.
   EXPECT_EQ("<LN inst=\"1\"" + static_cast<CSclRef*>(pRef)->GetRefKeyText() + "/>\n",
             WriteText(*pLn));
   EXPECT_NE(std::string::npos, WriteText(*pLn).find("lnType=\"T1\""));

   // An IEDRef stands for its owner's text.
   CSclContainer* pIedName = ChildElement(ChildElement(pScl, CID_GSEControl), CID_IEDName);
   ASSERT_NE(nullptr, pIedName);
   CSclContainer* pIedRef = pIedName->CreateSclContainer(CID_IEDRef, InsertLast);
   ASSERT_NE(nullptr, pIedRef);
   pIedRef->CreateSclValue(tSclNameId(0), InsertLast)->SetValue("E&1");
   EXPECT_EQ("<IEDName>E&amp;1</IEDName>\n", WriteText(*pIedName));
   EXPECT_EQ("<GSEControl name=\"G\">\n"
             "   <IEDName>E&amp;1</IEDName>\n"
             "</GSEControl>\n",
             WriteText(*ChildElement(pScl, CID_GSEControl)));
}

TEST(CSclWrite, RefusedOutputAndLimitedLinesThrowAfterTheLinesThatFit)
{
   CSclContainer root(nullptr);
   ReadText(root, "<Bay name=\"B\"><LNode/></Bay>");
   const std::string firstLine = "<Bay name=\"B\">\n";
   std::vector<char> buffer(firstLine.size() + 5);
   CXmlParser writer(buffer.data(), static_cast<int32_t>(buffer.size()), FF_UTF8, true);

   CaptureReports reports;
   try {
      ChildElement(&root, CID_Bay)->Write(0, &writer, false);
      ADD_FAILURE() << "no exception";
   } catch (const scl_error& error) {
      EXPECT_STREQ("IO-Fehler beim Schreiben !", error.what());
      EXPECT_EQ(SE_IO, error.GetError());
      EXPECT_EQ(nullptr, error.GetObject());
      EXPECT_EQ(0, error.GetInfo());
   }
   EXPECT_EQ((std::vector<std::string>{"Fehler: IO-Fehler beim Schreiben !",
                                       "   Fehlercode: I/O-Fehler", ""}),
             reports.Get());
   EXPECT_EQ(firstLine, std::string(buffer.data(), static_cast<size_t>(writer.GetPos())));

   // A line whose conversion is limited per call is cut or refused on its own.
   CSclContainer limited(nullptr);
   ReadText(limited, "<Bay name=\"B\"><LNode/></Bay>");
   CSclContainer* pBay = ChildElement(&limited, CID_Bay);
   pBay->CreateSclRemark(1)->SetValue(std::string("a\0b", 3));

   // UTF-16 ends a call at its first zero unit: the remark line only.
   const SclTest::TempFile utf16;
   {
      CXmlParser wide(utf16.Path(), FF_UTF16, true);
      pBay->Write(0, &wide, false);
   }
   std::string expected = "\xFF\xFE";
   for (char c : std::string("<Bay name=\"B\">\r\n   <!--a   <LNode/>\r\n</Bay>\r\n")) {
      expected += c;
      expected += '\0';
   }
   EXPECT_EQ(expected, utf16.Bytes());

   // UTF-8 refuses a line growing beyond twice its units plus 1024 bytes; lines before it stay.
   pBay->DeleteChild(pBay->GetChild(1));
   pBay->CreateSclRemark(pBay->GetChildCount())->SetValue(std::string(1100, '\x80'));
   const SclTest::TempFile utf8;
   reports.Clear();
   {
      CXmlParser narrow(utf8.Path(), FF_UTF8, true);
      EXPECT_THROW(pBay->Write(0, &narrow, false), xml_parser_error);
   }
   EXPECT_EQ("<Bay name=\"B\">\r\n   <LNode/>\r\n", utf8.Bytes());
}

TEST(CSclWrite, DeepTreesNeedNoCallStackAndNoParser)
{
   CSclContainer root(nullptr);
   CSclContainer* pLevel = &root;
   for (int i = 0; i < 10000; ++i)
      pLevel = pLevel->CreateSclContainer(CID_CONTAINER, InsertLast);
   pLevel->SetSclName("leaf");
   // Without a parser the walk is a dry run that writes and reports nothing.
   CaptureReports reports;
   EXPECT_NO_THROW(root.Write(0, nullptr, false));
   EXPECT_NO_THROW(root.Write(3, nullptr, true));
   EXPECT_TRUE(reports.Get().empty());
   // Indentation stops growing at SCL_MAX_WRITE_INDENT levels.
   EXPECT_EQ(std::string(3 * SCL_MAX_WRITE_INDENT, ' ') + "<leaf/>\n", WriteText(*pLevel, 10000));
   EXPECT_EQ(std::string(3 * 5, ' ') + "<leaf/>\n", WriteText(*pLevel, 5));
}
