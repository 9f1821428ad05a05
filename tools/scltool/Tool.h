// Shared pieces of the scltool subcommands.
#pragma once

#include <string>
#include <vector>

namespace SclTool {

/// Exit codes: 0 success (or "equal"/"clean"), 1 findings or differences, 2 usage or I/O error.
enum { EXIT_OK = 0, EXIT_FINDINGS = 1, EXIT_ERROR = 2 };

typedef std::vector<std::string> tArgs;

/// One subcommand: its name, one-line summary, help text and entry point.
struct tCommand {
   const char* Name;
   const char* Summary;
   const char* Help;
   int (*Run)(const tArgs& aArgs);
};

/// Library text (Windows-1252 with "&#x...;" references) as UTF-8 for the terminal.
std::string ToUtf8(const std::string& aLibraryText);
/// UTF-8 from the command line as library text.
std::string FromUtf8(const std::string& aUtf8);

/// Prints a report line of the library on stderr as UTF-8 (the tool's text callback).
void PrintReportLine(std::string aLine);

/// Prints "scltool: <message>" on stderr and returns EXIT_ERROR.
int Fail(const std::string& aMessage);

/// Removes aFlag from arArgs; whether it was there.
bool TakeFlag(tArgs& arArgs, const char* apFlag);

/// Every subcommand, in the order the help lists them.
const std::vector<tCommand>& Commands();

// Entry points of the subcommands.
int RunInfo(const tArgs& aArgs);
int RunCheck(const tArgs& aArgs);
int RunSave(const tArgs& aArgs);
int RunPack(const tArgs& aArgs);
int RunDiff(const tArgs& aArgs);
int RunImport(const tArgs& aArgs);
int RunTexts(const tArgs& aArgs);

} // namespace SclTool
