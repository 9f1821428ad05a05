// Text conversions of the conforming text mode (tXmlTextMode::Conforming), internal to the
// library: files are read and written the way XML processors read and write them.
//
// Library text stays what it is (Windows-1252 bytes, every other UTF-16 unit as "&#x<hex>;").
// A library reference is canonical: lower-case hex digits without leading zeros, naming a
// unit that has no Windows-1252 byte. Only canonical references stand for characters when
// writing; any other "&#..." is text and is written with its "&" escaped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "xmlparser/XmlParser.h"

namespace Arvenko::Melvotar::XmlParser {

/// Character sets an encoding declaration can name, as far as the reader knows them.
enum tDeclaredEncoding { DE_UTF8, DE_UTF16, DE_LATIN1, DE_CP1252, DE_ASCII, DE_UNKNOWN };

/// The character set of an encoding name, compared without regard to case (IANA names and
/// the usual aliases).
tDeclaredEncoding ResolveEncodingName(const std::string& aName);

/// Appends strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) as library
/// text. A byte that does not start a valid sequence is taken alone as a Windows-1252 byte, so
/// it never swallows the bytes behind it. Returns the offset of the first such byte, or
/// std::string::npos when there was none.
size_t AppendUtf8AsLibraryText(std::string& arOut, const unsigned char* apBytes, size_t aSize);

/// Appends ISO-8859-1 as library text: the control characters U+0080..U+009F as references.
void AppendLatin1AsLibraryText(std::string& arOut, const unsigned char* apBytes, size_t aSize);

/// Appends UTF-16 units (little-endian bytes, byte-swapped when aSwap) as library text.
void AppendUtf16AsLibraryText(std::string& arOut, const unsigned char* apBytes, size_t aUnitCount,
                              bool aSwap);

/// The five entities decoded (a name without ";" runs to the end of the text), with
/// aReferences every character reference too, as DecodeXmlText describes; everything else is
/// copied. CXmlParser::DecodeEntities is this without references.
std::string DecodeText(const std::string& aText, bool aReferences);

/// The five entities and every character reference (decimal or hexadecimal, "x" or "X",
/// digits of either case) decoded into library text; a reference to a character that XML
/// does not allow stays as written.
std::string DecodeXmlText(const std::string& aText);

/// Appends text for an attribute value or element content: & < > " escaped, carriage return,
/// line feed and tab as character references, canonical library references kept (they stand
/// for their characters). Stops at a zero byte, like EncodeEntities.
void AppendXmlEscaped(std::string& arOut, const std::string& aText);

/// True when aName is an XML name (XML 1.0, fifth edition) whose characters the format can
/// hold as themselves (ISO-8859-1: up to U+00FF), and a name a reader that knows namespaces
/// takes (one colon at most, with a name on either side).
bool IsXmlName(const std::string& aName, tFileFormat aFormat);
/// aName with every character that may not stand where it stands replaced by "_" (a leading
/// "_" added where the first character of the name or of its local part may only follow;
/// every colon but one between two names replaced); "_" for an empty name.
std::string ToXmlName(const std::string& aName, tFileFormat aFormat);

/// The bytes of library text in a file of aFormat: canonical references as the characters
/// they stand for (UTF-8, UTF-16 little-endian) or as references (ISO-8859-1, where the bytes
/// 0x80..0x9F become references too), each line feed as CR LF when aCrLf, and every character
/// that XML does not allow as U+FFFD. Replaces the contents of arOut.
void LibraryTextToXmlBytes(const char* apData, size_t aCount, tFileFormat aFormat, bool aCrLf,
                           std::string& arOut);

/// The library text of the UTF-16 unit a canonical library reference at apText names, with its
/// length in arLength; 0 when apText holds none.
uint16_t CanonicalReferenceAt(const char* apText, const char* apEnd, size_t& arLength);

} // namespace Arvenko::Melvotar::XmlParser
