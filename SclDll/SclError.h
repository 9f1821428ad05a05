// Error codes of the object layer, their texts, the object-layer report and scl_error.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace Arvenko::Melvotar::Scl {

class CScl;

// X(enumerator, value, text): the one list of object-layer codes and their texts
// (Windows-1252 bytes). The XML layer's table reuses values 0..13.
#define SCL_ERROR_LIST(X)                                                                          \
   X(SE_OK, 0, "O.K.")                                                                             \
   X(SE_IO, 1, "I/O-Fehler")                                                                       \
   X(SE_XML_PARSER, 2, "XML-Struktur fehlerhaft")                                                  \
   X(SE_ID_REF, 3, "ID-Referenz fehlerhaft")                                                       \
   X(SE_VALUE, 4, "Wert unzul\xE4ssig")                                                            \
   X(SE_VALUE_FORMAT, 5, "Wert hat falsches Format")                                               \
   X(SE_VALUE_SET, 6, "Wert kann nicht gesetzt werden")                                            \
   X(SE_WRONG_TYPE, 7, "Typ der Daten falsch")                                                     \
   X(SE_OPERATION_NOT_ALLOWED, 8, "Operation unzul\xE4ssig")                                       \
   X(SE_MEM_LENGTH, 9, "Ende des Speicherbereiches erreicht")                                      \
   X(SE_WRONG_CLASS_MODE, 10, "Klasse im falschen Modus")                                          \
   X(SE_DATA_NOT_FOUND, 11, "Daten nicht gefunden")                                                \
   X(SE_DATA_END_REACHED, 12, "Datenende erreicht")                                                \
   X(SE_TRACE, 13, "Trace-Ausgabe")                                                                \
   X(SE_NAME, 14, "Name fehlerhaft")                                                               \
   X(SE_OTHER, 15, "anderer Fehler")

/// Result code of the object layer; SE_OK (0) is success.
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
