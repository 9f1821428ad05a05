#include "Json.h"

#include <cstdio>

namespace SclTool {

void CJson::BeforeValue()
{
   if (m_AfterKey) {
      m_AfterKey = false;
      return;
   }
   if (m_HasItems.empty())
      return;
   if (m_HasItems.back())
      m_Out += ',';
   m_HasItems.back() = true;
   m_Out += '\n';
   m_Out.append(2 * m_HasItems.size(), ' ');
}

void CJson::Open(char aBracket)
{
   BeforeValue();
   m_Out += aBracket;
   m_HasItems.push_back(false);
}

void CJson::Close(char aBracket)
{
   const bool hadItems = m_HasItems.back();
   m_HasItems.pop_back();
   if (hadItems) {
      m_Out += '\n';
      m_Out.append(2 * m_HasItems.size(), ' ');
   }
   m_Out += aBracket;
}

CJson& CJson::BeginObject()
{
   Open('{');
   return *this;
}

CJson& CJson::EndObject()
{
   Close('}');
   return *this;
}

CJson& CJson::BeginArray()
{
   Open('[');
   return *this;
}

CJson& CJson::EndArray()
{
   Close(']');
   return *this;
}

CJson& CJson::Key(const std::string& aName)
{
   String(aName);
   m_Out += ": ";
   m_AfterKey = true;
   return *this;
}

CJson& CJson::String(const std::string& aUtf8)
{
   BeforeValue();
   m_Out += '"';
   for (const char c : aUtf8) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
         m_Out += '\\';
         m_Out += c;
      } else if (c == '\n') {
         m_Out += "\\n";
      } else if (c == '\r') {
         m_Out += "\\r";
      } else if (c == '\t') {
         m_Out += "\\t";
      } else if (byte < 0x20) {
         char escaped[8];
         std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
         m_Out += escaped;
      } else {
         m_Out += c;
      }
   }
   m_Out += '"';
   return *this;
}

CJson& CJson::Number(int64_t aValue)
{
   BeforeValue();
   m_Out += std::to_string(aValue);
   return *this;
}

CJson& CJson::Number(double aValue)
{
   BeforeValue();
   char text[32];
   std::snprintf(text, sizeof text, "%.3f", aValue);
   m_Out += text;
   return *this;
}

CJson& CJson::Bool(bool aValue)
{
   BeforeValue();
   m_Out += aValue ? "true" : "false";
   return *this;
}

CJson& CJson::Null()
{
   BeforeValue();
   m_Out += "null";
   return *this;
}

} // namespace SclTool
