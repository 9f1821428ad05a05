// The process-wide table of element and attribute names and their ids.
#pragma once

#include <cstddef>
#include <string>

#include "SclDll/SclIds.h"

namespace Arvenko::Melvotar::Scl {

/// Maps names to name ids and back. Ids 7..230 are fixed; names met at run time get
/// 231, 232, ... in order of first registration and stay for the rest of the process.
/// Every operation fills the table on first use. No lock: one thread at a time.
class CSclNameTable {
 public:
   /// The registered name of an id; empty for 0..6 and unregistered ids. The reference
   /// stays valid for the rest of the process.
   static const std::string& GetNameOfNameId(tSclNameId aNameId);
   /// Lookup only (byte-wise, case-sensitive); 0 for an unknown name. Never registers.
   static tSclNameId FindNameId(const std::string& aName);
   /// The same for the aLength bytes at apName.
   static tSclNameId FindNameId(const char* apName, size_t aLength);
   /// Lookup; an unknown name is registered with the next free id. Returns 0 only when
   /// all 65,535 ids are taken.
   static tSclNameId GetOrAddNameId(const std::string& aName);
   /// The same for the aLength bytes at apName.
   static tSclNameId GetOrAddNameId(const char* apName, size_t aLength);
   /// The same number for ids up to the last class id (123), else CID_NONE.
   static tSclClassId GetClassIdOfNameId(tSclNameId aNameId);
   /// Class id of an element name; CID_NONE for unknown and attribute names.
   static tSclClassId GetClassIdOfName(const std::string& aName);
   /// "{CONTAINER}", "{FILE}", "{REMARK}", "{VALUE}", "{REF}" for the pseudo classes,
   /// else the name of the same number (empty for CID_NONE and CID_EMPTY_TAG).
   static std::string GetNameOfClassId(tSclClassId aClassId);
   /// The highest name id given so far (230 before any run-time registration).
   static tSclNameId GetLastNameId();
   /// The last class id (123).
   static tSclClassId GetLastClassId();
};

} // namespace Arvenko::Melvotar::Scl
