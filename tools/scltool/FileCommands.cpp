// scltool info, check, save and pack.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "Document.h"
#include "Tool.h"

namespace SclTool {

using namespace Arvenko::Melvotar::Scl;
namespace Xml = Arvenko::Melvotar::XmlParser;

namespace {

const tSclClassId kSummaryClasses[] = {CID_Substation,
                                       CID_VoltageLevel,
                                       CID_Bay,
                                       CID_IED,
                                       CID_AccessPoint,
                                       CID_LDevice,
                                       CID_LN0,
                                       CID_LN,
                                       CID_DOI,
                                       CID_SDI,
                                       CID_DAI,
                                       CID_DataSet,
                                       CID_FCDA,
                                       CID_ReportControl,
                                       CID_LogControl,
                                       CID_GSEControl,
                                       CID_SampledValueControl,
                                       CID_ExtRef,
                                       CID_SubNetwork,
                                       CID_ConnectedAP,
                                       CID_LNodeType,
                                       CID_DOType,
                                       CID_DAType,
                                       CID_EnumType};

// Resolved and unresolved references per reference class.
struct tRefCounts {
   int Resolved = 0;
   int Unresolved = 0;
};

bool IsReference(const CScl& aObject)
{
   return aObject.IsClass(CID_REF) && aObject.GetClassId() >= CID_APRef &&
          aObject.GetClassId() <= CID_SampledValueControlRef;
}

std::map<tSclClassId, tRefCounts> CountReferences(const CScl& aRoot)
{
   std::map<tSclClassId, tRefCounts> counts;
   for (const CScl* object = &aRoot; object != nullptr; object = object->GetNext(0, 255)) {
      if (!IsReference(*object))
         continue;
      const auto* ref = static_cast<const CSclRef*>(object);
      tRefCounts& entry = counts[object->GetClassId()];
      ++(ref->GetRefSclContainer() != nullptr ? entry.Resolved : entry.Unresolved);
   }
   return counts;
}

// The element an object's location is told by: the owner of a value or reference.
const CScl* Owner(const CScl& aObject)
{
   return aObject.IsClass(CID_VALUE) || IsReference(aObject) ? aObject.GetParent() : &aObject;
}

std::string Location(const CScl& aObject)
{
   const std::string path = ToUtf8(Owner(aObject)->GetIdNamePath());
   return path.empty() ? "SCL" : path;
}

bool ParseFormat(const std::string& aText, Xml::tFileFormat& aFormat)
{
   if (aText == "utf8" || aText == "utf-8")
      aFormat = Xml::FF_UTF8;
   else if (aText == "utf16" || aText == "utf-16")
      aFormat = Xml::FF_UTF16;
   else if (aText == "ansi" || aText == "iso-8859-1" || aText == "latin1")
      aFormat = Xml::FF_ANSI;
   else
      return false;
   return true;
}

// Saves after the command's own changes; false (after a message) when writing fails. The
// file is written beside aPath under a temporary name and renamed at the end, so that a
// failed or interrupted save leaves whatever was at aPath as it was.
bool Save(CSclFile& aFile, const std::string& aPath)
{
   const std::string temporary = aPath + ".scltool-" + std::to_string(getpid()) + ".tmp";
   try {
      aFile.Write(temporary);
   } catch (const std::exception& e) {
      std::remove(temporary.c_str());
      Fail("cannot write '" + aPath + "': " + ToUtf8(e.what()));
      return false;
   }
   if (std::rename(temporary.c_str(), aPath.c_str()) != 0) {
      std::remove(temporary.c_str());
      Fail("cannot write '" + aPath + "': " + std::strerror(errno));
      return false;
   }
   return true;
}

// An SCL element under a namespace prefix ("scl:SCL"), which the library does not take for
// the document's SCL element; null when there is none.
const CScl* PrefixedSclElement(const CSclFile& aFile)
{
   for (int i = 0; i < aFile.GetChildCount(); ++i) {
      const CScl* child = aFile.GetChild(i);
      const std::string& name = child->GetSclName();
      if (child->IsClass(CID_CONTAINER) && name.size() > 4 &&
          name.compare(name.size() - 4, 4, ":SCL") == 0)
         return child;
   }
   return nullptr;
}

// What a document lacks for the SCL element, one line: "no SCL element" or the name of a
// prefixed one.
std::string MissingSclText(const CSclFile& aFile)
{
   const CScl* prefixed = PrefixedSclElement(aFile);
   return prefixed == nullptr ? "no SCL element"
                              : "no SCL element in the default namespace (root element '" +
                                    ToUtf8(prefixed->GetSclName()) + "')";
}

// Damage that the reader saw: input cut off inside an element, and missing end tags it
// repaired; one line per kind, none when the read was clean.
std::vector<std::string> ReadDamage(const CSclFile& aFile)
{
   std::vector<std::string> lines;
   if (aFile.IsReadTruncated())
      lines.push_back("input ends inside an open element: the file is cut off");
   if (aFile.GetReadRepairs() > 0)
      lines.push_back(std::to_string(aFile.GetReadRepairs()) +
                      " missing end tag(s) repaired by the reader");
   return lines;
}

} // namespace

int RunInfo(const tArgs& aArgs)
{
   if (aArgs.size() != 1)
      return Fail("info: expects one FILE (see 'scltool info --help')");
   tDocument document = LoadDocument(aArgs[0]);
   if (!document.File)
      return EXIT_ERROR;
   CSclFile& file = *document.File;
   CSclSCL* scl = file.GetSclElement();
   std::printf("file:        %s\n", aArgs[0].c_str());
   std::printf("encoding:    %s\n", FormatName(file.GetFileFormat()));
   if (scl != nullptr) {
      const std::string version = scl->GetValue(NID_version);
      const std::string revision = scl->GetValue(NID_revision);
      std::printf("SCL:         version %s, revision %s\n",
                  version.empty() ? "-" : ToUtf8(version).c_str(),
                  revision.empty() ? "-" : ToUtf8(revision).c_str());
   } else {
      std::printf("SCL:         %s\n", MissingSclText(file).c_str());
   }
   std::printf("load time:   %.3f s\n", document.LoadSeconds);
   if (document.ProblemReports > 0)
      std::printf("load:        %d problem report(s), see stderr\n", document.ProblemReports);

   const auto classes = CountClasses(file);
   std::printf("elements:\n");
   for (tSclClassId id : kSummaryClasses) {
      const auto found = classes.find(id);
      std::printf("  %-20s %d\n", CSclNameTable::GetNameOfClassId(id).c_str(),
                  found != classes.end() ? found->second : 0);
   }
   std::printf("references:  %19s %11s\n", "resolved", "unresolved");
   for (const auto& entry : CountReferences(file))
      std::printf("  %-22s %9d %11d\n", CSclNameTable::GetNameOfClassId(entry.first).c_str(),
                  entry.second.Resolved, entry.second.Unresolved);
   std::printf("CRC stamp:   %s\n", CrcStampState(file).c_str());
   return EXIT_OK;
}

int RunCheck(const tArgs& aArgs)
{
   if (aArgs.size() != 1)
      return Fail("check: expects one FILE (see 'scltool check --help')");
   tDocument document = LoadDocument(aArgs[0]);
   if (!document.File)
      return EXIT_ERROR;
   CSclFile& file = *document.File;
   int findings = 0;
   if (document.ProblemReports > 0) {
      std::printf("load: %d problem report(s) while reading (details on stderr)\n",
                  document.ProblemReports);
      findings += document.ProblemReports;
   }

   CSclSchemaInfo* schema = CSclSchemaInfo::GetInstance();
   CSclSCL* scl = file.GetSclElement();
   if (scl == nullptr) {
      std::printf("structure: %s\n", MissingSclText(file).c_str());
      ++findings;
   }
   for (const std::string& line : ReadDamage(file)) {
      std::printf("structure: %s\n", line.c_str());
      ++findings;
   }
   // Names below the SCL element; the content of Private elements and namespaced
   // attributes belong to other schemas and are not checked.
   for (const CScl* object = scl != nullptr ? scl->GetNext(0, 255) : nullptr; object != nullptr;
        object = object->GetNext(0, 255)) {
      if (object->GetParent(CID_Private) != nullptr)
         continue;
      const std::string& name = object->GetSclName();
      if (object->IsClass(CID_REMARK) || name == "xmlns" || name.find(':') != std::string::npos ||
          (!name.empty() && name[0] == '?'))
         continue; // processing instructions belong to their targets
      if (schema->CheckName(object) != SE_OK) {
         std::printf("name: %s: '%s' is not allowed in %s\n", Location(*object).c_str(),
                     ToUtf8(object->GetSclName()).c_str(),
                     ToUtf8(object->GetParent()->GetSclName()).c_str());
         ++findings;
      }
   }
   for (const CScl* object = &file; object != nullptr; object = object->GetNext(0, 255)) {
      if (!IsReference(*object))
         continue;
      const auto* ref = static_cast<const CSclRef*>(object);
      if (ref->GetRefSclContainer() != nullptr)
         continue;
      std::printf("unresolved: %s at %s:%s\n",
                  CSclNameTable::GetNameOfClassId(ref->GetClassId()).c_str(),
                  Location(*ref).c_str(), ToUtf8(ref->GetRefKeyText()).c_str());
      ++findings;
   }
   const std::string stamp = CrcStampState(file);
   std::printf("CRC stamp: %s\n", stamp.c_str());
   if (stamp == "invalid")
      ++findings;
   std::printf("%d finding(s)\n", findings);
   return findings == 0 ? EXIT_OK : EXIT_FINDINGS;
}

int RunSave(const tArgs& aArgs)
{
   Xml::tFileFormat format = Xml::FF_UTF8;
   bool formatGiven = false;
   bool legacy = false;
   bool force = false;
   tArgs paths;
   for (size_t i = 0; i < aArgs.size(); ++i) {
      if (aArgs[i] == "--legacy") {
         legacy = true;
      } else if (aArgs[i] == "--force") {
         force = true;
      } else if (aArgs[i] == "--format" && i + 1 < aArgs.size()) {
         if (!ParseFormat(aArgs[++i], format))
            return Fail("save: unknown format '" + aArgs[i] + "' (utf8, utf16 or ansi)");
         formatGiven = true;
      } else {
         paths.push_back(aArgs[i]);
      }
   }
   if (paths.size() != 2)
      return Fail("save: expects FILE OUT (see 'scltool save --help')");
   tDocument document = LoadDocument(paths[0], legacy);
   if (!document.File)
      return EXIT_ERROR;
   std::vector<std::string> refusals = ReadDamage(*document.File);
   if (document.File->GetSclElement() == nullptr)
      refusals.push_back(MissingSclText(*document.File));
   if (!refusals.empty() && !force) {
      for (const std::string& line : refusals)
         std::fprintf(stderr, "scltool: save: %s\n", line.c_str());
      std::fprintf(stderr, "scltool: save: refused, %s left untouched (--force saves anyway)\n",
                   paths[1].c_str());
      return EXIT_FINDINGS;
   }
   if (formatGiven)
      document.File->SetFileFormat(format);
   if (!Save(*document.File, paths[1]))
      return EXIT_ERROR;
   std::printf("saved %s (%s)\n", paths[1].c_str(), FormatName(document.File->GetFileFormat()));
   return EXIT_OK;
}

int RunPack(const tArgs& aArgs)
{
   if (aArgs.size() != 2)
      return Fail("pack: expects FILE OUT (see 'scltool pack --help')");
   tDocument document = LoadDocument(aArgs[0]);
   if (!document.File)
      return EXIT_ERROR;
   CSclFile& file = *document.File;
   const auto before = CountTemplates(file);
   const bool merged = file.PackDataTypeTemplates();
   const auto after = CountTemplates(file);
   for (const auto& entry : before) {
      const int now = after.at(entry.first);
      std::printf("%-10s %5d -> %5d  (%d merged)\n", entry.first.c_str(), entry.second, now,
                  entry.second - now);
   }
   if (!merged)
      std::printf("no duplicate templates\n");
   if (!Save(file, aArgs[1]))
      return EXIT_ERROR;
   std::printf("saved %s\n", aArgs[1].c_str());
   return EXIT_OK;
}

} // namespace SclTool
