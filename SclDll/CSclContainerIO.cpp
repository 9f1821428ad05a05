// Reading an element tree from the XML token stream and writing it back as indented lines.
//
// Both walk the tree with an explicit stack instead of recursion, so the nesting depth of a
// document is limited by memory, not by the call stack.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#if defined(__SSE2__) && defined(__GNUC__)
#include <emmintrin.h>
#endif

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclEdition.h"
#include "SclDll/CSclFile.h"
#include "SclDll/CSclNameTable.h"
#include "SclDll/CSclRef.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclValue.h"
#include "SclDll/SclRefKeyLog.h"
#include "SclDll/SclWalkNames.h"
#include "xmlparser/TextCallback.h"
#include "xmlparser/XmlEncoding.h"
#include "xmlparser/XmlInterchange.h"
#include "xmlparser/XmlParser.h"

namespace Arvenko::Melvotar::Scl {

using XmlParser::CXmlParser;

namespace {

// Stores arText, entities decoded (with aXmlText every character reference too), in apValue
// (if any); arText may be emptied.
void TakeDecoded(CSclValue* apValue, std::string& arText, bool aXmlText)
{
   if (apValue == nullptr)
      return;
   if (arText.find('&') != std::string::npos)
      arText = aXmlText ? XmlParser::DecodeXmlText(arText) : CXmlParser::DecodeEntities(arText);
   apValue->SetValue(std::move(arText));
}

// Stores aText, entities decoded (with aXmlText every character reference too), in apValue
// (if any).
void TakeDecoded(CSclValue* apValue, std::string_view aText, bool aXmlText)
{
   if (apValue == nullptr)
      return;
   std::string text(aText);
   if (aText.find('&') != std::string_view::npos)
      text = aXmlText ? XmlParser::DecodeXmlText(text) : CXmlParser::DecodeEntities(text);
   apValue->SetValue(std::move(text));
}

// Appends a non-blank text run of the token stream as the last child, entities decoded;
// the created text child, null when there was none.
CSclValue* AppendText(CSclContainer* apContainer, CXmlParser* apParser, std::string& arText)
{
   if (apParser->GetNextValue(arText) != 0 || apContainer == nullptr)
      return nullptr;
   CSclValue* pText = apContainer->CreateSclValue(tSclNameId(0), apContainer->GetChildCount());
   TakeDecoded(pText, arText, apParser->GetTextMode().Conforming);
   return pText;
}

// True when the parser's input holds a "<" from its position on: input that ended inside a
// markup construct.
bool InputEndsInMarkup(CXmlParser& arParser)
{
   const char* pBuffer = arParser.GetBuffer();
   if (pBuffer == nullptr || arParser.IsWriteMode())
      return false;
   const int32_t position = arParser.GetPos();
   return std::memchr(pBuffer + position, '<',
                      static_cast<size_t>(arParser.GetLength() - position)) != nullptr;
}

// The text of a value child without a copy where the object allows it; arCopy holds the
// text of any other value class.
const std::string& ValueText(const CScl* apValue, std::string& arCopy)
{
   if (apValue->GetClassId() == CID_VALUE)
      return static_cast<const CSclValue*>(apValue)->GetText();
   arCopy = apValue->GetValue();
   return arCopy;
}

// Values answer by their class id, without a virtual call: most children of a tree are
// attributes.
bool IsValue(const CScl* apScl)
{
   return apScl->GetClassId() == CID_VALUE || apScl->IsClass(CID_VALUE);
}

bool IsAttribute(const CScl* apScl)
{
   return apScl->GetNameId() != 0 && IsValue(apScl);
}

bool IsText(const CScl* apScl)
{
   return apScl->GetNameId() == 0 && IsValue(apScl);
}

// Builds the output lines and hands them to the parser in blocks of many lines: one
// conversion and one write per block instead of per line. The parser's result does not
// depend on where a run of plain lines (bytes 1 to 0x7F, no "&#x" reference) is cut, but a
// line with a byte from 0x80, a zero byte or a reference is converted with limits that count
// per call, so such a line goes to the parser alone, exactly as it would without blocks.
class CLineWriter {
 public:
   explicit CLineWriter(CXmlParser* apParser)
       : m_pParser(apParser), m_Block(kBlockSize + 4096),
         m_XmlText(apParser != nullptr && apParser->GetTextMode().Conforming),
         m_Format(apParser != nullptr ? apParser->GetFileFormat() : XmlParser::FF_UTF8)
   {
   }

   /// Whether the output follows the conforming text mode of the parser: well-formed XML
   /// whatever the tree holds.
   bool XmlText() const { return m_XmlText; }
   XmlParser::tFileFormat Format() const { return m_Format; }
   /// Reference keys are written the way of the interchange option EditionOrder: an empty
   /// key only where it was read (apFile, may be null, remembers that).
   void SetEditionKeys(const CSclFile* apFile)
   {
      m_EditionKeys = true;
      m_pEditionFile = apFile;
   }
   bool EditionKeys() const { return m_EditionKeys; }
   const CSclFile* EditionFile() const { return m_pEditionFile; }
   /// The name id of the empty name (0 unless it was registered), asked once per write.
   tSclNameId EmptyNameId() const { return m_EmptyNameId; }
   /// The name of apScl (names looked up once per write).
   const std::string& NameOf(const CScl* apScl) { return m_Names.Of(*apScl); }
   /// The key text of a reference: taken from the save's checksum walk, else built (in a
   /// buffer the next call reuses).
   const std::string& RefKeyText(const CSclRef& aRef)
   {
      if (m_pKeyLog == nullptr || !m_pKeyLog->Take(&aRef, m_KeyText)) {
         // Beside a checksum walk the text comes after that walk: its target may be in
         // the unit the walk is in.
         if (m_pKeyLog != nullptr && m_pKeyLog->IsShared()) {
            m_pKeyLog->WaitForWalkEnd();
            if (m_pKeyLog->Take(&aRef, m_KeyText))
               return m_KeyText;
         }
         m_KeyText.clear();
         aRef.AppendRefKeyText(m_KeyText);
      }
      return m_KeyText;
   }
   /// Element names without a prefix of their own are written with aPrefix ("p:"): the
   /// prefix under which the file read bound the SCL namespace.
   void SetElementPrefix(const std::string& aPrefix) { m_ElementPrefix = aPrefix; }

   /// Starts a line with aIndent levels of indentation (at most SCL_MAX_WRITE_INDENT).
   void Begin(int aIndent)
   {
      m_LineStart = m_Size;
      const size_t blanks = static_cast<size_t>(std::min(aIndent, SCL_MAX_WRITE_INDENT)) * 3;
      // Sixteen blanks a step (the room reserved takes the last step).
      Reserve(blanks + 16);
      char* const pOut = m_Block.data() + m_Size;
      for (size_t i = 0; i < blanks; i += 16)
         std::memset(pOut + i, ' ', 16);
      m_Size += blanks;
   }
   /// Appends bytes to the line.
   void Put(const char* apText, size_t aLength)
   {
      Reserve(aLength);
      std::memcpy(m_Block.data() + m_Size, apText, aLength);
      m_Size += aLength;
   }
   void Put(const std::string& aText) { Put(aText.data(), aText.size()); }
   void Put(char aChar)
   {
      Reserve(1);
      m_Block[m_Size++] = aChar;
   }
   /// Appends aText with the five XML entities encoded (up to a zero byte, as the parser's
   /// encoder does).
   void PutEncoded(const std::string& aText)
   {
      if (m_XmlText) {
         m_Escaped.clear(); // aText may be m_Copy
         XmlParser::AppendXmlEscaped(m_Escaped, aText);
         Put(m_Escaped);
         return;
      }
      PutEntityEncoded(aText);
   }
   /// Appends an attribute outside the conforming mode: blank, name, '="', the encoded value
   /// and '"', with the room for the closing quote left by the encoding.
   void PutAttribute(const std::string& aName, const std::string& aValue)
   {
      Reserve(aName.size() + 3);
      char* pOut = m_Block.data() + m_Size;
      *pOut = ' ';
      std::memcpy(pOut + 1, aName.data(), aName.size());
      pOut += 1 + aName.size();
      pOut[0] = '=';
      pOut[1] = '"';
      m_Size += aName.size() + 3;
      PutEntityEncoded(aValue);
      m_Block[m_Size++] = '"';
   }
   /// Appends aText with the five XML entities encoded up to its first zero byte, as
   /// CXmlParser::EncodeEntities does, and leaves room for at least sixteen more bytes.
   void PutEntityEncoded(const std::string& aText)
   {
      // Copied while looking for a byte the encoder changes or stops at; from the first
      // such byte on the text is encoded byte by byte.
      const size_t size = aText.size();
      Reserve(size + 16);
      char* const pOut = m_Block.data() + m_Size;
      size_t i = 0;
#if defined(__SSE2__) && defined(__GNUC__)
      // Sixteen bytes per step while none of them is one the encoder changes or stops at
      // (the room reserved takes a whole last step).
      const __m128i zero = _mm_setzero_si128();
      for (; size - i >= 16; i += 16) {
         const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(aText.data() + i));
         const __m128i marks = _mm_or_si128(
             _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, zero),
                                       _mm_cmpeq_epi8(block, _mm_set1_epi8('&'))),
                          _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('<')),
                                       _mm_cmpeq_epi8(block, _mm_set1_epi8('>')))),
             _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('"')),
                          _mm_cmpeq_epi8(block, _mm_set1_epi8('\''))));
         if (_mm_movemask_epi8(marks) != 0)
            break;
         _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + i), block);
      }
#endif
      for (; i < size; ++i) {
         const char c = aText[i];
         if (s_EncoderStops[static_cast<unsigned char>(c)]) {
            m_Size += i;
            PutEncodedFrom(aText, i);
            return;
         }
         pOut[i] = c;
      }
      m_Size += size;
   }
   /// The rest of PutEntityEncoded from aFirst, a byte the encoder changes or stops at: at
   /// most six bytes for each byte.
   void PutEncodedFrom(const std::string& aText, size_t aFirst)
   {
      Reserve(6 * (aText.size() - aFirst) + 16);
      char* pOut = m_Block.data() + m_Size;
      for (size_t i = aFirst; i < aText.size() && aText[i] != 0; ++i) {
         const std::string_view entity = XmlParser::EntityOf(aText[i]);
         if (entity.empty()) {
            *pOut++ = aText[i];
         } else {
            std::memcpy(pOut, entity.data(), entity.size());
            pOut += entity.size();
         }
      }
      m_Size = static_cast<size_t>(pOut - m_Block.data());
   }
   /// Appends an element or attribute name; in the conforming mode made a name XML allows.
   void PutName(const std::string& aName)
   {
      if (m_XmlText && !XmlParser::IsXmlName(aName, m_Format))
         Put(XmlParser::ToXmlName(aName, m_Format));
      else
         Put(aName);
   }
   /// Appends an element name, with the element prefix where it has none of its own.
   void PutElementName(const std::string& aName)
   {
      if (!m_ElementPrefix.empty() && aName.find(':') == std::string::npos &&
          (aName.empty() || aName[0] != '?'))
         Put(m_ElementPrefix);
      PutName(aName);
   }
   /// Ends the line with its line feed; without parser the line is dropped.
   void Emit()
   {
      if (m_pParser == nullptr) {
         m_Size = m_LineStart;
         return;
      }
      Put('\n');
      m_LineEnds.push_back(m_Size);
      if (m_Size >= kBlockSize)
         Flush();
   }
   /// Writes the lines collected so far: runs of plain lines in one call each, every other
   /// line in a call of its own.
   void Flush()
   {
      if (m_Size == 0 || m_pParser == nullptr)
         return;
      const char* const pBlock = m_Block.data();
      // An 8-bit file in the library's own conventions converts every line alike (bytes as
      // they are, CR LF), without limits per call: the whole block goes in one call.
      if (m_WholeBlocks && m_pParser->Write(pBlock, static_cast<int32_t>(m_Size)) == 0) {
         m_Size = 0;
         m_LineStart = 0;
         m_LineEnds.clear();
         return;
      }
      size_t written = 0; // lines before this offset are written
      size_t line = 0;    // index in m_LineEnds of the first line not written
      for (size_t p = 0;;) {
         p += XmlParser::PlainRunLength(pBlock + p, m_Size - p, false);
         if (p < m_Size && pBlock[p] == '&' &&
             !(m_Size - p > 2 && pBlock[p + 1] == '#' && pBlock[p + 2] == 'x')) {
            ++p; // an entity: plain
            continue;
         }
         // The line that holds offset p (the block ends with a line's end).
         size_t last = line;
         while (last < m_LineEnds.size() && m_LineEnds[last] <= p)
            ++last;
         WriteLines(line, last, written);
         if (p == m_Size)
            break;
         const size_t end = m_LineEnds[last];
         WriteOne(pBlock + written, end - written);
         written = p = end;
         line = last + 1;
      }
      m_Size = 0;
      m_LineStart = 0;
      m_LineEnds.clear();
   }
   /// One line at aIndent for a remark (raw, in its delimiters) or a value (encoded);
   /// with aSkipEmpty nothing when the text is empty.
   void EmitContentLine(const CScl* apChild, int aIndent, bool aSkipEmpty)
   {
      if (apChild->IsClass(CID_REMARK)) {
         const auto* pRemark = static_cast<const CSclRemark*>(apChild);
         if (aSkipEmpty && pRemark->GetText().empty())
            return;
         Begin(aIndent);
         Put(pRemark->IsCData() ? std::string("<![CDATA[") : std::string("<!--"));
         if (m_XmlText)
            PutRemarkText(pRemark->GetText(), pRemark->IsCData());
         else
            Put(pRemark->GetText());
         Put(pRemark->IsCData() ? std::string("]]>") : std::string("-->"));
      } else {
         const std::string& text = ValueText(apChild, m_Copy);
         if (aSkipEmpty && text.empty())
            return;
         Begin(aIndent);
         PutEncoded(text);
      }
      Emit();
   }

 private:
   static constexpr size_t kBlockSize = 64 * 1024;
   // The bytes CXmlParser::EncodeEntities changes or stops at.
   static constexpr std::array<bool, 256> s_EncoderStops = [] {
      std::array<bool, 256> stops{};
      for (unsigned char c : {'&', '<', '>', '"', '\'', '\0'})
         stops[c] = true;
      return stops;
   }();

   /// Comment text without "--" and without a "-" at its end; CDATA text with each "]]>"
   /// split over two sections.
   void PutRemarkText(const std::string& aText, bool aCData)
   {
      for (size_t i = 0; i < aText.size(); ++i) {
         if (aCData && aText.compare(i, 3, "]]>") == 0) {
            Put("]]]]><![CDATA[>", 15);
            i += 2;
            continue;
         }
         Put(aText[i]);
         if (!aCData && aText[i] == '-' && (i + 1 == aText.size() || aText[i + 1] == '-'))
            Put(' ');
      }
   }

   /// Writes the plain lines aFirst to aLast (exclusive) from offset arWritten in one call.
   /// Refused as a whole (a memory target too small), they go line by line, so that the
   /// lines that fit are written and the first that does not reports the failure.
   void WriteLines(size_t aFirst, size_t aLast, size_t& arWritten)
   {
      if (aFirst == aLast)
         return;
      const size_t end = m_LineEnds[aLast - 1];
      if (m_pParser->Write(m_Block.data() + arWritten, static_cast<int32_t>(end - arWritten)) !=
          0) {
         for (size_t i = aFirst; i < aLast; ++i) {
            WriteOne(m_Block.data() + arWritten, m_LineEnds[i] - arWritten);
            arWritten = m_LineEnds[i];
         }
      }
      arWritten = end;
   }

   // Inline, as most calls find the room there; growing is rare and stays out of line.
   void Reserve(size_t aLength)
   {
      if (m_Block.size() - m_Size < aLength)
         Grow(aLength);
   }
#if defined(__GNUC__)
   __attribute__((noinline))
#endif
   void Grow(size_t aLength)
   {
      m_Block.resize(std::max(2 * m_Block.size(), m_Size + aLength));
   }

   void WriteOne(const char* apData, size_t aLength)
   {
      if (m_pParser->Write(apData, static_cast<int32_t>(aLength)) != 0)
         throw scl_error("IO-Fehler beim Schreiben !", SE_IO, nullptr, 0);
   }

   CXmlParser* m_pParser;
   std::vector<char> m_Block; // lines not yet written, in its first m_Size bytes
   size_t m_Size = 0;
   std::vector<size_t> m_LineEnds; // where each line of the block ends
   size_t m_LineStart = 0;         // where the line being built starts
   std::string m_Copy;             // the text of a value that is not held as text
   std::string m_Escaped;          // a text escaped in the conforming mode
   bool m_XmlText;
   XmlParser::tFileFormat m_Format;
   bool m_EditionKeys = false;
   const CSclFile* m_pEditionFile = nullptr;
   std::string m_ElementPrefix;
   CSclWalkNames m_Names;
   tSclNameId m_EmptyNameId = CSclNameTable::FindNameId(std::string());
   std::string m_KeyText; // the key text of a reference
   CSclRefKeyLog* m_pKeyLog = CSclRefKeyLog::Active();
   bool m_WholeBlocks = m_pParser != nullptr && m_pParser->IsWriteMode() &&
                        m_pParser->GetBuffer() == nullptr && !m_XmlText &&
                        m_Format == XmlParser::FF_ANSI;
};

// The attribute names of one start tag in the conforming mode, where a name may be written
// once only.
class CTagNames {
 public:
   /// False when aName was written already.
   bool Add(const std::string& aName)
   {
      if (m_Set.empty()) {
         for (const std::string& name : m_List)
            if (name == aName)
               return false;
         m_List.push_back(aName);
         if (m_List.size() > 16)
            m_Set.insert(m_List.begin(), m_List.end());
         return true;
      }
      return m_Set.insert(aName).second;
   }

 private:
   std::vector<std::string> m_List;
   std::unordered_set<std::string> m_Set;
};

// One attribute in the conforming mode: its name as XML allows it, once per tag.
void PutXmlAttribute(CLineWriter& arWriter, CTagNames& arNames, const std::string& aName,
                     const std::string& aValue)
{
   const std::string name = XmlParser::IsXmlName(aName, arWriter.Format())
                                ? aName
                                : XmlParser::ToXmlName(aName, arWriter.Format());
   if (!arNames.Add(name))
      return;
   arWriter.Put(' ');
   arWriter.Put(name);
   arWriter.Put("=\"", 2);
   arWriter.PutEncoded(aValue);
   arWriter.Put('"');
}

// The key attributes of a reference (" name=\"value\"" with the five entities encoded) in the
// conforming mode.
void PutXmlRefKeys(CLineWriter& arWriter, CTagNames& arNames, const std::string& aKeyText)
{
   SclSplitRefKeyText(aKeyText, [&](const std::string& aName, const std::string& aValue) {
      PutXmlAttribute(arWriter, arNames, aName, CXmlParser::DecodeEntities(aValue));
   });
}

// A processing instruction in the conforming mode: an element whose name begins with "?",
// its attributes as pseudo-attributes, its first text as its data.
void WriteProcessingInstruction(const CSclContainer& aElement, int aIndent, CLineWriter& arWriter)
{
   std::string target = aElement.GetSclName().substr(1);
   if (!XmlParser::IsXmlName(target, arWriter.Format()))
      target = XmlParser::ToXmlName(target, arWriter.Format());
   if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
       (target[2] | 0x20) == 'l')
      target.insert(0, 1, '_'); // reserved for the declaration
   arWriter.Begin(aIndent);
   arWriter.Put("<?", 2);
   arWriter.Put(target);
   CTagNames names;
   std::string copy;
   const CScl* pData = nullptr;
   for (int i = 0; i < aElement.GetChildCount(); ++i) {
      const CScl* pChild = aElement.GetChild(i);
      if (IsAttribute(pChild))
         PutXmlAttribute(arWriter, names, pChild->GetSclName(), ValueText(pChild, copy));
      else if (pData == nullptr && IsText(pChild))
         pData = pChild;
   }
   if (pData != nullptr) {
      std::string data = ValueText(pData, copy);
      for (size_t at = data.find("?>"); at != std::string::npos; at = data.find("?>", at))
         data.insert(at + 1, 1, ' ');
      arWriter.Put(' ');
      arWriter.Put(data);
   }
   arWriter.Put("?>", 2);
   arWriter.Emit();
}

// The declaration in the conforming mode: version 1.0, the encoding of the output, and the
// standalone flag of apDeclaration (may be null) when it is one XML knows.
void WriteXmlDeclaration(const CSclContainer* apDeclaration, CLineWriter& arWriter)
{
   arWriter.Begin(0);
   arWriter.Put("<?xml version=\"1.0\" encoding=\"");
   arWriter.Put(arWriter.Format() == XmlParser::FF_ANSI    ? "ISO-8859-1"
                : arWriter.Format() == XmlParser::FF_UTF16 ? "UTF-16"
                                                           : "UTF-8");
   arWriter.Put('"');
   const tSclNameId standaloneId = CSclNameTable::FindNameId("standalone");
   const std::string standalone = apDeclaration != nullptr && standaloneId != 0
                                      ? apDeclaration->GetValue(standaloneId)
                                      : std::string();
   if (standalone == "yes" || standalone == "no") {
      arWriter.Put(" standalone=\"");
      arWriter.Put(standalone);
      arWriter.Put('"');
   }
   arWriter.Put("?>", 2);
   arWriter.Emit();
}

// One attribute or reference key of a start tag: name id, name, value (decoded) and whether
// it is a key of a reference.
struct tTagItem {
   tSclNameId id;
   std::string name;
   std::string value;
   bool key;
};

// Writes the items of a start tag: the attributes in their order in the tree, and each
// reference key named in apReadOrder (may be null) behind the attribute it followed when
// read (before all of them when it came first); the keys not named there last. An element
// not edited since it was read so gets its order as read, and one whose attributes were
// reordered since (as a pack sorts them) gets the order of its tree, which the checksum
// covers.
void PutTagItems(CLineWriter& arWriter, CTagNames& arNames, const std::vector<tTagItem>& aItems,
                 const std::vector<tSclNameId>* apReadOrder)
{
   auto put = [&](const tTagItem& aItem) {
      if (arWriter.XmlText()) {
         PutXmlAttribute(arWriter, arNames, aItem.name, aItem.value);
         return;
      }
      arWriter.Put(' ');
      arWriter.Put(aItem.name);
      arWriter.Put("=\"", 2);
      arWriter.PutEncoded(aItem.value);
      arWriter.Put('"');
   };
   // after[i]: the item that precedes item i when written, as an index shifted by one
   // (0: at the front); keys the read order does not name stay unplaced.
   constexpr size_t UNPLACED = static_cast<size_t>(-1);
   std::vector<size_t> after(aItems.size(), UNPLACED);
   if (apReadOrder != nullptr) {
      std::vector<bool> seen(aItems.size(), false);
      size_t anchor = 0;
      for (tSclNameId id : *apReadOrder)
         for (size_t i = 0; i < aItems.size(); ++i)
            if (!seen[i] && aItems[i].id == id && id != 0) {
               seen[i] = true;
               if (aItems[i].key)
                  after[i] = anchor;
               else
                  anchor = i + 1;
               break;
            }
   }
   // The keys are placed in the read order; an item list is short, so the scans stay cheap.
   auto putKeysAfter = [&](size_t aAnchor) {
      if (apReadOrder == nullptr)
         return;
      for (tSclNameId id : *apReadOrder)
         for (size_t i = 0; i < aItems.size(); ++i)
            if (aItems[i].key && aItems[i].id == id && after[i] == aAnchor) {
               put(aItems[i]);
               after[i] = UNPLACED - 1; // written
               break;
            }
   };
   putKeysAfter(0);
   for (size_t i = 0; i < aItems.size(); ++i)
      if (!aItems[i].key) {
         put(aItems[i]);
         putKeysAfter(i + 1);
      }
   for (size_t i = 0; i < aItems.size(); ++i)
      if (aItems[i].key && after[i] == UNPLACED)
         put(aItems[i]);
}

// Writes the start tag of aElement with its attributes and reference keys. An element
// whose content fits on the line (nothing, a reference's content or its only text) is
// finished there; returns true when its children and end tag must follow.
bool WriteStartTag(const CSclContainer& aElement, int aIndent, CLineWriter& arWriter)
{
   const std::string& name = arWriter.NameOf(&aElement);
   const bool xmlText = arWriter.XmlText();
   if (xmlText && !name.empty() && name[0] == '?') {
      WriteProcessingInstruction(aElement, aIndent, arWriter);
      return false;
   }
   CTagNames names;
   arWriter.Begin(aIndent);
   arWriter.Put('<');
   arWriter.PutElementName(name);
   const int count = aElement.GetChildCount();
   int inTag = 0; // attributes and references
   std::string content;
   std::string copy;
   const CScl* pText = nullptr;
   // EditionOrder: the attributes and keys, written after the loop in the order read.
   const bool editionKeys = arWriter.EditionKeys();
   std::vector<tTagItem> items;
   const std::vector<tSclNameId>* pReadOrder = nullptr;
   for (int i = 0; i < count; ++i) {
      const CScl* pChild = aElement.GetChild(i);
      // Each child is asked what it is once: the class id answers for plain values, most of
      // the children, without a virtual call.
      const bool isValue = IsValue(pChild);
      const bool isAttribute = isValue && pChild->GetNameId() != 0;
      if (isAttribute && editionKeys) {
         ++inTag;
         items.push_back(
             {pChild->GetNameId(), pChild->GetSclName(), ValueText(pChild, copy), false});
      } else if (isAttribute && xmlText) {
         ++inTag;
         PutXmlAttribute(arWriter, names, pChild->GetSclName(), ValueText(pChild, copy));
      } else if (isAttribute) {
         ++inTag;
         arWriter.PutAttribute(arWriter.NameOf(pChild), ValueText(pChild, copy));
      } else if (isValue && (pChild->GetClassId() == CID_VALUE || !pChild->IsClass(CID_REF))) {
         if (pText == nullptr)
            pText = pChild; // a text: the name id is 0
      } else if (pChild->IsClass(CID_REF)) {
         ++inTag;
         const auto* pRef = static_cast<const CSclRef*>(pChild);
         if (editionKeys) {
            SclForEachWrittenRefKey(*pRef, arWriter.EditionFile(), true,
                                    [&](const std::string& aKey, const std::string& aValue) {
                                       items.push_back({CSclNameTable::FindNameId(aKey), aKey,
                                                        CXmlParser::DecodeEntities(aValue),
                                                        true});
                                    });
            if (pReadOrder == nullptr && arWriter.EditionFile() != nullptr)
               pReadOrder = arWriter.EditionFile()->GetReadAttributes(pRef->PeekRefHandle());
         } else if (xmlText)
            PutXmlRefKeys(arWriter, names, arWriter.RefKeyText(*pRef));
         else
            arWriter.Put(arWriter.RefKeyText(*pRef));
         content = pRef->IsClass(CID_IEDRef) ? pRef->GetContent() : pRef->GetValue(arWriter.EmptyNameId());
      }
   }
   if (editionKeys)
      PutTagItems(arWriter, names, items, pReadOrder);
   if (inTag == count && content.empty()) {
      arWriter.Put(!name.empty() && name[0] == '?' ? "?>" : "/>", 2);
   } else if (!content.empty() || (count - inTag == 1 && pText != nullptr)) {
      arWriter.Put('>');
      arWriter.PutEncoded(!content.empty() ? content : ValueText(pText, copy));
      arWriter.Put("</", 2);
      arWriter.PutElementName(name);
      arWriter.Put('>');
   } else {
      arWriter.Put('>');
      arWriter.Emit();
      return true;
   }
   arWriter.Emit();
   return false;
}

// The order in which the children of aElement, of type aType in aEdition, are written with
// the interchange option EditionOrder; empty when it is their order in the tree.
std::vector<int> EditionWriteOrder(const CSclContainer& aElement, tSclEdition aEdition, int aType)
{
   const int count = aElement.GetChildCount();
   std::vector<int32_t> keys(static_cast<size_t>(count));
   int32_t previous = 2;
   bool sorted = true;
   for (int i = 0; i < count; ++i) {
      const CScl* pChild = aElement.GetChild(i);
      const int32_t key =
          CSclEdition::OrderKey(aEdition, aType, *pChild, pChild->GetSclName(), previous);
      sorted = sorted && key >= previous;
      keys[static_cast<size_t>(i)] = previous = key;
   }
   std::vector<int> order;
   if (sorted)
      return order;
   order.resize(static_cast<size_t>(count));
   for (int i = 0; i < count; ++i)
      order[static_cast<size_t>(i)] = i;
   std::stable_sort(order.begin(), order.end(), [&keys](int aLeft, int aRight) {
      return keys[static_cast<size_t>(aLeft)] < keys[static_cast<size_t>(aRight)];
   });
   return order;
}

} // namespace

void CSclContainer::Read(CXmlParser* apParser)
{
   std::string text;
   // The name and attributes of the tag read last, as views into the parser's text.
   std::string_view name;
   XmlParser::tXmlAttribViewList attribs;
   bool isStart = false;
   bool isEnd = false;
   bool isCData = false;

   CSclFile* pFile = IsClass(CID_FILE) ? static_cast<CSclFile*>(this) : nullptr;
   const bool xmlText = apParser->GetTextMode().Conforming;
   int repairs = 0;
   if (pFile != nullptr) {
      pFile->SetLoading(true);
      apParser->GetNextValue(text); // text before the first markup is dropped
   }

   // One entry per element being read: the recursion of the element reader made explicit.
   // A null container stands for an element that could not be created; its content is
   // skipped. insideScl: the element is or lies below an SCL element. The children the
   // reader appends to an element (from firstChild on) take their schema places when the
   // element ends: one sort per element instead of one per child, which costs the square of
   // their number when they arrive against schema order.
   struct tFrame {
      CSclContainer* pContainer;
      bool insideScl;
      bool sorts;        // the element orders its children by schema
      size_t firstChild; // the first child appended by the reader
      size_t firstKey;   // where its creation key stands in createdKeys
      int editionType = -1;  // its type in the file's edition (EditionOrder)
      int32_t lastKey = 2;   // the key of its last arrival (EditionOrder)
   };
   std::vector<tFrame> stack;
   // The order key every appended child had when it was created, for the elements on the
   // stack that sort, stacked like them.
   std::vector<int32_t> createdKeys;
   const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance();
   // With the interchange option EditionOrder the children take the order of the file's
   // edition instead, and what the edition does not list keeps its place as read.
   const auto* pOwnerFile = static_cast<const CSclFile*>(GetSclFile());
   const bool editionOrder =
       pOwnerFile != nullptr && pOwnerFile->GetInterchange().EditionOrder;
   tSclEdition edition = editionOrder ? CSclEdition::Of(*this) : SCL_EDITION_2007B4;
   auto open = [&](CSclContainer* apContainer, bool aInsideScl) {
      const bool sorts =
          apContainer != nullptr && pInfo != nullptr && !apContainer->IsClass(CID_FILE);
      const size_t first = apContainer != nullptr ? apContainer->m_Children.size() : 0;
      int editionType = -1;
      if (editionOrder && apContainer != nullptr) {
         if (apContainer->IsClass(CID_SCL)) {
            edition = CSclEdition::OfScl(apContainer);
            editionType = CSclEdition::RootType(edition);
         } else if (stack.empty()) {
            editionType = CSclEdition::TypeOf(edition, *apContainer);
         } else if (const tSclEditionChild* pListed = CSclEdition::FindChild(
                        edition, stack.back().editionType, apContainer->GetSclName())) {
            editionType = pListed->Type;
         }
      }
      stack.push_back({apContainer, aInsideScl, sorts, first, createdKeys.size(), editionType});
   };
   // The open elements below this index have no child waiting for its place: a run of
   // reports deep down settles each element once, not once per report.
   size_t settledFrames = 0;
   // Notes the creation key of apChild, just appended to the innermost open element;
   // apName: the name of an element being read.
   auto arrived = [&](const CScl* apChild, std::string_view aName = std::string_view()) {
      tFrame& top = stack.back();
      if (apChild != nullptr && top.sorts) {
         if (editionOrder) {
            top.lastKey = CSclEdition::OrderKey(edition, top.editionType, *apChild,
                                                std::string(aName),
                                                top.lastKey);
            createdKeys.push_back(top.lastKey);
         } else {
            createdKeys.push_back(pInfo->GetChildOrderKey(top.pContainer, apChild));
         }
         settledFrames = std::min(settledFrames, stack.size() - 1);
      }
   };
   // The arrivals from aFirst on in the order of their keys, equal keys as they came.
   auto sortByKeys = [](CSclContainer& arElement, size_t aFirst, const int32_t* apKeys,
                        size_t aKeyCount) {
      if (std::is_sorted(apKeys, apKeys + aKeyCount))
         return;
      std::vector<std::pair<int32_t, CScl*>> arrivals;
      arrivals.reserve(aKeyCount);
      for (size_t i = 0; i < aKeyCount; ++i)
         arrivals.emplace_back(apKeys[i], arElement.m_Children[aFirst + i]);
      std::stable_sort(arrivals.begin(), arrivals.end(),
                       [](const auto& aLeft, const auto& aRight) { return aLeft.first < aRight.first; });
      for (size_t i = 0; i < aKeyCount; ++i) {
         arElement.m_Children[aFirst + i] = arrivals[i].second;
         arrivals[i].second->m_IndexHint = static_cast<uint32_t>(aFirst + i);
      }
   };
   // Puts the children appended to the element of aFrame, the innermost one with appended
   // children, in their places.
   auto settle = [&](const tFrame& aFrame) {
      if (aFrame.sorts && editionOrder)
         sortByKeys(*aFrame.pContainer, aFrame.firstChild, createdKeys.data() + aFrame.firstKey,
                    createdKeys.size() - aFrame.firstKey);
      else if (aFrame.sorts)
         aFrame.pContainer->SortArrivals(aFrame.firstChild, createdKeys.data() + aFrame.firstKey,
                                         createdKeys.size() - aFrame.firstKey);
      createdKeys.resize(aFrame.firstKey);
   };
   // Before a report: every open element shows its children in their places, as the
   // location path of the report counts siblings and the receiver may look at the tree.
   auto settleAll = [&]() {
      if (GetTextCallbackFunction() == nullptr)
         return;
      for (size_t k = stack.size(); k-- > settledFrames;)
         settle(stack[k]);
      for (size_t k = settledFrames; k < stack.size(); ++k) {
         tFrame& entry = stack[k];
         entry.firstChild = entry.pContainer != nullptr ? entry.pContainer->m_Children.size() : 0;
         entry.firstKey = 0;
      }
      settledFrames = stack.size();
   };

   open(this, IsClass(CID_SCL) || GetParent(CID_SCL) != nullptr);
   // A file read as XML processors read it may bind the SCL namespace to a prefix on its
   // root element (<p:SCL xmlns:p="...">): its elements are read without the prefix, which
   // the file keeps for its saves.
   std::string sclPrefix;
   auto takeOffSclPrefix = [&](std::string_view& arName) {
      if (pFile == nullptr || !xmlText)
         return;
      if (sclPrefix.empty() && stack.size() == 1 && arName.size() > 4 &&
          arName.compare(arName.size() - 4, 4, ":SCL") == 0) {
         const std::string prefix(arName.substr(0, arName.size() - 3));
         const std::string declaration = "xmlns:" + prefix.substr(0, prefix.size() - 1);
         for (const XmlParser::tXmlAttribView& attrib : attribs)
            if (attrib.Name == declaration && attrib.Value == SCL_NAMESPACE)
               sclPrefix = prefix;
         pFile->SetSclPrefix(sclPrefix);
      }
      if (!sclPrefix.empty() && arName.size() > sclPrefix.size() &&
          arName.compare(0, sclPrefix.size(), sclPrefix) == 0)
         arName.remove_prefix(sclPrefix.size());
   };
   // Children of elements whose end tag was missing, on their way up. A repair re-reads
   // the same end tag in the parent, so a run of repairs hands them up level by level; they
   // are linked into a list only where the run ends, not once per level.
   std::vector<CScl*> carried;
   // Level of this container: a child of stack.back() lies at level + stack.size().
   const int level = GetLevel();
   bool depthReported = false;
   // Names past the table's last id stay with their objects; said once per call.
   bool unlistedReported = false;
   auto noteUnlisted = [&](const CScl* apScl) {
      if (apScl == nullptr || apScl->GetNameId() != NID_UNLISTED || unlistedReported)
         return;
      unlistedReported = true;
      settleAll();
      OutputSclError("CSclContainer::Read - Namentabelle voll, <" + apScl->GetSclName() +
                         "> und weitere neue Namen werden nur am Objekt gehalten",
                     SE_OTHER, apScl, UINT16_MAX);
   };
   arrived(AppendText(this, apParser, text));

   while (!stack.empty()) {
      const int32_t position = apParser->GetPos();
      // A file root frees its input at the end of the reading; the part before the tag read
      // now is never read again (a missing end tag goes back to this position at most), so
      // its memory goes back while the tree grows.
      if (pFile != nullptr)
         apParser->DiscardBefore(position);
      // The end of input (or a read error) ends every open element alike.
      if (apParser->GetNextTagView(name, isStart, isEnd, attribs, isCData) != 0)
         break;
      const tFrame frame = stack.back();
      CSclContainer* pCurrent = frame.pContainer;

      if (isStart) {
         if (pCurrent == nullptr) {
            if (!isEnd)
               open(nullptr, false);
            continue;
         }
         takeOffSclPrefix(name);
         // Typed classes apply in a root and inside an SCL element; "?xml" is always typed.
         const bool typed = frame.insideScl || pCurrent->GetParent() == nullptr;
         const tSclNameId nameId = CSclNameTable::FindNameId(name.data(), name.size());
         tSclClassId classId = CSclNameTable::GetClassIdOfNameId(nameId);
         if ((!typed || classId == CID_NONE) && classId != CID__xml)
            classId = CID_CONTAINER;
         CSclContainer* pChild = nullptr;
         bool report = true;
         if (level + static_cast<int>(stack.size()) > SCL_MAX_READ_LEVEL) {
            // Too deep: skipped with its content. One report per call, as a hostile file
            // may hold any number of such elements.
            report = !depthReported;
            depthReported = true;
            if (report) {
               settleAll();
               OutputSclError("CSclContainer::Read - <" + std::string(name) +
                                  ">: Verschachtelung zu tief, Element wird \xFC"
                                  "bersprungen",
                              SE_XML_PARSER, pCurrent, SCL_MAX_READ_LEVEL);
            }
         } else {
            pChild = pCurrent->CreateSclContainer(classId, pCurrent->GetChildCount());
            if (pChild == nullptr) {
               settleAll();
               OutputSclError("CSclContainer::Read - Objekt konnte nicht erzeugt werden", SE_OTHER,
                              pCurrent, classId);
            }
         }
         if (pChild == nullptr) {
            if (report)
               OutputXmlParserError("CSclContainer::Read - Fehler in XML-Datei", apParser, 0, 0);
            if (!isEnd)
               open(nullptr, false);
            else
               arrived(AppendText(pCurrent, apParser, text));
            continue;
         }
         // Its key as created, before it takes its name: the place the creation sort gives.
         arrived(pChild, name);
         // A known name is already the child's name id; an unknown one is registered.
         if (nameId != 0)
            pChild->m_NameId = nameId;
         else
            pChild->SetNameIdOf(std::string(name));
         noteUnlisted(pChild);
         if (xmlText && attribs.size() == 1 && attribs[0].Name.empty()) {
            // A processing instruction: its data, as written, is its text.
            CSclValue* pData = attribs[0].Value.empty()
                                   ? nullptr
                                   : pChild->CreateSclValue(tSclNameId(0), InsertLast);
            if (pData != nullptr)
               pData->SetValue(std::string(attribs[0].Value));
         } else {
            for (const XmlParser::tXmlAttribView& attrib : attribs) {
               // By id where the name has one (a name the table cannot take stays with
               // the object).
               const tSclNameId attribId =
                   CSclNameTable::GetOrAddNameId(attrib.Name.data(), attrib.Name.size());
               CSclValue* pValue =
                   attribId != 0 ? pChild->CreateSclValue(attribId, InsertLast)
                                 : pChild->CreateSclValue(std::string(attrib.Name), InsertLast);
               noteUnlisted(pValue);
               TakeDecoded(pValue, attrib.Value, xmlText);
            }
         }
         if (isEnd) {
            arrived(AppendText(pCurrent, apParser, text));
         } else {
            open(pChild, frame.insideScl || pChild->IsClass(CID_SCL));
            arrived(AppendText(pChild, apParser, text));
         }
      } else if (isEnd) {
         takeOffSclPrefix(name);
         const bool missing = pCurrent != nullptr && name != pCurrent->GetSclName();
         if (missing)
            settleAll();
         settle(stack.back());
         if (missing) {
            // This element's end tag is missing: its children move up to the parent, which
            // then reads the same end tag again.
            OutputSclError("CSclContainer::Read - <" + pCurrent->GetSclName() + ">: Ende-Tag fehlt",
                           SE_XML_PARSER, pCurrent, 0);
            OutputXmlParserError("CSclContainer::Read - Fehler in XML-Datei", apParser, 0, 0);
            ++repairs;
            pCurrent->PassChildrenUp(carried);
            apParser->SetPos(position);
         } else if (pCurrent != nullptr) {
            pCurrent->AdoptCarried(carried);
         }
         stack.pop_back();
         settledFrames = std::min(settledFrames, stack.size());
         if (stack.empty() && !carried.empty())
            GetParent()->AdoptCarried(carried);
         if (!stack.empty())
            arrived(AppendText(stack.back().pContainer, apParser, text));
      } else if (pCurrent != nullptr) {
         // Comment, CDATA section or another "<!" construct: kept as written.
         CSclRemark* pRemark = pCurrent->CreateSclRemark(pCurrent->GetChildCount());
         arrived(pRemark);
         if (pRemark != nullptr) {
            pRemark->SetCData(isCData);
            pRemark->SetValue(std::string(name));
         }
         arrived(AppendText(pCurrent, apParser, text));
      }
   }

   // The input was cut off when elements besides this one are still open, or when the last
   // markup construct has no end.
   CSclContainer* pCutOff = nullptr;
   for (size_t i = 1; i < stack.size(); ++i)
      if (stack[i].pContainer != nullptr)
         pCutOff = stack[i].pContainer;
   const bool truncated = !stack.empty() && (stack.size() > 1 || InputEndsInMarkup(*apParser));

   // Input ended inside these elements: each takes its children's order as at an end tag.
   // A repaired element's end tag is always read again, so nothing is left on its way up;
   // should input ever end in between, the children stay with the innermost open element.
   for (bool innermost = true; !stack.empty(); innermost = false) {
      settle(stack.back());
      CSclContainer* pOpen = stack.back().pContainer;
      if (innermost && !carried.empty() && pOpen != nullptr)
         pOpen->AdoptCarried(carried);
      stack.pop_back();
   }

   if (truncated && xmlText) {
      OutputSclError(pCutOff != nullptr
                         ? "CSclContainer::Read - <" + pCutOff->GetSclName() +
                               ">: Eingabe endet vor dem Ende-Tag"
                         : std::string("CSclContainer::Read - Eingabe endet in einem Tag"),
                     SE_XML_PARSER, pCutOff != nullptr ? pCutOff : this, 0);
      OutputXmlParserError("CSclContainer::Read - Fehler in XML-Datei", apParser, 0, 0);
   }
   if (pFile != nullptr) {
      pFile->SetReadResult(truncated, repairs);
      pFile->SetLoading(false);
      // The whole input is read: its text goes before the completion adds its references.
      apParser->ReleaseInput();
      pFile->CompleteAfterRead();
      pFile->SetChanged(false);
   }
}

void CSclContainer::PassChildrenUp(std::vector<CScl*>& arCarried)
{
   CSclContainer* pParent = GetParent();
   if (pParent == nullptr) {
      AdoptCarried(arCarried);
      return;
   }
   tSclChildList children;
   children.swap(m_Children);
   m_Capacity = DEF_SCL_CHILD_COUNT;
   // The attributes lead the list. Behind the parent's elements the parent refuses them
   // (InsertChild reports it); no list holds them then, so they go.
   size_t first = 0;
   for (; first < children.size() && IsAttrib(children[first]); ++first) {
      CScl* pAttrib = children[first];
      if (pParent->InsertChild(pAttrib, pParent->GetChildCount()) == SE_OK) {
         pAttrib->m_pParent = pParent;
      } else {
         pAttrib->m_pParent = nullptr;
         delete pAttrib;
      }
   }
   // arCarried is kept last child first, so that putting children in front costs no move.
   arCarried.insert(arCarried.end(), children.rbegin(),
                    children.rend() - static_cast<std::ptrdiff_t>(first));
}

void CSclContainer::AdoptCarried(std::vector<CScl*>& arCarried)
{
   if (static_cast<size_t>(m_Capacity) < m_Children.size() + arCarried.size())
      m_Capacity = static_cast<uint32_t>(m_Children.size() + arCarried.size());
   m_Children.reserve(m_Children.size() + arCarried.size());
   for (auto it = arCarried.rbegin(); it != arCarried.rend(); ++it) {
      CScl* pChild = *it;
      pChild->m_pParent = this;
      pChild->m_IndexHint = static_cast<uint32_t>(m_Children.size());
      NoteArrival(pChild);
      m_Children.push_back(pChild);
   }
   arCarried.clear();
}

void CSclContainer::SortForEdition()
{
   CSclContainer* pScl = IsClass(CID_SCL) ? this
                         : IsClass(CID_FILE) ? static_cast<CSclContainer*>(GetChild(CID_SCL))
                                             : nullptr;
   if (pScl == nullptr)
      return;
   const tSclEdition edition = CSclEdition::OfScl(pScl);
   std::vector<std::pair<CSclContainer*, int>> stack{{pScl, CSclEdition::RootType(edition)}};
   while (!stack.empty()) {
      const auto [pElement, type] = stack.back();
      stack.pop_back();
      if (type < 0 || (CSclEdition::Flags(edition, type) & SCL_EDFLAG_FOREIGN_CONTENT))
         continue;
      const std::vector<int> order = EditionWriteOrder(*pElement, edition, type);
      if (!order.empty()) {
         std::vector<CScl*> sorted;
         sorted.reserve(order.size());
         for (int index : order)
            sorted.push_back(pElement->m_Children[static_cast<size_t>(index)]);
         for (size_t i = 0; i < sorted.size(); ++i) {
            pElement->m_Children[i] = sorted[i];
            sorted[i]->m_IndexHint = static_cast<uint32_t>(i);
         }
      }
      for (CScl* pChild : pElement->m_Children)
         if (pChild->IsClass(CID_CONTAINER) && !pChild->IsClass(CID_REF))
            if (const tSclEditionChild* pListed =
                    CSclEdition::FindChild(edition, type, pChild->GetSclName()))
               stack.push_back({static_cast<CSclContainer*>(pChild), pListed->Type});
   }
}

void CSclContainer::Write(int aIndent, CXmlParser* apParser,
                          bool /*aWithArvenkoExtension: no effect on the output*/) const
{
   CLineWriter writer(apParser);
   // One entry per element whose children are being written; the file root writes its
   // children at its own level and has no tags.
   struct tLevel {
      const CSclContainer* pElement;
      int next;
      int indent;
      bool isFile;
      int editionType;        // its type in the file's edition (EditionOrder)
      std::vector<int> order; // EditionOrder: the order of its children, empty: as they stand
   };
   std::vector<tLevel> stack;
   const bool xmlText = writer.XmlText();
   // With the interchange option EditionOrder children are written in the order of the
   // file's edition; the tree itself stays as it is.
   const auto* pOwnerFile = static_cast<const CSclFile*>(GetSclFile());
   const bool editionOrder = pOwnerFile != nullptr && pOwnerFile->GetInterchange().EditionOrder;
   tSclEdition edition = editionOrder ? CSclEdition::Of(*this) : SCL_EDITION_2007B4;
   if (editionOrder)
      writer.SetEditionKeys(pOwnerFile);
   if (xmlText && pOwnerFile != nullptr)
      writer.SetElementPrefix(pOwnerFile->GetSclPrefix());
   // The level of aElement, a child of the innermost level (or the element written first).
   auto levelOf = [&](const CSclContainer* apElement, int aLevelIndent, bool aIsFile) {
      tLevel entry{apElement, 0, aLevelIndent, aIsFile, -1, {}};
      if (!editionOrder || aIsFile)
         return entry;
      if (apElement->IsClass(CID_SCL)) {
         edition = CSclEdition::OfScl(apElement);
         entry.editionType = CSclEdition::RootType(edition);
      } else if (stack.empty()) {
         entry.editionType = CSclEdition::TypeOf(edition, *apElement);
      } else if (const tSclEditionChild* pListed = CSclEdition::FindChild(
                     edition, stack.back().editionType, apElement->GetSclName())) {
         entry.editionType = pListed->Type;
      }
      if (entry.editionType >= 0 &&
          !(CSclEdition::Flags(edition, entry.editionType) & SCL_EDFLAG_FOREIGN_CONTENT))
         entry.order = EditionWriteOrder(*apElement, edition, entry.editionType);
      return entry;
   };
   // Writing a file beside its checksum walk: the log says when a unit may be written.
   CSclRefKeyLog* const pUnits = IsClass(CID_FILE) && CSclRefKeyLog::Active() != nullptr &&
                                         CSclRefKeyLog::Active()->IsShared()
                                     ? CSclRefKeyLog::Active()
                                     : nullptr;
   if (IsClass(CID_FILE)) {
      // A conforming file begins with its declaration, which names the output's encoding;
      // only an 8-bit file needs one where the document has none.
      const auto* pDeclaration = static_cast<const CSclContainer*>(GetChild(CID__xml));
      if (xmlText && (pDeclaration != nullptr || writer.Format() == XmlParser::FF_ANSI))
         WriteXmlDeclaration(pDeclaration, writer);
      stack.push_back(levelOf(this, aIndent, true));
   } else if (WriteStartTag(*this, aIndent, writer))
      stack.push_back(levelOf(this, aIndent, false));

   while (!stack.empty()) {
      tLevel& level = stack.back();
      const bool inFile = level.isFile;
      const int next = level.next++;
      const CScl* pChild =
          level.pElement->GetChild(level.order.empty() || next >= static_cast<int>(level.order.size())
                                       ? next
                                       : level.order[static_cast<size_t>(next)]);
      if (pChild == nullptr) {
         if (!inFile) {
            writer.Begin(level.indent);
            writer.Put("</", 2);
            writer.PutElementName(writer.NameOf(level.pElement));
            writer.Put('>');
            writer.Emit();
         }
         stack.pop_back();
         continue;
      }
      const int indent = inFile ? level.indent : level.indent + 1;
      if (pChild->GetClassId() == CID_VALUE) {
         // Attributes of an element are in its start tag; its empty texts leave no line.
         if (inFile || pChild->GetNameId() == 0)
            writer.EmitContentLine(pChild, indent, !inFile);
      } else if (xmlText && inFile && pChild->GetClassId() == CID__xml) {
         // written first
      } else if (pChild->IsClass(CID_CONTAINER)) {
         // References of an element are already written in its start tag.
         const auto* pElement = static_cast<const CSclContainer*>(pChild);
         if (pUnits != nullptr && (inFile || level.pElement == pUnits->UnitParent()) &&
             pUnits->EnterUnit(pElement) != CSclRefKeyLog::WRITE) {
            // A hole: its lines are put between those before and after it later.
            writer.Flush();
            if (apParser != nullptr && apParser->GetOutputBuffer() != nullptr)
               pUnits->NoteHole(pElement, apParser->GetOutputBuffer()->Size(), indent);
            continue;
         }
         if ((inFile || !pChild->IsClass(CID_REF)) && WriteStartTag(*pElement, indent, writer))
            stack.push_back(levelOf(pElement, indent, false));
      } else if (inFile || pChild->IsClass(CID_REMARK) || IsText(pChild)) {
         // Empty remarks of an element leave no line either.
         writer.EmitContentLine(pChild, indent, !inFile);
      }
   }
   writer.Flush();
}

} // namespace Arvenko::Melvotar::Scl
