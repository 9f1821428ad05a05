// Never run: compiled with the sample so that a build against the package fails when a class or
// member the binding promises is missing. Touches every typed class, one member of each member
// kind of the typed classes, and the members of the generic classes.
using System;
using Arvenko.Melvotar.SclNET;
using Arvenko.Melvotar.XmlParserNET;

internal static class SurfaceCheck
{
    internal static readonly Type[] TypedClasses =
    {
        typeof(SclAccessControl), typeof(SclAccessPoint), typeof(SclAddress), typeof(SclAssociation), typeof(SclAuthentication), typeof(SclBay),
        typeof(SclBitRate), typeof(SclClientLN), typeof(SclCommunication), typeof(SclConductingEquipment), typeof(SclConfDataSet), typeof(SclConfLNs),
        typeof(SclConfLogControl), typeof(SclConfReportControl), typeof(SclConfSG), typeof(SclConnectedAP), typeof(SclConnectivityNode), typeof(SclDAI),
        typeof(SclDAType), typeof(SclDOType), typeof(SclDataObjectDirectory), typeof(SclDataSet), typeof(SclDataSetDirectory), typeof(SclDataTypeTemplates),
        typeof(SclDynAssociation), typeof(SclDynDataSet), typeof(SclEnumType), typeof(SclEnumVal), typeof(SclExtRef), typeof(SclFCDA),
        typeof(SclFileHandling), typeof(SclFunction), typeof(SclGOOSE), typeof(SclGSE), typeof(SclGSEControl), typeof(SclGSEDir),
        typeof(SclGSESettings), typeof(SclGSSE), typeof(SclGeneralEquipment), typeof(SclGetCBValues), typeof(SclGetDataObjectDefinition), typeof(SclGetDataSetValue),
        typeof(SclGetDirectory), typeof(SclHeader), typeof(SclHistory), typeof(SclHitem), typeof(SclIED), typeof(SclIEDName),
        typeof(SclInputs), typeof(SclLDevice), typeof(SclLNode), typeof(SclLNodeType), typeof(SclLog), typeof(SclLogControl),
        typeof(SclLogSettings), typeof(SclMaxTime), typeof(SclMinTime), typeof(SclOptFields), typeof(SclP), typeof(SclPhysConn),
        typeof(SclPowerTransformer), typeof(SclPrivate), typeof(SclReadWrite), typeof(SclReportControl), typeof(SclReportSettings), typeof(SclRptEnabled),
        typeof(SclSCL), typeof(SclSCLControl), typeof(SclSGEdit), typeof(SclSMV), typeof(SclSMVSettings), typeof(SclSampledValueControl),
        typeof(SclServer), typeof(SclServices), typeof(SclSetDataSetValue), typeof(SclSettingControl), typeof(SclSettingGroups), typeof(SclSmpRate),
        typeof(SclSmvOpts), typeof(SclSubEquipment), typeof(SclSubFunction), typeof(SclSubNetwork), typeof(SclSubstation), typeof(SclTapChanger),
        typeof(SclTerminal), typeof(SclText), typeof(SclTimerActivatedControl), typeof(SclTransformerWinding), typeof(SclTrgOps), typeof(SclVal),
        typeof(SclVoltage), typeof(SclVoltageLevel), typeof(SclDABase), typeof(SclDA), typeof(SclBDA), typeof(SclDOBase),
        typeof(SclDO), typeof(SclSDO), typeof(SclDIBase), typeof(SclDOI), typeof(SclSDI), typeof(SclLNBase),
        typeof(SclLN), typeof(SclLN0), typeof(SclAPRef), typeof(SclConNodeRef), typeof(SclDATypeRef), typeof(SclDOTypeRef),
        typeof(SclDataSetRef), typeof(SclEnumTypeRef), typeof(SclFCDA_LNRef), typeof(SclGSEControlRef), typeof(SclIEDRef), typeof(SclLNRef),
        typeof(SclLNodeTypeRef), typeof(SclSampledValueControlRef),
        typeof(SclRef), typeof(Scl_xml), typeof(SclValue), typeof(SclRemark), typeof(SclException),
        typeof(SclLinkInfos), typeof(SclKevText), typeof(SclSchemaInfo),
    };

    internal static object?[] Touch(SclFile file, SclLN ln, SclLNRef lnRef, SclServices services, SclDAI dai, XmlParser parser)
    {
        SclContainer c = file;
        Scl s = c;
        return new object?[]
        {
            // typed members: attributes, children, text and privates, references, keys, flags, type nodes
            ln.desc, ln.inst, ln.lnClass, ln.prefix, ln.lnType, ln.CreateText(SclContainer.InsertLast), ln.Text,
            ln.CreatePrivate(0), ln.Privates, ln.PrivateCount, ln.Private("type"), ln.CreateDOI(), ln.DOIs,
            ln.DOICount, ln.DOI("Beh"), ln.Inputs, ln.RefLNodeType, ((SclLDevice)ln.Parent!).ldName,
            lnRef.iedName, lnRef.ldInst, lnRef.prefix, lnRef.lnClass, lnRef.lnInst, lnRef.RefLNBase,
            lnRef.RefLN, lnRef.RefLN0, services.FlagGOOSE, dai.DA, dai.BDA, ((SclPrivate)s).Content,
            // every object
            s.ClassId, s.IsClass(SclClassIdNet.LN), s.SclName, s.NameId, s.IdName, s.IdNamePath, s.Parent,
            s.GetParent(SclClassIdNet.IED), s.File, s.Index, s.Level, s.InstanceIndex, s.Value, s.Next(0, 255),
            s.IdStruct, s.IdStructArray, s.Copy(s), s.IsElementOf(c), s.ContentCompare(s), s.GetCRC32(0),
            s.Equals(c), s.GetHashCode(), s.ToString(), s.IsDeleted, Scl.TextEventHandler,
            // every element
            c.Child(0), c.Child(SclClassIdNet.IED), c.Child(SclClassIdNet.IED, 1), c.ChildByNameId(SclNameIdNet.name),
            c.ChildByNameId(SclClassIdNet.VALUE, SclNameIdNet.name), c.ChildById(SclClassIdNet.IED, "P1"),
            c.ChildByInstanceIndex(SclClassIdNet.IED, 0), c.ChildByIdStruct(s.IdStruct),
            c.GetChildByIdStructArray(s.IdStructArray), c.ChildCount, c.GetChildCount(SclClassIdNet.IED), c.AttribCount,
            c.FirstNonAttribIndex, c.Children, c.Id, c.HasId, c.GetValue(SclNameIdNet.name),
            c.SetValue(SclNameIdNet.name, "x"), c.RefList, c.RefCount, c.CreateSclContainer(SclClassIdNet.IED, 0),
            c.CreateSclValue("name", 0), c.CreateSclValue(SclNameIdNet.name, 0), c.CreateSclRemark(0), c.DeleteChild(0),
            c.DeleteChild(s), c.SwapChild(0, 1), c.Sort(true), c.Sort(true, false, false),
            c.ContentCompareWithoutTopLevelId(c), c.GetCRC32WithoutTopLevelId(0), c.GetTypeNodeOfInstance(),
            c.WriteToString(1024, FileFormatNet.Utf8, false), c.WriteToCharacterBuffer(new byte[8], 8, FileFormatNet.Ansi),
            c.ReadFromString("<a/>", FileFormatNet.Utf8), c.ReadFromCharacterBuffer(new byte[8], 8, FileFormatNet.Ansi),
            // files, values, references
            file.SclName, file.ChangedFlag, file.FileFormat, file.IsValidFileCRC(), file.PackDataTypeTemplates(),
            ((SclValue)s).IsAttrib, ((Scl_xml)s).encoding, ((Scl_xml)s).version, lnRef.RefSclContainer, lnRef.RefValList,
            new SclIdStructNet().ToString(), new SclChildInfoNet().Arvenko, new SclDALinkNet().TargetDA,
            new SclFCDANet().DA, new SclTextRefNet().Nr, new SclException("x").Error,
            // file options, edition and check
            file.Interchange, SclFile.InterchangeAll, file.Edition, file.ReadTruncated, file.ReadRepairs,
            s.Check(SclCheckNet.Edition),
            // utility classes
            SclLinkInfos.GetValue(SclValueIdNet.SPS), SclLinkInfos.GetValueId("SPS"), SclLinkInfos.HasDAGroups(SclValueIdNet.SPS),
            SclLinkInfos.GetDAGroups(SclValueIdNet.SPS), SclLinkInfos.GetTargetCDC(SclValueIdNet.SPS),
            SclLinkInfos.GetSourceCDCs(SclValueIdNet.SPS), SclLinkInfos.GetDALinks(SclValueIdNet.SPS),
            SclLinkInfos.GetMaxTargetFCDA(SclValueIdNet.SPS), SclSchemaInfo.Instance.GetChildInfos(SclClassIdNet.IED),
            SclSchemaInfo.Instance.IsArvenkoExtension(SclClassIdNet.IED, SclNameIdNet.name),
        };
    }

    internal static void Actions(SclFile file, SclContainer c, XmlParser parser)
    {
        c.Complete();
        c.Read(parser);
        c.Write(parser, false);
        file.Read("in.scd");
        file.Write("out.scd", false);
        using (var texts = new SclKevText())
        {
            texts.LoadXMLFile("texts.xml");
            texts.GetKevText(texts.GetSDOKevTextRef("Beh"));
            texts.GetDAKevText("stVal");
            texts.GetDAValueKevText("stVal", "Beh", "INS", "1");
            texts.GetDAGroupKevText(SclValueIdNet.SPS);
        }
        file.Dispose();
        parser.Dispose();
    }
}
