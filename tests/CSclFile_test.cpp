// Loading and saving whole files: formats, multipliers, stamps and the checksum stamp.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CompareSupport.h"
#include "SclDll/SclCrc32.h"
#include "SclDll/SclLib.h"
#include "SclDll/SclRefKeyLog.h"
#include "TestSupport.h"
#include "inc_scl/sclnorm/KVSclClasses.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using SclTest::CaptureReports;
using SclTest::TempFile;

namespace {

const char* const s_Document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<!-- planning state -->\n"
                               "<SCL xmlns=\"http://www.iec.ch/61850/2003/SCL\">\n"
                               "  <Header id=\"H\"/>\n"
                               "  <Substation name=\"S1\" desc=\"Nord\">\n"
                               "    <VoltageLevel name=\"E1\"><Bay name=\"Q1\"/></VoltageLevel>\n"
                               "  </Substation>\n"
                               "</SCL>\n";

// A file read from aBytes through a file on disk, as callers load documents.
struct tLoaded {
   TempFile source;
   CSclFile file;
   explicit tLoaded(const std::string& aBytes) : source(TempFile::WithBytes(aBytes))
   {
      file.Read(source.Path());
   }
};

// The bytes aFile writes to a new file.
std::string Saved(CSclFile& aFile)
{
   TempFile saved(".scd");
   aFile.Write(saved.Path());
   return saved.Bytes();
}

CSclPrivate* Stamp(const CSclFile& aFile, const char* apType, int aOccurrence = 0)
{
   std::vector<CSclPrivate*> privates;
   aFile.GetSclElement()->GetPrivates(privates);
   for (CSclPrivate* pPrivate : privates)
      if (pPrivate->Get_type() == apType && aOccurrence-- == 0)
         return pPrivate;
   return nullptr;
}

CSclContainer* Element(const CSclFile& aFile, const std::string& aPath)
{
   CSclContainer* pElement = aFile.GetSclElement();
   for (std::string rest = aPath; pElement != nullptr && !rest.empty();) {
      const size_t dot = rest.find('/');
      pElement = static_cast<CSclContainer*>(pElement->GetChildByNameId(rest.substr(0, dot)));
      rest = dot == std::string::npos ? "" : rest.substr(dot + 1);
   }
   return pElement;
}

const std::string s_Sued = std::string("S\xFC") + "d";

} // namespace

TEST(CSclFile, ReadNamesTheFileAfterItsPathAndKeepsItUnchanged)
{
   tLoaded loaded(s_Document);
   EXPECT_EQ(loaded.file.GetSclName(), loaded.source.Path());
   EXPECT_FALSE(loaded.file.IsChanged());
   EXPECT_FALSE(loaded.file.IsLoading());
   EXPECT_EQ(loaded.file.GetFileFormat(), XmlParser::FF_UTF8);
   ASSERT_NE(Element(loaded.file, "Substation/VoltageLevel/Bay"), nullptr);

   // A missing file throws after the name is taken.
   CaptureReports reports;
   CSclFile file;
   const std::string path = TempFile().Path();
   EXPECT_THROW(file.Read(path), XmlParser::xml_parser_error);
   EXPECT_EQ(file.GetSclName(), path);
   EXPECT_EQ(file.GetChildCount(), 0);
   EXPECT_FALSE(reports.Get().empty());
}

TEST(CSclFile, FixedMultipliersAreCorrectedOnlyUnderTheirParents)
{
   tLoaded loaded("<SCL><Communication>"
                  "<SubNetwork name=\"N\"><BitRate multiplier=\"k\">10</BitRate>"
                  "<ConnectedAP iedName=\"I\" apName=\"A\"><GSE ldInst=\"L\" cbName=\"G\">"
                  "<MinTime multiplier=\"m\">4</MinTime><MaxTime>1000</MaxTime>"
                  "</GSE></ConnectedAP></SubNetwork>"
                  "<BitRate multiplier=\"k\">10</BitRate>"
                  "</Communication></SCL>");
   auto multipliers = [&loaded] {
      std::vector<std::string> values;
      for (const char* path : {"SubNetwork/BitRate", "SubNetwork/ConnectedAP/GSE/MinTime",
                               "SubNetwork/ConnectedAP/GSE/MaxTime", "BitRate"}) {
         const CSclContainer* pElement = Element(loaded.file, std::string("Communication/") + path);
         values.push_back(pElement != nullptr ? pElement->GetValue(NID_multiplier) : "missing");
      }
      return values;
   };
   const std::vector<std::string> corrected = {"M", "m", "m", "k"};
   EXPECT_TRUE(loaded.file.IsChanged());
   EXPECT_EQ(multipliers(), corrected);

   // A save corrects again, and its checksum stamp covers the corrected values.
   Element(loaded.file, "Communication/SubNetwork/BitRate")->SetAttribValue(NID_multiplier, "k");
   Element(loaded.file, "Communication/SubNetwork/ConnectedAP/GSE/MaxTime")->DeleteChildren();
   TempFile saved(".scd");
   loaded.file.Write(saved.Path(), false);
   EXPECT_EQ(multipliers(), corrected);
   EXPECT_TRUE(loaded.file.IsValidFileCRC());

   tLoaded correct("<SCL><Communication><SubNetwork name=\"N\">"
                   "<BitRate multiplier=\"M\">10</BitRate></SubNetwork></Communication></SCL>");
   EXPECT_FALSE(correct.file.IsChanged());
}

TEST(CSclFile, WriteStampsTheDocumentAndVerifyingLeavesItAsItWas)
{
   tLoaded loaded(s_Document);
   EXPECT_FALSE(loaded.file.IsValidFileCRC()) << "no stamp yet";
   TempFile saved(".scd");
   loaded.file.Write(saved.Path(), false);

   const CSclPrivate* pVersion = Stamp(loaded.file, SCL_STAMP_VERSION);
   const CSclPrivate* pEditTime = Stamp(loaded.file, SCL_STAMP_EDIT_TIME);
   const CSclPrivate* pCrc = Stamp(loaded.file, SCL_STAMP_CRC);
   ASSERT_TRUE(pVersion && pEditTime && pCrc);
   EXPECT_EQ(pVersion->GetContent(), "V02.08.02");
   EXPECT_TRUE(std::regex_match(pEditTime->GetContent(),
                                std::regex(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)")));
   EXPECT_TRUE(std::regex_match(pCrc->GetContent(), std::regex(R"(-?\d+)")));
   // The stamps sit before the Header, where the schema puts Private under SCL.
   EXPECT_LT(pCrc->GetIndex(), loaded.file.GetSclElement()->GetHeader()->GetIndex());
   EXPECT_FALSE(loaded.file.IsChanged());
   EXPECT_EQ(loaded.file.GetSclName(), loaded.source.Path());
   EXPECT_TRUE(loaded.file.IsValidFileCRC());

   // The checksum belongs to the content, not to the path or the bytes.
   CSclFile reread;
   reread.Read(saved.Path());
   EXPECT_TRUE(reread.IsValidFileCRC());
   const std::string bytes = saved.Bytes();
   EXPECT_NE(bytes.find("<Private type=\"Arvenko-CRC\">" + pCrc->GetContent() + "</Private>\r\n"),
             std::string::npos);
   EXPECT_EQ(bytes.find("\n"), bytes.find("\r\n") + 1) << "lines end in CR LF";

   // Verifying leaves the document as it was.
   const int32_t before = loaded.file.GetCRC32(SCL_CRC32_START);
   const std::string stamped = pCrc->GetContent();
   loaded.file.SetChanged(true);
   Element(loaded.file, "Header")->SetAttribValue(NID_id, "H2");
   EXPECT_FALSE(loaded.file.IsValidFileCRC());
   Element(loaded.file, "Header")->SetAttribValue(NID_id, "H");
   EXPECT_TRUE(loaded.file.IsValidFileCRC());
   EXPECT_EQ(loaded.file.GetCRC32(SCL_CRC32_START), before);
   EXPECT_EQ(Stamp(loaded.file, SCL_STAMP_CRC)->GetContent(), stamped);
   EXPECT_TRUE(loaded.file.IsChanged());
   tLoaded empty("<SCL><Private type=\"Arvenko-CRC\"/></SCL>");
   const int childCount = Stamp(empty.file, SCL_STAMP_CRC)->GetChildCount();
   EXPECT_FALSE(empty.file.IsValidFileCRC());
   EXPECT_EQ(Stamp(empty.file, SCL_STAMP_CRC)->GetChildCount(), childCount);
}

TEST(CSclFile, AnyChangeAfterSavingInvalidatesTheChecksum)
{
   const auto changes = std::vector<std::function<void(CSclFile&)>>{
       [](CSclFile& f) { Element(f, "Substation")->SetAttribValue(NID_desc, s_Sued); },
       [](CSclFile& f) { Element(f, "Substation/VoltageLevel")->DeleteChildren(); },
       [](CSclFile& f) { Element(f, "Substation")->CreateSclContainer(CID_VoltageLevel); },
       [](CSclFile& f) { f.GetChild(CID_REMARK)->SetValue(" other state "); },
       [](CSclFile& f) { Stamp(f, SCL_STAMP_VERSION)->SetContent("V02.08.01"); },
       [](CSclFile& f) { Stamp(f, SCL_STAMP_EDIT_TIME)->SetContent("01.01.2000 00:00:00"); },
       [](CSclFile& f) { Stamp(f, SCL_STAMP_CRC)->SetContent("0"); },
   };
   for (size_t i = 0; i < changes.size(); ++i) {
      tLoaded loaded(s_Document);
      Saved(loaded.file);
      ASSERT_TRUE(loaded.file.IsValidFileCRC());
      changes[i](loaded.file);
      EXPECT_FALSE(loaded.file.IsValidFileCRC()) << "change " << i;
   }
}

TEST(CSclFile, OnlyTheFirstChecksumAndTheLastOtherStampsAreRenewed)
{
   tLoaded loaded("<SCL><Private type=\"Arvenko-CRC\">1</Private>"
                  "<Private type=\"Arvenko-CRC\">2</Private></SCL>");
   Saved(loaded.file);
   EXPECT_NE(Stamp(loaded.file, SCL_STAMP_CRC, 0)->GetContent(), "1");
   EXPECT_EQ(Stamp(loaded.file, SCL_STAMP_CRC, 1)->GetContent(), "2");
   EXPECT_TRUE(loaded.file.IsValidFileCRC());
   Stamp(loaded.file, SCL_STAMP_CRC, 1)->SetContent("3");
   EXPECT_FALSE(loaded.file.IsValidFileCRC()) << "the second stamp is content like any other";

   // Of the version and edit time stamps the last ones are renewed.
   tLoaded other("<SCL><Private type=\"Arvenko-SclLib-Version\">old</Private>"
                 "<Private type=\"Arvenko-SclLib-Version\">old</Private>"
                 "<Private type=\"Arvenko-SclLib-EditTime\">old</Private></SCL>");
   Saved(other.file);
   EXPECT_EQ(Stamp(other.file, SCL_STAMP_VERSION, 0)->GetContent(), "old");
   EXPECT_EQ(Stamp(other.file, SCL_STAMP_VERSION, 1)->GetContent(), "V02.08.02");
   EXPECT_NE(Stamp(other.file, SCL_STAMP_EDIT_TIME, 0)->GetContent(), "old");
   EXPECT_EQ(Stamp(other.file, SCL_STAMP_EDIT_TIME, 1), nullptr);
   EXPECT_EQ(other.file.GetSclElement()->GetPrivateCount(), 4);

   // A document without SCL is saved without stamps.
   tLoaded foreign("<?xml version=\"1.0\"?><Other a=\"1\"><SCL/></Other>");
   EXPECT_EQ(Saved(foreign.file),
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Other a=\"1\">\r\n"
             "   <SCL/>\r\n</Other>\r\n");
   EXPECT_FALSE(foreign.file.IsValidFileCRC());
}

TEST(CSclFile, SavingTwiceDiffersAtMostInTheVolatileStamps)
{
   tLoaded loaded(s_Document);
   std::istringstream first(Saved(loaded.file)), second(Saved(loaded.file));
   std::string a, b;
   while (std::getline(first, a) && std::getline(second, b))
      EXPECT_TRUE(a == b || a.find("Arvenko-SclLib-EditTime") != std::string::npos ||
                  a.find("Arvenko-CRC") != std::string::npos)
          << a;
   EXPECT_TRUE(first.eof() && !std::getline(second, b)) << "both have the same number of lines";
}

TEST(CSclFile, SavingBesideTheChecksumWalkGivesTheSerialBytesReportsAndFailures)
{
   // Units enough for either path, references in each of them, a multiplier to correct in a
   // late one.
   std::string document = "<SCL><Header id=\"H\"/>";
   for (int i = 0; i < 12; ++i)
      document += "<IED name=\"I" + std::to_string(i) +
                  "\"><AccessPoint name=\"P\"><Server><LDevice inst=\"L\">"
                  "<LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"T0\"/>"
                  "<LN lnClass=\"XCBR\" inst=\"1\" lnType=\"T\"/></LDevice></Server>"
                  "</AccessPoint></IED>";
   document += "<Communication><SubNetwork name=\"N\"><BitRate multiplier=\"M\">10</BitRate>"
               "</SubNetwork></Communication><DataTypeTemplates>"
               "<LNodeType id=\"T0\" lnClass=\"LLN0\"/><LNodeType id=\"T\" lnClass=\"XCBR\"/>"
               "</DataTypeTemplates></SCL>";
   struct tSave {
      std::string bytes;
      std::vector<std::string> reports;
      std::string failure;
      std::string editTime;
   };
   // A save through one path (aMinUnits: the fewest units for the second thread); aBadIed:
   // the IED given a line UTF-8 refuses (-1: none).
   auto save = [&document](size_t aMinUnits, int aBadIed, bool aBadPath) {
      tLoaded loaded(document);
      Element(loaded.file, "Communication/SubNetwork/BitRate")->SetAttribValue(NID_multiplier, "k");
      if (aBadIed >= 0)
         static_cast<CSclContainer*>(loaded.file.GetSclElement()->GetChildByInstanceIndex(CID_IED, aBadIed))
             ->CreateSclRemark()
             ->SetValue(std::string(1100, '\x80'));
      const TempFile target(".scd");
      const size_t previous = CSclRefKeyLog::s_MinUnitsBeside.exchange(aMinUnits);
      tSave result;
      {
         CaptureReports reports;
         try {
            loaded.file.Write(aBadPath ? target.Path() + "/none.scd" : target.Path());
         } catch (const std::exception& error) {
            result.failure = error.what();
         }
         for (std::string line : reports.Get()) // the temporary name left out
            result.reports.push_back(line.substr(0, line.find(target.Path())));
      }
      CSclRefKeyLog::s_MinUnitsBeside = previous;
      const std::string bytes = target.Bytes();
      std::smatch stamp;
      if (std::regex_search(bytes, stamp, std::regex("EditTime\">([^<]*)")))
         result.editTime = stamp[1];
      result.bytes = std::regex_replace(bytes, std::regex("EditTime\">[^<]*"), "");
      return result;
   };
   for (const auto& [badIed, badPath] : {std::pair{-1, false}, {1, false}, {11, false}, {-1, true}}) {
      // The checksum covers the edit time, stamped to the second: a pair of saves that
      // straddles a second is made again.
      tSave serial;
      tSave beside;
      for (int attempt = 0; attempt < 3; ++attempt) {
         serial = save(static_cast<size_t>(-1), badIed, badPath);
         beside = save(0, badIed, badPath);
         if (serial.editTime == beside.editTime)
            break;
      }
      EXPECT_EQ(serial.bytes, beside.bytes) << badIed;
      EXPECT_EQ(serial.reports, beside.reports) << badIed;
      EXPECT_EQ(serial.failure, beside.failure) << badIed;
      EXPECT_EQ(serial.failure.empty(), badIed < 0 && !badPath);
      EXPECT_EQ(serial.bytes.empty(), badPath);
      // The corrected multiplier is written; a refused line ends the file after the IED before.
      const std::string expected = badIed < 0 ? "<BitRate multiplier=\"M\">10</BitRate>"
                                              : "\"I" + std::to_string(badIed - 1) + "\"";
      EXPECT_EQ(serial.bytes.find(expected) != std::string::npos, !badPath) << expected;
   }
}

TEST(CSclFile, SavedFormatsCarryTheirDeclarationAndReadBackTheSame)
{
   const struct {
      XmlParser::tFileFormat format;
      const char* encoding;
      std::string umlaut; // how the desc "Süd" starts in the saved bytes
   } cases[] = {{XmlParser::FF_ANSI, "ISO-8859-1", "S\xFC"},
                {XmlParser::FF_UTF8, "UTF-8", "S\xC3\xBC"},
                {XmlParser::FF_UTF16, "UTF-16", std::string("S\0\xFC\0", 4)}};
   auto encoding = [](const CSclFile& aFile) {
      const auto* pDeclaration = static_cast<const CSclContainer*>(aFile.GetChild(CID__xml));
      return pDeclaration != nullptr ? pDeclaration->GetValue(NID_encoding) : "none";
   };
   // A file read takes the detected encoding into its declaration.
   std::string utf16 = "\xFF\xFE";
   for (char c : std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><SCL/>"))
      utf16 += std::string{c, '\0'};
   tLoaded lowerCase("<?xml version=\"1.0\" encoding=\"utf-8\"?><SCL/>"), wide(utf16);
   EXPECT_EQ(lowerCase.file.GetFileFormat(), XmlParser::FF_UTF8);
   EXPECT_EQ(encoding(lowerCase.file), "UTF-8");
   EXPECT_EQ(wide.file.GetFileFormat(), XmlParser::FF_UTF16);
   EXPECT_EQ(encoding(wide.file), "UTF-16");
   // Line ends in attribute values of a file read become line feeds, which survive saving.
   tLoaded lineEnds("<SCL><Header id=\"a\r\nb\rc\nd\"/></SCL>");
   EXPECT_EQ(Element(lineEnds.file, "Header")->GetValue(NID_id), "a\nb\nc\nd");
   for (const auto& c : cases) {
      tLoaded loaded(s_Document);
      Element(loaded.file, "Substation")->SetAttribValue(NID_desc, s_Sued);
      Element(loaded.file, "Header")->SetAttribValue(NID_id, "a\nb\nc\nd");
      loaded.file.SetFileFormat(c.format);
      TempFile saved;
      loaded.file.Write(saved.Path());
      const std::string bytes = saved.Bytes();
      EXPECT_NE(bytes.find(c.umlaut), std::string::npos) << c.encoding;
      EXPECT_EQ(bytes.compare(0, 2, "\xFF\xFE") == 0, c.format == XmlParser::FF_UTF16);
      CSclFile reread;
      reread.Read(saved.Path());
      EXPECT_EQ(reread.GetFileFormat(), c.format);
      EXPECT_EQ(encoding(reread), c.encoding);
      reread.SetSclName(loaded.file.GetSclName());
      EXPECT_TRUE(reread.ContentCompare(loaded.file)) << c.encoding;
      EXPECT_EQ(Element(reread, "Header")->GetValue(NID_id), "a\nb\nc\nd") << c.encoding;
      // The checksum describes the content, whatever bytes carried it.
      EXPECT_TRUE(reread.IsValidFileCRC()) << c.encoding;
   }
   // Without a declaration setting the format only stores it.
   tLoaded plain("<SCL/>");
   plain.file.SetFileFormat(static_cast<XmlParser::tFileFormat>(7));
   EXPECT_EQ(plain.file.GetFileFormat(), 7);
   EXPECT_EQ(plain.file.GetChild(CID__xml), nullptr);
}

TEST(CSclFile, CopyTakesOnlyFilesAndMarksTheCopyChanged)
{
   tLoaded loaded(s_Document);
   loaded.file.SetFileFormat(XmlParser::FF_UTF16);
   CSclFile copy;
   CaptureReports reports;
   CSclContainer plain(nullptr);
   EXPECT_EQ(copy.Copy(plain), SE_WRONG_TYPE);
   EXPECT_TRUE(reports.Get().empty());
   EXPECT_FALSE(copy.IsChanged());

   ASSERT_EQ(copy.Copy(loaded.file), SE_OK);
   EXPECT_TRUE(copy.IsChanged());
   EXPECT_EQ(copy.GetFileFormat(), XmlParser::FF_UTF16);
   EXPECT_EQ(copy.GetCRC32(SCL_CRC32_START), loaded.file.GetCRC32(SCL_CRC32_START));
}

// An unresolved reference writes every key, also one it lacks, as an empty value.
TEST(CSclFile, ReloadedDocumentDiffersOnlyInTheEmptyKeysOfUnresolvedReferences)
{
   tLoaded loaded("<SCL><Header id=\"H\"/><IED name=\"I\"><AccessPoint name=\"A\"><Server>"
                  "<LDevice inst=\"L\"><LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"T\"><Inputs>"
                  "<ExtRef doName=\"Pos\" ldInst=\"X\" lnClass=\"XCBR\" lnInst=\"1\"/>"
                  "</Inputs></LN0></LDevice></Server></AccessPoint></IED></SCL>");
   TempFile saved(".scd");
   loaded.file.Write(saved.Path());
   EXPECT_NE(saved.Bytes().find("iedName=\"\" ldInst=\"X\" prefix=\"\" lnClass=\"XCBR\""),
             std::string::npos)
       << saved.Bytes();
   CSclFile again;
   again.Read(saved.Path());

   CSmartCompare rules;
   SclTest::RecordCompareReports record(rules);
   EXPECT_FALSE(rules.AdjustTypeIds(&loaded.file, &again));
   EXPECT_FALSE(loaded.file.SmartCompare(again, rules, true));
   std::vector<std::string> added;
   for (const SclTest::tCompareReport& report : record.Get()) {
      EXPECT_EQ(report.event, 9);
      EXPECT_EQ(report.pScl->GetValue(), "");
      EXPECT_TRUE(report.pScl->GetParent()->IsClass(CID_LNRef));
      added.push_back(report.pScl->GetSclName());
   }
   EXPECT_EQ(added, (std::vector<std::string>{"iedName", "prefix"}));
}

TEST(CSclFile, ThreadsTakeTurnsUnderOneLockOfTheCaller)
{
   // The process-wide tables allow one thread at a time: each holds the caller's lock.
   std::mutex library;
   const std::string document = "<SCL><Header id=\"h\"/><threadPrivate k=\"v\"/></SCL>";
   std::unique_ptr<CSclFile> files[2];
   tSclNameId nameIds[2] = {0, 0};
   auto work = [&](int aThread) {
      for (int round = 0; round < 50; ++round) {
         std::lock_guard<std::mutex> lock(library);
         auto pFile = std::make_unique<CSclFile>();
         XmlParser::CXmlParser reader(document.data(), static_cast<int32_t>(document.size()),
                                      XmlParser::FF_UTF8);
         pFile->Read(&reader);
         nameIds[aThread] = pFile->GetSclElement()->GetChildByNameId("threadPrivate")->GetNameId();
         files[aThread] = std::move(pFile);
      }
   };
   std::thread first(work, 0), second(work, 1);
   first.join();
   second.join();
   EXPECT_NE(nameIds[0], 0);
   EXPECT_EQ(nameIds[0], nameIds[1]);
   EXPECT_TRUE(files[0]->ContentCompare(*files[1]));
   EXPECT_NE(Saved(*files[1]).find("<threadPrivate k=\"v\"/>"), std::string::npos);
}

// ---- interchange option ----

namespace {

// What xmllint finds at aXPath in aPath (its own UTF-8 output, without the line feed it ends in).
std::string XmlLintValue(const std::string& aPath, const std::string& aXPath)
{
   auto [out, status] =
       SclTest::RunCommand("xmllint --xpath '" + aXPath + "' " + aPath + " 2>/dev/null");
   if (!out.empty() && out.back() == '\n')
      out.pop_back();
   return status == 0 ? out : "xmllint failed: " + out;
}

// One document in three declarations; $1 .. $5 stand for Omega, square root, euro, en dash
// and degree, each written as the encoding allows.
std::string InterchangeDocument(const char* apEncoding, const char* const (&aChars)[5])
{
   std::string text = std::string("<?xml version=\"1.0\" encoding=\"") + apEncoding + "\"?>\n" +
                      "<SCL xmlns=\"http://www.iec.ch/61850/2003/SCL\">\n"
                      "<?my-pi some data?>\n"
                      "<Header id=\"H\" toolID=\"a&#9;b\"><Text>$1 &amp; $3 $4 $2</Text></Header>\n"
                      "<Substation name=\"S1\" desc=\"33.3 MVA&#xD;&#xA;230 kV\">\n"
                      "<VoltageLevel name=\"$1 $2 $3 $4 &amp; x\" desc=\"&#176;C $5\"/>\n"
                      "</Substation>\n</SCL>\n";
   for (int i = 0; i < 5; ++i)
      for (size_t at; (at = text.find("$" + std::to_string(i + 1))) != std::string::npos;)
         text.replace(at, 2, aChars[i]);
   return text;
}

} // namespace

TEST(CSclFileInterchange, SavedCharactersReadBackThroughXmllintInEveryEncoding)
{
   if (std::system("xmllint --version >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "xmllint is not installed";
   const char* const utf8[5] = {"\xCE\xA9", "\xE2\x88\x9A", "\xE2\x82\xAC", "\xE2\x80\x93",
                                "\xC2\xB0"};
   const char* const latin1[5] = {"&#x3A9;", "&#8730;", "&#x20AC;", "&#x2013;", "\xB0"};
   const char* const cp1252[5] = {"&#937;", "&#x221a;", "\x80", "\x96", "\xB0"};
   const std::string sources[] = {InterchangeDocument("UTF-8", utf8),
                                  InterchangeDocument("iso-8859-1", latin1),
                                  InterchangeDocument("windows-1252", cp1252)};
   // Where each value is found, and the UTF-8 text xmllint gives for it.
   const std::pair<std::string, std::string> expected[] = {
       {"Header\"]/@*[local-name()=\"toolID", "a\tb"},
       {"Substation\"]/@*[local-name()=\"desc", "33.3 MVA\r\n230 kV"},
       {"VoltageLevel\"]/@*[local-name()=\"name",
        "\xCE\xA9 \xE2\x88\x9A \xE2\x82\xAC \xE2\x80\x93 & x"},
       {"VoltageLevel\"]/@*[local-name()=\"desc", std::string("\xC2\xB0") + "C \xC2\xB0"},
       {"Text", "\xCE\xA9 & \xE2\x82\xAC \xE2\x80\x93 \xE2\x88\x9A"}};
   for (const std::string& source : sources) {
      TempFile input = TempFile::WithBytes(source);
      for (XmlParser::tFileFormat format :
           {XmlParser::FF_UTF8, XmlParser::FF_UTF16, XmlParser::FF_ANSI}) {
         CSclFile file;
         file.SetInterchange(tSclInterchange::All());
         file.Read(input.Path());
         EXPECT_FALSE(file.IsReadTruncated());
         file.SetFileFormat(format);
         TempFile saved(".scd");
         file.Write(saved.Path());
         const std::string where = source.substr(30, 20) + " saved as " + std::to_string(format);
         for (const auto& [path, text] : expected)
            EXPECT_EQ(XmlLintValue(saved.Path(), "string(//*[local-name()=\"" + path + "\"])"),
                      text)
                << where;
         EXPECT_EQ(XmlLintValue(saved.Path(), "string(//processing-instruction(\"my-pi\"))"),
                   "some data")
             << where;
         // The line ends of the file read are kept: this one has LF alone.
         const std::string bytes = saved.Bytes();
         EXPECT_EQ(bytes.find(format == XmlParser::FF_UTF16 ? std::string("\r\0", 2) : "\r"),
                   std::string::npos)
             << where;
      }
   }
}

TEST(CSclFileInterchange, CutOffRepairedAndCrLfInput)
{
   const std::string whole = s_Document;
   for (bool interchange : {false, true}) {
      auto read = [&](const std::string& aBytes) {
         TempFile source = TempFile::WithBytes(aBytes);
         auto file = std::make_unique<CSclFile>();
         if (interchange)
            file->SetInterchange(tSclInterchange::All());
         file->Read(source.Path());
         return file;
      };
      EXPECT_FALSE(read(whole)->IsReadTruncated());
      EXPECT_EQ(read(whole)->GetReadRepairs(), 0);
      // Cut inside an element, inside a tag and inside the last end tag.
      for (size_t cut : {whole.find("<VoltageLevel"), whole.find("<Bay") + 3, whole.size() - 3})
         EXPECT_TRUE(read(whole.substr(0, cut))->IsReadTruncated()) << cut << "/" << interchange;
      std::string repaired = whole;
      repaired.replace(repaired.find("<Bay name=\"Q1\"/>"), 16, "<Bay name=\"Q1\"><LNode>");
      const auto file = read(repaired);
      EXPECT_EQ(file->GetReadRepairs(), 2);
      EXPECT_FALSE(file->IsReadTruncated());
   }

   // A CR LF file stays CR LF; the option is off by default.
   std::string crlf = s_Document;
   for (size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2)
      crlf.insert(at, 1, '\r');
   EXPECT_FALSE(CSclFile().GetInterchange().XmlText);
   TempFile source = TempFile::WithBytes(crlf);
   CSclFile file;
   file.SetInterchange(tSclInterchange::All());
   file.Read(source.Path());
   file.GetSclElement()->GetSubstation("S1")->Set_desc("&#x3a9;");
   const std::string bytes = Saved(file);
   EXPECT_NE(bytes.find("desc=\"\xCE\xA9\">\r\n"), std::string::npos) << bytes;
   EXPECT_EQ(bytes.find("\n"), bytes.find("\r\n") + 1);
}

namespace {

// An Edition 2.1 document with names and orders the Edition 1 tables do not know.
const char* const s_Edition2Document =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<SCL xmlns=\"http://www.iec.ch/61850/2003/SCL\" xmlns:v=\"urn:v\" version=\"2007\" "
    "revision=\"B\" release=\"4\">\n"
    "<Header id=\"H\"/>\n"
    "<IED name=\"E1\">\n"
    "<Services><GOOSE max=\"4\"/><ConfLNs fixPrefix=\"true\"/></Services>\n"
    "<AccessPoint name=\"P1\">\n"
    "<Server><Authentication/><LDevice inst=\"LD\"><LN0 lnType=\"LT\" lnClass=\"LLN0\" inst=\"\">"
    "<Inputs><ExtRef iedName=\"E1\" ldInst=\"LD\" doName=\"Beh\" intAddr=\"x\"/></Inputs>"
    "</LN0></LDevice></Server>\n"
    "<ServerAt apName=\"P2\"/>\n"
    "</AccessPoint>\n"
    "<AccessPoint name=\"P2\"/>\n"
    "</IED>\n"
    "<DataTypeTemplates>\n"
    "<LNodeType id=\"LT\" lnClass=\"LLN0\"><DO name=\"Beh\" type=\"DT\"/></LNodeType>\n"
    "<DOType id=\"DT\" cdc=\"ENS\"><DA name=\"stVal\" bType=\"Enum\" fc=\"ST\" type=\"ET\">"
    "<Val>on</Val><ProtNs>8-4:2008</ProtNs></DA><v:Note/><DA name=\"q\" bType=\"Quality\" "
    "fc=\"ST\"/><Unheard/></DOType>\n"
    "<EnumType id=\"ET\"><EnumVal ord=\"1\">on</EnumVal></EnumType>\n"
    "</DataTypeTemplates>\n"
    "</SCL>\n";

// The lines of aText between the header line and the end, without the stamps.
std::vector<std::string> ContentLines(const std::string& aText)
{
   std::vector<std::string> lines;
   std::string text = aText;
   for (size_t at = 0; (at = text.find("><", at)) != std::string::npos;)
      text.insert(++at, 1, '\n');
   std::istringstream in(text);
   for (std::string line; std::getline(in, line);) {
      line.erase(0, line.find_first_not_of(' '));
      if (line.find("Arvenko-") == std::string::npos)
         lines.push_back(line);
   }
   return lines;
}

} // namespace

TEST(CSclFileInterchange, EditionOrderKeepsTheEditionsOrderAndOnlyTheKeysRead)
{
   EXPECT_FALSE(CSclFile().GetInterchange().EditionOrder);
   EXPECT_EQ(CSclFile().GetEdition(), SCL_EDITION_2007B4); // a new file
   EXPECT_EQ(CSclEdition::FromVersion("", "", ""), SCL_EDITION_2003);
   EXPECT_EQ(CSclEdition::FromVersion("2007", "A", ""), SCL_EDITION_2007B);
   EXPECT_EQ(CSclEdition::FromVersion("2007", "B", "3"), SCL_EDITION_2007B);
   EXPECT_EQ(CSclEdition::FromVersion("2007", "C", "5"), SCL_EDITION_2007B4);

   TempFile source = TempFile::WithBytes(s_Edition2Document);
   CaptureReports reports;
   CSclFile file;
   const tSclInterchange options = tSclInterchange::All();
   EXPECT_TRUE(options.EditionOrder);
   file.SetInterchange(options);
   file.Read(source.Path());
   EXPECT_EQ(file.GetEdition(), SCL_EDITION_2007B4);
   TempFile saved(".scd");
   file.Write(saved.Path());
   // Every element and attribute where it was, no empty keys added.
   const std::vector<std::string> expected = ContentLines(s_Edition2Document);
   EXPECT_EQ(ContentLines(saved.Bytes()), expected) << saved.Bytes();
   // A copy writes the same tags and attributes, possibly in the library's element order.
   CSclFile copy;
   ASSERT_EQ(copy.Copy(file), SE_OK);
   auto sorted = [](std::vector<std::string> aLines) {
      std::sort(aLines.begin(), aLines.end());
      return aLines;
   };
   EXPECT_EQ(sorted(ContentLines(Saved(copy))), sorted(expected));
   // A pack sorts the templates' attributes; the checksum covers the order written.
   {
      CSclFile packed;
      packed.SetInterchange(options);
      packed.Read(source.Path());
      packed.PackDataTypeTemplates();
      packed.Write(saved.Path());
      EXPECT_NE(saved.Bytes().find("<DA bType=\"Enum\" fc=\"ST\" type=\"ET\" name=\"stVal\">"),
                std::string::npos)
          << saved.Bytes();
      CSclFile reread;
      reread.SetInterchange(options);
      reread.Read(saved.Path());
      EXPECT_TRUE(reread.IsValidFileCRC());
   }

   std::vector<std::string> found;
   auto collect = [&found](const CScl&, const std::string& aName) {
      found.push_back(aName);
      return true;
   };
   CSclSCL* scl = file.GetSclElement();
   // Of the Edition 2 names only the one no edition knows is a finding.
   EXPECT_EQ(CSclEdition::FindNameFindings(*scl, true, collect), 1);
   EXPECT_EQ(found, std::vector<std::string>{"Unheard"});
   EXPECT_EQ(file.Check(1 | SCL_CHECK_EDITION), SE_NAME);
   // Taken as Edition 1, the 2007 names are findings, and a wrong attribute is one anyway.
   for (int i = scl->GetChildCount(); i-- > 0;)
      if (scl->GetChild(i)->GetSclName() == "version")
         scl->DeleteChild(i);
   EXPECT_EQ(file.GetEdition(), SCL_EDITION_2003);
   EXPECT_EQ(file.Check(1 | SCL_CHECK_EDITION), SE_NAME);
   found.clear();
   CSclEdition::FindNameFindings(*scl, true, collect);
   EXPECT_EQ(found,
             (std::vector<std::string>{"revision", "release", "ServerAt", "ProtNs", "Unheard"}));
}
