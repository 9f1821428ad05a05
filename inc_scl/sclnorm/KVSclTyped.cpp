// Helpers behind the generated accessors, the completion of typed elements and the lookup
// index that keeps completion linear on large files.
#include "inc_scl/sclnorm/KVSclTyped.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "SclDll/CSclFile.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclValue.h"
#include "SclDll/SclTreeWalk.h"
#include "inc_scl/sclnorm/KVSclClasses.h"
#include "inc_scl/sclnorm/KVSclRefRules.h"

namespace Arvenko::Melvotar::Scl {

namespace {

/// The first value child named aNameId (0: the first text child), or null.
CSclValue* FindValueChild(const CSclContainer& aElement, tSclNameId aNameId)
{
   for (int i = 0; i < aElement.GetChildCount(); ++i) {
      CScl* pScl = aElement.GetChild(i);
      if (pScl->GetNameId() == aNameId && pScl->IsClass(CID_VALUE))
         return static_cast<CSclValue*>(pScl);
   }
   return nullptr;
}

/// The reference classes an element class carries, ascending class id.
const std::vector<tSclClassId>& RefClassesOf(tSclClassId aClassId)
{
   static const std::vector<std::vector<tSclClassId>> s_Table = [] {
      std::vector<std::vector<tSclClassId>> table(CID_LAST_CLASS + 1);
      for (const tSclSchemaPair& pair : CSclSchemaInfo::GetRefClassTable())
         table[pair.classId].push_back(static_cast<tSclClassId>(pair.id));
      for (auto& list : table)
         std::sort(list.begin(), list.end());
      return table;
   }();
   static const std::vector<tSclClassId> s_None;
   return aClassId >= 0 && aClassId <= CID_LAST_CLASS ? s_Table[aClassId] : s_None;
}

/// Lookups among siblings answered from an index while the outermost completion runs. During
/// completion the tree changes only by reference children and moved key values, so the
/// identities of classes whose identity reads no reference attribute stay what they were when
/// an entry was built; LNs, whose lnClass is such an attribute, have an index of their own
/// that is dropped when an identity changes; other classes that read one (LN0) are scanned.
class CLookupIndex {
 public:
   static CLookupIndex* Active() { return s_pActive; }

   CSclContainer* Find(const CSclContainer& aParent, tSclClassId aClassId, const std::string& aKey)
   {
      auto& byKey = m_Entries[{&aParent, aClassId}];
      if (!byKey.built) {
         for (int i = 0; i < aParent.GetChildCount(); ++i) {
            CScl* pScl = aParent.GetChild(i);
            if (pScl->IsClass(CID_CONTAINER) && pScl->IsClass(aClassId)) {
               auto* pElement = static_cast<CSclContainer*>(pScl);
               byKey.map.emplace(pElement->GetId(), pElement); // keeps the first in child order
            }
         }
         byKey.built = true;
      }
      auto it = byKey.map.find(aKey);
      return it == byKey.map.end() ? nullptr : it->second;
   }

   /// The first LN child of aParent whose identity equals aKey. The LNs of a parent are
   /// indexed by a hash of their identity, built from its parts in place, and a hit is
   /// verified; an LN whose identity changes (SclIdentityMayChange) drops its parent's index.
   CSclContainer* FindLN(const CSclContainer& aParent, const std::string& aKey)
   {
      tLNEntry& entry = m_LNs[&aParent];
      if (!entry.built)
         BuildLNs(aParent, entry);
      if (entry.scan)
         return ScanLNs(aParent, aKey);
      const uint64_t hash = HashText(HashSeed(), aKey);
      auto it = std::lower_bound(entry.byHash.begin(), entry.byHash.end(), hash,
                                 [](const tLNHash& a, uint64_t b) { return a.hash < b; });
      for (; it != entry.byHash.end() && it->hash == hash; ++it)
         if (LNIdentityIs(*it->pLN, aKey))
            return it->pLN;
      return nullptr;
   }

   void ForgetLNs(const CSclContainer& aParent) { m_LNs.erase(&aParent); }

   /// The first LN child of aParent whose identity equals aKey, compared in place.
   static CSclContainer* ScanLNs(const CSclContainer& aParent, const std::string& aKey)
   {
      for (int i = 0, count = aParent.GetChildCount(); i < count; ++i) {
         CScl* pChild = aParent.GetChild(i);
         if (pChild->GetClassId() != CID_VALUE && pChild->IsClass(CID_LN) &&
             LNIdentityIs(static_cast<CSclContainer&>(*pChild), aKey))
            return static_cast<CSclContainer*>(pChild);
      }
      return nullptr;
   }

   CScl* First(const CSclContainer& aParent, tSclClassId aClassId)
   {
      auto found = m_First.find({&aParent, aClassId});
      if (found != m_First.end())
         return found->second;
      CScl* pChild = aParent.GetChild(aClassId);
      m_First.emplace(tKey{&aParent, aClassId}, pChild);
      return pChild;
   }

   /// Whether the identity of aClassId reads only plain attributes.
   static bool IsIndexable(tSclClassId aClassId)
   {
      static const std::vector<bool> s_Table = [] {
         std::vector<bool> table(CID_LAST_CLASS + 1, false);
         const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance();
         for (const tSclSchemaPair& pair : CSclSchemaInfo::GetKeyAttributeTable())
            table[pair.classId] = true;
         for (const tSclSchemaPair& pair : CSclSchemaInfo::GetKeyAttributeTable()) {
            const tSclSchemaEntry* pRow =
                pInfo->GetEntry(pair.classId, static_cast<tSclNameId>(pair.id));
            if (pRow == nullptr || pRow->isRefAttribute)
               table[pair.classId] = false;
         }
         return table;
      }();
      return aClassId > CID_REF && aClassId <= CID_LAST_CLASS && s_Table[aClassId];
   }

   /// Activates an index for the lifetime of the outermost scope.
   class CScope {
    public:
      CScope() : m_Owner(s_pActive == nullptr)
      {
         if (m_Owner)
            s_pActive = new CLookupIndex;
      }
      ~CScope()
      {
         if (m_Owner) {
            delete s_pActive;
            s_pActive = nullptr;
         }
      }
      CScope(const CScope&) = delete;
      CScope& operator=(const CScope&) = delete;

    private:
      bool m_Owner;
   };

 private:
   struct tKey {
      const CSclContainer* pParent;
      tSclClassId classId;
      bool operator==(const tKey& aOther) const
      {
         return pParent == aOther.pParent && classId == aOther.classId;
      }
   };
   struct tKeyHash {
      size_t operator()(const tKey& aKey) const
      {
         return std::hash<const void*>()(aKey.pParent) ^ (static_cast<size_t>(aKey.classId) << 1);
      }
   };
   struct tEntry {
      bool built = false;
      std::unordered_map<std::string, CSclContainer*> map;
   };

   struct tLNHash {
      uint64_t hash;
      CSclContainer* pLN;
   };
   struct tLNEntry {
      bool built = false;
      bool scan = false; // an identity part that must be built: scanned as the identity reads
      std::vector<tLNHash> byHash; // by hash, then child order
   };

   static uint64_t HashSeed() { return 14695981039346656037ull; }
   // FNV-1a, so that the parts hash one after the other as their concatenation does.
   static uint64_t HashText(uint64_t aHash, const std::string& aText)
   {
      for (unsigned char c : aText)
         aHash = (aHash ^ c) * 1099511628211ull;
      return aHash;
   }

   static bool LNIdentityIs(const CSclContainer& aLN, const std::string& aKey)
   {
      const std::string* parts[3];
      if (!SclLNIdentityInPlace(aLN, parts))
         return aLN.GetId() == aKey; // a part that must be built (and may report)
      const size_t classAt = parts[0]->size();
      const size_t instAt = classAt + parts[1]->size();
      return instAt + parts[2]->size() == aKey.size() && aKey.compare(0, classAt, *parts[0]) == 0 &&
             aKey.compare(classAt, parts[1]->size(), *parts[1]) == 0 &&
             aKey.compare(instAt, parts[2]->size(), *parts[2]) == 0;
   }

   static void BuildLNs(const CSclContainer& aParent, tLNEntry& arEntry)
   {
      arEntry.built = true;
      for (int i = 0, count = aParent.GetChildCount(); i < count; ++i) {
         CScl* pChild = aParent.GetChild(i);
         if (pChild->GetClassId() == CID_VALUE || !pChild->IsClass(CID_LN))
            continue;
         auto* pLN = static_cast<CSclContainer*>(pChild);
         const std::string* parts[3];
         if (!SclLNIdentityInPlace(*pLN, parts)) {
            arEntry.scan = true;
            arEntry.byHash.clear();
            return;
         }
         uint64_t hash = HashSeed();
         for (const std::string* pPart : parts)
            hash = HashText(hash, *pPart);
         arEntry.byHash.push_back({hash, pLN});
      }
      std::stable_sort(arEntry.byHash.begin(), arEntry.byHash.end(),
                       [](const tLNHash& a, const tLNHash& b) { return a.hash < b.hash; });
   }

   std::unordered_map<tKey, tEntry, tKeyHash> m_Entries;
   std::unordered_map<const CSclContainer*, tLNEntry> m_LNs;
   std::unordered_map<tKey, CScl*, tKeyHash> m_First;
   static CLookupIndex* s_pActive;
};

CLookupIndex* CLookupIndex::s_pActive = nullptr;

/// The reference child of class aRefClassId, created with InsertLast when missing; null when it
/// cannot be created.
CSclRef* GetOrCreateRef(CSclContainer& aOwner, tSclClassId aRefClassId)
{
   CScl* pRef = aOwner.GetChild(aRefClassId);
   if (pRef == nullptr)
      pRef = aOwner.CreateSclContainer(aRefClassId, InsertLast);
   return static_cast<CSclRef*>(pRef);
}

/// Moves the value children of the keys of aRefClassId into its reference child when at least
/// one is present.
void MoveKeysToRef(CSclContainer& aOwner, tSclClassId aRefClassId)
{
   const tSclRefKeyRules keys = SclRefKeyRules(aRefClassId);
   bool present = false;
   for (const tSclRefKeyRule& rule : keys)
      present = present || FindValueChild(aOwner, rule.key) != nullptr;
   if (!present)
      return;
   CSclRef* pRef = GetOrCreateRef(aOwner, aRefClassId);
   if (pRef == nullptr)
      return;
   // A file that saves in its edition's way keeps the attributes' order as they stand now.
   auto* pFile = static_cast<CSclFile*>(aOwner.GetSclFile());
   if (pFile != nullptr && pFile->GetInterchange().EditionOrder) {
      std::vector<tSclNameId> names;
      for (int i = 0; i < aOwner.GetChildCount(); ++i) {
         const CScl* pChild = aOwner.GetChild(i);
         if (pChild->GetNameId() != 0 && pChild->GetClassId() == CID_VALUE)
            names.push_back(pChild->GetNameId());
      }
      pFile->NoteReadAttributes(pRef->GetRefHandle(), std::move(names));
   }
   for (const tSclRefKeyRule& rule : keys)
      aOwner.MoveAttribToRef(rule.key, pRef);
}

/// Data attributes keep a type reference only for the basic types that name a type.
void CompleteDataAttribute(CSclContainer& aOwner)
{
   static const char* const s_EnumTypes[] = {"Enum", "CodedEnum", "Check", "Tcmd", "Dbpos"};
   const std::string bType = aOwner.GetValue(NID_bType);
   if (FindValueChild(aOwner, NID_type) != nullptr && bType == "Struct")
      MoveKeysToRef(aOwner, CID_DATypeRef);
   if (FindValueChild(aOwner, NID_type) != nullptr &&
       std::find(std::begin(s_EnumTypes), std::end(s_EnumTypes), bType) != std::end(s_EnumTypes))
      MoveKeysToRef(aOwner, CID_EnumTypeRef);
}

} // namespace

std::string SclGetContent(const CSclContainer& aElement)
{
   return SclGetRefAttrib(aElement, NID_NONE);
}

tSclError SclSetContent(CSclContainer& aElement, const std::string& aText)
{
   CSclValue* pText = FindValueChild(aElement, NID_NONE);
   if (pText == nullptr)
      pText = aElement.CreateSclValue(NID_NONE, InsertLast);
   return pText == nullptr ? SE_OTHER : pText->SetValue(aText);
}

std::string SclReadAttrib(const CSclContainer& aElement, tSclNameId aNameId)
{
   const tSclSchemaEntry* pRow =
       CSclSchemaInfo::GetInstance()->GetEntry(aElement.GetClassId(), aNameId);
   if (pRow != nullptr && pRow->isRefAttribute)
      return SclGetRefAttrib(aElement, aNameId);
   return aElement.GetValue(aNameId);
}

const std::vector<tSclClassId>& SclRefClassesOf(tSclClassId aClassId)
{
   return RefClassesOf(aClassId);
}

std::string SclGetRefAttrib(const CSclContainer& aOwner, tSclNameId aNameId, bool aPlainFallback)
{
   for (tSclClassId refClass : RefClassesOf(aOwner.GetClassId())) {
      if (!SclRefHasKey(refClass, aNameId))
         continue;
      const CScl* pRef = aOwner.GetChild(refClass);
      if (pRef != nullptr)
         return SclRefKey(*static_cast<const CSclRef*>(pRef), aNameId);
   }
   return aPlainFallback ? aOwner.GetValue(aNameId) : std::string();
}

CSclContainer* SclRefTargetAs(const CSclRef& aRef, tSclClassId aClassId)
{
   CSclContainer* pTarget = aRef.GetRefSclContainer();
   return pTarget != nullptr && pTarget->IsClass(aClassId) ? pTarget : nullptr;
}

CSclContainer* SclGetRefTarget(const CSclContainer& aOwner, tSclClassId aRefClassId,
                               tSclClassId aTargetClassId)
{
   const CScl* pRef = aOwner.GetChild(aRefClassId);
   return pRef == nullptr ? nullptr
                          : SclRefTargetAs(*static_cast<const CSclRef*>(pRef), aTargetClassId);
}

tSclError SclSetRefTarget(CSclContainer& aOwner, tSclClassId aRefClassId, CSclContainer* apTarget)
{
   CSclRef* pRef = GetOrCreateRef(aOwner, aRefClassId);
   return pRef == nullptr ? SE_OTHER : pRef->SetRefSclContainer(apTarget);
}

CSclContainer* SclFindChild(const CSclContainer& aParent, tSclClassId aClassId,
                            const std::string& aKey)
{
   CLookupIndex* pIndex = CLookupIndex::Active();
   if (aClassId == CID_LN)
      return pIndex != nullptr ? pIndex->FindLN(aParent, aKey)
                               : CLookupIndex::ScanLNs(aParent, aKey);
   if (pIndex != nullptr && CLookupIndex::IsIndexable(aClassId))
      return pIndex->Find(aParent, aClassId, aKey);
   return aParent.GetChildById(aClassId, aKey);
}

void SclIdentityMayChange(const CSclContainer& aElement)
{
   CLookupIndex* pIndex = CLookupIndex::Active();
   if (pIndex != nullptr && aElement.GetParent() != nullptr)
      pIndex->ForgetLNs(*aElement.GetParent());
}

namespace {

// Whether aClassId is one of the reference classes.
bool IsReferenceClass(tSclClassId aClassId)
{
   switch (aClassId) {
#define SCL_ELEMENT(id, ident, name)
#define SCL_ATTRIBUTE(id, ident, name)
#define SCL_REF_ELEMENT(id, ident, name) case CID_##ident:
#include "SclDll/SclNames.def"
#undef SCL_ELEMENT
#undef SCL_ATTRIBUTE
#undef SCL_REF_ELEMENT
      return true;
   default:
      return false;
   }
}

} // namespace

CScl* SclFirstChild(const CSclContainer& aParent, tSclClassId aClassId)
{
   CLookupIndex* pIndex = CLookupIndex::Active();
   if (pIndex != nullptr && aClassId > CID_REF && !IsReferenceClass(aClassId))
      return pIndex->First(aParent, aClassId);
   return aParent.GetChild(aClassId);
}

bool SclGetFlag(const CSclContainer& aElement, tSclClassId aClassId)
{
   return aElement.GetChildByNameId(static_cast<tSclNameId>(aClassId)) != nullptr;
}

void SclSetFlag(CSclContainer& aElement, tSclClassId aClassId, bool aSet)
{
   CScl* pChild = aElement.GetChildByNameId(static_cast<tSclNameId>(aClassId));
   if (aSet && pChild == nullptr)
      aElement.CreateSclContainer(aClassId, InsertLast);
   else if (!aSet && pChild != nullptr)
      aElement.DeleteChild(pChild);
}

CSclContainer* SclGetTypeNodeAs(const CSclContainer& aInstance, tSclClassId aClassId)
{
   CSclContainer* pType = aInstance.GetTypeNodeOfInstance();
   return pType != nullptr && pType->IsClass(aClassId) ? pType : nullptr;
}

std::string SclGetIdentity(const CSclContainer& aElement, const char* apLiteral,
                           std::initializer_list<tSclNameId> aNameIds)
{
   std::string id = apLiteral != nullptr ? apLiteral : "";
   for (tSclNameId nameId : aNameIds)
      id += SclReadAttrib(aElement, nameId);
   return id;
}

void SclCompleteElement(CSclContainer& aElement)
{
   // Most elements carry no reference class (the data attributes carry theirs).
   const std::vector<tSclClassId>& refClasses = RefClassesOf(aElement.GetClassId());
   if (refClasses.empty())
      return;
   if (aElement.IsClass(CID_DABase))
      CompleteDataAttribute(aElement);
   else
      for (tSclClassId refClass : refClasses)
         MoveKeysToRef(aElement, refClass);
}

// The completion walk lives here with the completion rules it runs: the lookup index of
// SclFindChild spans one whole completion (an outer completion's, when one runs).
void CSclContainer::Complete()
{
   CompleteVisiting(nullptr);
}

void CSclContainer::CompleteVisiting(const std::function<void(CSclContainer&)>* apAfterOwn)
{
   CLookupIndex::CScope scope;
   CompleteOwn();
   if (IsClass(CID_REF))
      return;
   SclVisitBelow(this, [apAfterOwn](CScl* apChild) {
      // Values are most of a tree: their class id answers without a virtual call.
      if (apChild->GetClassId() == CID_VALUE || !apChild->IsClass(CID_CONTAINER))
         return tWalk::Next;
      // By index: completing a child may add children to that child, never to its parent.
      auto* pElement = static_cast<CSclContainer*>(apChild);
      pElement->CompleteOwn();
      if (apAfterOwn != nullptr)
         (*apAfterOwn)(*pElement);
      return apChild->IsClass(CID_REF) ? tWalk::Next : tWalk::Into;
   });
}

} // namespace Arvenko::Melvotar::Scl
