#include "xmlparser/XmlParser.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#endif
#if defined(__unix__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "xmlparser/XmlEncoding.h"
#include "xmlparser/XmlInterchange.h"

namespace Arvenko::Melvotar::XmlParser {

namespace {

constexpr bool IsWhiteSpace(char aByte)
{
   return aByte == ' ' || (aByte >= 9 && aByte <= 13);
}

// Ends an unquoted attribute name or value.
constexpr bool IsAttribDelimiter(char aByte)
{
   return IsWhiteSpace(aByte) || aByte == '=' || aByte == '/' || aByte == '>' || aByte == '"' ||
          aByte == '\'';
}

// The byte classes of the plain tag reading, one table lookup per byte: a blank, a byte
// that ends a tag name (blank, "/", ">"), a byte that ends an attribute name.
enum : unsigned char { BC_BLANK = 1, BC_NAME_END = 2, BC_ATTRIB_END = 4 };
constexpr std::array<unsigned char, 256> kByteClasses = [] {
   std::array<unsigned char, 256> classes{};
   for (int c = 0; c < 256; ++c) {
      const char byte = static_cast<char>(c);
      classes[c] = static_cast<unsigned char>(
          (IsWhiteSpace(byte) ? BC_BLANK : 0) |
          (IsWhiteSpace(byte) || byte == '/' || byte == '>' ? BC_NAME_END : 0) |
          (IsAttribDelimiter(byte) ? BC_ATTRIB_END : 0));
   }
   return classes;
}();

inline bool HasClass(char aByte, unsigned char aClass)
{
   return (kByteClasses[static_cast<unsigned char>(aByte)] & aClass) != 0;
}

const char kNoPointerSuffix[] = " - File- und Speicherzeiger ist 0";

// Turns every CR LF and every lone CR into LF in place, as an XML processor sees line ends,
// so that a value read back from a file written with CR LF equals the value written;
// returns the new size.
size_t NormaliseLineEnds(char* apText, size_t aSize)
{
   char* pRead = static_cast<char*>(std::memchr(apText, '\r', aSize));
   if (pRead == nullptr)
      return aSize;
   char* pWrite = pRead;
   for (char* const pEnd = apText + aSize; pRead < pEnd; ++pRead) {
      if (*pRead != '\r')
         *pWrite++ = *pRead;
      else if (pRead + 1 == pEnd || pRead[1] != '\n')
         *pWrite++ = '\n';
   }
   return static_cast<size_t>(pWrite - apText);
}

// The first byte from apFrom on that is no blank, or apEnd. A run of blanks (a line end and
// the indentation of the next line) is mostly shorter than sixteen bytes: one step then.
inline const char* SkipBlanks(const char* apFrom, const char* apEnd)
{
#if defined(__SSE2__) && defined(__GNUC__)
   if (apEnd - apFrom >= 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(apFrom));
      // A blank is " " or a byte from 9 to 13 (an unsigned difference to 9 of at most 4).
      const __m128i shifted = _mm_sub_epi8(block, _mm_set1_epi8(9));
      const __m128i blanks =
          _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8(' ')),
                       _mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(4)), shifted));
      const unsigned others = ~static_cast<unsigned>(_mm_movemask_epi8(blanks)) & 0xFFFFu;
      if (others != 0)
         return apFrom + __builtin_ctz(others);
      apFrom += 16;
   }
#endif
   while (apFrom < apEnd && IsWhiteSpace(*apFrom))
      ++apFrom;
   return apFrom;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

CXmlParser::CXmlParser(const std::string& aFileName, tFileFormat aFormat, bool aWriteMode)
    : m_WriteMode(aWriteMode), m_Format(aFormat), m_FileName(aFileName)
{
   if (aWriteMode)
      OpenForWriting();
   else
      OpenForReading();
}

CXmlParser::CXmlParser(const std::string& aFileName, tFileFormat aFormat, bool aWriteMode,
                       const tXmlTextMode& aMode)
    : m_WriteMode(aWriteMode), m_Format(aFormat), m_FileName(aFileName), m_Mode(aMode)
{
   if (aWriteMode)
      OpenForWriting();
   else
      OpenForReading();
}

CXmlParser::CXmlParser(const std::string& aFileName, tFileFormat aFormat, const tXmlTextMode& aMode,
                       CXmlOutputBuffer& arOutput)
    : m_pOutput(&arOutput), m_WriteMode(true), m_Format(aFormat), m_FileName(aFileName),
      m_Mode(aMode)
{
}

CXmlParser::CXmlParser(char* apBuffer, int32_t aSize, tFileFormat aFormat, bool aWriteMode)
    : m_pBuffer(apBuffer), m_Size(aSize < 0 ? 0 : aSize), m_WriteMode(aWriteMode), m_Format(aFormat)
{
}

CXmlParser::CXmlParser(const char* apBuffer, int32_t aSize, tFileFormat aFormat)
    // A reader never writes through the buffer.
    : CXmlParser(const_cast<char*>(apBuffer), aSize, aFormat, false)
{
}

CXmlParser::~CXmlParser()
{
   if (m_pFile != nullptr)
      std::fclose(m_pFile);
   if (m_OwnsBuffer)
      delete[] m_pBuffer;
}

// Reports the failure (with this parser's file name and line), releases what the
// constructor acquired, and throws. The destructor does not run for a failed constructor.
void CXmlParser::FailConstruction(const char* apMessage)
{
   xml_parser_error error(apMessage, this, 0, 0);
   ReleaseBuffer();
   if (m_pFile != nullptr) {
      std::fclose(m_pFile);
      m_pFile = nullptr;
   }
   throw error;
}

void CXmlParser::ReleaseBuffer()
{
   if (m_OwnsBuffer)
      delete[] m_pBuffer;
   m_pBuffer = nullptr;
   m_OwnsBuffer = false;
   m_Size = 0;
   m_Pos = 0;
   m_DiscardedTo = 0;
   m_LineBaseLine = 1;
}

void CXmlParser::ReleaseInput()
{
   if (m_WriteMode)
      return;
   ReleaseBuffer();
   m_LineCacheBuffer = nullptr;
   m_LineCachePos = 0;
   m_LineCacheLine = 1;
}

namespace {

// The number of line feeds in [apFrom, apTo).
int32_t CountLineFeeds(const char* apFrom, const char* apTo)
{
   size_t count = 0;
#if defined(__SSE2__) && defined(__GNUC__) && defined(__x86_64__)
   // Sixteen bytes per step: each line feed gives a 1 byte, summed into two 64-bit counts
   // (no population count, which needs a library call without its instruction).
   const __m128i lineFeed = _mm_set1_epi8('\n');
   const __m128i one = _mm_set1_epi8(1);
   const __m128i zero = _mm_setzero_si128();
   __m128i sums = zero;
   for (; apTo - apFrom >= 16; apFrom += 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(apFrom));
      const __m128i hits = _mm_and_si128(_mm_cmpeq_epi8(block, lineFeed), one);
      sums = _mm_add_epi64(sums, _mm_sad_epu8(hits, zero));
   }
   count += static_cast<size_t>(_mm_cvtsi128_si64(sums)) +
            static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#endif
   count += static_cast<size_t>(std::count(apFrom, apTo, '\n'));
   return static_cast<int32_t>(count);
}

} // namespace

void CXmlParser::DiscardInput(int32_t aPos)
{
   if (m_WriteMode || !m_OwnsBuffer || m_pBuffer == nullptr || aPos > m_Size ||
       aPos - m_DiscardedTo < kDiscardStep)
      return;
   // The lines up to aPos are counted now, so that GetLine never counts in what goes.
   if (m_LineCacheBuffer != m_pBuffer || m_LineCachePos < m_DiscardedTo) {
      m_LineCacheBuffer = m_pBuffer;
      m_LineCachePos = m_DiscardedTo;
      m_LineCacheLine = m_LineBaseLine;
   }
   int32_t line = 0;
   if (m_LineCachePos <= aPos) {
      line = m_LineCacheLine + CountLineFeeds(m_pBuffer + m_LineCachePos, m_pBuffer + aPos);
      m_LineCachePos = aPos;
      m_LineCacheLine = line;
   } else {
      line = m_LineBaseLine + CountLineFeeds(m_pBuffer + m_DiscardedTo, m_pBuffer + aPos);
   }
#if defined(__unix__) && defined(MADV_DONTNEED)
   // Whole pages inside the part that goes; their content reads as zeros afterwards.
   const long pageSize = sysconf(_SC_PAGESIZE);
   if (pageSize > 0) {
      const auto page = static_cast<uintptr_t>(pageSize);
      const uintptr_t from =
          (reinterpret_cast<uintptr_t>(m_pBuffer + m_DiscardedTo) + page - 1) / page * page;
      const uintptr_t to = reinterpret_cast<uintptr_t>(m_pBuffer + aPos) / page * page;
      if (to > from)
         madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
   }
#endif
   m_DiscardedTo = aPos;
   m_LineBaseLine = line;
}

void CXmlParser::OpenForReading()
{
   m_pFile = std::fopen(m_FileName.c_str(), "rb");
   if (m_pFile == nullptr)
      FailConstruction("CXmlParser::CXmlParser - Fehler beim \xD6"
                       "ffnen der Datei");

   // One block read of the whole file. Sizes beyond the 32-bit range, directories and
   // empty files fail like a failed read.
   long length = -1;
   if (std::fseek(m_pFile, 0, SEEK_END) == 0)
      length = std::ftell(m_pFile);
   if (length <= 0 || length > kMaxFileSize || std::fseek(m_pFile, 0, SEEK_SET) != 0)
      FailConstruction("CXmlParser::CXmlParser - Fehler beim Lesen der Datei");
   // Room behind the file for UTF-8 that its library text makes longer (references), so
   // that the text is converted in the same buffer; never touched otherwise.
   const size_t capacity = static_cast<size_t>(length) + static_cast<size_t>(length) / 16 + 1016;
   m_pBuffer = new char[capacity];
   m_OwnsBuffer = true;
   m_Size = static_cast<int32_t>(length);
   ReadWholeFile();

   if (m_Mode.Conforming) {
      ConvertConforming();
   } else {
      DetectFormat();
      m_Pos = 0;
      const auto* bytes = reinterpret_cast<const unsigned char*>(m_pBuffer);
      size_t produced = 0;
      if (m_Format != FF_UTF8 || IsPlainAscii(bytes, static_cast<size_t>(m_Size))) {
         ConvertToLibraryText();
      } else {
         const int result = Utf8ToLibraryTextInPlace(m_pBuffer, static_cast<size_t>(m_Size),
                                                     capacity, produced);
         if (result == kConvertOk) {
            m_Size = static_cast<int32_t>(produced);
         } else {
            // The text did not fit, or the input ends inside a character: the input is read
            // again and converted into a new buffer, which also reports a failure.
            ReadWholeFile();
            ConvertToLibraryText();
         }
      }
   }
   const char* lineFeed =
       static_cast<const char*>(std::memchr(m_pBuffer, '\n', static_cast<size_t>(m_Size)));
   m_CrLf = lineFeed == nullptr || (lineFeed > m_pBuffer && lineFeed[-1] == '\r');
   m_Size = static_cast<int32_t>(NormaliseLineEnds(m_pBuffer, static_cast<size_t>(m_Size)));
}

void CXmlParser::ReadWholeFile()
{
   if (std::fseek(m_pFile, 0, SEEK_SET) != 0 ||
       std::fread(m_pBuffer, 1, static_cast<size_t>(m_Size), m_pFile) !=
           static_cast<size_t>(m_Size))
      FailConstruction("CXmlParser::CXmlParser - Fehler beim Lesen der Datei");
}

namespace {

bool HasUtf16ByteOrderMark(const char* apBuffer, int32_t aSize)
{
   const auto* bytes = reinterpret_cast<const unsigned char*>(apBuffer);
   return aSize >= 2 &&
          ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF));
}

// The raw value of the encoding attribute of a declaration that is the first start or end
// tag from the parser's position (comments, CDATA and "<!" declarations before it are passed
// over); empty when there is none.
std::string DeclaredEncoding(CXmlParser& arParser)
{
   std::string name;
   tXmlAttribList attribs;
   bool isStart = false, isEnd = false, isCData = false;
   while (true) {
      attribs.clear();
      if (arParser.GetNextTag(name, isStart, isEnd, attribs, isCData) != XP_OK)
         return std::string();
      if (isStart || isEnd)
         break;
   }
   if (name == "?xml")
      for (const tXmlAttrib& attrib : attribs)
         if (attrib.Name == "encoding")
            return attrib.Value;
   return std::string();
}

} // namespace

void CXmlParser::DetectFormat()
{
   if (HasUtf16ByteOrderMark(m_pBuffer, m_Size)) {
      m_Format = FF_UTF16;
      return;
   }
   m_Format = DeclaredEncoding(*this) == "ISO-8859-1" ? FF_ANSI : FF_UTF8;
}

void CXmlParser::ConvertConforming()
{
   const auto* bytes = reinterpret_cast<const unsigned char*>(m_pBuffer);
   const size_t size = static_cast<size_t>(m_Size);
   std::string text;
   if (HasUtf16ByteOrderMark(m_pBuffer, m_Size)) {
      m_Format = FF_UTF16;
      AppendUtf16AsLibraryText(text, bytes + 2, (size - 2) / 2, bytes[0] == 0xFE);
      ReplaceBuffer(text);
      return;
   }
   // A UTF-8 byte order mark decides before any declaration and is no part of the text.
   const size_t skip =
       size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
   m_Pos = 0;
   const std::string declared = skip == 0 ? DeclaredEncoding(*this) : std::string();
   m_Pos = 0;
   const tDeclaredEncoding encoding = declared.empty() ? DE_UTF8 : ResolveEncodingName(declared);
   if (encoding == DE_LATIN1 || encoding == DE_CP1252 || encoding == DE_ASCII) {
      m_Format = FF_ANSI;
      if (encoding == DE_LATIN1) {
         AppendLatin1AsLibraryText(text, bytes, size);
         ReplaceBuffer(text);
      } else if (encoding == DE_ASCII) {
         // Windows-1252 bytes are library text as they are.
         size_t offset = 0;
         while (offset < size && bytes[offset] < 0x80)
            ++offset;
         if (offset == size)
            return;
         m_Pos = static_cast<int32_t>(offset);
         OutputXmlParserError("CXmlParser::CXmlParser - Byte au\xDF"
                              "erhalb von US-ASCII, als Windows-1252 gelesen",
                              this, XP_STRUCTURE, static_cast<int32_t>(offset));
         m_Pos = 0;
      }
      return;
   }
   m_Format = FF_UTF8;
   if (encoding == DE_UNKNOWN) {
      // The name as far as it is a name: a report line holds no line end.
      std::string name;
      for (char c : declared)
         if (c > ' ' && c < 0x7F && name.size() < 64)
            name.push_back(c);
      OutputXmlParserError("CXmlParser::CXmlParser - Kodierung " + name +
                               " unbekannt, als UTF-8 gelesen",
                           this, XP_OTHER, 0);
   }
   if (IsPlainAscii(bytes, size))
      return;
   const size_t invalid = AppendUtf8AsLibraryText(text, bytes + skip, size - skip);
   if (invalid != std::string::npos) {
      m_Pos = static_cast<int32_t>(invalid + skip);
      OutputXmlParserError("CXmlParser::CXmlParser - Ung\xFCltige UTF-8-Bytefolge, als "
                           "Windows-1252 gelesen",
                           this, XP_STRUCTURE, static_cast<int32_t>(invalid + skip));
      m_Pos = 0;
   }
   ReplaceBuffer(text);
}

void CXmlParser::ReplaceBuffer(const std::string& aText)
{
   char* buffer = new char[aText.size() + 1];
   std::memcpy(buffer, aText.data(), aText.size());
   ReplaceBuffer(buffer, aText.size());
}

void CXmlParser::ConvertToLibraryText()
{
   if (m_Format == FF_ANSI)
      return;
   if (m_Format == FF_UTF16) {
      const auto* bytes = reinterpret_cast<const unsigned char*>(m_pBuffer);
      const bool swap = bytes[0] == 0xFE;
      // The text starts after the byte order mark; an odd last byte has no partner and is dropped.
      const size_t unitCount = static_cast<size_t>(m_Size - 2) / 2;
      const size_t capacity = static_cast<size_t>(m_Size) + 1024;
      std::unique_ptr<char[]> output(new char[capacity]);
      size_t produced = 0;
      if (Utf16ToLibraryText(bytes + 2, unitCount, swap, output.get(), capacity, produced) !=
          kConvertOk)
         FailConstruction(
             "CXmlParser::CXmlParser - Puffer f\xFCr Umwandlung Unicode -> Ansi zu klein");
      ReplaceBuffer(output.release(), produced);
      return;
   }

   // UTF-8. Text without any byte from 0x80 and without NUL is its own library text.
   const auto* bytes = reinterpret_cast<const unsigned char*>(m_pBuffer);
   const size_t size = static_cast<size_t>(m_Size);
   if (IsPlainAscii(bytes, size))
      return;
   size_t capacity = 2 * size + 1024;
   std::unique_ptr<char[]> output(new char[capacity]);
   size_t produced = 0;
   // Decoding cannot run out of room (each byte gives at most one UTF-16 unit), so the
   // only failures are a sequence cut off by the end of the file and the output limit.
   const int result = Utf8ToLibraryText(bytes, size, output.get(), capacity, produced);
   if (result == kConvertSourceExhausted)
      FailConstruction(
          "CXmlParser::CXmlParser - Fehler bei Umwandlung UTF8 -> UTF16 (vorzeitiges Quellende)");
   if (result == kConvertBufferTooSmall)
      FailConstruction(
          "CXmlParser::CXmlParser - Puffer f\xFCr Umwandlung Unicode -> Ansi zu klein");
   ReplaceBuffer(output.release(), produced);
}

void CXmlParser::ReplaceBuffer(char* apBuffer, size_t aSize)
{
   ReleaseBuffer();
   m_pBuffer = apBuffer;
   m_OwnsBuffer = true;
   m_Size = static_cast<int32_t>(aSize);
   m_Pos = 0;
}

void CXmlParser::OpenForWriting()
{
   if (m_Format == FF_ANSI || m_Format == FF_UTF8 || m_Format == FF_UTF16)
      m_pFile = std::fopen(m_FileName.c_str(), "wb");
   if (m_pFile == nullptr)
      FailConstruction("CXmlParser::CXmlParser - Fehler beim \xD6"
                       "ffnen der Datei");
   if (m_Format == FF_UTF16) {
      const unsigned char bom[2] = {0xFF, 0xFE};
      std::fwrite(bom, 1, 2, m_pFile);
   }
}

// ---------------------------------------------------------------------------------------------
// Positions and raw reading

void CXmlParser::ThrowNoPointer(const char* apOperation) const
{
   throw xml_parser_error((std::string(apOperation) + kNoPointerSuffix).c_str(), this, 0, 0);
}

int CXmlParser::Read(char* apBuffer, int32_t aCount)
{
   if (m_WriteMode)
      return XP_WRONG_CLASS_MODE;
   if (m_pBuffer == nullptr)
      ThrowNoPointer("CXmlParser::Read");
   if (aCount < 0 || aCount > m_Size - m_Pos)
      return XP_MEM_LENGTH;
   std::memcpy(apBuffer, m_pBuffer + m_Pos, static_cast<size_t>(aCount));
   m_Pos += aCount;
   return XP_OK;
}

int32_t CXmlParser::GetPos()
{
   if (m_pBuffer != nullptr)
      return m_Pos;
   if (m_pFile != nullptr)
      return static_cast<int32_t>(std::ftell(m_pFile));
   ThrowNoPointer("CXmlParser::GetPos");
}

int CXmlParser::SetPos(int32_t aPos)
{
   if (m_pBuffer != nullptr) {
      if (aPos < 0 || aPos > m_Size)
         return XP_MEM_LENGTH;
      m_Pos = aPos;
      return XP_OK;
   }
   if (m_pFile != nullptr)
      return std::fseek(m_pFile, aPos, SEEK_SET) == 0 ? XP_OK : XP_OTHER;
   ThrowNoPointer("CXmlParser::SetPos");
}

int32_t CXmlParser::GetLength()
{
   if (m_pBuffer != nullptr)
      return m_Size;
   if (m_pFile != nullptr) {
      const long pos = std::ftell(m_pFile);
      std::fseek(m_pFile, 0, SEEK_END);
      const long length = std::ftell(m_pFile);
      std::fseek(m_pFile, pos, SEEK_SET);
      return static_cast<int32_t>(length);
   }
   ThrowNoPointer("CXmlParser::GetLength");
}

int32_t CXmlParser::GetLine() const
{
   // A writer over a file has no buffer to count in; its reports leave the line out.
   if (m_pBuffer == nullptr)
      return 0;
   const int32_t pos = m_Pos < m_Size ? m_Pos : m_Size;
   // Reports may come in long runs from a damaged file: continue counting from the last
   // answer instead of from the start whenever the position has not moved back.
   if (pos < m_LineCachePos || m_LineCacheBuffer != m_pBuffer) {
      // Counting starts where the discarded input ends (the start without a discard).
      const bool fromBase = m_LineCacheBuffer == m_pBuffer && pos >= m_DiscardedTo;
      m_LineCachePos = fromBase ? m_DiscardedTo : 0;
      m_LineCacheLine = fromBase ? m_LineBaseLine : 1;
      m_LineCacheBuffer = m_pBuffer;
   }
   const char* p = m_pBuffer + m_LineCachePos;
   const char* end = m_pBuffer + pos;
   int32_t line = m_LineCacheLine;
   while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) !=
          nullptr) {
      ++line;
      ++p;
   }
   m_LineCachePos = pos;
   m_LineCacheLine = line;
   return line;
}

int CXmlParser::SkipWhiteSpace()
{
   if (!m_WriteMode && m_pBuffer != nullptr) {
      while (m_Pos < m_Size && IsWhiteSpace(m_pBuffer[m_Pos]))
         ++m_Pos;
      return XP_OK;
   }
   // Writers and parsers without a buffer answer as their single-byte read does.
   int32_t keep = GetPos();
   char c = 0;
   while (Read(c) == XP_OK && IsWhiteSpace(c))
      keep = GetPos();
   return SetPos(keep);
}

// ---------------------------------------------------------------------------------------------
// Tokens

int CXmlParser::GetNextAttrib(tXmlAttribList& aAttribs)
{
   SkipWhiteSpace();
   int32_t start = GetPos();
   char c = 0;
   if (Read(c) != XP_OK || c == '/' || c == '?' || c == '>') {
      SetPos(start);
      return XP_STRUCTURE;
   }

   aAttribs.emplace_back();
   tXmlAttrib& attrib = aAttribs.back();
   attrib.Name.push_back(c);
   bool haveByte = false;
   if (!m_WriteMode && m_pBuffer != nullptr) {
      // The name in one piece; its delimiter is consumed as the byte-wise read consumes it.
      const char* from = m_pBuffer + m_Pos;
      const char* end = m_pBuffer + m_Size;
      const char* p = from;
      while (p < end && !IsAttribDelimiter(*p))
         ++p;
      attrib.Name.append(from, p);
      haveByte = p < end;
      if (haveByte)
         c = *p++;
      m_Pos = static_cast<int32_t>(p - m_pBuffer);
   } else {
      while ((haveByte = Read(c) == XP_OK) && !IsAttribDelimiter(c))
         attrib.Name.push_back(c);
   }

   if (haveByte && IsWhiteSpace(c)) {
      SkipWhiteSpace();
      haveByte = Read(c) == XP_OK;
   }
   if (!haveByte || c != '=') {
      // An attribute without a value keeps an empty value; the byte after it stays unread.
      if (haveByte)
         SetPos(GetPos() - 1);
      return XP_OK;
   }

   SkipWhiteSpace();
   haveByte = Read(c) == XP_OK;
   if (haveByte && (c == '"' || c == '\'')) {
      const char quote = c;
      if (!m_WriteMode && m_pBuffer != nullptr) {
         const char* from = m_pBuffer + m_Pos;
         const char* to = static_cast<const char*>(
             std::memchr(from, quote, static_cast<size_t>(m_Size - m_Pos)));
         const char* stop = to != nullptr ? to : m_pBuffer + m_Size;
         attrib.Value.assign(from, stop);
         m_Pos = static_cast<int32_t>(stop - m_pBuffer) + (to != nullptr ? 1 : 0);
      } else {
         while (Read(c) == XP_OK && c != quote)
            attrib.Value.push_back(c);
      }
      return XP_OK;
   }

   OutputXmlParserError("CXmlParser::GetNextAttrib - \" oder ' zu " + attrib.Name + " fehlt", this,
                        XP_STRUCTURE, 0);
   if (haveByte) {
      attrib.Value.push_back(c);
      while (Read(c) == XP_OK) {
         if (IsAttribDelimiter(c)) {
            SetPos(GetPos() - 1);
            break;
         }
         attrib.Value.push_back(c);
      }
   }
   return XP_OK;
}

int CXmlParser::GetNextTag(std::string& aName, bool& aIsStart, bool& aIsEnd,
                           tXmlAttribList& aAttribs, bool& aIsCData)
{
   aName.clear();
   aIsStart = aIsEnd = aIsCData = false;
   const int32_t start = GetPos();
   bool nameDone = false;
   bool isComment = false;
   char last = 0;
   char previous = 0;
   char c = 0;
   int result = XP_OK;

   // Skip everything up to the "<".
   if (!m_WriteMode && m_pBuffer != nullptr) {
      const void* lt = std::memchr(m_pBuffer + m_Pos, '<', static_cast<size_t>(m_Size - m_Pos));
      if (lt == nullptr) {
         m_Pos = start;
         return XP_END_REACHED;
      }
      m_Pos = static_cast<int32_t>(static_cast<const char*>(lt) - m_pBuffer) + 1;
      if (m_Mode.Conforming && m_Pos < m_Size &&
          (m_pBuffer[m_Pos] == '?' || m_pBuffer[m_Pos] == '!'))
         return GetNextConformingConstruct(aName, aIsStart, aIsEnd, aAttribs, aIsCData, start);
   } else {
      while ((result = Read(c)) == XP_OK && c != '<') {
      }
      if (result != XP_OK) {
         SetPos(start);
         return result;
      }
   }

   while (true) {
      if ((result = Read(c)) != XP_OK) {
         SetPos(start);
         return result;
      }
      if (c == '>' && !(isComment && !(last == '-' && previous == '-')) &&
          !(aIsCData && !(last == ']' && previous == ']')))
         break;

      if (IsWhiteSpace(c)) {
         if (aName.empty())
            continue;
         if (aIsStart || aIsEnd) {
            nameDone = true;
            while (GetNextAttrib(aAttribs) == XP_OK) {
            }
         } else if (c == '\n') {
            aName += "&#x0a;";
         } else if (c != '\r') {
            aName.push_back(c);
         }
         continue;
      }

      previous = last;
      last = c;
      if (!aName.empty() && !aIsStart && !aIsEnd) {
         // Comment, CDATA section or "<!" declaration: collect the text.
         aName.push_back(c);
         if (aName.size() == 3 && aName == "!--")
            isComment = true;
         else if (aName.size() == 8 && aName == "![CDATA[")
            aIsCData = true;
      } else if (!nameDone) {
         if (aName.empty()) {
            if (c == '/') {
               aIsEnd = true;
            } else {
               aName.push_back(c);
               if (!aIsEnd && c != '!')
                  aIsStart = true;
            }
         } else if (c == '/' || (c == '?' && aName[0] == '?')) {
            aIsEnd = true;
            nameDone = true;
         } else {
            aName.push_back(c);
         }
      }
   }

   if (isComment && last == '-' && previous == '-') {
      aName = aName.size() > 5 ? aName.substr(3, aName.size() - 5) : std::string();
      return XP_OK;
   }
   if (aIsCData && last == ']' && previous == ']') {
      aName = aName.size() > 10 ? aName.substr(8, aName.size() - 10) : std::string();
      return XP_OK;
   }
   if (last == '/' || last == '?')
      aIsEnd = true;
   return XP_OK;
}

int CXmlParser::GetNextTagView(std::string_view& arName, bool& aIsStart, bool& aIsEnd,
                               tXmlAttribViewList& aAttribs, bool& aIsCData)
{
   aAttribs.clear();
   if (!m_WriteMode && m_pBuffer != nullptr && ReadPlainTag(arName, aIsStart, aIsEnd, aAttribs)) {
      aIsCData = false;
      return XP_OK;
   }
   aAttribs.clear();
   m_TagAttribs.clear();
   const int result = GetNextTag(m_TagName, aIsStart, aIsEnd, m_TagAttribs, aIsCData);
   arName = m_TagName;
   for (const tXmlAttrib& attrib : m_TagAttribs)
      aAttribs.push_back({attrib.Name, attrib.Value});
   return result;
}

// The next tag when it is a plain one, read as GetNextTag reads it: "<" or "</", a name
// that begins with an ordinary byte, on a start tag attributes name="value" or name='value'
// (blanks around "=" and between them allowed), blanks, and ">" or "/>". Anything else
// (false) is left to GetNextTag, the position unchanged.
bool CXmlParser::ReadPlainTag(std::string_view& arName, bool& aIsStart, bool& aIsEnd,
                              tXmlAttribViewList& aAttribs)
{
   const char* const end = m_pBuffer + m_Size;
   // The text before a tag was mostly read up to its "<" already.
   const char* p = m_pBuffer + m_Pos;
   if (p >= end || *p != '<')
      p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
   if (p == nullptr)
      return false;
   ++p;
   const bool endTag = p < end && *p == '/';
   if (endTag)
      ++p;
   if (p == end || IsWhiteSpace(*p) || *p == '/' || *p == '>' || *p == '?' || *p == '!')
      return false;
   const char* const name = p;
   while (p < end && !HasClass(*p, BC_NAME_END))
      ++p;
   if (p == end)
      return false;
   arName = std::string_view(name, static_cast<size_t>(p - name));
   // The last byte the tag's own loop reads (attributes are read apart): a closing "/" or
   // "?" makes the tag an end tag as well.
   char last = p[-1];
   while (true) {
      while (p < end && HasClass(*p, BC_BLANK))
         ++p;
      if (p == end)
         return false;
      if (*p == '>' || *p == '/')
         break;
      if (endTag || *p == '?' || IsAttribDelimiter(*p))
         return false;
      const char* const attribName = p;
      while (p < end && !HasClass(*p, BC_ATTRIB_END))
         ++p;
      const std::string_view attrib(attribName, static_cast<size_t>(p - attribName));
      while (p < end && HasClass(*p, BC_BLANK))
         ++p;
      if (p == end || *p != '=')
         return false;
      ++p;
      while (p < end && HasClass(*p, BC_BLANK))
         ++p;
      if (p == end || (*p != '"' && *p != '\''))
         return false;
      const char quote = *p++;
      const char* const close =
          static_cast<const char*>(std::memchr(p, quote, static_cast<size_t>(end - p)));
      if (close == nullptr)
         return false;
      aAttribs.push_back({attrib, std::string_view(p, static_cast<size_t>(close - p))});
      p = close + 1;
   }
   if (*p == '/') {
      if (end - p < 2 || p[1] != '>')
         return false;
      last = '/';
      ++p;
   }
   aIsStart = !endTag;
   aIsEnd = endTag || last == '/' || last == '?';
   m_Pos = static_cast<int32_t>(p + 1 - m_pBuffer);
   return true;
}

namespace {

// The first occurrence of the zero-terminated apPattern in [apFrom, apEnd), or null.
const char* FindSequence(const char* apFrom, const char* apEnd, const char* apPattern)
{
   const size_t length = std::strlen(apPattern);
   for (const char* p = apFrom; apEnd - p >= static_cast<std::ptrdiff_t>(length); ++p) {
      p = static_cast<const char*>(std::memchr(p, apPattern[0], static_cast<size_t>(apEnd - p)));
      if (p == nullptr || apEnd - p < static_cast<std::ptrdiff_t>(length))
         return nullptr;
      if (std::memcmp(p, apPattern, length) == 0)
         return p;
   }
   return nullptr;
}

} // namespace

// A comment, CDATA section or processing instruction whose "<" was read: it ends at its own
// closing sequence, and its text is kept as written.
int CXmlParser::GetNextConformingConstruct(std::string& aName, bool& aIsStart, bool& aIsEnd,
                                           tXmlAttribList& aAttribs, bool& aIsCData, int32_t aStart)
{
   const char* p = m_pBuffer + m_Pos;
   const char* end = m_pBuffer + m_Size;
   const bool comment = end - p >= 3 && std::memcmp(p, "!--", 3) == 0;
   const bool cdata = end - p >= 8 && std::memcmp(p, "![CDATA[", 8) == 0;
   const bool pi = *p == '?';
   if (!comment && !cdata && !pi) {
      // A declaration such as "<!DOCTYPE SCL [...]>": it ends at the first ">" outside
      // quotes and brackets, and its text from the "!" on is kept.
      char quote = 0;
      int depth = 0;
      const char* q = p;
      for (; q < end; ++q) {
         if (quote != 0)
            quote = *q == quote ? 0 : quote;
         else if (*q == '"' || *q == '\'')
            quote = *q;
         else if (*q == '[')
            ++depth;
         else if (*q == ']' && depth > 0)
            --depth;
         else if (*q == '>' && depth == 0)
            break;
      }
      if (q == end) {
         m_Pos = aStart;
         return XP_END_REACHED;
      }
      aName.assign(p, q);
      m_Pos = static_cast<int32_t>(q + 1 - m_pBuffer);
      return XP_OK;
   }
   const char* from = p + (comment ? 3 : pi ? 1 : 8);
   const char* close = FindSequence(from, end, comment ? "-->" : pi ? "?>" : "]]>");
   if (close == nullptr) {
      m_Pos = aStart;
      return XP_END_REACHED;
   }
   m_Pos = static_cast<int32_t>(close - m_pBuffer) + (pi ? 2 : 3);
   if (!pi) {
      aName.assign(from, close);
      aIsCData = !comment;
      return XP_OK;
   }
   aIsStart = aIsEnd = true;
   const char* target = from;
   while (target < close && !IsWhiteSpace(*target))
      ++target;
   aName.assign(1, '?');
   aName.append(from, target);
   if (aName != "?xml") {
      const char* data = target;
      while (data < close && IsWhiteSpace(*data))
         ++data;
      aAttribs.push_back({std::string(), std::string(data, close)});
      return XP_OK;
   }
   // The declaration's pseudo-attributes, read within its delimiters.
   const int32_t size = m_Size;
   const int32_t after = m_Pos;
   m_Size = static_cast<int32_t>(close - m_pBuffer);
   m_Pos = static_cast<int32_t>(target - m_pBuffer);
   while (GetNextAttrib(aAttribs) == XP_OK) {
   }
   m_Size = size;
   m_Pos = after;
   return XP_OK;
}

int CXmlParser::GetNextValue(std::string& aText)
{
   aText.clear();
   int result = XP_NO_VALUE;
   bool pending = false;
   if (!m_WriteMode && m_pBuffer != nullptr) {
      const char* p = m_pBuffer + m_Pos;
      const char* end = m_pBuffer + m_Size;
      // Most runs between two tags are only the line end and indentation.
      const char* blank = SkipBlanks(p, end);
      if (blank == end || *blank == '<') {
         m_Pos = static_cast<int32_t>(blank - m_pBuffer);
         if (blank > p)
            aText.push_back(' ');
         return XP_NO_VALUE;
      }
      const char* lt = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
      const char* stop = lt != nullptr ? lt : end;
      while (p < stop) {
         // Copy runs of non-whitespace in one go; fold each whitespace run to one blank.
         const char* run = p;
         while (p < stop && !IsWhiteSpace(*p))
            ++p;
         if (p > run) {
            if (pending)
               aText.push_back(' ');
            pending = false;
            aText.append(run, p);
            result = XP_OK;
         }
         while (p < stop && IsWhiteSpace(*p)) {
            pending = true;
            ++p;
         }
      }
      m_Pos = static_cast<int32_t>(stop - m_pBuffer);
   } else {
      char c = 0;
      bool atLt = false;
      while (Read(c) == XP_OK) {
         if (c == '<') {
            atLt = true;
            break;
         }
         if (IsWhiteSpace(c)) {
            pending = true;
            continue;
         }
         if (pending)
            aText.push_back(' ');
         pending = false;
         aText.push_back(c);
         result = XP_OK;
      }
      if (atLt)
         SetPos(GetPos() - 1);
   }
   if (pending)
      aText.push_back(' ');
   return result;
}

// ---------------------------------------------------------------------------------------------
// Writing

int CXmlParser::Write(const char* apText)
{
   return Write(apText, static_cast<int32_t>(std::strlen(apText)));
}

int CXmlParser::Write(const char* apData, int32_t aCount)
{
   if (!m_WriteMode)
      return XP_WRONG_CLASS_MODE;
   if (aCount <= 0)
      return XP_OK;
   if (m_pBuffer != nullptr) {
      if (aCount > m_Size - m_Pos)
         return XP_MEM_LENGTH;
      std::memcpy(m_pBuffer + m_Pos, apData, static_cast<size_t>(aCount));
      m_Pos += aCount;
      return XP_OK;
   }
   if (m_pFile == nullptr && m_pOutput == nullptr)
      ThrowNoPointer("CXmlParser::Write");

   if (m_Mode.Conforming) {
      LibraryTextToXmlBytes(apData, static_cast<size_t>(aCount), m_Format, m_Mode.CrLf, m_Bytes);
      if (!PutBytes(m_Bytes.data(), m_Bytes.size()))
         throw xml_parser_error("CXmlParser::Write - Fehler beim Schreiben", this, 0, 0);
      return XP_OK;
   }
   if (m_Format == FF_ANSI) {
      const size_t length = AnsiWithCrLf(apData, static_cast<size_t>(aCount), m_Plain);
      if (!PutBytes(m_Plain.data(), length))
         throw xml_parser_error("CXmlParser::Write - Fehler beim Schreiben", this, 0, 0);
      return XP_OK;
   }

   // Text without references (most lines of a file) maps byte by byte.
   size_t produced = 0;
   if (PlainTextToFileBytes(apData, static_cast<size_t>(aCount), m_Format == FF_UTF16, m_Plain,
                            produced)) {
      if (!PutBytes(m_Plain.data(), produced) && m_Format == FF_UTF8)
         throw xml_parser_error("CXmlParser::Write - Fehler beim Schreiben", this, 0, 0);
      return XP_OK;
   }
   LibraryTextToUtf16(apData, static_cast<size_t>(aCount), m_Units);
   if (m_Format == FF_UTF16) {
      // Written like a wide string: up to the first zero unit; a failure is not reported.
      Utf16LittleEndianBytes(m_Units, m_Bytes);
      PutBytes(m_Bytes.data(), m_Bytes.size());
      return XP_OK;
   }
   // The encoded text may take at most twice the unit count plus 1024 bytes.
   if (!Utf16ToUtf8(m_Units, 2 * m_Units.size() + 1024, m_Bytes))
      throw xml_parser_error(
          "CXmlParser::Write - Fehler bei Umwandlung UTF16 -> UTF8 (vorzeitiges Zielende)", this, 0,
          0);
   if (!PutBytes(m_Bytes.data(), m_Bytes.size()))
      throw xml_parser_error("CXmlParser::Write - Fehler beim Schreiben", this, 0, 0);
   return XP_OK;
}

void CXmlParser::WriteConverted(const char* apData, size_t aCount)
{
   if (m_pFile == nullptr && m_pOutput == nullptr)
      ThrowNoPointer("CXmlParser::Write");
   // Only the plain UTF-16 writing leaves a refused write unreported.
   if (!PutBytes(apData, aCount) && (m_Mode.Conforming || m_Format != FF_UTF16))
      throw xml_parser_error("CXmlParser::Write - Fehler beim Schreiben", this, 0, 0);
}

// Hands converted bytes to the file or the memory output: false when the file refuses them.
bool CXmlParser::PutBytes(const char* apData, size_t aCount)
{
   if (aCount == 0)
      return true;
   if (m_pOutput != nullptr) {
      m_pOutput->Append(apData, aCount);
      return true;
   }
   return std::fwrite(apData, 1, aCount, m_pFile) == aCount;
}

void CXmlOutputBuffer::DropBefore(size_t aOffset)
{
   // Whole blocks only; the appending thread never looks at those again.
   std::lock_guard<std::mutex> lock(m_Mutex);
   // Their memory is filled again by later appends: no new pages to fault in.
   for (; m_Dropped < aOffset / kBlockSize && m_Dropped < m_Blocks.size(); ++m_Dropped)
      m_Spare.push_back(std::move(m_Blocks[m_Dropped]));
}

void CXmlOutputBuffer::Append(const char* apData, size_t aCount)
{
   size_t size = m_Size.load(std::memory_order_relaxed);
   while (aCount > 0) {
      const size_t offset = size % kBlockSize;
      if (offset == 0 && size / kBlockSize == m_Blocks.size()) {
         // Readers look at the list under the lock; this thread alone changes it.
         std::lock_guard<std::mutex> lock(m_Mutex);
         if (!m_Spare.empty()) {
            m_Blocks.push_back(std::move(m_Spare.back()));
            m_Spare.pop_back();
         } else {
            m_Blocks.emplace_back(new char[kBlockSize]); // not cleared: every byte is written
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
            // The block is filled from start to end: its pages mapped in one call instead
            // of a fault each (a hint; an older system refuses it).
            const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
            const auto begin = (reinterpret_cast<uintptr_t>(m_Blocks.back().get()) + page - 1) &
                               ~(page - 1);
            const auto end =
                (reinterpret_cast<uintptr_t>(m_Blocks.back().get()) + kBlockSize) & ~(page - 1);
            if (end > begin)
               madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
         }
      }
      char* const pBlock = m_Blocks[size / kBlockSize].get();
      const size_t count = std::min(aCount, kBlockSize - offset);
      std::memcpy(pBlock + offset, apData, count);
      size += count;
      apData += count;
      aCount -= count;
   }
   // The bytes are in place before the size shows them.
   m_Size.store(size, std::memory_order_release);
}

// ---------------------------------------------------------------------------------------------
// Conversions

std::string CXmlParser::DecodeEntities(const std::string& aText)
{
   return DecodeText(aText, false);
}

std::string CXmlParser::EncodeEntities(const std::string& aText)
{
   // Up to the terminating zero, as for a C string.
   const size_t size = std::strlen(aText.c_str());
   std::string result;
   result.reserve(size + 16);
   for (size_t i = 0; i < size; ++i) {
      const std::string_view entity = EntityOf(aText[i]);
      if (entity.empty())
         result.push_back(aText[i]);
      else
         result += entity;
   }
   return result;
}

std::u16string CXmlParser::Ansi2Unicode(const std::string& aText)
{
   const char* p = aText.c_str();
   const char* end = p + std::strlen(p);
   std::u16string result;
   result.reserve(static_cast<size_t>(end - p));
   while (true) {
      uint16_t unit = 0;
      if (end - p >= 3 && p[0] == '&' && p[1] == '#' && p[2] == 'x')
         unit = ParseHexReference(p + 3, end);
      if (unit != 0) {
         const char* semicolon =
             static_cast<const char*>(std::memchr(p, ';', static_cast<size_t>(end - p)));
         p = semicolon != nullptr ? semicolon : end;
         result.push_back(static_cast<char16_t>(unit));
      } else if (p < end) {
         result.push_back(static_cast<char16_t>(AnsiChar2Unicode(static_cast<unsigned char>(*p))));
      }
      if (p >= end)
         break;
      ++p;
   }
   return result;
}

std::string CXmlParser::Unicode2Ansi(const std::u16string& aText)
{
   std::string result;
   result.reserve(aText.size());
   for (char16_t unit : aText) {
      if (unit == 0)
         break;
      AppendLibraryChar(result, static_cast<uint16_t>(unit));
   }
   return result;
}

uint16_t CXmlParser::AnsiChar2Unicode(unsigned char aByte)
{
   return Cp1252ToUnicode(aByte);
}

unsigned char CXmlParser::UnicodeChar2Ansi(uint16_t aUnit)
{
   return UnicodeToCp1252(aUnit);
}

} // namespace Arvenko::Melvotar::XmlParser
