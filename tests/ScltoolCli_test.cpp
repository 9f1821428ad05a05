// The scltool command line, run as a user runs it: exit codes and key lines of the output.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

#include "TestSupport.h"

using SclTest::TempFile;

namespace {

struct tRun {
   int Exit = -1;
   std::string Out;
   std::string Err;
};

tRun RunTool(const std::string& aArgs)
{
   TempFile err(".err");
   const std::string command = std::string(SCLTOOL_PATH) + " " + aArgs + " 2>" + err.Path();
   tRun run;
   FILE* pipe = popen(command.c_str(), "r");
   if (pipe == nullptr)
      return run;
   char buffer[4096];
   size_t got;
   while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
      run.Out.append(buffer, got);
   const int status = pclose(pipe);
   run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
   run.Err = err.Bytes();
   return run;
}

std::string Sample()
{
   return std::string(SCL_SAMPLES_DIR) + "/station.scd";
}
std::string Rules()
{
   return std::string(SCL_SAMPLES_DIR) + "/compare_rules.xml";
}

bool Contains(const std::string& aText, const std::string& aPart)
{
   return aText.find(aPart) != std::string::npos;
}

int CountLines(const std::string& aText, const std::string& aStart)
{
   int count = 0;
   size_t pos = 0;
   while (pos < aText.size()) {
      const size_t end = aText.find('\n', pos);
      if (aText.compare(pos, aStart.size(), aStart) == 0)
         ++count;
      if (end == std::string::npos)
         break;
      pos = end + 1;
   }
   return count;
}

} // namespace

TEST(ScltoolCli, HelpForTheToolAndEveryCommand)
{
   tRun run = RunTool("--help");
   EXPECT_EQ(run.Exit, 0);
   for (const char* command : {"info", "check", "save", "pack", "diff", "texts"}) {
      EXPECT_TRUE(Contains(run.Out, std::string("  ") + command)) << command;
      tRun help = RunTool(std::string(command) + " --help");
      EXPECT_EQ(help.Exit, 0) << command;
      EXPECT_TRUE(Contains(help.Out, std::string("usage: scltool ") + command)) << command;
   }
   EXPECT_EQ(RunTool("").Exit, 2);
   tRun unknown = RunTool("frobnicate");
   EXPECT_EQ(unknown.Exit, 2);
   EXPECT_TRUE(Contains(unknown.Err, "unknown command 'frobnicate'"));
}

TEST(ScltoolCli, InfoSummarisesTheSample)
{
   tRun run = RunTool("info " + Sample());
   EXPECT_EQ(run.Exit, 0);
   EXPECT_TRUE(Contains(run.Out, "encoding:    UTF-8\n"));
   EXPECT_TRUE(Contains(run.Out, "  IED                  2\n"));
   EXPECT_TRUE(Contains(run.Out, "  LN                   4\n"));
   EXPECT_TRUE(Contains(run.Out, "  DOType               6\n"));
   EXPECT_TRUE(Contains(run.Out, "  LNodeTypeRef                   6           0\n")) << run.Out;
   EXPECT_TRUE(Contains(run.Out, "CRC stamp:   absent\n"));
   EXPECT_TRUE(run.Err.empty()) << run.Err;
}

TEST(ScltoolCli, CheckIsCleanOnTheSampleAndFailsOnMissingFiles)
{
   tRun clean = RunTool("check " + Sample());
   EXPECT_EQ(clean.Exit, 0);
   EXPECT_TRUE(Contains(clean.Out, "0 finding(s)"));

   tRun missing = RunTool("check /nonexistent/station.scd");
   EXPECT_EQ(missing.Exit, 2);
   EXPECT_EQ(CountLines(missing.Err, "scltool: cannot read '/nonexistent/station.scd'"), 1)
       << missing.Err;
   EXPECT_TRUE(missing.Out.empty());
}

TEST(ScltoolCli, CheckReportsRepairsAndUnresolvedReferencesInUtf8)
{
   TempFile broken = TempFile::WithBytes(
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SCL><Substation name=\"S\">"
       "<VoltageLevel name=\"V\"><Bay name=\"S\xC3\xBC"
       "d\"></VoltageLevel></Substation>"
       "<IED name=\"E\"><AccessPoint name=\"A\"><Server><LDevice inst=\"L\">"
       "<LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"none\"/></LDevice></Server></AccessPoint></IED>"
       "</SCL>\n",
       ".scd");
   tRun run = RunTool("check " + broken.Path());
   EXPECT_EQ(run.Exit, 1);
   EXPECT_TRUE(Contains(run.Out, "problem report(s)"));
   EXPECT_TRUE(
       Contains(run.Out, "unresolved: LNodeTypeRef at IED[E].AccessPoint[A].Server.LDevice[L].LN0"))
       << run.Out;
   // The reader's report names the element whose end tag is missing, in UTF-8.
   EXPECT_TRUE(Contains(run.Err, "Fehler: CSclContainer::Read - <Bay>: Ende-Tag fehlt")) << run.Err;
   EXPECT_TRUE(Contains(run.Err, "Bay[S\xC3\xBC"
                                 "d]"))
       << run.Err;
}

TEST(ScltoolCli, SaveConvertsEncodingsAndInfoReadsThemBack)
{
   TempFile utf16(".scd");
   tRun save = RunTool("save " + Sample() + " " + utf16.Path() + " --format utf16");
   EXPECT_EQ(save.Exit, 0);
   EXPECT_TRUE(Contains(save.Out, "(UTF-16)"));
   EXPECT_EQ(utf16.Bytes().substr(0, 2), "\xFF\xFE");
   tRun info = RunTool("info " + utf16.Path());
   EXPECT_EQ(info.Exit, 0);
   EXPECT_TRUE(Contains(info.Out, "encoding:    UTF-16\n"));
   EXPECT_TRUE(Contains(info.Out, "CRC stamp:   valid\n"));
   EXPECT_EQ(RunTool("save " + Sample() + " " + utf16.Path() + " --format ebcdic").Exit, 2);
}

TEST(ScltoolCli, PackMergesTheDuplicateAndDiffExplainsIt)
{
   TempFile packed(".scd");
   tRun pack = RunTool("pack " + Sample() + " " + packed.Path());
   EXPECT_EQ(pack.Exit, 0);
   EXPECT_TRUE(Contains(pack.Out, "DOType         6 ->     5  (1 merged)")) << pack.Out;
   EXPECT_TRUE(Contains(pack.Out, "EnumType       3 ->     3  (0 merged)"));
   EXPECT_TRUE(Contains(RunTool("check " + packed.Path()).Out, "CRC stamp: valid"));

   tRun same = RunTool("diff " + Sample() + " " + Sample());
   EXPECT_EQ(same.Exit, 0);
   EXPECT_TRUE(Contains(same.Out, "equal (0 counted difference(s))"));

   tRun diff = RunTool("diff " + Sample() + " " + packed.Path() + " --rules " + Rules());
   EXPECT_EQ(diff.Exit, 1);
   EXPECT_TRUE(Contains(
       diff.Out, "missing  counted DataTypeTemplates.DOType[INS_Beh2]: only in the first file"))
       << diff.Out;
   EXPECT_EQ(CountLines(diff.Out, "added    ignored Private["), 3);
   EXPECT_TRUE(Contains(diff.Out, "different (2 counted difference(s))"));

   tRun first = RunTool("diff --first " + Sample() + " " + packed.Path() + " --rules " + Rules());
   EXPECT_EQ(first.Exit, 1);
   EXPECT_TRUE(Contains(first.Out, "different (1 counted difference(s))")) << first.Out;
}

TEST(ScltoolCli, TextsLookupsAndDefaultPool)
{
   tRun da = RunTool("texts --lookup-da q");
   EXPECT_EQ(da.Exit, 0);
   EXPECT_TRUE(Contains(da.Out, "key:  DAN q\n"));
   EXPECT_EQ(RunTool("texts --lookup-da no.such.name").Exit, 1);

   TempFile pool(".xml");
   tRun write = RunTool("texts --write-default " + pool.Path());
   EXPECT_EQ(write.Exit, 0);
   EXPECT_EQ(pool.Bytes().compare(0, 15, "<TextPoolTable>"), 0);
   tRun lookup = RunTool("texts --pool " + pool.Path() + " --lookup-value stVal Beh INS 5");
   EXPECT_EQ(lookup.Exit, 0);
   EXPECT_TRUE(Contains(lookup.Out, "text: DAV off\n")) << lookup.Out;
   EXPECT_EQ(RunTool("texts --lookup-value a b").Exit, 2);
}

TEST(ScltoolCli, DamagedInputIsAFindingAndIsNotSavedOverAGoodFile)
{
   const std::string corpusFile =
       SclTest::CorpusPath("public/riseclipse__riseclipse-validator-scl2003-test/ICD_test.icd");
   std::ifstream in(corpusFile, std::ios::binary);
   if (!in)
      GTEST_SKIP() << "corpus not found: " << corpusFile;
   const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
   TempFile truncated = TempFile::WithBytes(whole.substr(0, whole.size() / 2), ".icd");
   tRun check = RunTool("check " + truncated.Path());
   EXPECT_EQ(check.Exit, 1);
   EXPECT_TRUE(Contains(check.Out, "structure: input ends inside an open element")) << check.Out;

   // A refused save leaves the existing output as it was; --force writes it.
   TempFile out = TempFile::WithBytes("good model", ".icd");
   tRun refused = RunTool("save " + truncated.Path() + " " + out.Path());
   EXPECT_EQ(refused.Exit, 1);
   EXPECT_TRUE(Contains(refused.Err, "left untouched")) << refused.Err;
   EXPECT_EQ(out.Bytes(), "good model");
   TempFile notScl = TempFile::WithBytes("<?xml version=\"1.0\"?>\n<html/>\n");
   EXPECT_EQ(RunTool("save " + notScl.Path() + " " + out.Path()).Exit, 1);
   EXPECT_EQ(out.Bytes(), "good model");
   EXPECT_EQ(RunTool("save " + truncated.Path() + " " + out.Path() + " --force").Exit, 0);
   EXPECT_NE(out.Bytes(), "good model");

   // An SCL element under a prefix is named as such.
   TempFile prefixed = TempFile::WithBytes(
       "<scl:SCL xmlns:scl=\"http://www.iec.ch/61850/2003/SCL\"><scl:Header id=\"h\"/></scl:SCL>");
   EXPECT_TRUE(Contains(RunTool("info " + prefixed.Path()).Out, "root element 'scl:SCL'"));
   EXPECT_TRUE(Contains(RunTool("check " + prefixed.Path()).Out, "root element 'scl:SCL'"));
}

TEST(ScltoolCli, SaveWritesCharactersAndLegacyKeepsTheLibraryText)
{
   TempFile source = TempFile::WithBytes(
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SCL><Header id=\"\xCE\xA9\" "
       "toolID=\"a&#9;b\"/></SCL>\n",
       ".scd");
   TempFile out(".scd");
   ASSERT_EQ(RunTool("save " + source.Path() + " " + out.Path()).Exit, 0);
   EXPECT_TRUE(Contains(out.Bytes(), "<Header id=\"\xCE\xA9\" toolID=\"a&#x9;b\"/>\n"))
       << out.Bytes();
   ASSERT_EQ(RunTool("save " + source.Path() + " " + out.Path() + " --legacy").Exit, 0);
   EXPECT_TRUE(Contains(out.Bytes(), "<Header id=\"&amp;#x3a9;\" toolID=\"a&amp;#9;b\"/>\r\n"))
       << out.Bytes();
}
