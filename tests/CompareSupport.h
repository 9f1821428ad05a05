// Helpers shared by the compare suites: a recorder of compare reports and a walk by child
// indexes.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "SclDll/SclLib.h"
#include "SclTextSupport.h"

namespace SclTest {

/// One report of the compare callback.
struct tCompareReport {
   int ignored;
   Arvenko::Melvotar::Scl::CScl* pScl;
   std::string itemId;
   std::string text;
   int event;
   bool operator==(const tCompareReport& aOther) const
   {
      return ignored == aOther.ignored && pScl == aOther.pScl && itemId == aOther.itemId &&
             text == aOther.text && event == aOther.event;
   }
};

/// Readable form of a report in test failures.
inline void PrintTo(const tCompareReport& aReport, std::ostream* apStream)
{
   *apStream << "{" << aReport.ignored << ", " << aReport.pScl << " "
             << (aReport.pScl != nullptr ? aReport.pScl->GetIdName() : std::string()) << ", \""
             << aReport.itemId << "\", \"" << aReport.text << "\", " << aReport.event << "}";
}

/// Installs a recording callback on a CSmartCompare while alive and removes it on
/// destruction. One recorder at a time.
class RecordCompareReports {
 public:
   explicit RecordCompareReports(Arvenko::Melvotar::Scl::CSmartCompare& arRules) : m_rRules(arRules)
   {
      Reports().clear();
      m_rRules.SetCallback(&Record);
   }
   ~RecordCompareReports()
   {
      m_rRules.SetCallback(nullptr);
      Reports().clear();
   }
   RecordCompareReports(const RecordCompareReports&) = delete;
   RecordCompareReports& operator=(const RecordCompareReports&) = delete;

   /// The reports received so far, in order.
   const std::vector<tCompareReport>& Get() const { return Reports(); }
   /// The event numbers received so far, in order.
   std::vector<int> Events() const
   {
      std::vector<int> events;
      for (const tCompareReport& report : Reports())
         events.push_back(report.event);
      return events;
   }
   void Clear() { Reports().clear(); }

 private:
   static std::vector<tCompareReport>& Reports()
   {
      static std::vector<tCompareReport> reports;
      return reports;
   }
   static void Record(int aIgnored, Arvenko::Melvotar::Scl::CScl* apScl, std::string aItemId,
                      std::string aText, int aEvent)
   {
      Reports().push_back({aIgnored, apScl, std::move(aItemId), std::move(aText), aEvent});
   }

   Arvenko::Melvotar::Scl::CSmartCompare& m_rRules;
};

/// The element reached from apRoot by following child indexes (counting element children,
/// references not included).
inline Arvenko::Melvotar::Scl::CSclContainer*
ElementAt(Arvenko::Melvotar::Scl::CSclContainer* apRoot, std::initializer_list<int> aPath)
{
   using namespace Arvenko::Melvotar::Scl;
   CSclContainer* pElement = apRoot;
   for (int index : aPath) {
      CScl* pChild = nullptr;
      int seen = 0;
      for (int i = 0; i < pElement->GetChildCount() && pChild == nullptr; ++i)
         if (pElement->GetChild(i)->IsClass(CID_CONTAINER) &&
             !pElement->GetChild(i)->IsClass(CID_REF) && seen++ == index)
            pChild = pElement->GetChild(i);
      if (pChild == nullptr)
         return nullptr;
      pElement = static_cast<CSclContainer*>(pChild);
   }
   return pElement;
}

} // namespace SclTest
