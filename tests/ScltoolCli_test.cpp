// The scltool command line, run as a user runs it: exit codes and key lines of the output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
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
   const auto [out, status] = SclTest::RunCommand(SCLTOOL_PATH " " + aArgs + " 2>" + err.Path());
   return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, err.Bytes()};
}

const std::string kSample = SCL_SAMPLES_DIR "/station.scd";
const std::string kRules = SCL_SAMPLES_DIR "/compare_rules.xml";

bool Contains(const std::string& aText, const std::string& aPart)
{
   return aText.find(aPart) != std::string::npos;
}

// Every part is in aText; a failure shows the whole text.
void ExpectHas(const std::string& aText, std::initializer_list<std::string> aParts)
{
   for (const std::string& part : aParts)
      EXPECT_TRUE(Contains(aText, part)) << "no \"" << part << "\" in:\n" << aText;
}

// The number of lines of aText that begin with aStart.
int CountLines(const std::string& aText, const std::string& aStart)
{
   const std::string text = "\n" + aText, key = "\n" + aStart;
   int count = 0;
   for (size_t pos = text.find(key); pos != std::string::npos; pos = text.find(key, pos + 1))
      ++count;
   return count;
}

// Runs the tool, expects the exit code and every part in the standard output.
tRun Tool(const std::string& aArgs, int aExit, std::initializer_list<std::string> aOut = {})
{
   tRun run = RunTool(aArgs);
   EXPECT_EQ(run.Exit, aExit) << aArgs << "\n" << run.Out << run.Err;
   ExpectHas(run.Out, aOut);
   return run;
}

} // namespace

TEST(ScltoolCli, HelpForTheToolAndEveryCommand)
{
   tRun run = Tool("--help", 0);
   for (const std::string command : {"info", "check", "save", "pack", "import", "diff", "texts"}) {
      ExpectHas(run.Out, {"  " + command});
      Tool(command + " --help", 0, {"usage: scltool " + command, "Exit status: 0 "});
   }
   tRun version = Tool("--version", 0, {"(library V02.08.02)\n"});
   EXPECT_EQ(version.Out.compare(0, 8, "scltool "), 0) << version.Out;
   Tool("", 2);
   ExpectHas(Tool("frobnicate", 2).Err, {"unknown command 'frobnicate'"});
}

TEST(ScltoolCli, InfoSummarisesTheSample)
{
   tRun run = Tool("info " + kSample, 0,
                   {"encoding:    UTF-8\n", "  IED                  2\n",
                    "  LN                   4\n", "  DOType               6\n",
                    "CRC stamp:   absent\n", "  LNodeTypeRef                   6           0\n"});
   EXPECT_TRUE(run.Err.empty()) << run.Err;
}

TEST(ScltoolCli, CheckIsCleanOnTheSampleAndFailsOnMissingFiles)
{
   Tool("check " + kSample, 0, {"0 finding(s)"});
   tRun missing = Tool("check /nonexistent/station.scd", 2);
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
   tRun run = Tool("check " + broken.Path(), 1,
                   {"problem report(s)",
                    "unresolved: LNodeTypeRef at IED[E].AccessPoint[A].Server.LDevice[L].LN0"});
   // The reader's report names the element whose end tag is missing, in UTF-8.
   ExpectHas(run.Err, {"Fehler: CSclContainer::Read - <Bay>: Ende-Tag fehlt",
                       std::string("Bay[S\xC3\xBC") + "d]"});
}

TEST(ScltoolCli, SaveConvertsEncodingsAndInfoReadsThemBack)
{
   TempFile utf16(".scd");
   Tool("save " + kSample + " " + utf16.Path() + " --format utf16", 0, {"(UTF-16)"});
   EXPECT_EQ(utf16.Bytes().substr(0, 2), "\xFF\xFE");
   Tool("info " + utf16.Path(), 0, {"encoding:    UTF-16\n", "CRC stamp:   valid\n"});
   Tool("save " + kSample + " " + utf16.Path() + " --format ebcdic", 2);
}

TEST(ScltoolCli, PackMergesTheDuplicateAndDiffExplainsIt)
{
   TempFile packed(".scd");
   Tool("pack " + kSample + " " + packed.Path(), 0,
        {"DOType         6 ->     5  (1 merged)", "EnumType       3 ->     3  (0 merged)"});
   ExpectHas(RunTool("check " + packed.Path()).Out, {"CRC stamp: valid"});

   // A file saved again differs only by the stamps, which count only when asked for.
   TempFile saved(".scd");
   ASSERT_EQ(RunTool("save " + kSample + " " + saved.Path()).Exit, 0);
   Tool("diff " + kSample + " " + saved.Path(), 0, {"equal (0 counted difference(s))"});
   Tool("diff " + kSample + " " + saved.Path() + " --count-stamps", 1,
        {"added    counted Private[Arvenko-CRC]: only in the second file"});

   tRun diff =
       Tool("diff " + kSample + " " + packed.Path() + " --rules " + kRules + " --count-stamps", 1,
            {"missing  counted DataTypeTemplates.DOType[INS_Beh2]: only in the first file",
             "different (2 counted difference(s))"});
   EXPECT_EQ(CountLines(diff.Out, "added    ignored Private["), 3);
   // Without rules the texts say what happened; a changed reference shows its keys.
   tRun plain = Tool("diff " + kSample + " " + packed.Path(), 1,
                     {"content  counted DataTypeTemplates.LNodeType[CSWICSWI_T].DO[Beh]: "
                      "value changed: type=\"INS_Beh2\" -> type=\"INS_Beh\"\n",
                      "order    counted DataTypeTemplates.DOType[ACT_T]: "
                      "position changed: 3 -> 2\n"});
   EXPECT_EQ(CountLines(plain.Out, "added "), 0);

   Tool("diff --first " + kSample + " " + packed.Path() + " --rules " + kRules, 1,
        {"different (1 counted difference(s))"});
}

TEST(ScltoolCli, TextsLookupsAndDefaultPool)
{
   Tool("texts --lookup-da q", 0, {"key:  DAN q\n"});
   Tool("texts --lookup-da no.such.name", 1);
   TempFile pool(".xml");
   Tool("texts --write-default " + pool.Path(), 0);
   EXPECT_EQ(pool.Bytes().compare(0, 15, "<TextPoolTable>"), 0);
   Tool("texts --pool " + pool.Path() + " --lookup-value stVal Beh INS 5", 0, {"text: DAV off\n"});
   Tool("texts --lookup-value a b", 2);
}

TEST(ScltoolCli, DiffShowsValuesOncePerChangeAndAsJson)
{
   const std::string original = SclTest::FileBytes(kSample);
   std::string text = original;
   text.replace(text.find("status-only"), 11, "direct \"x\"");
   text.replace(text.find("<SCL "), 5, "<SCL version=\"2007\" ");
   TempFile changed = TempFile::WithBytes(text, ".scd");

   const std::string val = "IED[P1].AccessPoint[S1].Server.LDevice[PROT].LN0[LLN0].DOI[Mod]."
                           "DAI[ctlModel].Val";
   tRun diff =
       Tool("diff " + kSample + " " + changed.Path(), 1,
            {"content  counted " + val + ": value changed: \"status-only\" -> \"direct \"x\"\"\n",
             "added    counted SCL@version: only in the second file: \"2007\"\n",
             "different (2 counted difference(s))"});
   EXPECT_EQ(CountLines(diff.Out, "content  counted " + val), 1);

   tRun json = Tool("diff --json " + kSample + " " + changed.Path(), 1,
                    {"\"equal\": false,\n  \"counted\": 2,",
                     "\"path\": \"" + val +
                         "\",\n      \"text\": \"value changed\",\n"
                         "      \"old\": \"status-only\",\n      \"new\": \"direct \\\"x\\\"\""});
   EXPECT_EQ(json.Out.front(), '{');
   EXPECT_TRUE(json.Err.empty()) << json.Err;
}

TEST(ScltoolCli, CheckFindsDuplicateNamesAndTheMissingKeyAsTextAndJson)
{
   // Two IEDs named E, two LDevices L, an IEDName naming nobody, an LNodeType of another class.
   const std::string document =
       "<SCL><IED name=\"E\"><AccessPoint name=\"A\"><Server><LDevice inst=\"L\">"
       "<LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"T\"><GSEControl name=\"g\"><IEDName>Nobody"
       "</IEDName></GSEControl></LN0></LDevice><LDevice inst=\"L\"/></Server></AccessPoint>"
       "</IED><IED name=\"E\"/><DataTypeTemplates><LNodeType id=\"T\" lnClass=\"XCBR\"/>"
       "</DataTypeTemplates></SCL>";
   TempFile file = TempFile::WithBytes(document, ".scd");
   const std::string ln0 = "IED[E].AccessPoint[A].Server.LDevice[L].LN0[LLN0]";
   Tool("check " + file.Path(), 1,
        {"duplicate: SCL: IED name 'E' is used 2 times\n",
         "duplicate: IED[E].AccessPoint[A].Server: LDevice inst 'L' is used 2 times\n",
         "unresolved: IEDRef at " + ln0 +
             ".GSEControl[g].IEDName: Nobody: IED 'Nobody' does not exist\n",
         "unresolved: LNodeTypeRef at " + ln0 +
             ": lnClass=\"LLN0\" lnType=\"T\": LNodeType 'T' has lnClass 'XCBR', not 'LLN0'\n"});

   Tool("check --json " + file.Path(), 1,
        {"\"kind\": \"duplicate\",\n      \"path\": \"SCL\",",
         "\"element\": \"IED\",\n      \"key\": \"E\",\n      \"count\": 2",
         "\"reference\": \"IEDRef\",\n      \"keys\": \"Nobody\",\n"
         "      \"missing\": \"IED 'Nobody' does not exist\""});

   // A repaired file: the reader's report becomes a finding with its line.
   TempFile broken = TempFile::WithBytes("<SCL>\n<IED name=\"E\">\n<AccessPoint name=\"A\">\n"
                                         "</IED></SCL>",
                                         ".scd");
   tRun repaired = RunTool("check --json " + broken.Path());
   ExpectHas(repaired.Out, {"\"kind\": \"load\",\n      \"path\": \"IED[E].AccessPoint[A]\",\n"
                            "      \"message\": \"CSclContainer::Read - <AccessPoint>: "
                            "Ende-Tag fehlt\",\n      \"line\": 4,\n      \"code\": 2"});
   EXPECT_TRUE(repaired.Err.empty()) << repaired.Err;
   Tool("info --json " + broken.Path(), 0,
        {"\"IED\": 1,", "\"codeText\": \"XML-Struktur fehlerhaft\","});
}

// Imports an IED as a user does and checks the result: the tool's exit code, every reference
// of the imported IED resolving (check --json), and the schema verdict of the target kept.
void CheckImport(const std::string& aTarget, const std::string& aSource, const std::string& aIed,
                 const std::string& aNewName, const std::string& aXsd)
{
   SCOPED_TRACE(aSource + " " + aIed + " -> " + aTarget);
   TempFile out(".scd");
   Tool("import " + aTarget + " " + aSource + " " + aIed + " --as " + aNewName + " -o " +
            out.Path(),
        0, {"(0 unresolved reference(s))"});
   tRun check = RunTool("check --json " + out.Path());
   EXPECT_FALSE(Contains(check.Out, "\"kind\": \"unresolved\",\n      \"path\": \"IED[" + aNewName))
       << check.Out;
   ExpectHas(RunTool("info " + out.Path()).Out, {"CRC stamp:   valid"});
   const std::string xmllint = "xmllint --noout --schema " + aXsd + " ";
   if (std::system("xmllint --version >/dev/null 2>&1") != 0)
      return;
   if (std::system((xmllint + aTarget + " >/dev/null 2>&1").c_str()) == 0) {
      EXPECT_EQ(std::system((xmllint + out.Path() + " >/dev/null 2>&1").c_str()), 0);
   }
}

TEST(ScltoolCli, ImportCorpusAndGeneratedIedsSoThatTheirReferencesResolve)
{
   const std::string corpus = SclTest::CorpusPath("public");
   if (!std::filesystem::exists(corpus))
      GTEST_SKIP() << "corpus not found at " << corpus;
   const std::string xsd = SclTest::CorpusPath("xsd/");
   const std::string iec = corpus + "/mz-automation__libiec61850/";
   const std::string scd = corpus + "/openscd__open-scd/";
   CheckImport(iec + "complexModel.icd", iec + "sampleModel.icd", "SampleIED", "Sample2",
               xsd + "SCL2003/SCL.xsd");
   CheckImport(scd + "valid-addresses.scd", scd + "valid-subnetwork.scd", "B1", "N1",
               xsd + "SCL2007B4/SCL.xsd");

   TempFile first(".scd"), second(".scd");
   const std::string gen = std::string("python3 ") + SCL_GEN_SCD + " -q --ieds ";
   ASSERT_EQ(std::system((gen + "2 --seed 1 -o " + first.Path()).c_str()), 0);
   ASSERT_EQ(std::system((gen + "3 --seed 2 -o " + second.Path()).c_str()), 0);
   CheckImport(second.Path(), first.Path(), "AA1KA1", "IMPORTED", xsd + "SCL2003/SCL.xsd");

   // A name the target has already is refused unless --as gives a free one.
   TempFile out(".scd");
   tRun taken =
       Tool("import " + second.Path() + " " + first.Path() + " AA1KA1 -o " + out.Path(), 2);
   ExpectHas(taken.Err, {"Fehler: ImportIED - IED-Name AA1KA1 bereits vergeben"});
   EXPECT_FALSE(std::filesystem::exists(out.Path()));
}

TEST(ScltoolCli, ProgressOnATerminalForFilesOver20MB)
{
   if (std::system("script --version >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "no 'script' command to run the tool on a terminal";
   // 21 MB, nearly all of it one comment, so that loading stays quick.
   TempFile big = TempFile::WithBytes(
       "<SCL><!--" + std::string(21u << 20, 'x') + "--><IED name=\"E\"/></SCL>", ".scd");
   // The tool's output when "info aPath" runs on a terminal.
   auto onTerminal = [](const std::string& aPath) {
      TempFile log(".log");
      const std::string command = SCLTOOL_PATH " info " + aPath;
      EXPECT_EQ(std::system(("script -qec '" + command + "' /dev/null >" + log.Path()).c_str()), 0);
      return log.Bytes();
   };
   ExpectHas(onTerminal(big.Path()).substr(0, 400),
             {"scltool: loading " + big.Path() + " (21 MB) ... done in "});
   // Not on a pipe, and not for small files.
   EXPECT_FALSE(Contains(RunTool("info " + big.Path()).Err, "loading"));
   EXPECT_FALSE(Contains(onTerminal(kSample), "loading"));
}

TEST(ScltoolCli, DamagedInputIsAFindingAndIsNotSavedOverAGoodFile)
{
   const std::string corpusFile =
       SclTest::CorpusPath("public/riseclipse__riseclipse-validator-scl2003-test/ICD_test.icd");
   const std::string whole = SclTest::FileBytes(corpusFile);
   if (whole.empty())
      GTEST_SKIP() << "corpus not found: " << corpusFile;
   TempFile truncated = TempFile::WithBytes(whole.substr(0, whole.size() / 2), ".icd");
   Tool("check " + truncated.Path(), 1, {"structure: input ends inside an open element"});

   // A refused save leaves the existing output as it was; --force writes it.
   TempFile out = TempFile::WithBytes("good model", ".icd");
   ExpectHas(Tool("save " + truncated.Path() + " " + out.Path(), 1).Err, {"left untouched"});
   EXPECT_EQ(out.Bytes(), "good model");
   TempFile notScl = TempFile::WithBytes("<?xml version=\"1.0\"?>\n<html/>\n");
   Tool("save " + notScl.Path() + " " + out.Path(), 1);
   EXPECT_EQ(out.Bytes(), "good model");
   Tool("save " + truncated.Path() + " " + out.Path() + " --force", 0);
   EXPECT_NE(out.Bytes(), "good model");

   // The SCL namespace under a prefix is kept; an SCL element of another namespace is named.
   TempFile prefixed = TempFile::WithBytes(
       "<scl:SCL xmlns:scl=\"http://www.iec.ch/61850/2003/SCL\"><scl:Header id=\"h\"/></scl:SCL>");
   Tool("save " + prefixed.Path() + " " + out.Path(), 0);
   ExpectHas(out.Bytes(),
             {"   <scl:Private type=\"Arvenko-CRC\">", "   <scl:Header id=\"h\"/>", "</scl:SCL>"});
   ExpectHas(RunTool("check " + out.Path()).Out, {"CRC stamp: valid"});
   TempFile foreign =
       TempFile::WithBytes("<scl:SCL xmlns:scl=\"urn:other\"><scl:Header id=\"h\"/></scl:SCL>");
   for (const char* command : {"info ", "check "})
      ExpectHas(RunTool(command + foreign.Path()).Out, {"root element 'scl:SCL'"});
}

TEST(ScltoolCli, SaveWritesCharactersAndLegacyKeepsTheLibraryText)
{
   TempFile source = TempFile::WithBytes(
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SCL><Header id=\"\xCE\xA9\" "
       "toolID=\"a&#9;b\"/></SCL>\n",
       ".scd");
   TempFile out(".scd");
   ASSERT_EQ(RunTool("save " + source.Path() + " " + out.Path()).Exit, 0);
   ExpectHas(out.Bytes(), {"<Header id=\"\xCE\xA9\" toolID=\"a&#x9;b\"/>\n"});
   ASSERT_EQ(RunTool("save " + source.Path() + " " + out.Path() + " --legacy").Exit, 0);
   ExpectHas(out.Bytes(), {"<Header id=\"&amp;#x3a9;\" toolID=\"a&amp;#9;b\"/>\r\n"});
}
