#include "SclDll/CSclEdition.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclFile.h"
#include "SclDll/CSclNameTable.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclRef.h"
#include "SclDll/CSclValue.h"

namespace Arvenko::Melvotar::Scl {

namespace {

#include "SclDll/SclEditionTables.inc"

bool IsAttributeObject(const CScl& aObject)
{
   return aObject.GetNameId() != 0 && aObject.IsClass(CID_VALUE) && !aObject.IsClass(CID_REF);
}

// The value of the attribute aName of aElement; empty when it has none.
std::string AttributeText(const CSclContainer& aElement, const char* apName)
{
   for (int i = 0; i < aElement.GetChildCount(); ++i) {
      const CScl* pChild = aElement.GetChild(i);
      if (IsAttributeObject(*pChild) && pChild->GetSclName() == apName)
         return pChild->GetValue();
   }
   return std::string();
}

bool HasPrefix(const std::string& aName)
{
   return aName.find(':') != std::string::npos;
}

// Attributes every element may carry whatever its type: namespace declarations and the
// attributes of the schema-instance namespace.
bool IsXmlAttribute(const std::string& aName)
{
   return aName == "xmlns" || aName.compare(0, 6, "xmlns:") == 0 ||
          aName.compare(0, 4, "xsi:") == 0;
}

} // namespace

tSclEdition CSclEdition::FromVersion(const std::string& aVersion, const std::string& aRevision,
                                     const std::string& aRelease)
{
   if (aVersion.empty())
      return SCL_EDITION_2003;
   if (aVersion != "2007")
      return aVersion < "2007" ? SCL_EDITION_2003 : SCL_EDITION_2007B4;
   if (aRevision > "B")
      return SCL_EDITION_2007B4;
   if (aRevision == "B" && !aRelease.empty() && std::atoi(aRelease.c_str()) >= 4)
      return SCL_EDITION_2007B4;
   return SCL_EDITION_2007B;
}

tSclEdition CSclEdition::OfScl(const CSclContainer* apScl)
{
   if (apScl == nullptr)
      return SCL_EDITION_2007B4;
   return FromVersion(AttributeText(*apScl, "version"), AttributeText(*apScl, "revision"),
                      AttributeText(*apScl, "release"));
}

tSclEdition CSclEdition::Of(const CScl& aObject)
{
   const CSclContainer* pScl = aObject.IsClass(CID_SCL)
                                   ? static_cast<const CSclContainer*>(&aObject)
                                   : aObject.GetParent(CID_SCL);
   if (pScl == nullptr) {
      const CSclContainer* pFile = aObject.IsClass(CID_FILE)
                                       ? static_cast<const CSclContainer*>(&aObject)
                                       : aObject.GetSclFile();
      if (pFile != nullptr)
         pScl = static_cast<const CSclContainer*>(pFile->GetChild(CID_SCL));
   }
   return OfScl(pScl);
}

const char* CSclEdition::Name(tSclEdition aEdition)
{
   return Tables(aEdition).Name;
}

const tSclEditionTables& CSclEdition::Tables(tSclEdition aEdition)
{
   const int index = aEdition < 0 || aEdition >= static_cast<int>(std::size(s_Editions))
                         ? SCL_EDITION_2007B4
                         : aEdition;
   return s_Editions[index];
}

const tSclEditionChild* CSclEdition::FindChild(tSclEdition aEdition, int aType,
                                               const std::string& aName)
{
   const tSclEditionTables& tables = Tables(aEdition);
   if (aType < 0 || aType >= tables.TypeCount)
      return nullptr;
   const tSclEditionType& type = tables.Types[aType];
   const tSclEditionChild* pChild = tables.Children + type.FirstChild;
   for (const tSclEditionChild* pEnd = pChild + type.ChildCount; pChild != pEnd; ++pChild)
      if (aName == pChild->Name)
         return pChild;
   return nullptr;
}

bool CSclEdition::HasAttribute(tSclEdition aEdition, int aType, const std::string& aName)
{
   const tSclEditionTables& tables = Tables(aEdition);
   if (aType < 0 || aType >= tables.TypeCount)
      return false;
   const tSclEditionType& type = tables.Types[aType];
   for (int i = 0; i < type.AttributeCount; ++i)
      if (aName == tables.Attributes[type.FirstAttribute + i])
         return true;
   return false;
}

uint8_t CSclEdition::Flags(tSclEdition aEdition, int aType)
{
   const tSclEditionTables& tables = Tables(aEdition);
   return aType < 0 || aType >= tables.TypeCount ? 0 : tables.Types[aType].Flags;
}

int CSclEdition::TypeOf(tSclEdition aEdition, const CSclContainer& aElement)
{
   std::vector<const CSclContainer*> path;
   const CSclContainer* pStep = &aElement;
   while (pStep != nullptr && !pStep->IsClass(CID_SCL)) {
      path.push_back(pStep);
      pStep = pStep->GetParent();
   }
   if (pStep == nullptr)
      return -1;
   int type = RootType(aEdition);
   for (auto it = path.rbegin(); it != path.rend() && type >= 0; ++it) {
      const tSclEditionChild* pChild = FindChild(aEdition, type, (*it)->GetSclName());
      type = pChild != nullptr ? pChild->Type : -1;
   }
   return type;
}

int32_t CSclEdition::OrderKey(tSclEdition aEdition, int aType, const CScl& aChild,
                              const std::string& aName, int32_t aPrevious)
{
   if (aChild.IsClass(CID_REF))
      return 1;
   if (aChild.IsClass(CID_VALUE))
      return aChild.GetNameId() != 0 ? 0 : aPrevious;
   if (aChild.IsClass(CID_REMARK))
      return aPrevious;
   const tSclEditionChild* pListed = FindChild(aEdition, aType, aName);
   return pListed != nullptr ? 3 + pListed->Position : aPrevious;
}

int CSclEdition::FindNameFindings(
    const CSclContainer& aElement, bool aRecursive,
    const std::function<bool(const CScl& aObject, const std::string& aName)>& aFinding)
{
   const tSclEdition edition = Of(aElement);
   const CSclFile* pFile = static_cast<const CSclFile*>(aElement.GetSclFile());
   int findings = 0;
   bool go = true;
   auto report = [&](const CScl& aObject, const std::string& aName) {
      ++findings;
      go = aFinding(aObject, aName);
   };
   // The attributes (and reference keys) of an element of aType; false ends the walk.
   auto judgeAttributes = [&](const CSclContainer& aOwner, int aType) {
      const uint8_t flags = Flags(edition, aType);
      auto judge = [&](const CScl& aObject, const std::string& aName) {
         if (IsXmlAttribute(aName))
            return;
         const bool allowed = HasPrefix(aName) ? (flags & SCL_EDFLAG_FOREIGN_ATTRIBUTES) != 0
                                               : HasAttribute(edition, aType, aName);
         if (!allowed)
            report(aObject, aName);
      };
      for (int i = 0; i < aOwner.GetChildCount() && go; ++i) {
         const CScl* pChild = aOwner.GetChild(i);
         if (IsAttributeObject(*pChild)) {
            judge(*pChild, pChild->GetSclName());
         } else if (pChild->IsClass(CID_REF)) {
            SclForEachWrittenRefKey(*static_cast<const CSclRef*>(pChild), pFile, true,
                                    [&](const std::string& aName, const std::string&) {
                                       if (go)
                                          judge(*pChild, aName);
                                    });
         }
      }
   };

   // The element itself: judged in its parent.
   const CSclContainer* pParent = aElement.GetParent();
   int type = -1;
   if (aElement.IsClass(CID_SCL)) {
      type = RootType(edition);
   } else if (pParent != nullptr) {
      const int parentType = TypeOf(edition, *pParent);
      if (parentType < 0)
         return 0; // outside an SCL element, or inside content already judged
      const uint8_t parentFlags = Flags(edition, parentType);
      if (parentFlags & SCL_EDFLAG_FOREIGN_CONTENT)
         return 0;
      const std::string& name = aElement.GetSclName();
      const tSclEditionChild* pListed = FindChild(edition, parentType, name);
      if (pListed == nullptr) {
         if (!(HasPrefix(name) && (parentFlags & SCL_EDFLAG_FOREIGN_ELEMENTS)) &&
             !(!name.empty() && name[0] == '?'))
            report(aElement, name);
         return findings;
      }
      type = pListed->Type;
   } else {
      return 0;
   }
   judgeAttributes(aElement, type);
   if (!aRecursive || !go)
      return findings;

   struct tFrame {
      const CSclContainer* pElement;
      int type;
      int next;
   };
   std::vector<tFrame> stack{{&aElement, type, 0}};
   while (!stack.empty() && go) {
      tFrame& frame = stack.back();
      const CScl* pChild = frame.pElement->GetChild(frame.next++);
      if (pChild == nullptr) {
         stack.pop_back();
         continue;
      }
      if (!pChild->IsClass(CID_CONTAINER) || pChild->IsClass(CID_REF))
         continue; // attributes and keys are judged with their owner, texts and remarks pass
      const uint8_t flags = Flags(edition, frame.type);
      if (frame.type < 0 || (flags & SCL_EDFLAG_FOREIGN_CONTENT))
         continue;
      const auto& element = static_cast<const CSclContainer&>(*pChild);
      const std::string& name = element.GetSclName();
      const tSclEditionChild* pListed = FindChild(edition, frame.type, name);
      if (pListed == nullptr) {
         if (!(HasPrefix(name) && (flags & SCL_EDFLAG_FOREIGN_ELEMENTS)) &&
             !(!name.empty() && name[0] == '?'))
            report(element, name);
         continue;
      }
      judgeAttributes(element, pListed->Type);
      if (pListed->Type >= 0)
         stack.push_back({&element, pListed->Type, 0});
   }
   return findings;
}

void SclForEachWrittenRefKey(const CSclRef& aRef, const CSclFile* apFile, bool aEditionKeys,
                             const std::function<void(const std::string& aName,
                                                      const std::string& aValue)>& aKey)
{
   // An empty key is written where the element read had the attribute. The attributes its
   // file noted for the reference decide (the copy of a file takes them over); without them
   // the keys an unresolved reference still holds.
   const std::vector<tSclNameId>* pRead =
       aEditionKeys && apFile != nullptr ? apFile->GetReadAttributes(aRef.PeekRefHandle())
                                         : nullptr;
   auto wasRead = [&](tSclNameId aId) {
      if (pRead != nullptr)
         return aId != 0 && std::find(pRead->begin(), pRead->end(), aId) != pRead->end();
      for (int i = 0; i < aRef.GetChildCount(); ++i) {
         const CScl* pChild = aRef.GetChild(i);
         if (pChild->GetNameId() == aId && aId != 0)
            return true;
      }
      return false;
   };
   std::vector<tSclNameId> written;
   SclSplitRefKeyText(aRef.GetRefKeyText(), [&](const std::string& aName,
                                                const std::string& aValue) {
      const tSclNameId id = CSclNameTable::FindNameId(aName);
      if (aEditionKeys && aValue.empty() && !wasRead(id))
         return;
      written.push_back(id);
      aKey(aName, aValue);
   });
   if (!aEditionKeys)
      return;
   // A key the key text leaves out when empty (lnInst of an FCDA) is still written where an
   // unresolved reference holds it empty, as read. (A resolved one knows only its target's
   // value, which may differ from the one read.)
   const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance();
   for (int i = 0; i < aRef.GetChildCount(); ++i) {
      const CScl* pChild = aRef.GetChild(i);
      const tSclNameId id = pChild->GetNameId();
      if (id != 0 && pChild->IsClass(CID_VALUE) && pChild->GetValue().empty() &&
          pInfo != nullptr && pInfo->IsRefAttributeOf(aRef.GetClassId(), id) &&
          std::find(written.begin(), written.end(), id) == written.end() && wasRead(id)) {
         written.push_back(id);
         aKey(CSclNameTable::GetNameOfNameId(id), std::string());
      }
   }
}

} // namespace Arvenko::Melvotar::Scl
