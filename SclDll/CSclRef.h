// CSclRef: the common base of the reference element classes, and the handle registry
// through which references reach their targets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SclDll/CSclContainer.h"

namespace Arvenko::Melvotar::Scl {

/// Process-wide registry: containers by handle and the references registered on each
/// target. References never hold pointers to their targets, so a deleted target leaves
/// them unresolved instead of dangling. No lock: one thread at a time.
class CSclRefRegistry {
 public:
   /// Gives apContainer a new handle (1, 2, ...; never reused) and registers it.
   static uint32_t AddContainer(CSclContainer* apContainer);
   /// Forgets the handle and every reference registration on it.
   static void RemoveContainer(uint32_t aHandle);
   /// The container of a handle; null for 0 and for handles of destroyed containers.
   static CSclContainer* FindContainer(uint32_t aHandle);
   /// Registers reference aRefHandle on aTarget; returns the registration's key.
   static uint64_t AddRef(uint32_t aTarget, uint32_t aRefHandle);
   /// Removes the registration aKey from aTarget (nothing if it is gone).
   static void RemoveRef(uint32_t aTarget, uint64_t aKey);
   /// Appends the reference handles registered on aTarget in registration order.
   static void GetRefs(uint32_t aTarget, std::vector<uint32_t>& aRefHandles);
};

/// A child element that points at another element of the same file by handle. Unresolved
/// (no target), resolved, or stale (target destroyed) – stale behaves like unresolved.
/// Abstract: the reference element classes supply their key text.
class CSclRef : public CSclContainer {
 public:
   /// Drops the registration on the target.
   ~CSclRef() override;

   /// The base answers CID_VALUE and CID_REF; reference classes CID_CONTAINER, CID_REF
   /// and their own id.
   bool IsClass(tSclClassId aClassId) const override;
   using CSclContainer::GetValue;
   /// GetIdPath() of the resolved target; empty when unresolved.
   std::string GetValue() const override;
   /// Resolves to the first element of the file of the target class whose GetIdPath()
   /// equals aValue and deletes the own children; SE_VALUE (no report) when nothing
   /// matches or the reference is not in a file.
   tSclError SetValue(const std::string& aValue) override;
   /// Copies a reference: the target only within the same file, then as a container;
   /// SE_WRONG_TYPE (reported) when right is no reference.
   tSclError Copy(const CScl& right) override;
   /// True when right is a reference with equal key text (two IEDRefs: also equal content).
   bool ContentCompare(const CScl& right) const override;
   /// The key attributes as start-tag text of the owner (" name=\"value\"" per key).
   virtual std::string GetRefKeyText() const = 0;
   /// GetRefKeyText appended to arText.
   virtual void AppendRefKeyText(std::string& arText) const { arText += GetRefKeyText(); }
   /// The text the reference stands for in its owner's content (an IEDRef: the IED name);
   /// here the first own text value, empty without one.
   virtual std::string GetContent() const;
   /// The key text, for an IEDRef followed by its content; no kind byte and no name.
   int32_t GetCRC32(int32_t aCrc) const override;

   /// Sets the target (null clears it); SE_WRONG_TYPE (reported, target unchanged) when
   /// apContainer does not answer the target class.
   tSclError SetRefSclContainer(CSclContainer* apContainer);
   /// The target; null when unresolved or stale; null (reported) when the registered
   /// target does not answer the target class. Owned by its own parent.
   CSclContainer* GetRefSclContainer() const;
   /// Appends every element of the reference's file answering the target class, in
   /// document order; SE_OK.
   tSclError GetRefValList(std::vector<CSclContainer*>& aList) const;
   /// The class a target must answer.
   tSclClassId GetTargetClass() const { return m_TargetClass; }
   /// The handle of the target; 0 when none (a stale handle stays).
   uint32_t GetTargetHandle() const { return m_TargetHandle; }

 protected:
   /// A reference of class aClassId (also its name id) with target class aTargetClass.
   CSclRef(CSclContainer* apParent, tSclClassId aClassId, tSclClassId aTargetClass, int aIndex);

 private:
   void SetTargetHandle(uint32_t aHandle);

   uint32_t m_TargetHandle = 0;
   tSclClassId m_TargetClass = CID_CONTAINER;
   uint64_t m_RegKey = 0;
};

/// Calls aKey(name, value) for every key attribute of aKeyText, a key text as GetRefKeyText
/// gives it (" name=\"value\"" per key); the value stays entity-encoded.
template <class TKey> void SclSplitRefKeyText(const std::string& aKeyText, TKey&& aKey)
{
   size_t p = 0;
   while (true) {
      const size_t equals = aKeyText.find("=\"", p);
      const size_t close = equals == std::string::npos ? equals : aKeyText.find('"', equals + 2);
      if (close == std::string::npos)
         return;
      aKey(aKeyText.substr(p + 1, equals - p - 1),
           aKeyText.substr(equals + 2, close - equals - 2));
      p = close + 1;
   }
}

} // namespace Arvenko::Melvotar::Scl
