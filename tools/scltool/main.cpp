// scltool: everyday jobs on SCL files from the command line.
//
// Results go to stdout; the library's report lines go to stderr as UTF-8.
#include <cstdio>
#include <exception>

#include "SclDll/SclLib.h"
#include "Tool.h"

namespace SclTool {

namespace {

void PrintReportLine(std::string aLine)
{
   std::fprintf(stderr, "%s\n", ToUtf8(aLine).c_str());
}

const char kInfo[] =
    "usage: scltool info FILE\n"
    "\n"
    "Loads FILE and prints its encoding, SCL version and revision, the number of\n"
    "elements of the main classes, the references resolved and unresolved per kind,\n"
    "the state of the checksum stamp (valid, invalid, absent) and the load time.\n";

const char kCheck[] =
    "usage: scltool check FILE\n"
    "\n"
    "Checks every element and attribute name below SCL against the schema knowledge\n"
    "(Private content and namespaced attributes excepted), lists every unresolved\n"
    "reference with its place, and checks the checksum stamp. Problems the reader\n"
    "repaired count as findings too, as does input that ends inside an open element.\n"
    "Exit status: 0 clean, 1 findings, 2 the file cannot be read.\n";

const char kSave[] =
    "usage: scltool save FILE OUT [--format utf8|utf16|ansi] [--legacy] [--force]\n"
    "\n"
    "Loads FILE, renews the stamps (library version, edit time, checksum) and saves it\n"
    "as OUT, in its own encoding or the one given (ansi is ISO-8859-1). The file is read\n"
    "and written as XML tools read and write it: declared encodings, character\n"
    "references, characters outside Windows-1252, line ends and processing instructions\n"
    "are kept. OUT is written under a temporary name and renamed at the end.\n"
    "A file cut off inside an element, one whose missing end tags the reader repaired,\n"
    "and one without an SCL element are not saved: OUT stays untouched (exit 1).\n"
    "  --legacy   read and write with the library's own conventions only (8-bit text\n"
    "             with \"&#x...;\" references), byte for byte as before\n"
    "  --force    save even a damaged file\n";

const char kPack[] =
    "usage: scltool pack FILE OUT\n"
    "\n"
    "Merges duplicate data type templates (EnumType, DAType, DOType, LNodeType), points\n"
    "their users at the template that stays, prints what merged per class and saves OUT.\n";

const char kDiff[] =
    "usage: scltool diff A B [--rules RULES] [--align-type-ids] [--first]\n"
    "\n"
    "Compares the SCL elements of A and B by identity (element keys, not positions) and\n"
    "prints one line per difference: kind, ignored or counted, where, and the text.\n"
    "  --rules RULES       ignore rules (IgnoreItem elements) and report texts\n"
    "  --align-type-ids    give B's templates the ids of equal templates in A first\n"
    "  --first             stop at the first counted difference\n"
    "Exit status: 0 equal, 1 different, 2 a file cannot be read.\n";

const char kTexts[] =
    "usage: scltool texts --write-default OUT\n"
    "       scltool texts [--pool FILE] --lookup-da NAME\n"
    "       scltool texts [--pool FILE] --lookup-value DA DO CDC VALUE\n"
    "\n"
    "Display texts of data attribute names and values. --write-default writes the\n"
    "built-in text pool (a file to translate); the lookups print the text reference\n"
    "(list/number), the key and the text from the built-in pool or from --pool FILE.\n";

void PrintUsage(FILE* apOut)
{
   std::fprintf(apOut, "usage: scltool COMMAND [ARGS...]\n\nCommands:\n");
   for (const tCommand& command : Commands())
      std::fprintf(apOut, "  %-8s %s\n", command.Name, command.Summary);
   std::fprintf(apOut, "\n'scltool COMMAND --help' describes a command.\n");
}

} // namespace

const std::vector<tCommand>& Commands()
{
   static const std::vector<tCommand> commands = {
       {"info", "summary of a file: encoding, element counts, references, stamp", kInfo, &RunInfo},
       {"check", "schema names, unresolved references and the checksum stamp", kCheck, &RunCheck},
       {"save", "load, stamp and save, optionally in another encoding", kSave, &RunSave},
       {"pack", "merge duplicate type templates and save", kPack, &RunPack},
       {"diff", "rule-driven comparison of two files", kDiff, &RunDiff},
       {"texts", "display texts of attribute names and values; write the text pool", kTexts,
        &RunTexts},
   };
   return commands;
}

std::string ToUtf8(const std::string& aLibraryText)
{
   return Arvenko::Melvotar::XmlParser::LibraryToUtf8(aLibraryText);
}

std::string FromUtf8(const std::string& aUtf8)
{
   return Arvenko::Melvotar::XmlParser::Utf8ToLibrary(aUtf8);
}

int Fail(const std::string& aMessage)
{
   std::fprintf(stderr, "scltool: %s\n", aMessage.c_str());
   return EXIT_ERROR;
}

} // namespace SclTool

int main(int argc, char** argv)
{
   using namespace SclTool;
   Arvenko::Melvotar::SetTextCallbackFunction(&PrintReportLine);
   if (argc < 2) {
      PrintUsage(stderr);
      return EXIT_ERROR;
   }
   const std::string name = argv[1];
   if (name == "--help" || name == "-h" || name == "help") {
      PrintUsage(stdout);
      return EXIT_OK;
   }
   for (const tCommand& command : Commands()) {
      if (name != command.Name)
         continue;
      tArgs args(argv + 2, argv + argc);
      for (const std::string& arg : args)
         if (arg == "--help" || arg == "-h") {
            std::fputs(command.Help, stdout);
            return EXIT_OK;
         }
      try {
         return command.Run(args);
      } catch (const std::exception& e) {
         // The library has reported the details on stderr already.
         return Fail(ToUtf8(e.what()));
      }
   }
   Fail("unknown command '" + name + "'");
   PrintUsage(stderr);
   return EXIT_ERROR;
}
