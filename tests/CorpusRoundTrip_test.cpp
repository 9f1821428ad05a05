// Real SCL files survive reading, writing and reading again: the second tree equals the
// first by content and by checksum, and writing it again gives the same text.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "SclDll/CSclFile.h"
#include "SclDll/SclCrc32.h"
#include "tests/TestSupport.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar::Scl;
using namespace Arvenko::Melvotar::XmlParser;

namespace {

// The writer's output for aFile in a memory buffer (library text).
std::string WriteToMemory(const CSclFile& aFile, size_t aCapacity)
{
   std::vector<char> buffer(aCapacity);
   CXmlParser writer(buffer.data(), static_cast<int32_t>(buffer.size()), FF_UTF8, true);
   aFile.Write(0, &writer, false);
   return std::string(buffer.data(), static_cast<size_t>(writer.GetPos()));
}

void CheckRoundTrip(const std::string& aFolder)
{
   const std::string folder = SclTest::CorpusPath(aFolder);
   if (!std::filesystem::is_directory(folder))
      GTEST_SKIP() << "SCL corpus folder " << folder << " not found";
   const std::vector<std::string> files = SclTest::CorpusFiles(aFolder);
   ASSERT_FALSE(files.empty());
   for (const std::string& name : files) {
      const std::string path = SclTest::CorpusPath(name);
      SCOPED_TRACE(path);
      CSclFile first;
      size_t inputSize = 0;
      try {
         CXmlParser reader(path, FF_UTF8, false);
         inputSize = static_cast<size_t>(reader.GetLength());
         first.Read(&reader);
      } catch (const xml_parser_error& error) {
         ADD_FAILURE() << "not readable: " << error.what();
         continue;
      }
      // Three blanks per level may outgrow tab indentation; the capacity is generous.
      const std::string text = WriteToMemory(first, 4 * inputSize + 4096);
      CSclFile second;
      {
         CXmlParser reader(text.data(), static_cast<int32_t>(text.size()), FF_UTF8);
         second.Read(&reader);
      }
      EXPECT_TRUE(first.ContentCompare(second));
      EXPECT_EQ(first.GetCRC32(SCL_CRC32_START), second.GetCRC32(SCL_CRC32_START));
      EXPECT_EQ(text, WriteToMemory(second, 4 * inputSize + 4096));
   }
}

} // namespace

TEST(CorpusRoundTrip, PublicFiles)
{
   CheckRoundTrip("public");
}

TEST(CorpusRoundTrip, TranscodedFiles)
{
   CheckRoundTrip("derived");
}
