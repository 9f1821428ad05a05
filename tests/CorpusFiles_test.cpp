// Every corpus file loads, saves in its own and in the other encodings, loads back equal and
// carries a valid checksum stamp; saved Edition 1 files that were schema-valid stay valid.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SclDll/SclLib.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using SclTest::CaptureReports;
using SclTest::CorpusPath;
using SclTest::TempFile;

namespace {

struct tCorpusFile {
   std::string path;   // relative to the corpus folder
   bool edition1Valid; // validates against the 2003 schema
};

// The SCL files of the corpus, each with its 2003-schema verdict from INDEX.tsv.
std::vector<tCorpusFile> CorpusFiles()
{
   std::ifstream index(CorpusPath("INDEX.tsv"));
   std::string line;
   std::getline(index, line);
   std::vector<std::string> header;
   for (std::istringstream columns(line); std::getline(columns, line, '\t');)
      header.push_back(line);
   size_t schemaColumn = header.size();
   for (size_t i = 0; i < header.size(); ++i)
      if (header[i] == "xsd_SCL2003")
         schemaColumn = i;
   std::set<std::string> edition1Valid;
   while (std::getline(index, line)) {
      std::vector<std::string> cells;
      for (std::istringstream columns(line); std::getline(columns, line, '\t');)
         cells.push_back(line);
      if (schemaColumn < cells.size() && cells[schemaColumn] == "valid")
         edition1Valid.insert(cells[0]);
   }
   std::vector<tCorpusFile> files;
   for (const std::string& name : SclTest::CorpusFiles())
      files.push_back({name, edition1Valid.count(name) != 0});
   return files;
}

bool HaveCorpus()
{
   return std::filesystem::exists(CorpusPath("INDEX.tsv"));
}

// A value in the middle of the document, to change after saving.
CScl* MiddleValue(const CSclFile& aFile)
{
   std::vector<CScl*> values;
   aFile.ForEachChild([&values](CScl* apScl) {
      if (apScl->IsClass(CID_VALUE) && !apScl->IsClass(CID_REF))
         values.push_back(apScl);
      return 0;
   });
   return values.empty() ? nullptr : values[values.size() / 2];
}

// Whether xmllint finds the file well-formed.
bool XmlLintAccepts(const std::string& aPath)
{
   return std::system(("xmllint --noout '" + aPath + "' >/dev/null 2>&1").c_str()) == 0;
}

const XmlParser::tFileFormat s_Formats[] = {XmlParser::FF_ANSI, XmlParser::FF_UTF8,
                                            XmlParser::FF_UTF16};

} // namespace

TEST(CorpusFiles, SaveInEveryEncodingAndLoadBackEqual)
{
   if (!HaveCorpus())
      GTEST_SKIP() << "corpus folder missing: " << CorpusPath("");
   const std::vector<tCorpusFile> files = CorpusFiles();
   ASSERT_GT(files.size(), 80u);
   const bool haveXmllint = std::system("xmllint --version >/dev/null 2>&1") == 0;
   CaptureReports reports; // the broken files report; their lines are not under test here
   // With the interchange option every save of a well-formed file is well-formed too.
   for (const tCorpusFile& corpusFile : files)
      for (bool interchange : {false, true}) {
         SCOPED_TRACE(corpusFile.path + (interchange ? " (interchange)" : ""));
         CSclFile file;
         if (interchange)
            file.SetInterchange(tSclInterchange::All());
         ASSERT_NO_THROW(file.Read(CorpusPath(corpusFile.path)));
         const bool wellFormed =
             interchange && haveXmllint && XmlLintAccepts(CorpusPath(corpusFile.path));
         for (XmlParser::tFileFormat format : s_Formats) { // the file's own format among them
            SCOPED_TRACE(format);
            file.SetFileFormat(format);
            TempFile saved(".scd");
            ASSERT_NO_THROW(file.Write(saved.Path()));
            const bool hasScl = file.GetSclElement() != nullptr;
            EXPECT_EQ(file.IsValidFileCRC(), hasScl);
            if (wellFormed) {
               EXPECT_TRUE(XmlLintAccepts(saved.Path()));
            }

            CSclFile reread;
            reread.SetInterchange(file.GetInterchange());
            if (file.GetChildCount() == 0 && format != XmlParser::FF_UTF16) {
               // Nothing to write gives an empty file, which the reader refuses.
               EXPECT_THROW(reread.Read(saved.Path()), XmlParser::xml_parser_error);
               continue;
            }
            ASSERT_NO_THROW(reread.Read(saved.Path()));
            // Without a declaration an 8-bit file cannot say so and is read back as UTF-8 (with
            // the interchange option it got one).
            const bool undeclared =
                format == XmlParser::FF_ANSI && file.GetChild(CID__xml) == nullptr;
            EXPECT_EQ(reread.GetFileFormat(), undeclared ? XmlParser::FF_UTF8 : format);
            EXPECT_EQ(reread.IsValidFileCRC(), hasScl);
            reread.SetSclName(file.GetSclName());
            EXPECT_TRUE(reread.ContentCompare(file));
         }
         if (CScl* pValue = MiddleValue(file)) {
            const std::string value = pValue->GetValue();
            pValue->SetValue(value + "x");
            EXPECT_FALSE(file.IsValidFileCRC());
            pValue->SetValue(value);
            EXPECT_EQ(file.IsValidFileCRC(), file.GetSclElement() != nullptr);
         }
      }
}

TEST(CorpusFiles, SavedEdition1FilesStaySchemaValid)
{
   if (!HaveCorpus())
      GTEST_SKIP() << "corpus folder missing: " << CorpusPath("");
   if (std::system("xmllint --version >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "xmllint not installed (package libxml2-utils)";
   const std::string schema = CorpusPath("xsd/SCL2003/SCL.xsd");
   int checked = 0;
   CaptureReports reports;
   for (const tCorpusFile& corpusFile : CorpusFiles()) {
      if (!corpusFile.edition1Valid)
         continue;
      SCOPED_TRACE(corpusFile.path);
      CSclFile file;
      file.Read(CorpusPath(corpusFile.path));
      for (XmlParser::tFileFormat format : s_Formats) {
         SCOPED_TRACE(format);
         file.SetFileFormat(format);
         TempFile saved(".scd");
         file.Write(saved.Path());
         const std::string command =
             "xmllint --noout --schema '" + schema + "' '" + saved.Path() + "' 2>&1";
         std::string output;
         if (FILE* pPipe = popen(command.c_str(), "r")) {
            char buffer[512];
            while (std::fgets(buffer, sizeof buffer, pPipe) != nullptr)
               output += buffer;
            EXPECT_EQ(pclose(pPipe), 0) << output;
         } else {
            ADD_FAILURE() << "cannot run xmllint";
         }
         ++checked;
      }
   }
   EXPECT_GT(checked, 0) << "no Edition 1 file marked valid in INDEX.tsv";
}
