#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "SclDll/CSclKevText.h"
#include "TestSupport.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar::Scl;
using Arvenko::Melvotar::tTextRef;
using Arvenko::Melvotar::XmlParser::xml_parser_error;

namespace {

// The raw rows, expanded from the table file once more for the pool check.
struct tRow {
   std::string Key;
   int Nr;
   std::string KeyText;
};

// The name rows, or the value rows when aValues.
std::vector<tRow> Rows(bool aValues)
{
   std::vector<tRow> rows;
#define SCL_KEV_NAME(key, nr, keyText)                                                             \
   if (!aValues)                                                                                   \
      rows.push_back({key, nr, keyText});
#define SCL_KEV_VALUE(key, nr, keyText)                                                            \
   if (aValues)                                                                                    \
      rows.push_back({key, nr, keyText});
#include "SclDll/SclKevTextTables.def"
   return rows;
}

std::vector<std::pair<tSclValueId, tRow>> GroupRows()
{
   std::vector<std::pair<tSclValueId, tRow>> rows;
#define SCL_KEV_GROUP(groupIdent, nr, keyText)                                                     \
   rows.push_back({SVID_##groupIdent, {#groupIdent, nr, keyText}});
#include "SclDll/SclKevTextTables.def"
   return rows;
}

// Distinct numbers of the rows that remain when a later row replaces an earlier one.
std::set<int> WinningNumbers(const std::vector<tRow>& aRows)
{
   std::map<std::string, int> winners;
   for (const tRow& row : aRows)
      winners[row.Key] = row.Nr;
   std::set<int> numbers;
   for (const auto& entry : winners)
      numbers.insert(entry.second);
   return numbers;
}

// Loads a pool file with these bytes into arText.
void LoadBytes(CSclKevText& arText, const std::string& aBytes)
{
   ASSERT_TRUE(arText.LoadXMLFile(SclTest::TempFile::WithBytes(aBytes).Path()));
}

// The bytes of arText's pool as saved.
std::string SavedBytes(const CSclKevText& aText)
{
   SclTest::TempFile file;
   aText.SaveXMLFile(file.Path());
   return file.Bytes();
}

tTextRef Ref(int aSid, int aNr)
{
   return tTextRef{static_cast<int16_t>(aSid), static_cast<uint16_t>(aNr)};
}

// Every pool text of the three lists, for comparing two pools through the public surface.
std::map<std::pair<int, int>, std::string> PoolOf(const CSclKevText& aText)
{
   std::map<std::pair<int, int>, std::string> pool;
   for (int sid : {KEV_SID_NAME, KEV_SID_VALUE, KEV_SID_GROUP})
      for (int nr = 0; nr <= 0xFFFF; ++nr) {
         std::string text = aText.GetKevText(Ref(sid, nr));
         if (!text.empty())
            pool[{sid, nr}] = text;
      }
   return pool;
}

} // namespace

TEST(CSclKevText, NameLookup)
{
   CSclKevText kev;
   EXPECT_EQ(kev.GetDAKevTextRef("q$validity"), Ref(513, 1));
   EXPECT_EQ(kev.GetDAKevTextRef("subQ.operatorBlocked"), Ref(513, 24));
   EXPECT_EQ(kev.GetDAKevTextRef("phsA.q"), Ref(513, 261));          // through the suffix "q"
   EXPECT_EQ(kev.GetDAKevTextRef("phsA$cVal$mag$f"), Ref(513, 145)); // "cVal.mag.f"
   EXPECT_EQ(kev.GetDAKevTextRef("x.y.mag.f"), Ref(513, 345));       // "mag.f", not "f"
   EXPECT_EQ(kev.GetDAKevTextRef("xyz"), Ref(513, 0));
   EXPECT_EQ(kev.GetDAKevTextRef(""), Ref(513, 0));
   EXPECT_EQ(kev.GetDAKevTextRef("stVal."), Ref(513, 0)); // the empty suffix is no key
   EXPECT_EQ(kev.GetDAKevTextRef("StVal"), Ref(513, 0));  // case-sensitive

   // later rows win for keys entered twice; two keys share 231
   EXPECT_EQ(kev.GetDAKevTextRef("phsA"), Ref(513, 400));
   EXPECT_EQ(kev.GetDAKevTextRef("subCVal"), Ref(513, 362));
   EXPECT_EQ(kev.GetDAKevTextRef("yVal"), Ref(513, 231));
   EXPECT_EQ(kev.GetDAKevTextRef("interlock-check"), Ref(513, 231));

   EXPECT_EQ(kev.GetSDOKevTextRef("phsB"), kev.GetDAKevTextRef("phsB"));
   EXPECT_EQ(kev.GetSDOKevTextRef("LD0.MMXU1.A.phsB"), Ref(513, 401));
   EXPECT_EQ(kev.GetDATextKey("q$validity"), "DAN q.validity");
   EXPECT_EQ(kev.GetSDOTextKey("A.phsA"), "DAN phsA");
   EXPECT_EQ(kev.GetDATextKey("nothing"), "?");
}

TEST(CSclKevText, NameLookupSeesTheFirst255Characters)
{
   CSclKevText kev;
   std::string fits = std::string(249, 'x') + ".stVal"; // 255 characters
   std::string cut = std::string(250, 'x') + ".stVal";  // the "l" falls off
   EXPECT_EQ(kev.GetDAKevTextRef(fits), Ref(513, 260));
   EXPECT_EQ(kev.GetDAKevTextRef(cut), Ref(513, 0));
   EXPECT_EQ(kev.GetDAKevTextRef(std::string("q\0.validity", 11)), Ref(513, 261)); // C string
}

TEST(CSclKevText, ValueLookup)
{
   CSclKevText kev;
   EXPECT_EQ(kev.GetDAValueKevTextRef("stVal", "Beh", "", "2"), Ref(515, 721));
   EXPECT_EQ(kev.GetDAValueKevTextRef("ctlVal", "", "DPC", "true"), Ref(515, 302));
   EXPECT_EQ(kev.GetDAValueKevTextRef("ctlVal", "Pos", "SPC", "false"), Ref(515, 301));
   EXPECT_EQ(kev.GetDAValueKevTextRef("units.SIUnit", "", "", "5"), Ref(515, 0));
   EXPECT_EQ(kev.GetDAValueKevTextRef("SIUnit", "", "", "5"), Ref(515, 64));
   EXPECT_EQ(kev.GetDAValueKevTextRef("setCharact", "", "", "3"), Ref(515, 602));
   EXPECT_EQ(kev.GetDAValueKevTextRef("multiplier", "", "", "-6"), Ref(515, 206));
   EXPECT_EQ(kev.GetDAValueKevTextRef("q", "", "", "good"), Ref(515, 1));
   EXPECT_EQ(kev.GetDAValueKevTextRef("stVal", "TmDlChr", "SPG", "TRUE"), Ref(515, 1130));

   // "<DO>=<value>" is tried for stVal only
   EXPECT_EQ(kev.GetDAValueKevTextRef("q", "Beh", "", "2"), Ref(515, 0));
   EXPECT_EQ(kev.GetDAValueKevTextRef("stVal", "Beh", "", "good"), Ref(515, 1));

   // later rows win; numbers shared across keys
   EXPECT_EQ(kev.GetDAValueKevTextRef("", "", "", "A"), Ref(515, 460));
   EXPECT_EQ(kev.GetDAValueKevTextRef("", "", "", "reserved"), Ref(515, 513));
   EXPECT_EQ(kev.GetDAValueKevTextRef("stVal", "SchTyp", "", "1"), Ref(515, 750));
   EXPECT_EQ(kev.GetDAValueKevTextRef("stVal", "WeiMod", "", "1"), Ref(515, 1010));

   EXPECT_EQ(kev.GetDAValueTextKey("multiplier", "", "", "0"), "DAV");
   EXPECT_EQ(kev.GetDAValueTextKey("SIUnit", "", "", "23"), "DAV \xB0"
                                                            "C");
   EXPECT_EQ(kev.GetDAValueTextKey("stVal", "WeiMod", "", "4"), "DAV Echo & Operate");
   EXPECT_EQ(kev.GetDAValueTextKey("stVal", "Beh", "", "9"), "?");
}

TEST(CSclKevText, GroupLookup)
{
   CSclKevText kev;
   EXPECT_EQ(kev.GetDAGroupKevTextRef(SVID_MV_AngC3), Ref(517, 37));
   EXPECT_EQ(kev.GetDAGroupKevTextRef(SVID_SPC_General), Ref(517, 1));
   EXPECT_EQ(kev.GetDAGroupKevTextRef(SVID_INC_SeqT), Ref(517, 23));
   EXPECT_EQ(kev.GetDAGroupKevTextRef(SVID_SPS), Ref(517, 0));
   EXPECT_EQ(kev.GetDAGroupKevTextRef(SVID_UNNAMED_33), Ref(517, 0));
   EXPECT_EQ(kev.GetDAGroupTextKey(SVID_INC_DirPhsA), "INC DirPhsA");
   EXPECT_EQ(kev.GetDAGroupTextKey(SVID_WYE), "?");
}

TEST(CSclKevText, PoolStartsEmptyAndDefaultTextsFillIt)
{
   CSclKevText kev;
   EXPECT_EQ(kev.GetDAKevText("q.validity"), "");
   EXPECT_TRUE(PoolOf(kev).empty());

   kev.LoadDefaultTexts();
   EXPECT_EQ(kev.GetDAKevText("q$validity"), "DAN q.validity");
   EXPECT_EQ(kev.GetSDOKevText("phsA.q"), "DAN q");
   EXPECT_EQ(kev.GetDAValueKevText("stVal", "Beh", "", "2"), "DAV blocked");
   EXPECT_EQ(kev.GetDAGroupKevText(SVID_MV_AngC3), "MV AngC3");
   EXPECT_EQ(kev.GetDAGroupKevText(SVID_SPS), "");       // number 0 has no text
   EXPECT_EQ(kev.GetKevText(Ref(513, 231)), "DAN yVal"); // last of the shared number in key order
   EXPECT_EQ(kev.GetKevText(Ref(515, 3)), "");           // "reserved" moved to 513
   EXPECT_EQ(kev.GetKevText(Ref(515, 391)), "");         // "A" moved to 460
   EXPECT_EQ(kev.GetKevText(Ref(515, 513)), "DAV reserved");
   EXPECT_EQ(kev.GetKevText(Ref(514, 1)), "");

   // one text per distinct number among the winning rows of each table
   EXPECT_EQ(PoolOf(kev).size(), WinningNumbers(Rows(false)).size() +
                                     WinningNumbers(Rows(true)).size() + GroupRows().size());
}

TEST(CSclKevTextPool, DefaultPoolRoundTrip)
{
   CSclKevText original;
   original.LoadDefaultTexts();
   SclTest::TempFile file;
   original.SaveXMLFile(file.Path());

   std::string bytes = file.Bytes();
   const std::string head = "<TextPoolTable>\r\n   <TextList sid=\"513\">\r\n"
                            "      <TextPoolRec nr=\"1\" vartoText=\"DAN q.validity\">\r\n"
                            "      <TextPoolRec nr=\"2\" vartoText=\"DAN subQ.validity\">\r\n";
   EXPECT_EQ(bytes.substr(0, head.size()), head);
   EXPECT_NE(bytes.find("   </TextList>\r\n   <TextList sid=\"515\">\r\n"), std::string::npos);
   EXPECT_NE(bytes.find("vartoText=\"DAV \xC2\xB0"
                        "C\""),
             std::string::npos); // UTF-8 in the file
   EXPECT_NE(bytes.find("vartoText=\"DAV 2nd & 5th Harmonic\""), std::string::npos); // unescaped
   const std::string tail =
       "      <TextPoolRec nr=\"37\" vartoText=\"MV AngC3\">\r\n   </TextList>\r\n"
       "</TextPoolTable>\r\n";
   ASSERT_GE(bytes.size(), tail.size());
   EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);

   CSclKevText loaded;
   ASSERT_TRUE(loaded.LoadXMLFile(file.Path()));
   auto expected = PoolOf(original);
   EXPECT_EQ(PoolOf(loaded), expected);
   EXPECT_GT(expected.size(), 600u);
}

TEST(CSclKevTextPool, EmptyPoolFile)
{
   const std::string empty = SavedBytes(CSclKevText());
   EXPECT_EQ(empty, "<TextPoolTable>\r\n   </TextList>\r\n</TextPoolTable>\r\n");
   CSclKevText loaded;
   loaded.LoadDefaultTexts();
   LoadBytes(loaded, empty);
   EXPECT_TRUE(PoolOf(loaded).empty()); // replaced, not merged
}

TEST(CSclKevTextPool, GermanTranslationKeepsItsBytes)
{
   const std::string source = SclTest::DataPath("kevtext_de.xml");
   CSclKevText kev;
   ASSERT_TRUE(kev.LoadXMLFile(source));
   EXPECT_EQ(kev.GetDAKevText("q.validity"), "G\xFCltigkeit");
   EXPECT_EQ(kev.GetDAKevText("LD0/LLN0.q"), "Qualit\xE4t");
   EXPECT_EQ(kev.GetKevText(Ref(513, 665)), "Gr\xF6\xDF"
                                            "e der Einstellgruppe");
   EXPECT_EQ(kev.GetDAValueKevText("SIUnit", "", "", "23"), "\xB0"
                                                            "C");
   EXPECT_EQ(kev.GetDAValueKevText("SIUnit", "", "", "30"), "&#x3a9;"); // outside Windows-1252
   EXPECT_EQ(kev.GetDAValueKevText("multiplier", "", "", "-6"), "\xB5");
   EXPECT_EQ(kev.GetDAValueKevText("stVal", "ShOpCap", "", "4"), "");
   EXPECT_EQ(kev.GetDAValueKevText("stVal", "POWCap", "", "4"), "Schlie\xDF"
                                                                "en und \xD6"
                                                                "ffnen");
   EXPECT_EQ(kev.GetDAValueKevText("stVal", "WeiMod", "", "4"), "Echo & Ausl\xF6sung");
   EXPECT_EQ(kev.GetDAGroupKevText(SVID_MV_AngC3), "MV Winkel C3");

   const std::string copy = SavedBytes(kev);
   EXPECT_EQ(copy, SclTest::FileBytes(source));
   CSclKevText again;
   LoadBytes(again, copy);
   EXPECT_EQ(PoolOf(again), PoolOf(kev));
}

TEST(CSclKevTextPool, RecordsWithoutListOrNumberContributeNothing)
{
   CSclKevText kev;
   LoadBytes(kev, "<TextPoolTable><TextPoolRec nr=\"7\" vartoText=\"before any list\"/>"
                  "<TextList sid=\"0\"><TextPoolRec nr=\"5\" vartoText=\"list zero\"/></TextList>"
                  "<TextList sid=\"513\"><TextPoolRec nr=\"0\" vartoText=\"number zero\"/>"
                  "<TextPoolRec vartoText=\"no number\"/>"
                  "<TextPoolRec nr=\"abc\" vartoText=\"not a number\"/>"
                  "<TextPoolRec nr=\"2\" vartoText=\"two\"/><TextPoolRec nr=\"2\" "
                  "vartoText=\"two again\"/><TextPoolRec nr=\"3\"/></TextList>"
                  "<TextPoolRec nr=\"4\" vartoText=\"list stays after its end tag\">"
                  "<TextList sid=\"-3\"><TextPoolRec nr=\" 65537\" vartoText=\"cut to 16 bits\"/>"
                  "</TextList><TextList sid=\"66051\"><TextPoolRec nr=\"9\" vartoText=\"sid cut\"/>"
                  "</TextList></TextPoolTable>\n");
   std::map<std::pair<int, int>, std::string> all;
   for (int sid : {-3, 0, 513, 515, 517, 66051 - 65536})
      for (int nr = 0; nr <= 10; ++nr)
         if (!kev.GetKevText(Ref(sid, nr)).empty())
            all[{sid, nr}] = kev.GetKevText(Ref(sid, nr));
   EXPECT_EQ(all,
             (std::map<std::pair<int, int>, std::string>{{{-3, 1}, "cut to 16 bits"},
                                                         {{513, 2}, "two again"},
                                                         {{513, 4}, "list stays after its end tag"},
                                                         {{515, 9}, "sid cut"}}));
   // a record without text is kept with an empty text
   EXPECT_NE(SavedBytes(kev).find("<TextPoolRec nr=\"3\" vartoText=\"\">"), std::string::npos);
}

TEST(CSclKevTextPool, MalformedMarkupIsTakenAsItComes)
{
   CSclKevText kev;
   SclTest::CaptureReports capture; // the unquoted sid is reported, nothing thrown
   LoadBytes(kev, "<?xml version=\"1.0\"?><!-- pool --><TextList sid=513><TextPoolRec nr=\"8\" "
                  "vartoText='a \"quoted\" text'><TextPoolRec nr=\"9\" vartoText=\"cut off");
   EXPECT_EQ(kev.GetKevText(Ref(513, 8)), "a \"quoted\" text");
   EXPECT_EQ(kev.GetKevText(Ref(513, 9)), "");
   EXPECT_FALSE(capture.Get().empty());
}

TEST(CSclKevTextPool, UnreadableRefusedAndUncreatableFiles)
{
   CSclKevText kev;
   kev.LoadDefaultTexts();
   SclTest::CaptureReports capture;
   // A file that cannot be opened keeps the pool, silently.
   EXPECT_FALSE(kev.LoadXMLFile(SclTest::DataPath("kevtext_no_such_file.xml")));
   EXPECT_FALSE(kev.LoadXMLFile(""));
   EXPECT_EQ(kev.GetDAKevText("stVal"), "DAN stVal");
   // A save to a path that cannot be created writes nothing, silently.
   const std::string path = ::testing::TempDir() + "kevtext_no_such_dir/pool.xml";
   EXPECT_NO_THROW(kev.SaveXMLFile(path));
   EXPECT_NE(access(path.c_str(), F_OK), 0);
   EXPECT_TRUE(capture.Get().empty());
   // A file the reader refuses clears the pool and throws.
   EXPECT_THROW(kev.LoadXMLFile(SclTest::TempFile::WithBytes("").Path()), xml_parser_error);
   EXPECT_TRUE(PoolOf(kev).empty());
   ASSERT_FALSE(capture.Get().empty());
   EXPECT_NE(capture.Get().front().find("Fehler beim Lesen der Datei"), std::string::npos);
}

TEST(CSclKevTextPool, Latin1PoolFileIsReadByItsDeclaration)
{
   CSclKevText kev;
   LoadBytes(kev, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<TextPoolTable><TextList "
                  "sid=\"513\"><TextPoolRec nr=\"1\" vartoText=\"G\xFCltigkeit\"></TextList>\n");
   EXPECT_EQ(kev.GetDAKevText("q.validity"), "G\xFCltigkeit");
   EXPECT_NE(SavedBytes(kev).find("vartoText=\"G\xC3\xBCltigkeit\""), std::string::npos); // UTF-8
}
