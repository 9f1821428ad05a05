// Reference resolution on every file of the shared corpus: per reference class, how many
// references resolved and how many did not, and which unresolved ones have a target in the file
// that writes the same key attributes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "SclDll/SclLib.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using Arvenko::Melvotar::XmlParser::CXmlParser;
namespace fs = std::filesystem;

namespace {

struct tCounts {
   int resolved = 0;
   int unresolved = 0;
};

/// Whether apCandidate lies where the reference's own search looks: the IED of an FCDA, the
/// logical node of a control block, the IED its ConnectedAP names for a GSE or SMV.
bool InSearchScope(const CSclRef& aRef, const CSclContainer& aCandidate)
{
   switch (aRef.GetClassId()) {
   case CID_FCDA_LNRef:
      return aRef.GetParent(CID_IED) != nullptr && aCandidate.IsElementOf(aRef.GetParent(CID_IED));
   case CID_DataSetRef:
      return aRef.GetParent(CID_LNBase) != nullptr &&
             aCandidate.IsElementOf(aRef.GetParent(CID_LNBase));
   case CID_GSEControlRef:
   case CID_SampledValueControlRef: {
      const auto* pCAP = static_cast<const CSclConnectedAP*>(aRef.GetParent(CID_ConnectedAP));
      const CSclContainer* pIED = aCandidate.GetParent(CID_IED);
      return pCAP != nullptr && pIED != nullptr && pIED->GetId() == pCAP->Get_iedName();
   }
   default:
      return true;
   }
}

/// An element of the target class that, as target, makes the reference write the key text and
/// content it writes now; with aInScope only one where the reference's search looks.
const CSclContainer* MatchingTarget(CSclRef& aRef, bool aInScope)
{
   const std::string keyText = aRef.GetRefKeyText();
   const std::string content = aRef.GetContent();
   std::vector<CSclContainer*> candidates;
   aRef.GetRefValList(candidates);
   for (CSclContainer* pCandidate : candidates) {
      if (aInScope && !InSearchScope(aRef, *pCandidate))
         continue;
      aRef.SetRefSclContainer(pCandidate);
      const bool same = aRef.GetRefKeyText() == keyText && aRef.GetContent() == content;
      aRef.SetRefSclContainer(nullptr);
      if (same)
         return pCandidate;
   }
   return nullptr;
}

} // namespace

TEST(CorpusReferences, ResolutionPerReferenceClass)
{
   const fs::path root = SclTest::CorpusPath("");
   if (!fs::exists(root / "public"))
      GTEST_SKIP() << "corpus folder " << root << " not found";

   // Unresolved references with a target in the file that the search rules explain: file,
   // reference class and the owner's path.
   const std::set<std::string> explained = {
       // The type is empty and a DAType without id exists: an empty key is never searched.
       "public/mz-automation__libiec61850/simpleIO_control_tests.scd DATypeRef "
       "DataTypeTemplates.DOType[MV_1_AnIn1].DA[mag]",
       // ldInst LD0 names no logical device; the LN sits directly in the access point, where
       // the search looks only when ldInst is empty.
       "public/openscd__open-scd/comm-map.scd LNRef "
       "IED[IED2].AccessPoint[P1].Server.LDevice[CBSW].LN[XSWI2].ReportControl[ReportCb]."
       "RptEnabled.ClientLN",
       "public/openscd__open-scd/dotypes.scd LNRef "
       "IED[IED2].AccessPoint[P1].Server.LDevice[CBSW].LN[XSWI2].ReportControl[ReportCb]."
       "RptEnabled.ClientLN",
       // The ConnectedAP names access point S1; logical device MU01 lies in the IED's other
       // access point, and the search goes through the access point the ConnectedAP names.
       "public/riseclipse__riseclipse-validator-scl2003-test/ICD_test.icd "
       "SampledValueControlRef Communication.SubNetwork[WA2].ConnectedAP.SMV",
   };

   std::map<tSclClassId, tCounts> totals;
   std::map<tSclClassId, int> outOfScope;
   std::set<std::string> unexplained;
   int files = 0;
   for (const std::string& name : SclTest::CorpusFiles()) {
      const fs::path path = root / name;
      CSclFile file;
      try {
         CXmlParser parser(path.string(), Arvenko::Melvotar::XmlParser::FF_UTF8, false);
         file.Read(&parser);
      } catch (const Arvenko::Melvotar::XmlParser::xml_parser_error&) {
         continue; // a file that cannot be read has no references to count
      }
      ++files;
      for (CScl* pScl = &file; pScl != nullptr; pScl = pScl->GetNext(0, 255)) {
         if (!pScl->IsClass(CID_REF))
            continue;
         auto* pRef = static_cast<CSclRef*>(pScl);
         tCounts& counts = totals[pRef->GetClassId()];
         if (pRef->GetRefSclContainer() != nullptr) {
            ++counts.resolved;
            continue;
         }
         ++counts.unresolved;
         if (MatchingTarget(*pRef, true) != nullptr) {
            const std::string entry =
                name + " " + pRef->GetSclName() + " " + pRef->GetParent()->GetIdNamePath();
            if (explained.count(entry) == 0)
               unexplained.insert(entry + ":" + pRef->GetRefKeyText());
         } else if (MatchingTarget(*pRef, false) != nullptr) {
            ++outOfScope[pRef->GetClassId()];
         }
      }
   }
   ASSERT_GT(files, 0);
   std::printf("%-24s %9s %11s %13s\n", "reference class", "resolved", "unresolved",
               "out of scope");
   for (const auto& [classId, counts] : totals)
      std::printf("%-24s %9d %11d %13d\n", CSclNameTable::GetNameOfClassId(classId).c_str(),
                  counts.resolved, counts.unresolved, outOfScope[classId]);
   for (const std::string& entry : unexplained)
      ADD_FAILURE() << "unresolved although the target exists: " << entry;
}
