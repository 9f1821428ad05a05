// Everything a caller of the native library needs.
#pragma once

#include "SclDll/SclError.h"
#include "SclDll/SclIds.h"
#include "xmlparser/TextCallback.h"
#include "xmlparser/XmlParser.h"
