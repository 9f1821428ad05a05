// CScl: the abstract base of every object of an SCL document tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "SclDll/SclError.h"
#include "SclDll/SclIds.h"

namespace Arvenko::Melvotar::Scl {

class CScl;
class CSclContainer;

/// Identity of an object among its siblings; an array of them locates an object top-down.
struct tIdStruct {
   tSclClassId ClassId = CID_NONE; ///< class id of the object
   tSclNameId NameId = 0;          ///< name id of the object
   std::string Id;                 ///< GetId() of an element; empty for other objects
   int32_t Count = 0;              ///< 1-based occurrence among equal siblings; 0 without parent
};

/// Process-wide hook called for every object being destroyed (after its children).
typedef void (*tSclDeleteNotify)(void* apContext, CScl* apScl);

/// Base of elements, values, remarks and references. The parent container owns its
/// children; a root belongs to its creator. Destroying an object destroys its subtree
/// and unlinks it from its parent.
class CScl {
 public:
   virtual ~CScl();
   CScl(const CScl&) = delete;
   CScl& operator=(const CScl&) = delete;

   /// Whether the object belongs to the class (the class hierarchy of the name table).
   virtual bool IsClass(tSclClassId aClassId) const = 0;
   /// The object's value text (attribute value, text, comment, element text, reference path).
   virtual std::string GetValue() const = 0;
   /// Sets the value text; the result says whether the class accepts it.
   virtual tSclError SetValue(const std::string& aValue) = 0;
   /// Copies the content of right into this object; SE_WRONG_TYPE for a foreign class.
   virtual tSclError Copy(const CScl& right) = 0;
   /// Schema check: flag 1 descends to all children, flag 2 tests the own name against
   /// the parent's class. SE_NAME (without report) for a failing name. An element answers
   /// flag 4 (SCL_CHECK_EDITION) too: names judged by the edition of its document instead.
   virtual tSclError Check(int aFlags) const = 0;
   /// True when class ids, name ids and GetValue() texts are equal.
   virtual bool ContentCompare(const CScl& right) const;
   /// Folds the object into the CRC-32 register aCrc and returns the register: here the
   /// object part (kind byte, name, value text), which values and remarks use as it is.
   virtual int32_t GetCRC32(int32_t aCrc) const;

   /// The containing element, which owns this object; null for a root.
   CSclContainer* GetParent() const { return m_pParent; }
   /// The nearest ancestor answering IsClass(aClassId), parent first; null if none.
   CSclContainer* GetParent(tSclClassId aClassId) const;
   /// The element or attribute name id; 0 for element text and unnamed objects.
   tSclNameId GetNameId() const { return m_NameId; }
   /// The most derived class id.
   tSclClassId GetClassId() const { return static_cast<tSclClassId>(m_ClassId); }
   /// The name of the name id; empty for 0 or an unregistered id. An object with name id
   /// NID_UNLISTED answers the name it holds itself.
   const std::string& GetSclName() const;
   /// Renames the object, registering an unknown name; always SE_OK. When the name table is
   /// full the object keeps the name itself (name id NID_UNLISTED), so no name is lost.
   tSclError SetSclName(const std::string& aName);
   /// Names the object without registering the name (name id NID_UNLISTED): for names that
   /// must not fill the process-wide table, such as the path a file was read from. SE_OK.
   tSclError SetUnlistedSclName(const std::string& aName);
   /// Takes over the name of another object (its name id, or the name it holds itself).
   void CopySclName(const CScl& aOther);
   /// Whether both objects carry the same name: equal name ids, or equal names where one
   /// of them holds its name itself (NID_UNLISTED).
   bool HasSameSclName(const CScl& aOther) const;

   /// The object itself if it answers CID_FILE, else the nearest such ancestor; or null.
   CSclContainer* GetSclFile() const;
   /// 0 for a root, else the parent's level + 1.
   int GetLevel() const;
   /// Position in the parent's child list; -1 without parent or when not listed.
   int GetIndex() const;
   /// Number of earlier siblings with the same class id; -1 without parent.
   int GetInstanceIndex() const;
   /// True if apContainer is a proper ancestor.
   bool IsElementOf(const CSclContainer* apContainer) const;
   /// Pre-order successor limited to levels aMinLevel..aMaxLevel; null at the end.
   /// GetNext(0, 255) from the file root visits every object.
   CScl* GetNext(int aMinLevel, int aMaxLevel) const;

   /// The name, with "[" + GetId() + "]" for an element that has an identifying value.
   std::string GetIdName() const;
   /// The IdNames from level 2 down to this object, joined by "."; empty up to level 1.
   std::string GetIdNamePath() const;
   /// The identifying values of the elements from level 2 down, joined by "." (the text
   /// of references); an element with an id below an id-less level-2 element gets a
   /// leading ".".
   std::string GetIdPath() const;
   /// The identity among the siblings.
   tIdStruct GetIdStruct() const;
   /// Writes the IdStructs of this object (at aCount - 1) and its ancestors (below it)
   /// into apIdStructArray; SE_OTHER when the ancestry is shorter than aCount, SE_VALUE
   /// (nothing written) for aCount < 1. A null array is a programming error.
   tSclError FillIdStructArray(tIdStruct* apIdStructArray, int aCount) const;
   /// "ClassId,NameId,Id,Count" in decimal.
   std::string GetIdStructString() const;
   /// "(" + GetIdStructString() + ")" for every object from level 1 down to this one.
   std::string GetIdStructPath() const;

   /// Objects are allocated from the pool of the innermost pool scope (a file being read), or
   /// on the heap; each goes back where it came from.
   static void* operator new(size_t aSize);
   static void* operator new(size_t aSize, const std::nothrow_t&) noexcept;
   static void operator delete(void* apMemory, size_t aSize);
   /// For a constructor that failed after a nothrow new.
   static void operator delete(void* apMemory, const std::nothrow_t&) noexcept;

   /// Installs the process-wide delete hook and its context; null removes it.
   static void SetDeleteNotify(tSclDeleteNotify apNotify, void* apContext);
   /// The installed delete hook, or null.
   static tSclDeleteNotify GetDeleteNotify();

 protected:
   /// Base construction; the derived constructor sets the class id and links the object
   /// into apParent (LinkToParent). The name table is filled on first use.
   explicit CScl(CSclContainer* apParent);
   CScl(CSclContainer* apParent, tSclNameId aNameId);
   /// The name is registered; a name the full table refuses is held by the object.
   CScl(CSclContainer* apParent, const std::string& aName);

   /// Called by the constructors of values, remarks and containers: inserts the object into
   /// its parent at aIndex. When the parent refuses the index (reported), the object is
   /// detached, so that it never names a parent that does not own it.
   void LinkToParent(int aIndex);

   // The fields after the vtable pointer fill 24 bytes: the parent pointer, then the class id
   // (every id fits 16 bits), the name id and the index hint. A value with its text then takes
   // 56 bytes, which the heap serves in 64-byte blocks.
 private:
   friend class CSclContainer;

   CSclContainer* m_pParent;

 protected:
   int16_t m_ClassId = CID_NONE;
   tSclNameId m_NameId;

 private:
   /// Sets the name id of aName (registered when unknown), or holds aName beside the object
   /// when the full table refuses it.
   void SetNameIdOf(const std::string& aName);
   /// Sets a name id taken from the table or another object (0 and NID_UNLISTED included;
   /// for NID_UNLISTED, aUnlistedName is the name to hold).
   void SetNameId(tSclNameId aNameId, const std::string* apUnlistedName);

   /// "Not known" for m_IndexHint.
   static constexpr uint32_t NO_INDEX_HINT = 0x7FFFFFFFu;
   /// Last known position in the parent's list; checked before every use.
   mutable uint32_t m_IndexHint : 31;
   /// Whether the object lives in a pool slot (set by the constructor, read by the destructor).
   uint32_t m_Pooled : 1;
};

} // namespace Arvenko::Melvotar::Scl
