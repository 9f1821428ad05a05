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

} // namespace Arvenko::Melvotar::Scl
