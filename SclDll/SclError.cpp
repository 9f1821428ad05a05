#include "SclDll/SclError.h"

#include "SclDll/CScl.h"
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

// The location lines of a report: the object's name path and its identification path.
static void OutputObjectLocation(tTextCallbackFunction apCallback, const CScl* apObject)
{
   apCallback("   Ort in SCL-Datei: " + apObject->GetIdNamePath());
   apCallback("      [[" + apObject->GetIdStructPath() + "]]");
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
