// The key texts of the references a save's checksum walk built, kept in the order the walk
// met them, so that the writing walk after it takes each text instead of building it again
// from the reference's target.
#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace Arvenko::Melvotar::Scl {

class CSclRef;

class CSclRefKeyLog {
 public:
   /// Notes the key text of apRef.
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
      m_Entries.push_back({apRef, pText, aText.size()});
   }
   /// Copies the noted key text of apRef into arText; false when it is not among the next
   /// few texts (the writing walk may meet references in another order), and the caller
   /// builds it. Texts passed over are not looked at again.
   bool Take(const CSclRef* apRef, std::string& arText)
   {
      constexpr size_t kLookAhead = 8;
      for (size_t i = m_Next; i < m_Entries.size() && i < m_Next + kLookAhead; ++i) {
         const tEntry& entry = m_Entries[i];
         if (entry.pRef != apRef)
            continue;
         arText.assign(entry.pText, entry.size);
         m_Next = i + 1;
         return true;
      }
      return false;
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
   struct tEntry {
      const CSclRef* pRef;
      const char* pText;
      size_t size;
   };
   std::deque<std::vector<char>> m_Blocks;
   size_t m_Used = 0; // bytes used in the last block
   std::deque<tEntry> m_Entries;
   size_t m_Next = 0;
   static inline thread_local CSclRefKeyLog* s_pActive = nullptr;
};

} // namespace Arvenko::Melvotar::Scl
