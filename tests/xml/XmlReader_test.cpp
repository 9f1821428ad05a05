#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>

#include "TestSupport.h"
#include "xmlparser/XmlInterchange.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar::XmlParser;
using SclTest::CaptureReports;
using SclTest::TempFile;
using Lines = std::vector<std::string>;

namespace {

// The library text a reader over a file with these bytes holds.
std::string ConvertedText(const std::string& aFileBytes, tFileFormat* apFormat = nullptr)
{
   TempFile file = TempFile::WithBytes(aFileBytes);
   CXmlParser parser(file.Path(), FF_ANSI, false);
   if (apFormat != nullptr)
      *apFormat = parser.GetFileFormat();
   return std::string(parser.GetBuffer(), static_cast<size_t>(parser.GetLength()));
}

// aText as UTF-16 behind its byte order mark, little-endian unless aBigEndian.
std::string Utf16(const std::u16string& aText, bool aBigEndian = false)
{
   std::string bytes = aBigEndian ? "\xFE\xFF" : "\xFF\xFE";
   for (char16_t unit : aText) {
      bytes.push_back(static_cast<char>(aBigEndian ? unit >> 8 : unit & 0xFF));
      bytes.push_back(static_cast<char>(aBigEndian ? unit & 0xFF : unit >> 8));
   }
   return bytes;
}

// The same for constructing a reader over aPath.
std::string OpenFailure(const std::string& aPath)
{
   return SclTest::Thrown<xml_parser_error>([&] { CXmlParser parser(aPath, FF_UTF8, false); });
}

// The same for a file with these bytes.
std::string ReadFailure(const std::string& aFileBytes)
{
   return OpenFailure(TempFile::WithBytes(aFileBytes).Path());
}

struct Tag {
   int Result = -1;
   std::string Name;
   bool IsStart = false, IsEnd = false, IsCData = false;
   tXmlAttribList Attribs;
};

Tag NextTag(CXmlParser& aParser)
{
   Tag tag;
   tag.Result = aParser.GetNextTag(tag.Name, tag.IsStart, tag.IsEnd, tag.Attribs, tag.IsCData);
   return tag;
}

Tag FirstTag(const std::string& aText)
{
   CXmlParser parser(aText.data(), static_cast<int32_t>(aText.size()), FF_UTF8);
   return NextTag(parser);
}

// A tag in one line: its flags (Start, End, CData) in brackets, its name, its attributes.
std::string Describe(const Tag& aTag)
{
   std::string text = std::string("[") + (aTag.IsStart ? "S" : "") + (aTag.IsEnd ? "E" : "") +
                      (aTag.IsCData ? "C" : "") + "]" + aTag.Name;
   for (const auto& attrib : aTag.Attribs)
      text += " " + attrib.Name + "='" + attrib.Value + "'";
   return text;
}

} // namespace

// ---- encoding detection and conversion ----

TEST(XmlReaderDetection, FormatAndLibraryTextOfEachInput)
{
   const std::u16string utf16 = u"<a b=\"\u03A9\u00E4\u20AC\"/>";
   const std::string iso = "<?xml version='1.0' encoding='ISO-8859-1'?><a>\xE4\x80\xC3\xA4</a>";
   const std::string isoLate = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
   const struct {
      std::string Bytes;
      tFileFormat Format;
      std::string Text; // empty: not compared
   } rows[] = {
       // No mark and no declaration: UTF-8; only the exact ISO-8859-1 spelling keeps bytes.
       {"<a>\xC3\xA4</a>", FF_UTF8, "<a>\xE4</a>"},
       {iso, FF_ANSI, iso},
       {"<?xml version='1.0' encoding='iso-8859-1'?><a/>", FF_UTF8, ""},
       {"<?xml version='1.0' encoding='windows-1252'?><a/>", FF_UTF8, ""},
       {"<?xml version='1.0' encoding='ISO-8859-15'?><a/>", FF_UTF8, ""},
       {"<?xml version='1.0' encoding=''?><a/>", FF_UTF8, ""},
       // Comments and a doctype before the declaration are skipped, an element is not.
       {"<!-- x --><!DOCTYPE SCL>" + isoLate + "<a/>", FF_ANSI, ""},
       {"<a/>" + isoLate, FF_UTF8, ""},
       // Only the first encoding attribute counts.
       {"<?xml encoding=\"UTF-8\" encoding=\"ISO-8859-1\"?><a/>", FF_UTF8, ""},
       // UTF-16 in both byte orders; an odd last byte is dropped.
       {Utf16(utf16), FF_UTF16, "<a b=\"&#x3a9;\xE4\x80\"/>"},
       {Utf16(utf16, true), FF_UTF16, "<a b=\"&#x3a9;\xE4\x80\"/>"},
       {Utf16(u"<a/>") + "x", FF_UTF16, "<a/>"},
       // The UTF-8 byte order mark becomes a reference; character and reference read alike.
       {"\xEF\xBB\xBF<a/>", FF_UTF8, "&#xfeff;<a/>"},
       {"<a>\xCE\xA9 &#x3a9;</a>", FF_UTF8, "<a>&#x3a9; &#x3a9;</a>"},
   };
   for (const auto& row : rows) {
      tFileFormat format = row.Format == FF_ANSI ? FF_UTF8 : FF_ANSI;
      const std::string text = ConvertedText(row.Bytes, &format);
      EXPECT_EQ(format, row.Format) << row.Bytes;
      if (!row.Text.empty()) {
         EXPECT_EQ(text, row.Text);
      }
   }
}

TEST(XmlReaderConversion, LenientUtf8)
{
   // Overlong "A", a stray continuation byte, a character outside the basic plane,
   // a NUL byte and a Windows-1252 character.
   EXPECT_EQ(ConvertedText(std::string("\xC1\x81|\x80|\xF0\x9F\x98\x80|\0|\xE2\x82\xAC", 15)),
             "A|&#x80;|&#xd83d;&#xde00;|&#x0;|\x80");
   // Following bytes are taken without checking that they continue the sequence:
   // C3 3C decodes to U+007C.
   EXPECT_EQ(ConvertedText("\xC3<a/>"), "|a/>");
}

TEST(XmlReaderConversion, TruncatedSequencesAndOutputLimitsFail)
{
   const std::string truncated =
       "CXmlParser::CXmlParser - Fehler bei Umwandlung UTF8 -> UTF16 (vorzeitiges Quellende)";
   EXPECT_EQ(ReadFailure("<a/>\xE2\x82"), truncated);
   EXPECT_EQ(ReadFailure("\xC3"), truncated);
   // Units needing eight-byte (UTF-16) or six-byte (UTF-8) references overflow; a few fit.
   const std::string tooSmall =
       "CXmlParser::CXmlParser - Puffer f\xFCr Umwandlung Unicode -> Ansi zu klein";
   EXPECT_EQ(ReadFailure(Utf16(std::u16string(1000, u'\u4E2D'))), tooSmall);
   EXPECT_EQ(ConvertedText(Utf16(std::u16string(10, u'\u4E2D'))).size(), 80u);
   EXPECT_EQ(ReadFailure(std::string(2000, '\x85')), tooSmall);
   EXPECT_EQ(ConvertedText(std::string(100, '\x85')).size(), 600u);
   // Three-byte characters with eight-byte references: the limit counts units, not bytes.
   std::string han;
   for (int i = 0; i < 200; ++i)
      han += "\xE4\xB8\xAD";
   EXPECT_EQ(ReadFailure(han), tooSmall);
   EXPECT_EQ(ConvertedText(han.substr(0, 450)), [] {
      std::string text;
      for (int i = 0; i < 150; ++i)
         text += "&#x4e2d;";
      return text;
   }());
}

TEST(XmlReaderFailures, MissingEmptyAndDirectory)
{
   CaptureReports capture;
   const std::string missing = "/nonexistent/dir/file.scd";
   const std::string cannotOpen = "CXmlParser::CXmlParser - Fehler beim \xD6"
                                  "ffnen der Datei";
   EXPECT_EQ(OpenFailure(missing), cannotOpen);
   EXPECT_EQ(capture.Get(), (Lines{cannotOpen, "   XML-Datei: " + missing, ""}));
   EXPECT_EQ(ReadFailure(""), "CXmlParser::CXmlParser - Fehler beim Lesen der Datei");
   EXPECT_EQ(OpenFailure("/tmp"), "CXmlParser::CXmlParser - Fehler beim Lesen der Datei");
}

// ---- tokens ----

TEST(XmlReaderTags, EveryConstructKind)
{
   const std::pair<const char*, const char*> rows[] = {
       {"<a x='1'>", "[S]a x='1'"},
       {"<a/>", "[SE]a"},
       {"<a x=\"1\"/>", "[SE]a x='1'"},
       {"</a>", "[E]a"},
       {"<?xml version='1.0' encoding=\"UTF-8\"?>", "[SE]?xml version='1.0' encoding='UTF-8'"},
       {"<!-- t -->", "[] t "},
       {"<![CDATA[a<b>]c]]>", "[C]a<b>]c"},
       {"<!DOCTYPE SCL>", "[]!DOCTYPE SCL"},
   };
   for (const auto& [text, expected] : rows) {
      const Tag t = FirstTag(text);
      EXPECT_EQ(t.Result, 0) << text;
      EXPECT_EQ(Describe(t), expected);
   }
}

TEST(XmlReaderTags, ViewsReadAsTheCopyingCall)
{
   // Plain tags (read in place) between every construct that goes to the byte-wise reading.
   const std::string text =
       "<?xml version='1.0'?><a x='1'y = \"2\"\tz\n=\n'>'><b/><c/ ><d x='1'/><e?><f x='1'?>"
       "</e ></g/></h x='1'><!-- c --><![CDATA[d]]><i x=1><j x><k x='1' y><l x='1'/ x>"
       "< m/><<n/><o x='1' ? ><p x='&lt;'></p><q x='unfinished";
   CaptureReports capture;
   CXmlParser copying(text.data(), static_cast<int32_t>(text.size()), FF_UTF8);
   CXmlParser viewing(text.data(), static_cast<int32_t>(text.size()), FF_UTF8);
   std::string_view name;
   tXmlAttribViewList views;
   for (int tags = 0;; ++tags) {
      const Tag expected = NextTag(copying);
      Tag got;
      got.Result = viewing.GetNextTagView(name, got.IsStart, got.IsEnd, views, got.IsCData);
      ASSERT_EQ(got.Result, expected.Result) << tags;
      ASSERT_EQ(viewing.GetPos(), copying.GetPos()) << tags;
      if (got.Result != 0)
         break;
      EXPECT_EQ(name, expected.Name) << tags;
      EXPECT_EQ(got.IsStart, expected.IsStart) << tags;
      EXPECT_EQ(got.IsEnd, expected.IsEnd) << tags;
      EXPECT_EQ(got.IsCData, expected.IsCData) << tags;
      ASSERT_EQ(views.size(), expected.Attribs.size()) << tags;
      for (size_t i = 0; i < views.size(); ++i) {
         EXPECT_EQ(views[i].Name, expected.Attribs[i].Name) << tags;
         EXPECT_EQ(views[i].Value, expected.Attribs[i].Value) << tags;
      }
   }
   // Every tag was read: the unfinished one at the end stops both, each where it starts.
   EXPECT_EQ(static_cast<size_t>(viewing.GetPos()), text.rfind("<q"));
}

TEST(XmlReaderTags, CommentDetails)
{
   EXPECT_EQ(FirstTag("<!-->").Name, "");
   EXPECT_EQ(FirstTag("<!-- a > b -->").Name, " a > b ");
   // Whitespace does not count among the last two bytes.
   EXPECT_EQ(FirstTag("<!--x- ->").Name, "x-");
   // Line feeds become references, carriage returns vanish.
   EXPECT_EQ(FirstTag("<!--a\r\nb\tc-->").Name, "a&#x0a;b\tc");
   EXPECT_EQ(FirstTag("<![CDATA[l1\nl2]]>").Name, "l1&#x0a;l2");
}

TEST(XmlReaderTags, SkipsCharacterDataAndKeepsThePositionOfAnUnfinishedTag)
{
   const std::string text = "text<a>more</a><b/>xy<a";
   CXmlParser parser(text.data(), static_cast<int32_t>(text.size()), FF_UTF8);
   EXPECT_EQ(Describe(NextTag(parser)), "[S]a");
   EXPECT_EQ(Describe(NextTag(parser)), "[E]a");
   EXPECT_EQ(Describe(NextTag(parser)), "[SE]b");
   char c = 0;
   parser.Read(c);
   EXPECT_EQ(NextTag(parser).Result, 12);
   EXPECT_EQ(parser.GetPos(), 20);
}

TEST(XmlReaderAttribs, MissingQuoteIsReportedAndTolerated)
{
   CaptureReports capture;
   Tag t = FirstTag("<a b=c>");
   EXPECT_EQ(t.Result, 0);
   EXPECT_EQ(Describe(t), "[S]a b='c'");
   EXPECT_EQ(capture.Get(), (Lines{"Fehler: CXmlParser::GetNextAttrib - \" oder ' zu b fehlt",
                                   "   Fehlercode: XML-Struktur fehlerhaft",
                                   "   XML-Datei: ", "   Zeile in XML-Datei: 1", ""}));
   // An unquoted value stops at the delimiter of an empty tag.
   EXPECT_EQ(Describe(FirstTag("<a b=c/>")), "[SE]a b='c'");
}

TEST(XmlReaderAttribs, ValuesAndFlags)
{
   EXPECT_EQ(Describe(FirstTag("<a  b  c = 'x\"<>\ny' d/>")), "[SE]a b='' c='x\"<>\ny' d=''");
   // Raw values: entities are not decoded by the tokeniser.
   EXPECT_EQ(FirstTag("<a v=\"&lt;&#x3a9;\">").Attribs[0].Value, "&lt;&#x3a9;");
}

TEST(XmlReaderValues, WhitespaceRunsFold)
{
   // Input, result, value, position after the call.
   const struct {
      const char* Text;
      int32_t Result;
      const char* Value;
      int32_t Pos;
   } cases[] = {{"  a  b  <x/>", 0, " a b ", 8},
                {" \r\n\t<x/>", 4, " ", -1},
                {"<x/>", 4, "", 0},
                {"x y", 0, "x y", 3}};
   for (const auto& c : cases) {
      SCOPED_TRACE(c.Text);
      const std::string text = c.Text;
      CXmlParser parser(text.data(), static_cast<int32_t>(text.size()), FF_UTF8);
      std::string value;
      EXPECT_EQ(parser.GetNextValue(value), c.Result);
      EXPECT_EQ(value, c.Value);
      if (c.Pos >= 0) {
         EXPECT_EQ(parser.GetPos(), c.Pos);
      }
   }
}

TEST(XmlReaderEntities, OnlyThePredefinedFive)
{
   EXPECT_EQ(CXmlParser::DecodeEntities("&lt;&amp;lt;&unknown;"), "<&lt;&unknown;");
   EXPECT_EQ(CXmlParser::DecodeEntities("&quot;&apos;&gt;"), "\"'>");
   EXPECT_EQ(CXmlParser::DecodeEntities("&#x3a9;&#937;"), "&#x3a9;&#937;");
   EXPECT_EQ(CXmlParser::DecodeEntities("a&amp"), "a&");
   EXPECT_EQ(CXmlParser::DecodeEntities("&"), "&");
}

// ---- positions and raw reads ----

TEST(XmlReaderPositions, ReadsLinesAndBounds)
{
   const std::string text = "ab\ncd\n\nef";
   CXmlParser parser(text.data(), static_cast<int32_t>(text.size()), FF_UTF8);
   EXPECT_EQ(parser.GetLine(), 1);
   char block[4] = {};
   EXPECT_EQ(parser.Read(block, 4), 0);
   EXPECT_EQ(std::string(block, 4), "ab\nc");
   EXPECT_EQ(parser.GetLine(), 2);
   EXPECT_EQ(parser.Read(block, 10), 9);
   EXPECT_EQ(parser.GetPos(), 4);
   EXPECT_EQ(parser.SetPos(8), 0);
   EXPECT_EQ(parser.GetLine(), 4);
   EXPECT_EQ(parser.SetPos(2), 0);
   EXPECT_EQ(parser.GetLine(), 1);
   EXPECT_EQ(parser.SetPos(10), 9);
   EXPECT_EQ(parser.SetPos(-1), 9);
   EXPECT_EQ(parser.SetPos(9), 0);
   char c = 'z';
   EXPECT_EQ(parser.Read(c), 12);
   EXPECT_EQ(c, 'z');
   EXPECT_EQ(parser.GetLength(), 9);
}

TEST(XmlReaderPositions, NeitherBufferNorFileThrows)
{
   CaptureReports capture;
   CXmlParser parser(static_cast<char*>(nullptr), 0, FF_UTF8, false);
   char c = 0;
   EXPECT_THROW(parser.Read(c), xml_parser_error);
   EXPECT_EQ(SclTest::Thrown<xml_parser_error>([&] { parser.GetPos(); }),
             "CXmlParser::GetPos - File- und Speicherzeiger ist 0");
   EXPECT_THROW(parser.SetPos(0), xml_parser_error);
   EXPECT_THROW(parser.GetLength(), xml_parser_error);
   EXPECT_EQ(parser.GetLine(), 0);
   EXPECT_EQ(capture.Get()[0], "CXmlParser::Read - File- und Speicherzeiger ist 0");
   // A writer refuses reading.
   char buffer[8];
   CXmlParser writer(buffer, 8, FF_UTF8, true);
   EXPECT_EQ(writer.Read(c), 10);
   EXPECT_EQ(writer.Read(buffer, 1), 10);
   EXPECT_EQ(NextTag(writer).Result, 10);
}

// ---- the Windows-1252 mapping ----

TEST(XmlCharacterMapping, Windows1252Table)
{
   // 0x80..0x9F; the five unassigned bytes map to '?'. Every other byte is its own code.
   const uint16_t upper[32] = {0x20AC, '?',    0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, '?',    0x017D, '?',
                               '?',    0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, '?',    0x017E, 0x0178};
   for (int b = 1; b < 256; ++b) {
      const bool mapped = b >= 0x80 && b < 0xA0;
      const uint16_t unit = mapped ? upper[b - 0x80] : static_cast<uint16_t>(b);
      EXPECT_EQ(CXmlParser::AnsiChar2Unicode(static_cast<unsigned char>(b)), unit) << b;
      if (unit != '?' || b == '?') {
         EXPECT_EQ(CXmlParser::UnicodeChar2Ansi(unit), b) << b;
      }
   }
   EXPECT_EQ(CXmlParser::UnicodeChar2Ansi(0x80), 0);
   EXPECT_EQ(CXmlParser::UnicodeChar2Ansi(0x0100), 0);
   EXPECT_EQ(CXmlParser::UnicodeChar2Ansi(0x03A9), 0);
}

// ---- conforming text mode ----

namespace {

// The library text, format and reports of a conforming reader over a file with these bytes.
struct tConforming {
   std::string Text;
   tFileFormat Format = FF_UTF8;
   bool CrLf = false;
   Lines Reports;
};

tConforming ReadConforming(const std::string& aFileBytes)
{
   TempFile file = TempFile::WithBytes(aFileBytes);
   CaptureReports reports;
   tXmlTextMode mode;
   mode.Conforming = true;
   CXmlParser parser(file.Path(), FF_UTF8, false, mode);
   tConforming result;
   result.Text.assign(parser.GetBuffer(), static_cast<size_t>(parser.GetLength()));
   result.Format = parser.GetFileFormat();
   result.CrLf = parser.HasCrLfLineEnds();
   result.Reports = reports.Get();
   return result;
}

} // namespace

TEST(XmlReaderConforming, DeclaredEncodingsDecideWithoutRegardToCase)
{
   // The byte of an umlaut never swallows the quote behind it, whatever the declaration.
   const std::string body = "?>\n<a b=\"\xE4\" c=\"\x80\x96\"/>";
   for (const char* name :
        {"iso-8859-1", "ISO_8859-1", "Latin1", "windows-1252", "CP1252", "us-ascii"}) {
      const tConforming read =
          ReadConforming(std::string("<?xml version='1.0' encoding='") + name + "'" + body);
      EXPECT_EQ(read.Format, FF_ANSI) << name;
      const bool latin1 = std::string(name).find('1') != std::string::npos &&
                          std::string(name).find("1252") == std::string::npos;
      // ISO-8859-1 holds control characters at 0x80..0x9F; Windows-1252 its own characters.
      EXPECT_NE(
          read.Text.find(latin1 ? "b=\"\xE4\" c=\"&#x80;&#x96;\"" : "b=\"\xE4\" c=\"\x80\x96\""),
          std::string::npos)
          << name << ": " << read.Text;
      // US-ASCII has no such bytes: taken as Windows-1252, reported.
      EXPECT_EQ(read.Reports.empty(), std::string(name) != "us-ascii") << name;
   }
   const tConforming utf8 = ReadConforming("<?xml version='1.0' encoding='utf-8'" + body);
   EXPECT_EQ(utf8.Format, FF_UTF8);
   EXPECT_NE(utf8.Text.find("b=\"\xE4\" c=\"\x80\x96\"/>"), std::string::npos) << utf8.Text;
   ASSERT_FALSE(utf8.Reports.empty());
   EXPECT_EQ(
       utf8.Reports[0],
       "Fehler: CXmlParser::CXmlParser - Ung\xFCltige UTF-8-Bytefolge, als Windows-1252 gelesen");
   EXPECT_EQ(std::count(utf8.Reports.begin(), utf8.Reports.end(), std::string()), 1);
   // Valid UTF-8, a byte order mark, an unknown encoding, UTF-16 and the line ends.
   const tConforming valid =
       ReadConforming("\xEF\xBB\xBF<a b=\"\xCE\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"/>\r\n");
   EXPECT_EQ(valid.Text, "<a b=\"&#x3a9;\x80&#xd83d;&#xde00;\"/>\n");
   EXPECT_TRUE(valid.CrLf);
   EXPECT_TRUE(valid.Reports.empty());
   const tConforming unknown = ReadConforming("<?xml version='1.0' encoding='Shift_JIS'?>\n<a/>\n");
   EXPECT_EQ(unknown.Format, FF_UTF8);
   EXPECT_FALSE(unknown.CrLf);
   ASSERT_FALSE(unknown.Reports.empty());
   EXPECT_EQ(unknown.Reports[0],
             "Fehler: CXmlParser::CXmlParser - Kodierung Shift_JIS unbekannt, als UTF-8 gelesen");
   EXPECT_EQ(ReadConforming(Utf16(u"<a b=\"\u03A9\u00E4\"/>", true)).Text,
             "<a b=\"&#x3a9;\xE4\"/>");
}

TEST(XmlReaderConforming, ConstructsEndAtTheirOwnDelimiters)
{
   tXmlTextMode mode;
   mode.Conforming = true;
   const std::string text = "<?my-pi some > data?><!-- a > b -- c --><![CDATA[x]>y]]>"
                            "<?xml version='1.0' encoding=\"x\"?><?empty?><!-- open";
   CXmlParser parser(text.data(), static_cast<int32_t>(text.size()), FF_UTF8);
   parser.SetTextMode(mode);
   for (const char* expected : {"[SE]?my-pi ='some > data'", "[] a > b -- c ", "[C]x]>y",
                                "[SE]?xml version='1.0' encoding='x'", "[SE]?empty =''"})
      EXPECT_EQ(Describe(NextTag(parser)), expected);
   const int32_t before = parser.GetPos();
   EXPECT_EQ(NextTag(parser).Result, 12); // unfinished: position kept
   EXPECT_EQ(parser.GetPos(), before);
}

TEST(XmlReaderConforming, EveryCharacterReferenceIsDecodedIntoLibraryText)
{
   EXPECT_EQ(DecodeXmlText("&#65;&#x41;&#X41;&#x3A9;&#937;&#xD;&#xa;&#9;&#176;&#x1F600;"),
             "AAA&#x3a9;&#x3a9;\r\n\t\xB0&#xd83d;&#xde00;");
   // Entities first come out as text; references to characters XML forbids stay text.
   EXPECT_EQ(DecodeXmlText("&amp;#65;&lt;&#0;&#x110000;&#xFFFE;&#12a;&#;&#x;a&b"),
             "&#65;<&#0;&#x110000;&#xFFFE;&#12a;&#;&#x;a&b");
}
