// scltool: everyday jobs on SCL files from the command line.
//
// Results go to stdout; the library's report lines go to stderr as UTF-8.
#include <cstdio>
#include <exception>

#include "SclDll/SclLib.h"
#include "Tool.h"

namespace SclTool {

void PrintReportLine(std::string aLine)
{
   std::fprintf(stderr, "%s\n", ToUtf8(aLine).c_str());
}

namespace {

const char kInfo[] =
    "usage: scltool info FILE [--json]\n"
    "\n"
    "Loads FILE and prints its encoding, SCL version and revision, the number of\n"
    "elements of the main classes, the references resolved and unresolved per kind,\n"
    "the state of the checksum stamp (valid, invalid, absent) and the load time.\n"
    "  --json   one JSON object instead: command, file, encoding, sclElement, version,\n"
    "           revision, loadSeconds, elements {class: count}, references {kind:\n"
    "           {resolved, unresolved}}, crcStamp, reports [report records]\n"
    "A report record: message, code, codeText, path, file, line (null if unknown), info.\n"
    "Exit status: 0 loaded (read problems are reported, not fatal), 2 the file cannot be\n"
    "read or the arguments are wrong.\n";

const char kCheck[] =
    "usage: scltool check FILE [--json]\n"
    "\n"
    "Checks every element and attribute name below SCL against the schema knowledge\n"
    "(Private content and namespaced attributes excepted), names used twice where the\n"
    "schema tells siblings apart by them (IED, AccessPoint, LDevice inst, LN identity,\n"
    "DataSet and control block names, DOI, template ids, SubNetwork, Substation,\n"
    "VoltageLevel and Bay names), lists every unresolved reference with its place, its\n"
    "keys and the key that names nothing, and checks the checksum stamp. Problems the\n"
    "reader repaired count as findings too, as does input that ends inside an open element.\n"
    "  --json   one JSON object instead: command, file, crcStamp, findingCount, findings\n"
    "           [{kind (load, structure, name, duplicate, unresolved, stamp), path,\n"
    "           message, line (null if unknown), and per kind: code; element, key, count;\n"
    "           reference, keys, missing}]\n"
    "Exit status: 0 clean, 1 findings, 2 the file cannot be read or the arguments are wrong.\n";

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
    "  --force    save even a damaged file\n"
    "Exit status: 0 saved, 1 refused (damaged input; OUT untouched), 2 FILE cannot be read,\n"
    "OUT cannot be written or the arguments are wrong.\n";

const char kPack[] =
    "usage: scltool pack FILE OUT\n"
    "\n"
    "Merges duplicate data type templates (EnumType, DAType, DOType, LNodeType), points\n"
    "their users at the template that stays, prints what merged per class and saves OUT.\n"
    "Exit status: 0 saved (merged or not), 2 FILE cannot be read, OUT cannot be written\n"
    "or the arguments are wrong.\n";

const char kImport[] =
    "usage: scltool import TARGET SOURCE IEDNAME -o OUT [--as NEWNAME]\n"
    "\n"
    "Copies IED IEDNAME of SOURCE into TARGET and saves the result as OUT: the IED with\n"
    "every data type template it uses (LNodeType, DOType, DAType, EnumType), and its\n"
    "ConnectedAP elements into TARGET's subnetworks of the same name (created when\n"
    "missing). A template of TARGET equal by content is used instead of a copy; a copy\n"
    "whose id a different template holds is renamed to ID_NEWNAME. References in the\n"
    "copy that name the IED follow --as. Prints how many templates were copied, reused\n"
    "and renamed, each template the IED finds under another id (reused: A = B, renamed:\n"
    "A -> B), and every reference of the imported parts that stays unresolved.\n"
    "  --as NEWNAME   the IED's name in TARGET (needed when TARGET has IEDNAME already)\n"
    "Exit status: 0 imported and every reference resolves, 1 imported with unresolved\n"
    "references, 2 refused (no such IED, name taken), a file cannot be read or written,\n"
    "or the arguments are wrong.\n";

const char kDiff[] =
    "usage: scltool diff A B [--rules RULES] [--align-type-ids] [--first] [--count-stamps]\n"
    "                        [--json]\n"
    "\n"
    "Compares the SCL elements of A and B by identity (element keys, not positions) and\n"
    "prints one line per change: kind (content, order, missing, added, type-id), counted\n"
    "or ignored, the path (IED[E1].AccessPoint[S1]...; \"@name\" for an attribute,\n"
    "SCL@version for one of the root), the text, and the values: old -> new for a\n"
    "content change, the value of an attribute only one side has, the positions for an\n"
    "order change.\n"
    "  --rules RULES       ignore rules (IgnoreItem elements) and report texts\n"
    "  --align-type-ids    give B's templates the ids of equal templates in A first\n"
    "  --first             stop at the first counted difference\n"
    "  --count-stamps      compare the library's save stamps too (left out by default)\n"
    "  --json              one JSON object instead: command, first, second, equal,\n"
    "                      counted, ignored, differences [{kind, counted, path, text,\n"
    "                      itemId, old, new}] (itemId, old, new where there are such)\n"
    "Exit status: 0 equal, 1 different, 2 a file cannot be read or the arguments are wrong.\n";

const char kTexts[] =
    "usage: scltool texts --write-default OUT\n"
    "       scltool texts [--pool FILE] --lookup-da NAME\n"
    "       scltool texts [--pool FILE] --lookup-value DA DO CDC VALUE\n"
    "\n"
    "Display texts of data attribute names and values. --write-default writes the\n"
    "built-in text pool (a file to translate); the lookups print the text reference\n"
    "(list/number), the key and the text from the built-in pool or from --pool FILE.\n"
    "Exit status: 0 written or found, 1 no text for the key, 2 a file cannot be read or\n"
    "written or the arguments are wrong.\n";

void PrintUsage(FILE* apOut)
{
   std::fprintf(apOut, "usage: scltool COMMAND [ARGS...]\n\nCommands:\n");
   for (const tCommand& command : Commands())
      std::fprintf(apOut, "  %-8s %s\n", command.Name, command.Summary);
   std::fprintf(apOut, "\n'scltool COMMAND --help' describes a command and its exit status;\n"
                       "'scltool --version' prints the versions of the tool and the library.\n");
}

} // namespace

const std::vector<tCommand>& Commands()
{
   static const std::vector<tCommand> commands = {
       {"info", "summary of a file: encoding, element counts, references, stamp", kInfo, &RunInfo},
       {"check", "schema names, unresolved references and the checksum stamp", kCheck, &RunCheck},
       {"save", "load, stamp and save, optionally in another encoding", kSave, &RunSave},
       {"pack", "merge duplicate type templates and save", kPack, &RunPack},
       {"import", "copy an IED with its templates and network access from another file", kImport,
        &RunImport},
       {"diff", "comparison of two files by identity, one line per change", kDiff, &RunDiff},
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

bool TakeFlag(tArgs& arArgs, const char* apFlag)
{
   for (auto it = arArgs.begin(); it != arArgs.end(); ++it)
      if (*it == apFlag) {
         arArgs.erase(it);
         return true;
      }
   return false;
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
   if (name == "--version") {
      std::printf("scltool %s (library %s)\n", SCL_PROJECT_VERSION,
                  Arvenko::Melvotar::Scl::SCL_LIB_VERSION);
      return EXIT_OK;
   }
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
