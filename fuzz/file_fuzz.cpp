// Feeds arbitrary bytes as an SCL file: load, complete, check, write to memory, merge the
// type templates, save with stamps and verify the copy's checksum stamp.
#include <cstdint>
#include <string>

#include "SclDll/SclLib.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTree.h"

using namespace Arvenko::Melvotar::Scl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   const SclFuzz::CInputFile input("file_fuzz", apData, aSize);
   CSclFile file;
   if (input.Path().empty() || !SclFuzz::Reads([&] { file.Read(input.Path()); }))
      return 0;
   // Completion of a completed tree finds no key attributes left to move.
   file.Complete();
   const int32_t crc = file.GetCRC32(SCL_CRC32_START);
   if (crc != file.GetCRC32(SCL_CRC32_START))
      __builtin_trap();
   file.IsValidFileCRC();
   SclFuzz::WriteToMemory(file, 0, 4 * aSize + 4096);
   SclFuzz::WriteToMemory(file, 0, aSize / 2 + 1); // too small for most inputs

   file.PackDataTypeTemplates();
   file.GetCRC32(SCL_CRC32_START);
   SclFuzz::WriteToMemory(file, 0, 4 * aSize + 4096);

   // Saving stamps the document; what was saved carries a checksum that verifies. The
   // stamps only exist below an SCL element.
   const std::string savedPath = input.Path() + ".saved";
   if (!SclFuzz::Reads([&] { file.Write(savedPath); }))
      return 0;
   if (file.GetSclElement() != nullptr && !file.IsValidFileCRC())
      __builtin_trap();
   CSclFile saved;
   SclFuzz::Reads([&] { saved.Read(savedPath); });
   return 0;
}
