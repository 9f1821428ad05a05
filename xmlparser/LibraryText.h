// Library text at the API: conversions for callers that hold UTF-8.
//
// Every string of the object model is library text: one Windows-1252 byte per character that
// Windows-1252 has, and every other UTF-16 unit as the text "&#x" + lower-case hex + ";"
// (U+03A9 is "&#x3a9;"; a character beyond U+FFFF is two such references). A UTF-8 string
// handed to a setter as it is would be saved double-encoded: convert it first.
#pragma once

#include <string>

namespace Arvenko::Melvotar::XmlParser {

/// Library text as UTF-8: each byte as its Windows-1252 character, each reference in the
/// form above as the character it stands for (surrogate pairs joined; a lone surrogate
/// gives U+FFFD). Other "&#..." text stays as written.
std::string LibraryToUtf8(const std::string& aText);

/// UTF-8 as library text. A byte that is not part of valid UTF-8 is taken as a Windows-1252
/// character, so Windows-1252 text passes unchanged.
std::string Utf8ToLibrary(const std::string& aUtf8);

} // namespace Arvenko::Melvotar::XmlParser
