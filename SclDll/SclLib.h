// Everything a caller of the native library needs.
#pragma once

#include "SclDll/CSclKevText.h"
#include "SclDll/CSclLinkInfos.h"
#include "SclDll/SclError.h"
#include "SclDll/SclIds.h"
#include "xmlparser/TextCallback.h"
#include "xmlparser/XmlParser.h"
