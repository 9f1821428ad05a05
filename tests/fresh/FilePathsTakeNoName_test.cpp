// A long-running process that reads many files: their paths take no id of the name table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "SclDll/CSclNameTable.h"
#include "SclDll/SclLib.h"

using namespace Arvenko::Melvotar::Scl;

TEST(FilePathsTakeNoNameStress, HundredThousandPathsThenANewName)
{
   namespace fs = std::filesystem;
   const fs::path folder = fs::temp_directory_path() / ("scl_paths_" + std::to_string(getpid()));
   fs::create_directories(folder);
   const fs::path original = folder / "original.scd";
   std::ofstream(original) << "<SCL><Header id=\"h\"/><unknownElement/></SCL>\n";
   {
      CSclFile first;
      first.Read(original.string());
   }
   const tSclNameId lastId = CSclNameTable::GetLastNameId();
   for (int i = 0; i < 100000; ++i) {
      const fs::path link = folder / ("link" + std::to_string(i) + ".scd");
      fs::create_symlink(original, link);
      CSclFile file;
      file.Read(link.string());
      ASSERT_EQ(file.GetSclName(), link.string());
      ASSERT_NE(file.GetSclElement(), nullptr);
      fs::remove(link);
   }
   EXPECT_EQ(CSclNameTable::GetLastNameId(), lastId);
   EXPECT_EQ(CSclNameTable::GetOrAddNameId("aNameAfterAllThosePaths"), lastId + 1);
   fs::remove_all(folder);
}
