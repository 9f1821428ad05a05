#include "SclDll/CSclValue.h"

#include "SclDll/CSclContainer.h"
#include "SclDll/CSclSchemaInfo.h"

namespace Arvenko::Melvotar::Scl {

CSclValue::CSclValue(CSclContainer* apParent, int aIndex)
    : CSclValue(apParent, tSclNameId(0), aIndex)
{
}

CSclValue::CSclValue(CSclContainer* apParent, tSclNameId aNameId, int aIndex)
    : CScl(apParent, aNameId)
{
   m_ClassId = CID_VALUE;
   LinkToParent(aIndex);
}

CSclValue::CSclValue(CSclContainer* apParent, const std::string& aName, int aIndex)
    : CScl(apParent, aName)
{
   m_ClassId = CID_VALUE;
   LinkToParent(aIndex);
}

CSclValue::~CSclValue() = default;

bool CSclValue::IsClass(tSclClassId aClassId) const
{
   return aClassId == CID_VALUE;
}

tSclError CSclValue::SetValue(const std::string& aValue)
{
   m_Value = aValue;
   return SE_OK;
}

tSclError CSclValue::Copy(const CScl& right)
{
   if (!right.IsClass(CID_VALUE)) {
      OutputSclError("CSclValue::Copy - Aufruf mit falschem Typ", SE_WRONG_TYPE, this, 0);
      return SE_WRONG_TYPE;
   }
   CopySclName(right);
   m_Value = right.GetValue();
   return SE_OK;
}

bool CSclValue::ContentCompare(const CScl& right) const
{
   // Only values carry the class id CID_VALUE.
   return right.GetClassId() == CID_VALUE && HasSameSclName(right) &&
          m_Value == static_cast<const CSclValue&>(right).m_Value;
}

tSclError CSclValue::Check(int aFlags) const
{
   if ((aFlags & 2) == 0 || GetParent() == nullptr)
      return SE_OK;
   const CSclSchemaInfo* pInfo = CSclSchemaInfo::GetInstance();
   return pInfo != nullptr && pInfo->CheckName(this) != SE_OK ? SE_NAME : SE_OK;
}

} // namespace Arvenko::Melvotar::Scl
