// CSclContainer: the object of one XML element and the owner of its children.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "SclDll/CScl.h"
#include "SclDll/SclForward.h"
#include "SclDll/SclObjectPool.h"

namespace Arvenko::Melvotar::XmlParser {
class CXmlParser;
}

namespace Arvenko::Melvotar::Scl {

/// Capacity every container reserves for its children.
constexpr int DEF_SCL_CHILD_COUNT = 32;
/// Growth step of the child list when it is full.
constexpr int SCL_CHILD_COUNT_QUANT = 16;
/// Index for creation and insertion: append, then (for creation) move to schema position.
constexpr int InsertLast = -1;
/// Deepest level (GetLevel) at which the element reader creates elements. Real SCL files
/// nest some twenty levels; deeper elements are skipped with their content. The walks of the
/// object model take no call stack per level, so the limit only bounds what a hostile file
/// can make the reader build.
constexpr int SCL_MAX_READ_LEVEL = 100000;
/// Levels of indentation the writer puts in front of a line at most. Deeper lines are
/// indented as far as this, so that the size of a written file grows with the size of its
/// tree, not with the square of its depth.
constexpr int SCL_MAX_WRITE_INDENT = 64;
/// The child list of an element: its storage comes from the object pool of a read.
using tSclChildList = std::vector<CScl*, CSclPoolAllocator<CScl*>>;

/// Element object. Children in document order: attributes (named values) first, then
/// text values, remarks, child elements and reference objects. Owns its children; every
/// pointer returned by a lookup or factory is owned by the tree (never delete it except
/// to remove that child). Lookups return null when nothing matches and create nothing.
class CSclContainer : public CScl {
 public:
   /// A plain element child of apParent (or a root when null) inserted at aIndex; a refused
   /// index (reported) leaves it a root.
   explicit CSclContainer(CSclContainer* apParent, int aIndex = InsertLast);
   CSclContainer(CSclContainer* apParent, tSclNameId aNameId, int aIndex = InsertLast);
   CSclContainer(CSclContainer* apParent, const std::string& aName, int aIndex = InsertLast);
   /// Releases its reference handle, destroys the children in order, then unlinks itself.
   ~CSclContainer() override;

   /// True for CID_CONTAINER only; typed classes add their own ids.
   bool IsClass(tSclClassId aClassId) const override;
   /// The first text child; "<<mixed>> " + text + " <<...>>" when the element has more than
   /// one text child or a child element; empty without text.
   std::string GetValue() const override;
   /// Sets the single text child; SE_VALUE_SET without text or with mixed content.
   tSclError SetValue(const std::string& aValue) override;
   /// Appends copies of right's children (name id included); SE_WRONG_TYPE (reported) when
   /// right is no element, SE_OTHER (reported) when a counterpart cannot be created.
   tSclError Copy(const CScl& right) override;
   /// Flag 2: the own name against the parent's class; flag 1: all children, first error.
   /// Flag 4 (SCL_CHECK_EDITION), in place of 2: names (of elements, attributes and
   /// reference keys) by the schema of the document's edition (CSclEdition).
   tSclError Check(int aFlags) const override;
   /// Base comparison plus pairwise equal children in the same order.
   bool ContentCompare(const CScl& right) const override;
   /// Like ContentCompare, but the own attributes that identify elements of this class
   /// (except lnClass) are not compared; deeper objects are compared completely. A right
   /// side that is no element is a programming error.
   bool CompareWithoutTopLevelId(const CScl& right) const;
   /// Rule-driven comparison with right (this element is the left side): children are
   /// matched by identity, differences are reported through rules' callback. With
   /// bContinue false the first counted difference ends the comparison; with true every
   /// difference is reported. False when a counted difference was found; ignored
   /// differences never make it false. A right side that is no element is a programming
   /// error.
   bool SmartCompare(const CScl& right, CSmartCompare& rules, bool bContinue) const;
   /// The identifying value of the element; empty for a plain container.
   virtual std::string GetId() const;
   /// Whether the class has an identifying value; false for a plain container.
   virtual bool HasId() const;
   /// Completes the element and every element below it in document order: each first does
   /// its own completion (CompleteOwn: typed classes build their references, references
   /// search their targets), then its children are completed; nothing below a reference.
   virtual void Complete();
   /// The object part, then every child in order, continuing the register.
   int32_t GetCRC32(int32_t aCrc) const override;
   /// Like GetCRC32, but leaves out the own attributes that identify the class's elements
   /// (lnClass is always fed); children are fed completely.
   int32_t GetCRC32WithoutTopLevelId(int32_t aCrc) const;

   using CScl::GetValue;
   /// Value of the first value child named aNameId (0: the first text); empty if none.
   std::string GetValue(tSclNameId aNameId) const;

   // ---- children ----

   /// Number of children.
   int GetChildCount() const { return static_cast<int>(m_Children.size()); }
   /// False when no child is a text (true does not promise one).
   bool MayHoldText() const { return m_MayHoldText != 0; }
   /// Room in the child list before it grows (32, then in steps of 16).
   int GetChildCapacity() const { return static_cast<int>(m_Capacity); }
   /// Number of children answering IsClass(aClassId).
   int GetChildCount(tSclClassId aClassId) const;
   /// Number of attributes (named values).
   int GetAttribCount() const;
   /// 1 + index of the last attribute; 0 without attributes.
   int GetFirstNonAttribIndex() const;
   /// Child aIndex; null out of range.
   CScl* GetChild(int aIndex) const
   {
      return static_cast<size_t>(aIndex) < m_Children.size() ? m_Children[static_cast<size_t>(aIndex)]
                                                             : nullptr;
   }
   /// Child aIndex (a position in the whole list) if it answers IsClass(aClassId).
   CScl* GetChild(tSclClassId aClassId, int aIndex) const;
   /// The first child answering IsClass(aClassId).
   CScl* GetChild(tSclClassId aClassId) const;
   /// The first child with name id aNameId, of any class; null for 0.
   CScl* GetChildByNameId(tSclNameId aNameId) const;
   /// The same by name (looked up, never registered).
   CScl* GetChildByNameId(const std::string& aName) const;
   /// The first child answering IsClass(aClassId) with name id aNameId.
   CScl* GetChildByNameId(tSclClassId aClassId, tSclNameId aNameId) const;
   /// The first element child answering IsClass(aClassId) whose GetId() equals aId.
   CSclContainer* GetChildById(tSclClassId aClassId, const std::string& aId) const;
   /// The aIndex-th (0-based) child whose class id is exactly aClassId.
   CScl* GetChildByInstanceIndex(tSclClassId aClassId, int aIndex) const;
   /// The child with that class id, name id, id and occurrence count (Count 0: none).
   CScl* GetChildByIdStruct(const tIdStruct& aIdStruct) const;
   /// Follows aCount IdStructs downwards from this container; null for 0 or a miss.
   CScl* GetChildByIdStructArray(const tIdStruct* apIdStructArray, int aCount) const;
   /// Calls aCallback for every descendant, depth-first in document order; stops at and
   /// returns the first non-zero result, else 0.
   int ForEachChild(const std::function<int(CScl*)>& aCallback) const;

   // ---- creation and modification ----

   /// Creates the typed element of aClassId as child at aIndex (InsertLast: append, then
   /// move to its schema position). Null for class ids without element class (0, 2..6,
   /// above 123) and when the index is refused (reported by InsertChild).
   CSclContainer* CreateSclContainer(tSclClassId aClassId, int aIndex = InsertLast);
   /// Creates a value child named aName (registered if unknown); null when refused.
   CSclValue* CreateSclValue(const std::string& aName, int aIndex = InsertLast);
   /// Creates a value child with name id aNameId (0: element text); null when refused.
   CSclValue* CreateSclValue(tSclNameId aNameId, int aIndex = InsertLast);
   /// Creates a remark child; null when refused.
   CSclRemark* CreateSclRemark(int aIndex = InsertLast);

   /// Links apChild into the list at aIndex (-1: end of its block). SE_VALUE (reported)
   /// for an index out of range or on the wrong side of the attribute block.
   tSclError InsertChild(CScl* apChild, int aIndex);
   /// Destroys child aIndex and its subtree; SE_VALUE (reported "Index zu gro\xDF") for
   /// every index outside 0..count-1, negative ones included.
   tSclError DeleteChild(int aIndex);
   /// Destroys that child; SE_DATA_NOT_FOUND (no report) if it is not a child.
   tSclError DeleteChild(CScl* apChild);
   /// Destroys all children.
   void DeleteChildren();
   /// Exchanges two children; SE_VALUE (reported) for a bad index, SE_OTHER (reported)
   /// for an attribute and a non-attribute.
   tSclError SwapChild(int aIndex1, int aIndex2);
   /// Sets attribute aNameId, creating it at the end of the attribute block when missing;
   /// SE_WRONG_TYPE when a non-value child carries that name.
   tSclError SetAttribValue(tSclNameId aNameId, const std::string& aValue);
   /// The same by name (registered if unknown).
   tSclError SetAttribValue(const std::string& aName, const std::string& aValue);
   /// Orders the children by schema order key (bubble sort semantics, stable); aSimple
   /// only carries the last child back, aAttributes also orders attributes by name id,
   /// aRecursive descends into elements that are not references. A file root keeps its
   /// own order. Returns whether any child moved.
   bool Sort(bool aRecursive, bool aSimple, bool aAttributes);

   // ---- instance-to-type navigation ----

   /// The type template element that describes this instance element (an LN/LN0: its
   /// LNodeType; a DOI: the DO of that name; below: the child of the parent's resolved type
   /// with this element's identity); null at the first missing link. Owned by the tree.
   CSclContainer* GetTypeNodeOfInstance() const;

   // ---- references ----

   /// The container's process-wide handle, given on first use and never reused.
   uint32_t GetRefHandle();
   /// The handle of this container in the reference registry; 0 when it has none yet.
   uint32_t PeekRefHandle() const { return m_RefHandle; }
   /// Puts the children of every element below in the order of the document's edition, as
   /// the interchange option EditionOrder writes them.
   void SortForEdition();
   /// Appends the existing references registered on this container, in registration
   /// order; SE_OK.
   tSclError GetRefList(std::vector<CSclRef*>& aList) const;
   /// Number of references of the file (other than this object) that resolve to this
   /// container; 0 outside a file.
   int GetRefCount() const;
   /// Moves the first value child with that name id to the end of apSclRef's attributes;
   /// nothing without such a child.
   void MoveAttribToRef(tSclNameId aNameId, CSclRef* apSclRef);
   /// The same by name (looked up, never registered); an unknown non-empty name moves
   /// nothing.
   void MoveAttribToRef(const std::string& aName, CSclRef* apSclRef);

   // ---- reading and writing ----

   /// Reads this element's content from apParser, from just after its start tag up to and
   /// including its end tag (a file root: to the end of input, then completes the tree),
   /// appending to the existing children. Missing end tags and objects that cannot be
   /// created are reported and repaired; reading goes on. Elements that would lie deeper
   /// than SCL_MAX_READ_LEVEL are skipped with their content (reported once per call).
   void Read(XmlParser::CXmlParser* apParser);
   /// Writes this element (a file root: its children) as lines indented by aIndent levels
   /// of three blanks (up to SCL_MAX_WRITE_INDENT levels); nothing is written with a null parser.
   /// Throws scl_error (SE_IO) when the parser refuses a line; what was written stays.
   /// aWithArvenkoExtension is unused.
   void Write(int aIndent, XmlParser::CXmlParser* apParser, bool aWithArvenkoExtension) const;

 protected:
   /// The element's own part of the completion, before its children; nothing here.
   virtual void CompleteOwn() {}
   /// The walk of Complete (the own completion is the element's virtual CompleteOwn); a
   /// non-null apAfterOwn is called with every element below this one (references included)
   /// right after its own completion.
   void CompleteVisiting(const std::function<void(CSclContainer&)>* apAfterOwn);
   /// Called by a child's destructor: forgets the child unless this container is itself
   /// destroying children (and aForce is false).
   void RemoveChild(CScl* apChild, bool aForce);

 private:
   friend class CScl;

   // Inline: every child a read inserts passes it. Plain values, most of a tree, answer by
   // their class id without a virtual call.
   static bool IsAttrib(const CScl* apScl)
   {
      return apScl->GetNameId() != 0 &&
             (apScl->GetClassId() == CID_VALUE || apScl->IsClass(CID_VALUE));
   }
   /// Sets m_MayHoldText when apChild, arriving among the children, is a text.
   void NoteArrival(const CScl* apChild)
   {
      if (apChild->m_NameId == 0 && apChild->m_ClassId == CID_VALUE)
         m_MayHoldText = 1;
   }
   /// Sort of the own children (Sort without aRecursive); arDone is set when the simple sort
   /// returned at a pair in order, which ends a recursive sort there too.
   bool SortChildren(bool aSimple, bool aAttributes, bool& arDone);
   /// SetAttribValue on apFound, or on a new attribute aNameId (apUnlistedName: the name a
   /// NID_UNLISTED attribute holds) when it is null.
   tSclError SetAttribValue(CScl* apFound, tSclNameId aNameId, const std::string* apUnlistedName,
                            const std::string& aValue);
   /// The first child holding the name aName itself (name id NID_UNLISTED).
   CScl* FindUnlistedChild(const std::string& aName) const;
   /// Prepares arElement for the destruction of its children as its destructor does (drops
   /// its handle and its reference registration, sets deleting); returns its child list.
   static tSclChildList& BeginDestruction(CSclContainer& arElement);
   struct tDestroyFrame;
   /// After a creation: destroys a child the list refused (false), else sorts it into
   /// place when it was appended with InsertLast (true).
   bool AdoptCreated(CScl* apChild, int aIndex);
   /// Reader's batch form of the creation sort: the children from aFirst on were appended
   /// in this order without it, apCreatedKeys[i] being the order key child aFirst + i had
   /// when it was appended (its name may have changed since). Moves them exactly where
   /// sorting each on its creation would have put them, whatever the order of the children
   /// in front of aFirst. aKeyCount must equal the number of those children. Nothing moves
   /// in a file root or without schema information, as in Sort.
   void SortArrivals(size_t aFirst, const int32_t* apCreatedKeys, size_t aKeyCount);
   /// Reader's repair of a missing end tag: the parent refuses the attributes (reported,
   /// then destroyed); the other children go in front of arCarried, the children handed up
   /// from below (held last child first), which all belong at the end of the parent's
   /// list. Without parent the container keeps its children and takes arCarried.
   void PassChildrenUp(std::vector<CScl*>& arCarried);
   /// Appends arCarried (last child first) to the list as their parent; empties it.
   void AdoptCarried(std::vector<CScl*>& arCarried);

   // The handle and the bit fields share the 8 bytes after CScl's fields, so that an
   // element takes 56 bytes, served by the heap in 64-byte blocks.
   uint32_t m_RefHandle = 0;
   /// Capacity of the child list by the fixed rule (32, then count + 16 when full); the
   /// storage in m_Children is allocated as children arrive.
   uint32_t m_Capacity : 30;
   uint32_t m_Deleting : 1;
   /// Set once a child without a name (a text) may be among the children: when one arrives
   /// or a child loses its name. Never cleared, so that an element without it has no text
   /// for certain and the walks that want its value skip the search for one.
   uint32_t m_MayHoldText : 1;
   tSclChildList m_Children;
};

} // namespace Arvenko::Melvotar::Scl
