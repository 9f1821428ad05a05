// Helpers shared by the test suites.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "xmlparser/TextCallback.h"

namespace SclTest {

/// Collects every report line while alive; installs the text callback on construction
/// and removes it on destruction. One capture at a time.
class CaptureReports {
 public:
   CaptureReports()
   {
      Lines().clear();
      Arvenko::Melvotar::SetTextCallbackFunction(&Collect);
   }
   ~CaptureReports() { Arvenko::Melvotar::SetTextCallbackFunction(nullptr); }
   CaptureReports(const CaptureReports&) = delete;
   CaptureReports& operator=(const CaptureReports&) = delete;

   /// The lines received so far, in order.
   const std::vector<std::string>& Get() const { return Lines(); }
   void Clear() { Lines().clear(); }

 private:
   static std::vector<std::string>& Lines()
   {
      static std::vector<std::string> lines;
      return lines;
   }
   static void Collect(std::string aLine) { Lines().push_back(std::move(aLine)); }
};

/// Path of a file under tests/data.
inline std::string DataPath(const std::string& aName)
{
   return std::string(SCL_TEST_DATA_DIR) + "/" + aName;
}

/// Path of a file or folder under the shared corpus.
inline std::string CorpusPath(const std::string& aName)
{
   return std::string(SCL_CORPUS_DIR) + "/" + aName;
}

/// The SCL files of the corpus: every file below public/ and derived/ (only aFolder when
/// given) except the notes (.md), as paths relative to the corpus folder, sorted. Empty when
/// the corpus is missing.
inline std::vector<std::string> CorpusFiles(const std::string& aFolder = std::string())
{
   std::vector<std::string> files;
   for (const std::string folder : {"public", "derived"}) {
      const std::filesystem::path root = CorpusPath(folder);
      if ((!aFolder.empty() && aFolder != folder) || !std::filesystem::is_directory(root))
         continue;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
         if (entry.is_regular_file() && entry.path().extension() != ".md")
            files.push_back(folder + "/" + std::filesystem::relative(entry.path(), root).string());
   }
   std::sort(files.begin(), files.end());
   return files;
}

/// The bytes of the file at aPath; empty when it cannot be read.
inline std::string FileBytes(const std::string& aPath)
{
   std::ifstream in(aPath, std::ios::binary);
   return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The standard output and the exit status of a shell command.
inline std::pair<std::string, int> RunCommand(const std::string& aCommand)
{
   std::string output;
   FILE* pPipe = popen(aCommand.c_str(), "r");
   if (pPipe == nullptr)
      return {output, -1};
   char buffer[512];
   for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pPipe)) > 0;)
      output.append(buffer, got);
   return {output, pclose(pPipe)};
}

/// A file in the temporary folder, removed when the object goes.
class TempFile {
 public:
   /// A new, not yet existing path with the given ending.
   explicit TempFile(const std::string& aSuffix = ".xml")
   {
      static int counter = 0;
      m_Path = (std::filesystem::temp_directory_path() /
                ("scltest_" + std::to_string(getpid()) + "_" + std::to_string(++counter) + aSuffix))
                   .string();
   }
   /// A file holding exactly aBytes.
   static TempFile WithBytes(const std::string& aBytes, const std::string& aSuffix = ".xml")
   {
      TempFile file(aSuffix);
      std::ofstream(file.m_Path, std::ios::binary)
          .write(aBytes.data(), static_cast<std::streamsize>(aBytes.size()));
      return file;
   }
   TempFile(TempFile&& aOther) noexcept : m_Path(std::move(aOther.m_Path))
   {
      aOther.m_Path.clear();
   }
   TempFile(const TempFile&) = delete;
   TempFile& operator=(const TempFile&) = delete;
   ~TempFile()
   {
      if (!m_Path.empty())
         std::remove(m_Path.c_str());
   }
   const std::string& Path() const { return m_Path; }
   /// The file's bytes as they are now.
   std::string Bytes() const { return FileBytes(m_Path); }

 private:
   std::string m_Path;
};

// The message of the tError that aCall throws ("no exception" when it throws none).
template <class tError, class tCall> std::string Thrown(tCall aCall)
{
   try {
      aCall();
   } catch (const tError& e) {
      return e.what();
   }
   return "no exception";
}

} // namespace SclTest
