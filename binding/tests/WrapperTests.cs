using System;
using System.Collections.Generic;
using System.Linq;
using System.Runtime.CompilerServices;
using Xunit;

namespace Arvenko.Melvotar.SclNET.Tests;

/// <summary>The wrappers of native objects (one per object, detached when it goes) and the typed
/// members at work on the sample station.</summary>
[Collection("process-wide")]
public class WrapperTests
{
    [Fact]
    public void OneWrapperPerNativeObjectAndTypedClassesByClassId()
    {
        using SclFile file = Support.LoadSample();
        SclContainer scl = Support.Scl(file);
        Assert.IsType<SclSCL>(scl);
        Assert.IsType<Scl_xml>(file.Child(SclClassIdNet._xml));
        Scl[] children = scl.Children;
        Assert.NotEmpty(children);
        for (int i = 0; i < children.Length; i++)
            Assert.Same(children[i], scl.Child(i));
        SclIED ied = (SclIED)scl.ChildById(SclClassIdNet.IED, "P1")!;
        Assert.Same(ied, scl.Child(SclClassIdNet.IED));
        Assert.Same(scl, ied.Parent);
        Assert.Null(ied.Child(SclClassIdNet.Bay));
        Assert.Null(scl.Child(999));
        Assert.IsType<SclValue>(ied.Child(0));
        Assert.True(((SclValue)ied.Child(0)!).IsAttrib);
        Assert.Equal("Überstromschutz Abgang Süd", ied.GetValue(SclNameIdNet.desc));
        Assert.Equal("IED[P1]", ied.IdName);
        Assert.Equal("IED[P1]", ied.ToString());
        Assert.Equal("?xml", file.Child(0)!.SclName);
        Assert.Equal("UTF-8", ((Scl_xml)file.Child(0)!).encoding);

        // The file reached through the tree is a second wrapper, equal to the owning one.
        SclFile? reached = ied.File;
        Assert.NotSame(file, reached);
        Assert.Equal(file, reached);
        Assert.Equal(file.GetHashCode(), reached!.GetHashCode());
        Assert.Same(reached, scl.File);
        Assert.NotEqual<Scl>(scl, ied);
        Assert.False(scl.Equals(null));

        SclIdStructNet id = ied.IdStruct;
        Assert.Equal("IED,IED,P1,1", id.ToString());
        Assert.Same(ied, file.GetChildByIdStructArray(ied.IdStructArray));
        Assert.Equal(SclErrorNet.Value, ied.DeleteChild(-1));
    }

    [Fact]
    public void DeletingASubtreeDetachesEveryWrapperInIt()
    {
        using SclFile file = Support.LoadSample();
        SclContainer scl = Support.Scl(file);
        SclContainer ied = scl.ChildById(SclClassIdNet.IED, "P1")!;
        SclContainer other = scl.ChildById(SclClassIdNet.IED, "C1")!;
        var held = new List<Scl> { ied };
        for (Scl? s = ied.Next(0, 255); s != null && s.IsElementOf(ied); s = s.Next(0, 255))
            held.Add(s);
        Assert.True(held.Count > 20);
        int hash = ied.GetHashCode();

        Assert.Equal(SclErrorNet.Ok, scl.DeleteChild(ied));
        Assert.All(held, s => Assert.True(s.IsDeleted));
        Assert.False(other.IsDeleted);
        Assert.Equal(hash, ied.GetHashCode());
        Assert.True(ied.Equals(ied));
        var calls = new List<Action<Scl>>
        {
            s => _ = s.IdName, s => _ = s.Value, s => s.Value = "x", s => s.Next(0, 255), s => _ = s.Parent,
            s => _ = s.ClassId, s => _ = s.IdStruct, s => s.GetCRC32(0), s => s.ToString(),
            s => s.Check(SclCheckNet.Name), s => other.IsElementOf((SclContainer)s),
        };
        foreach (Scl s in held)
            foreach (Action<Scl> call in calls.Take(s is SclContainer ? calls.Count : calls.Count - 1))
                Assert.Equal("Scl object disposed", Assert.Throws<ObjectDisposedException>(() => call(s)).Message);
        var elementCalls = new List<Action<SclContainer>>
        {
            e => _ = e.Children, e => e.WriteToString(1024, XmlParserNET.FileFormatNet.Utf8, false),
            e => e.WriteToCharacterBuffer(new byte[16], 16, XmlParserNET.FileFormatNet.Utf8),
            e => e.ReadFromString("<Private/>", XmlParserNET.FileFormatNet.Utf8),
            e => e.ReadFromCharacterBuffer(new byte[1], 1, XmlParserNET.FileFormatNet.Utf8),
            e => e.GetTypeNodeOfInstance(), e => e.GetCRC32WithoutTopLevelId(0), e => e.ContentCompareWithoutTopLevelId(other),
            e => other.ContentCompareWithoutTopLevelId(e), e => e.Complete(), e => e.Sort(true),
        };
        foreach (Action<SclContainer> call in elementCalls)
            Assert.Equal("Scl object disposed", Assert.Throws<ObjectDisposedException>(() => call(ied)).Message);
        Assert.Throws<ObjectDisposedException>(() => ied.CreateSclRemark(SclContainer.InsertLast));
        Assert.Throws<ObjectDisposedException>(() => other.Copy(ied));
    }

    [Fact]
    public void DisposeDetachesTheWholeTreeOnce()
    {
        var file = Support.LoadSample();
        SclFile reached = Support.Scl(file).File!;
        var held = new List<Scl>();
        for (Scl? s = file.Next(0, 255); s != null; s = s.Next(0, 255))
            held.Add(s);
        file.Dispose();
        Assert.True(file.IsDeleted);
        Assert.True(reached.IsDeleted);
        Assert.All(held, s => Assert.True(s.IsDeleted));
        file.Dispose();
        Assert.Throws<ObjectDisposedException>(() => file.ChangedFlag);
        foreach (Func<object> member in new Func<object>[]
                 { () => file.Interchange, () => file.Edition, () => file.ReadTruncated, () => reached.ReadRepairs })
            Assert.Equal("Scl object disposed", Assert.Throws<ObjectDisposedException>(member).Message);
        Assert.Throws<ObjectDisposedException>(() => file.Interchange = SclInterchangeNet.None);
        Assert.Throws<ObjectDisposedException>(() => file.Read(Support.Sample));
    }

    [Fact]
    public void AReusedNativeAddressGetsANewWrapper()
    {
        using var file = new SclFile();
        SclContainer root = file.CreateSclContainer(SclClassIdNet.SCL, SclContainer.InsertLast)!;
        var held = new Dictionary<nint, Scl>();
        var dropped = new HashSet<nint>();
        int reused = 0;
        for (int round = 0; round < 300; round++)
        {
            SclContainer bay = root.CreateSclContainer(SclClassIdNet.Bay, SclContainer.InsertLast)!;
            nint address = bay.m_pScl;
            if (held.ContainsKey(address) || dropped.Contains(address))
                reused++;
            Assert.False(bay.IsDeleted);
            Assert.DoesNotContain(held.Values, old => ReferenceEquals(old, bay));
            bay.SetValue(SclNameIdNet.name, "B" + round);
            Assert.Equal("Bay[B" + round + "]", root.Child(SclClassIdNet.Bay)!.IdName);
            if (round % 2 == 0)
                held[address] = bay;
            else
                dropped.Add(address);
            Assert.Equal(SclErrorNet.Ok, root.DeleteChild(bay));
            Assert.True(bay.IsDeleted);
            if (round % 50 == 0)
                CollectGarbage();
        }
        Assert.True(reused > 0, "the allocator never reused an address; the test proves nothing");
        Assert.All(held.Values, old => Assert.True(old.IsDeleted));
    }

    [Fact]
    public void RegistryDoesNotGrowWithDroppedWrappers()
    {
        using var file = new SclFile();
        SclContainer root = file.CreateSclContainer(SclClassIdNet.Private, SclContainer.InsertLast)!;
        for (int i = 0; i < 20000; i++)
        {
            CreateAndDrop(root, i);
            if (i % 1000 == 999)
                CollectGarbage();
        }
        // Every native value lives on; only the wrappers of the last round may still be registered.
        Assert.Equal(20000, root.ChildCount);
        Assert.InRange(Scl.InstanceCount, 1, 4096);
    }

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

    /// <summary>A deleted target is refused with its disposed message; the old target stays.</summary>
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

    [MethodImpl(MethodImplOptions.NoInlining)]
    private static void CreateAndDrop(SclContainer root, int i) =>
        root.CreateSclValue("a" + (i % 50), SclContainer.InsertLast)!.Value = "v";

    private static void CollectGarbage()
    {
        GC.Collect();
        GC.WaitForPendingFinalizers();
        GC.Collect();
    }
}
