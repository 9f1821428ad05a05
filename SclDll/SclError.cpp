#include "SclDll/SclError.h"

#include <vector>

#include "SclDll/CScl.h"
#include "SclDll/CSclContainer.h"
#include "xmlparser/TextCallback.h"

namespace Arvenko::Melvotar::Scl {

std::string GetSclErrorText(tSclError aError)
{
   switch (aError) {
#define SCL_ERROR_CASE(e, v, t)                                                                    \
   case e:                                                                                         \
      return t;
      SCL_ERROR_LIST(SCL_ERROR_CASE)
#undef SCL_ERROR_CASE
   }
   return "unbekannter Fehler";
}

// Levels a report's location names at most. Real files nest some twenty levels; below this
// a location names the nearest levels after "...", so that a report costs the same at any
// depth and a run of reports deep in a hostile file stays linear.
constexpr size_t MAX_LOCATION_LEVELS = 64;

// The location lines of a report: the object's name path and its identification path.
static void OutputObjectLocation(tTextCallbackFunction apCallback, const CScl* apObject)
{
   std::vector<const CScl*> nearest; // the object and its ancestors, the object first
   const CScl* pScl = apObject;
   for (; pScl != nullptr && nearest.size() <= MAX_LOCATION_LEVELS + 1; pScl = pScl->GetParent())
      nearest.push_back(pScl);
   if (pScl == nullptr) {
      apCallback("   Ort in SCL-Datei: " + apObject->GetIdNamePath());
      apCallback("      [[" + apObject->GetIdStructPath() + "]]");
      return;
   }
   std::string names = "...";
   std::string idStructs = "...";
   for (size_t i = MAX_LOCATION_LEVELS; i-- > 0;) {
      names += "." + nearest[i]->GetIdName();
      idStructs += "(" + nearest[i]->GetIdStructString() + ")";
   }
   apCallback("   Ort in SCL-Datei: " + names);
   apCallback("      [[" + idStructs + "]]");
}

void OutputSclError(const std::string& aMessage, tSclError aError, const CScl* apObject,
                    int32_t aInfo)
{
   tTextCallbackFunction callback = GetTextCallbackFunction();
   if (callback == nullptr)
      return;
   if (aError != SE_OK) {
      callback("Fehler: " + aMessage);
      callback("   Fehlercode: " + GetSclErrorText(aError));
   } else {
      callback(aMessage);
   }
   if (apObject != nullptr)
      OutputObjectLocation(callback, apObject);
   if (aInfo != 0)
      callback("   Zusatzinfo.: " + std::to_string(aInfo));
   callback(std::string());
}

scl_error::scl_error(const char* apMessage, tSclError aError, CScl* apObject, int32_t aInfo)
    : std::logic_error(apMessage), m_Error(aError), m_pObject(apObject), m_Info(aInfo)
{
   OutputSclError(apMessage, aError, apObject, aInfo);
}

scl_error::~scl_error() = default;

} // namespace Arvenko::Melvotar::Scl
