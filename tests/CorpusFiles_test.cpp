// Every corpus file saves in every encoding, loads back equal and stamped; valid files stay valid.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "SclDll/SclLib.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using SclTest::CaptureReports;
using SclTest::CorpusPath;
using SclTest::RunCommand;
using SclTest::TempFile;

namespace {

struct tCorpusFile {
   std::string path;                 // relative to the corpus folder
   std::vector<std::string> schemas; // the schema folders under xsd that it validates against
};

// The SCL files of the corpus, each with the schemas INDEX.tsv says it validates against.
std::vector<tCorpusFile> CorpusFiles()
{
   std::ifstream index(CorpusPath("INDEX.tsv"));
   std::string line;
   std::getline(index, line);
   std::vector<std::string> header;
   for (std::istringstream columns(line); std::getline(columns, line, '\t');)
      header.push_back(line);
   std::map<std::string, std::vector<std::string>> schemas;
   while (std::getline(index, line)) {
      std::vector<std::string> cells;
      for (std::istringstream columns(line); std::getline(columns, line, '\t');)
         cells.push_back(line);
      if (cells.empty())
         continue;
      for (size_t i = 0; i < header.size() && i < cells.size(); ++i)
         if (header[i].rfind("xsd_", 0) == 0 && cells[i] == "valid")
            schemas[cells[0]].push_back(header[i].substr(4));
   }
   std::vector<tCorpusFile> files;
   for (const std::string& name : SclTest::CorpusFiles())
      files.push_back({name, schemas[name]});
   return files;
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
   if (!std::filesystem::exists(CorpusPath("INDEX.tsv")))
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
      }
}

TEST(CorpusFiles, SavedValidFilesStaySchemaValidAndFreeOfNameFindings)
{
   if (!std::filesystem::exists(CorpusPath("INDEX.tsv")))
      GTEST_SKIP() << "corpus folder missing: " << CorpusPath("");
   if (std::system("xmllint --version >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "xmllint not installed (package libxml2-utils)";
   const char* const s_FormatNames[] = {nullptr, "ansi", "utf8", "utf16"};
   int checked = 0;
   CaptureReports reports;
   for (const tCorpusFile& corpusFile : CorpusFiles()) {
      if (corpusFile.schemas.empty())
         continue;
      SCOPED_TRACE(corpusFile.path);
      const std::string source = CorpusPath(corpusFile.path);
      // Saves with the tools' interchange options through the library and through scltool, in
      // each encoding; an Edition 1 file also with the library's own conventions.
      std::vector<TempFile> saved;
      CSclFile file;
      file.SetInterchange(tSclInterchange::All());
      file.Read(source);
      const CSclSCL* pScl = file.GetSclElement();
      EXPECT_NE(pScl, nullptr);
      std::vector<std::string> names;
      if (pScl != nullptr)
         CSclEdition::FindNameFindings(*pScl, true,
                                       [&names](const CScl&, const std::string& aName) {
                                          names.push_back(aName);
                                          return true;
                                       });
      EXPECT_TRUE(names.empty()) << names.front();
      const auto [check, checkStatus] =
          RunCommand(std::string(SCLTOOL_PATH) + " check '" + source + "'");
      EXPECT_EQ(check.find("name: "), std::string::npos) << check;
      for (XmlParser::tFileFormat format : s_Formats) {
         file.SetFileFormat(format);
         file.Write(saved.emplace_back(".scd").Path());
         const std::string& out = saved.emplace_back(".scd").Path();
         EXPECT_EQ(RunCommand(std::string(SCLTOOL_PATH) + " save '" + source + "' '" + out +
                              "' --format " + s_FormatNames[format] + " >/dev/null")
                       .second,
                   0);
      }
      const std::vector<std::string>& schemas = corpusFile.schemas;
      if (std::find(schemas.begin(), schemas.end(), "SCL2003") != schemas.end()) {
         CSclFile plain;
         plain.Read(source);
         for (XmlParser::tFileFormat format : s_Formats) {
            plain.SetFileFormat(format);
            plain.Write(saved.emplace_back(".scd").Path());
         }
      }
      for (const std::string& schema : schemas) {
         std::string command =
             "xmllint --noout --schema '" + CorpusPath("xsd/" + schema) + "/SCL.xsd'";
         for (const TempFile& out : saved)
            command += " '" + out.Path() + "'";
         const auto [output, status] = RunCommand(command + " 2>&1");
         EXPECT_EQ(status, 0) << schema << ":\n" << output;
         checked += static_cast<int>(saved.size());
      }
   }
   EXPECT_GT(checked, 0) << "no file marked valid in INDEX.tsv";
}
