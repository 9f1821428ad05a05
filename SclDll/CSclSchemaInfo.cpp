// The schema index: constant tables expanded from SclSchema.def and the queries over them.
#include "SclDll/CSclSchemaInfo.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <new>

#include "SclDll/CScl.h"
#include "SclDll/CSclContainer.h"
#include "SclDll/SclAssert.h"

namespace Arvenko::Melvotar::Scl {

namespace {

constexpr tSclSchemaEntry g_SchemaRows[] = {
#define SCL_SCHEMA_ROW(cls, name, xsdType, isAttribute, minOccurs, maxOccurs, isRef, sequence)     \
   {CID_##cls, NID_##name, xsdType, isAttribute, minOccurs, maxOccurs, isRef, sequence},
#include "SclDll/SclSchema.def"
};

constexpr tSclSchemaPair g_KeyAttributes[] = {
#define SCL_KEY_ATTRIBUTE(cls, name) {CID_##cls, NID_##name},
#include "SclDll/SclSchema.def"
};

constexpr tSclSchemaPair g_RefClasses[] = {
#define SCL_REF_CLASS(cls, refClass) {CID_##cls, CID_##refClass},
#include "SclDll/SclSchema.def"
};

constexpr tSclSchemaPair g_RefKeys[] = {
#define SCL_REF_KEY(refClass, name, ...) {CID_##refClass, NID_##name},
#include "SclDll/SclSchema.def"
};

static_assert(std::size(g_SchemaRows) == 531, "schema rows out of step");
static_assert(std::size(g_KeyAttributes) == 47, "key attributes out of step");
static_assert(std::size(g_RefClasses) == 22, "reference classes out of step");
static_assert(std::size(g_RefKeys) == 26, "reference keys out of step");

constexpr int32_t CLASS_COUNT = CID_LAST_CLASS + 1;
constexpr int32_t NAME_COUNT = NID_LAST_FIXED + 1;

// The dense indexes rely on every id of the tables being a fixed one.
constexpr bool IsClassId(int32_t aId)
{
   return aId > CID_REF && aId < CLASS_COUNT;
}
constexpr bool IsNameId(int32_t aId)
{
   return aId >= 0 && aId < NAME_COUNT;
}

// Per class id: whether its objects are elements and no references, so that an object's
// class id alone says it answers neither CID_VALUE, CID_REF nor CID_REMARK (the plain
// container and the element classes of the name list; every other id asks the object).
constexpr std::array<bool, CLASS_COUNT> PlainElementClasses()
{
   std::array<bool, CLASS_COUNT> plain{};
   plain[CID_CONTAINER] = true;
#define SCL_ELEMENT(id, ident, name) plain[id] = true;
#define SCL_REF_ELEMENT(id, ident, name)
#define SCL_ATTRIBUTE(id, ident, name)
#include "SclDll/SclNames.def"
#undef SCL_ELEMENT
#undef SCL_REF_ELEMENT
#undef SCL_ATTRIBUTE
   return plain;
}
constexpr std::array<bool, CLASS_COUNT> g_PlainElementClass = PlainElementClasses();

template <size_t N>
constexpr bool PairsFixed(const tSclSchemaPair (&aPairs)[N], bool aSecondIsClass)
{
   for (const tSclSchemaPair& pair : aPairs) {
      if (!IsClassId(pair.classId) || !(aSecondIsClass ? IsClassId(pair.id) : IsNameId(pair.id))) {
         return false;
      }
   }
   return true;
}

constexpr bool AllIdsFixed()
{
   for (const tSclSchemaEntry& row : g_SchemaRows) {
      // Child element names must be class names as well.
      if (!IsClassId(row.classId) || !IsNameId(row.nameId) ||
          (!row.isAttribute && row.nameId != NID_NONE && !IsClassId(row.nameId))) {
         return false;
      }
   }
   return PairsFixed(g_KeyAttributes, false) && PairsFixed(g_RefClasses, true) &&
          PairsFixed(g_RefKeys, false);
}
static_assert(AllIdsFixed(), "schema tables use an id outside the fixed ids");

template <typename T, size_t N> tSclSchemaTable<T> View(const T (&aRows)[N])
{
   return {aRows, static_cast<int32_t>(N)};
}

} // namespace

tSclSchemaTable<tSclSchemaEntry> CSclSchemaInfo::GetSchemaTable()
{
   return View(g_SchemaRows);
}
tSclSchemaTable<tSclSchemaPair> CSclSchemaInfo::GetKeyAttributeTable()
{
   return View(g_KeyAttributes);
}
tSclSchemaTable<tSclSchemaPair> CSclSchemaInfo::GetRefClassTable()
{
   return View(g_RefClasses);
}
tSclSchemaTable<tSclSchemaPair> CSclSchemaInfo::GetRefKeyTable()
{
   return View(g_RefKeys);
}

CSclSchemaInfo* CSclSchemaInfo::GetInstance()
{
   static CSclSchemaInfo* s_pInstance = nullptr;
   if (s_pInstance == nullptr) {
      try {
         s_pInstance = new CSclSchemaInfo();
      } catch (const std::bad_alloc&) {
         return nullptr;
      }
   }
   return s_pInstance;
}

CSclSchemaInfo::CSclSchemaInfo() : m_Classes(CLASS_COUNT), m_RowOfPair(CLASS_COUNT * NAME_COUNT, -1)
{
   for (int32_t i = 0; i < static_cast<int32_t>(std::size(g_SchemaRows)); ++i) {
      const tSclSchemaEntry& row = g_SchemaRows[i];
      tClassIndex& cls = m_Classes[row.classId];
      cls.rows.push_back(&row);
      cls.maxSequence = std::max(cls.maxSequence, row.sequence);
      // A pair that stands twice resolves to its later row.
      m_RowOfPair[row.classId * NAME_COUNT + row.nameId] = static_cast<int16_t>(i);
   }
   for (const tSclSchemaPair& pair : g_KeyAttributes) {
      m_Classes[pair.classId].keyAttributes.push_back(static_cast<tSclNameId>(pair.id));
   }
   for (const tSclSchemaPair& pair : g_RefClasses) {
      m_Classes[pair.classId].refClasses.push_back(static_cast<tSclClassId>(pair.id));
   }
   for (const tSclSchemaPair& pair : g_RefKeys) {
      m_Classes[pair.classId].refKeys.push_back(static_cast<tSclNameId>(pair.id));
   }
}

const CSclSchemaInfo::tClassIndex* CSclSchemaInfo::FindClass(tSclClassId aClassId) const
{
   if (aClassId < 0 || aClassId >= CLASS_COUNT) {
      return nullptr;
   }
   return &m_Classes[aClassId];
}

const tSclSchemaEntry* CSclSchemaInfo::GetEntry(tSclClassId aClassId, tSclNameId aNameId) const
{
   if (aClassId < 0 || aClassId >= CLASS_COUNT || aNameId >= NAME_COUNT) {
      return nullptr;
   }
   const int16_t row = m_RowOfPair[aClassId * NAME_COUNT + aNameId];
   return row < 0 ? nullptr : &g_SchemaRows[row];
}

void CSclSchemaInfo::GetChildInfos(tSclClassId aClassId, std::vector<tSclChildInfo>& arInfos) const
{
   const tClassIndex* pClass = FindClass(aClassId);
   if (pClass == nullptr) {
      return;
   }
   for (const tSclSchemaEntry* pRow : pClass->rows) {
      if (pRow->isAttribute && !pRow->isRefAttribute) {
         arInfos.push_back({CID_VALUE, pRow->nameId, pRow->minOccurs, pRow->maxOccurs});
      }
   }
   std::set<tSclNameId> refKeys;
   GetRefAttributes(aClassId, refKeys);
   for (tSclNameId nameId : refKeys) {
      arInfos.push_back({CID_VALUE, nameId, 0, 1});
   }

   std::set<tSclClassId> refClasses;
   GetRefClasses(aClassId, refClasses);
   if (aClassId == CID_LN || aClassId == CID_LN0) {
      GetRefClasses(CID_LNBase, refClasses);
   }
   for (tSclClassId refClassId : refClasses) {
      arInfos.push_back({refClassId, refClassId, 1, 1});
   }

   // Element names are class names too, so the child's class id is its name id.
   for (const tSclSchemaEntry* pRow : pClass->rows) {
      if (!pRow->isAttribute && pRow->nameId != NID_NONE) {
         arInfos.push_back({static_cast<tSclClassId>(pRow->nameId), pRow->nameId, pRow->minOccurs,
                            pRow->maxOccurs});
      }
   }
   for (const tSclSchemaEntry* pRow : pClass->rows) {
      if (!pRow->isAttribute && pRow->nameId == NID_NONE) {
         arInfos.push_back({CID_VALUE, NID_NONE, pRow->minOccurs, pRow->maxOccurs});
      }
   }
}

void CSclSchemaInfo::GetIdAttributes(tSclClassId aClassId, std::set<tSclNameId>& arNameIds) const
{
   if (const tClassIndex* pClass = FindClass(aClassId)) {
      arNameIds.insert(pClass->keyAttributes.begin(), pClass->keyAttributes.end());
   }
}

void CSclSchemaInfo::GetRefClasses(tSclClassId aClassId, std::set<tSclClassId>& arClassIds) const
{
   if (const tClassIndex* pClass = FindClass(aClassId)) {
      arClassIds.insert(pClass->refClasses.begin(), pClass->refClasses.end());
   }
}

void CSclSchemaInfo::GetRefAttributes(tSclClassId aRefClassId,
                                      std::set<tSclNameId>& arNameIds) const
{
   if (const tClassIndex* pClass = FindClass(aRefClassId)) {
      arNameIds.insert(pClass->refKeys.begin(), pClass->refKeys.end());
   }
}

bool CSclSchemaInfo::IsPlainChild(tSclClassId aClassId, tSclNameId aNameId) const
{
   const tSclSchemaEntry* pRow = GetEntry(aClassId, aNameId);
   return pRow != nullptr && !pRow->isRefAttribute;
}

bool CSclSchemaInfo::IsRefClassOf(tSclClassId aClassId, tSclClassId aRefClassId) const
{
   const tClassIndex* pClass = FindClass(aClassId);
   return pClass != nullptr && std::find(pClass->refClasses.begin(), pClass->refClasses.end(),
                                         aRefClassId) != pClass->refClasses.end();
}

bool CSclSchemaInfo::IsRefAttributeOf(tSclClassId aRefClassId, tSclNameId aNameId) const
{
   const tClassIndex* pClass = FindClass(aRefClassId);
   return pClass != nullptr && std::find(pClass->refKeys.begin(), pClass->refKeys.end(), aNameId) !=
                                   pClass->refKeys.end();
}

int32_t CSclSchemaInfo::GetSequence(tSclClassId aClassId, tSclNameId aNameId) const
{
   const tSclSchemaEntry* pRow = GetEntry(aClassId, aNameId);
   return pRow == nullptr ? 0 : pRow->sequence;
}

int32_t CSclSchemaInfo::GetMaxSequence(tSclClassId aClassId) const
{
   const tClassIndex* pClass = FindClass(aClassId);
   return pClass == nullptr ? 0 : pClass->maxSequence;
}

int32_t CSclSchemaInfo::GetChildOrderKey(const CScl* apParent, const CScl* apChild) const
{
   SCL_ASSERT("SclDll/CSclSchemaInfo", apParent != nullptr);
   SCL_ASSERT("SclDll/CSclSchemaInfo", apChild != nullptr);
   // Plain values and elements, nearly all children, answer by their class id without a
   // virtual call.
   const tSclClassId childClass = apChild->GetClassId();
   if (childClass >= 0 && childClass < CLASS_COUNT && g_PlainElementClass[childClass]) {
      return ElementKey(apParent->GetClassId(), apChild->GetNameId());
   }
   if (childClass == CID_VALUE || apChild->IsClass(CID_VALUE)) {
      return apChild->GetNameId() != NID_NONE ? 0 : GetMaxSequence(apParent->GetClassId()) + 4;
   }
   if (apChild->IsClass(CID_REF)) {
      return 1;
   }
   if (apChild->IsClass(CID_REMARK)) {
      return 2;
   }
   return ElementKey(apParent->GetClassId(), apChild->GetNameId());
}

int32_t CSclSchemaInfo::ElementKey(tSclClassId aParentClass, tSclNameId aNameId) const
{
   // GetSequence, in place: every element a reader creates is asked.
   if (aParentClass < 0 || aParentClass >= CLASS_COUNT || aNameId >= NAME_COUNT) {
      return 3;
   }
   const int16_t row = m_RowOfPair[aParentClass * NAME_COUNT + aNameId];
   return row < 0 ? 3 : g_SchemaRows[row].sequence + 3;
}

tSclError CSclSchemaInfo::CheckName(const CScl* apObject) const
{
   SCL_ASSERT("SclDll/CSclSchemaInfo", apObject != nullptr);
   const CSclContainer* pParent = apObject->GetParent();
   if (pParent == nullptr || apObject->IsClass(CID_REMARK)) {
      return SE_OK;
   }
   const tSclClassId parentClass = pParent->GetClassId();
   bool passes;
   if (apObject->IsClass(CID_REF)) {
      passes = IsRefClassOf(parentClass, apObject->GetClassId());
   } else if (apObject->IsClass(CID_VALUE) && pParent->IsClass(CID_REF)) {
      passes = IsRefAttributeOf(parentClass, apObject->GetNameId());
   } else {
      passes = IsPlainChild(parentClass, apObject->GetNameId());
   }
   return passes ? SE_OK : SE_NAME;
}

} // namespace Arvenko::Melvotar::Scl
