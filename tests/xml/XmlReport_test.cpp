// The XML layer's error texts and reports; built and linked without the object layer.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "xmlparser/Report.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::XmlParser;
using SclTest::CaptureReports;
using Lines = std::vector<std::string>;

TEST(XmlParserErrorText, XmlLayerTableSharesTheFirstFourteen)
{
   for (int code = 0; code <= 13; ++code)
      EXPECT_EQ(GetXmlParserErrorText(code), GetErrorListText(code)) << code;
   EXPECT_EQ(GetXmlParserErrorText(2), "XML-Struktur fehlerhaft");
   EXPECT_EQ(GetXmlParserErrorText(14), "anderer Fehler");
   EXPECT_EQ(GetXmlParserErrorText(15), "unbekannter Fehler");
   EXPECT_EQ(GetXmlParserErrorText(-1), "unbekannter Fehler");
}

TEST(OutputXmlParserError, InfoBeforeFileAndLine)
{
   CaptureReports capture;
   OutputXmlParserError("X - y", nullptr, 2, 5);
   EXPECT_EQ(capture.Get(), (Lines{"Fehler: X - y", "   Fehlercode: XML-Struktur fehlerhaft",
                                   "   Zusatzinfo.: 5", ""}));
}

TEST(OutputXmlParserError, ExceptionReportsOnce)
{
   CaptureReports capture;
   try {
      throw xml_parser_error("CXmlParser::Read - File- und Speicherzeiger ist 0", nullptr, 0, 0);
   } catch (const xml_parser_error& e) {
      EXPECT_EQ(e.GetCode(), 0);
      EXPECT_STREQ(e.what(), "CXmlParser::Read - File- und Speicherzeiger ist 0");
   }
   EXPECT_EQ(capture.Get(), (Lines{"CXmlParser::Read - File- und Speicherzeiger ist 0", ""}));
}
