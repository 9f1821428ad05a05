// Assertions for programming errors: they name the source and the failed condition.
#pragma once

#include <cstdlib>
#include <string>

#include "SclDll/SclError.h"

namespace Arvenko::Melvotar::Scl {

/// Reports the failed condition of a programming error through the text callback and
/// aborts the process; never returns.
[[noreturn]] inline void SclAssertFailed(const char* apSource, const char* apCondition)
{
   OutputSclError(std::string("Assertion fehlgeschlagen - ") + apSource + ": " + apCondition,
                  SE_OTHER, nullptr, 0);
   std::abort();
}

} // namespace Arvenko::Melvotar::Scl

/// Asserts aCondition; on failure reports aSource (e.g. "SclDll/CScl") and the condition text.
#define SCL_ASSERT(aSource, aCondition)                                                            \
   ((aCondition) ? static_cast<void>(0)                                                            \
                 : ::Arvenko::Melvotar::Scl::SclAssertFailed(aSource, #aCondition))
