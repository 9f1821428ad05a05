// The key texts of the references a save's checksum walk built, kept in the order the walk
// met them, so that the writing walk after it takes each text instead of building it again
// from the reference's target.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace Arvenko::Melvotar::Scl {

class CSclRef;

class CSclRefKeyLog {
 public:
   /// Notes the key text of apRef.
   void Add(const CSclRef* apRef, const std::string& aText)
   {
      m_Texts += aText;
      m_Entries.push_back({apRef, m_Texts.size()});
   }
   /// Copies the noted key text of apRef into arText; false when it is not among the next
   /// few texts (the writing walk may meet references in another order), and the caller
   /// builds it. Texts passed over are not looked at again.
   bool Take(const CSclRef* apRef, std::string& arText)
   {
      constexpr size_t kLookAhead = 8;
      for (size_t i = m_Next; i < m_Entries.size() && i < m_Next + kLookAhead; ++i) {
         if (m_Entries[i].pRef != apRef)
            continue;
         const size_t begin = i == 0 ? 0 : m_Entries[i - 1].end;
         arText.assign(m_Texts, begin, m_Entries[i].end - begin);
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
   struct tEntry {
      const CSclRef* pRef;
      size_t end; // where its text ends in m_Texts
   };
   std::string m_Texts;
   std::vector<tEntry> m_Entries;
   size_t m_Next = 0;
   static inline thread_local CSclRefKeyLog* s_pActive = nullptr;
};

} // namespace Arvenko::Melvotar::Scl
