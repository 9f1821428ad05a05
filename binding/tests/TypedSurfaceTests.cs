using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Diagnostics;
using System.Reflection;
using System.Text.Json;
using System.Text.RegularExpressions;
using Xunit;

namespace Arvenko.Melvotar.SclNET.Tests;

/// <summary>The managed typed surface against the accessor records of the native classes
/// (Generated/TypedRecords.g.json), turned into managed members by the binding's naming rules.</summary>
[Collection("process-wide")] // the binding is used from one thread at a time
public class TypedSurfaceTests
{
    private static readonly Assembly Binding = typeof(Scl).Assembly;
    private static readonly MethodInfo NewTypedWrapper =
        typeof(Scl).GetMethod("NewTypedWrapper", BindingFlags.NonPublic | BindingFlags.Static)!;

    /// <summary>The classes a managed caller is promised, with their intermediate bases.</summary>
    private const string PromisedClasses =
        "AccessControl AccessPoint Address Association Authentication Bay BitRate ClientLN Communication " +
        "ConductingEquipment ConfDataSet ConfLNs ConfLogControl ConfReportControl ConfSG ConnectedAP " +
        "ConnectivityNode DAI DAType DOType DataObjectDirectory DataSet DataSetDirectory DataTypeTemplates " +
        "DynAssociation DynDataSet EnumType EnumVal ExtRef FCDA FileHandling Function GOOSE GSE GSEControl " +
        "GSEDir GSESettings GSSE GeneralEquipment GetCBValues GetDataObjectDefinition GetDataSetValue " +
        "GetDirectory Header History Hitem IED IEDName Inputs LDevice LNode LNodeType Log LogControl " +
        "LogSettings MaxTime MinTime OptFields P PhysConn PowerTransformer Private ReadWrite ReportControl " +
        "ReportSettings RptEnabled SCL SCLControl SGEdit SMV SMVSettings SampledValueControl Server Services " +
        "SetDataSetValue SettingControl SettingGroups SmpRate SmvOpts SubEquipment SubFunction SubNetwork " +
        "Substation TapChanger Terminal Text TimerActivatedControl TransformerWinding TrgOps Val Voltage " +
        "VoltageLevel DA:DABase BDA:DABase DO:DOBase SDO:DOBase DOI:DIBase SDI:DIBase LN:LNBase LN0:LNBase";

    private const string PromisedReferences =
        "APRef ConNodeRef DATypeRef DOTypeRef DataSetRef EnumTypeRef FCDA_LNRef GSEControlRef IEDRef LNRef " +
        "LNodeTypeRef SampledValueControlRef";

    private record Accessor(string kind, string name, string @ref, bool fallback, bool settable);

    private record Record(string ident, int classId, string role, string @base, string target, Accessor[] accessors);

    private static readonly Record[] Records = LoadRecords();

    private static Record[] LoadRecords()
    {
        string path = Path.Combine(Support.Root, "binding", "tests", "Generated", "TypedRecords.g.json");
        using JsonDocument doc = JsonDocument.Parse(File.ReadAllText(path));
        return doc.RootElement.GetProperty("classes").Deserialize<Record[]>()!;
    }

    private static Type ManagedType(string ident) =>
        Binding.GetType("Arvenko.Melvotar.SclNET.Scl" + ident) ?? throw new Xunit.Sdk.XunitException("no class Scl" + ident);

    /// <summary>One expected member: its signature and the disposed message of a detached call.</summary>
    private record Expected(string Signature, string Member, string Message);

    /// <summary>The managed members a record stands for (properties, CreateX, X, Xs, XCount, RefX, FlagX).</summary>
    private static IEnumerable<Expected> ExpectedMembers(Record c)
    {
        string cls = "Scl" + c.ident;
        foreach (Accessor a in c.accessors)
        {
            string x = a.name, sx = "Scl" + a.name;
            string plain = "Scl object disposed";
            string ofType = $"Scl object of Type {cls} disposed", oftype = $"Scl object of type {cls} disposed";
            switch (a.kind)
            {
                case "identity":
                    break; // Id and HasId of SclContainer
                case "attr":
                    yield return new($"String {x} {{get;set;}}", x, plain);
                    break;
                case "ref_attr":
                    yield return new($"String {x} {{get;}}", x, ofType);
                    break;
                case "content":
                    yield return new($"String Content {{get;{(a.settable ? "set;" : "")}}}", "Content", plain);
                    break;
                case "create":
                    yield return new($"{sx} Create{x}(Int32)", "Create" + x, plain);
                    break;
                case "list":
                    yield return new($"{sx}[] {x}s {{get;}}", x + "s", plain);
                    yield return new($"Int32 {x}Count {{get;}}", x + "Count", $"Scl object \"{x}\" disposed");
                    break;
                case "find":
                    yield return new($"{sx} {x}(String)", x, plain);
                    break;
                case "single":
                case "typenode":
                    yield return new($"{sx} {x} {{get;}}", x, plain);
                    break;
                case "owner_ref":
                    yield return new($"{sx} Ref{x} {{get;set;}}", "Ref" + x, ofType);
                    break;
                case "ref_target":
                    yield return new($"{sx} Ref{x} {{get;set;}}", "Ref" + x, oftype);
                    break;
                case "flag":
                    yield return new($"Boolean Flag{x} {{get;set;}}", "Flag" + x, plain);
                    break;
                case "ref_key":
                    yield return new($"String {(x == "NONE" ? "Content" : x)} {{get;}}", x == "NONE" ? "Content" : x, oftype);
                    break;
                default:
                    throw new Xunit.Sdk.XunitException($"record kind {a.kind} of {c.ident} has no managed form");
            }
        }
    }

    private static string Signature(MemberInfo m) => m switch
    {
        PropertyInfo p => $"{p.PropertyType.Name} {p.Name} {{{(p.GetMethod?.IsPublic == true ? "get;" : "")}" +
                          $"{(p.SetMethod?.IsPublic == true ? "set;" : "")}}}",
        MethodInfo f => $"{f.ReturnType.Name} {f.Name}({string.Join(",", f.GetParameters().Select(q => q.ParameterType.Name))})",
        _ => m.MemberType + " " + m.Name,
    };

    private static IEnumerable<MemberInfo> DeclaredPublic(Type t) =>
        t.GetMembers(BindingFlags.Public | BindingFlags.Instance | BindingFlags.Static | BindingFlags.DeclaredOnly)
            .Where(m => !(m is MethodInfo f && f.IsSpecialName));

    [Fact]
    public void EveryRecordHasItsManagedMemberAndNothingMore()
    {
        Assert.NotEmpty(Records);
        foreach (Record c in Records)
        {
            Type t = ManagedType(c.ident);
            string expectedBase = c.role == "reference" ? "SclRef" : c.@base != "" ? "Scl" + c.@base : "SclContainer";
            Assert.Equal(expectedBase, t.BaseType!.Name);
            var expected = ExpectedMembers(c).Select(e => e.Signature).OrderBy(s => s, StringComparer.Ordinal);
            var actual = DeclaredPublic(t).Select(Signature).OrderBy(s => s, StringComparer.Ordinal);
            Assert.Equal(string.Join("\n", expected), string.Join("\n", actual)); // the diff names the member
        }
        // No typed wrapper class beyond the records: every public class derived from SclContainer
        // is a record or one of the generic classes.
        var known = Records.Select(c => "Scl" + c.ident).Concat(new[] { "SclContainer", "SclFile", "SclRef" }).ToHashSet();
        var extra = Binding.GetExportedTypes().Where(t => typeof(SclContainer).IsAssignableFrom(t) && !known.Contains(t.Name));
        Assert.Empty(extra);
    }

    [Fact]
    public void EveryPromisedClassExistsWithItsBaseAndClassId()
    {
        var byIdent = Records.ToDictionary(c => c.ident);
        foreach (string entry in PromisedClasses.Split(' ').Concat(PromisedReferences.Split(' ').Select(r => r + ":REF")))
        {
            string[] parts = entry.Split(':');
            Type t = ManagedType(parts[0]);
            string baseName = parts.Length == 1 ? "SclContainer" : parts[1] == "REF" ? "SclRef" : "Scl" + parts[1];
            Assert.Equal(baseName, t.BaseType!.Name);
            if (parts.Length > 1 && parts[1] != "REF")
                Assert.Equal(typeof(SclContainer), ManagedType(parts[1]).BaseType);
            // the class id carries the element's name, and the wrapper made for it is of this class
            int classId = byIdent[parts[0]].classId;
            Assert.Equal(parts[0], Enum.GetName((SclClassIdNet)classId));
            Assert.IsType(t, NewTypedWrapper.Invoke(null, new object[] { classId, (nint)0 }));
        }
        Assert.Equal(typeof(SclContainer), typeof(Scl_xml).BaseType);
    }

    [Fact]
    public void EveryTypedMemberOfADetachedWrapperThrowsItsDisposedMessage()
    {
        int checkedCalls = 0;
        foreach (Record c in Records.Where(r => r.role != "intermediate"))
        {
            Type t = ManagedType(c.ident);
            var detached = t.GetConstructor(BindingFlags.NonPublic | BindingFlags.Instance, new[] { typeof(nint) })!
                .Invoke(new object[] { (nint)0 });
            // the members of the intermediate base belong to its records, named with its class
            var records = new[] { c }.Concat(Records.Where(b => b.ident == c.@base));
            foreach (Record owner in records)
                foreach (Expected e in ExpectedMembers(owner))
                {
                    Type declaring = ManagedType(owner.ident);
                    foreach (Action call in Calls(declaring, e.Member, detached))
                    {
                        var thrown = Assert.Throws<ObjectDisposedException>(call);
                        Assert.Equal(e.Message, thrown.Message);
                        checkedCalls++;
                    }
                }
        }
        Assert.True(checkedCalls > 1000, checkedCalls.ToString());
    }

    /// <summary>On every public corpus file, the references read through the typed Ref getters of
    /// their owners (as the records give them) resolve as often, per reference class, as the
    /// native count of scltool info says (built beside the shim in build/gcc).</summary>
    [Fact]
    public void TypedReferenceGettersResolveAsTheNativeCountsOnTheCorpus()
    {
        string tool = Path.Combine(Support.Root, "build", "gcc", "scltool");
        if (Support.Corpus == null || !File.Exists(tool))
            return; // nothing to compare with: no corpus or no native build
        // class -> (reference class, Ref getter of its declared target) of every owner_ref record
        var getters = Records.Where(c => c.role != "reference").ToDictionary(c => c.ident, c =>
            new[] { c }.Concat(Records.Where(b => b.ident == c.@base)).SelectMany(o => o.accessors
                .Where(a => a.kind == "owner_ref" && a.name == Records.Single(r => r.ident == a.@ref).target)
                .Select(a => (a.@ref, ManagedType(o.ident).GetProperty("Ref" + a.name)!))).ToArray());
        int files = 0;
        foreach (string path in Directory.EnumerateFiles(Path.Combine(Support.Corpus, "public"), "*", SearchOption.AllDirectories))
        {
            var native = new SortedDictionary<string, (int, int)>(StringComparer.Ordinal);
            using (var info = Process.Start(new ProcessStartInfo(tool, new[] { "info", path }) { RedirectStandardOutput = true })!)
            {
                foreach (Match m in Regex.Matches(info.StandardOutput.ReadToEnd(), @"^  (\w+Ref) +(\d+) +(\d+)$", RegexOptions.Multiline))
                    native[m.Groups[1].Value] = (int.Parse(m.Groups[2].Value), int.Parse(m.Groups[3].Value));
                info.WaitForExit();
                if (info.ExitCode != 0)
                    continue; // not loadable natively
            }
            var managed = new SortedDictionary<string, (int, int)>(StringComparer.Ordinal);
            using var file = new SclFile();
            file.Read(path);
            for (Scl? s = file.Next(0, 255); s != null; s = s.Next(0, 255))
                if (s is SclContainer c && getters.TryGetValue(c.GetType().Name.Substring(3), out var refs))
                    foreach (var (refClass, getter) in refs)
                    {
                        int count = c.GetChildCount(Enum.Parse<SclClassIdNet>(refClass));
                        if (count == 0)
                            continue;
                        int resolved = getter.GetValue(c) != null ? 1 : 0;
                        managed.TryGetValue(refClass, out var sum);
                        managed[refClass] = (sum.Item1 + resolved, sum.Item2 + count - resolved);
                    }
            foreach (string refClass in managed.Keys.Union(native.Keys).ToArray())
            {
                native.TryAdd(refClass, (0, 0));
                managed.TryAdd(refClass, (0, 0));
            }
            Assert.Equal(string.Join(" ", native.Select(e => $"{Path.GetFileName(path)}:{e.Key}={e.Value}")),
                         string.Join(" ", managed.Select(e => $"{Path.GetFileName(path)}:{e.Key}={e.Value}")));
            files++;
        }
        Assert.True(files > 50, files.ToString());
    }

    /// <summary>Each getter, setter and method of that name, as a call rethrowing what it threw.</summary>
    private static IEnumerable<Action> Calls(Type t, string name, object target)
    {
        foreach (MemberInfo m in t.GetMember(name, BindingFlags.Public | BindingFlags.Instance | BindingFlags.DeclaredOnly))
        {
            var methods = m is PropertyInfo p ? new[] { p.GetMethod, p.SetMethod } : new[] { (MethodInfo)m };
            foreach (MethodInfo? f in methods)
                if (f != null)
                    yield return () =>
                    {
                        object?[] args = f.GetParameters().Select(q =>
                            q.ParameterType == typeof(int) ? (object)SclContainer.InsertLast :
                            q.ParameterType == typeof(bool) ? true : q.ParameterType == typeof(string) ? "x" : null).ToArray();
                        try
                        {
                            f.Invoke(target, args);
                        }
                        catch (TargetInvocationException e) when (e.InnerException != null)
                        {
                            throw e.InnerException;
                        }
                    };
        }
    }
}
