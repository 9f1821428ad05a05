// The link-info catalogue: which common data classes (CDCs) split into attribute groups,
// which CDC a source feeds, and which source attribute feeds which target attribute.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Arvenko::Melvotar::Scl {

/// Ids of CDCs, attribute groups, functional constraints and attribute paths (0..125).
/// SVID_<name> with dots as underscores; 0 is SVID_NONE, 33 has no name.
enum tSclValueId : int32_t {
#define SCL_VALUE(id, ident, name) SVID_##ident = id,
#define SCL_VALUE_UNNAMED(id, ident, rowIdent, rowName) SVID_##ident = id,
#include "SclDll/SclLinkInfoTables.def"
};

/// One attribute link: the source attribute feeds the target attribute of the target FC.
struct tSclDALink {
   tSclValueId SourceDA;
   tSclValueId TargetFC;
   tSclValueId TargetDA;
};

/// A functional constraint and attribute pair.
struct tSclFCDA {
   tSclValueId FC;
   tSclValueId DA;
};

/// Read-only, process-wide catalogue, built from constant tables on the first query
/// (without a lock: the first call must not race another first call). All vector
/// operations append and never clear; a null vector is a programming error (assertion).
class CSclLinkInfos {
 public:
   CSclLinkInfos() = delete;

   /// Name of an id ("SPC", "phsA.cVal.mag.f"); empty for an id without name.
   static std::string GetValue(tSclValueId aId);
   /// Id of a name (exact, case-sensitive); 0 for an unknown name.
   static tSclValueId GetValueId(const std::string& aName);
   /// True if the CDC splits into at least one attribute group.
   static bool HasDAGroups(tSclValueId aCDC);
   /// Appends the attribute groups of a composite CDC in catalogue order.
   static void GetDAGroups(tSclValueId aCDC, std::vector<tSclValueId>* apVector);
   /// The CDC a source CDC or group feeds; 0 if none (composite CDCs have none).
   static tSclValueId GetTargetCDC(tSclValueId aSource);
   /// Appends every source feeding the target CDC, in ascending id order.
   static void GetSourceCDCs(tSclValueId aTarget, std::vector<tSclValueId>* apVector);
   /// Appends the attribute links of a source CDC or group in catalogue order.
   static void GetDALinks(tSclValueId aSource, std::vector<tSclDALink>* apVector);
   /// Appends the FC/attribute pairs a target CDC may receive at most: (CO, ctlVal), (ST, q)
   /// for SPC, DPC and INC; (MX, mag.f), (MX, q) for MV; nothing for any other id.
   static void GetMaxTargetFCDA(tSclValueId aTarget, std::vector<tSclFCDA>* apVector);
};

} // namespace Arvenko::Melvotar::Scl
