#include "SclDll/CSclRemark.h"

#include "SclDll/CSclContainer.h"

namespace Arvenko::Melvotar::Scl {

CSclRemark::CSclRemark(CSclContainer* apParent, int aIndex) : CScl(apParent)
{
   m_ClassId = CID_REMARK;
   LinkToParent(aIndex);
}

CSclRemark::~CSclRemark() = default;

bool CSclRemark::IsClass(tSclClassId aClassId) const
{
   return aClassId == CID_REMARK;
}

tSclError CSclRemark::SetValue(const std::string& aValue)
{
   m_Value = aValue;
   return SE_OK;
}

tSclError CSclRemark::Copy(const CScl& right)
{
   if (!right.IsClass(CID_REMARK)) {
      OutputSclError("CSclRemark::Copy - Aufruf mit falschem Typ", SE_WRONG_TYPE, this, 0);
      return SE_WRONG_TYPE;
   }
   const auto& remark = static_cast<const CSclRemark&>(right);
   m_Value = remark.m_Value;
   m_IsCData = remark.m_IsCData;
   return SE_OK;
}

tSclError CSclRemark::Check(int /*aFlags*/) const
{
   return SE_OK;
}

bool CSclRemark::ContentCompare(const CScl& right) const
{
   return CScl::ContentCompare(right) && right.IsClass(CID_REMARK) &&
          m_IsCData == static_cast<const CSclRemark&>(right).m_IsCData;
}

} // namespace Arvenko::Melvotar::Scl
