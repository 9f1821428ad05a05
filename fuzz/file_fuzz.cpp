// Feeds arbitrary bytes as an SCL file through the whole-file road: the file root loads
// it from its path, completes it again, checks and writes it to memory, merges its type
// templates, then saves it with its stamps and verifies the checksum stamp of the copy.
#include <cstdint>
#include <string>
#include <vector>

#include "SclDll/SclLib.h"
#include "fuzz/FuzzSupport.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using namespace Arvenko::Melvotar::XmlParser;

namespace {

// Writes the tree into a memory buffer of aCapacity bytes; a full buffer is refused with
// scl_error.
void WriteToMemory(const CSclFile& aFile, size_t aCapacity)
{
   std::vector<char> output(aCapacity);
   CXmlParser writer(output.data(), static_cast<int32_t>(output.size()), FF_UTF8, true);
   try {
      aFile.Write(0, &writer, false);
   } catch (const scl_error&) {
   }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   const SclFuzz::CReportCheck reportCheck;
   const std::string path = SclFuzz::WriteInputFile("file_fuzz", apData, aSize);
   if (path.empty())
      return 0;

   CSclFile file;
   try {
      file.Read(path);
   } catch (const xml_parser_error&) {
      return 0;
   }
   // Completion of a completed tree finds no key attributes left to move.
   file.Complete();
   const int32_t crc = file.GetCRC32(SCL_CRC32_START);
   if (crc != file.GetCRC32(SCL_CRC32_START))
      __builtin_trap();
   file.IsValidFileCRC();
   WriteToMemory(file, 4 * aSize + 4096);
   WriteToMemory(file, aSize / 2 + 1); // too small for most inputs

   file.PackDataTypeTemplates();
   file.GetCRC32(SCL_CRC32_START);
   WriteToMemory(file, 4 * aSize + 4096);

   // Saving stamps the document; what was saved carries a checksum that verifies. The
   // stamps only exist below an SCL element.
   const std::string savedPath = path + ".saved";
   try {
      file.Write(savedPath);
   } catch (const xml_parser_error&) {
      return 0;
   }
   if (file.GetSclElement() != nullptr && !file.IsValidFileCRC())
      __builtin_trap();
   CSclFile saved;
   try {
      saved.Read(savedPath);
   } catch (const xml_parser_error&) {
   }
   return 0;
}
