using System;
using System.Linq;
using Xunit;

namespace Arvenko.Melvotar.SclNET.Tests;

/// <summary>The typed members at work on the sample station: navigation by the child families,
/// references that follow a rename, the reference setters, flags, text content, type nodes,
/// and a deleted element refused as the target of a reference setter.</summary>
[Collection("process-wide")]
public class TypedClassTests
{
    [Fact]
    public void ChildFamiliesAndReferencesOfTheSample()
    {
        using SclFile file = Support.LoadSample();
        var scl = Assert.IsType<SclSCL>(Support.Scl(file));
        Assert.Equal(scl.GetChildCount(SclClassIdNet.IED), scl.IEDCount);
        Assert.Equal(new[] { "P1", "C1" }, scl.IEDs.Select(i => i.name));
        SclIED p1 = scl.IED("P1")!;
        Assert.Same(scl.IEDs[0], p1);
        Assert.Null(scl.IED("nope"));
        Assert.Null(p1.Text);

        SclLDevice ld = p1.AccessPoint("S1")!.Server!.LDevice("PROT")!;
        Assert.Equal("Schutz", ld.desc);
        // the LNBase family holds LN0 and the LNs, in child order
        SclLNBase[] all = ld.LNBases;
        Assert.Equal(ld.LNCount + 1, ld.LNBaseCount);
        Assert.Same(ld.LN0, all[0]);
        Assert.Equal(ld.LNs, all.Skip(1));
        SclLN ptoc = ld.LN("PTOC1")!;
        Assert.Equal(("PTOC", "1", "PTOC_T"), (ptoc.lnClass, ptoc.inst, ptoc.lnType));
        Assert.Equal("PTOC_T", ptoc.RefLNodeType!.id);
        Assert.Same(scl.DataTypeTemplates!.LNodeType("PTOCPTOC_T"), ptoc.RefLNodeType); // identity lnClass + id

        // DOI -> its DO in the type; DAI -> its DA
        SclDOI op = ptoc.DOI("Op")!;
        Assert.Equal("ACT_T", op.DO!.type);
        Assert.Equal("general", op.DAI("general")!.DA!.name);

        // the ExtRef of C1 and the key getters of its reference child follow a rename
        SclExtRef ext = scl.IED("C1")!.AccessPoints[0].Server!.LDevices[0].LN0!.Inputs!.ExtRefs[0];
        Assert.Same(ptoc, ext.RefLN);
        Assert.Same(ptoc, ext.RefLNBase);
        Assert.Null(ext.RefLN0);
        var lnRef = (SclLNRef)ext.Child(SclClassIdNet.LNRef)!;
        p1.name = "P9";
        Assert.Equal(("P9", "P9"), (ext.iedName, lnRef.iedName));
        Assert.Equal("P9", scl.Communication!.SubNetworks[0].ConnectedAPs[0].iedName);

        // setting a reference points it elsewhere and the key attributes follow; null clears it
        SclLN xcbr = ld.LN("XCBR1")!;
        ext.RefLN = xcbr;
        Assert.Equal(("XCBR", "1"), (ext.lnClass, ext.lnInst));
        Assert.Same(xcbr, lnRef.RefLN);
        lnRef.RefLNBase = ld.LN0;
        Assert.Same(ld.LN0, ext.RefLN0);
        Assert.Null(ext.RefLN);
        ptoc.RefLNodeType = scl.DataTypeTemplates.LNodeType("XCBRXCBR_T");
        Assert.Equal("XCBR_T", ptoc.lnType);

        // text content: GSEControl's IEDName reads its referenced IED's name
        SclIEDName target = ld.LN0!.GSEControl("TripGo")!.IEDNames[0];
        Assert.Equal("C1", target.Content);
        Assert.Same(scl.IED("C1"), target.RefIED);
        var iedRef = (SclIEDRef)target.Child(SclClassIdNet.IEDRef)!;
        scl.IED("C1")!.name = "C2";
        Assert.Equal(("C2", "C2"), (target.Content, iedRef.Content)); // the key text follows the target
    }

    [Fact]
    public void CreateFlagsAndContent()
    {
        using SclFile file = Support.LoadSample();
        var scl = (SclSCL)Support.Scl(file);
        SclIED c1 = scl.IED("C1")!;
        SclPrivate priv = c1.CreatePrivate()!;
        priv.type = "tool-x";
        priv.Content = "kept";
        Assert.Same(priv, c1.Private("tool-x"));
        Assert.Equal(("kept", 1), (c1.Privates[0].Content, c1.PrivateCount));
        SclText text = c1.CreateText()!;
        Assert.Same(text, c1.Text);

        SclServices services = scl.IED("P1")!.Services!;
        Assert.True(services.FlagGOOSE);
        SclGOOSE goose = services.GOOSE!;
        services.FlagGOOSE = false;
        Assert.True(goose.IsDeleted);
        Assert.Null(services.GOOSE);
        Assert.False(services.FlagReadWrite);
        services.FlagReadWrite = true;
        Assert.NotNull(services.ReadWrite);
        Assert.True(services.FlagReadWrite);
    }

    /// <summary>A deleted element given as the new target of a typed reference setter is refused
    /// with its disposed message and the target stays. (Members called on deleted or detached
    /// wrappers are covered by the wrapper and surface suites.)</summary>
    [Fact]
    public void ADeletedTargetIsRefusedByTheReferenceSetter()
    {
        using SclFile file = Support.LoadSample();
        var scl = (SclSCL)Support.Scl(file);
        SclDataTypeTemplates templates = scl.DataTypeTemplates!;
        SclLNodeType gone = templates.LNodeType("IHMIIHMI_T")!;
        Assert.Equal(SclErrorNet.Ok, templates.DeleteChild(gone));
        SclLN live = scl.IED("P1")!.AccessPoints[0].Server!.LDevices[0].LNs[0];
        var thrown = Assert.Throws<ObjectDisposedException>(() => live.RefLNodeType = gone);
        Assert.Equal("Scl object of Type SclLNBase disposed", thrown.Message);
        Assert.Equal("PTOC_T", live.RefLNodeType!.id);
    }
}
