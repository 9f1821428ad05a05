// Importing one IED from another SCL file, with the data type templates it uses.
#pragma once

#include <string>
#include <vector>

#include "SclDll/CSclFile.h"
#include "SclDll/CSclRef.h"
#include "inc_scl/sclnorm/KVSclClasses.h"

namespace Arvenko::Melvotar::Scl {

/// What happened to one template of the imported IED's template closure.
enum tImportAction : int32_t {
   IMPORT_COPIED = 0,  ///< copied with its own id
   IMPORT_REUSED = 1,  ///< the target holds a template equal by content: the IED uses that one
   IMPORT_RENAMED = 2, ///< the id was taken by a different template: copied under a new id
};

/// One template of the closure (LNodeType, DOType, DAType, EnumType).
struct tImportedTemplate {
   tSclClassId ClassId;  ///< CID_LNodeType, CID_DOType, CID_DAType or CID_EnumType
   std::string SourceId; ///< its id in the source file
   std::string TargetId; ///< the id the imported IED uses in the target
   tImportAction Action;
};

/// Options of ImportIED.
struct tImportOptions {
   /// The IED's name in the target; empty keeps the source name.
   std::string NewName;
};

/// The result of ImportIED. Pointers are owned by the target's tree.
struct tImportResult {
   CSclIED* Ied = nullptr;                      ///< the new IED in the target
   std::vector<tImportedTemplate> Templates;    ///< the closure in source document order
   int ConnectedAPCount = 0;                    ///< ConnectedAP elements copied
   std::vector<std::string> CreatedSubNetworks; ///< names of subnetworks the import created
   /// Namespace prefixes the imported parts use, declared on the target's SCL element
   /// from the source's declarations.
   std::vector<std::string> AddedNamespaces;
   /// References in what was imported (IED, ConnectedAPs, copied templates) that do not
   /// resolve in the target after the import, in document order.
   std::vector<CSclRef*> Unresolved;
};

/// Copies IED aIedName of aSource into aTarget: the IED (renamed to aOptions.NewName when
/// set, references inside it that name it follow), every data type template it uses
/// through LNodeType, DOType, DAType and EnumType, and its ConnectedAP elements into the
/// target's subnetworks of the same name (missing Communication and SubNetwork elements
/// are created). A template of the target equal by content (as packing sees it) is used
/// instead of a copy; a copy whose id a different template holds gets the id
/// "<id>_<IED name>" (with "_2", "_3", ... when taken too). Namespace prefixes the copies
/// use get the source's declarations on the target's SCL element. Then the target is completed
/// and marked changed; arResult tells what was done and what stays unresolved.
/// Refused with a report, target unchanged: SE_DATA_NOT_FOUND when a file has no SCL
/// element or the source has no such IED, SE_NAME when the target has an IED of the
/// name already, SE_OPERATION_NOT_ALLOWED when source and target are the same file.
tSclError ImportIED(CSclFile& aTarget, const CSclFile& aSource, const std::string& aIedName,
                    const tImportOptions& aOptions, tImportResult& arResult);

} // namespace Arvenko::Melvotar::Scl
