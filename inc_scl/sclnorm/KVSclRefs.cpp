// Behaviour of the twelve reference classes: key getters, target searches, key text, copy.
#include <algorithm>
#include <iterator>
#include <list>
#include <vector>

#include "SclDll/CSclNameTable.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclValue.h"
#include "inc_scl/sclnorm/KVSclClasses.h"
#include "inc_scl/sclnorm/KVSclRefRules.h"
#include "xmlparser/XmlEncoding.h"
#include "xmlparser/XmlParser.h"

namespace Arvenko::Melvotar::Scl {

namespace {

// Keys per reference class in key-text order, and their source once the reference resolves:
// the reference-key rows of the schema tables, sorted by class and key-text position.
const std::vector<tSclRefKeyRule>& KeyRules()
{
   static const std::vector<tSclRefKeyRule> s_Rules = [] {
      struct tRow {
         int position;
         tSclRefKeyRule rule;
      };
      std::vector<tRow> rows = {
#define SCL_REF_KEY(refClass, name, position, source, ancestor, attribute)                         \
   {position, {CID_##refClass, NID_##name, KS_##source, CID_##ancestor, NID_##attribute}},
#include "SclDll/SclSchema.def"
      };
      std::sort(rows.begin(), rows.end(), [](const tRow& a, const tRow& b) {
         return a.rule.refClass != b.rule.refClass ? a.rule.refClass < b.rule.refClass
                                                   : a.position < b.position;
      });
      std::vector<tSclRefKeyRule> rules;
      for (const tRow& row : rows)
         rules.push_back(row.rule);
      return rules;
   }();
   return s_Rules;
}

/// The SCL element a reference belongs to: its nearest SCL ancestor, else the SCL child of its
/// file root; null when there is neither.
CSclSCL* FindDocument(const CScl& aScl)
{
   if (CSclContainer* pScl = aScl.GetParent(CID_SCL))
      return static_cast<CSclSCL*>(pScl);
   CSclContainer* pFile = aScl.GetSclFile();
   return pFile == nullptr ? nullptr : static_cast<CSclSCL*>(pFile->GetChild(CID_SCL));
}

template <class T> T* FindChild(const CSclContainer* apParent, const std::string& aKey)
{
   return apParent == nullptr ? nullptr
                              : static_cast<T*>(SclFindChild(*apParent, T::s_ClassId, aKey));
}

template <class T> T* FirstChild(const CSclContainer* apParent)
{
   return apParent == nullptr ? nullptr : static_cast<T*>(SclFirstChild(*apParent, T::s_ClassId));
}

/// The stored value of a key (aKey 0: the stored text).
std::string Stored(const CSclRef& aRef, tSclNameId aKey)
{
   return aRef.GetValue(aKey);
}

const std::string* PlainValueText(const CSclContainer& aElement, tSclNameId aNameId);

/// The stored keys of one reference read in place; a key whose text must be built is kept
/// here for as long as the reader lives.
class CStoredKeys {
 public:
   explicit CStoredKeys(const CSclRef& aRef) : m_Ref(aRef) {}

   const std::string& operator()(tSclNameId aKey)
   {
      if (const std::string* pText = PlainValueText(m_Ref, aKey))
         return *pText;
      m_Built.push_back(Stored(m_Ref, aKey));
      return m_Built.back();
   }

 private:
   const CSclRef& m_Ref;
   std::list<std::string> m_Built;
};

/// The logical node of an IED that the keys name (see the search rules of LNRef/FCDA_LNRef).
CSclLNBase* SearchLN(const CSclIED* apIED, const std::string& aLdInst, const std::string& aPrefix,
                     const std::string& aLnClass, const std::string& aLnInst)
{
   if (apIED == nullptr)
      return nullptr;
   const std::string lnKey = aPrefix + aLnClass + aLnInst;
   CSclLNBase* pFound = nullptr;
   for (int i = 0; i < apIED->GetChildCount(); ++i) {
      CScl* pChild = apIED->GetChild(i);
      if (!pChild->IsClass(CID_AccessPoint))
         continue;
      auto* pAP = static_cast<CSclAccessPoint*>(pChild);
      if (aLdInst.empty())
         if (CSclLN* pLN = FindChild<CSclLN>(pAP, lnKey))
            return pLN;
      CSclLDevice* pLD = FindChild<CSclLDevice>(pAP->GetServer(), aLdInst);
      if (pLD == nullptr)
         continue;
      if (aLnClass == "LLN0") {
         // The last access point that holds the logical device decides.
         pFound = pLD->GetLN0();
         continue;
      }
      if (CSclLN* pLN = FindChild<CSclLN>(pLD, lnKey))
         return pLN;
   }
   return pFound;
}

/// Ancestor of aScl of class aClassId whose name equals aKey and which lies under apAbove (when
/// given); otherwise the child of apAbove keyed by aKey.
template <class T>
T* OwnOrKeyed(const CScl& aScl, const CSclContainer* apAbove, const std::string& aKey)
{
   CSclContainer* pOwn = aScl.GetParent(T::s_ClassId);
   if (pOwn != nullptr && pOwn->GetValue(NID_name) == aKey &&
       (apAbove == nullptr || pOwn->IsElementOf(apAbove)))
      return static_cast<T*>(pOwn);
   return FindChild<T>(apAbove, aKey);
}

/// The control block of a GSE or SMV: through the access point of the enclosing ConnectedAP.
template <class T> T* SearchControl(CSclRef& aRef)
{
   const std::string ldInst = Stored(aRef, NID_ldInst);
   const std::string cbName = Stored(aRef, NID_cbName);
   CSclContainer* pConnectedAP = aRef.GetParent(CID_ConnectedAP);
   if (ldInst.empty() || cbName.empty() || pConnectedAP == nullptr)
      return nullptr;
   auto* pAPRef = static_cast<CSclAPRef*>(pConnectedAP->GetChild(CID_APRef));
   if (pAPRef == nullptr)
      return nullptr;
   pAPRef->Complete();
   CSclAccessPoint* pAP = pAPRef->GetRefAccessPoint();
   CSclLDevice* pLD = FindChild<CSclLDevice>(pAP == nullptr ? nullptr : pAP->GetServer(), ldInst);
   return FindChild<T>(FirstChild<CSclLN0>(pLD), cbName);
}

/// The target the stored keys of aRef name, or null.
CSclContainer* SearchTarget(CSclRef& aRef)
{
   CStoredKeys key(aRef);
   switch (aRef.GetClassId()) {
   case CID_APRef:
      if (key(NID_iedName).empty() || key(NID_apName).empty())
         return nullptr;
      return FindChild<CSclAccessPoint>(FindChild<CSclIED>(FindDocument(aRef), key(NID_iedName)),
                                        key(NID_apName));
   case CID_ConNodeRef: {
      auto* pSub = OwnOrKeyed<CSclSubstation>(aRef, FindDocument(aRef), key(NID_substationName));
      if (pSub == nullptr)
         return nullptr;
      auto* pVL = OwnOrKeyed<CSclVoltageLevel>(aRef, pSub, key(NID_voltageLevelName));
      if (pVL == nullptr)
         return nullptr;
      auto* pBay = OwnOrKeyed<CSclBay>(aRef, pVL, key(NID_bayName));
      return FindChild<CSclConnectivityNode>(pBay, key(NID_cNodeName));
   }
   case CID_DATypeRef:
   case CID_DOTypeRef:
   case CID_EnumTypeRef: {
      const tSclClassId targetClass = aRef.GetTargetClass();
      if (key(NID_type).empty())
         return nullptr;
      CSclContainer* pTemplates = FirstChild<CSclDataTypeTemplates>(FindDocument(aRef));
      return pTemplates == nullptr ? nullptr
                                   : SclFindChild(*pTemplates, targetClass, key(NID_type));
   }
   case CID_DataSetRef:
      if (key(NID_datSet).empty())
         return nullptr;
      return FindChild<CSclDataSet>(aRef.GetParent(CID_LNBase), key(NID_datSet));
   case CID_IEDRef:
      if (key(NID_NONE).empty())
         return nullptr;
      return FindChild<CSclIED>(FindDocument(aRef), key(NID_NONE));
   case CID_LNodeTypeRef:
      if (key(NID_lnClass).empty() || key(NID_lnType).empty())
         return nullptr;
      return FindChild<CSclLNodeType>(FirstChild<CSclDataTypeTemplates>(FindDocument(aRef)),
                                      key(NID_lnClass) + key(NID_lnType));
   case CID_GSEControlRef:
      return SearchControl<CSclGSEControl>(aRef);
   case CID_SampledValueControlRef:
      return SearchControl<CSclSampledValueControl>(aRef);
   case CID_LNRef:
      if (key(NID_iedName).empty() || key(NID_lnClass).empty())
         return nullptr;
      return SearchLN(FindChild<CSclIED>(FindDocument(aRef), key(NID_iedName)), key(NID_ldInst),
                      key(NID_prefix), key(NID_lnClass), key(NID_lnInst));
   case CID_FCDA_LNRef:
      return SearchLN(static_cast<CSclIED*>(aRef.GetParent(CID_IED)), key(NID_ldInst),
                      key(NID_prefix), key(NID_lnClass), key(NID_lnInst));
   default:
      return nullptr;
   }
}

} // namespace

tSclRefKeyRules SclRefKeyRules(tSclClassId aRefClassId)
{
   // The rules of each class lie together; their range per class id is found once, as
   // every reference asks for it at each key text and checksum.
   static const std::vector<tSclRefKeyRules> s_ByClass = [] {
      const tSclRefKeyRule* pEnd = KeyRules().data() + KeyRules().size();
      std::vector<tSclRefKeyRules> byClass(CID_LAST_CLASS + 1, tSclRefKeyRules{pEnd, pEnd});
      for (const tSclRefKeyRule* pRule = KeyRules().data(); pRule != pEnd; ++pRule) {
         tSclRefKeyRules& range = byClass[pRule->refClass];
         if (range.pBegin == pEnd)
            range = {pRule, pRule + 1};
         else if (range.pEnd == pRule)
            range.pEnd = pRule + 1;
      }
      return byClass;
   }();
   return aRefClassId >= 0 && static_cast<size_t>(aRefClassId) < s_ByClass.size()
              ? s_ByClass[aRefClassId]
              : s_ByClass[CID_NONE];
}

bool SclRefHasKey(tSclClassId aRefClassId, tSclNameId aNameId)
{
   for (const tSclRefKeyRule& rule : SclRefKeyRules(aRefClassId))
      if (rule.key == aNameId)
         return true;
   return false;
}

namespace {

// Where a key of aRef comes from when apTarget is its resolved target: an attribute of the
// target or of one of its ancestors, the fixed "LLN0", or (pFrom null) the reference's own
// stored value.
struct tKeySource {
   const CSclContainer* pFrom = nullptr;
   tSclNameId attribute = NID_NONE;
   bool lln0 = false;
};

tKeySource KeySourceOf(const CSclContainer* apTarget, const tSclRefKeyRules& aRules,
                       tSclNameId aNameId)
{
   if (apTarget == nullptr)
      return {};
   for (const tSclRefKeyRule& rule : aRules) {
      if (rule.key != aNameId)
         continue;
      switch (rule.source) {
      case KS_TARGET:
         return {apTarget, rule.attribute};
      case KS_ANCESTOR:
         return {apTarget->GetParent(rule.ancestor), rule.attribute};
      case KS_LN_ONLY:
         return apTarget->IsClass(CID_LN) ? tKeySource{apTarget, rule.attribute} : tKeySource{};
      case KS_LLN0:
         return apTarget->IsClass(CID_LN0) ? tKeySource{nullptr, NID_NONE, true}
                                           : tKeySource{apTarget, rule.attribute};
      }
   }
   return {};
}

/// A key of aRef with apTarget as its resolved target (null: the stored value).
std::string RefKeyOf(const CSclRef& aRef, const CSclContainer* apTarget, tSclNameId aNameId)
{
   const tKeySource source = KeySourceOf(apTarget, SclRefKeyRules(aRef.GetClassId()), aNameId);
   if (source.lln0)
      return "LLN0";
   return source.pFrom != nullptr ? SclReadAttrib(*source.pFrom, source.attribute)
                                  : Stored(aRef, aNameId);
}

const std::string s_NoText;
const std::string s_Lln0Text("LLN0");

// The text of the first value child of aElement named aNameId, read in place; the empty text
// when there is none; null when that child is no plain value (its text must be asked for).
const std::string* PlainValueText(const CSclContainer& aElement, tSclNameId aNameId)
{
   for (int i = 0, count = aElement.GetChildCount(); i < count; ++i) {
      const CScl* pChild = aElement.GetChild(i);
      if (pChild->GetNameId() != aNameId)
         continue;
      if (pChild->GetClassId() == CID_VALUE)
         return &static_cast<const CSclValue*>(pChild)->GetText();
      if (pChild->IsClass(CID_VALUE))
         return nullptr;
   }
   return &s_NoText;
}

const std::string* RefKeyInPlace(const CSclRef& aRef, tSclNameId aNameId);

// SclReadAttrib in place (a reference attribute through the owner's reference child, as
// SclGetRefAttrib reads it); null where a text must be built.
const std::string* ReadAttribInPlace(const CSclContainer& aElement, tSclNameId aNameId)
{
   const tSclSchemaEntry* pRow =
       CSclSchemaInfo::GetInstance()->GetEntry(aElement.GetClassId(), aNameId);
   if (pRow != nullptr && pRow->isRefAttribute) {
      for (tSclClassId refClass : SclRefClassesOf(aElement.GetClassId())) {
         if (!SclRefHasKey(refClass, aNameId))
            continue;
         if (const CScl* pRef = aElement.GetChild(refClass))
            return RefKeyInPlace(*static_cast<const CSclRef*>(pRef), aNameId);
      }
   }
   return PlainValueText(aElement, aNameId);
}

// RefKeyOf in place for a target of the right class (or none): the same sources, null where
// a text must be built.
const std::string* KeyTextInPlace(const CSclRef& aRef, const CSclContainer* apTarget,
                                  const tSclRefKeyRules& aRules, tSclNameId aNameId)
{
   const tKeySource source = KeySourceOf(apTarget, aRules, aNameId);
   if (source.lln0)
      return &s_Lln0Text;
   return source.pFrom != nullptr ? ReadAttribInPlace(*source.pFrom, source.attribute)
                                  : PlainValueText(aRef, aNameId);
}

// SclRefKey in place; null where a text must be built, or where the target is of the wrong
// class (which its lookup reports).
const std::string* RefKeyInPlace(const CSclRef& aRef, tSclNameId aNameId)
{
   const CSclContainer* pTarget = aRef.GetTargetHandle() != 0
                                      ? CSclRefRegistry::FindContainer(aRef.GetTargetHandle())
                                      : nullptr;
   if (pTarget != nullptr && !pTarget->IsClass(aRef.GetTargetClass()))
      return nullptr;
   return KeyTextInPlace(aRef, pTarget, SclRefKeyRules(aRef.GetClassId()), aNameId);
}

} // namespace

bool SclLNIdentityInPlace(const CSclContainer& aLN, const std::string* (&arParts)[3])
{
   arParts[0] = ReadAttribInPlace(aLN, NID_prefix);
   arParts[1] = ReadAttribInPlace(aLN, NID_lnClass);
   arParts[2] = ReadAttribInPlace(aLN, NID_inst);
   return arParts[0] != nullptr && arParts[1] != nullptr && arParts[2] != nullptr;
}

std::string SclRefKey(const CSclRef& aRef, tSclNameId aNameId)
{
   return RefKeyOf(aRef, aRef.GetRefSclContainer(), aNameId);
}

void SclCompleteRef(CSclRef& aRef)
{
   if (aRef.GetTargetHandle() != 0)
      return;
   CSclContainer* pTarget = SearchTarget(aRef);
   if (pTarget == nullptr)
      return;
   // An LN's identity reads its lnClass through its type reference: from now on the target's
   // text instead of the stored one. The lookups of the completion learn when that differs.
   CSclContainer* pOwner = aRef.GetParent();
   bool identityChanges = false;
   if (aRef.GetClassId() == CID_LNodeTypeRef && pOwner != nullptr && pOwner->IsClass(CID_LN)) {
      const tSclRefKeyRules rules = SclRefKeyRules(CID_LNodeTypeRef);
      const std::string* pStored = PlainValueText(aRef, NID_lnClass);
      const std::string* pResolved = KeyTextInPlace(aRef, pTarget, rules, NID_lnClass);
      identityChanges = pStored == nullptr || pResolved == nullptr || *pStored != *pResolved;
   }
   if (aRef.SetRefSclContainer(pTarget) == SE_OK) {
      aRef.DeleteChildren();
      if (identityChanges)
         SclIdentityMayChange(*pOwner);
   }
}

std::string SclRefKeyText(const CSclRef& aRef)
{
   std::string text;
   SclAppendRefKeyText(aRef, text);
   return text;
}

void SclAppendRefKeyText(const CSclRef& aRef, std::string& arText)
{
   // The target is looked up once for all keys; a target of the wrong class (which is
   // reported at every lookup) is left to the lookup per key.
   const CSclContainer* pTarget = CSclRefRegistry::FindContainer(aRef.GetTargetHandle());
   const bool once = pTarget == nullptr || pTarget->IsClass(aRef.GetTargetClass());
   const tSclRefKeyRules rules = SclRefKeyRules(aRef.GetClassId());
   std::string copy;
   for (const tSclRefKeyRule& rule : rules) {
      if (rule.key == NID_NONE)
         continue; // the IEDName text is written as element text
      // Most keys are a plain attribute text of the target or the reference: read in place.
      const std::string* pValue = once ? KeyTextInPlace(aRef, pTarget, rules, rule.key) : nullptr;
      if (pValue == nullptr) {
         copy = once ? RefKeyOf(aRef, pTarget, rule.key) : SclRefKey(aRef, rule.key);
         pValue = &copy;
      }
      if (rule.refClass == CID_FCDA_LNRef && rule.key == NID_lnInst && pValue->empty())
         continue;
      arText += ' ';
      arText += CSclNameTable::GetNameOfNameId(rule.key);
      arText += "=\"";
      XmlParser::AppendEntityEncoded(arText, *pValue);
      arText += '"';
   }
}

tSclError SclCopyRef(CSclRef& aRef, const CScl& right)
{
   const tSclError result = aRef.CSclRef::Copy(right);
   if (result != SE_OK || aRef.GetTargetHandle() != 0 || right.GetClassId() != aRef.GetClassId())
      return result;
   const auto& source = static_cast<const CSclRef&>(right);
   for (const tSclRefKeyRule& rule : SclRefKeyRules(aRef.GetClassId())) {
      const std::string value = SclRefKey(source, rule.key);
      const tSclError keyResult =
          rule.key == NID_NONE ? SclSetContent(aRef, value) : aRef.SetAttribValue(rule.key, value);
      if (keyResult != SE_OK)
         return keyResult;
   }
   return SE_OK;
}

} // namespace Arvenko::Melvotar::Scl
