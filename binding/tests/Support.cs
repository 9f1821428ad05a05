using System;
using System.Collections.Generic;
using System.IO;
using Xunit;

namespace Arvenko.Melvotar.SclNET.Tests;

/// <summary>Paths of the repository and the corpus, and report capture.</summary>
internal static class Support
{
    /// <summary>The repository root: the first folder above the test assembly holding samples/station.scd.</summary>
    public static string Root { get; } = FindRoot();

    public static string Sample => Path.Combine(Root, "samples", "station.scd");

    /// <summary>The shared corpus folder, or null when it is missing.</summary>
    public static string? Corpus
    {
        get
        {
            string dir = Path.GetFullPath(Path.Combine(Root, "..", "shared", "corpus"));
            return Directory.Exists(dir) ? dir : null;
        }
    }

    private static string FindRoot()
    {
        for (string? dir = AppContext.BaseDirectory; dir != null; dir = Path.GetDirectoryName(dir))
            if (File.Exists(Path.Combine(dir, "samples", "station.scd")))
                return dir;
        throw new InvalidOperationException("repository root not found above " + AppContext.BaseDirectory);
    }

    /// <summary>The sample station loaded into a new file.</summary>
    public static SclFile LoadSample()
    {
        var file = new SclFile();
        file.Read(Sample);
        return file;
    }

    public static SclContainer Scl(SclFile file) => (SclContainer)file.Child(SclClassIdNet.SCL)!;
}

/// <summary>Collects the report lines while alive; removes the handler at the end.</summary>
internal sealed class Reports : IDisposable
{
    public List<string> Lines { get; } = new();

    public Reports() => Arvenko.Melvotar.SclNET.Scl.TextEventHandler = Lines.Add;

    public void Dispose() => Arvenko.Melvotar.SclNET.Scl.TextEventHandler = null;
}

/// <summary>A path in the temporary folder, its file deleted when disposed.</summary>
internal sealed class TempPath : IDisposable
{
    public string Path { get; }

    public TempPath(string name) =>
        Path = System.IO.Path.Combine(System.IO.Path.GetTempPath(), $"sclnet-{Environment.ProcessId}-{name}");

    public void Dispose() => File.Delete(Path);
}

/// <summary>Tests that change the process-wide text handler or count registry entries run one
/// at a time.</summary>
[CollectionDefinition("process-wide", DisableParallelization = true)]
public class ProcessWideCollection
{
}
