// CSmartCompare: ignore rules, report texts and the report callback of the rule-driven
// comparison (CSclContainer::SmartCompare), and the alignment of type template ids.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "SclDll/SclError.h"

namespace Arvenko::Melvotar::Scl {

class CScl;

/// Kind of a difference; the same numbers key the ignore rules and the report texts.
enum tDiffKind : int32_t {
   DIFF_NONE = 0,       ///< a rule without kind; never applies
   DIFF_CONTENT = 1,    ///< different content ("ignoreContent")
   DIFF_ORDER = 2,      ///< different position among the siblings ("ignoreOrder")
   DIFF_ADDITIONAL = 3, ///< only on the right side ("ignoreAdditional")
   DIFF_MISSING = 4,    ///< only on the left side ("ignoreMissing")
   DIFF_TYPENAME = 5,   ///< a type template id adjusted by AdjustTypeIds (report text only)
};

/// One segment of a rule path: an element name and, from the brackets, its key text.
struct tIdent {
   std::string name; ///< element name (GetSclName of the element)
   std::string id;   ///< key text (GetId of the element); empty without brackets
};

/// One ignore rule.
struct tIgnoreEntry {
   std::vector<tIdent> path; ///< the rule path, leaf first: [0] the object, [1] its parent, ...
   tDiffKind kind = DIFF_NONE;
   std::string itemId;  ///< handed back in reports
   std::string logText; ///< handed back in reports
};

/// What the rules say about one object for one kind.
struct tIgnoreInfo {
   std::string itemId;
   std::string logText;
};

/// Report of the rule-driven comparison: bIgnored 1 for a difference covered by a rule (or
/// the notice of an adjusted type id), 0 for a difference that counts; the object concerned
/// (owned by its tree); the matching rule's itemId (empty for counted differences); the
/// rule's logText, the kind's report text or the type-id notice; the event number 0..9.
typedef void (*tCompareCallback)(int bIgnored, CScl* apScl, std::string itemId, std::string text,
                                 int nEvent);

/// Rules and report channel of the rule-driven comparison. Starts without rules, without
/// texts and without callback.
class CSmartCompare {
 public:
   CSmartCompare();
   ~CSmartCompare();
   CSmartCompare(const CSmartCompare&) = delete;
   CSmartCompare& operator=(const CSmartCompare&) = delete;

   /// Adds the IgnoreItem rules and the report texts of the XML file aPath (any document the
   /// file reader accepts); SE_OK. Throws xml_parser_error when the file cannot be opened,
   /// read or converted, before anything is stored; malformed XML is repaired and reported
   /// by the reader and the rules read so far are kept.
   tSclError ReadIgnoreFile(std::string aPath);
   /// Adds one rule as an IgnoreItem with this path, kind and texts would (paths are cut
   /// to their first 1023 characters).
   void AddIgnoreItem(const std::string& aPath, tDiffKind aKind, const std::string& aItemId,
                      const std::string& aLogText);
   /// Sets the report text of a kind, replacing an earlier one.
   void SetText(tDiffKind aKind, const std::string& aText);

   /// Sets arInfos[kind] for every rule that matches apScl (by its name, then by its name
   /// with key; rules keyed by the name with key therefore win). Objects without name get
   /// nothing; a null object is ignored.
   void GetIgnoreInfos(const CScl* apScl, std::map<tDiffKind, tIgnoreInfo>& arInfos) const;
   /// The report text of a kind: the one loaded, else "<NONE>", "<CONTENT>", "<ORDER>",
   /// "<ADDITIONAL>", "<MISSING>" for 0..4 and "?" for every other kind.
   std::string GetText(tDiffKind aKind) const;
   /// Gives every EnumType, DAType, DOType and LNodeType template of the second tree whose
   /// checksum without id equals that of a template of the first tree the id of that
   /// template, reporting each change (event 0). A tree is given by its file root, its SCL
   /// element or any object below it; a side without DataTypeTemplates contributes nothing.
   /// True if any id was changed.
   bool AdjustTypeIds(CScl* apFirst, CScl* apSecond);

   /// Installs the report callback; null switches reports off.
   void SetCallback(tCompareCallback apCallback) { m_pCallback = apCallback; }
   /// The installed report callback, or null.
   tCompareCallback GetCallback() const { return m_pCallback; }
   /// Calls the callback (if any) with the report; used by the comparison.
   void Report(bool aIgnored, const CScl* apScl, const std::string& aItemId,
               const std::string& aText, int aEvent) const;

   /// The rules by the last segment of their path as written; equal keys in file order.
   const std::multimap<std::string, tIgnoreEntry>& GetIgnoreEntries() const
   {
      return m_IgnoreEntries;
   }
   /// Whether any rule is stored.
   bool HasRules() const { return !m_IgnoreEntries.empty(); }

   /// Splits a rule path at its dots into segments, leaf first, after cutting it to its first
   /// 1023 characters; arKey receives the last segment as written.
   static void ParseRulePath(const std::string& aPath, std::string& arKey,
                             std::vector<tIdent>& arPath);

 private:
   void AddEntry(const std::string& aPath, tIgnoreEntry&& arEntry);
   void ApplyRules(const std::string& aKey, const CScl& aScl,
                   std::map<tDiffKind, tIgnoreInfo>& arInfos) const;

   std::multimap<std::string, tIgnoreEntry> m_IgnoreEntries;
   std::map<tDiffKind, std::string> m_Texts;
   tCompareCallback m_pCallback = nullptr;
   /// Element names that have rules keyed with brackets; other objects skip the second
   /// lookup, which would need their name with key.
   std::set<std::string> m_KeyedNames;
};

} // namespace Arvenko::Melvotar::Scl
