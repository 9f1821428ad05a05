// The key table of the reference classes: their keys in key-text order and where a resolved
// reference takes each key's value from. Shared by the reference behaviour and the owners'
// completion; not part of the public surface.
#pragma once

#include <string>

#include "SclDll/SclIds.h"

namespace Arvenko::Melvotar::Scl {

class CSclContainer;

/// Where a resolved reference takes a key's value from.
enum tSclKeySource {
   KS_TARGET,   ///< the target's attribute
   KS_ANCESTOR, ///< the attribute of the target's nearest ancestor of a class
   KS_LN_ONLY,  ///< the target's attribute when the target is an LN, else the stored value
   KS_LLN0,     ///< "LLN0" when the target is an LN0, else the target's attribute
};

/// One key of a reference class.
struct tSclRefKeyRule {
   tSclClassId refClass; ///< the reference class
   tSclNameId key;       ///< the key attribute; NID_NONE for the owner's text
   tSclKeySource source; ///< where a resolved reference reads it
   tSclClassId ancestor; ///< for KS_ANCESTOR: the ancestor class
   tSclNameId attribute; ///< the attribute read from the target or the ancestor
};

/// The keys of one reference class in key-text order (a range of the constant table).
struct tSclRefKeyRules {
   const tSclRefKeyRule* pBegin;
   const tSclRefKeyRule* pEnd;
   const tSclRefKeyRule* begin() const { return pBegin; }
   const tSclRefKeyRule* end() const { return pEnd; }
};

/// The keys of aRefClassId; an empty range for other classes.
tSclRefKeyRules SclRefKeyRules(tSclClassId aRefClassId);
/// Whether aNameId is a key of aRefClassId.
bool SclRefHasKey(tSclClassId aRefClassId, tSclNameId aNameId);

/// The parts of an LN's identity (prefix, lnClass and inst; the identity is their
/// concatenation) read in place; false when one of them must be built.
bool SclLNIdentityInPlace(const CSclContainer& aLN, const std::string* (&arParts)[3]);
/// Tells the lookups of a running completion that the identity of aElement may have changed.
void SclIdentityMayChange(const CSclContainer& aElement);

} // namespace Arvenko::Melvotar::Scl
