// Damaged corpus files load or are refused with the reader's report; nothing else may happen.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RobustnessSupport.h"
#include "SclDll/SclLib.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using SclTest::TempFile;

namespace {

// Every SCL file of the corpus with its bytes, read once.
struct tCorpusFile {
   std::string name;
   std::string bytes;
};

const std::vector<tCorpusFile>& Corpus()
{
   static const std::vector<tCorpusFile> files = [] {
      std::vector<tCorpusFile> read;
      for (const std::string& name : SclTest::CorpusFiles())
         read.push_back({name, SclTest::FileBytes(SclTest::CorpusPath(name))});
      return read;
   }();
   return files;
}

// What LoadDamaged demands of an input besides a load or a clean refusal.
enum class tOracle {
   None,      // nothing more: flipped bytes can leave text a save does not keep as it was
   RoundTrip, // once loaded, it saves and loads back equal
   MustLoad   // as RoundTrip, and it must load (an intact file)
};

// Loads aBytes: refused only with the reader's xml_parser_error; loaded, as aOracle demands.
void LoadDamaged(const std::string& aBytes, const std::string& aWhat, tOracle aOracle)
{
   SCOPED_TRACE(aWhat);
   const TempFile input = TempFile::WithBytes(aBytes, ".scd");
   SclTest::CaptureReports reports;
   CSclFile file;
   try {
      file.Read(input.Path());
   } catch (const Arvenko::Melvotar::XmlParser::xml_parser_error& error) {
      EXPECT_NE(aOracle, tOracle::MustLoad) << error.what();
      // The detection of the encoding may report before the exception does.
      const std::vector<std::string>& lines = reports.Get();
      EXPECT_EQ(std::string(error.what()).rfind("CXmlParser::CXmlParser - ", 0), 0u);
      EXPECT_NE(std::find(lines.begin(), lines.end(), error.what()), lines.end()) << error.what();
      return;
   }
   if (aOracle != tOracle::None && file.GetChildCount() > 0) { // nothing saves as nothing
      const TempFile saved(".scd");
      file.Write(saved.Path());
      CSclFile again;
      again.Read(saved.Path());
      SclTest::ExpectSameChildren(again, file);
   }
   file.Complete();
   file.PackDataTypeTemplates();
}

class RobustnessDamaged : public ::testing::Test {
 protected:
   void SetUp() override
   {
      if (Corpus().empty())
         GTEST_SKIP() << "corpus not found under " << SclTest::CorpusPath("");
   }
};

} // namespace

TEST_F(RobustnessDamaged, TruncatedAtTenPoints)
{
   for (const tCorpusFile& file : Corpus())
      for (size_t k = 0; k <= 10; ++k) {
         // Nine cuts spread over the file, one that drops only the last byte, and the whole
         // file (every corpus file loads, so it goes through the round trip).
         const size_t length = k < 9    ? file.bytes.size() * k / 9
                               : k == 9 ? file.bytes.size() - 1
                                        : file.bytes.size();
         LoadDamaged(file.bytes.substr(0, length), file.name + " cut at " + std::to_string(length),
                     k == 10 ? tOracle::MustLoad : tOracle::RoundTrip);
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
         LoadDamaged(bytes, file.name + " flip variant " + std::to_string(variant), tOracle::None);
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
      LoadDamaged(utf16, file.name + " as UTF-16 without byte order mark", tOracle::None);
      // Byte order marks in front of UTF-8 text, with an odd number of bytes behind them.
      const std::string odd = bytes.size() % 2 == 0 ? bytes + "<" : bytes;
      LoadDamaged("\xFF\xFE" + odd, file.name + " behind FF FE, odd length", tOracle::RoundTrip);
      LoadDamaged("\xFE\xFF" + odd, file.name + " behind FE FF, odd length", tOracle::RoundTrip);
      LoadDamaged("\xFF\xFE" + odd.substr(0, 1), file.name + " FF FE and one byte",
                  tOracle::RoundTrip);
      // Invalid UTF-8: lead bytes without continuation, lone continuation bytes, the longest
      // lead bytes, and a sequence cut by the end of the file.
      std::string invalid = bytes;
      for (size_t i = 0; i < invalid.size(); i += 97)
         invalid[i] = "\xC3\x80\xFF\xFC\xF8\xE2"[(i / 97) % 6];
      LoadDamaged(invalid, file.name + " with invalid UTF-8 sequences", tOracle::None);
      LoadDamaged(bytes + "\xF0\x9F\x98", file.name + " ending inside a UTF-8 sequence",
                  tOracle::None);
      LoadDamaged(bytes + "\xFD", file.name + " ending with a six-byte lead byte", tOracle::None);
   }
}
