// scltool info and check: what a file holds and what in it is broken.
#include <cstdio>

#include "Document.h"
#include "Json.h"
#include "Tool.h"

namespace SclTool {

using namespace Arvenko::Melvotar::Scl;

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

// Children that the schema tells apart by a name: (parent class, child class, key
// attribute; NID_NONE for the element's identity, as an LN's prefix + lnClass + inst).
struct tUniqueRule {
   tSclClassId Parent;
   tSclClassId Child;
   tSclNameId Key;
};

const tUniqueRule kUniqueRules[] = {
    {CID_SCL, CID_IED, NID_name},
    {CID_SCL, CID_Substation, NID_name},
    {CID_Substation, CID_VoltageLevel, NID_name},
    {CID_VoltageLevel, CID_Bay, NID_name},
    {CID_IED, CID_AccessPoint, NID_name},
    {CID_AccessPoint, CID_LN, NID_NONE},
    {CID_Server, CID_LDevice, NID_inst},
    {CID_LDevice, CID_LN, NID_NONE},
    {CID_LNBase, CID_DataSet, NID_name},
    {CID_LNBase, CID_ReportControl, NID_name},
    {CID_LNBase, CID_LogControl, NID_name},
    {CID_LNBase, CID_GSEControl, NID_name},
    {CID_LNBase, CID_SampledValueControl, NID_name},
    {CID_LNBase, CID_DOI, NID_NONE},
    {CID_Communication, CID_SubNetwork, NID_name},
    {CID_DataTypeTemplates, CID_LNodeType, NID_id},
    {CID_DataTypeTemplates, CID_DOType, NID_id},
    {CID_DataTypeTemplates, CID_DAType, NID_id},
    {CID_DataTypeTemplates, CID_EnumType, NID_id},
};

// One finding of check: the text line and the fields of its JSON record.
struct tFinding {
   tFinding(std::string aKind, std::string aPath, std::string aMessage, int aLine = 0)
       : Kind(std::move(aKind)), Path(std::move(aPath)), Message(std::move(aMessage)), Line(aLine)
   {
   }
   std::string Kind; // load, structure, name, duplicate, unresolved, stamp
   std::string Path;
   std::string Message;
   int Line;
   std::vector<std::pair<std::string, std::string>> Fields; // further JSON fields
   int Code = -1;                                           // a load report's error code
   int Count = 0;                                           // how often a duplicate name occurs
};

// Duplicates among the children of one element, by the rules that apply to its class.
void FindDuplicatesIn(const CSclContainer& aParent, std::vector<tFinding>& arFindings)
{
   for (const tUniqueRule& rule : kUniqueRules) {
      if (!aParent.IsClass(rule.Parent))
         continue;
      std::map<std::string, int> seen;
      std::vector<std::string> order;
      for (int i = 0; i < aParent.GetChildCount(); ++i) {
         const CScl* child = aParent.GetChild(i);
         if (child->GetClassId() != rule.Child)
            continue;
         const auto& element = static_cast<const CSclContainer&>(*child);
         const std::string key =
             rule.Key == NID_NONE ? element.GetId() : element.GetValue(rule.Key);
         if (!key.empty() && ++seen[key] == 2)
            order.push_back(key);
      }
      const std::string child = CSclNameTable::GetNameOfClassId(rule.Child);
      const std::string keyName =
          rule.Key == NID_NONE ? "identity" : CSclNameTable::GetNameOfNameId(rule.Key);
      for (const std::string& key : order) {
         tFinding finding("duplicate", ObjectPath(aParent),
                          child + " " + keyName + " '" + ToUtf8(key) + "' is used " +
                              std::to_string(seen[key]) + " times");
         finding.Fields = {{"element", child}, {"key", ToUtf8(key)}};
         finding.Count = seen[key];
         arFindings.push_back(finding);
      }
   }
}

void FindDuplicates(const CSclSCL& aScl, std::vector<tFinding>& arFindings)
{
   FindDuplicatesIn(aScl, arFindings);
   aScl.ForEachChild([&arFindings](CScl* apObject) {
      if (apObject->IsClass(CID_CONTAINER) && !apObject->IsClass(CID_REF))
         FindDuplicatesIn(static_cast<const CSclContainer&>(*apObject), arFindings);
      return 0;
   });
}

void FindNames(const CSclSCL& aScl, std::vector<tFinding>& arFindings)
{
   // Names below the SCL element, judged by the schema of the file's edition: the content of
   // Text and Private elements and names of other namespaces are left to their own schemas.
   CSclEdition::FindNameFindings(aScl, true, [&](const CScl& aObject, const std::string& aName) {
      // A reference key is found on the reference object: its place is the owner's.
      const CScl& place = aObject.IsClass(CID_REF) ? *aObject.GetParent() : aObject;
      arFindings.emplace_back("name", ObjectPath(place),
                              "'" + ToUtf8(aName) + "' is not allowed in " +
                                  ToUtf8(aObject.GetParent()->GetSclName()));
      return true;
   });
}

void FindUnresolved(const CSclFile& aFile, std::vector<tFinding>& arFindings)
{
   aFile.ForEachChild([&arFindings](CScl* apObject) {
      if (!IsReference(*apObject))
         return 0;
      const auto& ref = static_cast<const CSclRef&>(*apObject);
      if (ref.GetRefSclContainer() != nullptr)
         return 0;
      const std::string kind = CSclNameTable::GetNameOfClassId(ref.GetClassId());
      tFinding finding("unresolved", ObjectPath(ref), DescribeUnresolved(ref));
      finding.Fields = {
          {"reference", kind}, {"keys", ReferenceKeys(ref)}, {"missing", MissingKey(ref)}};
      arFindings.push_back(finding);
      return 0;
   });
}

// Runs aCommand on the one FILE of info and check (with an optional --json) once it loaded;
// wrong arguments and an unreadable file end the command before.
int WithOneFile(const tArgs& aArgs, const std::string& aName,
                int (*aCommand)(bool aJson, const std::string& aPath, tDocument& arDocument))
{
   tArgs args = aArgs;
   const bool json = TakeFlag(args, "--json");
   if (args.size() != 1)
      return Fail(aName + ": expects one FILE (see 'scltool " + aName + " --help')");
   tDocument document = LoadDocument(args[0], !json);
   if (!document.File)
      return EXIT_ERROR;
   return aCommand(json, args[0], document);
}

// The summary of the loaded file: encoding, SCL version, element and reference counts, stamp.
int ShowInfo(bool aJson, const std::string& aPath, tDocument& arDocument)
{
   CSclFile& file = *arDocument.File;
   CSclSCL* scl = file.GetSclElement();
   const std::string version = scl != nullptr ? ToUtf8(scl->GetValue(NID_version)) : "";
   const std::string revision = scl != nullptr ? ToUtf8(scl->GetValue(NID_revision)) : "";
   const auto classes = CountClasses(file);
   auto count = [&classes](tSclClassId aId) {
      const auto found = classes.find(aId);
      return found != classes.end() ? found->second : 0;
   };
   const auto references = CountReferences(file);

   if (aJson) {
      CJson out;
      out.BeginObject().Field("command", "info").Field("file", aPath);
      out.Field("encoding", FormatName(file.GetFileFormat()));
      out.Field("sclElement", scl != nullptr).Field("version", version).Field("revision", revision);
      out.Key("loadSeconds").Number(arDocument.LoadSeconds);
      out.Key("elements").BeginObject();
      for (tSclClassId id : kSummaryClasses)
         out.Field(CSclNameTable::GetNameOfClassId(id), count(id));
      out.EndObject().Key("references").BeginObject();
      for (const auto& entry : references)
         out.Key(CSclNameTable::GetNameOfClassId(entry.first))
             .BeginObject()
             .Field("resolved", entry.second.Resolved)
             .Field("unresolved", entry.second.Unresolved)
             .EndObject();
      out.EndObject().Field("crcStamp", CrcStampState(file)).Key("reports");
      WriteReports(out, arDocument.Reports);
      std::fputs(out.EndObject().Text().c_str(), stdout);
      return EXIT_OK;
   }
   std::printf("file:        %s\n", aPath.c_str());
   std::printf("encoding:    %s\n", FormatName(file.GetFileFormat()));
   if (scl != nullptr)
      std::printf("SCL:         version %s, revision %s\n", version.empty() ? "-" : version.c_str(),
                  revision.empty() ? "-" : revision.c_str());
   else
      std::printf("SCL:         %s\n", MissingSclText(file).c_str());
   std::printf("load time:   %.3f s\n", arDocument.LoadSeconds);
   if (arDocument.ProblemReports > 0)
      std::printf("load:        %d problem report(s), see stderr\n", arDocument.ProblemReports);
   std::printf("elements:\n");
   for (tSclClassId id : kSummaryClasses)
      std::printf("  %-20s %d\n", CSclNameTable::GetNameOfClassId(id).c_str(), count(id));
   std::printf("references:  %19s %11s\n", "resolved", "unresolved");
   for (const auto& entry : references)
      std::printf("  %-22s %9d %11d\n", CSclNameTable::GetNameOfClassId(entry.first).c_str(),
                  entry.second.Resolved, entry.second.Unresolved);
   std::printf("CRC stamp:   %s\n", CrcStampState(file).c_str());
   return EXIT_OK;
}

// The findings of the loaded file: load reports, duplicate names, unresolved references.
int ShowCheck(bool aJson, const std::string& aPath, tDocument& arDocument)
{
   CSclFile& file = *arDocument.File;
   std::vector<tFinding> findings;
   for (const tSclReport& report : arDocument.Reports)
      if (report.Code != SE_OK) {
         tFinding finding("load", ToUtf8(report.Path), ToUtf8(report.Message), report.Line);
         finding.Code = report.Code;
         findings.push_back(finding);
      }
   CSclSCL* scl = file.GetSclElement();
   if (scl == nullptr) {
      findings.emplace_back("structure", "", MissingSclText(file));
   } else {
      FindNames(*scl, findings);
      FindDuplicates(*scl, findings);
   }
   for (const std::string& line : ReadDamage(file))
      findings.emplace_back("structure", "", line);
   FindUnresolved(file, findings);
   const std::string stamp = CrcStampState(file);
   if (stamp == "invalid")
      findings.emplace_back("stamp", "SCL", "the checksum stamp does not match the content");

   if (aJson) {
      CJson out;
      out.BeginObject().Field("command", "check").Field("file", aPath);
      out.Field("crcStamp", stamp).Field("findingCount", static_cast<int>(findings.size()));
      out.Key("findings").BeginArray();
      for (const tFinding& finding : findings) {
         out.BeginObject().Field("kind", finding.Kind).Field("path", finding.Path);
         out.Field("message", finding.Message).Key("line");
         if (finding.Line > 0)
            out.Number(int64_t{finding.Line});
         else
            out.Null();
         for (const auto& field : finding.Fields)
            out.Field(field.first, field.second);
         if (finding.Code >= 0)
            out.Field("code", finding.Code);
         if (finding.Count > 0)
            out.Field("count", finding.Count);
         out.EndObject();
      }
      std::fputs(out.EndArray().EndObject().Text().c_str(), stdout);
   } else {
      if (arDocument.ProblemReports > 0)
         std::printf("load: %d problem report(s) while reading (details on stderr)\n",
                     arDocument.ProblemReports);
      for (const tFinding& finding : findings) {
         if (finding.Kind == "load")
            continue;
         if (finding.Kind == "unresolved" || finding.Path.empty())
            std::printf("%s: %s\n", finding.Kind.c_str(), finding.Message.c_str());
         else
            std::printf("%s: %s: %s\n", finding.Kind.c_str(), finding.Path.c_str(),
                        finding.Message.c_str());
      }
      std::printf("CRC stamp: %s\n", stamp.c_str());
      std::printf("%d finding(s)\n", static_cast<int>(findings.size()));
   }
   return findings.empty() ? EXIT_OK : EXIT_FINDINGS;
}

} // namespace

int RunInfo(const tArgs& aArgs)
{
   return WithOneFile(aArgs, "info", &ShowInfo);
}

int RunCheck(const tArgs& aArgs)
{
   return WithOneFile(aArgs, "check", &ShowCheck);
}

} // namespace SclTool
