// CSclFile: the root object of a loaded or new SCL file.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclEdition.h"
#include "SclDll/SclInterchange.h"
#include "xmlparser/XmlParser.h"

namespace Arvenko::Melvotar {
struct tReportBlock;
} // namespace Arvenko::Melvotar

namespace Arvenko::Melvotar::Scl {

class CSclObjectPool;
class CSclSCL;
class CSclPrivate;
class CSclRefKeyLog;

/// Content of the version stamp written at every save.
constexpr const char* SCL_LIB_VERSION = "V02.08.02";
/// type of the Private under SCL that holds the library version of the last save.
constexpr const char* SCL_STAMP_VERSION = "Arvenko-SclLib-Version";
/// type of the Private under SCL that holds the local time of the last save.
constexpr const char* SCL_STAMP_EDIT_TIME = "Arvenko-SclLib-EditTime";
/// type of the Private under SCL that holds the document checksum of the last save.
constexpr const char* SCL_STAMP_CRC = "Arvenko-CRC";

/// The namespace of SCL elements.
constexpr const char* SCL_NAMESPACE = "http://www.iec.ch/61850/2003/SCL";

/// The file root: a container without parent that answers CID_FILE. Its children are the
/// document's top-level items (declaration, comments, the SCL element). Owned by its creator.
class CSclFile : public CSclContainer {
 public:
   /// An empty document in FF_UTF8, not changed.
   CSclFile();
   ~CSclFile() override;

   /// True for CID_CONTAINER and CID_FILE.
   bool IsClass(tSclClassId aClassId) const override;
   /// Every child in order; the file's own name (its path) is not fed.
   int32_t GetCRC32(int32_t aCrc) const override;
   /// The container copy from another file root, then changed is set and the source's format
   /// and interchange options taken over, with the attributes the references' owners had when
   /// read (NoteReadAttributes); SE_WRONG_TYPE (no report) when right is no file root.
   tSclError Copy(const CScl& right) override;

   using CSclContainer::Read;
   using CSclContainer::Write;

   /// Loads the file aPath (UTF-8) into this object (appending to its children); the name
   /// becomes aPath, the format the detected encoding. Fixed unit multipliers that had to be
   /// corrected set the changed flag. Throws xml_parser_error when the file cannot be opened,
   /// read or decoded.
   void Read(const std::string& aPath);
   /// Renews the declaration's encoding, the unit multipliers, the version and edit-time
   /// stamps and the checksum stamp, then writes the document to aPath (UTF-8) in the file's
   /// format. Name and changed flag stay. Throws xml_parser_error or scl_error on write
   /// failures (the stamps are renewed in memory already).
   void Write(const std::string& aPath, bool aWithArvenkoExtension = false);
   /// True when the first "Arvenko-CRC" stamp under SCL holds exactly the checksum of the
   /// document computed with that stamp's content empty; false without SCL or stamp. The
   /// document is left as it was.
   bool IsValidFileCRC();
   /// Merges equal data type templates (EnumType, DAType, DOType, LNodeType): the first in
   /// document order stays, later equal ones are deleted after their users were pointed at
   /// it. Every template of those classes is sorted on the way. True when anything merged.
   bool PackDataTypeTemplates();

   /// Encoding used for saving; after loading, the encoding the file had.
   XmlParser::tFileFormat GetFileFormat() const { return m_Format; }
   /// Sets the format and the declaration's encoding attribute ("ISO-8859-1", "UTF-8",
   /// "UTF-16"); without a declaration child only the format changes.
   void SetFileFormat(XmlParser::tFileFormat aFormat);
   /// Whether the document was changed since it was read (a marker for callers).
   bool IsChanged() const { return m_Changed; }
   /// Sets or clears the changed marker.
   void SetChanged(bool aChanged) { m_Changed = aChanged; }
   /// True while the container reader fills this object.
   bool IsLoading() const { return m_Loading; }
   /// Set and cleared by the container reader.
   void SetLoading(bool aLoading) { m_Loading = aLoading; }

   /// Behaviour beyond the library's own file conventions for the next Read and Write; all
   /// off by default.
   void SetInterchange(const tSclInterchange& aInterchange) { m_Interchange = aInterchange; }
   const tSclInterchange& GetInterchange() const { return m_Interchange; }
   /// After Read: true when the input ended inside an open element or inside markup (a file
   /// cut off), so that the document holds only what came before.
   bool IsReadTruncated() const { return m_ReadTruncated; }
   /// After Read: the number of missing end tags the reader repaired.
   int GetReadRepairs() const { return m_ReadRepairs; }
   /// Set by the container reader at the end of input.
   void SetReadResult(bool aTruncated, int aRepairs)
   {
      m_ReadTruncated = aTruncated;
      m_ReadRepairs = aRepairs;
   }

   /// Called by the container reader at the end of input: Complete, and during a Read from
   /// a path the multiplier correction of that Read in the same walk.
   void CompleteAfterRead();

   /// The document's SCL element (the first top-level child of that class), or null. Owned
   /// by the tree.
   CSclSCL* GetSclElement() const;
   /// The edition of the document (its SCL element's version, revision and release); a
   /// document without SCL element is 2007B4.
   tSclEdition GetEdition() const;

   /// The prefix ("p:") under which the file read bound the SCL namespace on its SCL
   /// element, when it was read with the interchange option XmlText; its elements were read
   /// without it, and saves with that option write it again. Empty: none.
   const std::string& GetSclPrefix() const { return m_SclPrefix; }
   void SetSclPrefix(const std::string& aPrefix) { m_SclPrefix = aPrefix; }

   /// Notes the attributes (name ids, in their order) that the owner of the reference with
   /// registry handle aRefHandle had when its keys moved into the reference: the interchange
   /// option EditionOrder writes them in that order and an empty key only where it was read.
   void NoteReadAttributes(uint32_t aRefHandle, std::vector<tSclNameId> aNameIds);
   /// The attributes NoteReadAttributes noted for aRefHandle; null when none.
   const std::vector<tSclNameId>* GetReadAttributes(uint32_t aRefHandle) const;
   /// Whether the attributes noted for aRefHandle hold aName.
   bool WasRefKeyRead(uint32_t aRefHandle, const std::string& aName) const;

 private:
   /// Sets BitRate multipliers under SubNetwork to "M" and MinTime/MaxTime multipliers
   /// under GSE to "m" from the SCL element on; true when an attribute was set.
   bool CorrectMultipliers();
   /// The correction of CorrectMultipliers for apElement, an element met by a document
   /// order walk of the whole document (the root left out); arCorrecting carries, from one
   /// element to the next, whether the walk is below the SCL element or an item after it.
   /// aIsRef: whether the element is a reference (the walk knows it already).
   bool CorrectMultipliersInWalk(CSclContainer& arElement, bool& arCorrecting, bool aIsRef);
   /// The multiplier correction of one element (by its class and its parent's class); true
   /// when the attribute was set.
   static bool CorrectMultiplier(CSclContainer& arElement);
   /// The multiplier correction of every element below aTop; true when an attribute was set.
   static bool CorrectMultipliersBelow(const CSclContainer& aTop);
   /// GetCRC32 of the document after CorrectMultipliers, in one walk that does both.
   int32_t GetCRC32CorrectingMultipliers(int32_t aCrc);
   /// Sets the version stamp and the edit-time stamp (the last of each type), creating them.
   void UpdateStampPrivates();
   /// Sets the first checksum stamp (created when missing) to the document checksum; with
   /// aCorrectMultipliers the checksum walk also corrects the multipliers. False (nothing
   /// done) without SCL element or stamp.
   bool UpdateCRCPrivate(bool aCorrectMultipliers);
   /// The save of Write with the writing walk on a second thread beside the checksum walk;
   /// false (nothing done) where it does not apply.
   bool WriteBesideChecksum(const std::string& aPath, const XmlParser::tXmlTextMode& aMode,
                            CSclRefKeyLog& arKeyLog, bool aWithArvenkoExtension);
   /// Its part after the checksum walk: the file from the writer's output arWritten, the
   /// stamp arStamp and the units this thread takes from the writer; arWriterReports, held
   /// by the writer, go out once it is done, before those of the units taken.
   void WriteAfterChecksum(const std::string& aPath, const XmlParser::tXmlTextMode& aMode,
                           CSclRefKeyLog& arKeyLog, XmlParser::CXmlOutputBuffer& arWritten,
                           CSclPrivate& arStamp, std::vector<tReportBlock>& arWriterReports,
                           bool aWithArvenkoExtension);
   /// The document checksum formatted "%d", computed with apStamp's content empty (and the
   /// multipliers corrected first with aCorrectMultipliers).
   std::string ComputeFileCRC(CSclPrivate* apStamp, bool aCorrectMultipliers = false);
   /// After a Copy from aSource: notes for the references of the copy the attributes noted
   /// for their originals. aBefore: the children this file had before the copy.
   void CopyReadAttributes(const CSclFile& aSource, const std::vector<const CScl*>& aBefore);
   /// One pass set of the template merge for one class; true when a duplicate was found.
   bool PackTypeTemplates(tSclClassId aClassId, bool aRepeat);

   bool m_Changed = false;
   bool m_Loading = false;
   XmlParser::tFileFormat m_Format = XmlParser::FF_UTF8;
   tSclInterchange m_Interchange;
   bool m_CrLf = true; // line ends of the file read, kept by interchange saves
   bool m_ReadTruncated = false;
   CSclObjectPool* m_pPool = nullptr; // the objects read from files; created by the first Read
   bool m_CorrectOnRead = false;      // set by Read(path) for CompleteAfterRead
   bool m_CorrectedOnRead = false;    // whether CompleteAfterRead set a multiplier
   int m_ReadRepairs = 0;
   // Owner attributes as read, by reference handle (EditionOrder).
   std::unordered_map<uint32_t, std::vector<tSclNameId>> m_ReadAttributes;
   std::string m_SclPrefix; // see GetSclPrefix
};

} // namespace Arvenko::Melvotar::Scl
