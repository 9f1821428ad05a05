// Knowledge of the three SCL editions (2003, 2007B, 2007B4): which child elements an element
// may have and in which order, and which attributes. The tables are generated from the
// schemas of the editions (tools/gen_edition_tables.py). The built-in schema tables of
// CSclSchemaInfo stay the library's default; these serve the interchange saves and the
// edition-aware name check.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "SclDll/SclForward.h"

namespace Arvenko::Melvotar::Scl {

/// Flag of Check (CScl): judge names by the edition of the document.
constexpr int SCL_CHECK_EDITION = 4;

/// An edition of SCL, told by the version, revision and release attributes of the SCL element.
enum tSclEdition : int8_t {
   SCL_EDITION_2003 = 0,   ///< no version attribute
   SCL_EDITION_2007B = 1,  ///< version 2007, revision A or B, release below 4 or none
   SCL_EDITION_2007B4 = 2, ///< version 2007, revision B release 4 and later; new files
};

/// One child element of a type: its name, the row of its type (-1: simple content) and its
/// position in the content model (equal positions may interleave).
struct tSclEditionChild {
   const char* Name;
   int16_t Type;
   int16_t Position;
};

/// One complex type of an edition: its child rows, attribute rows and flags.
struct tSclEditionType {
   const char* Name;
   uint16_t FirstChild;
   uint16_t ChildCount;
   uint16_t FirstAttribute;
   uint16_t AttributeCount;
   uint8_t Flags; ///< SCL_EDFLAG_...
};

/// Elements of other namespaces are allowed.
constexpr uint8_t SCL_EDFLAG_FOREIGN_ELEMENTS = 1;
/// Attributes of other namespaces are allowed.
constexpr uint8_t SCL_EDFLAG_FOREIGN_ATTRIBUTES = 2;
/// The content belongs to other namespaces only (Text, Private): not judged, not reordered.
constexpr uint8_t SCL_EDFLAG_FOREIGN_CONTENT = 4;
/// Text content is allowed.
constexpr uint8_t SCL_EDFLAG_TEXT = 8;

/// The tables of one edition.
struct tSclEditionTables {
   const char* Name;
   const tSclEditionType* Types;
   int TypeCount;
   const tSclEditionChild* Children;
   const char* const* Attributes;
   int RootType;
};

/// Queries on the edition tables. Types are rows of an edition's type table; -1 stands for
/// "no complex type" (an unknown element or one with simple content).
class CSclEdition {
 public:
   /// The edition that version, revision and release name: no version is 2003; 2007 with
   /// release 4 or later (or a revision after B) is 2007B4; any other 2007 is 2007B; a later
   /// version is 2007B4.
   static tSclEdition FromVersion(const std::string& aVersion, const std::string& aRevision,
                                  const std::string& aRelease);
   /// The edition of the SCL element apScl (null: a new file, 2007B4).
   static tSclEdition OfScl(const CSclContainer* apScl);
   /// The edition of the document aObject belongs to: its nearest SCL ancestor (or itself),
   /// else the SCL child of its file; 2007B4 when there is none.
   static tSclEdition Of(const CScl& aObject);
   /// "2003", "2007B" or "2007B4".
   static const char* Name(tSclEdition aEdition);

   static const tSclEditionTables& Tables(tSclEdition aEdition);
   /// The type of the SCL element.
   static int RootType(tSclEdition aEdition) { return Tables(aEdition).RootType; }
   /// The child row of aName in aType; null when the type lists no such child.
   static const tSclEditionChild* FindChild(tSclEdition aEdition, int aType,
                                            const std::string& aName);
   /// Whether aType lists attribute aName.
   static bool HasAttribute(tSclEdition aEdition, int aType, const std::string& aName);
   /// The flags of aType; 0 for -1.
   static uint8_t Flags(tSclEdition aEdition, int aType);
   /// The type of aElement within its document: resolved from the SCL element down; -1 when
   /// aElement lies outside an SCL element or a step on the way is unknown.
   static int TypeOf(tSclEdition aEdition, const CSclContainer& aElement);

   /// Order key of a child of an element of aType for the edition: attributes 0, references
   /// 1, elements the type lists 3 + their position; every other child (an element the type
   /// does not list, a comment, text) keeps its place behind its predecessor, whose key is
   /// aPrevious. aName is the child's name (the name object of an element being read may not
   /// carry it yet).
   static int32_t OrderKey(tSclEdition aEdition, int aType, const CScl& aChild,
                           const std::string& aName, int32_t aPrevious);

   /// Calls aFinding for every object below (and with aSelf including) aElement whose name
   /// the edition of its document does not allow in its parent, the way a schema validator
   /// judges names: elements of other namespaces only where the type admits them, the
   /// content of Text and Private unjudged, nothing below an element that is not allowed.
   /// The key attributes of references count as attributes of their owners (those that a save
   /// with interchange options writes). aFinding returns false to end the walk. Returns the
   /// number of findings.
   static int FindNameFindings(const CSclContainer& aElement, bool aRecursive,
                               const std::function<bool(const CScl& aObject,
                                                        const std::string& aName)>& aFinding);
};

/// Calls aKey with the name and the encoded value of every key attribute that the key text of
/// aRef holds; with aEditionKeys an empty key only where the element read had it (apFile,
/// may be null, remembers that for resolved references).
void SclForEachWrittenRefKey(const CSclRef& aRef, const CSclFile* apFile, bool aEditionKeys,
                             const std::function<void(const std::string& aName,
                                                      const std::string& aValue)>& aKey);

} // namespace Arvenko::Melvotar::Scl
