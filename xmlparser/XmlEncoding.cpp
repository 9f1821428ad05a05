#include "xmlparser/XmlEncoding.h"

#include "xmlparser/XmlParser.h"

#include <algorithm>
#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <vector>

namespace Arvenko::Melvotar::XmlParser {

namespace {

// Characters of the bytes 0x80..0x9F; 0 marks the five unassigned bytes.
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const char kHexDigits[] = "0123456789abcdef";

// Length of a "&#x...;" reference of aUnit, written into apOut (at least 8 bytes).
size_t FormatReference(uint16_t aUnit, char* apOut)
{
   char digits[4];
   size_t count = 0;
   do {
      digits[count++] = kHexDigits[aUnit & 0xF];
      aUnit = static_cast<uint16_t>(aUnit >> 4);
   } while (aUnit != 0);
   size_t length = 0;
   apOut[length++] = '&';
   apOut[length++] = '#';
   apOut[length++] = 'x';
   while (count > 0)
      apOut[length++] = digits[--count];
   apOut[length++] = ';';
   return length;
}

// The library text of one unit, written into apOut (at least 8 bytes): its Windows-1252
// byte, or a "&#x...;" reference for a unit without one. Returns the length.
inline size_t LibraryUnitBytes(uint16_t aUnit, char* apOut)
{
   const unsigned char byte = UnicodeToCp1252(aUnit);
   if (byte == 0)
      return FormatReference(aUnit, apOut);
   apOut[0] = static_cast<char>(byte);
   return 1;
}

// Appends one unit to a bounded output the way the conversion of a UTF-16 text does:
// a byte when the output is not full, a reference only when it ends before the end.
// Returns false when a reference does not fit.
inline bool PutUnit(uint16_t aUnit, char* apOut, size_t aCapacity, size_t& aProduced)
{
   const unsigned char byte = UnicodeToCp1252(aUnit);
   if (byte != 0) {
      apOut[aProduced++] = static_cast<char>(byte);
      return true;
   }
   char reference[8];
   const size_t length = FormatReference(aUnit, reference);
   if (aProduced + length >= aCapacity)
      return false;
   std::memcpy(apOut + aProduced, reference, length);
   aProduced += length;
   return true;
}

const uint32_t kUtf8Offsets[6] = {0x00000000UL, 0x00003080UL, 0x000E2080UL,
                                  0x03C82080UL, 0xFA082080UL, 0x82082080UL};

inline int Utf8TrailingBytes(unsigned char aLead)
{
   if (aLead < 0xC0)
      return 0;
   if (aLead < 0xE0)
      return 1;
   if (aLead < 0xF0)
      return 2;
   if (aLead < 0xF8)
      return 3;
   if (aLead < 0xFC)
      return 4;
   return 5;
}

// Decodes the sequence at apBytes[i] (which must be complete) into one or two units.
inline int DecodeUtf8(const unsigned char* apBytes, size_t& i, int aTrailing, uint16_t aUnits[2])
{
   uint32_t value = 0;
   for (int k = 0; k < aTrailing; ++k) {
      value += apBytes[i++];
      value <<= 6;
   }
   value += apBytes[i++];
   value -= kUtf8Offsets[aTrailing];
   if (value < 0x10000) {
      aUnits[0] = static_cast<uint16_t>(value);
      return 1;
   }
   if (value <= 0x10FFFF) {
      value -= 0x10000;
      aUnits[0] = static_cast<uint16_t>(0xD800 + (value >> 10));
      aUnits[1] = static_cast<uint16_t>(0xDC00 + (value & 0x3FF));
      return 2;
   }
   aUnits[0] = 0xFFFD;
   return 1;
}

// Decodes the sequence at apBytes[arPos] (aEnd: the end of the input) into the library bytes
// of its one or two units, at most 16 of them in apText (their count in arLength). Returns
// the number of units, 0 when the input ends inside the sequence.
inline int DecodeToLibraryBytes(const unsigned char* apBytes, size_t& arPos, size_t aEnd,
                                char* apText, size_t& arLength)
{
   const int trailing = Utf8TrailingBytes(apBytes[arPos]);
   if (static_cast<size_t>(trailing) >= aEnd - arPos)
      return 0;
   uint16_t decoded[2];
   const int count = DecodeUtf8(apBytes, arPos, trailing, decoded);
   arLength = 0;
   for (int k = 0; k < count; ++k)
      arLength += LibraryUnitBytes(decoded[k], apText + arLength);
   return count;
}

// The literal two-stage conversion (UTF-8 to a UTF-16 buffer, then to library text with
// an output of twice the unit count plus 1024 bytes); used when the one-pass conversion
// comes near that limit, so that both end the same way.
int Utf8ToLibraryTextViaUtf16(const unsigned char* apBytes, size_t aSize, char* apOut,
                              size_t& aProduced)
{
   std::vector<uint16_t> units;
   units.reserve(aSize);
   size_t i = 0;
   while (i < aSize) {
      const int trailing = Utf8TrailingBytes(apBytes[i]);
      if (static_cast<size_t>(trailing) >= aSize - i)
         return kConvertSourceExhausted;
      uint16_t decoded[2];
      const int count = DecodeUtf8(apBytes, i, trailing, decoded);
      for (int k = 0; k < count; ++k)
         units.push_back(decoded[k]);
   }
   const size_t capacity = 2 * units.size() + 1024;
   aProduced = 0;
   for (size_t k = 0; k < units.size() && aProduced < capacity; ++k)
      if (!PutUnit(units[k], apOut, capacity, aProduced))
         return kConvertBufferTooSmall;
   return kConvertOk;
}

inline bool IsHexDigit(char c)
{
   return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

inline int HexValue(char c)
{
   if (c <= '9')
      return c - '0';
   return (c | 0x20) - 'a' + 10;
}

} // namespace

uint16_t Cp1252ToUnicode(unsigned char aByte)
{
   if (aByte < 0x80 || aByte >= 0xA0)
      return aByte;
   const uint16_t unit = kCp1252High[aByte - 0x80];
   return unit != 0 ? unit : uint16_t('?');
}

unsigned char UnicodeToCp1252(uint16_t aUnit)
{
   if (aUnit < 0x80 || (aUnit >= 0xA0 && aUnit <= 0xFF))
      return static_cast<unsigned char>(aUnit);
   if (aUnit < 0x152)
      return 0;
   for (int i = 0; i < 32; ++i)
      if (kCp1252High[i] == aUnit)
         return static_cast<unsigned char>(0x80 + i);
   return 0;
}

void AppendLibraryChar(std::string& aText, uint16_t aUnit)
{
   char bytes[8];
   aText.append(bytes, LibraryUnitBytes(aUnit, bytes));
}

bool IsPlainAscii(const unsigned char* apBytes, size_t aSize)
{
   // Branch-free over blocks so that the compiler can vectorise the scan.
   size_t i = 0;
   for (; i + 64 <= aSize; i += 64) {
      unsigned char high = 0;
      unsigned char zero = 0;
      for (size_t k = 0; k < 64; ++k) {
         high |= apBytes[i + k];
         zero |= static_cast<unsigned char>(apBytes[i + k] == 0);
      }
      if ((high & 0x80) != 0 || zero != 0)
         return false;
   }
   for (; i < aSize; ++i)
      if (apBytes[i] == 0 || apBytes[i] >= 0x80)
         return false;
   return true;
}

int Utf16ToLibraryText(const unsigned char* apBytes, size_t aUnitCount, bool aSwap, char* apOut,
                       size_t aCapacity, size_t& aProduced)
{
   aProduced = 0;
   for (size_t k = 0; k < aUnitCount && aProduced < aCapacity; ++k) {
      const unsigned char first = apBytes[2 * k];
      const unsigned char second = apBytes[2 * k + 1];
      const uint16_t unit = aSwap ? static_cast<uint16_t>(first << 8 | second)
                                  : static_cast<uint16_t>(second << 8 | first);
      if (!PutUnit(unit, apOut, aCapacity, aProduced))
         return kConvertBufferTooSmall;
   }
   return kConvertOk;
}

int Utf8ToLibraryText(const unsigned char* apBytes, size_t aSize, char* apOut, size_t aCapacity,
                      size_t& aProduced)
{
   // One pass straight into library text. The literal conversion goes through UTF-16 and
   // limits its output to 2 * units + 1024 bytes; as long as the output stays below that
   // limit both give the same text. Otherwise redo it the literal way.
   size_t units = 0;
   size_t out = 0;
   size_t i = 0;
   while (i < aSize) {
      // Eight bytes at a time while they are plain ASCII without NUL (most of a file).
      if (aSize - i >= 8 && aCapacity - out >= 8) {
         uint64_t word;
         std::memcpy(&word, apBytes + i, 8);
         const uint64_t high = word & 0x8080808080808080ULL;
         const uint64_t zero = (word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL;
         if ((high | zero) == 0) {
            std::memcpy(apOut + out, apBytes + i, 8);
            out += 8;
            units += 8;
            i += 8;
            continue;
         }
      }
      const unsigned char lead = apBytes[i];
      if (lead < 0x80 && lead != 0) {
         if (out >= aCapacity)
            return Utf8ToLibraryTextViaUtf16(apBytes, aSize, apOut, aProduced);
         apOut[out++] = static_cast<char>(lead);
         ++units;
         ++i;
         continue;
      }
      char text[16];
      size_t length = 0;
      const int count = DecodeToLibraryBytes(apBytes, i, aSize, text, length);
      if (count == 0)
         return kConvertSourceExhausted;
      units += static_cast<size_t>(count);
      // Room for a reference of each unit, as the two-stage conversion needs.
      if (out + 8 * static_cast<size_t>(count) > aCapacity)
         return Utf8ToLibraryTextViaUtf16(apBytes, aSize, apOut, aProduced);
      std::memcpy(apOut + out, text, length);
      out += length;
   }
   if (out >= 2 * units + 1024)
      return Utf8ToLibraryTextViaUtf16(apBytes, aSize, apOut, aProduced);
   aProduced = out;
   return kConvertOk;
}

int Utf8ToLibraryTextInPlace(char* apBuffer, size_t aSize, size_t aCapacity, size_t& aProduced)
{
   // The text is written behind the reading position. Library text may be longer than its
   // UTF-8 (a reference for a character without a Windows-1252 byte): when the writing would
   // overtake the reading, the unread rest moves once to the end of the buffer. The output
   // stays below Utf8ToLibraryText's limit of 2 * aSize + 1024 bytes, so that its first
   // fallback never applies; its last one (output against the unit count) is checked at the
   // end.
   auto* const buffer = reinterpret_cast<unsigned char*>(apBuffer);
   const size_t capacity = std::min(aCapacity, 2 * aSize + 1016);
   size_t read = 0;
   size_t write = 0;
   size_t end = aSize;
   bool moved = capacity <= aSize;
   size_t units = 0;
   while (read < end) {
#if defined(__SSE2__)
      // Sixteen bytes at a time while they are plain ASCII without NUL (most of a file).
      // The block is loaded before it is stored, so that the copy may overlap its source.
      if (end - read >= 16) {
         const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buffer + read));
         const int marks = _mm_movemask_epi8(block) |
                           _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_setzero_si128()));
         if (marks == 0) {
            if (write != read)
               _mm_storeu_si128(reinterpret_cast<__m128i*>(buffer + write), block);
            write += 16;
            read += 16;
            units += 16;
            continue;
         }
      }
#endif
      // Eight bytes at a time while they are plain ASCII without NUL.
      if (end - read >= 8) {
         uint64_t word;
         std::memcpy(&word, buffer + read, 8);
         const uint64_t high = word & 0x8080808080808080ULL;
         const uint64_t zero = (word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL;
         if ((high | zero) == 0) {
            if (write != read)
               std::memcpy(buffer + write, &word, 8);
            write += 8;
            read += 8;
            units += 8;
            continue;
         }
      }
      const unsigned char lead = buffer[read];
      if (lead < 0x80 && lead != 0) {
         buffer[write++] = lead;
         ++read;
         ++units;
         continue;
      }
      char text[16];
      size_t length = 0;
      const int count = DecodeToLibraryBytes(buffer, read, end, text, length);
      if (count == 0)
         return kConvertSourceExhausted;
      units += static_cast<size_t>(count);
      if (write + length > read) {
         const size_t room = capacity - end;
         if (moved || write + length > read + room)
            return kConvertNoRoom;
         std::memmove(buffer + read + room, buffer + read, end - read);
         read += room;
         end += room;
         moved = true;
      }
      std::memcpy(buffer + write, text, length);
      write += length;
   }
   if (write >= 2 * units + 1024)
      return kConvertNoRoom;
   aProduced = write;
   return kConvertOk;
}

uint16_t ParseHexReference(const char* apText, const char* apEnd)
{
   const char* p = apText;
   while (p < apEnd && (*p == ' ' || (*p >= 9 && *p <= 13)))
      ++p;
   bool negative = false;
   if (p < apEnd && (*p == '+' || *p == '-')) {
      negative = *p == '-';
      ++p;
   }
   if (apEnd - p >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && IsHexDigit(p[2]))
      p += 2;
   uint32_t value = 0;
   bool any = false;
   while (p < apEnd && IsHexDigit(*p)) {
      any = true;
      if (value <= 0xFFFF)
         value = value * 16 + static_cast<uint32_t>(HexValue(*p));
      ++p;
   }
   // A negative number reads as a large unsigned one, which is no unit either.
   if (!any || value > 0xFFFF || (negative && value != 0))
      return 0;
   return static_cast<uint16_t>(value);
}

void LibraryTextToUtf16(const char* apData, size_t aCount, std::u16string& aUnits)
{
   aUnits.clear();
   aUnits.reserve(aCount + 16);
   const char* end = apData + aCount;
   for (const char* p = apData; p < end; ++p) {
      if (end - p >= 3 && p[0] == '&' && p[1] == '#' && p[2] == 'x') {
         const uint16_t unit = ParseHexReference(p + 3, end);
         if (unit != 0) {
            const char* semicolon =
                static_cast<const char*>(std::memchr(p + 3, ';', static_cast<size_t>(end - p - 3)));
            p = semicolon != nullptr ? semicolon : end - 1;
            if (unit == 0x0A)
               aUnits.push_back(u'\r');
            aUnits.push_back(static_cast<char16_t>(unit));
            continue;
         }
      }
      if (*p == '\n')
         aUnits.push_back(u'\r');
      aUnits.push_back(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(*p))));
   }
}

bool Utf16ToUtf8(const std::u16string& aUnits, size_t aCapacity, std::string& aBytes)
{
   aBytes.clear();
   aBytes.reserve(aUnits.size() + 16);
   const size_t count = aUnits.size();
   for (size_t k = 0; k < count; ++k) {
      uint32_t value = aUnits[k];
      if (value >= 0xD800 && value <= 0xDBFF && k + 1 < count && aUnits[k + 1] >= 0xDC00 &&
          aUnits[k + 1] <= 0xDFFF) {
         value = 0x10000 + ((value - 0xD800) << 10) + (aUnits[k + 1] - 0xDC00u);
         ++k;
      }
      char bytes[4];
      size_t length;
      if (value < 0x80) {
         bytes[0] = static_cast<char>(value);
         length = 1;
      } else if (value < 0x800) {
         bytes[0] = static_cast<char>(0xC0 | (value >> 6));
         bytes[1] = static_cast<char>(0x80 | (value & 0x3F));
         length = 2;
      } else if (value < 0x10000) {
         bytes[0] = static_cast<char>(0xE0 | (value >> 12));
         bytes[1] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
         bytes[2] = static_cast<char>(0x80 | (value & 0x3F));
         length = 3;
      } else {
         bytes[0] = static_cast<char>(0xF0 | (value >> 18));
         bytes[1] = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
         bytes[2] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
         bytes[3] = static_cast<char>(0x80 | (value & 0x3F));
         length = 4;
      }
      if (aBytes.size() + length > aCapacity)
         return false;
      aBytes.append(bytes, length);
   }
   return true;
}

size_t PlainRunLength(const char* apText, size_t aLength, bool aLineFeedStops)
{
   const char* const end = apText + aLength;
#if defined(__SSE2__) && defined(__GNUC__)
   // Sixteen bytes per step; a last partial step reads the final sixteen bytes again, which
   // is safe because the bytes it repeats are known to be plain.
   if (aLength >= 16) {
      const __m128i zero = _mm_setzero_si128();
      const __m128i amp = _mm_set1_epi8('&');
      const __m128i lf = _mm_set1_epi8(aLineFeedStops ? '\n' : 0);
      // Bit i set: byte i is 0, '&', (a stopping) line feed or from 0x80.
      auto stops = [&](const char* apBlock) {
         const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(apBlock));
         const __m128i marks =
             _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, zero), _mm_cmpeq_epi8(block, amp)),
                          _mm_cmpeq_epi8(block, lf));
         // The mask takes each byte's high bit: the marks and the bytes from 0x80.
         return _mm_movemask_epi8(_mm_or_si128(marks, block));
      };
      for (const char* p = apText;; p += 16) {
         if (end - p < 16) {
            if (p == end)
               return aLength;
            p = end - 16;
         }
         if (const int found = stops(p); found != 0)
            return static_cast<size_t>(p - apText) + static_cast<size_t>(__builtin_ctz(found));
         if (p == end - 16)
            return aLength;
      }
   }
#endif
   const char* p = apText;
   for (; p != end; ++p) {
      const auto c = static_cast<unsigned char>(*p);
      if (c == 0 || c >= 0x80 || c == '&' || (c == '\n' && aLineFeedStops))
         break;
   }
   return static_cast<size_t>(p - apText);
}

bool PlainTextToFileBytes(const char* apData, size_t aCount, bool aUtf16, std::string& arBuffer,
                          size_t& arProduced)
{
   // At most three UTF-8 bytes or two UTF-16 units (CR LF) per byte.
   const size_t needed = aUtf16 ? 4 * aCount : 3 * aCount;
   if (arBuffer.size() < needed)
      arBuffer.resize(needed);
   char* out = &arBuffer[0];
   size_t units = 0;
   const char* const end = apData + aCount;
   const char* p = apData;
   while (p < end) {
      const char* run = p;
#if defined(__SSE2__) && defined(__GNUC__)
      // Sixteen bytes per step are copied (or widened to sixteen units) while they are
      // looked at; a step with a byte that maps otherwise (0, '&', a line feed, from 0x80)
      // keeps the bytes before it. The buffer has room for the whole step: what is left of
      // the input is at least sixteen bytes, and its output may take three or four times as
      // many.
      const __m128i zero = _mm_setzero_si128();
      const __m128i amp = _mm_set1_epi8('&');
      const __m128i lf = _mm_set1_epi8('\n');
      // A line feed becomes CR LF within the loop (its two units counted apart).
      size_t lineFeeds = 0;
      while (end - p >= 16) {
         const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
         const __m128i marks =
             _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, zero), _mm_cmpeq_epi8(block, amp)),
                          _mm_cmpeq_epi8(block, lf));
         const int stops = _mm_movemask_epi8(_mm_or_si128(marks, block));
         const size_t plain = stops != 0 ? static_cast<size_t>(__builtin_ctz(stops)) : 16;
         if (aUtf16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(block, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi8(block, zero));
            out += 2 * plain;
         } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
            out += plain;
         }
         p += plain;
         if (stops == 0)
            continue;
         if (*p != '\n')
            break;
         ++p;
         ++lineFeeds;
         if (aUtf16) {
            std::memcpy(out, "\r\0\n\0", 4);
            out += 4;
         } else {
            std::memcpy(out, "\r\n", 2);
            out += 2;
         }
      }
      units += lineFeeds;
      if (p == run || end - p < 16) {
#endif
         const char* const stop = p + PlainRunLength(p, static_cast<size_t>(end - p), true);
         if (aUtf16) {
            for (; p < stop; ++p) {
               *out++ = *p;
               *out++ = 0;
            }
         } else {
            std::memcpy(out, p, static_cast<size_t>(stop - p));
            out += stop - p;
            p = stop;
         }
#if defined(__SSE2__) && defined(__GNUC__)
      }
#endif
      units += static_cast<size_t>(p - run);
      if (p == end)
         break;
      const auto c = static_cast<unsigned char>(*p++);
      if (c == '&' && end - p >= 2 && p[0] == '#' && p[1] == 'x')
         return false; // a reference: the full conversion resolves it
      if (c == 0 && aUtf16)
         break; // a wide string ends at its first zero unit
      if (c == '\n') {
         ++units;
         *out++ = '\r';
         if (aUtf16)
            *out++ = 0;
      }
      ++units;
      const uint16_t unit = Cp1252ToUnicode(c);
      if (aUtf16) {
         *out++ = static_cast<char>(unit & 0xFF);
         *out++ = static_cast<char>(unit >> 8);
      } else if (unit < 0x80) {
         *out++ = static_cast<char>(unit);
      } else if (unit < 0x800) {
         *out++ = static_cast<char>(0xC0 | (unit >> 6));
         *out++ = static_cast<char>(0x80 | (unit & 0x3F));
      } else {
         *out++ = static_cast<char>(0xE0 | (unit >> 12));
         *out++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
         *out++ = static_cast<char>(0x80 | (unit & 0x3F));
      }
   }
   arProduced = static_cast<size_t>(out - arBuffer.data());
   // Beyond the UTF-8 output limit the full conversion fails as it must.
   return aUtf16 || arProduced <= 2 * units + 1024;
}

bool NeedsEntityEncoding(const std::string& aText)
{
   // The bytes the encoder changes or stops at.
   static constexpr std::array<bool, 256> s_Special = [] {
      std::array<bool, 256> special{};
      for (unsigned char c : {'&', '<', '>', '"', '\'', '\0'})
         special[c] = true;
      return special;
   }();
   for (unsigned char c : aText)
      if (s_Special[c])
         return true;
   return false;
}

void AppendEntityEncoded(std::string& arOut, const std::string& aText)
{
   // Most values hold none of the bytes the encoder changes or stops at.
   if (NeedsEntityEncoding(aText))
      arOut += CXmlParser::EncodeEntities(aText);
   else
      arOut += aText;
}

size_t AnsiWithCrLf(const char* apData, size_t aCount, std::string& arBuffer)
{
   // Built in arBuffer and written at once: the bytes as they are, a CR before each LF.
   if (arBuffer.size() < 2 * aCount)
      arBuffer.resize(2 * aCount);
   char* out = &arBuffer[0];
   const char* p = apData;
   const char* const end = apData + aCount;
#if defined(__SSE2__) && defined(__GNUC__)
   // Sixteen bytes per step are copied while their line feeds are looked for (the buffer
   // has room for a whole step: what is left of the input is at least sixteen bytes).
   const __m128i lineFeed = _mm_set1_epi8('\n');
   while (end - p >= 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
      const int feeds = _mm_movemask_epi8(_mm_cmpeq_epi8(block, lineFeed));
      if (feeds == 0) {
         p += 16;
         out += 16;
         continue;
      }
      const auto plain = static_cast<size_t>(__builtin_ctz(feeds));
      out += plain;
      *out++ = '\r';
      *out++ = '\n';
      p += plain + 1;
   }
#endif
   while (p < end) {
      const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      const char* stop = lf != nullptr ? lf : end;
      std::memcpy(out, p, static_cast<size_t>(stop - p));
      out += stop - p;
      if (lf == nullptr)
         break;
      *out++ = '\r';
      *out++ = '\n';
      p = lf + 1;
   }
   return static_cast<size_t>(out - arBuffer.data());
}

void Utf16LittleEndianBytes(const std::u16string& aUnits, std::string& arBytes)
{
   arBytes.clear();
   arBytes.reserve(2 * aUnits.size());
   for (char16_t unit : aUnits) {
      if (unit == 0)
         break;
      arBytes.push_back(static_cast<char>(unit & 0xFF));
      arBytes.push_back(static_cast<char>(unit >> 8));
   }
}

} // namespace Arvenko::Melvotar::XmlParser
