// Loading, saving, comparing and packing each corpus file, one test per file, so that the
// leak checkers see every input road: the sanitizer build runs all of them with its leak
// check, scripts/memcheck runs a few under valgrind.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SclDll/SclLib.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using SclTest::CorpusPath;
using SclTest::DataPath;
using SclTest::TempFile;

namespace {

// The corpus files relative to the corpus folder; one empty entry when it is missing.
std::vector<std::string> CorpusFiles()
{
   std::vector<std::string> files;
   for (const char* folder : {"public", "derived"}) {
      const std::filesystem::path root = CorpusPath(folder);
      if (!std::filesystem::is_directory(root))
         continue;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
         if (entry.is_regular_file() && entry.path().extension() != ".md")
            files.push_back(std::filesystem::relative(entry.path(), CorpusPath("")).string());
   }
   std::sort(files.begin(), files.end());
   if (files.empty())
      files.emplace_back();
   return files;
}

// Test name of a corpus file: its path with every other character than a letter or a digit
// as "_".
std::string TestName(const ::testing::TestParamInfo<std::string>& aInfo)
{
   std::string name = aInfo.param.empty() ? "corpus_missing" : aInfo.param;
   for (char& c : name)
      if (!std::isalnum(static_cast<unsigned char>(c)))
         c = '_';
   return name;
}

class RobustnessMemory : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(RobustnessMemory, LoadSaveComparePack)
{
   if (GetParam().empty())
      GTEST_SKIP() << "corpus not found under " << CorpusPath("");
   CSclFile file;
   try {
      file.Read(CorpusPath(GetParam()));
   } catch (const XmlParser::xml_parser_error&) {
      return; // refused input: what was allocated for it is released, as the leak check sees
   }
   const TempFile saved(".scd");
   file.Write(saved.Path());
   CSclFile again;
   if (file.GetChildCount() == 0) {
      // Nothing to write: the saved file is empty, which the reader refuses.
      EXPECT_THROW(again.Read(saved.Path()), XmlParser::xml_parser_error);
      return;
   }
   again.Read(saved.Path());
   EXPECT_TRUE(again.IsValidFileCRC() || again.GetSclElement() == nullptr);

   CSmartCompare rules;
   rules.ReadIgnoreFile(DataPath("compare_rules.xml"));
   rules.AdjustTypeIds(&file, &again);
   file.SmartCompare(again, rules, true);
   CSclFile copy;
   ASSERT_EQ(copy.Copy(again), SE_OK);
   EXPECT_TRUE(copy.ContentCompare(again));
   copy.PackDataTypeTemplates();

   CSclKevText texts;
   EXPECT_TRUE(texts.LoadXMLFile(DataPath("kevtext_de.xml")));
   const TempFile pool(".xml");
   texts.SaveXMLFile(pool.Path());
   EXPECT_TRUE(texts.LoadXMLFile(pool.Path()));
}

INSTANTIATE_TEST_SUITE_P(Corpus, RobustnessMemory, ::testing::ValuesIn(CorpusFiles()), TestName);
