// scltool save and pack.
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

} // namespace

// Saves after the command's own changes; false (after a message) when writing fails. The
// file is written beside aPath under a temporary name and renamed at the end, so that a
// failed or interrupted save leaves whatever was at aPath as it was.
bool Save(CSclFile& aFile, const std::string& aPath)
{
   const std::string temporary = aPath + ".scltool-" + std::to_string(getpid()) + ".tmp";
   try {
      // The size it was read with stands for the size it will have.
      CProgress progress("saving", aPath, FileSize(aFile.GetSclName()));
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
   tDocument document = LoadDocument(paths[0], true, legacy);
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
