// scltool diff: the rule-driven comparison of two files, one line (or record) per change.
#include <cstdio>

#include "Document.h"
#include "Json.h"
#include "Tool.h"

namespace SclTool {

using namespace Arvenko::Melvotar::Scl;

namespace {

// One reported difference.
struct tDifference {
   std::string Kind; // content, order, missing, added, type-id
   bool Counted;
   std::string Path;
   std::string Text;
   std::string ItemId;
   bool HasOld = false, HasNew = false;
   bool KeyText = false; // the values are a reference's key attributes (shown unquoted)
   std::string Old, New;
};

// The comparison under way; the compare callback is a plain function.
struct tDiffState {
   const CSclContainer* LeftRoot = nullptr;
   const CSclContainer* RightRoot = nullptr;
   std::vector<tDifference> Differences;
   // The last element whose value change was reported, and its counterpart: the report on
   // their text that follows is the same change.
   const CScl* ChangedLeft = nullptr;
   const CScl* ChangedRight = nullptr;
};
tDiffState g_Diff;

// What each report event stands for, by its number.
const char* const kEventKinds[] = {"type-id", "content", "missing", "missing", "content",
                                   "content", "order",   "order",   "added",   "added"};

// Readable texts for the library's placeholders when no rule file gives texts.
std::string ReadableText(const std::string& aText, int aEvent)
{
   static const std::pair<tDiffKind, const char*> kTexts[] = {
       {DIFF_CONTENT, "value changed"},
       {DIFF_ORDER, "position changed"},
       {DIFF_MISSING, "only in the first file"},
       {DIFF_ADDITIONAL, "only in the second file"}};
   static const CSmartCompare defaults;
   for (const auto& entry : kTexts)
      if (aText == defaults.GetText(entry.first))
         return entry.second;
   // The notice of an aligned template id starts with the text of its kind, "?" by default.
   if (aEvent == 0 && aText.compare(0, 2, "? ") == 0)
      return "template id aligned" + aText.substr(1);
   return aText;
}

// The counterpart of a left-side object in the right tree, by identity; or null.
const CScl* Counterpart(const CScl& aLeft)
{
   const int count = aLeft.GetLevel() - g_Diff.LeftRoot->GetLevel();
   if (count < 1)
      return g_Diff.RightRoot;
   std::vector<tIdStruct> path(static_cast<size_t>(count));
   if (aLeft.FillIdStructArray(path.data(), count) != SE_OK)
      return nullptr;
   return g_Diff.RightRoot->GetChildByIdStructArray(path.data(), count);
}

bool IsText(const CScl& aObject)
{
   return aObject.IsClass(CID_VALUE) && !aObject.IsClass(CID_REF) &&
          aObject.GetNameId() == NID_NONE;
}

void CollectDifference(int aIgnored, CScl* apScl, std::string aItemId, std::string aText,
                       int aEvent)
{
   if (apScl == nullptr)
      return;
   const bool left = aEvent >= 1 && aEvent <= 7;
   const CScl* right = left && aEvent != 2 && aEvent != 3 ? Counterpart(*apScl) : nullptr;
   // A changed element value is reported once, on the element, not again on its text.
   if (IsText(*apScl) &&
       (apScl->GetParent() == g_Diff.ChangedLeft || apScl->GetParent() == g_Diff.ChangedRight))
      return;
   tDifference difference;
   difference.Kind = aEvent >= 0 && aEvent <= 9 ? kEventKinds[aEvent] : "?";
   difference.Counted = aIgnored == 0;
   difference.Path = ObjectPath(*apScl);
   difference.Text = ToUtf8(ReadableText(aText, aEvent));
   difference.ItemId = ToUtf8(aItemId);
   const bool value = apScl->IsClass(CID_VALUE) && !apScl->IsClass(CID_REF);
   if (difference.Kind == "content" && right != nullptr && apScl->IsClass(CID_REF)) {
      // A reference stands for its key attributes.
      difference.Old = ReferenceKeys(static_cast<const CSclRef&>(*apScl));
      difference.New = ReferenceKeys(static_cast<const CSclRef&>(*right));
      difference.HasOld = difference.HasNew = difference.KeyText = true;
   } else if (difference.Kind == "content" && right != nullptr) {
      difference.Old = ToUtf8(apScl->GetValue());
      difference.New = ToUtf8(right->GetValue());
      difference.HasOld = difference.HasNew = true;
      if (apScl->IsClass(CID_CONTAINER)) {
         g_Diff.ChangedLeft = apScl;
         g_Diff.ChangedRight = right;
      }
   } else if (difference.Kind == "order" && right != nullptr) {
      difference.Old = std::to_string(apScl->GetInstanceIndex());
      difference.New = std::to_string(right->GetInstanceIndex());
      difference.HasOld = difference.HasNew = true;
   } else if (difference.Kind == "missing" && value) {
      difference.Old = ToUtf8(apScl->GetValue());
      difference.HasOld = true;
   } else if (difference.Kind == "added" && value) {
      difference.New = ToUtf8(apScl->GetValue());
      difference.HasNew = true;
   }
   g_Diff.Differences.push_back(difference);
}

// The library's own stamps (version, edit time, checksum) under SCL.
void RemoveStamps(CSclSCL* apScl)
{
   if (apScl == nullptr)
      return;
   std::vector<CSclPrivate*> privates;
   apScl->GetPrivates(privates);
   for (CSclPrivate* stamp : privates) {
      const std::string type = stamp->Get_type();
      if (type == SCL_STAMP_VERSION || type == SCL_STAMP_EDIT_TIME || type == SCL_STAMP_CRC)
         apScl->DeleteChild(stamp);
   }
}

// A value for a one-line text: quoted, line ends and tabs escaped, long ones shortened.
std::string Shown(const std::string& aValue)
{
   std::string shown = "\"";
   for (const char c : aValue.size() > 160 ? aValue.substr(0, 160) : aValue)
      shown += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : std::string(1, c);
   return shown + (aValue.size() > 160 ? "...\"" : "\"");
}

} // namespace

int RunDiff(const tArgs& aArgs)
{
   tArgs paths;
   std::string rulesPath;
   bool align = false, first = false, countStamps = false, json = false;
   for (size_t i = 0; i < aArgs.size(); ++i) {
      if (aArgs[i] == "--rules" && i + 1 < aArgs.size())
         rulesPath = aArgs[++i];
      else if (aArgs[i] == "--align-type-ids")
         align = true;
      else if (aArgs[i] == "--first")
         first = true;
      else if (aArgs[i] == "--count-stamps")
         countStamps = true;
      else if (aArgs[i] == "--json")
         json = true;
      else
         paths.push_back(aArgs[i]);
   }
   if (paths.size() != 2)
      return Fail("diff: expects two files A B (see 'scltool diff --help')");
   tDocument left = LoadDocument(paths[0], !json);
   if (!left.File)
      return EXIT_ERROR;
   tDocument right = LoadDocument(paths[1], !json);
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
   CSclSCL* leftScl = left.File->GetSclElement();
   CSclSCL* rightScl = right.File->GetSclElement();
   if (!countStamps) {
      RemoveStamps(leftScl);
      RemoveStamps(rightScl);
   }
   g_Diff = tDiffState();
   const bool bothScl = leftScl != nullptr && rightScl != nullptr;
   g_Diff.LeftRoot = bothScl ? static_cast<CSclContainer*>(leftScl) : left.File.get();
   g_Diff.RightRoot = bothScl ? static_cast<CSclContainer*>(rightScl) : right.File.get();
   rules.SetCallback(&CollectDifference);
   if (align)
      rules.AdjustTypeIds(left.File.get(), right.File.get());
   const bool equal = g_Diff.LeftRoot->SmartCompare(*g_Diff.RightRoot, rules, !first);
   rules.SetCallback(nullptr);

   int counted = 0;
   for (const tDifference& difference : g_Diff.Differences)
      counted += difference.Counted ? 1 : 0;
   if (json) {
      CJson out;
      out.BeginObject().Field("command", "diff").Field("first", paths[0]).Field("second", paths[1]);
      out.Field("equal", equal).Field("counted", counted);
      out.Field("ignored", static_cast<int>(g_Diff.Differences.size()) - counted);
      out.Key("differences").BeginArray();
      for (const tDifference& difference : g_Diff.Differences) {
         out.BeginObject().Field("kind", difference.Kind).Field("counted", difference.Counted);
         out.Field("path", difference.Path).Field("text", difference.Text);
         if (!difference.ItemId.empty())
            out.Field("itemId", difference.ItemId);
         if (difference.HasOld)
            out.Field("old", difference.Old);
         if (difference.HasNew)
            out.Field("new", difference.New);
         out.EndObject();
      }
      std::fputs(out.EndArray().EndObject().Text().c_str(), stdout);
   } else {
      for (const tDifference& difference : g_Diff.Differences) {
         std::string values;
         if (difference.HasOld && difference.HasNew)
            values = difference.Kind == "order" || difference.KeyText
                         ? ": " + difference.Old + " -> " + difference.New
                         : ": " + Shown(difference.Old) + " -> " + Shown(difference.New);
         else if (difference.HasOld || difference.HasNew)
            values = ": " + Shown(difference.HasOld ? difference.Old : difference.New);
         std::printf("%-8s %-7s %s: %s%s%s\n", difference.Kind.c_str(),
                     difference.Counted ? "counted" : "ignored", difference.Path.c_str(),
                     difference.Text.c_str(), values.c_str(),
                     difference.ItemId.empty() ? "" : (" [" + difference.ItemId + "]").c_str());
      }
      std::printf("%s (%d counted difference(s))\n", equal ? "equal" : "different", counted);
   }
   g_Diff = tDiffState();
   return equal ? EXIT_OK : EXIT_FINDINGS;
}

} // namespace SclTool
