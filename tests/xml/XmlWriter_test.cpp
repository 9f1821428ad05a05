#include <gtest/gtest.h>

#include <cstring>

#include "TestSupport.h"
#include "xmlparser/LibraryText.h"
#include "xmlparser/XmlEncoding.h"
#include "xmlparser/XmlInterchange.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar::XmlParser;
using SclTest::CaptureReports;
using SclTest::TempFile;

namespace {

// A file written with one Write call.
TempFile WrittenFile(tFileFormat aFormat, const std::string& aText, tXmlTextMode aMode = {})
{
   TempFile file;
   CXmlParser writer(file.Path(), aFormat, true, aMode);
   EXPECT_EQ(writer.Write(aText), 0);
   return file;
}

// Its bytes.
std::string Written(tFileFormat aFormat, const std::string& aText, tXmlTextMode aMode = {})
{
   return WrittenFile(aFormat, aText, aMode).Bytes();
}

const std::string kBom = "\xFF\xFE";

} // namespace

TEST(XmlWriterFile, ConversionOfEachFormat)
{
   // ANSI keeps the library text, UTF-8 and UTF-16 resolve references and Windows-1252 bytes;
   // line feeds become CR LF everywhere.
   const struct {
      tFileFormat Format;
      const char* Text;
      std::string Bytes;
   } rows[] = {
       {FF_UTF8, "", ""},
       {FF_ANSI, "", ""},
       {FF_UTF16, "", kBom},
       {FF_ANSI, "a\nb", "a\r\nb"},
       {FF_UTF8, "a\nb", "a\r\nb"},
       {FF_UTF16, "a\nb", kBom + std::string("a\0\r\0\n\0b\0", 8)},
       {FF_UTF8, "x&#x0a;y", "x\r\ny"},
       {FF_UTF16, "&#x0a;", kBom + std::string("\r\0\n\0", 4)},
       {FF_ANSI, "x&#x0a;y", "x&#x0a;y"},
       {FF_UTF8, "&#x3a9;", "\xCE\xA9"},
       {FF_UTF16, "&#x3a9;", kBom + "\xA9\x03"},
       {FF_ANSI, "&#x3a9;", "&#x3a9;"},
       {FF_UTF8, "\x80\xE4", "\xE2\x82\xAC\xC3\xA4"},
       {FF_ANSI, "\x80\xE4", "\x80\xE4"},
       // A surrogate pair held as two references becomes one four-byte character.
       {FF_UTF8, "&#xd83d;&#xde00;", "\xF0\x9F\x98\x80"},
       // Not references: written character by character.
       {FF_UTF8, "&#x110000;", "&#x110000;"},
       {FF_UTF8, "&#x0;", "&#x0;"},
       {FF_UTF8, "&#xzz;", "&#xzz;"},
       {FF_UTF8, "&#x", "&#x"},
       // A reference without ";" swallows the rest of the call.
       {FF_UTF8, "&#x41 rest", "A"},
   };
   for (const auto& row : rows)
      EXPECT_EQ(Written(row.Format, row.Text), row.Bytes) << row.Format << " " << row.Text;
   // UTF-16 stops at a zero unit.
   EXPECT_EQ(Written(FF_UTF16, std::string("a\0b", 3)), kBom + std::string("a\0", 2));
}

TEST(XmlWriterFile, LongLinesConvertLikeShortOnes)
{
   // Long runs with line feeds, entities and 8-bit bytes at odd places equal the byte-wise form.
   std::string text;
   for (int i = 0; i < 300; ++i)
      text += i % 37 == 0 ? '\n' : i % 53 == 0 ? '&' : i % 71 == 0 ? '\xE4' : char('a' + i % 26);
   std::string ansi, utf8, utf16 = kBom;
   for (char c : text) {
      if (c == '\n') {
         ansi += '\r';
         utf8 += '\r';
         utf16 += std::string("\r\0", 2);
      }
      ansi += c;
      utf8 += c == '\xE4' ? std::string("\xC3\xA4") : std::string(1, c);
      utf16 += c;
      utf16 += '\0';
   }
   EXPECT_EQ(Written(FF_ANSI, text), ansi);
   EXPECT_EQ(Written(FF_UTF8, text), utf8);
   EXPECT_EQ(Written(FF_UTF16, text), utf16);
}

TEST(XmlWriterFile, Utf8TargetLimitPerCall)
{
   const std::string fits(1024, '\x80');
   EXPECT_EQ(Written(FF_UTF8, fits).size(), 3072u);
   CaptureReports capture;
   TempFile file;
   CXmlParser writer(file.Path(), FF_UTF8, true);
   EXPECT_EQ(SclTest::Thrown<xml_parser_error>([&] { writer.Write(std::string(1025, '\x80')); }),
             "CXmlParser::Write - Fehler bei Umwandlung UTF16 -> UTF8 (vorzeitiges Zielende)");
   ASSERT_FALSE(capture.Get().empty());
   EXPECT_EQ(capture.Get()[1], "   XML-Datei: " + file.Path());
}

TEST(XmlWriterFile, ExistingFileIsTruncatedAndAnInvalidFormatCannotBeOpened)
{
   TempFile file = TempFile::WithBytes("old content that is long");
   CXmlParser(file.Path(), FF_UTF8, true).Write("new"); // closed at the end of the statement
   EXPECT_EQ(file.Bytes(), "new");
   CaptureReports capture;
   EXPECT_THROW(CXmlParser(file.Path(), static_cast<tFileFormat>(0), true), xml_parser_error);
   EXPECT_EQ(capture.Get()[0], "CXmlParser::CXmlParser - Fehler beim \xD6"
                               "ffnen der Datei");
}

TEST(XmlWriterFile, RoundTripThroughTheReaderInEveryFormat)
{
   const std::string text = "<a v=\"\xE4\xF6\xFC\xDF \x80 &#x3a9; &#x4e2d;\">x &amp; y</a>";
   for (tFileFormat format : {FF_UTF8, FF_UTF16}) {
      TempFile file = WrittenFile(format, text);
      CXmlParser reader(file.Path(), FF_ANSI, false);
      EXPECT_EQ(reader.GetFileFormat(), format);
      EXPECT_EQ(std::string(reader.GetBuffer(), static_cast<size_t>(reader.GetLength())), text);
   }
   const std::string declared = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n" + text;
   TempFile file = WrittenFile(FF_ANSI, declared);
   CXmlParser reader(file.Path(), FF_UTF8, false);
   EXPECT_EQ(reader.GetFileFormat(), FF_ANSI);
   // The file holds CR LF; the reader gives the line end back as LF.
   EXPECT_NE(file.Bytes().find("?>\r\n<a"), std::string::npos);
   EXPECT_EQ(std::string(reader.GetBuffer(), static_cast<size_t>(reader.GetLength())), declared);
}

TEST(XmlWriterMemory, CopiesUnconvertedAndRefusesOverflow)
{
   char buffer[8];
   std::memset(buffer, '.', sizeof buffer);
   CXmlParser writer(buffer, 8, FF_UTF16, true);
   EXPECT_EQ(writer.Write("ab\n&#x3a9;"), 9); // one byte short: nothing is written
   EXPECT_EQ(std::string(buffer, 8), "........");
   EXPECT_EQ(writer.Write("ab\n"), 0);
   EXPECT_EQ(writer.Write("&#x3a"), 0);
   EXPECT_EQ(std::string(buffer, 8), "ab\n&#x3a");
   EXPECT_EQ(writer.GetPos(), 8);
   EXPECT_EQ(writer.Write("x"), 9);
   EXPECT_EQ(writer.Write(""), 0);
   // A reader refuses writing; a writer over neither buffer nor file throws.
   const std::string text = "abc";
   EXPECT_EQ(CXmlParser(text.data(), 3, FF_UTF8).Write("x"), 10);
   CaptureReports capture;
   CXmlParser nowhere(static_cast<char*>(nullptr), 0, FF_UTF8, true);
   EXPECT_EQ(SclTest::Thrown<xml_parser_error>([&] { nowhere.Write("x"); }),
             "CXmlParser::Write - File- und Speicherzeiger ist 0");
}

TEST(XmlConversions, PlainRunStopsAtTheFirstByteThatConvertsDifferently)
{
   // Every stop byte at every place around the sixteen-byte steps, line feed a stop or not.
   for (bool lineFeedStops : {false, true}) {
      for (size_t length = 0; length <= 40; ++length) {
         EXPECT_EQ(length, PlainRunLength(std::string(length, 'a').data(), length, lineFeedStops));
         for (size_t at = 0; at < length; ++at)
            for (char stop : {'\0', '&', '\n', '\x80', '\xFF'}) {
               std::string text(length, 'a');
               text[at] = stop;
               if (at + 1 < length)
                  text[length - 1] = '&'; // a later stop never hides the first
               const size_t expected =
                   stop == '\n' && !lineFeedStops ? (at + 1 < length ? length - 1 : length) : at;
               ASSERT_EQ(expected, PlainRunLength(text.data(), length, lineFeedStops))
                   << length << "/" << at << "/" << int(stop) << "/" << lineFeedStops;
            }
      }
   }
}

TEST(XmlConversions, EncodeEntities)
{
   EXPECT_EQ(CXmlParser::EncodeEntities("a<b & 'c'"), "a&lt;b &amp; &apos;c&apos;");
   EXPECT_EQ(CXmlParser::EncodeEntities("\">"), "&quot;&gt;");
   EXPECT_EQ(CXmlParser::EncodeEntities("&#x3a9;"), "&amp;#x3a9;");
   // Reading the encoded text back gives the library text again.
   EXPECT_EQ(CXmlParser::DecodeEntities(CXmlParser::EncodeEntities("&#x3a9;<&amp;>")),
             "&#x3a9;<&amp;>");
}

TEST(XmlConversions, AnsiAndUnicode)
{
   EXPECT_EQ(CXmlParser::Ansi2Unicode("x&#x41"), u"xA");
   EXPECT_EQ(CXmlParser::Ansi2Unicode("&amp;"), u"&amp;");
   EXPECT_EQ(CXmlParser::Ansi2Unicode("\x80\xE4&#x3a9;!"), u"\u20AC\u00E4\u03A9!");
   EXPECT_EQ(CXmlParser::Ansi2Unicode("a\nb"), u"a\nb");
   EXPECT_EQ(CXmlParser::Ansi2Unicode("&#x0;"), u"&#x0;");
   EXPECT_EQ(CXmlParser::Unicode2Ansi(u"\u20AC"), "\x80");
   EXPECT_EQ(CXmlParser::Unicode2Ansi(u"\u0100"), "&#x100;");
   EXPECT_EQ(CXmlParser::Unicode2Ansi(u"a\u0080b"), "a&#x80;b");
   EXPECT_EQ(CXmlParser::Unicode2Ansi(std::u16string(u"ab\0c", 4)), "ab");
   const std::u16string text = u"\u00C4\u03A9\u4E2D\uFEFF\u2122";
   EXPECT_EQ(CXmlParser::Ansi2Unicode(CXmlParser::Unicode2Ansi(text)), text);
}

// ---- conforming text mode ----

TEST(XmlWriterConforming, LibraryTextBecomesWhatTheFileDeclares)
{
   auto written = [](tFileFormat aFormat, bool aCrLf, const std::string& aText) {
      tXmlTextMode mode;
      mode.Conforming = true;
      mode.CrLf = aCrLf;
      return Written(aFormat, aText, mode);
   };
   // Canonical references are characters; other "&#x" text, the unassigned byte 0x81 and
   // characters XML forbids (0x01, a lone surrogate) are not.
   const std::string text = "\xE4\x80&#x3a9;&#xd83d;&#xde00;&#x41;\x81\x01&#xd800;\n";
   EXPECT_EQ(
       written(FF_UTF8, true, text),
       "\xC3\xA4\xE2\x82\xAC\xCE\xA9\xF0\x9F\x98\x80&#x41;\xC2\x81\xEF\xBF\xBD\xEF\xBF\xBD\r\n");
   EXPECT_EQ(written(FF_ANSI, false, text),
             "\xE4&#x20ac;&#x3a9;&#x1f600;&#x41;&#x81;&#xfffd;&#xfffd;\n");
   EXPECT_EQ(written(FF_UTF16, false, "\xE4&#x3a9;\n"),
             kBom + std::string("\xE4\0\xA9\x03\n\0", 6));
}

TEST(XmlConversions, ConformingEscapesNamesAndUtf8Helpers)
{
   std::string escaped;
   AppendXmlEscaped(escaped, "a&b<>\"'\r\n\t&#x3a9;&#x41;&#xe4;");
   EXPECT_EQ(escaped, "a&amp;b&lt;&gt;&quot;'&#xD;&#xA;&#x9;&#x3a9;&amp;#x41;&amp;#xe4;");
   EXPECT_TRUE(IsXmlName("scl:SCL", FF_UTF8));
   EXPECT_TRUE(IsXmlName("\xC4&#x3a9;-1", FF_UTF8));
   EXPECT_FALSE(IsXmlName("&#x3a9;", FF_ANSI));
   EXPECT_EQ(ToXmlName("1a&b\x01\x80", FF_UTF8), "_1a_b_\x80"); // the euro sign is a name character
   EXPECT_EQ(ToXmlName("", FF_UTF8), "_");
   // One colon at most, between two names: what a reader that knows namespaces takes.
   for (const char* name : {"a:b:c", "a:", ":a", "a:1", "a:\xC4:b"})
      EXPECT_FALSE(IsXmlName(name, FF_UTF8)) << name;
   EXPECT_TRUE(IsXmlName("a:\xC4", FF_UTF8));
   EXPECT_EQ(ToXmlName("_db:EN_5:1", FF_UTF8), "_db:EN_5_1");
   EXPECT_EQ(ToXmlName(":a::1", FF_UTF8), "_a:_1");
   EXPECT_EQ(ToXmlName("a:", FF_UTF8), "a_");
   EXPECT_EQ(ToXmlName("\xC4&#x3a9;", FF_ANSI), "\xC4_");
   EXPECT_EQ(LibraryToUtf8("\xE4\x80&#x3a9;&#xd83d;&#xde00;&#x41;&#xd800;"),
             "\xC3\xA4\xE2\x82\xAC\xCE\xA9\xF0\x9F\x98\x80&#x41;\xEF\xBF\xBD");
   EXPECT_EQ(Utf8ToLibrary("\xC3\xA4\xE2\x82\xAC\xCE\xA9\xF0\x9F\x98\x80\xE4!"),
             "\xE4\x80&#x3a9;&#xd83d;&#xde00;\xE4!");
}
