#include "SclDll/SclImport.h"

#include <algorithm>
#include <map>
#include <set>

#include "SclDll/CSclValue.h"
#include "SclDll/SclError.h"

namespace Arvenko::Melvotar::Scl {

namespace {

bool IsTemplateClass(tSclClassId aClassId)
{
   return aClassId == CID_LNodeType || aClassId == CID_DOType || aClassId == CID_DAType ||
          aClassId == CID_EnumType;
}

// The template a reference resolves to, or null.
const CSclContainer* TemplateTarget(const CScl& aRef)
{
   const CSclContainer* target = static_cast<const CSclRef&>(aRef).GetRefSclContainer();
   return target != nullptr && IsTemplateClass(target->GetClassId()) ? target : nullptr;
}

// Every reference in the subtree of aRoot, in document order.
std::vector<CScl*> ReferencesIn(const CSclContainer& aRoot)
{
   std::vector<CScl*> refs;
   aRoot.ForEachChild([&refs](CScl* apScl) {
      if (apScl->IsClass(CID_REF))
         refs.push_back(apScl);
      return 0;
   });
   return refs;
}

// The element text child of a container (an IEDRef's key), or null.
CScl* TextChild(const CSclContainer& aContainer)
{
   for (int i = 0; i < aContainer.GetChildCount(); ++i) {
      CScl* child = aContainer.GetChild(i);
      if (child->IsClass(CID_VALUE) && !child->IsClass(CID_REF) && child->GetNameId() == NID_NONE)
         return child;
   }
   return nullptr;
}

// What the copies' reference keys must say in the target.
struct tRewrite {
   std::map<const CScl*, std::string> TemplateIds; // source template -> id in the target
   std::string OldName, NewName;                   // the IED's name, before and after
};

void RewriteRef(const CSclRef& aSource, CSclRef& arCopy, const tRewrite& aRewrite)
{
   if (const CSclContainer* target = TemplateTarget(aSource)) {
      const auto found = aRewrite.TemplateIds.find(target);
      if (found != aRewrite.TemplateIds.end())
         arCopy.SetAttribValue(arCopy.GetClassId() == CID_LNodeTypeRef ? NID_lnType : NID_type,
                               found->second);
   }
   if (aRewrite.OldName == aRewrite.NewName)
      return;
   const tSclClassId kind = arCopy.GetClassId();
   if (kind == CID_IEDRef) {
      CScl* text = TextChild(arCopy);
      if (text != nullptr && text->GetValue() == aRewrite.OldName)
         text->SetValue(aRewrite.NewName);
   } else if ((kind == CID_LNRef || kind == CID_APRef) &&
              arCopy.GetValue(NID_iedName) == aRewrite.OldName) {
      arCopy.SetAttribValue(NID_iedName, aRewrite.NewName);
   }
}

// Walks a source element and its fresh copy side by side (a copy has the same children)
// and points the copy's reference keys at the target's names.
void Rewrite(const CSclContainer& aSource, CSclContainer& arCopy, const tRewrite& aRewrite)
{
   const int count = std::min(aSource.GetChildCount(), arCopy.GetChildCount());
   for (int i = 0; i < count; ++i) {
      const CScl* source = aSource.GetChild(i);
      CScl* copy = arCopy.GetChild(i);
      if (source->GetClassId() != copy->GetClassId())
         continue;
      if (source->IsClass(CID_REF))
         RewriteRef(static_cast<const CSclRef&>(*source), static_cast<CSclRef&>(*copy), aRewrite);
      else if (source->IsClass(CID_CONTAINER))
         Rewrite(static_cast<const CSclContainer&>(*source), static_cast<CSclContainer&>(*copy),
                 aRewrite);
   }
}

// One template of the closure and the templates it uses.
struct tClosureEntry {
   const CSclContainer* Source;
   std::vector<const CScl*> Uses;
   CSclContainer* Copy = nullptr;
   bool Decided = false;
};

// The templates aIed uses, directly or through other templates, in source document order.
std::vector<tClosureEntry> TemplateClosure(const CSclIED& aIed)
{
   std::set<const CScl*> seen;
   std::vector<const CSclContainer*> work;
   auto visit = [&seen, &work](const CSclContainer& aRoot, std::vector<const CScl*>* apUses) {
      for (CScl* ref : ReferencesIn(aRoot)) {
         const CSclContainer* target = TemplateTarget(*ref);
         if (target == nullptr)
            continue;
         if (apUses != nullptr)
            apUses->push_back(target);
         if (seen.insert(target).second)
            work.push_back(target);
      }
   };
   visit(aIed, nullptr);
   std::map<const CScl*, std::vector<const CScl*>> uses;
   while (!work.empty()) {
      const CSclContainer* next = work.back();
      work.pop_back();
      visit(*next, &uses[next]);
   }
   std::vector<tClosureEntry> closure;
   for (const CScl* object : seen)
      closure.push_back({static_cast<const CSclContainer*>(object), uses[object]});
   std::sort(closure.begin(), closure.end(), [](const tClosureEntry& a, const tClosureEntry& b) {
      return a.Source->GetIndex() < b.Source->GetIndex();
   });
   return closure;
}

// The target's templates as packing compares them: sorted copies, looked up by checksum.
class CEqualTemplates {
 public:
   explicit CEqualTemplates(const CSclDataTypeTemplates& aTemplates)
   {
      for (int i = 0; i < aTemplates.GetChildCount(); ++i) {
         const CScl* child = aTemplates.GetChild(i);
         if (IsTemplateClass(child->GetClassId()))
            m_Originals.push_back(static_cast<const CSclContainer*>(child));
      }
   }

   /// An original template equal to aCandidate without its id (one with aPreferredId
   /// first), or null.
   const CSclContainer* Find(const CSclContainer& aCandidate, const std::string& aPreferredId)
   {
      const tSclClassId kind = aCandidate.GetClassId();
      if (m_Indexed.insert(kind).second)
         for (const CSclContainer* original : m_Originals)
            if (original->GetClassId() == kind) {
               CSclContainer* sorted = SortedCopy(*original);
               m_ByCrc.emplace(sorted->GetCRC32WithoutTopLevelId(SCL_CRC_START),
                               std::make_pair(sorted, original));
            }
      CSclContainer* candidate = SortedCopy(aCandidate);
      const auto range = m_ByCrc.equal_range(candidate->GetCRC32WithoutTopLevelId(SCL_CRC_START));
      const CSclContainer* found = nullptr;
      for (auto it = range.first; it != range.second; ++it) {
         if (it->second.second->GetClassId() != kind ||
             !candidate->CompareWithoutTopLevelId(*it->second.first))
            continue;
         if (found == nullptr || it->second.second->GetValue(NID_id) == aPreferredId)
            found = it->second.second;
      }
      m_Scratch.DeleteChild(candidate);
      return found;
   }

   /// Whether an original template of that class has that id.
   bool HasId(tSclClassId aClassId, const std::string& aId) const
   {
      for (const CSclContainer* original : m_Originals)
         if (original->GetClassId() == aClassId && original->GetValue(NID_id) == aId)
            return true;
      return false;
   }

 private:
   CSclContainer* SortedCopy(const CSclContainer& aTemplate)
   {
      CSclContainer* copy = m_Scratch.CreateSclContainer(aTemplate.GetClassId(), InsertLast);
      copy->Copy(aTemplate);
      copy->Sort(true, false, true);
      return copy;
   }

   static constexpr int32_t SCL_CRC_START = static_cast<int32_t>(0xFFFFFFFFu);
   CSclContainer m_Scratch{nullptr};
   std::vector<const CSclContainer*> m_Originals;
   std::set<tSclClassId> m_Indexed;
   std::multimap<int32_t, std::pair<CSclContainer*, const CSclContainer*>> m_ByCrc;
};

// Imports the closure into aTemplates; fills arRewrite's template ids and arResult.
void ImportTemplates(std::vector<tClosureEntry>& arClosure, CSclDataTypeTemplates& arTemplates,
                     tRewrite& arRewrite, tImportResult& arResult)
{
   CEqualTemplates equal(arTemplates);
   std::map<tSclClassId, std::set<std::string>> taken; // ids the import gave out
   auto freeId = [&](tSclClassId aClassId, const std::string& aId) {
      auto isTaken = [&](const std::string& aCandidate) {
         return equal.HasId(aClassId, aCandidate) || taken[aClassId].count(aCandidate) > 0;
      };
      if (!isTaken(aId))
         return aId;
      std::string candidate = aId + "_" + arRewrite.NewName;
      for (int n = 2; isTaken(candidate); ++n)
         candidate = aId + "_" + arRewrite.NewName + "_" + std::to_string(n);
      return candidate;
   };
   auto makeCopy = [&](tClosureEntry& arEntry) {
      arEntry.Copy = arTemplates.CreateSclContainer(arEntry.Source->GetClassId(), InsertLast);
      arEntry.Copy->Copy(*arEntry.Source);
   };
   auto keep = [&](tClosureEntry& arEntry, bool aRewritten) {
      const tSclClassId kind = arEntry.Source->GetClassId();
      const std::string sourceId = arEntry.Source->GetValue(NID_id);
      const std::string id = freeId(kind, sourceId);
      taken[kind].insert(id);
      if (id != sourceId)
         arEntry.Copy->SetAttribValue(NID_id, id);
      arRewrite.TemplateIds[arEntry.Source] = id;
      arEntry.Decided = aRewritten;
   };

   // A template is decided once the templates it uses are: its copy then names them as the
   // target does and can be compared with the target's own templates.
   for (bool progress = true; progress;) {
      progress = false;
      for (tClosureEntry& entry : arClosure) {
         if (entry.Decided ||
             std::any_of(entry.Uses.begin(), entry.Uses.end(), [&](const CScl* aUsed) {
                return arRewrite.TemplateIds.count(aUsed) == 0;
             }))
            continue;
         makeCopy(entry);
         Rewrite(*entry.Source, *entry.Copy, arRewrite);
         const std::string sourceId = entry.Source->GetValue(NID_id);
         if (const CSclContainer* same = equal.Find(*entry.Copy, sourceId)) {
            arRewrite.TemplateIds[entry.Source] = same->GetValue(NID_id);
            arTemplates.DeleteChild(entry.Copy);
            entry.Copy = nullptr;
            entry.Decided = true;
         } else {
            keep(entry, true);
         }
         progress = true;
      }
   }
   // Templates that use themselves through others (never valid, but readable): copied,
   // with ids first, then their references.
   for (tClosureEntry& entry : arClosure)
      if (!entry.Decided && entry.Copy == nullptr) {
         makeCopy(entry);
         keep(entry, false);
      }
   for (tClosureEntry& entry : arClosure)
      if (!entry.Decided) {
         Rewrite(*entry.Source, *entry.Copy, arRewrite);
         entry.Decided = true;
      }

   for (const tClosureEntry& entry : arClosure) {
      const std::string sourceId = entry.Source->GetValue(NID_id);
      const std::string& targetId = arRewrite.TemplateIds[entry.Source];
      const tImportAction action = entry.Copy == nullptr  ? IMPORT_REUSED
                                   : targetId == sourceId ? IMPORT_COPIED
                                                          : IMPORT_RENAMED;
      arResult.Templates.push_back({entry.Source->GetClassId(), sourceId, targetId, action});
   }
}

// Whether a ConnectedAP of the source belongs to the imported IED.
bool BelongsTo(const CSclConnectedAP& aConnectedAP, const CSclIED& aIed)
{
   const CSclAccessPoint* accessPoint = aConnectedAP.GetRefAccessPoint();
   if (accessPoint != nullptr)
      return accessPoint->IsElementOf(&aIed);
   return aConnectedAP.Get_iedName() == aIed.Get_name();
}

// Copies the IED's ConnectedAPs into the target's subnetworks of the same names.
std::vector<CSclContainer*> ImportConnectedAPs(const CSclSCL& aSource, const CSclIED& aIed,
                                               CSclSCL& arTarget, const tRewrite& aRewrite,
                                               tImportResult& arResult)
{
   std::vector<CSclContainer*> copies;
   const CSclCommunication* communication = aSource.GetCommunication();
   if (communication == nullptr)
      return copies;
   std::vector<CSclSubNetwork*> subNetworks;
   communication->GetSubNetworks(subNetworks);
   for (const CSclSubNetwork* subNetwork : subNetworks) {
      std::vector<CSclConnectedAP*> connectedAPs;
      subNetwork->GetConnectedAPs(connectedAPs);
      for (const CSclConnectedAP* connectedAP : connectedAPs) {
         if (!BelongsTo(*connectedAP, aIed))
            continue;
         CSclCommunication* targetCommunication = arTarget.GetCommunication();
         if (targetCommunication == nullptr)
            targetCommunication = arTarget.CreateCommunication(InsertLast);
         CSclSubNetwork* targetSubNetwork =
             targetCommunication->GetSubNetwork(subNetwork->Get_name());
         if (targetSubNetwork == nullptr) {
            // The subnetwork's own attributes and bit rate, without the other devices.
            targetSubNetwork = targetCommunication->CreateSubNetwork(InsertLast);
            for (int i = 0; i < subNetwork->GetChildCount(); ++i) {
               const CScl* child = subNetwork->GetChild(i);
               if (child->IsClass(CID_VALUE) && child->GetNameId() != NID_NONE)
                  targetSubNetwork->SetAttribValue(child->GetNameId(), child->GetValue());
            }
            if (const CSclBitRate* bitRate = subNetwork->GetBitRate())
               targetSubNetwork->CreateBitRate(InsertLast)->Copy(*bitRate);
            arResult.CreatedSubNetworks.push_back(subNetwork->Get_name());
         }
         CSclConnectedAP* copy = targetSubNetwork->CreateConnectedAP(InsertLast);
         copy->Copy(*connectedAP);
         Rewrite(*connectedAP, *copy, aRewrite);
         copies.push_back(copy);
         ++arResult.ConnectedAPCount;
      }
   }
   return copies;
}

// Declares on the target's SCL element the namespace prefixes that the imported parts use
// (elements and attributes of other schemas, as in Private content) and that only the
// source's SCL element declares.
void CarryNamespaces(const std::vector<CSclContainer*>& aParts, const CSclSCL& aSource,
                     CSclSCL& arTarget, tImportResult& arResult)
{
   std::set<std::string> prefixes;
   for (const CSclContainer* part : aParts)
      part->ForEachChild([&prefixes](CScl* apScl) {
         const std::string& name = apScl->GetSclName();
         const size_t colon = name.find(':');
         if (colon != std::string::npos && name.compare(0, colon, "xmlns") != 0 &&
             name.compare(0, colon, "xml") != 0)
            prefixes.insert(name.substr(0, colon));
         return 0;
      });
   for (const std::string& prefix : prefixes) {
      const std::string declaration = "xmlns:" + prefix;
      const CScl* sourceValue = aSource.GetChildByNameId(declaration);
      if (arTarget.GetChildByNameId(declaration) != nullptr || sourceValue == nullptr ||
          !sourceValue->IsClass(CID_VALUE))
         continue;
      arTarget.SetAttribValue(declaration, sourceValue->GetValue());
      arResult.AddedNamespaces.push_back(prefix);
   }
}

} // namespace

tSclError ImportIED(CSclFile& aTarget, const CSclFile& aSource, const std::string& aIedName,
                    const tImportOptions& aOptions, tImportResult& arResult)
{
   arResult = tImportResult();
   CSclSCL* source = aSource.GetSclElement();
   CSclSCL* target = aTarget.GetSclElement();
   if (&aTarget == &aSource) {
      OutputSclError("ImportIED - Quelle und Ziel sind dieselbe Datei", SE_OPERATION_NOT_ALLOWED,
                     &aTarget, 0);
      return SE_OPERATION_NOT_ALLOWED;
   }
   if (source == nullptr || target == nullptr) {
      OutputSclError("ImportIED - Datei ohne SCL-Element", SE_DATA_NOT_FOUND,
                     source == nullptr ? &aSource : &aTarget, 0);
      return SE_DATA_NOT_FOUND;
   }
   const CSclIED* ied = source->GetIED(aIedName);
   if (ied == nullptr) {
      OutputSclError("ImportIED - IED " + aIedName + " nicht gefunden", SE_DATA_NOT_FOUND, source,
                     0);
      return SE_DATA_NOT_FOUND;
   }
   tRewrite rewrite;
   rewrite.OldName = aIedName;
   rewrite.NewName = aOptions.NewName.empty() ? aIedName : aOptions.NewName;
   if (const CSclIED* existing = target->GetIED(rewrite.NewName)) {
      OutputSclError("ImportIED - IED-Name " + rewrite.NewName + " bereits vergeben", SE_NAME,
                     existing, 0);
      return SE_NAME;
   }

   std::vector<tClosureEntry> closure = TemplateClosure(*ied);
   std::vector<CSclContainer*> imported;
   if (!closure.empty()) {
      CSclDataTypeTemplates* templates = target->GetDataTypeTemplates();
      if (templates == nullptr)
         templates = target->CreateDataTypeTemplates(InsertLast);
      ImportTemplates(closure, *templates, rewrite, arResult);
      for (const tClosureEntry& entry : closure)
         if (entry.Copy != nullptr)
            imported.push_back(entry.Copy);
   }
   CSclIED* copy = target->CreateIED(InsertLast);
   copy->Copy(*ied);
   Rewrite(*ied, *copy, rewrite);
   copy->Set_name(rewrite.NewName);
   arResult.Ied = copy;
   imported.insert(imported.begin(), copy);
   for (CSclContainer* connectedAP : ImportConnectedAPs(*source, *ied, *target, rewrite, arResult))
      imported.push_back(connectedAP);

   CarryNamespaces(imported, *source, *target, arResult);
   target->Complete();
   aTarget.SetChanged(true);
   for (CSclContainer* part : imported)
      for (CScl* ref : ReferencesIn(*part))
         if (static_cast<CSclRef*>(ref)->GetRefSclContainer() == nullptr)
            arResult.Unresolved.push_back(static_cast<CSclRef*>(ref));
   return SE_OK;
}

} // namespace Arvenko::Melvotar::Scl
