// The key texts of the references a save's checksum walk built, kept in the order the walk
// met them, so that the writing walk takes each text instead of building it again from the
// reference's target.
//
// The writing walk may run on a thread of its own while the checksum walk goes on: the log
// then also tells the writer how far the checksum walk is. Its units are the elements below
// the file and below the SCL element; the checksum walk may change an element (its
// multipliers) only inside the unit it is in, so the writer writes a unit once the walk has
// left it. One thread adds, one thread takes. After the walk the calling thread may take
// units from the back for itself (TakeLast) and read their texts through a log of its own
// (ReadFrom); the writer leaves a hole for each, and for the checksum stamp.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Arvenko::Melvotar::Scl {

class CScl;
class CSclRef;

class CSclRefKeyLog {
 public:
   /// Thrown to the writer that waits for a checksum walk that failed.
   struct tWalkFailed {};

   CSclRefKeyLog() = default;
   CSclRefKeyLog(const CSclRefKeyLog&) = delete;
   CSclRefKeyLog& operator=(const CSclRefKeyLog&) = delete;

   /// Notes the key text of apRef (the checksum walk).
   void Add(const CSclRef* apRef, const std::string& aText)
   {
      // Texts go into blocks that are never moved, so that the log grows without copies
      // and without a doubled allocation.
      if (m_Blocks.empty() || kBlockSize - m_Used < aText.size()) {
         m_Blocks.emplace_back(std::max(kBlockSize, aText.size()));
         m_Used = 0;
      }
      char* const pText = m_Blocks.back().data() + m_Used;
      aText.copy(pText, aText.size());
      m_Used += aText.size();
      if (m_pTail == nullptr) {
         m_pTail = m_pFirst = NewSegment();
      } else if (m_TailUsed == kSegmentEntries) {
         tSegment* const pNext = NewSegment();
         m_pTail->pNext = pNext;
         m_pTail = pNext;
         m_TailUsed = 0;
      }
      m_pTail->entries[m_TailUsed++] = {apRef, pText, aText.size()};
      // The entry (and a new segment) is complete before the count shows it.
      m_Count.store(m_Count.load(std::memory_order_relaxed) + 1, std::memory_order_release);
   }
   /// Copies the noted key text of apRef into arText; false when it is not among the next
   /// few texts (the writing walk may meet references in another order), and the caller
   /// builds it. Texts passed over are not looked at again.
   bool Take(const CSclRef* apRef, std::string& arText)
   {
      constexpr size_t kLookAhead = 8;
      const size_t count = m_Count.load(std::memory_order_acquire);
      if (count > m_Next && m_pReadSegment == nullptr)
         m_pReadSegment = m_pFirst;
      const tSegment* pSegment = m_pReadSegment;
      size_t at = m_ReadAt;
      for (size_t i = m_Next; i < count && i < m_Next + kLookAhead; ++i, ++at) {
         if (at == kSegmentEntries) {
            pSegment = pSegment->pNext;
            at = 0;
         }
         const tEntry& entry = pSegment->entries[at];
         if (entry.pRef != apRef)
            continue;
         arText.assign(entry.pText, entry.size);
         m_Next = i + 1;
         m_pReadSegment = pSegment;
         m_ReadAt = at + 1;
         return true;
      }
      return false;
   }

   // ---- a writing walk beside the checksum walk ----

   /// Shares the log with a writer on another thread: aUnits (the element children of the
   /// file and of apScl, the SCL element) in the order both walks meet them; apHole, one of
   /// them, is left to the caller (the writer notes where it stands, see NoteHole).
   void ShareWithWriter(const CScl* apScl, std::vector<const CScl*> aUnits, const CScl* apHole)
   {
      m_pUnitParent = apScl;
      m_Units = std::move(aUnits);
      m_Back = m_Units.size();
      m_pHole = apHole;
      m_pNextUnit = m_Units.empty() ? nullptr : m_Units.front();
   }
   /// Checksum walk: apElement is about to be fed.
   void Reached(const CScl* apElement)
   {
      if (apElement == m_pNextUnit)
         PassUnit();
   }
   /// Checksum walk: done (aFailed: ended by an exception).
   void EndWalk(bool aFailed)
   {
      {
         std::lock_guard<std::mutex> lock(m_Mutex);
         m_WalkEnded = true;
         m_WalkFailed = aFailed;
      }
      m_Progressed.notify_all();
   }
   /// What the writer does with a unit.
   enum tUnit { WRITE, HOLE, TAKEN };
   /// Writer: apElement, a child of the file or of the SCL element, is next. WRITE: the
   /// checksum walk has left it; HOLE: not to be written; TAKEN: the caller writes it (see
   /// TakeLast). Throws tWalkFailed when the walk failed.
   tUnit EnterUnit(const CScl* apElement)
   {
      if (apElement == m_pUnitParent)
         return WRITE; // the SCL element: the walk changes nothing of its own
      size_t index = m_WriterUnit;
      while (index < m_Units.size() && m_Units[index] != apElement)
         ++index;
      if (index == m_Units.size()) { // not a unit met in order: after the whole walk
         WaitForWalk(m_Units.size() + 1);
         return WRITE;
      }
      m_WriterUnit = index + 1;
      if (apElement == m_pHole)
         return HOLE;
      std::unique_lock<std::mutex> lock(m_Mutex);
      if (index >= m_Back)
         return TAKEN;
      m_Front = index + 1;
      // The walk has left unit index when it reaches the next one.
      WaitForWalk(lock, index + 2);
      return WRITE;
   }
   /// The caller, after the walk: takes the last unit the writer has not begun when it may
   /// be written alone (aStandalone tells), in arUnit (its index); false when there is none.
   template <class TStandalone> bool TakeLast(TStandalone&& aStandalone, size_t& arUnit)
   {
      std::lock_guard<std::mutex> lock(m_Mutex);
      if (m_Back <= m_Front || !aStandalone(m_Units[m_Back - 1]))
         return false;
      arUnit = --m_Back;
      return true;
   }
   const std::vector<const CScl*>& Units() const { return m_Units; }
   /// A log that hands out the key texts of unit aUnit of arSource (whose walk has ended)
   /// on, for a writer of that unit alone.
   void ReadFrom(const CSclRefKeyLog& aSource, size_t aUnit)
   {
      const size_t count = aSource.m_Count.load();
      const size_t first =
          aUnit < aSource.m_UnitEntries.size() ? aSource.m_UnitEntries[aUnit] : count;
      m_Count.store(count);
      m_Next = first;
      if (first < count) {
         m_pReadSegment = aSource.m_Segments[first / kSegmentEntries].get();
         m_ReadAt = first % kSegmentEntries;
      }
   }
   /// Writer: waits for the end of the checksum walk.
   void WaitForWalkEnd() { WaitForWalk(m_Units.size() + 1); }
   bool IsShared() const { return !m_Units.empty(); }
   /// The SCL element, whose children are units (as are those of the file).
   const CScl* UnitParent() const { return m_pUnitParent; }
   /// The fewest units for which a save writes beside its checksum walk (a test may take
   /// one path with 0 or with more units than any document has).
   static inline std::atomic<size_t> s_MinUnitsBeside{8};

   /// Writer: apElement, a unit it does not write, lies after aOffset bytes of the output,
   /// at aIndent.
   struct tHole {
      size_t offset;
      int indent;
      size_t unit;
   };
   void NoteHole(const CScl* apElement, size_t aOffset, int aIndent)
   {
      const size_t unit = m_WriterUnit - 1; // EnterUnit found it there
      std::lock_guard<std::mutex> lock(m_Mutex);
      if (unit < m_Units.size() && m_Units[unit] == apElement)
         m_Holes.push_back({aOffset, aIndent, unit});
   }
   /// Hole aIndex in arHole, as far as the writer has noted them (any thread): all holes
   /// before an offset of its output that the caller has seen written.
   bool GetHole(size_t aIndex, tHole& arHole)
   {
      std::lock_guard<std::mutex> lock(m_Mutex);
      if (aIndex >= m_Holes.size())
         return false;
      arHole = m_Holes[aIndex];
      return true;
   }
   /// The caller: the writer stops at its next unit (tWalkFailed).
   void Abort() { EndWalk(true); }
   /// The writer: done, whatever became of it.
   void EndWriter()
   {
      {
         std::lock_guard<std::mutex> lock(m_Mutex);
         m_WriterEnded = true;
      }
      m_Progressed.notify_all();
   }
   /// The caller: waits for EndWriter.
   void WaitForWriter()
   {
      std::unique_lock<std::mutex> lock(m_Mutex);
      m_Progressed.wait(lock, [&] { return m_WriterEnded; });
   }

   /// The log of the save running on this thread; null outside a save.
   static CSclRefKeyLog* Active() { return s_pActive; }

   /// Makes a log the active one for its lifetime.
   class CScope {
    public:
      explicit CScope(CSclRefKeyLog* apLog) : m_pPrevious(s_pActive) { s_pActive = apLog; }
      ~CScope() { s_pActive = m_pPrevious; }
      CScope(const CScope&) = delete;
      CScope& operator=(const CScope&) = delete;

    private:
      CSclRefKeyLog* m_pPrevious;
   };

 private:
   static constexpr size_t kBlockSize = 1 << 20;
   static constexpr size_t kSegmentEntries = 4096;
   struct tEntry {
      const CSclRef* pRef;
      const char* pText;
      size_t size;
   };
   // Entries in segments that are never moved: the writer reads them while more are added.
   struct tSegment {
      tEntry entries[kSegmentEntries];
      tSegment* pNext = nullptr;
   };

   tSegment* NewSegment()
   {
      m_Segments.push_back(std::make_unique<tSegment>());
      return m_Segments.back().get();
   }
   void PassUnit()
   {
      m_UnitEntries.push_back(m_Count.load(std::memory_order_relaxed));
      const size_t reached = ++m_Reached;
      m_pNextUnit = reached < m_Units.size() ? m_Units[reached] : nullptr;
      {
         std::lock_guard<std::mutex> lock(m_Mutex);
         m_Progress = reached;
      }
      m_Progressed.notify_one();
   }
   // Until the walk has reached aUnits units (all of them and more: its end).
   void WaitForWalk(size_t aUnits)
   {
      std::unique_lock<std::mutex> lock(m_Mutex);
      WaitForWalk(lock, aUnits);
   }
   void WaitForWalk(std::unique_lock<std::mutex>& arLock, size_t aUnits)
   {
      m_Progressed.wait(arLock, [&] { return m_WalkEnded || m_Progress >= aUnits; });
      if (m_WalkFailed)
         throw tWalkFailed();
   }

   // Checksum walk side.
   std::deque<std::vector<char>> m_Blocks;
   size_t m_Used = 0; // bytes used in the last block
   std::vector<std::unique_ptr<tSegment>> m_Segments;
   tSegment* m_pTail = nullptr;
   size_t m_TailUsed = 0;
   size_t m_Reached = 0;
   std::vector<size_t> m_UnitEntries; // per unit reached: the entries before it
   const CScl* m_pNextUnit = nullptr;
   // Shared.
   std::atomic<size_t> m_Count{0};
   tSegment* m_pFirst = nullptr;     // set before the count shows an entry
   std::vector<const CScl*> m_Units; // set before the writer starts
   const CScl* m_pHole = nullptr;
   const CScl* m_pUnitParent = nullptr;
   std::mutex m_Mutex;
   std::condition_variable m_Progressed;
   size_t m_Progress = 0; // units reached, under m_Mutex
   bool m_WalkEnded = false;
   bool m_WalkFailed = false;
   bool m_WriterEnded = false;
   size_t m_Front = 0;                      // units the writer has begun, under m_Mutex
   size_t m_Back = static_cast<size_t>(-1); // units from here on are the caller's
   // Writer side.
   const tSegment* m_pReadSegment = nullptr;
   size_t m_ReadAt = 0; // the entry m_Next in m_pReadSegment
   size_t m_Next = 0;
   size_t m_WriterUnit = 0;
   std::vector<tHole> m_Holes;
   static inline thread_local CSclRefKeyLog* s_pActive = nullptr;
};

} // namespace Arvenko::Melvotar::Scl
