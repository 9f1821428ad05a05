// The one process-wide sink for every report line of the library.
#pragma once

#include <string>

namespace Arvenko::Melvotar {

/// Receives one report line (library text, no line end) per call.
typedef void (*tTextCallbackFunction)(std::string aLine);

/// Installs the sink for report lines; a later call replaces it, null switches output off.
void SetTextCallbackFunction(tTextCallbackFunction apFunction);

/// The installed sink, or null.
tTextCallbackFunction GetTextCallbackFunction();

} // namespace Arvenko::Melvotar
