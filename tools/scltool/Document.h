// Loading and saving a document for a subcommand, and the walks the subcommands share.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SclDll/SclLib.h"

namespace SclTool {

class CJson;

/// A loaded file with what the load cost and reported.
struct tDocument {
   std::unique_ptr<Arvenko::Melvotar::Scl::CSclFile> File;
   double LoadSeconds = 0;
   int ProblemReports = 0; ///< reports of errors the reader repaired ("Fehler: ..." blocks)
   std::vector<Arvenko::Melvotar::Scl::tSclReport> Reports; ///< every report of the load
};

/// Loads aPath, with every interchange behaviour of the library unless aLegacy; null File
/// (after a one-line message on stderr) when it cannot be read.
/// With aEcho the library's report lines also go to stderr as they come.
tDocument LoadDocument(const std::string& aPath, bool aEcho = true, bool aLegacy = false);

/// Saves after the command's own changes; false (after a message) when writing fails.
bool Save(Arvenko::Melvotar::Scl::CSclFile& aFile, const std::string& aPath);

/// Size of a file in bytes; 0 when it cannot be told.
uintmax_t FileSize(const std::string& aPath);

/// Shows on a terminal (stderr) that a long load or save is under way: a line with the
/// file, its size and the seconds so far, renewed twice a second, and the time it took at
/// the end. Does nothing for files up to 20 MB or when stderr is no terminal.
class CProgress {
 public:
   CProgress(const char* apVerb, const std::string& aPath, uintmax_t aBytes);
   ~CProgress();
   CProgress(const CProgress&) = delete;
   CProgress& operator=(const CProgress&) = delete;

 private:
   struct tState;
   std::unique_ptr<tState> m_pState;
};

/// Where an object is, as scltool prints it: the element path below SCL
/// (IED[E1].AccessPoint[S1]...; "SCL" for the root), "@name" behind it for an attribute,
/// "#comment" for a comment; a reference or an element text is told by its element.
std::string ObjectPath(const Arvenko::Melvotar::Scl::CScl& aObject);

/// What a document lacks for the SCL element, one line: "no SCL element" or the name of an
/// SCL element under a namespace prefix ("scl:SCL"), which the library does not take for it.
std::string MissingSclText(const Arvenko::Melvotar::Scl::CSclFile& aFile);

/// Damage that the reader saw: input cut off inside an element, and missing end tags it
/// repaired; one line per kind, none when the read was clean.
std::vector<std::string> ReadDamage(const Arvenko::Melvotar::Scl::CSclFile& aFile);

/// Counts the elements of each class id in the whole tree.
std::map<Arvenko::Melvotar::Scl::tSclClassId, int>
CountClasses(const Arvenko::Melvotar::Scl::CScl& aRoot);

/// The checksum stamp: "valid", "invalid" or "absent".
std::string CrcStampState(Arvenko::Melvotar::Scl::CSclFile& aFile);

/// Name of a format as the declaration writes it.
const char* FormatName(Arvenko::Melvotar::XmlParser::tFileFormat aFormat);

/// The templates of each class under DataTypeTemplates.
std::map<std::string, int> CountTemplates(const Arvenko::Melvotar::Scl::CSclFile& aFile);

/// Whether an object is one of the reference objects (APRef ... SampledValueControlRef).
bool IsReference(const Arvenko::Melvotar::Scl::CScl& aObject);

/// The keys an unresolved reference holds, as start-tag text (an IEDRef: its text).
std::string ReferenceKeys(const Arvenko::Melvotar::Scl::CSclRef& aRef);

/// Why an unresolved reference finds nothing: the first of its keys that names nothing in
/// the document ("IED 'E9' does not exist", "iedName is empty", ...).
std::string MissingKey(const Arvenko::Melvotar::Scl::CSclRef& aRef);

/// "<kind> at <path>: <keys>: <missing key>", the line check prints for an unresolved
/// reference.
std::string DescribeUnresolved(const Arvenko::Melvotar::Scl::CSclRef& aRef);

/// Writes library reports as a JSON array of records (message, code, codeText, path,
/// file, line, info).
void WriteReports(CJson& arJson, const std::vector<Arvenko::Melvotar::Scl::tSclReport>& aReports);

} // namespace SclTool
