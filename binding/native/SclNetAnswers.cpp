// sclnet_answers: what the native library answers, printed for the managed tests to hold the
// binding against (built with the tests only; not part of the package).
//   sclnet_answers files PATH...    one line per file: element and reference counts, checksums,
//                                   edition, check results, read results
//   sclnet_answers tables           one line per link-info id and per class's child infos
//   sclnet_answers texts PROBE...   one line per probe with the default texts: n:NAME (an
//                                   attribute or sub-data-object name) or v:DA|DO|CDC|VALUE
// Texts are printed as UTF-8. The managed tests print the same lines through the binding.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "SclDll/SclLib.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;

namespace {

std::string Utf8(const std::string& aText)
{
   return XmlParser::LibraryToUtf8(aText);
}

template <class T, class F> std::string Join(const std::vector<T>& aItems, F aFormat)
{
   std::string out;
   for (const T& item : aItems)
      out += (out.empty() ? "" : ",") + aFormat(item);
   return out;
}

std::string Ref(tTextRef aRef)
{
   return std::to_string(aRef.sid) + ":" + std::to_string(aRef.nr);
}

void PrintFile(const std::string& aPath)
{
   CSclFile file;
   try {
      file.Read(aPath);
   } catch (const std::exception& e) {
      std::printf("%s\terror %s\n", aPath.c_str(), Utf8(e.what()).c_str());
      return;
   }
   int elements = 0;
   int targets = 0;
   std::map<int, std::pair<int, int>> refs; // class id: resolved, unresolved
   for (const CScl* p = &file; p != nullptr; p = p->GetNext(0, 255)) {
      if (p->IsClass(CID_REF)) {
         auto& entry = refs[p->GetClassId()];
         ++(static_cast<const CSclRef*>(p)->GetRefSclContainer() != nullptr ? entry.first
                                                                            : entry.second);
      } else if (p->IsClass(CID_CONTAINER)) {
         ++elements;
         std::vector<CSclRef*> list;
         static_cast<const CSclContainer*>(p)->GetRefList(list);
         targets += static_cast<int>(list.size());
      }
   }
   std::string counts;
   for (const auto& entry : refs)
      counts += " " + CSclNameTable::GetNameOfClassId(static_cast<tSclClassId>(entry.first)) + "=" +
                std::to_string(entry.second.first) + "/" + std::to_string(entry.second.second);
   const CSclSCL* scl = file.GetSclElement();
   std::printf("%s\telements=%d reflists=%d crc=%d sclcrc=%d edition=%d check=%d/%d read=%d/%d%s\n",
               aPath.c_str(), elements, targets, file.GetCRC32(0),
               scl != nullptr ? scl->GetCRC32WithoutTopLevelId(0) : 0,
               static_cast<int>(file.GetEdition()), file.Check(1 | 2),
               file.Check(1 | SCL_CHECK_EDITION), file.IsReadTruncated() ? 1 : 0,
               file.GetReadRepairs(), counts.c_str());
}

void PrintTables()
{
   CSclKevText texts;
   for (int i = -1; i <= 126; ++i) {
      const auto id = static_cast<tSclValueId>(i);
      std::vector<tSclValueId> groups, sources;
      std::vector<tSclDALink> links;
      std::vector<tSclFCDA> fcdas;
      CSclLinkInfos::GetDAGroups(id, &groups);
      CSclLinkInfos::GetSourceCDCs(id, &sources);
      CSclLinkInfos::GetDALinks(id, &links);
      CSclLinkInfos::GetMaxTargetFCDA(id, &fcdas);
      const std::string name = CSclLinkInfos::GetValue(id);
      auto number = [](tSclValueId aId) { return std::to_string(aId); };
      std::printf("value %d %s|%d|%d|%s|%d|%s|%s|%s|%s|%s\n", i, Utf8(name).c_str(),
                  CSclLinkInfos::GetValueId(name), CSclLinkInfos::HasDAGroups(id) ? 1 : 0,
                  Join(groups, number).c_str(), CSclLinkInfos::GetTargetCDC(id),
                  Join(sources, number).c_str(),
                  Join(links,
                       [](const tSclDALink& aLink) {
                          return std::to_string(aLink.SourceDA) + ":" +
                                 std::to_string(aLink.TargetFC) + ":" +
                                 std::to_string(aLink.TargetDA);
                       })
                      .c_str(),
                  Join(fcdas,
                       [](const tSclFCDA& aPair) {
                          return std::to_string(aPair.FC) + ":" + std::to_string(aPair.DA);
                       })
                      .c_str(),
                  Ref(texts.GetDAGroupKevTextRef(id)).c_str(),
                  Utf8(texts.GetDAGroupTextKey(id)).c_str());
   }
   for (int c = -1; c <= CID_LAST_CLASS + 1; ++c) {
      std::vector<tSclChildInfo> infos;
      CSclSchemaInfo::GetInstance()->GetChildInfos(static_cast<tSclClassId>(c), infos);
      std::printf("children %d %s\n", c,
                  Join(infos, [](const tSclChildInfo& aInfo) {
                     return std::to_string(aInfo.ClassId) + ":" + std::to_string(aInfo.NameId) +
                            ":" + std::to_string(aInfo.Min) + ":" + std::to_string(aInfo.Max);
                  }).c_str());
   }
}

std::vector<std::string> Split(const std::string& aText, char aSeparator)
{
   std::vector<std::string> parts(1);
   for (char c : aText)
      if (c == aSeparator)
         parts.emplace_back();
      else
         parts.back() += c;
   return parts;
}

void PrintTexts(const std::vector<std::string>& aProbes)
{
   CSclKevText texts;
   texts.LoadDefaultTexts();
   for (const std::string& probe : aProbes) {
      const std::string arg = XmlParser::Utf8ToLibrary(probe.substr(2));
      if (probe.compare(0, 2, "n:") == 0) {
         std::printf("%s|%s|%s|%s|%s|%s\n", probe.c_str(), Ref(texts.GetDAKevTextRef(arg)).c_str(),
                     Utf8(texts.GetDAKevText(arg)).c_str(), Utf8(texts.GetDATextKey(arg)).c_str(),
                     Ref(texts.GetSDOKevTextRef(arg)).c_str(),
                     Utf8(texts.GetSDOKevText(arg)).c_str());
         continue;
      }
      std::vector<std::string> p = Split(arg, '|');
      p.resize(4);
      std::printf("%s|%s|%s|%s\n", probe.c_str(),
                  Ref(texts.GetDAValueKevTextRef(p[0], p[1], p[2], p[3])).c_str(),
                  Utf8(texts.GetDAValueKevText(p[0], p[1], p[2], p[3])).c_str(),
                  Utf8(texts.GetDAValueTextKey(p[0], p[1], p[2], p[3])).c_str());
   }
}

} // namespace

int main(int argc, char** argv)
{
   const std::string mode = argc > 1 ? argv[1] : "";
   const std::vector<std::string> args(argv + (argc > 1 ? 2 : 1), argv + argc);
   if (mode == "files") {
      for (const std::string& path : args)
         PrintFile(path);
   } else if (mode == "tables") {
      PrintTables();
   } else if (mode == "texts") {
      PrintTexts(args);
   } else {
      std::fprintf(stderr, "usage: sclnet_answers files PATH... | tables | texts PROBE...\n");
      return 2;
   }
   return 0;
}
