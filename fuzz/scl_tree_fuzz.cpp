// Feeds arbitrary bytes as a file: read, complete, checksum, write to memory, read that again.
#include <cstdint>
#include <string>
#include <vector>

#include "SclDll/CSclFile.h"
#include "SclDll/SclCrc32.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTree.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar::Scl;
using namespace Arvenko::Melvotar::XmlParser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   const SclFuzz::CInputFile input("scl_tree_fuzz", apData, aSize);
   CSclFile root;
   if (input.Path().empty() || !SclFuzz::Reads([&] {
          CXmlParser reader(input.Path(), FF_UTF8, false);
          root.Read(&reader);
       }))
      return 0;
   if (root.IsLoading() || root.IsChanged())
      __builtin_trap();
   if (root.GetCRC32(SCL_CRC32_START) != root.GetCRC32(SCL_CRC32_START))
      __builtin_trap();
   root.Write(0, nullptr, false); // the dry run neither writes nor fails

   std::vector<char> output(4 * aSize + 4096);
   const int32_t written = SclFuzz::WriteToBuffer(root, 0, output);
   if (written < 0)
      return 0;
   // Every line the writer hands over ends with a line feed.
   if (written > 0 && output[static_cast<size_t>(written) - 1] != '\n')
      __builtin_trap();
   CSclFile again;
   CXmlParser reader(output.data(), written, FF_UTF8);
   again.Read(&reader);
   again.GetCRC32(SCL_CRC32_START);
   return 0;
}
