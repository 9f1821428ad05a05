// Everything a caller of the native library needs.
#pragma once

#include "SclDll/CScl.h"
#include "SclDll/CSclContainer.h"
#include "SclDll/CSclFile.h"
#include "SclDll/CSclKevText.h"
#include "SclDll/CSclLinkInfos.h"
#include "SclDll/CSclNameTable.h"
#include "SclDll/CSclRef.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclValue.h"
#include "SclDll/CSmartCompare.h"
#include "SclDll/SclCrc32.h"
#include "SclDll/SclError.h"
#include "SclDll/SclIds.h"
#include "inc_scl/sclnorm/KVSclClasses.h"
#include "xmlparser/TextCallback.h"
#include "xmlparser/XmlParser.h"
