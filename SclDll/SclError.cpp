#include "SclDll/SclError.h"

#include <vector>

#include "SclDll/CScl.h"
#include "SclDll/CSclContainer.h"
#include "xmlparser/TextCallback.h"

namespace Arvenko::Melvotar::Scl {

std::string GetSclErrorText(tSclError aError)
{
   return GetErrorListText(aError);
}

// Levels a report's location names at most. Real files nest some twenty levels; below this
// a location names the nearest levels after "...", so that a report costs the same at any
// depth and a run of reports deep in a hostile file stays linear.
constexpr size_t MAX_LOCATION_LEVELS = 64;

// The object's name path and identification path, each cut to the nearest levels.
static void SetObjectLocation(tReportBlock& arBlock, const CScl* apObject)
{
   arBlock.HasObject = true;
   std::vector<const CScl*> nearest; // the object and its ancestors, the object first
   const CScl* pScl = apObject;
   for (; pScl != nullptr && nearest.size() <= MAX_LOCATION_LEVELS + 1; pScl = pScl->GetParent())
      nearest.push_back(pScl);
   if (pScl == nullptr) {
      arBlock.ObjectPath = apObject->GetIdNamePath();
      arBlock.ObjectIds = apObject->GetIdStructPath();
      return;
   }
   arBlock.ObjectPath = "...";
   arBlock.ObjectIds = "...";
   for (size_t i = MAX_LOCATION_LEVELS; i-- > 0;) {
      arBlock.ObjectPath += "." + nearest[i]->GetIdName();
      arBlock.ObjectIds += "(" + nearest[i]->GetIdStructString() + ")";
   }
}

void OutputSclError(const std::string& aMessage, tSclError aError, const CScl* apObject,
                    int32_t aInfo)
{
   if (GetTextCallbackFunction() == nullptr)
      return;
   tReportBlock block;
   block.Message = aMessage;
   if (aError != SE_OK)
      block.CodeText = GetSclErrorText(aError);
   if (apObject != nullptr)
      SetObjectLocation(block, apObject);
   block.Info = aInfo;
   OutputReport(block);
}

scl_error::scl_error(const char* apMessage, tSclError aError, CScl* apObject, int32_t aInfo)
    : std::logic_error(apMessage), m_Error(aError), m_pObject(apObject), m_Info(aInfo)
{
   OutputSclError(apMessage, aError, apObject, aInfo);
}

scl_error::~scl_error() = default;

} // namespace Arvenko::Melvotar::Scl
