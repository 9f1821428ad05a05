#include "SclDll/CSclFile.h"

namespace Arvenko::Melvotar::Scl {

CSclFile::CSclFile() : CSclContainer(nullptr)
{
   m_ClassId = CID_FILE;
}

CSclFile::~CSclFile() = default;

bool CSclFile::IsClass(tSclClassId aClassId) const
{
   return aClassId == CID_CONTAINER || aClassId == CID_FILE;
}

void CSclFile::SetFileFormat(XmlParser::tFileFormat aFormat)
{
   m_Format = aFormat;
   static const char* const s_Encodings[] = {nullptr, "ISO-8859-1", "UTF-8", "UTF-16"};
   if (aFormat < XmlParser::FF_ANSI || aFormat > XmlParser::FF_UTF16)
      return;
   if (auto* pDeclaration = static_cast<CSclContainer*>(GetChild(CID__xml)))
      pDeclaration->SetAttribValue(NID_encoding, s_Encodings[aFormat]);
}

} // namespace Arvenko::Melvotar::Scl
