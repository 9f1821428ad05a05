// The typed SCL element classes and the reference classes.
//
// One class per element name of SclDll/SclNames.def, expanded from that list by X-macros:
// a class per element id 7..111 (CScl_xml, CSclAccessControl, ... CSclVoltageLevel) and a
// reference class per id 112..123 (CSclAPRef, ... CSclSampledValueControlRef). The only
// facts written here are the deviations: which element classes derive from one of the four
// intermediate classes, the identifying values, and the target class of each reference.
// X-macros rather than a committed generator: the class set is expanded from the one name
// list by the compiler, so it cannot go stale and needs no regeneration check. Accessors
// are to be added per class from the schema rows by the same mechanism, as one-line forwards
// to the container operations.
#pragma once

#include <string>
#include <type_traits>

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclRef.h"
#include "SclDll/SclIds.h"

namespace Arvenko::Melvotar::Scl {

/// How an element class computes GetId(): a fixed leading text followed by the values of up
/// to three attributes, concatenated without separator.
struct tSclIdentity {
   const char* Literal = nullptr;
   tSclNameId Keys[3] = {NID_NONE, NID_NONE, NID_NONE};
   constexpr bool HasId() const { return Literal != nullptr || Keys[0] != NID_NONE; }
};

/// The identifying value of each element class; none for all others and references.
constexpr tSclIdentity SclIdentityOf(tSclClassId aClassId)
{
   switch (aClassId) {
   case CID_AccessPoint:
   case CID_BDA:
   case CID_Bay:
   case CID_ConductingEquipment:
   case CID_ConnectivityNode:
   case CID_DA:
   case CID_DO:
   case CID_DataSet:
   case CID_Function:
   case CID_GSEControl:
   case CID_GeneralEquipment:
   case CID_IED:
   case CID_LogControl:
   case CID_PowerTransformer:
   case CID_ReportControl:
   case CID_SDO:
   case CID_SampledValueControl:
   case CID_SubEquipment:
   case CID_SubFunction:
   case CID_SubNetwork:
   case CID_Substation:
   case CID_TapChanger:
   case CID_Terminal:
   case CID_TransformerWinding:
   case CID_VoltageLevel:
      return {nullptr, {NID_name}};
   case CID_Association:
      return {nullptr, {NID_associationID}};
   case CID_DAType:
   case CID_DOType:
   case CID_EnumType:
   case CID_Header:
      return {nullptr, {NID_id}};
   case CID_EnumVal:
      return {nullptr, {NID_ord}};
   case CID_LDevice:
      return {nullptr, {NID_inst}};
   case CID_Private:
      return {nullptr, {NID_type}};
   case CID_DAI:
   case CID_DOI:
   case CID_SDI:
      return {nullptr, {NID_name, NID_ix}};
   case CID_LN:
      return {nullptr, {NID_prefix, NID_lnClass, NID_inst}};
   case CID_LN0:
      return {"LLN0", {NID_inst}};
   case CID_LNodeType:
      return {nullptr, {NID_lnClass, NID_id}};
   default:
      return {};
   }
}

/// The class a reference's target must answer; CID_NONE for non-reference ids.
constexpr tSclClassId SclRefTargetOf(tSclClassId aRefClassId)
{
   switch (aRefClassId) {
   case CID_APRef:
      return CID_AccessPoint;
   case CID_ConNodeRef:
      return CID_ConnectivityNode;
   case CID_DATypeRef:
      return CID_DAType;
   case CID_DOTypeRef:
      return CID_DOType;
   case CID_DataSetRef:
      return CID_DataSet;
   case CID_EnumTypeRef:
      return CID_EnumType;
   case CID_FCDA_LNRef:
   case CID_LNRef:
      return CID_LNBase;
   case CID_GSEControlRef:
      return CID_GSEControl;
   case CID_IEDRef:
      return CID_IED;
   case CID_LNodeTypeRef:
      return CID_LNodeType;
   case CID_SampledValueControlRef:
      return CID_SampledValueControl;
   default:
      return CID_NONE;
   }
}

/// The four intermediate classes: an object made for one of their ids by itself answers
/// only CID_CONTAINER.
constexpr bool SclIsIntermediateClass(tSclClassId aClassId)
{
   return aClassId == CID_DABase || aClassId == CID_DIBase || aClassId == CID_DOBase ||
          aClassId == CID_LNBase;
}

/// Common part of every typed element class: class id and name id ID, the class answers
/// of the hierarchy, and the identifying value. TBase is CSclContainer or an intermediate
/// class.
template <tSclClassId ID, class TBase = CSclContainer> class CSclTypedElement : public TBase {
 public:
   /// The class id of this class.
   static constexpr tSclClassId s_ClassId = ID;

   /// A new element of this class, inserted into apParent at aIndex (no schema sort: that
   /// is done by CSclContainer::CreateSclContainer).
   explicit CSclTypedElement(CSclContainer* apParent, int aIndex = InsertLast)
       : TBase(apParent, static_cast<tSclNameId>(ID), aIndex)
   {
      this->m_ClassId = ID;
   }

   /// CID_CONTAINER, the own id (not for an intermediate class by itself) and the id of the
   /// intermediate class it derives from.
   bool IsClass(tSclClassId aClassId) const override
   {
      return aClassId == CID_CONTAINER || (aClassId == ID && !SclIsIntermediateClass(ID)) ||
             (aClassId == BaseClassId() && aClassId != CID_NONE);
   }

   /// The identifying value: the identity's leading text and key attribute values.
   std::string GetId() const override
   {
      constexpr tSclIdentity identity = SclIdentityOf(ID);
      std::string id;
      if constexpr (identity.Literal != nullptr)
         id = identity.Literal;
      for (tSclNameId key : identity.Keys)
         if (key != NID_NONE)
            id += this->GetValue(key);
      return id;
   }
   /// Whether the class has an identifying value.
   bool HasId() const override { return SclIdentityOf(ID).HasId(); }

 protected:
   /// For a class deriving from this one: TBase receives the derived class's name id.
   CSclTypedElement(CSclContainer* apParent, tSclNameId aNameId, int aIndex)
       : TBase(apParent, aNameId, aIndex)
   {
      this->m_ClassId = ID;
   }

 private:
   static constexpr tSclClassId BaseClassId()
   {
      if constexpr (std::is_same_v<TBase, CSclContainer>)
         return CID_NONE;
      else
         return TBase::s_ClassId;
   }
};

/// " name=\"value\"" for every attribute child of apRef, in child order.
std::string StoredKeyText(const CSclRef& aRef);

/// Common part of every reference class: class id and name id ID, its target class.
template <tSclClassId ID> class CSclTypedRef : public CSclRef {
   static_assert(SclRefTargetOf(ID) != CID_NONE, "reference class without target class");

 public:
   /// The class id of this class.
   static constexpr tSclClassId s_ClassId = ID;

   /// A new unresolved reference inserted into apParent at aIndex.
   explicit CSclTypedRef(CSclContainer* apParent, int aIndex = InsertLast)
       : CSclRef(apParent, ID, SclRefTargetOf(ID), aIndex)
   {
   }

   /// CID_CONTAINER, CID_REF and the own id.
   bool IsClass(tSclClassId aClassId) const override
   {
      return aClassId == CID_CONTAINER || aClassId == CID_REF || aClassId == ID;
   }
   /// The stored key values as attribute text, in child order.
   std::string GetRefKeyText() const override { return StoredKeyText(*this); }
};

// ---- the deviation table: element classes that derive from an intermediate class ----
//
// SCL_BASE_OF_<element> is defined for these elements only; for all others the test macros
// below fall back to CSclContainer. The table stays defined for later expansions; the
// helper macros are undefined at the end of this header.
#define SCL_DERIVES_FROM(base) ~, 1, base
#define SCL_BASE_OF_BDA SCL_DERIVES_FROM(CSclDABase)
#define SCL_BASE_OF_DA SCL_DERIVES_FROM(CSclDABase)
#define SCL_BASE_OF_DO SCL_DERIVES_FROM(CSclDOBase)
#define SCL_BASE_OF_SDO SCL_DERIVES_FROM(CSclDOBase)
#define SCL_BASE_OF_DOI SCL_DERIVES_FROM(CSclDIBase)
#define SCL_BASE_OF_SDI SCL_DERIVES_FROM(CSclDIBase)
#define SCL_BASE_OF_LN SCL_DERIVES_FROM(CSclLNBase)
#define SCL_BASE_OF_LN0 SCL_DERIVES_FROM(CSclLNBase)

#define SCL_ARG2_(a, b, ...) b
#define SCL_ARG2(...) SCL_ARG2_(__VA_ARGS__)
#define SCL_ARG3_(a, b, c, ...) c
#define SCL_ARG3(...) SCL_ARG3_(__VA_ARGS__)
#define SCL_CAT_(a, b) a##b
#define SCL_CAT(a, b) SCL_CAT_(a, b)
/// 1 for the elements of the deviation table, else 0.
#define SCL_IS_DERIVED(ident) SCL_ARG2(SCL_BASE_OF_##ident, 0, ~)
/// The C++ base class of an element class.
#define SCL_BASE_CLASS(ident) SCL_ARG3(SCL_BASE_OF_##ident, ~, CSclContainer, ~)

#define SCL_DEFINE_ELEMENT_CLASS(ident)                                                            \
   class CScl##ident : public CSclTypedElement<CID_##ident, SCL_BASE_CLASS(ident)> {               \
    public:                                                                                        \
      using CSclTypedElement<CID_##ident, SCL_BASE_CLASS(ident)>::CSclTypedElement;                \
   };
#define SCL_PASS1_0(ident) SCL_DEFINE_ELEMENT_CLASS(ident)
#define SCL_PASS1_1(ident)
#define SCL_PASS2_0(ident)
#define SCL_PASS2_1(ident) SCL_DEFINE_ELEMENT_CLASS(ident)

// Pass 1: every element class that derives from CSclContainer, the intermediate classes
// included, so that they are complete before pass 2 derives from them.
#define SCL_ELEMENT(id, ident, name) SCL_CAT(SCL_PASS1_, SCL_IS_DERIVED(ident))(ident)
#define SCL_REF_ELEMENT(id, ident, name)
#define SCL_ATTRIBUTE(id, ident, name)
#include "SclDll/SclNames.def"
#undef SCL_ELEMENT

// Pass 2: the element classes of the deviation table.
#define SCL_ELEMENT(id, ident, name) SCL_CAT(SCL_PASS2_, SCL_IS_DERIVED(ident))(ident)
#include "SclDll/SclNames.def"
#undef SCL_ELEMENT
#undef SCL_REF_ELEMENT

// The reference classes.
#define SCL_ELEMENT(id, ident, name)
#define SCL_REF_ELEMENT(id, ident, name)                                                           \
   class CScl##ident : public CSclTypedRef<CID_##ident> {                                          \
    public:                                                                                        \
      using CSclTypedRef<CID_##ident>::CSclTypedRef;                                               \
   };
#include "SclDll/SclNames.def"
#undef SCL_ELEMENT
#undef SCL_REF_ELEMENT
#undef SCL_ATTRIBUTE

#undef SCL_DEFINE_ELEMENT_CLASS
#undef SCL_PASS1_0
#undef SCL_PASS1_1
#undef SCL_PASS2_0
#undef SCL_PASS2_1
#undef SCL_IS_DERIVED
#undef SCL_BASE_CLASS
#undef SCL_CAT
#undef SCL_CAT_
#undef SCL_ARG3
#undef SCL_ARG3_
#undef SCL_ARG2
#undef SCL_ARG2_

} // namespace Arvenko::Melvotar::Scl
