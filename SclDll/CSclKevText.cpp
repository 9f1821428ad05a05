// Key tables (SclKevTextTables.def), their lookups and the text pool file.
#include "SclDll/CSclKevText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

#include "xmlparser/XmlParser.h"

namespace Arvenko::Melvotar::Scl {

using XmlParser::CXmlParser;

struct CSclKevText::tGroupRow {
   tSclValueId Key;
   uint16_t Nr;
   const char* KeyText;
};

struct CSclKevText::tKeyRow {
   const char* Key;
   uint16_t Nr;
   const char* KeyText;
};

namespace {

const char* const UNKNOWN_KEY_TEXT = "?";

// Longest name the name lookup considers (a 256-byte buffer with its terminator).
constexpr size_t MAX_NAME_LENGTH = 255;

// atoi of an attribute value (as glibc's atoi: strtol narrowed to int).
int AttribToInt(const std::string& aValue)
{
   return static_cast<int>(std::strtol(aValue.c_str(), nullptr, 10));
}

} // namespace

CSclKevText::CSclKevText()
{
   static const tGroupRow groupRows[] = {
#define SCL_KEV_GROUP(groupIdent, nr, keyText) {SVID_##groupIdent, nr, keyText},
#include "SclDll/SclKevTextTables.def"
   };
   static const tKeyRow nameRows[] = {
#define SCL_KEV_NAME(key, nr, keyText) {key, nr, keyText},
#include "SclDll/SclKevTextTables.def"
   };
   static const tKeyRow valueRows[] = {
#define SCL_KEV_VALUE(key, nr, keyText) {key, nr, keyText},
#include "SclDll/SclKevTextTables.def"
   };
   // assignment, not insertion: for a key entered twice the later row wins
   for (const tGroupRow& row : groupRows)
      m_GroupRows[row.Key] = &row;
   for (const tKeyRow& row : nameRows)
      m_NameRows[row.Key] = &row;
   for (const tKeyRow& row : valueRows)
      m_ValueRows[row.Key] = &row;
}

bool CSclKevText::LoadXMLFile(const std::string& aPath)
{
   if (access(aPath.c_str(), R_OK) != 0)
      return false;
   m_TextPool.clear();
   CXmlParser parser(aPath, XmlParser::FF_UTF8, false);

   // A flat walk over all tags: nesting and end tags do not matter.
   int16_t listId = 0;
   uint16_t number = 0;
   std::string text;
   std::string name;
   bool isStart = false, isEnd = false, isCData = false;
   XmlParser::tXmlAttribList attribs;
   while (true) {
      attribs.clear();
      if (parser.GetNextTag(name, isStart, isEnd, attribs, isCData) != 0)
         break;
      for (const XmlParser::tXmlAttrib& attrib : attribs) {
         if (name == "TextList") {
            if (attrib.Name == "sid")
               listId = static_cast<int16_t>(static_cast<uint16_t>(AttribToInt(attrib.Value)));
         } else if (name == "TextPoolRec") {
            if (attrib.Name == "nr")
               number = static_cast<uint16_t>(AttribToInt(attrib.Value));
            else if (attrib.Name == "vartoText")
               text = attrib.Value;
         }
      }
      if (listId != 0 && number != 0)
         m_TextPool[tTextRef{listId, number}] = text;
      number = 0;
      text.clear();
   }
   return true;
}

void CSclKevText::SaveXMLFile(const std::string& aPath) const
{
   // Create the file first so that a path that cannot be written stays silent; the
   // writer's constructor would report the failure.
   FILE* probe = std::fopen(aPath.c_str(), "wb");
   if (!probe)
      return;
   std::fclose(probe);

   // UTF-8, so that every text comes back unchanged through the reader's detection; one
   // Write per line keeps each conversion small.
   CXmlParser writer(aPath, XmlParser::FF_UTF8, true);
   writer.Write("<TextPoolTable>\n");
   bool listOpen = false;
   int16_t listId = 0;
   for (const auto& record : m_TextPool) {
      if (!listOpen || record.first.sid != listId) {
         if (listOpen)
            writer.Write("   </TextList>\n");
         writer.Write("   <TextList sid=\"" + std::to_string(record.first.sid) + "\">\n");
         listOpen = true;
         listId = record.first.sid;
      }
      writer.Write("      <TextPoolRec nr=\"" + std::to_string(record.first.nr) +
                   "\" vartoText=\"" + record.second + "\">\n");
   }
   writer.Write("   </TextList>\n");
   writer.Write("</TextPoolTable>\n");
}

void CSclKevText::LoadDefaultTexts()
{
   m_TextPool.clear();
   // each map in key order; a shared number keeps the text of the last row visited
   for (const auto& entry : m_NameRows)
      m_TextPool[tTextRef{KEV_SID_NAME, entry.second->Nr}] = entry.second->KeyText;
   for (const auto& entry : m_ValueRows)
      m_TextPool[tTextRef{KEV_SID_VALUE, entry.second->Nr}] = entry.second->KeyText;
   for (const auto& entry : m_GroupRows)
      m_TextPool[tTextRef{KEV_SID_GROUP, entry.second->Nr}] = entry.second->KeyText;
}

std::string CSclKevText::GetKevText(tTextRef aRef) const
{
   auto it = m_TextPool.find(aRef);
   return it == m_TextPool.end() ? std::string() : it->second;
}

const CSclKevText::tKeyRow* CSclKevText::FindNameRow(const std::string& aNamePath) const
{
   // as a C string of at most 255 characters
   std::string path = aNamePath.substr(0, std::min(aNamePath.find('\0'), MAX_NAME_LENGTH));
   for (char& c : path)
      if (c == '$')
         c = '.';
   auto it = m_NameRows.find(path);
   if (it != m_NameRows.end())
      return it->second;
   const std::string_view view(path);
   for (size_t dot = view.find('.'); dot != std::string_view::npos; dot = view.find('.', dot + 1)) {
      it = m_NameRows.find(view.substr(dot + 1));
      if (it != m_NameRows.end())
         return it->second;
   }
   return nullptr;
}

const CSclKevText::tKeyRow* CSclKevText::FindValueRow(const std::string& aDAName,
                                                      const std::string& aDOName,
                                                      const std::string& aCDC,
                                                      const std::string& aValue) const
{
   auto find = [this](const std::string& aKey) -> const tKeyRow* {
      auto it = m_ValueRows.find(aKey);
      return it == m_ValueRows.end() ? nullptr : it->second;
   };
   const tKeyRow* row = nullptr;
   if (aDAName == "stVal")
      row = find(aDOName + "=" + aValue);
   if (!row)
      row = find(aCDC + "." + aDAName + "=" + aValue);
   if (!row)
      row = find(aDAName + "=" + aValue);
   if (!row)
      row = find(aValue);
   return row;
}

const CSclKevText::tGroupRow* CSclKevText::FindGroupRow(tSclValueId aSclValueId) const
{
   auto it = m_GroupRows.find(aSclValueId);
   return it == m_GroupRows.end() ? nullptr : it->second;
}

// ---- the public lookups: reference, pool text and key text of the found row ----

tTextRef CSclKevText::GetDAKevTextRef(const std::string& aNamePath) const
{
   const tKeyRow* row = FindNameRow(aNamePath);
   return tTextRef{KEV_SID_NAME, row ? row->Nr : uint16_t(0)};
}

std::string CSclKevText::GetDAKevText(const std::string& aNamePath) const
{
   return GetKevText(GetDAKevTextRef(aNamePath));
}

std::string CSclKevText::GetDATextKey(const std::string& aNamePath) const
{
   const tKeyRow* row = FindNameRow(aNamePath);
   return row ? row->KeyText : UNKNOWN_KEY_TEXT;
}

tTextRef CSclKevText::GetSDOKevTextRef(const std::string& aName) const
{
   return GetDAKevTextRef(aName);
}

std::string CSclKevText::GetSDOKevText(const std::string& aName) const
{
   return GetDAKevText(aName);
}

std::string CSclKevText::GetSDOTextKey(const std::string& aName) const
{
   return GetDATextKey(aName);
}

tTextRef CSclKevText::GetDAValueKevTextRef(const std::string& aDAName, const std::string& aDOName,
                                           const std::string& aCDC, const std::string& aValue) const
{
   const tKeyRow* row = FindValueRow(aDAName, aDOName, aCDC, aValue);
   return tTextRef{KEV_SID_VALUE, row ? row->Nr : uint16_t(0)};
}

std::string CSclKevText::GetDAValueKevText(const std::string& aDAName, const std::string& aDOName,
                                           const std::string& aCDC, const std::string& aValue) const
{
   return GetKevText(GetDAValueKevTextRef(aDAName, aDOName, aCDC, aValue));
}

std::string CSclKevText::GetDAValueTextKey(const std::string& aDAName, const std::string& aDOName,
                                           const std::string& aCDC, const std::string& aValue) const
{
   const tKeyRow* row = FindValueRow(aDAName, aDOName, aCDC, aValue);
   return row ? row->KeyText : UNKNOWN_KEY_TEXT;
}

tTextRef CSclKevText::GetDAGroupKevTextRef(tSclValueId aSclValueId) const
{
   const tGroupRow* row = FindGroupRow(aSclValueId);
   return tTextRef{KEV_SID_GROUP, row ? row->Nr : uint16_t(0)};
}

std::string CSclKevText::GetDAGroupKevText(tSclValueId aSclValueId) const
{
   return GetKevText(GetDAGroupKevTextRef(aSclValueId));
}

std::string CSclKevText::GetDAGroupTextKey(tSclValueId aSclValueId) const
{
   const tGroupRow* row = FindGroupRow(aSclValueId);
   return row ? row->KeyText : UNKNOWN_KEY_TEXT;
}

} // namespace Arvenko::Melvotar::Scl
