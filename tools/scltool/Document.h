// Loading a document for a subcommand, and the walks the subcommands share.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "SclDll/SclLib.h"

namespace SclTool {

/// A loaded file with what the load cost and reported.
struct tDocument {
   std::unique_ptr<Arvenko::Melvotar::Scl::CSclFile> File;
   double LoadSeconds = 0;
   int ProblemReports = 0; ///< reports of errors the reader repaired ("Fehler: ..." blocks)
};

/// Loads aPath, with every interchange behaviour of the library unless aLegacy; null File
/// (after a one-line message on stderr) when it cannot be read.
tDocument LoadDocument(const std::string& aPath, bool aLegacy = false);

/// Counts the elements of each class id in the whole tree.
std::map<Arvenko::Melvotar::Scl::tSclClassId, int>
CountClasses(const Arvenko::Melvotar::Scl::CScl& aRoot);

/// The checksum stamp: "valid", "invalid" or "absent".
std::string CrcStampState(Arvenko::Melvotar::Scl::CSclFile& aFile);

/// Name of a format as the declaration writes it.
const char* FormatName(Arvenko::Melvotar::XmlParser::tFileFormat aFormat);

/// The templates of each class under DataTypeTemplates.
std::map<std::string, int> CountTemplates(const Arvenko::Melvotar::Scl::CSclFile& aFile);

} // namespace SclTool
