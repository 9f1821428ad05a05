#include "SclDll/CSmartCompare.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclFile.h"
#include "SclDll/CSclNameTable.h"
#include "xmlparser/XmlParser.h"

namespace Arvenko::Melvotar::Scl {

namespace {

// Only this many characters of a rule path count (the rest of a 1024-character buffer
// holds the terminator).
constexpr size_t MAX_RULE_PATH = 1023;

struct tNamedKind {
   const char* pName;
   tDiffKind kind;
};

// The rule attributes that select a kind, in the order they are tried.
constexpr tNamedKind s_KindAttributes[] = {{"ignoreContent", DIFF_CONTENT},
                                           {"ignoreOrder", DIFF_ORDER},
                                           {"ignoreAdditional", DIFF_ADDITIONAL},
                                           {"ignoreMissing", DIFF_MISSING}};

// The elements that carry the report texts.
constexpr tNamedKind s_TextElements[] = {{"DifferentContentText", DIFF_CONTENT},
                                         {"DifferentOrderText", DIFF_ORDER},
                                         {"MissingText", DIFF_MISSING},
                                         {"AdditionalText", DIFF_ADDITIONAL},
                                         {"DifferentTypeNameText", DIFF_TYPENAME}};

// Report texts used while the rule file gives none, by kind 0..5.
constexpr const char* s_DefaultTexts[] = {"<NONE>",       "<CONTENT>", "<ORDER>",
                                          "<ADDITIONAL>", "<MISSING>", "?"};

// The type template classes in the order their ids are aligned: a template's checksum
// covers the ids of the templates it uses, so those are aligned first.
constexpr tSclClassId s_TemplateClasses[] = {CID_EnumType, CID_DAType, CID_DOType, CID_LNodeType};

// The value of attribute apName of an element; empty when it has none.
std::string AttribValue(const CSclContainer& aElement, const char* apName)
{
   tSclNameId nameId = CSclNameTable::FindNameId(apName);
   return nameId == NID_NONE ? std::string() : aElement.GetValue(nameId);
}

// The SCL element of the tree an object belongs to (itself, the file's child or an ancestor).
CSclContainer* FindSclRoot(CScl* apScl)
{
   if (apScl == nullptr)
      return nullptr;
   if (apScl->IsClass(CID_SCL))
      return static_cast<CSclContainer*>(apScl);
   if (apScl->IsClass(CID_FILE))
      return static_cast<CSclContainer*>(static_cast<CSclContainer*>(apScl)->GetChild(CID_SCL));
   return apScl->GetParent(CID_SCL);
}

CSclContainer* FindDataTypeTemplates(CScl* apScl)
{
   CSclContainer* pRoot = FindSclRoot(apScl);
   return pRoot == nullptr ? nullptr
                           : static_cast<CSclContainer*>(pRoot->GetChild(CID_DataTypeTemplates));
}

// Calls aVisit for every template of class aClassId under apTemplates, with its checksum
// without id.
template <class TVisit>
void ForEachTemplate(CSclContainer* apTemplates, tSclClassId aClassId, TVisit&& aVisit)
{
   if (apTemplates == nullptr)
      return;
   for (int i = 0; i < apTemplates->GetChildCount(); ++i) {
      CScl* pChild = apTemplates->GetChild(i);
      if (pChild->IsClass(aClassId) && pChild->IsClass(CID_CONTAINER)) {
         auto* pTemplate = static_cast<CSclContainer*>(pChild);
         aVisit(pTemplate, pTemplate->GetCRC32WithoutTopLevelId(static_cast<int32_t>(0xFFFFFFFFu)));
      }
   }
}

} // namespace

CSmartCompare::CSmartCompare() = default;

CSmartCompare::~CSmartCompare() = default;

tSclError CSmartCompare::ReadIgnoreFile(std::string aPath)
{
   CSclFile file;
   {
      // Throws before anything is stored when the file cannot be opened or converted.
      XmlParser::CXmlParser parser(aPath, XmlParser::FF_UTF8, false);
      file.SetUnlistedSclName(aPath);
      file.Read(&parser);
   }
   for (CScl* pScl = &file; pScl != nullptr; pScl = pScl->GetNext(0, 255)) {
      if (!pScl->IsClass(CID_CONTAINER))
         continue;
      const auto& element = static_cast<const CSclContainer&>(*pScl);
      const std::string& name = element.GetSclName();
      if (name == "IgnoreItem") {
         tIgnoreEntry entry;
         for (const tNamedKind& attribute : s_KindAttributes)
            if (AttribValue(element, attribute.pName) == "true") {
               entry.kind = attribute.kind;
               break;
            }
         entry.itemId = AttribValue(element, "itemId");
         entry.logText = AttribValue(element, "logText");
         AddEntry(AttribValue(element, "path"), std::move(entry));
      }
      for (const tNamedKind& text : s_TextElements)
         if (name == text.pName)
            m_Texts[text.kind] = element.GetValue();
   }
   return SE_OK;
}

void CSmartCompare::AddIgnoreItem(const std::string& aPath, tDiffKind aKind,
                                  const std::string& aItemId, const std::string& aLogText)
{
   tIgnoreEntry entry;
   entry.kind = aKind;
   entry.itemId = aItemId;
   entry.logText = aLogText;
   AddEntry(aPath, std::move(entry));
}

void CSmartCompare::SetText(tDiffKind aKind, const std::string& aText)
{
   m_Texts[aKind] = aText;
}

void CSmartCompare::AddEntry(const std::string& aPath, tIgnoreEntry&& arEntry)
{
   std::string key;
   ParseRulePath(aPath, key, arEntry.path);
   size_t bracket = key.find('[');
   if (bracket != std::string::npos)
      m_KeyedNames.insert(key.substr(0, bracket));
   // A multimap inserts behind the entries with an equal key: file order is kept.
   m_IgnoreEntries.emplace(std::move(key), std::move(arEntry));
}

void CSmartCompare::ParseRulePath(const std::string& aPath, std::string& arKey,
                                  std::vector<tIdent>& arPath)
{
   // The path lived in a C buffer: it ends at the first terminator or after 1023 characters.
   size_t length = std::min({aPath.size(), MAX_RULE_PATH, std::strlen(aPath.c_str())});
   arPath.clear();
   size_t end = length;
   while (true) {
      size_t dot = end == 0 ? std::string::npos : aPath.rfind('.', end - 1);
      size_t begin = dot == std::string::npos ? 0 : dot + 1;
      std::string segment = aPath.substr(begin, end - begin);
      if (arPath.empty())
         arKey = segment;
      tIdent ident;
      size_t open = segment.find('[');
      ident.name = segment.substr(0, open);
      if (open != std::string::npos)
         ident.id = segment.substr(open + 1, segment.find(']', open + 1) - (open + 1));
      arPath.push_back(std::move(ident));
      if (dot == std::string::npos)
         break;
      end = dot;
   }
}

void CSmartCompare::GetIgnoreInfos(const CScl* apScl,
                                   std::map<tDiffKind, tIgnoreInfo>& arInfos) const
{
   if (apScl == nullptr || m_IgnoreEntries.empty())
      return;
   const std::string& name = apScl->GetSclName();
   // Text values and remarks have no name; a rule stored under the empty key never applies.
   if (name.empty())
      return;
   ApplyRules(name, *apScl, arInfos);
   // The name with key differs from the plain name only for an element with a key; rules
   // under it exist only for names in m_KeyedNames (a second look-up under the plain name
   // would set the same infos again).
   if (apScl->IsClass(CID_CONTAINER) && static_cast<const CSclContainer*>(apScl)->HasId() &&
       m_KeyedNames.count(name) != 0)
      ApplyRules(apScl->GetIdName(), *apScl, arInfos);
}

void CSmartCompare::ApplyRules(const std::string& aKey, const CScl& aScl,
                               std::map<tDiffKind, tIgnoreInfo>& arInfos) const
{
   auto range = m_IgnoreEntries.equal_range(aKey);
   for (auto it = range.first; it != range.second; ++it) {
      const tIgnoreEntry& entry = it->second;
      const CSclContainer* pAncestor = aScl.GetParent();
      size_t i = 1;
      for (; i < entry.path.size() && pAncestor != nullptr; ++i) {
         const tIdent& segment = entry.path[i];
         if (pAncestor->GetSclName() != segment.name ||
             (!segment.id.empty() && pAncestor->GetId() != segment.id))
            break;
         pAncestor = pAncestor->GetParent();
      }
      if (i == entry.path.size())
         arInfos[entry.kind] = tIgnoreInfo{entry.itemId, entry.logText};
   }
}

std::string CSmartCompare::GetText(tDiffKind aKind) const
{
   auto it = m_Texts.find(aKind);
   if (it != m_Texts.end())
      return it->second;
   if (aKind >= DIFF_NONE && aKind <= DIFF_TYPENAME)
      return s_DefaultTexts[aKind];
   return "?";
}

void CSmartCompare::Report(bool aIgnored, const CScl* apScl, const std::string& aItemId,
                           const std::string& aText, int aEvent) const
{
   if (m_pCallback == nullptr)
      return;
   // The comparison only reads the trees; they belong to the caller, who may use the object.
   m_pCallback(aIgnored ? 1 : 0, const_cast<CScl*>(apScl), aItemId, aText, aEvent);
}

bool CSmartCompare::AdjustTypeIds(CScl* apFirst, CScl* apSecond)
{
   CSclContainer* pFirstTemplates = FindDataTypeTemplates(apFirst);
   CSclContainer* pSecondTemplates = FindDataTypeTemplates(apSecond);
   bool changed = false;
   for (tSclClassId classId : s_TemplateClasses) {
      std::map<int32_t, std::string> idByCrc;
      ForEachTemplate(pFirstTemplates, classId, [&](CSclContainer* apTemplate, int32_t aCrc) {
         idByCrc[aCrc] = apTemplate->GetValue(NID_id);
      });
      ForEachTemplate(pSecondTemplates, classId, [&](CSclContainer* apTemplate, int32_t aCrc) {
         auto it = idByCrc.find(aCrc);
         if (it == idByCrc.end())
            return;
         std::string oldId = apTemplate->GetValue(NID_id);
         if (oldId == it->second)
            return;
         apTemplate->SetAttribValue(NID_id, it->second);
         changed = true;
         Report(true, apTemplate, std::string(),
                GetText(DIFF_TYPENAME) + " ( " + it->second + " != " + oldId + " )", 0);
      });
   }
   return changed;
}

} // namespace Arvenko::Melvotar::Scl
