// Pools for the objects of a tree read from a file: a read takes its objects from a few large
// blocks instead of one heap allocation each, and a destroyed tree gives them back in a few
// frees. A single object deleted alone goes back to the free list of its pool.
#pragma once

#include <cstddef>

namespace Arvenko::Melvotar::Scl {

/// A pool of object slots, owned by one file root and by its live objects: it is released
/// when the owner has let it go and its last object is gone. Like the rest of the library it
/// is used by one thread at a time. Address sanitizer builds (or SCL_PLAIN_NEW) use plain
/// new and delete instead, so that every object keeps its own checked allocation.
class CSclObjectPool {
 public:
   /// A new pool with its owner's reference; null when pools are switched off.
   static CSclObjectPool* Create();
   /// Drops the owner's reference (null: nothing).
   static void ReleaseOwner(CSclObjectPool* apPool);

   /// Objects allocated through Allocate while a scope lives come from its pool (none: null).
   class CScope {
    public:
      explicit CScope(CSclObjectPool* apPool);
      ~CScope();
      CScope(const CScope&) = delete;
      CScope& operator=(const CScope&) = delete;

    private:
      CSclObjectPool* m_pPrevious;
   };

   /// A slot of aSize bytes from the pool of the innermost scope; null without a scope or for
   /// a size pools do not serve (the caller allocates on the heap then).
   static void* Allocate(size_t aSize);
   /// Returns a slot Allocate gave out, with the same size, to its pool.
   static void Free(void* apSlot, size_t aSize);
   /// Whether apMemory is a slot of the pool of the innermost scope: for the memory of an
   /// object whose constructor failed (searches the pool's blocks).
   static bool IsActiveSlot(const void* apMemory);

   /// aSize bytes for an array, aligned for pointers: from the pool of the innermost scope
   /// when it serves the size, else from the heap (std::bad_alloc when that fails). A word in
   /// front of the array says where it came from.
   static void* AllocateArray(size_t aSize);
   /// Gives back an array from AllocateArray, with the same size.
   static void FreeArray(void* apArray, size_t aSize) noexcept;

 private:
   CSclObjectPool() = default;
   ~CSclObjectPool();
   void* Take(size_t aSize);
   void Give(void* apSlot, size_t aSize);
   void ReleaseIfUnused();

   struct tSlot {
      tSlot* pNext;
   };
   static constexpr size_t GRAIN = 8;
   static constexpr size_t MAX_SLOT = 256;

   tSlot* m_FreeLists[MAX_SLOT / GRAIN + 1] = {};
   char* m_pNext = nullptr; // the unused rest of the newest block
   char* m_pEnd = nullptr;
   void* m_pBlocks = nullptr; // newest block first, chained through their heads
   size_t m_Live = 0;
   bool m_Owned = true;
};

/// An allocator for containers whose storage comes from the pool of the innermost scope
/// (CSclObjectPool::AllocateArray): the child lists of the elements of a tree being read sit
/// beside the elements, and a destroyed tree gives them back with its blocks.
template <class T>
struct CSclPoolAllocator {
   using value_type = T;

   CSclPoolAllocator() noexcept = default;
   template <class U>
   CSclPoolAllocator(const CSclPoolAllocator<U>&) noexcept
   {
   }
   T* allocate(size_t aCount)
   {
      return static_cast<T*>(CSclObjectPool::AllocateArray(aCount * sizeof(T)));
   }
   void deallocate(T* apArray, size_t aCount) noexcept
   {
      CSclObjectPool::FreeArray(apArray, aCount * sizeof(T));
   }
   friend bool operator==(const CSclPoolAllocator&, const CSclPoolAllocator&) { return true; }
   friend bool operator!=(const CSclPoolAllocator&, const CSclPoolAllocator&) { return false; }
};

} // namespace Arvenko::Melvotar::Scl
