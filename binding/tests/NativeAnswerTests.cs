using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.IO;
using System.Linq;
using System.Text;
using Xunit;
using Xunit.Abstractions;

namespace Arvenko.Melvotar.SclNET.Tests;

/// <summary>The binding against the native library itself: sclnet_answers (built beside the
/// shim) prints what the native calls answer, and each test prints the same lines through the
/// managed classes.</summary>
[Collection("process-wide")]
public class NativeAnswerTests
{
    private static readonly string[] SclExtensions = { ".scd", ".icd", ".cid", ".iid", ".ssd", ".scl", ".xml" };
    private readonly ITestOutputHelper m_Output;

    public NativeAnswerTests(ITestOutputHelper output) => m_Output = output;

    [Fact]
    public void EveryCorpusFileReadsAsInTheNativeLibrary()
    {
        if (Support.Corpus == null)
        {
            m_Output.WriteLine("corpus folder ../shared/corpus not found: test skipped");
            return;
        }
        string[] paths = Directory.GetFiles(Support.Corpus, "*", SearchOption.AllDirectories)
            .Where(p => !p.Contains(Path.DirectorySeparatorChar + "xsd" + Path.DirectorySeparatorChar))
            .Where(p => SclExtensions.Contains(Path.GetExtension(p).ToLowerInvariant()))
            .OrderBy(p => p, StringComparer.Ordinal).ToArray();
        Assert.True(paths.Length > 50, "the corpus holds " + paths.Length + " SCL files");
        string[] native = Answers(new[] { "files" }.Concat(paths));
        Assert.Equal(paths.Length, native.Length);
        using var reports = new Reports(); // the reports of broken files stay out of the test output
        for (int i = 0; i < paths.Length; i++)
            Assert.Equal(native[i], FileLine(paths[i]));
    }

    /// <summary>The line sclnet_answers prints for one file.</summary>
    private static string FileLine(string path)
    {
        using var file = new SclFile();
        try
        {
            file.Read(path);
        }
        catch (Exception e)
        {
            return path + "\terror " + e.Message;
        }
        int elements = 0, targets = 0;
        var refs = new SortedDictionary<int, (int Resolved, int Unresolved)>();
        for (Scl? s = file; s != null; s = s.Next(0, 255))
        {
            if (s is SclRef reference)
            {
                refs.TryGetValue((int)s.ClassId, out var entry);
                refs[(int)s.ClassId] = reference.RefSclContainer != null
                    ? (entry.Resolved + 1, entry.Unresolved) : (entry.Resolved, entry.Unresolved + 1);
            }
            else if (s is SclContainer element)
            {
                elements++;
                targets += element.RefList.Length;
            }
        }
        var scl = (SclContainer?)file.Child(SclClassIdNet.SCL);
        string counts = string.Concat(refs.Select(r => $" {(SclClassIdNet)r.Key}={r.Value.Resolved}/{r.Value.Unresolved}"));
        return $"{path}\telements={elements} reflists={targets} crc={file.GetCRC32(0)} " +
               $"sclcrc={scl?.GetCRC32WithoutTopLevelId(0) ?? 0} edition={(int)file.Edition} " +
               $"check={(int)file.Check(SclCheckNet.Recursive | SclCheckNet.Name)}/" +
               $"{(int)file.Check(SclCheckNet.Recursive | SclCheckNet.Edition)} " +
               $"read={(file.ReadTruncated ? 1 : 0)}/{file.ReadRepairs}{counts}";
    }

    [Fact]
    public void LinkInfosTextKeysAndChildInfosAnswerAsInTheNativeLibrary()
    {
        string[] native = Answers(new[] { "tables" });
        var managed = new List<string>();
        using var texts = new SclKevText();
        for (int i = -1; i <= 126; i++)
        {
            var id = (SclValueIdNet)i;
            string name = SclLinkInfos.GetValue(id);
            managed.Add($"value {i} {name}|{(int)SclLinkInfos.GetValueId(name)}|{(SclLinkInfos.HasDAGroups(id) ? 1 : 0)}|" +
                        $"{Join(SclLinkInfos.GetDAGroups(id), g => ((int)g).ToString())}|{(int)SclLinkInfos.GetTargetCDC(id)}|" +
                        $"{Join(SclLinkInfos.GetSourceCDCs(id), g => ((int)g).ToString())}|" +
                        $"{Join(SclLinkInfos.GetDALinks(id), l => $"{(int)l.SourceDA}:{(int)l.TargetFC}:{(int)l.TargetDA}")}|" +
                        $"{Join(SclLinkInfos.GetMaxTargetFCDA(id), p => $"{(int)p.FC}:{(int)p.DA}")}|" +
                        $"{Ref(texts.GetDAGroupKevTextRef(id))}|{texts.GetDAGroupTextKey(id)}");
        }
        SclSchemaInfo schema = SclSchemaInfo.Instance;
        Assert.Same(schema, SclSchemaInfo.Instance);
        for (int c = -1; c <= 124; c++)
        {
            SclChildInfoNet[] infos = schema.GetChildInfos((SclClassIdNet)c);
            Assert.All(infos, info => Assert.False(info.Arvenko));
            managed.Add($"children {c} {Join(infos, x => $"{(int)x.ClassId}:{(int)x.NameId}:{x.Min}:{x.Max}")}");
            Assert.False(schema.IsArvenkoExtension((SclClassIdNet)c, SclNameIdNet.name));
        }
        Assert.Equal(native, managed);
        // The native name of 16, where the managed enumeration keeps an older one.
        Assert.Equal("INC_DirGeneral", SclLinkInfos.GetValue(SclValueIdNet.SPC_DirGeneral));
    }

    [Fact]
    public void TextReferencesAndPoolTextsAnswerAsInTheNativeLibrary()
    {
        string[] probes =
        {
            "n:q$validity", "n:phsA.q", "n:phsA.cVal.mag.f", "n:xyz", "n:", "n:" + new string('a', 300) + ".q", "n:subCVal",
            "v:stVal|Beh||2", "v:ctlVal||DPC|true", "v:units.SIUnit|||5", "v:SIUnit|||5", "v:|||good",
            "v:setCharact|||48", "v:stVal|WeiMod||4", "v:x|y|z|Ω",
        };
        string[] native = Answers(new[] { "texts" }.Concat(probes));
        using var texts = new SclKevText();
        Assert.Equal(string.Empty, texts.GetDAKevText("q.validity")); // the pool starts empty
        texts.LoadDefaultTexts();
        Assert.Equal(native, probes.Select(p => ProbeLine(texts, p)));

        // A pool written and read back gives the same texts; an unreadable file keeps the pool.
        using (var pool = new TempPath("pool.xml"))
        {
            texts.SaveXMLFile(pool.Path);
            using var loaded = new SclKevText();
            Assert.True(loaded.LoadXMLFile(pool.Path));
            Assert.Equal(native, probes.Select(p => ProbeLine(loaded, p)));
            Assert.False(loaded.LoadXMLFile(pool.Path + ".missing"));
            Assert.Equal("DAN q.validity", loaded.GetKevText(new SclTextRefNet(513, 1)));
        }
        texts.Dispose();
        texts.Dispose();
        Assert.Equal("SclKevText object disposed",
            Assert.Throws<ObjectDisposedException>(() => texts.GetDAKevTextRef("q")).Message);
    }

    private static string ProbeLine(SclKevText texts, string probe)
    {
        string arg = probe.Substring(2);
        if (probe.StartsWith("n:"))
            return $"{probe}|{Ref(texts.GetDAKevTextRef(arg))}|{texts.GetDAKevText(arg)}|{texts.GetDATextKey(arg)}|" +
                   $"{Ref(texts.GetSDOKevTextRef(arg))}|{texts.GetSDOKevText(arg)}";
        string[] p = arg.Split('|');
        return $"{probe}|{Ref(texts.GetDAValueKevTextRef(p[0], p[1], p[2], p[3]))}|" +
               $"{texts.GetDAValueKevText(p[0], p[1], p[2], p[3])}|{texts.GetDAValueTextKey(p[0], p[1], p[2], p[3])}";
    }

    private static string Ref(SclTextRefNet r) => $"{r.Sid}:{r.Nr}";

    private static string Join<T>(IEnumerable<T> items, Func<T, string> format) => string.Join(",", items.Select(format));

    /// <summary>The lines sclnet_answers prints for the arguments.</summary>
    private static string[] Answers(IEnumerable<string> arguments)
    {
        var start = new ProcessStartInfo(AnswersTool)
        {
            RedirectStandardOutput = true,
            RedirectStandardError = true,
            StandardOutputEncoding = Encoding.UTF8,
        };
        foreach (string argument in arguments)
            start.ArgumentList.Add(argument);
        using Process process = Process.Start(start)!;
        process.StandardError.ReadToEndAsync();
        string output = process.StandardOutput.ReadToEnd();
        process.WaitForExit();
        Assert.Equal(0, process.ExitCode);
        return output.Split('\n', StringSplitOptions.RemoveEmptyEntries);
    }

    /// <summary>The native answer tool: SCLNET_ANSWERS, else the one of the g++ build.</summary>
    private static string AnswersTool
    {
        get
        {
            string? path = Environment.GetEnvironmentVariable("SCLNET_ANSWERS");
            if (string.IsNullOrEmpty(path))
                path = Path.Combine(Support.Root, "build", "gcc", "binding", "native", "sclnet_answers");
            Assert.True(File.Exists(path), "native answer tool not found: " + path +
                " (build the CMake target sclnet_answers or set SCLNET_ANSWERS)");
            return path;
        }
    }
}
