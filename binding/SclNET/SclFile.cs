using System;
using System.Text;
using Arvenko.Melvotar.XmlParserNET;

namespace Arvenko.Melvotar.SclNET;

/// <summary>The root of an SCL file. The wrapper made by the constructor owns the native file and
/// its tree: <see cref="Dispose"/> deletes them and detaches every wrapper of the tree. A wrapper
/// reached through the tree (the File property) is a second, non-owning wrapper of the same file,
/// equal to the first.</summary>
public unsafe partial class SclFile : SclContainer, IDisposable
{
    private readonly bool m_Owner;

    /// <summary>A new empty file (UTF-8, not changed).</summary>
    public SclFile() : base(NewFile()) => m_Owner = true;

    internal SclFile(nint native) : base(native) { }

    private static nint NewFile()
    {
        EnsureInitialized();
        SclNetStatus st;
        nint p = NativeMethods.FileNew(&st);
        NativeMethods.Check(st);
        return p;
    }

    /// <summary>Deletes the native file and its tree once (the owning wrapper only); a second
    /// call does nothing.</summary>
    public void Dispose()
    {
        nint p = m_pScl;
        if (!m_Owner || p == 0)
            return;
        m_pScl = 0;
        SclNetStatus st;
        NativeMethods.FileDelete(&st, p);
        NativeMethods.Check(st);
    }

    // Calls a native setter of the file that takes one int.
    private void SetInt(delegate*<SclNetStatus*, nint, int, void> call, int value)
    {
        nint p = Native();
        SclNetStatus st;
        call(&st, p, value);
        NativeMethods.Check(st);
    }

    /// <summary>The file's name (its path after Read).</summary>
    public new string SclName
    {
        get => base.SclName;
        set => CallInt(&NativeMethods.SetSclName, value);
    }

    /// <summary>Whether the document was changed since it was read.</summary>
    public bool ChangedFlag
    {
        get => CallInt(&NativeMethods.FileChanged) != 0;
        set => SetInt(&NativeMethods.FileSetChanged, value ? 1 : 0);
    }

    /// <summary>Encoding used for saving; after loading, the encoding the file had.</summary>
    public FileFormatNet FileFormat
    {
        get => (FileFormatNet)CallInt(&NativeMethods.FileFormat);
        set => SetInt(&NativeMethods.FileSetFormat, (int)value);
    }

    /// <summary>True when the checksum stamp matches the document.</summary>
    public bool IsValidFileCRC() => CallInt(&NativeMethods.FileValidCrc) != 0;

    /// <summary>Loads the file (path as UTF-8); an unreadable file throws <see cref="Exception"/>
    /// with the report text.</summary>
    public void Read(string path)
    {
        nint p = Native();
        SclNetStatus st;
        fixed (byte* s = PathBytes(path))
            NativeMethods.FileRead(&st, p, s);
        NativeMethods.Check(st);
    }

    /// <summary>Renews the stamps and writes the document to path in the file's format.</summary>
    public void Write(string path, bool withArvenkoExtension)
    {
        nint p = Native();
        SclNetStatus st;
        fixed (byte* s = PathBytes(path))
            NativeMethods.FileWrite(&st, p, s, withArvenkoExtension ? 1 : 0);
        NativeMethods.Check(st);
    }

    /// <summary>Merges equal data type templates; true when anything merged.</summary>
    public bool PackDataTypeTemplates() => CallInt(&NativeMethods.FilePack) != 0;

    /// <summary>Behaviour beyond the library's own file conventions for the next Read and Write;
    /// <see cref="SclInterchangeNet.None"/> (the library's own behaviour) for a new file.</summary>
    public SclInterchangeNet Interchange
    {
        get => (SclInterchangeNet)CallInt(&NativeMethods.FileInterchange);
        set => SetInt(&NativeMethods.FileSetInterchange, (int)value);
    }

    /// <summary>The interchange options that tools switch on by default.</summary>
    public static SclInterchangeNet InterchangeAll
    {
        get
        {
            SclNetStatus st;
            int r = NativeMethods.InterchangeAll(&st);
            NativeMethods.Check(st);
            return (SclInterchangeNet)r;
        }
    }

    /// <summary>The edition of the document (its SCL element's version, revision and release);
    /// 2007B4 without SCL element.</summary>
    public SclEditionNet Edition => (SclEditionNet)CallInt(&NativeMethods.FileEdition);

    /// <summary>After Read: true when the input ended inside an open element or inside markup
    /// (a file cut off), so that the document holds only what came before.</summary>
    public bool ReadTruncated => CallInt(&NativeMethods.FileReadTruncated) != 0;

    /// <summary>After Read: the number of missing end tags the reader repaired.</summary>
    public int ReadRepairs => CallInt(&NativeMethods.FileReadRepairs);

    /// <summary>A path as zero-terminated UTF-8 (the platform's own encoding of file names).</summary>
    internal static byte[] PathBytes(string path)
    {
        ArgumentNullException.ThrowIfNull(path);
        var bytes = new byte[Encoding.UTF8.GetByteCount(path) + 1];
        Encoding.UTF8.GetBytes(path, 0, path.Length, bytes, 0);
        return bytes;
    }
}
