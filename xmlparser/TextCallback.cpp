#include "xmlparser/TextCallback.h"

namespace Arvenko::Melvotar {

namespace {
tTextCallbackFunction g_TextCallback = nullptr;
}

void SetTextCallbackFunction(tTextCallbackFunction apFunction)
{
   g_TextCallback = apFunction;
}

tTextCallbackFunction GetTextCallbackFunction()
{
   return g_TextCallback;
}

} // namespace Arvenko::Melvotar
