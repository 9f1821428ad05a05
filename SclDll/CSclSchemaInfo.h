// Built-in knowledge of the SCL element set: attributes, child elements with their
// sequence position and multiplicity, text content, identifying attributes and references.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "SclDll/SclError.h"
#include "SclDll/SclIds.h"

namespace Arvenko::Melvotar::Scl {

class CScl;

/// maxOccurs of a row or child kind that may occur any number of times.
constexpr int32_t SCL_UNBOUNDED = -1;

/// One row of the schema table: an attribute, a child element or the text content of a class.
struct tSclSchemaEntry {
   tSclClassId classId; ///< the element class that owns the row
   int32_t nameId;      ///< attribute or child element name; NID_NONE for text content
   const char* xsdType; ///< type name of the SCL schema, "" where none is given
   bool isAttribute;    ///< true: XML attribute; false: child element or text content
   int32_t minOccurs;   ///< 0 optional, 1 required
   int32_t maxOccurs;   ///< 1, 2 or SCL_UNBOUNDED
   bool isRefAttribute; ///< key attribute of a reference, held in a reference child object
   int32_t sequence;    ///< 1-based position in the element sequence; 0 for attributes and text
};

/// One pair of a key table: a class and a name id (key attributes, reference keys) or a
/// class and a reference class id (reference classes).
struct tSclSchemaPair {
   tSclClassId classId; ///< the owning class (an element class or a reference class)
   int32_t id;          ///< a name id or a reference class id
};

/// A read-only view of one constant table; the rows live as long as the program.
template <typename T> struct tSclSchemaTable {
   const T* pRows; ///< first row
   int32_t count;  ///< number of rows
   const T* begin() const { return pRows; }
   const T* end() const { return pRows + count; }
   const T& operator[](int32_t aIndex) const { return pRows[aIndex]; }
};

/// One kind of child an element may have (result of GetChildInfos).
struct tSclChildInfo {
   tSclClassId ClassId; ///< CID_VALUE for attributes and text, else the child's class
   int32_t NameId;      ///< the child's name id; NID_NONE for text content
   int32_t Min;         ///< least number of occurrences
   int32_t Max;         ///< most occurrences, SCL_UNBOUNDED for any number
};

/// The process-wide index over the constant schema tables. Built on first use, immutable
/// afterwards and never destroyed; callers never delete it.
class CSclSchemaInfo {
 public:
   /// The one instance, built on the first call; null if it cannot be allocated (a later
   /// call tries again). Not thread-safe on the first call.
   static CSclSchemaInfo* GetInstance();

   /// The 531 schema rows, grouped by class in ascending class id; the IEDName text row
   /// stands twice, after the rows of GSEControl and after those of SampledValueControl.
   static tSclSchemaTable<tSclSchemaEntry> GetSchemaTable();
   /// The 47 (class, key attribute name id) pairs.
   static tSclSchemaTable<tSclSchemaPair> GetKeyAttributeTable();
   /// The 22 (class, reference class id) pairs.
   static tSclSchemaTable<tSclSchemaPair> GetRefClassTable();
   /// The 26 (reference class, key attribute name id) pairs, ascending name id per class.
   static tSclSchemaTable<tSclSchemaPair> GetRefKeyTable();

   /// Appends (never clears) every kind of child of aClassId: plain attributes (and for a
   /// reference class its key attributes, 0..1), reference children (1..1, ascending id),
   /// child elements in table order, text content. Appends nothing for an unknown class.
   void GetChildInfos(tSclClassId aClassId, std::vector<tSclChildInfo>& arInfos) const;

   /// Adds the name ids of the attributes that identify an element of aClassId among its
   /// siblings; adds nothing for a class without key attributes.
   void GetIdAttributes(tSclClassId aClassId, std::set<tSclNameId>& arNameIds) const;
   /// Adds the reference classes an element of aClassId carries.
   void GetRefClasses(tSclClassId aClassId, std::set<tSclClassId>& arClassIds) const;
   /// Adds the key attributes of reference class aRefClassId (NID_NONE: the owner's text).
   void GetRefAttributes(tSclClassId aRefClassId, std::set<tSclNameId>& arNameIds) const;

   /// The row of (aClassId, aNameId), the later one where the pair stands twice; null when
   /// the class has no such row. The row belongs to the constant table.
   const tSclSchemaEntry* GetEntry(tSclClassId aClassId, tSclNameId aNameId) const;

   /// True when aClassId has a row for aNameId that is not a reference attribute.
   bool IsPlainChild(tSclClassId aClassId, tSclNameId aNameId) const;
   /// True when elements of aClassId carry references of class aRefClassId.
   bool IsRefClassOf(tSclClassId aClassId, tSclClassId aRefClassId) const;
   /// True when aNameId is a key attribute of reference class aRefClassId.
   bool IsRefAttributeOf(tSclClassId aRefClassId, tSclNameId aNameId) const;

   /// Sequence position of the row (aClassId, aNameId); of the later row where the pair
   /// stands twice; 0 for attributes, text and pairs without a row.
   int32_t GetSequence(tSclClassId aClassId, tSclNameId aNameId) const;
   /// Largest sequence position among the rows of aClassId; 0 for a class without rows.
   int32_t GetMaxSequence(tSclClassId aClassId) const;

   /// Sort key of apChild among the children of apParent: 0 attribute, 1 reference object,
   /// 2 remark, 3 + sequence for an element (3 when not listed), 4 + the parent's largest
   /// sequence for text content. Null pointers are programming errors.
   int32_t GetChildOrderKey(const CScl* apParent, const CScl* apChild) const;

   /// Schema test of one object's name against its parent's class: SE_OK when the object
   /// has no parent, is a remark, or is listed for the parent (a reference object by its
   /// class, a value inside a reference object as a key attribute, anything else by its
   /// name id as a plain child); SE_NAME otherwise. Reports nothing.
   tSclError CheckName(const CScl* apObject) const;

   CSclSchemaInfo(const CSclSchemaInfo&) = delete;
   CSclSchemaInfo& operator=(const CSclSchemaInfo&) = delete;

 private:
   CSclSchemaInfo();
   ~CSclSchemaInfo() = default;

   /// What the indexes hold for one class id.
   struct tClassIndex {
      std::vector<const tSclSchemaEntry*> rows; ///< the class's rows in table order
      std::vector<tSclNameId> keyAttributes;    ///< key attributes
      std::vector<tSclClassId> refClasses;      ///< reference classes
      std::vector<tSclNameId> refKeys;          ///< key attributes as a reference class
      int32_t maxSequence = 0;                  ///< largest sequence among the rows
   };

   const tClassIndex* FindClass(tSclClassId aClassId) const;
   /// The sort key of an element named aNameId among the children of an element of class
   /// aParentClass.
   int32_t ElementKey(tSclClassId aParentClass, tSclNameId aNameId) const;

   std::vector<tClassIndex> m_Classes; ///< indexes 1 to 4, by class id 0..CID_LAST_CLASS
   std::vector<int16_t> m_RowOfPair;   ///< index 5: row number by (class, name), -1 none
};

} // namespace Arvenko::Melvotar::Scl
