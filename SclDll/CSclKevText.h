// Display texts for attribute names, attribute values and attribute groups: built-in key
// tables map each item to a text reference, a translatable text pool maps the reference to
// its text.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "SclDll/CSclLinkInfos.h"

namespace Arvenko::Melvotar {

/// A text reference: text list id and text number; nr 0 means no text is assigned.
struct tTextRef {
   int16_t sid;
   uint16_t nr;
};

/// Orders by sid (signed), then nr (unsigned).
inline bool operator<(const tTextRef& aLeft, const tTextRef& aRight)
{
   return aLeft.sid != aRight.sid ? aLeft.sid < aRight.sid : aLeft.nr < aRight.nr;
}
inline bool operator==(const tTextRef& aLeft, const tTextRef& aRight)
{
   return aLeft.sid == aRight.sid && aLeft.nr == aRight.nr;
}
inline bool operator!=(const tTextRef& aLeft, const tTextRef& aRight)
{
   return !(aLeft == aRight);
}

} // namespace Arvenko::Melvotar

namespace Arvenko::Melvotar::Scl {

/// Text list of attribute and sub-data-object names (key texts "DAN ...").
constexpr int16_t KEV_SID_NAME = 513;
/// Text list of attribute values (key texts "DAV ...").
constexpr int16_t KEV_SID_VALUE = 515;
/// Text list of the attribute groups of the link infos.
constexpr int16_t KEV_SID_GROUP = 517;

/// Key tables plus a text pool. Lookups never throw: a missing row gives number 0, a missing
/// pool text an empty string. No locks: loading must not overlap lookups on one object.
class CSclKevText {
 public:
   /// Builds the key lookups from the built-in tables; the pool starts empty.
   CSclKevText();

   /// Replaces the pool with the records of a pool file (UTF-8 unless the file says
   /// otherwise). False, pool unchanged, if the file is not readable. The pool is cleared
   /// before reading, so a file the XML reader cannot read or convert leaves it empty and
   /// throws xml_parser_error. Malformed markup is tolerated.
   bool LoadXMLFile(const std::string& aPath);
   /// Writes the pool as a pool file in UTF-8, texts unescaped; writes nothing if the file
   /// cannot be created. Throws xml_parser_error if writing fails midway.
   void SaveXMLFile(const std::string& aPath) const;
   /// Replaces the pool with the key texts of every row (names, values, groups).
   void LoadDefaultTexts();

   /// The pool text of a reference; empty if the pool has none.
   std::string GetKevText(tTextRef aRef) const;

   /// (513, nr) of a sub-data-object name; same lookup as GetDAKevTextRef.
   tTextRef GetSDOKevTextRef(const std::string& aName) const;
   /// Pool text of GetSDOKevTextRef.
   std::string GetSDOKevText(const std::string& aName) const;
   /// Key text of the row GetSDOKevTextRef finds; "?" if none.
   std::string GetSDOTextKey(const std::string& aName) const;

   /// (513, nr) of an attribute name or path: "$" counts as "."; the first 255 characters
   /// are used; without a row for the whole path, the text after each "." is tried from the
   /// left ("phsA.q" finds "q"). nr 0 if nothing matches.
   tTextRef GetDAKevTextRef(const std::string& aNamePath) const;
   /// Pool text of GetDAKevTextRef.
   std::string GetDAKevText(const std::string& aNamePath) const;
   /// Key text of the row GetDAKevTextRef finds; "?" if none.
   std::string GetDATextKey(const std::string& aNamePath) const;

   /// (515, nr) of an attribute value; keys tried in order: "<DO>=<value>" (only for DA
   /// "stVal"), "<CDC>.<DA>=<value>", "<DA>=<value>", "<value>". nr 0 if nothing matches.
   tTextRef GetDAValueKevTextRef(const std::string& aDAName, const std::string& aDOName,
                                 const std::string& aCDC, const std::string& aValue) const;
   /// Pool text of GetDAValueKevTextRef.
   std::string GetDAValueKevText(const std::string& aDAName, const std::string& aDOName,
                                 const std::string& aCDC, const std::string& aValue) const;
   /// Key text of the row GetDAValueKevTextRef finds; "?" if none.
   std::string GetDAValueTextKey(const std::string& aDAName, const std::string& aDOName,
                                 const std::string& aCDC, const std::string& aValue) const;

   /// (517, nr) of an attribute group; nr 0 for ids without group row (CDCs, attributes).
   tTextRef GetDAGroupKevTextRef(tSclValueId aSclValueId) const;
   /// Pool text of GetDAGroupKevTextRef.
   std::string GetDAGroupKevText(tSclValueId aSclValueId) const;
   /// Key text of the group row; "?" if none.
   std::string GetDAGroupTextKey(tSclValueId aSclValueId) const;

 private:
   struct tGroupRow;
   struct tKeyRow;
   typedef std::map<std::string, const tKeyRow*, std::less<>> tKeyRowMap;

   const tKeyRow* FindNameRow(const std::string& aNamePath) const;
   const tKeyRow* FindValueRow(const std::string& aDAName, const std::string& aDOName,
                               const std::string& aCDC, const std::string& aValue) const;
   const tGroupRow* FindGroupRow(tSclValueId aSclValueId) const;

   std::map<tTextRef, std::string> m_TextPool;
   std::map<tSclValueId, const tGroupRow*> m_GroupRows;
   tKeyRowMap m_NameRows;
   tKeyRowMap m_ValueRows;
};

} // namespace Arvenko::Melvotar::Scl
