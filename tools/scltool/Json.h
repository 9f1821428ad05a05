// A small writer of one indented JSON document (the --json output of scltool).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace SclTool {

/// Builds a JSON text. Strings are given as UTF-8. Values inside an object follow a Key().
class CJson {
 public:
   CJson& BeginObject();
   CJson& EndObject();
   CJson& BeginArray();
   CJson& EndArray();
   CJson& Key(const std::string& aName);
   CJson& String(const std::string& aUtf8);
   CJson& Number(int64_t aValue);
   CJson& Number(double aValue);
   CJson& Bool(bool aValue);
   CJson& Null();

   /// Key and string value in one.
   CJson& Field(const std::string& aName, const std::string& aUtf8)
   {
      return Key(aName).String(aUtf8);
   }
   CJson& Field(const std::string& aName, const char* apUtf8) { return Key(aName).String(apUtf8); }
   CJson& Field(const std::string& aName, int64_t aValue) { return Key(aName).Number(aValue); }
   CJson& Field(const std::string& aName, int aValue) { return Key(aName).Number(int64_t{aValue}); }
   CJson& Field(const std::string& aName, bool aValue) { return Key(aName).Bool(aValue); }

   /// The document, with a final line end.
   std::string Text() const { return m_Out + "\n"; }

 private:
   void BeforeValue();
   void Open(char aBracket);
   void Close(char aBracket);

   std::string m_Out;
   std::vector<bool> m_HasItems; // per open bracket: whether an item was written
   bool m_AfterKey = false;
};

} // namespace SclTool
