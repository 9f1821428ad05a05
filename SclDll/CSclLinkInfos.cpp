// The link-info catalogue, built once from the tables of SclLinkInfoTables.def.
#include "SclDll/CSclLinkInfos.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace Arvenko::Melvotar::Scl {

namespace {

// Programming-error check naming this source and the failed condition. Without NDEBUG it
// aborts; with NDEBUG it only yields false, so the caller can return without effect.
bool LinkInfosAssertFailed(const char* apCondition, int aLine)
{
#ifndef NDEBUG
   std::fprintf(stderr, "Assertion failed: %s, file SclDll/CSclLinkInfos, line %d\n", apCondition,
                aLine);
   std::abort();
#else
   (void)apCondition;
   (void)aLine;
   return false;
#endif
}

#define SCL_LINKINFOS_ASSERT(cond) ((cond) ? true : LinkInfosAssertFailed(#cond, __LINE__))

struct tValueNameRow {
   tSclValueId Id;
   const char* Name;
};

struct tDAGroupRow {
   tSclValueId CDC;
   tSclValueId Group;
};

struct tTargetCDCRow {
   tSclValueId Source;
   tSclValueId Target;
};

struct tDALinkRow {
   tSclValueId Source;
   tSclDALink Link;
};

const tValueNameRow g_ValueNameRows[] = {
#define SCL_VALUE(id, ident, name) {SVID_##ident, name},
#define SCL_VALUE_UNNAMED(id, ident, rowIdent, rowName) {SVID_##rowIdent, rowName},
#include "SclDll/SclLinkInfoTables.def"
};

const tDAGroupRow g_DAGroupRows[] = {
#define SCL_DA_GROUP(cdc, group) {SVID_##cdc, SVID_##group},
#include "SclDll/SclLinkInfoTables.def"
};

const tTargetCDCRow g_TargetCDCRows[] = {
#define SCL_TARGET_CDC(source, target) {SVID_##source, SVID_##target},
#include "SclDll/SclLinkInfoTables.def"
};

const tDALinkRow g_DALinkRows[] = {
#define SCL_DA_LINK(source, sourceDA, targetFC, targetDA)                                          \
   {SVID_##source, {SVID_##sourceDA, SVID_##targetFC, SVID_##targetDA}},
#include "SclDll/SclLinkInfoTables.def"
};

// The process-wide catalogue; filled by the first query and never changed afterwards.
struct tCatalogue {
   bool m_Initialised = false;
   std::map<tSclValueId, std::string> m_ValueNames;
   std::map<std::string, tSclValueId> m_ValueIds;
   std::multimap<tSclValueId, tSclValueId> m_DAGroupMap;
   std::map<tSclValueId, tSclValueId> m_TargetCDCMap;
   std::multimap<tSclValueId, tSclDALink> m_DALinkMap;
};

const tCatalogue& Catalogue()
{
   static tCatalogue catalogue;
   if (!catalogue.m_Initialised) {
      for (const tValueNameRow& row : g_ValueNameRows) {
         catalogue.m_ValueNames[row.Id] = row.Name;
         catalogue.m_ValueIds[row.Name] = row.Id;
      }
      // multimap inserts keep row order among equal keys
      for (const tDAGroupRow& row : g_DAGroupRows)
         catalogue.m_DAGroupMap.emplace(row.CDC, row.Group);
      for (const tTargetCDCRow& row : g_TargetCDCRows)
         catalogue.m_TargetCDCMap[row.Source] = row.Target;
      for (const tDALinkRow& row : g_DALinkRows)
         catalogue.m_DALinkMap.emplace(row.Source, row.Link);
      catalogue.m_Initialised = true;
   }
   return catalogue;
}

} // namespace

std::string CSclLinkInfos::GetValue(tSclValueId aId)
{
   const auto& names = Catalogue().m_ValueNames;
   auto it = names.find(aId);
   return it == names.end() ? std::string() : it->second;
}

tSclValueId CSclLinkInfos::GetValueId(const std::string& aName)
{
   const auto& ids = Catalogue().m_ValueIds;
   auto it = ids.find(aName);
   return it == ids.end() ? SVID_NONE : it->second;
}

namespace {

// Appends every value aMap holds under aKey, in the order the table gave them.
template <class TMap, class TValue>
void AppendAll(const TMap& aMap, tSclValueId aKey, std::vector<TValue>& arVector)
{
   const auto range = aMap.equal_range(aKey);
   for (auto it = range.first; it != range.second; ++it)
      arVector.push_back(it->second);
}

} // namespace

bool CSclLinkInfos::HasDAGroups(tSclValueId aCDC)
{
   return Catalogue().m_DAGroupMap.count(aCDC) != 0;
}

void CSclLinkInfos::GetDAGroups(tSclValueId aCDC, std::vector<tSclValueId>* apVector)
{
   if (!SCL_LINKINFOS_ASSERT(apVector))
      return;
   AppendAll(Catalogue().m_DAGroupMap, aCDC, *apVector);
}

tSclValueId CSclLinkInfos::GetTargetCDC(tSclValueId aSource)
{
   const auto& targets = Catalogue().m_TargetCDCMap;
   auto it = targets.find(aSource);
   return it == targets.end() ? SVID_NONE : it->second;
}

void CSclLinkInfos::GetSourceCDCs(tSclValueId aTarget, std::vector<tSclValueId>* apVector)
{
   if (!SCL_LINKINFOS_ASSERT(apVector))
      return;
   for (const auto& entry : Catalogue().m_TargetCDCMap)
      if (entry.second == aTarget)
         apVector->push_back(entry.first);
}

void CSclLinkInfos::GetDALinks(tSclValueId aSource, std::vector<tSclDALink>* apVector)
{
   if (!SCL_LINKINFOS_ASSERT(apVector))
      return;
   AppendAll(Catalogue().m_DALinkMap, aSource, *apVector);
}

void CSclLinkInfos::GetMaxTargetFCDA(tSclValueId aTarget, std::vector<tSclFCDA>* apVector)
{
   if (!SCL_LINKINFOS_ASSERT(apVector))
      return;
   Catalogue(); // every query builds the catalogue
   switch (aTarget) {
   case SVID_SPC:
   case SVID_DPC:
   case SVID_INC:
      apVector->push_back({SVID_CO, SVID_ctlVal});
      apVector->push_back({SVID_ST, SVID_q});
      break;
   case SVID_MV:
      apVector->push_back({SVID_MX, SVID_mag_f});
      apVector->push_back({SVID_MX, SVID_q});
      break;
   default:
      break;
   }
}

} // namespace Arvenko::Melvotar::Scl
