using System;
using Arvenko.Melvotar.SclNET;

namespace Arvenko.Melvotar.XmlParserNET;

/// <summary>An XML reader or writer over a file, owned by this wrapper: <see cref="Dispose"/> (or
/// else the finaliser) deletes it once.</summary>
public sealed unsafe class XmlParser : IDisposable
{
    private OwnedNative m_Parser;

    /// <summary>Opens path (UTF-8) for reading (the whole file is read and converted now) or
    /// writing in format; a file that cannot be opened throws <see cref="Exception"/>.</summary>
    public XmlParser(string path, FileFormatNet format, bool write)
    {
        Scl.EnsureInitialized();
        SclNetStatus st;
        nint p;
        fixed (byte* s = SclFile.PathBytes(path))
            p = NativeMethods.ParserNew(&st, s, (int)format, write ? 1 : 0);
        NativeMethods.Check(st);
        m_Parser = new OwnedNative(p, &NativeMethods.ParserDelete, "XmlParser object disposed");
    }

    ~XmlParser() => m_Parser.Release();

    internal nint Native() => m_Parser.Get();

    /// <summary>Closes the file and deletes the parser; a second call does nothing.</summary>
    public void Dispose()
    {
        m_Parser.Release();
        GC.SuppressFinalize(this);
    }
}
