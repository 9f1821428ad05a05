// CSclRemark: the text of a comment or of a CDATA section.
#pragma once

#include <string>

#include "SclDll/CScl.h"

namespace Arvenko::Melvotar::Scl {

/// A comment ("<!--" ... "-->") or, with the CDATA flag, a CDATA section child.
/// Created by CSclContainer::CreateSclRemark; owned by the parent.
class CSclRemark : public CScl {
 public:
   /// A comment inserted into apParent at aIndex.
   CSclRemark(CSclContainer* apParent, int aIndex);
   ~CSclRemark() override;

   /// True for CID_REMARK.
   bool IsClass(tSclClassId aClassId) const override;
   /// The text.
   std::string GetValue() const override { return m_Value; }
   /// Stores the text; SE_OK.
   tSclError SetValue(const std::string& aValue) override;
   /// Copies text and CDATA flag of a remark (not the name id); SE_WRONG_TYPE (reported)
   /// otherwise.
   tSclError Copy(const CScl& right) override;
   /// Always SE_OK.
   tSclError Check(int aFlags) const override;
   /// Base comparison plus an equal CDATA flag.
   bool ContentCompare(const CScl& right) const override;

   /// The text without copying.
   const std::string& GetText() const { return m_Value; }
   /// True for a CDATA section, false for a comment.
   bool IsCData() const { return m_IsCData; }
   /// Chooses CDATA section (true) or comment (false).
   void SetCData(bool aIsCData) { m_IsCData = aIsCData; }

 private:
   std::string m_Value;
   bool m_IsCData = false;
};

} // namespace Arvenko::Melvotar::Scl
