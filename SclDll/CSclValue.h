// CSclValue: an attribute value (named) or a run of element text (name id 0).
#pragma once

#include <string>
#include <utility>

#include "SclDll/CScl.h"

namespace Arvenko::Melvotar::Scl {

/// One string child of an element. Created by CSclContainer::CreateSclValue; owned by the
/// parent.
class CSclValue : public CScl {
 public:
   /// Element text (name id 0) inserted into apParent at aIndex.
   CSclValue(CSclContainer* apParent, int aIndex);
   /// An attribute with name id aNameId (0: text) inserted at aIndex.
   CSclValue(CSclContainer* apParent, tSclNameId aNameId, int aIndex);
   /// An attribute named aName (registered if unknown) inserted at aIndex.
   CSclValue(CSclContainer* apParent, const std::string& aName, int aIndex);
   ~CSclValue() override;

   /// True for CID_VALUE.
   bool IsClass(tSclClassId aClassId) const override;
   /// The text.
   std::string GetValue() const override { return m_Value; }
   /// Stores the text; SE_OK.
   tSclError SetValue(const std::string& aValue) override;
   /// Stores the text by taking over aValue's buffer; SE_OK.
   tSclError SetValue(std::string&& aValue)
   {
      m_Value = std::move(aValue);
      return SE_OK;
   }
   /// Copies name id and text of a value; SE_WRONG_TYPE (reported) otherwise.
   tSclError Copy(const CScl& right) override;
   /// Flag 2: the name test against the parent (reference key or plain child of the
   /// parent's class); SE_NAME without report when it fails.
   tSclError Check(int aFlags) const override;
   /// True when right is a value with the same name id and text (compared without copies).
   bool ContentCompare(const CScl& right) const override;

   /// The text without copying.
   const std::string& GetText() const { return m_Value; }
   /// True for an attribute (non-zero name id).
   bool IsAttrib() const { return GetNameId() != 0; }

 private:
   std::string m_Value;
};

} // namespace Arvenko::Melvotar::Scl
