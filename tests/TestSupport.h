// Helpers shared by the test suites.
#pragma once

#include <string>
#include <vector>

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

} // namespace SclTest
