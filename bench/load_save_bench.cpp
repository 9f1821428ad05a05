// Loading an SCL file into the object tree and writing it back, beside pugixml parsing and
// printing the same bytes.
//
//   load_save_bench FILE [RUNS]   runs every measurement RUNS times (default 3), each in a
//                                 fresh process, alternating, and prints medians, ratios and
//                                 the peak memory per input MiB
//   load_save_bench --child MODE FILE
//                                 one measurement in this process; prints load seconds, save
//                                 seconds, peak RSS after loading and after saving (KiB),
//                                 the number of output bytes
//
// Modes, in pairs measured side by side:
// "scl" builds a reader over the file (read, encoding detection, conversion), reads it into
// a file root (which completes the tree) and writes the tree with the container writer to
// a memory buffer. "pugixml" loads the file into a document and prints it, indented by
// three blanks, into a memory buffer. The output buffers are allocated before the clock
// starts and touched only by the writing, so their pages count only as they are written.
// "scl-file" loads with CSclFile::Read and saves with CSclFile::Write (multipliers, stamps,
// checksum, conversion to the file's encoding) to a temporary file; "pugixml-file" loads
// with load_file and saves with save_file, indented by three blanks, to a temporary file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <pugixml.hpp>
#include <unistd.h>

#include "SclDll/CSclFile.h"
#include "bench/FreshProcess.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar;

namespace {

// A file name in the temporary folder for this process's output.
std::string TempOutputPath()
{
   const char* pFolder = std::getenv("TMPDIR");
   return std::string(pFolder != nullptr ? pFolder : "/tmp") + "/load_save_bench_" +
          std::to_string(getpid()) + ".out";
}

// Collects pugixml's output in a fixed buffer, as the library's memory writer does.
class CBufferWriter : public pugi::xml_writer {
 public:
   CBufferWriter(char* apBuffer, size_t aCapacity) : m_pBuffer(apBuffer), m_Capacity(aCapacity) {}
   void write(const void* apData, size_t aSize) override
   {
      if (aSize > m_Capacity - m_Size) {
         m_Overflow = true;
         return;
      }
      std::memcpy(m_pBuffer + m_Size, apData, aSize);
      m_Size += aSize;
   }
   size_t Size() const { return m_Size; }
   bool Overflow() const { return m_Overflow; }

 private:
   char* m_pBuffer;
   size_t m_Capacity;
   size_t m_Size = 0;
   bool m_Overflow = false;
};

int RunChild(const std::string& aMode, const char* apFile)
{
   const long size = SclBench::FileSize(apFile);
   if (size < 0)
      return 2;
   // Room for the output: three blanks of indentation per level make it larger than the
   // input (which is typically indented by tabs).
   const size_t capacity = static_cast<size_t>(size) * 2 + (1 << 20);
   char* pOutput = static_cast<char*>(std::malloc(capacity));
   if (pOutput == nullptr)
      return 2;
   double loaded = 0, saved = 0;
   long rssLoaded = 0;
   size_t written = 0;
   const double start = SclBench::Now();
   if (aMode == "scl") {
      auto* pFile = new Scl::CSclFile; // released by the process exit, as pugixml's
      {
         XmlParser::CXmlParser reader(apFile, XmlParser::FF_UTF8, false);
         pFile->Read(&reader);
      }
      loaded = SclBench::Now();
      rssLoaded = SclBench::PeakRssKiB();
      XmlParser::CXmlParser writer(pOutput, static_cast<int32_t>(capacity), XmlParser::FF_UTF8,
                                   true);
      try {
         pFile->Write(0, &writer, false);
      } catch (const Scl::scl_error&) {
         return 3;
      }
      saved = SclBench::Now();
      written = static_cast<size_t>(writer.GetPos());
   } else if (aMode == "scl-file" || aMode == "pugixml-file") {
      const std::string output = TempOutputPath();
      const auto markLoaded = [&loaded, &rssLoaded] {
         loaded = SclBench::Now();
         rssLoaded = SclBench::PeakRssKiB();
      };
      if (aMode == "scl-file") {
         auto* pFile = new Scl::CSclFile;
         try {
            pFile->Read(apFile);
            markLoaded();
            pFile->Write(output, false);
         } catch (const std::exception&) {
            return 3;
         }
      } else {
         auto* pDocument = new pugi::xml_document;
         if (!pDocument->load_file(apFile))
            return 2;
         markLoaded();
         if (!pDocument->save_file(output.c_str(), "   "))
            return 3;
      }
      saved = SclBench::Now();
      written = static_cast<size_t>(SclBench::FileSize(output.c_str()));
      std::remove(output.c_str());
   } else if (aMode == "pugixml") {
      auto* pDocument = new pugi::xml_document;
      if (!pDocument->load_file(apFile))
         return 2;
      loaded = SclBench::Now();
      rssLoaded = SclBench::PeakRssKiB();
      CBufferWriter writer(pOutput, capacity);
      pDocument->save(writer, "   ");
      saved = SclBench::Now();
      if (writer.Overflow())
         return 3;
      written = writer.Size();
   } else {
      return 2;
   }
   std::printf("%.6f %.6f %ld %ld %zu\n", loaded - start, saved - loaded, rssLoaded,
               SclBench::PeakRssKiB(), written);
   std::fflush(stdout);
   _exit(0); // skip the teardown of the trees: neither side is measured on it
}

struct tResult {
   double load = -1, save = -1;
   long rssLoaded = 0, rssSaved = 0;
   size_t written = 0;
};

tResult RunFresh(const char* apMode, const char* apFile)
{
   tResult result;
   const std::string output = SclBench::RunFreshChild(apMode, apFile);
   if (output.empty() ||
       std::sscanf(output.c_str(), "%lf %lf %ld %ld %zu", &result.load, &result.save,
                   &result.rssLoaded, &result.rssSaved, &result.written) != 5)
      result.load = -1;
   return result;
}

struct tSeries {
   std::vector<double> load, save;
   std::vector<long> rssLoaded, rssSaved;
   size_t written = 0;
   void Add(const tResult& aResult)
   {
      load.push_back(aResult.load);
      save.push_back(aResult.save);
      rssLoaded.push_back(aResult.rssLoaded);
      rssSaved.push_back(aResult.rssSaved);
      written = aResult.written;
   }
};

void PrintSeries(const char* apName, const tSeries& aSeries, double aMegabytes)
{
   const auto perMiB = [aMegabytes](long aKiB) {
      return static_cast<double>(aKiB) / 1024.0 / aMegabytes;
   };
   std::printf("%-12s load %7.3f s  save %7.3f s  peak RSS after load %6.2f MiB/input MiB, "
               "after save %6.2f  output %.1f MiB\n",
               apName, SclBench::Median(aSeries.load), SclBench::Median(aSeries.save),
               perMiB(SclBench::Median(aSeries.rssLoaded)),
               perMiB(SclBench::Median(aSeries.rssSaved)),
               static_cast<double>(aSeries.written) / (1024.0 * 1024.0));
}

} // namespace

int main(int argc, char** argv)
{
   if (SclBench::IsChild(argc, argv))
      return RunChild(argv[2], argv[3]);
   const int runs = SclBench::ParseRuns(argc, argv, 3);
   if (runs == 0)
      return 2;
   const double megabytes = static_cast<double>(SclBench::FileSize(argv[1])) / (1024.0 * 1024.0);
   std::printf("file: %s (%.1f MiB), %d runs each, fresh process per run, medians\n", argv[1],
               megabytes, runs);
   // Each pair: the library's mode, pugixml's counterpart and what they do.
   const char* const pairs[][3] = {{"scl", "pugixml", "tree to memory"},
                                   {"scl-file", "pugixml-file", "file to file"}};
   for (const auto& pair : pairs) {
      tSeries scl, pugixml;
      for (int i = 0; i < runs; ++i) {
         const tResult pugiResult = RunFresh(pair[1], argv[1]);
         const tResult sclResult = RunFresh(pair[0], argv[1]);
         if (pugiResult.load < 0 || sclResult.load < 0) {
            std::fprintf(stderr, "a measurement failed (%s)\n", pair[0]);
            return 1;
         }
         pugixml.Add(pugiResult);
         scl.Add(sclResult);
      }
      std::printf("-- %s\n", pair[2]);
      PrintSeries(pair[1], pugixml, megabytes);
      PrintSeries(pair[0], scl, megabytes);
      std::printf("ratio %s/%s: load %.2f  save %.2f  load+save %.2f  peak RSS %.2f\n", pair[0],
                  pair[1], SclBench::Median(scl.load) / SclBench::Median(pugixml.load),
                  SclBench::Median(scl.save) / SclBench::Median(pugixml.save),
                  (SclBench::Median(scl.load) + SclBench::Median(scl.save)) /
                      (SclBench::Median(pugixml.load) + SclBench::Median(pugixml.save)),
                  static_cast<double>(SclBench::Median(scl.rssSaved)) /
                      static_cast<double>(SclBench::Median(pugixml.rssSaved)));
   }
   return 0;
}
