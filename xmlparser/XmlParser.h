// The XML text layer: one object reads or writes XML over a file or a memory buffer.
//
// Reading converts a file once, at construction, into library text: Windows-1252 bytes,
// every other UTF-16 unit as "&#x<hex>;". All reading operations then work on bytes.
// Writing converts library text back into the file's encoding, one call at a time.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "xmlparser/XmlParserError.h"

namespace Arvenko::Melvotar::XmlParser {

/// Encoding of a file: 8-bit ("ISO-8859-1" in the declaration), UTF-8, UTF-16 with BOM.
enum tFileFormat : int32_t { FF_ANSI = 1, FF_UTF8 = 2, FF_UTF16 = 3 };

/// One attribute as read: raw value (quotes removed, entities not decoded).
struct tXmlAttrib {
   std::string Name;
   std::string Value;
};

/// Attributes of a start tag or declaration in document order.
typedef std::vector<tXmlAttrib> tXmlAttribList;

/// One attribute as read, as views into the text being read (or into the parser's own copy
/// of the tag): valid until the parser's next read.
struct tXmlAttribView {
   std::string_view Name;
   std::string_view Value;
};

typedef std::vector<tXmlAttribView> tXmlAttribViewList;

/// How a parser treats text beyond the library's own file conventions. The default is those
/// conventions exactly.
struct tXmlTextMode {
   /// Read and write files as XML processors do. Reading: the encoding declaration decides
   /// (names without regard to case; UTF-8, UTF-16, ISO-8859-1, windows-1252, US-ASCII and
   /// their aliases; others are read as UTF-8 with a report), a byte that is not valid UTF-8
   /// is taken as Windows-1252 with one report, GetNextTag ends comments, CDATA sections,
   /// processing instructions and "<!" declarations at "-->", "]]>", "?>" and the first ">"
   /// outside quotes and brackets and keeps their text as written, and a processing
   /// instruction other than "?xml" returns its data as the one attribute, with an empty
   /// name. Writing to a file: library references become the characters they stand
   /// for (in FF_ANSI: references, as do the bytes 0x80..0x9F), characters XML does not allow
   /// become U+FFFD.
   bool Conforming = false;
   /// Writing to a file: each line feed as CR LF (true) or as LF.
   bool CrLf = true;
};

/// The converted bytes of a writer that keeps its output in memory: blocks that are never
/// moved, so that the output grows without copies. One thread appends; any thread may read
/// the bytes appended so far.
class CXmlOutputBuffer {
 public:
   void Append(const char* apData, size_t aCount);
   /// Bytes appended so far.
   size_t Size() const { return m_Size.load(std::memory_order_acquire); }
   /// The bytes before aOffset are not read again: their memory goes (any thread).
   void DropBefore(size_t aOffset);
   /// Calls aTake(data, size) for the bytes from aFrom to aTo (at most Size()), block by
   /// block.
   template <class TTake> void ForEach(size_t aFrom, size_t aTo, TTake&& aTake) const
   {
      while (aFrom < aTo) {
         const size_t offset = aFrom % kBlockSize;
         const size_t count = std::min(aTo - aFrom, kBlockSize - offset);
         aTake(Block(aFrom / kBlockSize) + offset, count);
         aFrom += count;
      }
   }

 private:
   static constexpr size_t kBlockSize = size_t(4) << 20;
   const char* Block(size_t aIndex) const
   {
      std::lock_guard<std::mutex> lock(m_Mutex);
      return m_Blocks[aIndex].get();
   }
   mutable std::mutex m_Mutex; // guards the list of blocks, not their bytes
   std::vector<std::unique_ptr<char[]>> m_Blocks;
   size_t m_Dropped = 0;          // blocks dropped, under m_Mutex
   std::vector<std::unique_ptr<char[]>> m_Spare; // dropped blocks to fill again, under m_Mutex
   std::atomic<size_t> m_Size{0}; // the bytes before it are written
};

class CXmlParser {
 public:
   /// Reader (aWriteMode false): reads and converts the whole file, detecting its encoding
   /// (aFormat is overwritten); CR LF and lone CR become LF. Writer (true): creates/truncates
   /// the file in aFormat and writes FF FE for FF_UTF16. Throws xml_parser_error when the
   /// file cannot be opened, read or converted.
   CXmlParser(const std::string& aFileName, tFileFormat aFormat, bool aWriteMode);
   /// The same with a text mode for the file's conversion and for the reading operations.
   CXmlParser(const std::string& aFileName, tFileFormat aFormat, bool aWriteMode,
              const tXmlTextMode& aMode);
   /// Writer that converts as a writer over the file aFileName does but appends the bytes to
   /// arOutput (without the FF FE of FF_UTF16) and opens no file; its reports and exceptions
   /// are those of the file writer.
   CXmlParser(const std::string& aFileName, tFileFormat aFormat, const tXmlTextMode& aMode,
              CXmlOutputBuffer& arOutput);
   /// Over a caller-owned buffer of aSize bytes (a writer's capacity); no conversion.
   CXmlParser(char* apBuffer, int32_t aSize, tFileFormat aFormat, bool aWriteMode);
   /// Reader over a caller-owned, read-only buffer of aSize bytes of library text.
   CXmlParser(const char* apBuffer, int32_t aSize, tFileFormat aFormat);
   /// Closes the file; frees the buffer only when it was read from a file.
   ~CXmlParser();

   CXmlParser(const CXmlParser&) = delete;
   CXmlParser& operator=(const CXmlParser&) = delete;

   // ---- reading ----

   /// Copies aCount bytes from the position and advances: 0, 9 past the end (nothing
   /// changes), 10 on a writer. Throws without buffer and file.
   int Read(char* apBuffer, int32_t aCount);
   /// Reads one byte and advances: 0, 12 at the end, 10 on a writer.
   int Read(char& aByte)
   {
      // Inline: the tokenizer reads most bytes of a file through it.
      if (m_WriteMode)
         return XP_WRONG_CLASS_MODE;
      if (m_pBuffer == nullptr)
         ThrowNoPointer("CXmlParser::Read");
      if (m_Pos >= m_Size)
         return XP_END_REACHED;
      aByte = m_pBuffer[m_Pos++];
      return XP_OK;
   }
   /// Offset of the next byte (a file writer: the stream position).
   int32_t GetPos();
   /// Moves the position: 0, 9 beyond the buffer, 14 when a file seek fails.
   int SetPos(int32_t aPos);
   /// Size of the buffer; a file writer: the stream's length.
   int32_t GetLength();
   /// 1-based line of the position; 0 without buffer and file.
   int32_t GetLine() const;
   /// Advances to the next byte that is not whitespace (9..13, 32).
   int SkipWhiteSpace();
   /// Appends one attribute; 2 when none follows (position restored). A value without
   /// quotes is reported and taken up to the next delimiter.
   int GetNextAttrib(tXmlAttribList& aAttribs);
   /// Reads the next markup construct, skipping character data in front of it. Returns 0,
   /// or the failing read's code with the position restored (12 at the end of input).
   int GetNextTag(std::string& aName, bool& aIsStart, bool& aIsEnd, tXmlAttribList& aAttribs,
                  bool& aIsCData);
   /// GetNextTag with the name and attributes as views (see tXmlAttribView), which aAttribs
   /// replaces: a plain start or end tag is read without copying its bytes, any other
   /// construct as GetNextTag reads it.
   int GetNextTagView(std::string_view& arName, bool& aIsStart, bool& aIsEnd,
                      tXmlAttribViewList& aAttribs, bool& aIsCData);
   /// Character data up to the next "<" with each whitespace run folded to one blank:
   /// 0 when it holds a non-whitespace byte, else 4.
   int GetNextValue(std::string& aText);

   // ---- writing ----

   /// Writes aCount bytes of library text, converted to the file's encoding (CR LF for
   /// each line feed): 0, 9 when a memory buffer is full (nothing written), 10 on a
   /// reader. Throws on conversion or write failure.
   int Write(const char* apData, int32_t aCount);
   /// Writes aCount bytes that a writer of the same format and mode has converted (see the
   /// constructor with a CXmlOutputBuffer); fails as Write does when the file refuses them.
   void WriteConverted(const char* apData, size_t aCount);
   /// The buffer a memory-output writer appends to; null for any other parser.
   const CXmlOutputBuffer* GetOutputBuffer() const { return m_pOutput; }
   /// Write of a zero-terminated string.
   int Write(const char* apText);
   /// Write of a string's bytes.
   int Write(const std::string& aText)
   {
      return Write(aText.data(), static_cast<int32_t>(aText.size()));
   }

   // ---- state ----

   /// The text mode; a parser over memory may change it at any time (a file's conversion
   /// happens at construction).
   const tXmlTextMode& GetTextMode() const { return m_Mode; }
   void SetTextMode(const tXmlTextMode& aMode) { m_Mode = aMode; }
   /// Reader over a file: whether its first line end was CR LF (LF otherwise; true when the
   /// file has none).
   bool HasCrLfLineEnds() const { return m_CrLf; }

   tFileFormat GetFileFormat() const { return m_Format; }
   const std::string& GetFileName() const { return m_FileName; }
   /// Reader done with its input: frees the text (a caller's buffer stays the caller's), so
   /// that the memory of a large file is free while its reader goes on with other work. Every
   /// later read finds the end of input; format and line ends keep their answers. A writer
   /// is left as it is.
   void ReleaseInput();
   /// Reading: the caller reads nothing before aPos any more and sets no position before it,
   /// so the memory of the input before aPos may go back to the system (in steps of some
   /// MiB; only input the parser owns). GetLine keeps counting right from aPos on.
   void DiscardBefore(int32_t aPos)
   {
      // Asked at every tag: the call pays off only once per step.
      if (aPos - m_DiscardedTo >= kDiscardStep)
         DiscardInput(aPos);
   }
   bool IsWriteMode() const { return m_WriteMode; }
   /// The text being read (library text after conversion), or a memory writer's buffer.
   const char* GetBuffer() const { return m_pBuffer; }

   // ---- conversions ----

   /// Replaces &amp; &lt; &gt; &quot; &apos;; other entities and references pass unchanged.
   static std::string DecodeEntities(const std::string& aText);
   /// Replaces & < > " ' by their entities (every "&", references included).
   static std::string EncodeEntities(const std::string& aText);
   /// Library text to UTF-16, resolving "&#x...;" references.
   static std::u16string Ansi2Unicode(const std::string& aText);
   /// UTF-16 to library text; units without a Windows-1252 byte become "&#x...;".
   static std::string Unicode2Ansi(const std::u16string& aText);
   /// UTF-16 unit of a Windows-1252 byte; '?' for the five unassigned bytes.
   static uint16_t AnsiChar2Unicode(unsigned char aByte);
   /// Windows-1252 byte of a UTF-16 unit; 0 when it has none.
   static unsigned char UnicodeChar2Ansi(uint16_t aUnit);

 private:
   // Files are addressed with 32-bit offsets.
   static constexpr long kMaxFileSize = 0x7FFFFBFF;
   // Input goes back to the system in steps of this many bytes (a large step keeps the calls
   // to the system rare).
   static constexpr int32_t kDiscardStep = 4 << 20;

   void DiscardInput(int32_t aPos);

   void OpenForReading();
   void ReadWholeFile();
   void OpenForWriting();
   void DetectFormat();
   void ConvertToLibraryText();
   void ConvertConforming();
   int GetNextConformingConstruct(std::string& aName, bool& aIsStart, bool& aIsEnd,
                                  tXmlAttribList& aAttribs, bool& aIsCData, int32_t aStart);
   bool ReadPlainTag(std::string_view& arName, bool& aIsStart, bool& aIsEnd,
                     tXmlAttribViewList& aAttribs);
   void ReplaceBuffer(char* apBuffer, size_t aSize);
   void ReplaceBuffer(const std::string& aText);
   void ReleaseBuffer();
   bool PutBytes(const char* apData, size_t aCount);
   [[noreturn]] void FailConstruction(const char* apMessage);
   [[noreturn]] void ThrowNoPointer(const char* apOperation) const;

   FILE* m_pFile = nullptr;
   CXmlOutputBuffer* m_pOutput = nullptr; // a writer's output in memory instead of m_pFile
   char* m_pBuffer = nullptr;
   int32_t m_Size = 0;
   int32_t m_Pos = 0;
   bool m_WriteMode = false;
   tFileFormat m_Format = FF_UTF8;
   std::string m_FileName;
   bool m_OwnsBuffer = false;
   tXmlTextMode m_Mode;
   bool m_CrLf = true;

   // Last answer of GetLine, so that runs of reports do not count from the start each time.
   mutable const char* m_LineCacheBuffer = nullptr;
   mutable int32_t m_LineCachePos = 0;
   mutable int32_t m_LineCacheLine = 1;
   // DiscardBefore: the input before m_DiscardedTo is gone; m_LineBaseLine is the line there.
   int32_t m_DiscardedTo = 0;
   int32_t m_LineBaseLine = 1;

   // The last tag GetNextTagView read through GetNextTag.
   std::string m_TagName;
   tXmlAttribList m_TagAttribs;

   // Scratch buffers of the file writer, kept between calls.
   std::u16string m_Units;
   std::string m_Bytes;
   std::string m_Plain;
};

} // namespace Arvenko::Melvotar::XmlParser
