// Forward declarations of the core object classes, for headers that name them without
// needing their definitions.
#pragma once

namespace Arvenko::Melvotar::Scl {

class CScl;
class CSclContainer;
class CSclFile;
class CSclRef;
class CSclRemark;
class CSclValue;
class CSmartCompare;

} // namespace Arvenko::Melvotar::Scl
