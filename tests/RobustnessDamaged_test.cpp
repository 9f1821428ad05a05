// Damaged corpus files: truncated, with bytes flipped, or in a wrong or broken encoding.
// Each either loads (and then completes, checksums, packs and writes) or is refused with the
// reader's report and xml_parser_error; nothing else may happen.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
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

// Every SCL file of the corpus, with its bytes.
struct tCorpusFile {
   std::string name;
   std::string bytes;
};

std::vector<tCorpusFile> ReadCorpus()
{
   std::vector<tCorpusFile> files;
   for (const std::string& name : SclTest::CorpusFiles()) {
      std::ifstream in(CorpusPath(name), std::ios::binary);
      files.push_back({name, std::string(std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>())});
   }
   return files;
}

const std::vector<tCorpusFile>& Corpus()
{
   static const std::vector<tCorpusFile> files = ReadCorpus();
   return files;
}

// Loads aBytes as a file. Loaded: the tree goes through completion, checksum, packing and
// writing to a memory buffer. Refused: only with xml_parser_error, whose report names the reader.
void LoadDamaged(const std::string& aBytes, const std::string& aWhat)
{
   SCOPED_TRACE(aWhat);
   const TempFile input = TempFile::WithBytes(aBytes, ".scd");
   CaptureReports reports;
   CSclFile file;
   try {
      file.Read(input.Path());
   } catch (const XmlParser::xml_parser_error& error) {
      // The detection of the encoding may report before the exception does.
      const std::vector<std::string>& lines = reports.Get();
      EXPECT_EQ(std::string(error.what()).rfind("CXmlParser::CXmlParser - ", 0), 0u);
      EXPECT_NE(std::find(lines.begin(), lines.end(), error.what()), lines.end()) << error.what();
      return;
   }
   file.Complete();
   EXPECT_EQ(file.GetCRC32(SCL_CRC32_START), file.GetCRC32(SCL_CRC32_START));
   file.PackDataTypeTemplates();
   std::vector<char> output(4 * aBytes.size() + 65536);
   XmlParser::CXmlParser writer(output.data(), static_cast<int32_t>(output.size()),
                                XmlParser::FF_UTF8, true);
   try {
      file.Write(0, &writer, false);
   } catch (const scl_error& error) {
      // Damage can nest what was flat; the indentation then outgrows the buffer, which the
      // writer refuses as designed.
      EXPECT_EQ(error.GetError(), SE_IO);
   }
}

class RobustnessDamaged : public ::testing::Test {
 protected:
   void SetUp() override
   {
      if (Corpus().empty())
         GTEST_SKIP() << "corpus not found under " << CorpusPath("");
   }
};

} // namespace

TEST_F(RobustnessDamaged, TruncatedAtTenPoints)
{
   for (const tCorpusFile& file : Corpus())
      for (size_t k = 0; k < 10; ++k) {
         // Nine cuts spread over the file and one that drops only the last byte.
         const size_t length = k < 9 ? file.bytes.size() * k / 9 : file.bytes.size() - 1;
         LoadDamaged(file.bytes.substr(0, length), file.name + " cut at " + std::to_string(length));
      }
}

TEST_F(RobustnessDamaged, BytesFlipped)
{
   std::minstd_rand random(61850);
   for (const tCorpusFile& file : Corpus())
      for (int variant = 0; variant < 4; ++variant) {
         std::string bytes = file.bytes;
         // Few flips leave most markup intact; many reach the encoding detection too.
         const int flips = variant == 3 ? static_cast<int>(bytes.size() / 64) : 1 + 4 * variant;
         for (int i = 0; i < flips && !bytes.empty(); ++i)
            bytes[random() % bytes.size()] ^= static_cast<char>(1 + random() % 255);
         LoadDamaged(bytes, file.name + " flip variant " + std::to_string(variant));
      }
}

TEST_F(RobustnessDamaged, WronglyEncoded)
{
   for (const tCorpusFile& file : Corpus()) {
      const std::string& bytes = file.bytes;
      // UTF-16 without byte order mark: read as UTF-8 with a zero byte after each.
      std::string utf16;
      for (char c : bytes)
         utf16 += std::string{c, '\0'};
      LoadDamaged(utf16, file.name + " as UTF-16 without byte order mark");
      // Byte order marks in front of UTF-8 text, with an odd number of bytes behind them.
      const std::string odd = bytes.size() % 2 == 0 ? bytes + "<" : bytes;
      LoadDamaged("\xFF\xFE" + odd, file.name + " behind FF FE, odd length");
      LoadDamaged("\xFE\xFF" + odd, file.name + " behind FE FF, odd length");
      LoadDamaged("\xFF\xFE" + odd.substr(0, 1), file.name + " FF FE and one byte");
      // Invalid UTF-8: lead bytes without continuation, lone continuation bytes, the longest
      // lead bytes, and a sequence cut by the end of the file.
      std::string invalid = bytes;
      for (size_t i = 0; i < invalid.size(); i += 97)
         invalid[i] = "\xC3\x80\xFF\xFC\xF8\xE2"[(i / 97) % 6];
      LoadDamaged(invalid, file.name + " with invalid UTF-8 sequences");
      LoadDamaged(bytes + "\xF0\x9F\x98", file.name + " ending inside a UTF-8 sequence");
      LoadDamaged(bytes + "\xFD", file.name + " ending with a six-byte lead byte");
   }
}
