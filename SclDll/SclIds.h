// Class and name identifiers of the object model.
#pragma once

#include <cstdint>

namespace Arvenko::Melvotar::Scl {

/// What an object is. Ids 7..123 are also the name ids of the element names.
enum tSclClassId : int32_t {
   CID_NONE = 0,      ///< no class / unknown element name
   CID_CONTAINER = 1, ///< any element object; every element class answers it
   CID_FILE = 2,      ///< the file root
   CID_REMARK = 3,    ///< a comment child
   CID_VALUE = 4,     ///< a text or attribute value child
   CID_EMPTY_TAG = 5, ///< reserved; no object answers it
   CID_REF = 6,       ///< reference objects and their common base
#define SCL_ELEMENT(id, ident, name) CID_##ident = id,
#define SCL_REF_ELEMENT(id, ident, name) CID_##ident = id,
#define SCL_ATTRIBUTE(id, ident, name)
#include "SclDll/SclNames.def"
#undef SCL_ELEMENT
#undef SCL_REF_ELEMENT
#undef SCL_ATTRIBUTE
};

/// Which XML element or attribute name an object carries; 0 = no name (element text).
typedef uint16_t tSclNameId;

/// Fixed name ids: NID_<element> for 7..123 and NID_<attribute> for 124..230
/// (":" in a name becomes "_", "?xml" is NID__xml).
enum : tSclNameId {
   NID_NONE = 0,
#define SCL_ELEMENT(id, ident, name) NID_##ident = id,
#define SCL_REF_ELEMENT(id, ident, name) NID_##ident = id,
#define SCL_ATTRIBUTE(id, ident, name) NID_##ident = id,
#include "SclDll/SclNames.def"
#undef SCL_ELEMENT
#undef SCL_REF_ELEMENT
#undef SCL_ATTRIBUTE
};

/// Name id of an object whose name is not in the name table: a file's path, or a name met
/// after all 65,535 ids were given. The object holds the name itself (CScl::GetSclName); the
/// table has no name for this id, and two objects with it carry the same name only when their
/// GetSclName() texts are equal.
constexpr tSclNameId NID_UNLISTED = 5;

/// The last element class id (SampledValueControlRef) and the last fixed name id.
constexpr tSclClassId CID_LAST_CLASS = CID_SampledValueControlRef;
constexpr tSclNameId NID_LAST_FIXED = NID_xsi_type;

static_assert(CID_LAST_CLASS == 123, "class id list out of step");
static_assert(NID_LAST_FIXED == 230, "name id list out of step");

} // namespace Arvenko::Melvotar::Scl
