// What scltool says about unresolved references: their keys and the key that names nothing.
#include "Document.h"
#include "Tool.h"

namespace SclTool {

using namespace Arvenko::Melvotar::Scl;

namespace {

std::string Quoted(const std::string& aLibraryText)
{
   return "'" + ToUtf8(aLibraryText) + "'";
}

// The first of the named keys that is empty, as "<key> is empty"; empty when all are set.
std::string EmptyKey(const CSclRef& aRef, std::initializer_list<tSclNameId> aKeys)
{
   for (tSclNameId key : aKeys)
      if (aRef.GetValue(key).empty())
         return CSclNameTable::GetNameOfNameId(key) + " is empty";
   return std::string();
}

// The LN search inside an IED: which of ldInst and the LN identity finds nothing.
std::string MissingLN(const CSclIED& aIed, const CSclRef& aRef)
{
   const std::string ldInst = aRef.GetValue(NID_ldInst);
   const std::string lnClass = aRef.GetValue(NID_lnClass);
   const std::string lnKey = aRef.GetValue(NID_prefix) + lnClass + aRef.GetValue(NID_lnInst);
   std::vector<CSclAccessPoint*> accessPoints;
   aIed.GetAccessPoints(accessPoints);
   if (ldInst.empty())
      return "no AccessPoint of IED " + Quoted(aIed.Get_name()) + " holds LN " + Quoted(lnKey);
   for (const CSclAccessPoint* accessPoint : accessPoints) {
      const CSclServer* server = accessPoint->GetServer();
      const CSclLDevice* device = server != nullptr ? server->GetLDevice(ldInst) : nullptr;
      if (device != nullptr)
         return lnClass == "LLN0" ? "LDevice " + Quoted(ldInst) + " has no LN0"
                                  : "LDevice " + Quoted(ldInst) + " has no LN " + Quoted(lnKey);
   }
   return "IED " + Quoted(aIed.Get_name()) + " has no LDevice " + Quoted(ldInst);
}

std::string MissingIED(const CSclSCL* apScl, const std::string& aName, const CSclIED*& arIed)
{
   arIed = apScl != nullptr ? apScl->GetIED(aName) : nullptr;
   return arIed == nullptr ? "IED " + Quoted(aName) + " does not exist" : std::string();
}

std::string MissingTemplate(const CSclSCL* apScl, tSclClassId aClassId, const std::string& aId)
{
   const CSclDataTypeTemplates* templates =
       apScl != nullptr ? apScl->GetDataTypeTemplates() : nullptr;
   const std::string what = CSclNameTable::GetNameOfClassId(aClassId) + " " + Quoted(aId);
   return templates == nullptr ? what + " does not exist (no DataTypeTemplates)"
                               : what + " does not exist";
}

// Substation, VoltageLevel, Bay and ConnectivityNode, each looked up in the one before.
std::string MissingConnectivityNode(const CSclSCL* apScl, const CSclRef& aRef)
{
   const std::string names[] = {aRef.GetValue(NID_substationName),
                                aRef.GetValue(NID_voltageLevelName), aRef.GetValue(NID_bayName),
                                aRef.GetValue(NID_cNodeName)};
   const tSclClassId classes[] = {CID_Substation, CID_VoltageLevel, CID_Bay, CID_ConnectivityNode};
   const CSclContainer* level = apScl;
   for (int i = 0; i < 4 && level != nullptr; ++i) {
      const CSclContainer* next = level->GetChildById(classes[i], names[i]);
      if (next == nullptr)
         return (i == 0 ? std::string() : ToUtf8(level->GetIdName()) + " has no ") +
                CSclNameTable::GetNameOfClassId(classes[i]) + " " + Quoted(names[i]) +
                (i == 0 ? " does not exist" : "");
      level = next;
   }
   return "the connectivity node is found, but not from this terminal";
}

} // namespace

std::string ReferenceKeys(const CSclRef& aRef)
{
   if (aRef.GetClassId() == CID_IEDRef)
      return ToUtf8(aRef.GetContent());
   std::string keys = ToUtf8(aRef.GetRefKeyText());
   return keys.empty() || keys[0] != ' ' ? keys : keys.substr(1);
}

std::string DescribeUnresolved(const CSclRef& aRef)
{
   return CSclNameTable::GetNameOfClassId(aRef.GetClassId()) + " at " + ObjectPath(aRef) + ": " +
          ReferenceKeys(aRef) + ": " + MissingKey(aRef);
}

std::string MissingKey(const CSclRef& aRef)
{
   if (aRef.GetTargetHandle() != 0)
      return "its target was deleted";
   const CSclSCL* scl = static_cast<const CSclSCL*>(aRef.GetParent(CID_SCL));
   const CSclIED* ied = nullptr;
   std::string missing;
   switch (aRef.GetClassId()) {
   case CID_APRef:
      if (!(missing = EmptyKey(aRef, {NID_iedName, NID_apName})).empty() ||
          !(missing = MissingIED(scl, aRef.GetValue(NID_iedName), ied)).empty())
         return missing;
      return "IED " + Quoted(ied->Get_name()) + " has no AccessPoint " +
             Quoted(aRef.GetValue(NID_apName));
   case CID_ConNodeRef:
      return MissingConnectivityNode(scl, aRef);
   case CID_DATypeRef:
   case CID_DOTypeRef:
   case CID_EnumTypeRef:
      if (!(missing = EmptyKey(aRef, {NID_type})).empty())
         return missing;
      return MissingTemplate(scl, aRef.GetTargetClass(), aRef.GetValue(NID_type));
   case CID_DataSetRef:
      if (!(missing = EmptyKey(aRef, {NID_datSet})).empty())
         return missing;
      return "DataSet " + Quoted(aRef.GetValue(NID_datSet)) + " does not exist in its LN";
   case CID_IEDRef:
      if (aRef.GetContent().empty())
         return "the IED name is empty";
      return MissingIED(scl, aRef.GetContent(), ied);
   case CID_LNodeTypeRef: {
      if (!(missing = EmptyKey(aRef, {NID_lnType, NID_lnClass})).empty())
         return missing;
      const std::string id = aRef.GetValue(NID_lnType);
      const CSclDataTypeTemplates* templates =
          scl != nullptr ? scl->GetDataTypeTemplates() : nullptr;
      std::vector<CSclLNodeType*> types;
      if (templates != nullptr)
         templates->GetLNodeTypes(types);
      for (const CSclLNodeType* type : types)
         if (type->Get_id() == id)
            return "LNodeType " + Quoted(id) + " has lnClass " + Quoted(type->Get_lnClass()) +
                   ", not " + Quoted(aRef.GetValue(NID_lnClass));
      return MissingTemplate(scl, CID_LNodeType, id);
   }
   case CID_LNRef:
      if (!(missing = EmptyKey(aRef, {NID_iedName, NID_lnClass})).empty() ||
          !(missing = MissingIED(scl, aRef.GetValue(NID_iedName), ied)).empty())
         return missing;
      return MissingLN(*ied, aRef);
   case CID_FCDA_LNRef:
      ied = static_cast<const CSclIED*>(aRef.GetParent(CID_IED));
      return ied != nullptr ? MissingLN(*ied, aRef) : "the FCDA lies in no IED";
   case CID_GSEControlRef:
   case CID_SampledValueControlRef: {
      const auto* connectedAP =
          static_cast<const CSclConnectedAP*>(aRef.GetParent(CID_ConnectedAP));
      if (connectedAP == nullptr || connectedAP->GetRefAccessPoint() == nullptr)
         return "its ConnectedAP does not resolve";
      if (!(missing = EmptyKey(aRef, {NID_ldInst, NID_cbName})).empty())
         return missing;
      const CSclServer* server = connectedAP->GetRefAccessPoint()->GetServer();
      const std::string ldInst = aRef.GetValue(NID_ldInst);
      const CSclLDevice* device = server != nullptr ? server->GetLDevice(ldInst) : nullptr;
      if (device == nullptr)
         return "the AccessPoint has no LDevice " + Quoted(ldInst);
      return "the LN0 of LDevice " + Quoted(ldInst) + " has no " +
             CSclNameTable::GetNameOfClassId(aRef.GetTargetClass()) + " " +
             Quoted(aRef.GetValue(NID_cbName));
   }
   default:
      return "unresolved";
   }
}

} // namespace SclTool
