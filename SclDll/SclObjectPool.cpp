#include "SclDll/SclObjectPool.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#endif
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SCL_PLAIN_NEW 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define SCL_PLAIN_NEW 1
#endif

#if !defined(SCL_PLAIN_NEW) && defined(__linux__) && defined(MADV_POPULATE_WRITE)
#define SCL_BLOCK_AHEAD 1
#endif

namespace Arvenko::Melvotar::Scl {

namespace {

// Blocks are aligned to their size, so that the head of a slot's block, and in it the pool,
// is found from the slot's address alone.
constexpr size_t BLOCK_SIZE = size_t(1) << 20;

// A new block; aFill: the pool fills blocks already, so this one will be filled too.
void* NewBlock(bool aFill)
{
   void* pBlock = std::aligned_alloc(BLOCK_SIZE, BLOCK_SIZE);
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
   // A block is filled from its start to its end: its pages are mapped in one call instead of
   // one page fault each. The first block of a pool is left to the faults, so that a small
   // tree keeps its small memory. (Large pages measured slower here: clearing them on first
   // touch cost more than the faults they save.) Only a hint; an older system refuses it and
   // the pages come with the faults.
   if (pBlock != nullptr && aFill)
      madvise(pBlock, BLOCK_SIZE, MADV_POPULATE_WRITE);
#else
   (void)aFill;
#endif
   return pBlock;
}

#ifdef SCL_BLOCK_AHEAD
// Maps the pages of the next filled block on another core while the reader fills the current
// one, so that a large read finds its blocks ready instead of waiting for their pages. One
// block at most waits ahead, for all pools of the process. The thread is started with the
// first block asked for and stopped when the process ends; a machine with one core, or a
// thread that cannot be started, leaves the blocks to the thread that needs them. The thread
// runs only on a core that is idle otherwise: on a busy machine it would take the time from
// the reader (or another program) that it should save, and the reader makes the blocks the
// thread has not made in time.
class CBlockAhead {
 public:
   CBlockAhead() : m_Enabled(std::thread::hardware_concurrency() >= 2) {}
   ~CBlockAhead();
   CBlockAhead(const CBlockAhead&) = delete;
   CBlockAhead& operator=(const CBlockAhead&) = delete;

   /// A filled block (null when memory runs out): the one waiting ahead if there is one, else
   /// a new one; in both cases the next one is prepared.
   void* Take();

 private:
   void Run();

   std::mutex m_Mutex;
   std::condition_variable m_Wake;
   std::thread m_Thread;
   void* m_pReady = nullptr;
   bool m_Wanted = false;
   bool m_Stop = false;
   bool m_Enabled;
};

// Set when the process's CBlockAhead is gone: blocks asked for by destructors of static
// objects that run later are made on the spot.
bool s_AheadGone = false;

CBlockAhead& BlockAhead()
{
   static CBlockAhead ahead;
   return ahead;
}

CBlockAhead::~CBlockAhead()
{
   {
      std::lock_guard<std::mutex> lock(m_Mutex);
      m_Stop = true;
   }
   m_Wake.notify_one();
   if (m_Thread.joinable())
      m_Thread.join();
   std::free(m_pReady);
   s_AheadGone = true;
}

void* CBlockAhead::Take()
{
   void* pBlock = nullptr;
   if (m_Enabled) {
      // The thread holds the lock for a few instructions only, but may be put aside for long
      // while it does: then the block is made here.
      std::unique_lock<std::mutex> lock(m_Mutex, std::try_to_lock);
      if (!lock.owns_lock())
         return NewBlock(true);
      pBlock = m_pReady;
      m_pReady = nullptr;
      m_Wanted = true;
      if (!m_Thread.joinable()) {
         try {
            m_Thread = std::thread([this] { Run(); });
         } catch (const std::exception&) {
            m_Enabled = false; // no thread (or no memory for one): blocks made here
         }
      }
      lock.unlock();
      m_Wake.notify_one();
   }
   return pBlock != nullptr ? pBlock : NewBlock(true);
}

void CBlockAhead::Run()
{
#ifdef SCHED_IDLE
   // Only a hint: without it the thread runs as any other.
   sched_param priority{};
   pthread_setschedparam(pthread_self(), SCHED_IDLE, &priority);
#endif
   std::unique_lock<std::mutex> lock(m_Mutex);
   while (true) {
      m_Wake.wait(lock, [this] { return m_Stop || (m_Wanted && m_pReady == nullptr); });
      if (m_Stop)
         return;
      m_Wanted = false;
      lock.unlock();
      void* pBlock = NewBlock(true);
      lock.lock();
      m_pReady = pBlock;
   }
}
#endif

// The next block of a pool; aFill as for NewBlock.
void* NextBlock(bool aFill)
{
#ifdef SCL_BLOCK_AHEAD
   if (aFill && !s_AheadGone)
      return BlockAhead().Take();
#endif
   return NewBlock(aFill);
}

struct tBlockHead {
   CSclObjectPool* pPool;
   void* pNextBlock;
};

constexpr size_t HEAD_SIZE = (sizeof(tBlockHead) + 15) & ~size_t(15);

// The pool of the innermost scope. The library is used by one thread at a time.
CSclObjectPool* s_pActive = nullptr;

} // namespace

CSclObjectPool* CSclObjectPool::Create()
{
#ifdef SCL_PLAIN_NEW
   return nullptr;
#else
   return new CSclObjectPool;
#endif
}

void CSclObjectPool::ReleaseOwner(CSclObjectPool* apPool)
{
   if (apPool == nullptr)
      return;
   apPool->m_Owned = false;
   apPool->ReleaseIfUnused();
}

CSclObjectPool::CScope::CScope(CSclObjectPool* apPool) : m_pPrevious(s_pActive)
{
   s_pActive = apPool;
}

CSclObjectPool::CScope::~CScope()
{
   s_pActive = m_pPrevious;
}

void* CSclObjectPool::Allocate(size_t aSize)
{
   if (s_pActive == nullptr || aSize == 0 || aSize > MAX_SLOT)
      return nullptr;
   return s_pActive->Take(aSize);
}

void CSclObjectPool::Free(void* apSlot, size_t aSize)
{
   const auto block = reinterpret_cast<uintptr_t>(apSlot) & ~uintptr_t(BLOCK_SIZE - 1);
   reinterpret_cast<tBlockHead*>(block)->pPool->Give(apSlot, aSize);
}

bool CSclObjectPool::IsActiveSlot(const void* apMemory)
{
   if (s_pActive == nullptr)
      return false;
   const auto block = reinterpret_cast<uintptr_t>(apMemory) & ~uintptr_t(BLOCK_SIZE - 1);
   for (void* p = s_pActive->m_pBlocks; p != nullptr; p = static_cast<tBlockHead*>(p)->pNextBlock)
      if (reinterpret_cast<uintptr_t>(p) == block)
         return true;
   return false;
}

namespace {

// The word in front of an array: whether it is a pool slot (else heap memory).
constexpr size_t ARRAY_HEAD = sizeof(void*);
constexpr uintptr_t ARRAY_FROM_POOL = 1;
constexpr uintptr_t ARRAY_FROM_HEAP = 2;

} // namespace

void* CSclObjectPool::AllocateArray(size_t aSize)
{
   if (aSize > SIZE_MAX - ARRAY_HEAD)
      throw std::bad_alloc();
   const size_t total = aSize + ARRAY_HEAD;
   void* pSlot = Allocate(total);
   const uintptr_t origin = pSlot != nullptr ? ARRAY_FROM_POOL : ARRAY_FROM_HEAP;
   if (pSlot == nullptr)
      pSlot = ::operator new(total);
   *static_cast<uintptr_t*>(pSlot) = origin;
   return static_cast<char*>(pSlot) + ARRAY_HEAD;
}

void CSclObjectPool::FreeArray(void* apArray, size_t aSize) noexcept
{
   if (apArray == nullptr)
      return;
   void* pSlot = static_cast<char*>(apArray) - ARRAY_HEAD;
   if (*static_cast<uintptr_t*>(pSlot) == ARRAY_FROM_POOL)
      Free(pSlot, aSize + ARRAY_HEAD);
   else
      ::operator delete(pSlot);
}

CSclObjectPool::~CSclObjectPool()
{
   while (m_pBlocks != nullptr) {
      void* pNext = static_cast<tBlockHead*>(m_pBlocks)->pNextBlock;
      std::free(m_pBlocks);
      m_pBlocks = pNext;
   }
}

void* CSclObjectPool::Take(size_t aSize)
{
   const size_t slot = (aSize + GRAIN - 1) / GRAIN;
   void* pResult = m_FreeLists[slot];
   if (pResult != nullptr) {
      m_FreeLists[slot] = m_FreeLists[slot]->pNext;
   } else {
      const size_t bytes = slot * GRAIN;
      if (static_cast<size_t>(m_pEnd - m_pNext) < bytes) {
         void* pBlock = NextBlock(m_pBlocks != nullptr);
         if (pBlock == nullptr)
            return nullptr; // the caller's heap allocation reports the shortage
         *static_cast<tBlockHead*>(pBlock) = {this, m_pBlocks};
         m_pBlocks = pBlock;
         m_pNext = static_cast<char*>(pBlock) + HEAD_SIZE;
         m_pEnd = static_cast<char*>(pBlock) + BLOCK_SIZE;
      }
      pResult = m_pNext;
      m_pNext += bytes;
   }
   ++m_Live;
   return pResult;
}

void CSclObjectPool::Give(void* apSlot, size_t aSize)
{
   const size_t slot = (aSize + GRAIN - 1) / GRAIN;
   auto* pSlot = static_cast<tSlot*>(apSlot);
   pSlot->pNext = m_FreeLists[slot];
   m_FreeLists[slot] = pSlot;
   --m_Live;
   ReleaseIfUnused();
}

void CSclObjectPool::ReleaseIfUnused()
{
   if (!m_Owned && m_Live == 0)
      delete this;
}

} // namespace Arvenko::Melvotar::Scl
