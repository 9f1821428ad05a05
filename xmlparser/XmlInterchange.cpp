#include "xmlparser/XmlInterchange.h"

#include <algorithm>
#include <cstring>

#include "xmlparser/LibraryText.h"
#include "xmlparser/XmlEncoding.h"

namespace Arvenko::Melvotar::XmlParser {

namespace {

const char kHex[] = "0123456789abcdef";

inline bool IsLowerHex(char c)
{
   return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

inline bool IsXmlChar(uint32_t aCp)
{
   return aCp == 0x9 || aCp == 0xA || aCp == 0xD || (aCp >= 0x20 && aCp <= 0xD7FF) ||
          (aCp >= 0xE000 && aCp <= 0xFFFD) || (aCp >= 0x10000 && aCp <= 0x10FFFF);
}

inline bool IsNameStartChar(uint32_t c)
{
   return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
          (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
          (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || c == 0x200C || c == 0x200D ||
          (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) ||
          (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
          (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

inline bool IsNameChar(uint32_t c)
{
   return IsNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
          (c >= 0x300 && c <= 0x36F) || c == 0x203F || c == 0x2040;
}

// The character a byte of library text stands for when it is written: its Windows-1252
// character; the five bytes Windows-1252 leaves unassigned stand for the ISO-8859-1 control
// characters of the same value, so that nothing is lost.
inline uint32_t CharOfByte(unsigned char aByte)
{
   const uint16_t unit = Cp1252ToUnicode(aByte);
   return unit == '?' && aByte != '?' ? aByte : unit;
}

// The next character of library text at arP: a canonical reference or a byte; two
// references of a surrogate pair give one character, a lone surrogate stays a surrogate.
uint32_t NextChar(const char*& arP, const char* apEnd)
{
   size_t length = 0;
   const uint16_t unit = CanonicalReferenceAt(arP, apEnd, length);
   if (unit == 0)
      return CharOfByte(static_cast<unsigned char>(*arP++));
   arP += length;
   if (unit >= 0xD800 && unit <= 0xDBFF) {
      size_t lowLength = 0;
      const uint16_t low = CanonicalReferenceAt(arP, apEnd, lowLength);
      if (low >= 0xDC00 && low <= 0xDFFF) {
         arP += lowLength;
         return 0x10000 + ((uint32_t(unit) - 0xD800) << 10) + (low - 0xDC00u);
      }
   }
   return unit;
}

// Appends a character as library text.
void AppendChar(std::string& arOut, uint32_t aCp)
{
   if (aCp < 0x10000) {
      AppendLibraryChar(arOut, static_cast<uint16_t>(aCp));
      return;
   }
   aCp -= 0x10000;
   AppendLibraryChar(arOut, static_cast<uint16_t>(0xD800 + (aCp >> 10)));
   AppendLibraryChar(arOut, static_cast<uint16_t>(0xDC00 + (aCp & 0x3FF)));
}

void AppendReference(std::string& arOut, uint32_t aCp)
{
   char digits[8];
   int count = 0;
   do {
      digits[count++] = kHex[aCp & 0xF];
      aCp >>= 4;
   } while (aCp != 0);
   arOut += "&#x";
   while (count > 0)
      arOut.push_back(digits[--count]);
   arOut.push_back(';');
}

void AppendUtf8(std::string& arOut, uint32_t c)
{
   if (c < 0x80) {
      arOut.push_back(static_cast<char>(c));
   } else if (c < 0x800) {
      arOut.push_back(static_cast<char>(0xC0 | (c >> 6)));
      arOut.push_back(static_cast<char>(0x80 | (c & 0x3F)));
   } else if (c < 0x10000) {
      arOut.push_back(static_cast<char>(0xE0 | (c >> 12)));
      arOut.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      arOut.push_back(static_cast<char>(0x80 | (c & 0x3F)));
   } else {
      arOut.push_back(static_cast<char>(0xF0 | (c >> 18)));
      arOut.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      arOut.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      arOut.push_back(static_cast<char>(0x80 | (c & 0x3F)));
   }
}

void AppendUtf16Unit(std::string& arOut, uint32_t aUnit)
{
   arOut.push_back(static_cast<char>(aUnit & 0xFF));
   arOut.push_back(static_cast<char>(aUnit >> 8));
}

// Length of the valid UTF-8 sequence at apBytes (1..4) with its character, 0 when invalid.
int ValidUtf8Sequence(const unsigned char* apBytes, size_t aLeft, uint32_t& arCp)
{
   const unsigned char b = apBytes[0];
   int length = 0;
   unsigned char low = 0x80, high = 0xBF; // range of the second byte
   if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
   } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      low = b == 0xE0 ? 0xA0 : 0x80;
      high = b == 0xED ? 0x9F : 0xBF;
   } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      low = b == 0xF0 ? 0x90 : 0x80;
      high = b == 0xF4 ? 0x8F : 0xBF;
   } else {
      return 0;
   }
   if (aLeft < static_cast<size_t>(length) || apBytes[1] < low || apBytes[1] > high)
      return 0;
   uint32_t cp = b & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
   for (int k = 1; k < length; ++k) {
      if ((apBytes[k] & 0xC0) != 0x80)
         return 0;
      cp = (cp << 6) | (apBytes[k] & 0x3F);
   }
   arCp = cp;
   return length;
}

} // namespace

tDeclaredEncoding ResolveEncodingName(const std::string& aName)
{
   std::string name;
   for (char c : aName)
      name.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
   static const struct {
      const char* name;
      tDeclaredEncoding encoding;
   } s_Names[] = {
       {"utf-8", DE_UTF8},
       {"utf8", DE_UTF8},
       {"utf-16", DE_UTF16},
       {"utf16", DE_UTF16},
       {"utf-16le", DE_UTF16},
       {"utf-16be", DE_UTF16},
       {"iso-8859-1", DE_LATIN1},
       {"iso8859-1", DE_LATIN1},
       {"iso_8859-1", DE_LATIN1},
       {"iso_8859-1:1987", DE_LATIN1},
       {"latin1", DE_LATIN1},
       {"latin-1", DE_LATIN1},
       {"l1", DE_LATIN1},
       {"iso-ir-100", DE_LATIN1},
       {"cp819", DE_LATIN1},
       {"ibm819", DE_LATIN1},
       {"csisolatin1", DE_LATIN1},
       {"windows-1252", DE_CP1252},
       {"cp1252", DE_CP1252},
       {"x-cp1252", DE_CP1252},
       {"cswindows1252", DE_CP1252},
       {"us-ascii", DE_ASCII},
       {"ascii", DE_ASCII},
       {"iso646-us", DE_ASCII},
       {"us", DE_ASCII},
       {"ansi_x3.4-1968", DE_ASCII},
       {"csascii", DE_ASCII},
   };
   for (const auto& entry : s_Names)
      if (name == entry.name)
         return entry.encoding;
   return DE_UNKNOWN;
}

size_t AppendUtf8AsLibraryText(std::string& arOut, const unsigned char* apBytes, size_t aSize)
{
   size_t firstInvalid = std::string::npos;
   arOut.reserve(arOut.size() + aSize);
   size_t i = 0;
   while (i < aSize) {
      if (apBytes[i] < 0x80) {
         arOut.push_back(static_cast<char>(apBytes[i++]));
         continue;
      }
      uint32_t cp = 0;
      const int length = ValidUtf8Sequence(apBytes + i, aSize - i, cp);
      if (length == 0) {
         if (firstInvalid == std::string::npos)
            firstInvalid = i;
         arOut.push_back(static_cast<char>(apBytes[i++])); // the byte is library text already
         continue;
      }
      AppendChar(arOut, cp);
      i += static_cast<size_t>(length);
   }
   return firstInvalid;
}

void AppendLatin1AsLibraryText(std::string& arOut, const unsigned char* apBytes, size_t aSize)
{
   arOut.reserve(arOut.size() + aSize);
   for (size_t i = 0; i < aSize; ++i) {
      if (apBytes[i] >= 0x80 && apBytes[i] < 0xA0)
         AppendLibraryChar(arOut, apBytes[i]);
      else
         arOut.push_back(static_cast<char>(apBytes[i]));
   }
}

void AppendUtf16AsLibraryText(std::string& arOut, const unsigned char* apBytes, size_t aUnitCount,
                              bool aSwap)
{
   arOut.reserve(arOut.size() + aUnitCount);
   for (size_t k = 0; k < aUnitCount; ++k) {
      const unsigned char first = apBytes[2 * k];
      const unsigned char second = apBytes[2 * k + 1];
      AppendLibraryChar(
          arOut, static_cast<uint16_t>(aSwap ? (first << 8) | second : (second << 8) | first));
   }
}

std::string DecodeText(const std::string& aText, bool aReferences)
{
   if (aText.find('&') == std::string::npos)
      return aText;
   std::string result;
   result.reserve(aText.size());
   const size_t size = aText.size();
   size_t i = 0;
   while (i < size) {
      if (aText[i] != '&') {
         result.push_back(aText[i++]);
         continue;
      }
      // The name runs to the next ";" or the end of the text.
      const size_t semicolon = aText.find(';', i + 1);
      const size_t nameEnd = semicolon == std::string::npos ? size : semicolon;
      const char* name = aText.data() + i + 1;
      const size_t length = nameEnd - i - 1;
      static const struct {
         const char* name;
         char c;
      } s_Entities[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
      bool done = false;
      for (const auto& entity : s_Entities)
         if (length == std::strlen(entity.name) && std::memcmp(name, entity.name, length) == 0) {
            result.push_back(entity.c);
            done = true;
         }
      if (!done && aReferences && semicolon != std::string::npos && length >= 2 && name[0] == '#') {
         const bool hex = name[1] == 'x' || name[1] == 'X';
         size_t k = hex ? 2 : 1;
         uint32_t cp = 0;
         bool valid = k < length;
         for (; k < length && valid; ++k) {
            const char c = name[k];
            int digit = -1;
            if (c >= '0' && c <= '9')
               digit = c - '0';
            else if (hex && ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'))
               digit = (c | 0x20) - 'a' + 10;
            valid = digit >= 0;
            cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
            if (cp > 0x10FFFF)
               valid = false;
         }
         if (valid && IsXmlChar(cp)) {
            AppendChar(result, cp);
            done = true;
         }
      }
      if (done) {
         i = semicolon == std::string::npos ? size : semicolon + 1;
      } else {
         result.push_back('&');
         ++i;
      }
   }
   return result;
}

std::string DecodeXmlText(const std::string& aText)
{
   return DecodeText(aText, true);
}

uint16_t CanonicalReferenceAt(const char* apText, const char* apEnd, size_t& arLength)
{
   if (apEnd - apText < 5 || apText[0] != '&' || apText[1] != '#' || apText[2] != 'x' ||
       apText[3] == '0')
      return 0;
   uint32_t value = 0;
   const char* p = apText + 3;
   for (; p < apEnd && p - apText < 7 && IsLowerHex(*p); ++p)
      value = value * 16 + static_cast<uint32_t>(*p <= '9' ? *p - '0' : *p - 'a' + 10);
   if (p == apText + 3 || p >= apEnd || *p != ';' ||
       UnicodeToCp1252(static_cast<uint16_t>(value)) != 0)
      return 0;
   arLength = static_cast<size_t>(p + 1 - apText);
   return static_cast<uint16_t>(value);
}

void AppendXmlEscaped(std::string& arOut, const std::string& aText)
{
   const char* p = aText.c_str();
   const char* end = p + std::strlen(p);
   while (p < end) {
      const char c = *p;
      switch (c) {
      case '&': {
         size_t length = 0;
         if (CanonicalReferenceAt(p, end, length) != 0) {
            arOut.append(p, length);
            p += length;
            continue;
         }
         arOut += "&amp;";
         break;
      }
      case '<':
         arOut += "&lt;";
         break;
      case '>':
         arOut += "&gt;";
         break;
      case '"':
         arOut += "&quot;";
         break;
      case '\r':
         arOut += "&#xD;";
         break;
      case '\n':
         arOut += "&#xA;";
         break;
      case '\t':
         arOut += "&#x9;";
         break;
      default:
         arOut.push_back(c);
      }
      ++p;
   }
}

bool IsXmlName(const std::string& aName, tFileFormat aFormat)
{
   const char* p = aName.data();
   const char* end = p + aName.size();
   if (p == end)
      return false;
   // Names of plain letters, digits and "_:.-" (nearly all) answer without decoding.
   auto isPlain = [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
             c == '_' || c == ':' || c == '.' || c == '-';
   };
   // A reader that knows namespaces takes a name as a prefix and a local name: one colon at
   // most, with a name on either side of it.
   if (std::all_of(p, end, isPlain)) {
      auto starts = [](char c) {
         return !((c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':');
      };
      const size_t colon = aName.find(':');
      return starts(aName[0]) &&
             (colon == std::string::npos ||
              (colon + 1 < aName.size() && starts(aName[colon + 1]) &&
               aName.find(':', colon + 1) == std::string::npos));
   }
   bool first = true; // the next character begins the name or its local part
   for (bool colon = false; p < end;) {
      const uint32_t c = NextChar(p, end);
      if (!(first ? IsNameStartChar(c) : IsNameChar(c)) || (aFormat == FF_ANSI && c > 0xFF))
         return false;
      if (c == ':' && (first || colon))
         return false;
      colon = colon || c == ':';
      first = c == ':';
   }
   return !first;
}

std::string ToXmlName(const std::string& aName, tFileFormat aFormat)
{
   std::string result;
   const char* p = aName.data();
   const char* end = p + aName.size();
   bool colon = false; // the one colon kept: between a prefix and a local name
   for (bool first = true; p < end;) {
      const uint32_t c = NextChar(p, end);
      if (c == ':') {
         // Kept with a name before and something after it; any other colon becomes "_".
         const bool keep = !first && !colon && p < end;
         result.push_back(keep ? ':' : '_');
         colon = colon || keep;
         first = keep;
         continue;
      }
      const bool fits = aFormat != FF_ANSI || c <= 0xFF;
      if (first && fits && !IsNameStartChar(c) && IsNameChar(c))
         result.push_back('_');
      if (fits && IsNameChar(c))
         AppendChar(result, c);
      else
         result.push_back('_');
      first = false;
   }
   if (result.empty())
      result = "_";
   return result;
}

void LibraryTextToXmlBytes(const char* apData, size_t aCount, tFileFormat aFormat, bool aCrLf,
                           std::string& arOut)
{
   arOut.clear();
   arOut.reserve(aFormat == FF_UTF16 ? 2 * aCount + 16 : aCount + 16);
   const char* p = apData;
   const char* end = apData + aCount;
   while (p < end) {
      // Plain ASCII (most of a file) is its own UTF-8 and ISO-8859-1, and one unit of UTF-16.
      const char* run = p;
      while (p < end && static_cast<unsigned char>(*p) >= 0x20 &&
             static_cast<unsigned char>(*p) < 0x7F && *p != '&')
         ++p;
      if (aFormat != FF_UTF16) {
         arOut.append(run, p);
      } else {
         const size_t at = arOut.size();
         arOut.resize(at + 2 * static_cast<size_t>(p - run));
         for (size_t k = 0; run + k < p; ++k) {
            arOut[at + 2 * k] = run[k];
            arOut[at + 2 * k + 1] = '\0';
         }
      }
      if (p == end)
         break;
      uint32_t c = NextChar(p, end);
      if (c == '\n') {
         if (aCrLf) {
            if (aFormat == FF_UTF16)
               AppendUtf16Unit(arOut, '\r');
            else
               arOut.push_back('\r');
         }
      } else if (!IsXmlChar(c)) {
         c = 0xFFFD;
      }
      switch (aFormat) {
      case FF_UTF16:
         if (c >= 0x10000) {
            AppendUtf16Unit(arOut, 0xD800 + ((c - 0x10000) >> 10));
            AppendUtf16Unit(arOut, 0xDC00 + ((c - 0x10000) & 0x3FF));
         } else {
            AppendUtf16Unit(arOut, c);
         }
         break;
      case FF_ANSI:
         if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
            arOut.push_back(static_cast<char>(c));
         else
            AppendReference(arOut, c);
         break;
      default:
         AppendUtf8(arOut, c);
      }
   }
}

} // namespace Arvenko::Melvotar::XmlParser

// ---------------------------------------------------------------------------------------------
// Library text at the API

namespace Arvenko::Melvotar::XmlParser {

std::string LibraryToUtf8(const std::string& aText)
{
   std::string result;
   result.reserve(aText.size());
   const char* p = aText.data();
   const char* end = p + aText.size();
   while (p < end) {
      const uint32_t c = NextChar(p, end);
      AppendUtf8(result, c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
   }
   return result;
}

std::string Utf8ToLibrary(const std::string& aUtf8)
{
   std::string result;
   AppendUtf8AsLibraryText(result, reinterpret_cast<const unsigned char*>(aUtf8.data()),
                           aUtf8.size());
   return result;
}

} // namespace Arvenko::Melvotar::XmlParser
