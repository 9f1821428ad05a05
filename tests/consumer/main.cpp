// The README's first example, built against the installed package: load, walk the IEDs
// and their logical nodes, follow each node's type, change a value, save.
#include <cstdio>

#include "SclDll/SclLib.h"

using namespace Arvenko::Melvotar::Scl;

int main(int argc, char** argv)
{
   if (argc != 3)
      return 2;
   CSclFile file;
   file.Read(argv[1]); // throws xml_parser_error when the file cannot be read
   std::vector<CSclIED*> ieds;
   file.GetSclElement()->GetIEDs(ieds);
   for (CSclIED* ied : ieds) {
      std::printf("IED %s\n", ied->Get_name().c_str());
      for (CScl* node = ied->GetNext(0, 255); node && node->IsElementOf(ied); node = node->GetNext(0, 255))
         if (auto* ln = dynamic_cast<CSclLNBase*>(node); ln && ln->GetRefLNodeType())
            std::printf("  %s -> %s\n", ln->GetIdName().c_str(), ln->GetRefLNodeType()->Get_id().c_str());
      ied->Set_desc("checked");
   }
   file.Write(argv[2]); // stamps and saves in the encoding the file came in
   return ieds.empty() ? 1 : 0;
}
