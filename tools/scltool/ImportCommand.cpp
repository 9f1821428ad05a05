// scltool import: one IED of another file, with its templates and its network access.
#include <cstdio>

#include "Document.h"
#include "Tool.h"

namespace SclTool {

using namespace Arvenko::Melvotar::Scl;

int RunImport(const tArgs& aArgs)
{
   tArgs paths;
   std::string out, newName;
   for (size_t i = 0; i < aArgs.size(); ++i) {
      if (aArgs[i] == "-o" && i + 1 < aArgs.size())
         out = aArgs[++i];
      else if (aArgs[i] == "--as" && i + 1 < aArgs.size())
         newName = aArgs[++i];
      else
         paths.push_back(aArgs[i]);
   }
   if (paths.size() != 3 || out.empty())
      return Fail("import: expects TARGET SOURCE IEDNAME -o OUT (see 'scltool import --help')");
   tDocument target = LoadDocument(paths[0]);
   if (!target.File)
      return EXIT_ERROR;
   tDocument source = LoadDocument(paths[1]);
   if (!source.File)
      return EXIT_ERROR;

   tImportOptions options;
   options.NewName = FromUtf8(newName);
   tImportResult result;
   const tSclError error =
       ImportIED(*target.File, *source.File, FromUtf8(paths[2]), options, result);
   if (error != SE_OK)
      return Fail("import: refused (" + ToUtf8(GetSclErrorText(error)) + "), see the report above");

   std::printf("imported IED %s as %s\n", paths[2].c_str(), ToUtf8(result.Ied->Get_name()).c_str());
   int counts[3] = {0, 0, 0};
   for (const tImportedTemplate& entry : result.Templates)
      ++counts[entry.Action];
   std::printf("templates: %d copied, %d reused, %d renamed\n", counts[IMPORT_COPIED],
               counts[IMPORT_REUSED], counts[IMPORT_RENAMED]);
   // The templates the IED knows under another id in the target.
   for (const tImportedTemplate& entry : result.Templates) {
      if (entry.SourceId == entry.TargetId)
         continue;
      const bool renamed = entry.Action == IMPORT_RENAMED;
      std::printf("  %-8s %-9s %s %s %s\n", renamed ? "renamed" : "reused",
                  CSclNameTable::GetNameOfClassId(entry.ClassId).c_str(),
                  ToUtf8(entry.SourceId).c_str(), renamed ? "->" : "=",
                  ToUtf8(entry.TargetId).c_str());
   }
   std::printf("connected access points: %d\n", result.ConnectedAPCount);
   for (const std::string& name : result.CreatedSubNetworks)
      std::printf("  created SubNetwork %s\n", ToUtf8(name).c_str());
   for (const std::string& prefix : result.AddedNamespaces)
      std::printf("  declared namespace prefix %s\n", ToUtf8(prefix).c_str());
   for (const CSclRef* ref : result.Unresolved)
      std::printf("unresolved: %s\n", DescribeUnresolved(*ref).c_str());
   if (!Save(*target.File, out))
      return EXIT_ERROR;
   std::printf("saved %s (%d unresolved reference(s))\n", out.c_str(),
               static_cast<int>(result.Unresolved.size()));
   return result.Unresolved.empty() ? EXIT_OK : EXIT_FINDINGS;
}

} // namespace SclTool
