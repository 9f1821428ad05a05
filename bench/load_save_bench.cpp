// Loading an SCL file into the object tree and writing it back to memory, beside pugixml
// parsing and printing the same bytes.
//
//   load_save_bench FILE [RUNS]   runs both measurements RUNS times (default 3), each in a
//                                 fresh process, alternating, and prints medians, ratios and
//                                 the peak memory per input MiB
//   load_save_bench --child scl|pugixml FILE
//                                 one measurement in this process; prints load seconds, save
//                                 seconds, peak RSS after loading and after saving (KiB),
//                                 the number of output bytes
//
// "scl" builds a reader over the file (read, encoding detection, conversion), reads it into
// a file root (which completes the tree) and writes the tree with the container writer to
// a memory buffer. "pugixml" loads the file into a document and prints it, indented by
// three blanks, into a memory buffer. The output buffers are allocated before the clock
// starts and touched only by the writing, so their pages count only as they are written.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <pugixml.hpp>
#include <sys/resource.h>
#include <unistd.h>

#include "SclDll/CSclFile.h"
#include "bench/FreshProcess.h"
#include "xmlparser/XmlParser.h"

using namespace Arvenko::Melvotar;

namespace {

long PeakRssKiB()
{
   rusage usage{};
   getrusage(RUSAGE_SELF, &usage);
   return usage.ru_maxrss;
}

long FileSize(const char* apFile)
{
   FILE* file = std::fopen(apFile, "rb");
   if (file == nullptr)
      return -1;
   std::fseek(file, 0, SEEK_END);
   const long size = std::ftell(file);
   std::fclose(file);
   return size;
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
   const long size = FileSize(apFile);
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
      rssLoaded = PeakRssKiB();
      XmlParser::CXmlParser writer(pOutput, static_cast<int32_t>(capacity), XmlParser::FF_UTF8,
                                   true);
      try {
         pFile->Write(0, &writer, false);
      } catch (const Scl::scl_error&) {
         return 3;
      }
      saved = SclBench::Now();
      written = static_cast<size_t>(writer.GetPos());
   } else if (aMode == "pugixml") {
      auto* pDocument = new pugi::xml_document;
      if (!pDocument->load_file(apFile))
         return 2;
      loaded = SclBench::Now();
      rssLoaded = PeakRssKiB();
      CBufferWriter writer(pOutput, capacity);
      pDocument->save(writer, "   ");
      saved = SclBench::Now();
      if (writer.Overflow())
         return 3;
      written = writer.Size();
   } else {
      return 2;
   }
   std::printf("%.6f %.6f %ld %ld %zu\n", loaded - start, saved - loaded, rssLoaded, PeakRssKiB(),
               written);
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

} // namespace

int main(int argc, char** argv)
{
   if (SclBench::IsChild(argc, argv))
      return RunChild(argv[2], argv[3]);
   const int runs = SclBench::ParseRuns(argc, argv, 3);
   if (runs == 0)
      return 2;
   tSeries scl, pugixml;
   for (int i = 0; i < runs; ++i) {
      const tResult pugiResult = RunFresh("pugixml", argv[1]);
      const tResult sclResult = RunFresh("scl", argv[1]);
      if (pugiResult.load < 0 || sclResult.load < 0) {
         std::fprintf(stderr, "a measurement failed\n");
         return 1;
      }
      pugixml.Add(pugiResult);
      scl.Add(sclResult);
   }
   const double megabytes = static_cast<double>(FileSize(argv[1])) / (1024.0 * 1024.0);
   const auto perMiB = [megabytes](long aKiB) {
      return static_cast<double>(aKiB) / 1024.0 / megabytes;
   };
   std::printf("file: %s (%.1f MiB), %d runs each, fresh process per run, medians\n", argv[1],
               megabytes, runs);
   std::printf("%-8s load %7.3f s  save %7.3f s  peak RSS after load %6.2f MiB/input MiB, "
               "after save %6.2f  output %.1f MiB\n",
               "pugixml", SclBench::Median(pugixml.load), SclBench::Median(pugixml.save),
               perMiB(SclBench::Median(pugixml.rssLoaded)),
               perMiB(SclBench::Median(pugixml.rssSaved)),
               static_cast<double>(pugixml.written) / (1024.0 * 1024.0));
   std::printf("%-8s load %7.3f s  save %7.3f s  peak RSS after load %6.2f MiB/input MiB, "
               "after save %6.2f  output %.1f MiB\n",
               "scl", SclBench::Median(scl.load), SclBench::Median(scl.save),
               perMiB(SclBench::Median(scl.rssLoaded)), perMiB(SclBench::Median(scl.rssSaved)),
               static_cast<double>(scl.written) / (1024.0 * 1024.0));
   std::printf("ratio scl/pugixml: load %.2f  save %.2f  load+save %.2f  peak RSS %.2f\n",
               SclBench::Median(scl.load) / SclBench::Median(pugixml.load),
               SclBench::Median(scl.save) / SclBench::Median(pugixml.save),
               (SclBench::Median(scl.load) + SclBench::Median(scl.save)) /
                   (SclBench::Median(pugixml.load) + SclBench::Median(pugixml.save)),
               static_cast<double>(SclBench::Median(scl.rssSaved)) /
                   static_cast<double>(SclBench::Median(pugixml.rssSaved)));
   return 0;
}
