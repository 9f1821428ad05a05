// scltool diff: the rule-driven comparison of two files.
#include <cstdio>

#include "Document.h"
#include "Tool.h"

namespace SclTool {

using namespace Arvenko::Melvotar::Scl;

namespace {

int g_Counted = 0;

// What each report event stands for, by its number.
const char* const kEventNames[] = {"type-id", "content", "missing", "missing", "content",
                                   "content", "order",   "order",   "added",   "added"};

void PrintDifference(int aIgnored, CScl* apScl, std::string aItemId, std::string aText, int aEvent)
{
   if (aIgnored == 0)
      ++g_Counted;
   const char* kind = aEvent >= 0 && aEvent <= 9 ? kEventNames[aEvent] : "?";
   std::string path = apScl != nullptr ? ToUtf8(apScl->GetIdNamePath()) : std::string();
   if (path.empty() && apScl != nullptr)
      path = ToUtf8(apScl->GetIdName());
   std::printf("%-8s %-7s %s: %s%s%s\n", kind, aIgnored ? "ignored" : "counted", path.c_str(),
               ToUtf8(aText).c_str(), aItemId.empty() ? "" : " [",
               aItemId.empty() ? "" : (ToUtf8(aItemId) + "]").c_str());
}

} // namespace

int RunDiff(const tArgs& aArgs)
{
   tArgs paths;
   std::string rulesPath;
   bool align = false, first = false;
   for (size_t i = 0; i < aArgs.size(); ++i) {
      if (aArgs[i] == "--rules" && i + 1 < aArgs.size())
         rulesPath = aArgs[++i];
      else if (aArgs[i] == "--align-type-ids")
         align = true;
      else if (aArgs[i] == "--first")
         first = true;
      else
         paths.push_back(aArgs[i]);
   }
   if (paths.size() != 2)
      return Fail("diff: expects two files A B (see 'scltool diff --help')");
   tDocument left = LoadDocument(paths[0]);
   if (!left.File)
      return EXIT_ERROR;
   tDocument right = LoadDocument(paths[1]);
   if (!right.File)
      return EXIT_ERROR;

   CSmartCompare rules;
   if (!rulesPath.empty()) {
      try {
         rules.ReadIgnoreFile(rulesPath);
      } catch (const std::exception& e) {
         return Fail("cannot read rules '" + rulesPath + "': " + ToUtf8(e.what()));
      }
   }
   g_Counted = 0;
   rules.SetCallback(&PrintDifference);
   if (align)
      rules.AdjustTypeIds(left.File.get(), right.File.get());
   CSclSCL* leftScl = left.File->GetSclElement();
   CSclSCL* rightScl = right.File->GetSclElement();
   bool equal;
   if (leftScl != nullptr && rightScl != nullptr)
      equal = leftScl->SmartCompare(*rightScl, rules, !first);
   else
      equal = left.File->SmartCompare(*right.File, rules, !first);
   std::printf("%s (%d counted difference(s))\n", equal ? "equal" : "different", g_Counted);
   return equal ? EXIT_OK : EXIT_FINDINGS;
}

} // namespace SclTool
