// Behaviour of the twelve reference classes: key getters, target searches, key text, copy.
#include <algorithm>
#include <iterator>
#include <vector>

#include "SclDll/CSclNameTable.h"
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
   auto key = [&aRef](tSclNameId aKey) { return Stored(aRef, aKey); };
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

/// A key of aRef with apTarget as its resolved target (null: the stored value).
std::string RefKeyOf(const CSclRef& aRef, const CSclContainer* apTarget, tSclNameId aNameId)
{
   if (apTarget == nullptr)
      return Stored(aRef, aNameId);
   for (const tSclRefKeyRule& rule : SclRefKeyRules(aRef.GetClassId())) {
      if (rule.key != aNameId)
         continue;
      switch (rule.source) {
      case KS_TARGET:
         return SclReadAttrib(*apTarget, rule.attribute);
      case KS_ANCESTOR: {
         const CSclContainer* pAncestor = apTarget->GetParent(rule.ancestor);
         return pAncestor != nullptr ? SclReadAttrib(*pAncestor, rule.attribute)
                                     : Stored(aRef, aNameId);
      }
      case KS_LN_ONLY:
         return apTarget->IsClass(CID_LN) ? SclReadAttrib(*apTarget, rule.attribute)
                                          : Stored(aRef, aNameId);
      case KS_LLN0:
         return apTarget->IsClass(CID_LN0) ? std::string("LLN0")
                                           : SclReadAttrib(*apTarget, rule.attribute);
      }
   }
   return Stored(aRef, aNameId);
}

} // namespace

std::string SclRefKey(const CSclRef& aRef, tSclNameId aNameId)
{
   return RefKeyOf(aRef, aRef.GetRefSclContainer(), aNameId);
}

void SclCompleteRef(CSclRef& aRef)
{
   if (aRef.GetTargetHandle() != 0)
      return;
   CSclContainer* pTarget = SearchTarget(aRef);
   if (pTarget != nullptr && aRef.SetRefSclContainer(pTarget) == SE_OK)
      aRef.DeleteChildren();
}

std::string SclRefKeyText(const CSclRef& aRef)
{
   // The target is looked up once for all keys; a target of the wrong class (which is
   // reported at every lookup) is left to the lookup per key.
   const CSclContainer* pTarget = CSclRefRegistry::FindContainer(aRef.GetTargetHandle());
   const bool once = pTarget == nullptr || pTarget->IsClass(aRef.GetTargetClass());
   std::string text;
   for (const tSclRefKeyRule& rule : SclRefKeyRules(aRef.GetClassId())) {
      if (rule.key == NID_NONE)
         continue; // the IEDName text is written as element text
      const std::string value =
          once ? RefKeyOf(aRef, pTarget, rule.key) : SclRefKey(aRef, rule.key);
      if (rule.refClass == CID_FCDA_LNRef && rule.key == NID_lnInst && value.empty())
         continue;
      text += ' ';
      text += CSclNameTable::GetNameOfNameId(rule.key);
      text += "=\"";
      XmlParser::AppendEntityEncoded(text, value);
      text += '"';
   }
   return text;
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
