// CSclFile: the root object of a loaded or new SCL file.
#pragma once

#include "SclDll/CSclContainer.h"
#include "xmlparser/XmlParser.h"

namespace Arvenko::Melvotar::Scl {

/// The file root: a container without parent that answers CID_FILE. Its children are the
/// document's top-level items. Owned by its creator.
class CSclFile : public CSclContainer {
 public:
   /// An empty document in FF_UTF8, not changed.
   CSclFile();
   ~CSclFile() override;

   /// True for CID_CONTAINER and CID_FILE.
   bool IsClass(tSclClassId aClassId) const override;
   /// Every child in order; the file's own name (its path) is not fed.
   int32_t GetCRC32(int32_t aCrc) const override;

   using CSclContainer::Read;
   using CSclContainer::Write;

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

 private:
   bool m_Changed = false;
   bool m_Loading = false;
   XmlParser::tFileFormat m_Format = XmlParser::FF_UTF8;
};

} // namespace Arvenko::Melvotar::Scl
