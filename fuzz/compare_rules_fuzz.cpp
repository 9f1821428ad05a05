// Feeds arbitrary bytes as a compare rule file, then compares two small documents that
// differ in every way the report knows, with the rules read and their report texts.
#include <cstdint>
#include <string>

#include "SclDll/SclLib.h"
#include "fuzz/FuzzSupport.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using namespace Arvenko::Melvotar::XmlParser;

namespace {

size_t g_Reports = 0;

void CountReport(int aIgnored, CScl* apScl, std::string, std::string, int aEvent)
{
   if (apScl == nullptr || aEvent < 0 || aEvent > 9 || (aIgnored != 0 && aIgnored != 1))
      __builtin_trap();
   ++g_Reports;
}

void Read(CSclFile& arFile, const std::string& aText)
{
   CXmlParser parser(aText.data(), static_cast<int32_t>(aText.size()), FF_UTF8);
   arFile.Read(&parser);
}

const char* const s_Left =
    "<SCL><Header id=\"H\"/><Substation name=\"S\" desc=\"a\"><VoltageLevel name=\"A\">"
    "<Bay name=\"B1\"/><Bay name=\"B2\"/></VoltageLevel><VoltageLevel name=\"M\"/></Substation>"
    "<DataTypeTemplates><DOType id=\"D1\" cdc=\"SPS\"><DA name=\"stVal\" fc=\"ST\"/></DOType>"
    "</DataTypeTemplates></SCL>";
const char* const s_Right =
    "<SCL><Header id=\"H\"/><Substation name=\"S\" desc=\"b\"><VoltageLevel name=\"A\">"
    "<Bay name=\"B2\"/><Bay name=\"B1\"/></VoltageLevel><VoltageLevel name=\"N\"/></Substation>"
    "<DataTypeTemplates><DOType id=\"D2\" cdc=\"SPS\"><DA name=\"stVal\" fc=\"ST\"/></DOType>"
    "</DataTypeTemplates></SCL>";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* apData, size_t aSize)
{
   const SclFuzz::CInputFile input("compare_rules_fuzz", apData, aSize);
   CSmartCompare rules;
   if (input.Path().empty() || !SclFuzz::Reads([&] { rules.ReadIgnoreFile(input.Path()); }))
      return 0;
   rules.SetCallback(&CountReport);
   CSclFile left;
   CSclFile right;
   Read(left, s_Left);
   Read(right, s_Right);
   rules.AdjustTypeIds(&left, &right);
   left.SmartCompare(right, rules, true);
   left.SmartCompare(right, rules, false);
   right.SmartCompare(left, rules, true);
   return 0;
}
