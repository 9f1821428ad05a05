using System;
using Arvenko.Melvotar.SclNET;

namespace Arvenko.Melvotar.XmlParserNET;

/// <summary>An XML reader or writer over a file, owned by this wrapper: <see cref="Dispose"/> (or
/// else the finaliser) deletes it once.</summary>
public sealed unsafe class XmlParser : IDisposable
{
    private nint m_pParser;

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
        m_pParser = p;
    }

    ~XmlParser() => Release();

    internal nint Native()
    {
        nint p = m_pParser;
        if (p == 0)
            Scl.ThrowDisposed("XmlParser object disposed");
        return p;
    }

    /// <summary>Closes the file and deletes the parser; a second call does nothing.</summary>
    public void Dispose()
    {
        Release();
        GC.SuppressFinalize(this);
    }

    private void Release()
    {
        nint p = m_pParser;
        if (p == 0)
            return;
        m_pParser = 0;
        SclNetStatus st;
        NativeMethods.ParserDelete(&st, p);
    }
}
