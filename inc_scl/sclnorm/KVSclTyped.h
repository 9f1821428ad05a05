// The hand-written half of the typed element surface: the two class templates every typed
// element and reference class derives from, and the container helpers that the generated
// accessors of KVSclClasses.h forward to. Each accessor family is one helper here, so a fault
// is fixed once for every class.
#pragma once

#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclRef.h"
#include "SclDll/SclIds.h"

namespace Arvenko::Melvotar::Scl {

// ---- helpers behind the accessor families ----

/// Text of the element's first text child, read through its reference child where the text is
/// a reference key (IEDName); empty when there is none.
std::string SclGetContent(const CSclContainer& aElement);
/// Replaces the text of the element's first text child, or creates one (at its schema
/// position) when there is none; SE_OTHER when it cannot be created.
tSclError SclSetContent(CSclContainer& aElement, const std::string& aText);
/// A reference attribute of an owner: the key of the first reference child (in ascending
/// reference class id) whose class has that key; without such a child the element's own value
/// child of that name when aPlainFallback is set, else empty text.
std::string SclGetRefAttrib(const CSclContainer& aOwner, tSclNameId aNameId,
                            bool aPlainFallback = true);
/// An attribute of the element: reference attributes of its class through SclGetRefAttrib,
/// others as the value of its value child; empty when absent.
std::string SclReadAttrib(const CSclContainer& aElement, tSclNameId aNameId);
/// The reference classes an element class carries, ascending class id.
const std::vector<tSclClassId>& SclRefClassesOf(tSclClassId aClassId);
/// The target of the owner's first reference child of class aRefClassId when it answers
/// aTargetClassId; null otherwise. Owned by the tree.
CSclContainer* SclGetRefTarget(const CSclContainer& aOwner, tSclClassId aRefClassId,
                               tSclClassId aTargetClassId);
/// The target of the reference when it answers aClassId, else null. Owned by the tree.
CSclContainer* SclRefTargetAs(const CSclRef& aRef, tSclClassId aClassId);
/// Points the owner's reference child of class aRefClassId (created with InsertLast when
/// missing) at apTarget; SE_WRONG_TYPE (reported) for a target of the wrong class, SE_OTHER
/// when the reference cannot be created.
tSclError SclSetRefTarget(CSclContainer& aOwner, tSclClassId aRefClassId, CSclContainer* apTarget);
/// The first child element of class aClassId whose identity equals aKey, or null. While a
/// completion runs, lookups among siblings whose identities cannot change during it (and among
/// LNs, watching theirs) are answered from an index; the result is the same first match in
/// child order.
CSclContainer* SclFindChild(const CSclContainer& aParent, tSclClassId aClassId,
                            const std::string& aKey);
/// The first child of class aClassId, or null. While a completion runs, the answer for an
/// element class (never a reference class, whose children a completion adds) is kept per
/// parent: the references of a large file ask for the same few elements again and again.
CScl* SclFirstChild(const CSclContainer& aParent, tSclClassId aClassId);
/// Whether a child with the element name of aClassId exists.
bool SclGetFlag(const CSclContainer& aElement, tSclClassId aClassId);
/// Creates the child of aClassId (at its schema position) when aSet and it is missing;
/// deletes it with its subtree when !aSet and it exists; otherwise changes nothing.
void SclSetFlag(CSclContainer& aElement, tSclClassId aClassId, bool aSet);
/// The type node of the instance element (GetTypeNodeOfInstance) when it answers aClassId.
CSclContainer* SclGetTypeNodeAs(const CSclContainer& aInstance, tSclClassId aClassId);
/// Identity text: aLiteral (may be null) followed by the values of the listed attributes,
/// reference attributes read through the element's reference children.
std::string SclGetIdentity(const CSclContainer& aElement, const char* apLiteral,
                           std::initializer_list<tSclNameId> aNameIds);

/// Own completion of a typed element: moves the key attributes of each reference class the
/// element carries into that reference child (data attributes choose theirs by bType).
void SclCompleteElement(CSclContainer& aElement);

/// Key getter of a reference: derived from the target while it resolves, else the stored
/// value child of that name (aNameId 0: the stored text); empty when there is neither.
std::string SclRefKey(const CSclRef& aRef, tSclNameId aNameId);
/// Target search of a reference (nothing when it already has a target).
void SclCompleteRef(CSclRef& aRef);
/// The key attributes as start-tag text, in key order.
std::string SclRefKeyText(const CSclRef& aRef);
/// The same text appended to arText.
void SclAppendRefKeyText(const CSclRef& aRef, std::string& arText);
/// Copy of a reference; a copy that ends without target carries the source's key values.
tSclError SclCopyRef(CSclRef& aRef, const CScl& right);

/// Element children of class T appended to arList in child order.
template <class T> tSclError SclGetChildren(const CSclContainer& aParent, std::vector<T*>& arList)
{
   for (int i = 0; i < aParent.GetChildCount(); ++i) {
      CScl* pScl = aParent.GetChild(i);
      if (pScl->IsClass(T::s_ClassId))
         arList.push_back(static_cast<T*>(pScl));
   }
   return SE_OK;
}

// ---- the class templates ----

/// Common part of every typed element class: class id and name id ID, the class answers of
/// the hierarchy and the completion. TBase is CSclContainer or an intermediate class;
/// INTERMEDIATE is true for an intermediate class itself (the generated classes set it).
template <tSclClassId ID, class TBase = CSclContainer, bool INTERMEDIATE = false>
class CSclTypedElement : public TBase {
 public:
   /// The class id of this class.
   static constexpr tSclClassId s_ClassId = ID;

   /// A new element of this class inserted into apParent at aIndex (the schema sort of
   /// InsertLast is done by CSclContainer::CreateSclContainer).
   explicit CSclTypedElement(CSclContainer* apParent, int aIndex = InsertLast)
       : TBase(apParent, static_cast<tSclNameId>(ID), aIndex)
   {
      this->m_ClassId = ID;
   }

   /// CID_CONTAINER, the own id (not for an intermediate class by itself) and the id of the
   /// intermediate class it derives from.
   bool IsClass(tSclClassId aClassId) const override
   {
      return aClassId == CID_CONTAINER || (aClassId == ID && !IsIntermediate()) ||
             (aClassId == BaseClassId() && aClassId != CID_NONE);
   }

 protected:
   /// Builds the reference children from the key attributes.
   void CompleteOwn() override { SclCompleteElement(*this); }

   /// For a class deriving from this one: TBase receives the derived class's name id.
   CSclTypedElement(CSclContainer* apParent, tSclNameId aNameId, int aIndex)
       : TBase(apParent, aNameId, aIndex)
   {
      this->m_ClassId = ID;
   }

 private:
   static constexpr bool IsIntermediate() { return INTERMEDIATE; }
   static constexpr tSclClassId BaseClassId()
   {
      if constexpr (std::is_same_v<TBase, CSclContainer>)
         return CID_NONE;
      else
         return TBase::s_ClassId;
   }
};

/// Common part of every reference class: class id and name id ID, target class TARGET, and
/// the behaviour of KVSclRefs.cpp (target search, key text, copy).
template <tSclClassId ID, tSclClassId TARGET> class CSclTypedRef : public CSclRef {
 public:
   /// The class id of this class.
   static constexpr tSclClassId s_ClassId = ID;

   /// A new unresolved reference inserted into apParent at aIndex.
   explicit CSclTypedRef(CSclContainer* apParent, int aIndex = InsertLast)
       : CSclRef(apParent, ID, TARGET, aIndex)
   {
   }

   /// CID_CONTAINER, CID_REF and the own id.
   bool IsClass(tSclClassId aClassId) const override
   {
      return aClassId == CID_CONTAINER || aClassId == CID_REF || aClassId == ID;
   }
   /// The keys as start-tag text of the owner, in key order.
   std::string GetRefKeyText() const override { return SclRefKeyText(*this); }
   void AppendRefKeyText(std::string& arText) const override { SclAppendRefKeyText(*this, arText); }
   /// The reference copy; without a target afterwards the copy holds the source's key values.
   tSclError Copy(const CScl& right) override { return SclCopyRef(*this, right); }

 protected:
   /// Searches the target from the stored keys unless the reference has one.
   void CompleteOwn() override { SclCompleteRef(*this); }
};

} // namespace Arvenko::Melvotar::Scl
