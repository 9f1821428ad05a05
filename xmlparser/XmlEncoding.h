// Character conversions of the XML layer (internal to the library).
//
// Library text: Windows-1252 bytes; a UTF-16 unit without a Windows-1252 byte is held as
// "&#x" + lower-case hex + ";".
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace Arvenko::Melvotar::XmlParser {

/// Results of the conversions, numbered as the classic UTF transformations number them.
enum : int {
   kConvertOk = 0,
   kConvertSourceExhausted = 1, ///< a multi-byte sequence runs past the end of the input
   kConvertBufferTooSmall = 4,  ///< a "&#x...;" reference does not fit into the output
   kConvertNoRoom = 8           ///< an in-place conversion gave up; its input is spoiled
};

/// UTF-16 unit of a Windows-1252 byte; '?' for 0x81, 0x8D, 0x8F, 0x90, 0x9D.
uint16_t Cp1252ToUnicode(unsigned char aByte);
/// Windows-1252 byte of a UTF-16 unit; 0 when it has none (unit 0 included).
unsigned char UnicodeToCp1252(uint16_t aUnit);
/// Appends the library text of one unit: its byte, or its "&#x...;" reference.
void AppendLibraryChar(std::string& aText, uint16_t aUnit);

/// True when no byte is 0 or from 0x80: such UTF-8 is already library text.
bool IsPlainAscii(const unsigned char* apBytes, size_t aSize);

/// Converts aUnitCount UTF-16 units (little-endian bytes, byte-swapped when aSwap) into
/// library text in apOut (aCapacity bytes). Stops silently when the output is full;
/// returns kConvertBufferTooSmall when a reference does not fit.
int Utf16ToLibraryText(const unsigned char* apBytes, size_t aUnitCount, bool aSwap, char* apOut,
                       size_t aCapacity, size_t& aProduced);

/// Decodes lenient UTF-8 (no continuation checks, overlong forms accepted) into library
/// text, with the limits of a conversion through a UTF-16 buffer and an output buffer of
/// twice the UTF-16 unit count plus 1024 bytes. apOut must hold 2 * aSize + 1024 bytes.
/// Returns kConvertOk, kConvertSourceExhausted or kConvertBufferTooSmall.
int Utf8ToLibraryText(const unsigned char* apBytes, size_t aSize, char* apOut, size_t aCapacity,
                      size_t& aProduced);

/// Utf8ToLibraryText in place: the aSize bytes at the start of apBuffer (aCapacity bytes)
/// are replaced by their library text, which is Utf8ToLibraryText's to the byte. Returns
/// kConvertOk, kConvertSourceExhausted, or kConvertNoRoom when the text does not fit (or
/// would take Utf8ToLibraryText's fallback): then the buffer holds neither text, and the
/// caller converts a fresh copy of the input with Utf8ToLibraryText.
int Utf8ToLibraryTextInPlace(char* apBuffer, size_t aSize, size_t aCapacity, size_t& aProduced);

/// Value of the hexadecimal number at apText as "%x" reads it (leading whitespace, sign,
/// "0x" prefix); 0 when there is none or it is above 0xFFFF.
uint16_t ParseHexReference(const char* apText, const char* apEnd);

/// Library text to UTF-16 for writing: references resolved, each line feed (byte or
/// "&#x0a;") as CR LF. Replaces the contents of aUnits.
void LibraryTextToUtf16(const char* apData, size_t aCount, std::u16string& aUnits);

/// UTF-16 to UTF-8 (surrogate pairs combined, lone surrogates kept) into aBytes; false
/// when the result would exceed aCapacity bytes.
bool Utf16ToUtf8(const std::u16string& aUnits, size_t aCapacity, std::string& aBytes);

/// Length of the leading run of apText (aLength bytes) in which no byte is 0, '&' or from
/// 0x80, nor, with aLineFeedStops, a line feed: text that every conversion keeps as it is.
size_t PlainRunLength(const char* apText, size_t aLength, bool aLineFeedStops);

/// The file bytes of library text without "&#x" references (each byte is one unit):
/// UTF-8 or, with aUtf16, UTF-16 little-endian up to the first zero unit, each line feed as
/// CR LF, in the first arProduced bytes of arBuffer (grown as needed, never shrunk). False for
/// text that needs the full conversion (references, or UTF-8 beyond the conversion's output
/// limit).
bool PlainTextToFileBytes(const char* apData, size_t aCount, bool aUtf16, std::string& arBuffer,
                          size_t& arProduced);

/// The entity CXmlParser::EncodeEntities writes for aChar, one of & < > " '; empty for every
/// other byte.
inline std::string_view EntityOf(char aChar)
{
   switch (aChar) {
   case '&':
      return "&amp;";
   case '<':
      return "&lt;";
   case '>':
      return "&gt;";
   case '"':
      return "&quot;";
   case '\'':
      return "&apos;";
   default:
      return {};
   }
}

/// True when CXmlParser::EncodeEntities would change aText (an entity character or a zero
/// byte, where it stops).
bool NeedsEntityEncoding(const std::string& aText);

/// Appends aText with the five XML entities encoded, as CXmlParser::EncodeEntities gives it
/// (up to a zero byte), without building a copy when aText needs no encoding.
void AppendEntityEncoded(std::string& arOut, const std::string& aText);

/// 8-bit text with each line feed as CR LF, built at the start of arBuffer (grown as
/// needed, never shrunk); the number of bytes built.
size_t AnsiWithCrLf(const char* apData, size_t aCount, std::string& arBuffer);
/// The bytes of the units little-endian, up to the first zero unit, in arBytes.
void Utf16LittleEndianBytes(const std::u16string& aUnits, std::string& arBytes);

} // namespace Arvenko::Melvotar::XmlParser
