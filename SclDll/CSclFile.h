// CSclFile: the root object of a loaded or new SCL file (construction and class only).
#pragma once

#include "SclDll/CSclContainer.h"

namespace Arvenko::Melvotar::Scl {

/// The file root: a container without parent that answers CID_FILE. Owned by its creator.
class CSclFile : public CSclContainer {
 public:
   CSclFile();
   ~CSclFile() override;

   /// True for CID_CONTAINER and CID_FILE.
   bool IsClass(tSclClassId aClassId) const override;
};

} // namespace Arvenko::Melvotar::Scl
