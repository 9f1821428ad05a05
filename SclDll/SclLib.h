// Everything a caller of the native library needs.
//
// Threads: the library takes no locks and starts no threads. The name table, the reference
// registry, the text callback and the delete hook are process-wide and shared by every tree,
// so one thread at a time may use the library as a whole, even for different trees: a host
// with several threads holds one lock of its own around every call. Trees may be handed from
// one thread to another between calls.
#pragma once

#include "SclDll/CScl.h"
#include "SclDll/CSclContainer.h"
#include "SclDll/CSclEdition.h"
#include "SclDll/CSclFile.h"
#include "SclDll/CSclKevText.h"
#include "SclDll/CSclLinkInfos.h"
#include "SclDll/CSclNameTable.h"
#include "SclDll/CSclRef.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclReportCollector.h"
#include "SclDll/CSclSchemaInfo.h"
#include "SclDll/CSclValue.h"
#include "SclDll/CSmartCompare.h"
#include "SclDll/SclCrc32.h"
#include "SclDll/SclError.h"
#include "SclDll/SclIds.h"
#include "SclDll/SclImport.h"
#include "SclDll/SclInterchange.h"
#include "inc_scl/sclnorm/KVSclClasses.h"
#include "xmlparser/LibraryText.h"
#include "xmlparser/TextCallback.h"
#include "xmlparser/XmlParser.h"
