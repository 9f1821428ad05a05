// Helpers shared by the fuzz harnesses.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

namespace SclFuzz {

/// Writes the input to a file of this process named after apHarness and returns its path;
/// empty when the file cannot be written.
inline std::string WriteInputFile(const char* apHarness, const uint8_t* apData, size_t aSize)
{
   static const std::string path =
       std::string("/tmp/") + apHarness + "_" + std::to_string(getpid()) + ".xml";
   FILE* file = std::fopen(path.c_str(), "wb");
   if (file == nullptr)
      return std::string();
   std::fwrite(apData, 1, aSize, file);
   std::fclose(file);
   return path;
}

} // namespace SclFuzz
