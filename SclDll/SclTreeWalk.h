// Depth-first walks over element trees without recursion on the call stack. Every walk of
// the object model (compare, copy, sort, completion, check, checksum, destruction, the
// descendant visit) runs on SclWalk: the state of each element being walked is a frame in a
// vector, so the depth of a tree is limited by memory only, whoever built the tree.
#pragma once

#include <utility>
#include <vector>

#include "SclDll/CSclContainer.h"

namespace Arvenko::Melvotar::Scl {

/// What the step of a walk asks for next.
enum class tWalk {
   Into, ///< walk the child frame just filled in completely, then step this frame again
   Next, ///< step this frame again (its next child)
   Up,   ///< this frame is done
   Stop  ///< end the whole walk now
};

/// Runs a depth-first walk from aTop. TFrame is the state of one element of the walk
/// (default-constructible and movable); its tWalk Step(TFrame& arChild) handles the frame's
/// next child and returns Into after filling arChild. False when a step stopped the walk.
template <class TFrame> bool SclWalk(TFrame aTop)
{
   std::vector<TFrame> stack;
   stack.push_back(std::move(aTop));
   TFrame child{};
   while (!stack.empty()) {
      switch (stack.back().Step(child)) {
      case tWalk::Into:
         stack.push_back(std::move(child));
         break;
      case tWalk::Next:
         break;
      case tWalk::Up:
         stack.pop_back();
         break;
      case tWalk::Stop:
         return false;
      }
   }
   return true;
}

/// Calls aVisit(CScl*) for every object below apTop in document order (pre-order). The
/// visit's answer says what follows: Into (only for an element) its children, Next its next
/// sibling, Up the next sibling of its parent, Stop nothing. Children are taken by index
/// from the live list, so a visit may append children to the object it visits. False when
/// the visit stopped the walk.
template <class TContainer, class TVisit> bool SclVisitBelow(TContainer* apTop, TVisit&& aVisit)
{
   struct tFrame {
      TContainer* pElement = nullptr;
      int next = 0;
      TVisit* pVisit = nullptr;

      tWalk Step(tFrame& arChild)
      {
         auto* pChild = pElement->GetChild(next++);
         if (pChild == nullptr)
            return tWalk::Up;
         const tWalk walk = (*pVisit)(pChild);
         if (walk == tWalk::Into)
            arChild = {static_cast<TContainer*>(pChild), 0, pVisit};
         return walk;
      }
   };
   return SclWalk(tFrame{apTop, 0, &aVisit});
}

/// Whether the walks of the object model descend into the object: an element that is not a
/// reference (references compare, complete, sort and copy their keys as one object).
inline bool IsWalkedElement(const CScl* apScl)
{
   return apScl->IsClass(CID_CONTAINER) && !apScl->IsClass(CID_REF);
}

} // namespace Arvenko::Melvotar::Scl
