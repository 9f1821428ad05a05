// Error codes of the object layer, their texts, the object-layer report and scl_error.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "xmlparser/Report.h"

namespace Arvenko::Melvotar::Scl {

class CScl;

/// Result code of the object layer, one value per row of SCL_ERROR_LIST; SE_OK (0) is success.
enum tSclError : int32_t {
#define SCL_ERROR_ENUM(e, v, t) e = v,
   SCL_ERROR_LIST(SCL_ERROR_ENUM)
#undef SCL_ERROR_ENUM
};

/// German text of a code; "unbekannter Fehler" for any value outside 0..15.
std::string GetSclErrorText(tSclError aError);

/// Emits the object-layer report through the text callback, one line per call:
/// "Fehler: " + message and "   Fehlercode: " + text (or the message alone for SE_OK),
/// the object's location when apObject is set, "   Zusatzinfo.: " + aInfo when it is
/// not 0, and an empty line. Does nothing when no callback is installed.
void OutputSclError(const std::string& aMessage, tSclError aError, const CScl* apObject,
                    int32_t aInfo);

/// Thrown by the object layer when output cannot be written; reports once, on construction.
class scl_error : public std::logic_error {
 public:
   scl_error(const char* apMessage, tSclError aError, CScl* apObject, int32_t aInfo);
   ~scl_error() override;

   /// The stored code.
   tSclError GetError() const { return m_Error; }
   /// The object the failure concerns (not owned), or null.
   CScl* GetObject() const { return m_pObject; }
   /// The additional number, 0 when none.
   int32_t GetInfo() const { return m_Info; }

 private:
   tSclError m_Error;
   CScl* m_pObject;
   int32_t m_Info;
};

} // namespace Arvenko::Melvotar::Scl
