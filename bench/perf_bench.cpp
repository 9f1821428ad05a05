// Every step of the load and save road on whole SCL files, each beside its reference measured
// in the same run: reading (CSclFile::Read with completion) and writing in the three encodings
// against pugixml's load_file plus a walk and its save_file of the same bytes; the file
// checksum, the template packing, the compare of a file with a second load of it and the
// destruction of the loaded tree against the library's own reading time.
//
//   perf_bench [--runs N] FILE...   every step N times (default 3) per file, each in a fresh
//                                   process, the steps alternating; prints medians, ratios and
//                                   the peak memory of each step
//   perf_bench --child MODE FILE    one step in this process; prints the seconds of the step,
//                                   the peak RSS before and after it (KiB) and a check number
//
// A step that needs a loaded file (writing, checksum, packing, compare) loads it first; only
// the step itself is timed. The peak memory printed is the process's peak after the step, so
// for the library's steps it includes the loaded tree (for the compare: two trees).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <pugixml.hpp>
#include <unistd.h>

#include "SclDll/SclLib.h"
#include "bench/FreshProcess.h"

using namespace Arvenko::Melvotar;

namespace {

double FileMiB(const char* apFile)
{
   return static_cast<double>(SclBench::FileSize(apFile)) / (1024.0 * 1024.0);
}

std::string TempOutputPath()
{
   const char* pFolder = std::getenv("TMPDIR");
   return std::string(pFolder != nullptr ? pFolder : "/tmp") + "/perf_bench_" +
          std::to_string(getpid()) + ".out";
}

// Touches every node name, attribute and text of the document: what a caller of a DOM does at
// least once to get at the content.
size_t WalkPugi(const pugi::xml_node& aRoot)
{
   size_t sum = 0;
   std::vector<pugi::xml_node> stack{aRoot};
   while (!stack.empty()) {
      const pugi::xml_node node = stack.back();
      stack.pop_back();
      sum += std::strlen(node.name()) + std::strlen(node.value());
      for (const pugi::xml_attribute& attribute : node.attributes())
         sum += std::strlen(attribute.name()) + std::strlen(attribute.value());
      for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling())
         stack.push_back(child);
   }
   return sum;
}

struct tMode {
   const char* name;  ///< the child's MODE
   const char* label; ///< printed name of the step
   const char* ref;   ///< MODE of the reference step; null for a reference itself
   const char* ref2;  ///< a second reference printed beside the first; may be null
};

// Library steps name their reference; pugixml's steps are references themselves.
const tMode s_Modes[] = {
    {"pugi-load", "pugixml load_file + walk", nullptr, nullptr},
    {"pugi-save-utf8", "pugixml save_file UTF-8", nullptr, nullptr},
    {"pugi-save-utf16", "pugixml save_file UTF-16", nullptr, nullptr},
    {"pugi-save-latin1", "pugixml save_file ISO-8859-1", nullptr, nullptr},
    {"scl-read", "CSclFile::Read", "pugi-load", nullptr},
    {"scl-write-utf8", "CSclFile::Write UTF-8", "pugi-save-utf8", nullptr},
    {"scl-write-utf16", "CSclFile::Write UTF-16", "pugi-save-utf16", "pugi-save-utf8"},
    {"scl-write-ansi", "CSclFile::Write ISO-8859-1", "pugi-save-latin1", "pugi-save-utf8"},
    {"scl-crc", "GetCRC32 of the file", "scl-read", nullptr},
    {"scl-pack", "PackDataTypeTemplates", "scl-read", nullptr},
    {"scl-compare", "SmartCompare with a copy", "scl-read", nullptr},
    {"scl-destroy", "destroying the loaded file", "scl-read", nullptr},
};

long s_Reports = 0;

// Counts the reports of the compare (a file and its copy give none).
void CountReports(int, Scl::CScl*, std::string, std::string, int)
{
   ++s_Reports;
}

int RunChild(const std::string& aMode, const char* apFile)
{
   double start = 0;
   double stop = 0;
   long before = 0;
   long check = 0;
   std::clock_t cpuStart = 0;
   const auto begin = [&start, &before, &cpuStart] {
      before = SclBench::PeakRssKiB();
      start = SclBench::Now();
      cpuStart = std::clock();
   };
   const std::string output = TempOutputPath();
   try {
      if (aMode.compare(0, 5, "pugi-") == 0) {
         auto* pDocument = new pugi::xml_document; // released by the process exit
         const bool load = aMode == "pugi-load";
         if (load)
            begin();
         if (!pDocument->load_file(apFile))
            return 2;
         if (load) {
            check = static_cast<long>(WalkPugi(*pDocument));
         } else {
            const pugi::xml_encoding encoding = aMode == "pugi-save-utf16" ? pugi::encoding_utf16_le
                                                : aMode == "pugi-save-latin1"
                                                    ? pugi::encoding_latin1
                                                    : pugi::encoding_utf8;
            begin();
            if (!pDocument->save_file(output.c_str(), "   ", pugi::format_default, encoding))
               return 3;
         }
         stop = SclBench::Now();
      } else {
         auto* pFile = new Scl::CSclFile;
         const bool read = aMode == "scl-read";
         if (read)
            begin();
         pFile->Read(apFile);
         if (read) {
            check = pFile->GetChildCount();
         } else if (aMode.compare(0, 10, "scl-write-") == 0) {
            pFile->SetFileFormat(aMode == "scl-write-utf16"  ? XmlParser::FF_UTF16
                                 : aMode == "scl-write-ansi" ? XmlParser::FF_ANSI
                                                             : XmlParser::FF_UTF8);
            begin();
            pFile->Write(output, false);
         } else if (aMode == "scl-crc") {
            begin();
            check = pFile->GetCRC32(Scl::SCL_CRC32_START);
         } else if (aMode == "scl-pack") {
            begin();
            check = pFile->PackDataTypeTemplates() ? 1 : 0;
         } else if (aMode == "scl-compare") {
            auto* pCopy = new Scl::CSclFile;
            pCopy->Read(apFile);
            Scl::CSmartCompare rules;
            rules.SetCallback(CountReports);
            begin();
            check = pFile->SmartCompare(*pCopy, rules, true) ? s_Reports : -1 - s_Reports;
         } else if (aMode == "scl-destroy") {
            begin();
            delete pFile;
         } else {
            return 2;
         }
         stop = SclBench::Now();
      }
   } catch (const std::exception&) {
      return 3;
   }
   // The processor time of the step, all threads: a measure that other load on the machine
   // disturbs less than the wall time.
   const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
   std::remove(output.c_str());
   std::printf("%.6f %ld %ld %ld %.6f\n", stop - start, before, SclBench::PeakRssKiB(), check,
               cpu);
   std::fflush(stdout);
   _exit(0); // the teardown of the trees is not measured
}

struct tSeries {
   std::vector<double> seconds;
   std::vector<long> peak;
   double Seconds() const { return SclBench::Median(seconds); }
   double PeakMiB() const { return static_cast<double>(SclBench::Median(peak)) / 1024.0; }
};

const tMode* FindMode(const char* apName)
{
   for (const tMode& mode : s_Modes)
      if (apName != nullptr && std::strcmp(mode.name, apName) == 0)
         return &mode;
   return nullptr;
}

// Measures every step of one file; false when a step failed.
bool MeasureFile(const char* apFile, int aRuns, std::vector<tSeries>& arSeries)
{
   arSeries.assign(std::size(s_Modes), tSeries());
   for (int run = 0; run < aRuns; ++run)
      for (size_t m = 0; m < std::size(s_Modes); ++m) {
         const std::string output = SclBench::RunFreshChild(s_Modes[m].name, apFile);
         double seconds = -1;
         long before = 0, after = 0, check = 0;
         if (output.empty() || std::sscanf(output.c_str(), "%lf %ld %ld %ld", &seconds, &before,
                                           &after, &check) != 4) {
            std::fprintf(stderr, "step %s failed on %s\n", s_Modes[m].name, apFile);
            return false;
         }
         arSeries[m].seconds.push_back(seconds);
         arSeries[m].peak.push_back(after);
      }
   return true;
}

void PrintFile(const char* apFile, double aMiB, int aRuns, const std::vector<tSeries>& aSeries)
{
   std::printf("\n%s (%.1f MiB), %d runs per step, fresh process per run, medians\n", apFile, aMiB,
               aRuns);
   std::printf("%-30s %9s %8s  %-30s %6s %6s %9s %6s\n", "step", "seconds", "s/MiB", "reference",
               "ratio", "ratio2", "peak MiB", "/ref");
   const size_t pugiLoad = static_cast<size_t>(FindMode("pugi-load") - s_Modes);
   for (size_t m = 0; m < std::size(s_Modes); ++m) {
      const tMode& mode = s_Modes[m];
      const tSeries& series = aSeries[m];
      std::printf("%-30s %9.3f %8.4f", mode.label, series.Seconds(), series.Seconds() / aMiB);
      if (mode.ref == nullptr) {
         std::printf("  %-30s %6s %6s %9.1f\n", "", "", "", series.PeakMiB());
         continue;
      }
      const tMode* pRef = FindMode(mode.ref);
      const tMode* pRef2 = FindMode(mode.ref2);
      const tSeries& ref = aSeries[static_cast<size_t>(pRef - s_Modes)];
      std::printf("  %-30s %6.2f", pRef->label, series.Seconds() / ref.Seconds());
      if (pRef2 != nullptr)
         std::printf(" %6.2f",
                     series.Seconds() / aSeries[static_cast<size_t>(pRef2 - s_Modes)].Seconds());
      else
         std::printf(" %6s", "");
      // Memory is compared with pugixml's loaded document.
      std::printf(" %9.1f %6.2f\n", series.PeakMiB(),
                  series.PeakMiB() / aSeries[pugiLoad].PeakMiB());
   }
   std::printf("ratio: the step's median / the reference's median; ratio2: against pugixml's "
               "UTF-8 save; /ref: peak memory against pugixml's loaded document\n");
}

} // namespace

int main(int argc, char** argv)
{
   if (SclBench::IsChild(argc, argv))
      return RunChild(argv[2], argv[3]);
   int runs = 3;
   std::vector<const char*> files;
   for (int i = 1; i < argc; ++i) {
      if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
         runs = std::max(1, std::atoi(argv[++i]));
      else
         files.push_back(argv[i]);
   }
   if (files.empty()) {
      std::fprintf(stderr, "usage: %s [--runs N] FILE...\n", argv[0]);
      return 2;
   }
   struct tPerMiB {
      const char* file;
      double read, pugi;
   };
   std::vector<tPerMiB> perMiB;
   for (const char* pFile : files) {
      const double mib = FileMiB(pFile);
      std::vector<tSeries> series;
      if (mib <= 0 || !MeasureFile(pFile, runs, series))
         return 1;
      PrintFile(pFile, mib, runs, series);
      perMiB.push_back(
          {pFile, series[static_cast<size_t>(FindMode("scl-read") - s_Modes)].Seconds() / mib,
           series[static_cast<size_t>(FindMode("pugi-load") - s_Modes)].Seconds() / mib});
   }
   if (perMiB.size() > 1) {
      std::printf(
          "\nCSclFile::Read per MiB against the first file (growth; in brackets the same for "
          "the ratio to pugixml's load):\n");
      for (const tPerMiB& entry : perMiB)
         std::printf("  %-40s %8.4f s/MiB  growth %5.2f  (%5.2f)\n", entry.file, entry.read,
                     entry.read / perMiB[0].read,
                     (entry.read / entry.pugi) / (perMiB[0].read / perMiB[0].pugi));
   }
   return 0;
}
