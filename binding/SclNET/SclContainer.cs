using System;
using Arvenko.Melvotar.XmlParserNET;

namespace Arvenko.Melvotar.SclNET;

/// <summary>Wrapper of an element: the owner of its children (attributes first, then text,
/// remarks, child elements and references). Lookups return null when nothing matches.</summary>
public unsafe partial class SclContainer : Scl
{
    /// <summary>Position argument that appends a new child (then moves it to its schema place).</summary>
    public const int InsertLast = -1;

    internal SclContainer(nint native) : base(native) { }

    // ---- children ----

    /// <summary>Child at the position; null out of range.</summary>
    public Scl? Child(int index) => CallObject<Scl>(&NativeMethods.Child, index);
    /// <summary>The first child of the class; null if none.</summary>
    public Scl? Child(SclClassIdNet classId) => CallObject<Scl>(&NativeMethods.ChildOfClass, (int)classId);

    /// <summary>The child at position index (counting all children) when it is of the class.</summary>
    public Scl? Child(SclClassIdNet classId, int index) =>
        CallObject<Scl>(&NativeMethods.ChildOfClassAt, (int)classId, index);

    /// <summary>The first child with the name id.</summary>
    public Scl? ChildByNameId(SclNameIdNet nameId)
    {
        nint p = Native();
        SclNetStatus st;
        nint r = NativeMethods.ChildByNameId(&st, p, (ushort)nameId);
        NativeMethods.Check(st);
        return CreateWrapper(r);
    }

    /// <summary>The first child of the class with the name id.</summary>
    public Scl? ChildByNameId(SclClassIdNet classId, SclNameIdNet nameId)
    {
        nint p = Native();
        SclNetStatus st;
        nint r = NativeMethods.ChildByClassNameId(&st, p, (int)classId, (ushort)nameId);
        NativeMethods.Check(st);
        return CreateWrapper(r);
    }

    /// <summary>The first element child of the class whose Id equals id.</summary>
    public SclContainer? ChildById(SclClassIdNet classId, string id) => (SclContainer?)WithText(id, (p, s, n, st) =>
        NativeMethods.ChildById(st, p, (int)classId, s, n));

    /// <summary>The index-th (0-based) child whose class id is exactly classId.</summary>
    public Scl? ChildByInstanceIndex(SclClassIdNet classId, int index) =>
        CallObject<Scl>(&NativeMethods.ChildByInstanceIndex, (int)classId, index);

    /// <summary>The child with that identity.</summary>
    public Scl? ChildByIdStruct(SclIdStructNet idStruct)
    {
        nint p = Native();
        SclNetStatus st;
        nint r;
        fixed (char* s = idStruct.Id)
            r = NativeMethods.ChildByIdStruct(&st, p, (int)idStruct.ClassId, (ushort)idStruct.NameId, s,
                idStruct.Id?.Length ?? 0, idStruct.Count);
        NativeMethods.Check(st);
        return CreateWrapper(r);
    }

    /// <summary>Follows the identities downwards from this element; null for none or a miss.</summary>
    public Scl? GetChildByIdStructArray(SclIdStructNet[] idStructs)
    {
        Native();
        ArgumentNullException.ThrowIfNull(idStructs);
        Scl? item = idStructs.Length == 0 ? null : this;
        foreach (SclIdStructNet id in idStructs)
        {
            if (item is not SclContainer container)
                return null;
            item = container.ChildByIdStruct(id);
        }
        return item;
    }

    /// <summary>Number of children.</summary>
    public int ChildCount => CallInt(&NativeMethods.ChildCount);
    /// <summary>Number of children of the class.</summary>
    public int GetChildCount(SclClassIdNet classId) => CallInt(&NativeMethods.ChildCountOfClass, (int)classId);
    /// <summary>Number of attributes.</summary>
    public int AttribCount => CallInt(&NativeMethods.AttribCount);
    /// <summary>1 + index of the last attribute; 0 without attributes.</summary>
    public int FirstNonAttribIndex => CallInt(&NativeMethods.FirstNonAttribIndex);
    /// <summary>All children in child order.</summary>
    public Scl[] Children => CallObjects<Scl>(&NativeMethods.Children);

    /// <summary>The identifying value of the element; empty for a plain container.</summary>
    public string Id => CallText(&NativeMethods.Id);
    /// <summary>Whether the class has an identifying value.</summary>
    public bool HasId => CallInt(&NativeMethods.HasId) != 0;

    /// <summary>Value of the first value child with the name id; empty if none.</summary>
    public string GetValue(SclNameIdNet nameId) => GetAttrib(nameId);
    /// <summary>Sets attribute nameId, creating it when missing.</summary>
    public SclErrorNet SetValue(SclNameIdNet nameId, string value) => SetAttrib(nameId, value);

    /// <summary>The references held on this element.</summary>
    public SclRef[] RefList => CallObjects<SclRef>(&NativeMethods.RefList);
    /// <summary>Number of references of the file that resolve to this element.</summary>
    public int RefCount => CallInt(&NativeMethods.RefCount);

    // ---- creation and modification ----

    /// <summary>New typed child of the class at pos (InsertLast: its schema position); null when refused.</summary>
    public SclContainer? CreateSclContainer(SclClassIdNet classId, int pos) =>
        CallObject<SclContainer>(&NativeMethods.CreateContainer, (int)classId, pos);

    /// <summary>New value child named name at pos; null when refused.</summary>
    public SclValue? CreateSclValue(string name, int pos) => (SclValue?)WithText(name, (p, s, n, st) =>
        NativeMethods.CreateValueNamed(st, p, s, n, pos));

    /// <summary>New value child with the name id (NONE: element text) at pos; null when refused.</summary>
    public SclValue? CreateSclValue(SclNameIdNet nameId, int pos)
    {
        nint p = Native();
        SclNetStatus st;
        nint r = NativeMethods.CreateValue(&st, p, (ushort)nameId, pos);
        NativeMethods.Check(st);
        return CreateWrapper<SclValue>(r);
    }

    /// <summary>New remark child at pos; null when refused.</summary>
    public SclRemark? CreateSclRemark(int pos) => CallObject<SclRemark>(&NativeMethods.CreateRemark, pos);

    /// <summary>Deletes child index with its subtree.</summary>
    public SclErrorNet DeleteChild(int index) => (SclErrorNet)CallInt(&NativeMethods.DeleteChildAt, index);
    /// <summary>Deletes that child with its subtree; DataNotFound if it is not a child.</summary>
    public SclErrorNet DeleteChild(Scl child) => (SclErrorNet)CallInt(&NativeMethods.DeleteChild, Arg(child));

    /// <summary>Exchanges two children.</summary>
    public SclErrorNet SwapChild(int index1, int index2)
    {
        nint p = Native();
        SclNetStatus st;
        int r = NativeMethods.SwapChild(&st, p, index1, index2);
        NativeMethods.Check(st);
        return (SclErrorNet)r;
    }

    /// <summary>Completes the element (builds references) and its children.</summary>
    public void Complete()
    {
        nint p = Native();
        SclNetStatus st;
        NativeMethods.Complete(&st, p);
        NativeMethods.Check(st);
    }

    /// <summary>Sorts the children into schema order (simple and attribute sorting off).</summary>
    public bool Sort(bool recursive) => Sort(recursive, false, false);

    /// <summary>Sorts the children into schema order; whether any child moved.</summary>
    public bool Sort(bool recursive, bool simple, bool attributes)
    {
        nint p = Native();
        SclNetStatus st;
        int r = NativeMethods.Sort(&st, p, recursive ? 1 : 0, simple ? 1 : 0, attributes ? 1 : 0);
        NativeMethods.Check(st);
        return r != 0;
    }

    /// <summary>Content comparison without the own identifying attributes.</summary>
    public bool ContentCompareWithoutTopLevelId(SclContainer other) =>
        CallInt(&NativeMethods.ContentCompareWithoutTopLevelId, RequiredArg(other, nameof(other))) != 0;

    /// <summary>CRC-32 without the own identifying attributes.</summary>
    public int GetCRC32WithoutTopLevelId(int start) => CallInt(&NativeMethods.Crc32WithoutTopLevelId, start);

    /// <summary>The type template element that describes this instance; null at a missing link.</summary>
    public SclContainer? GetTypeNodeOfInstance() => CallObject<SclContainer>(&NativeMethods.TypeNodeOfInstance);

    // ---- reading and writing ----

    /// <summary>Reads this element's content from the parser.</summary>
    public void Read(XmlParser parser)
    {
        nint p = Native();
        nint parserNative = RequiredParser(parser);
        SclNetStatus st;
        NativeMethods.Read(&st, p, parserNative);
        GC.KeepAlive(parser);
        NativeMethods.Check(st);
    }

    /// <summary>Writes this element through the parser.</summary>
    public void Write(XmlParser parser, bool withArvenkoExtension)
    {
        nint p = Native();
        nint parserNative = RequiredParser(parser);
        SclNetStatus st;
        NativeMethods.Write(&st, p, parserNative, withArvenkoExtension ? 1 : 0);
        GC.KeepAlive(parser);
        NativeMethods.Check(st);
    }

    private static nint RequiredParser(XmlParser parser)
    {
        ArgumentNullException.ThrowIfNull(parser);
        return parser.Native();
    }

    /// <summary>The element written into a buffer of bufferSize bytes, up to its last "&gt;";
    /// an element that does not fit throws <see cref="SclException"/>.</summary>
    public string WriteToString(int bufferSize, FileFormatNet format, bool withArvenkoExtension)
    {
        var buffer = new byte[Math.Max(bufferSize, 0)];
        WriteInto(buffer, format, withArvenkoExtension);
        int end = Array.IndexOf(buffer, (byte)0);
        string text = TextOfBytes(buffer, end < 0 ? buffer.Length : end);
        int last = text.LastIndexOf('>');
        return last < 0 ? string.Empty : text.Substring(0, last + 1);
    }

    /// <summary>The element written into a work buffer of size bytes, copied into buffer; the rest
    /// of buffer is zero-filled.</summary>
    public SclErrorNet WriteToCharacterBuffer(byte[] buffer, int size, FileFormatNet format)
    {
        Native();
        ArgumentNullException.ThrowIfNull(buffer);
        var work = new byte[Math.Max(size, 0)];
        WriteInto(work, format, true);
        int copied = Math.Min(work.Length, buffer.Length);
        Array.Copy(work, buffer, copied);
        Array.Clear(buffer, copied, buffer.Length - copied);
        return SclErrorNet.Ok;
    }

    private void WriteInto(byte[] buffer, FileFormatNet format, bool flag)
    {
        nint p = Native();
        SclNetStatus st;
        fixed (byte* b = buffer)
            NativeMethods.WriteToBuffer(&st, p, b, buffer.Length, (int)format, flag ? 1 : 0);
        NativeMethods.Check(st);
    }

    private static string TextOfBytes(byte[] bytes, int count)
    {
        SclNetStatus st;
        int length;
        char* text;
        fixed (byte* b = bytes)
            text = NativeMethods.TextOfBytes(&st, b, count, &length);
        NativeMethods.Check(st);
        return NativeMethods.Text(text, length);
    }

    /// <summary>Reads text (converted to library text) into this element as its content.</summary>
    public SclErrorNet ReadFromString(string text, FileFormatNet format)
    {
        nint p = Native();
        SclNetStatus st;
        fixed (char* s = text)
            NativeMethods.ReadFromString(&st, p, s, text?.Length ?? 0, (int)format);
        NativeMethods.Check(st);
        return SclErrorNet.Ok;
    }

    /// <summary>Reads the first size bytes of buffer into this element as its content.</summary>
    public SclErrorNet ReadFromCharacterBuffer(byte[] buffer, int size, FileFormatNet format)
    {
        nint p = Native();
        ArgumentNullException.ThrowIfNull(buffer);
        int count = Math.Clamp(size, 0, buffer.Length);
        // At least one byte, so that an empty copy still hands the reader a buffer (of no text).
        var copy = new byte[Math.Max(count, 1)];
        Array.Copy(buffer, copy, count);
        SclNetStatus st;
        fixed (byte* b = copy)
            NativeMethods.ReadFromBuffer(&st, p, b, count, (int)format);
        NativeMethods.Check(st);
        return SclErrorNet.Ok;
    }

    // ---- helpers of the typed members ----

    internal delegate nint TextCall(nint self, char* text, int length, SclNetStatus* status);

    private Scl? WithText(string? text, TextCall call)
    {
        nint p = Native();
        SclNetStatus st;
        nint r;
        fixed (char* s = text)
            r = call(p, s, text?.Length ?? 0, &st);
        NativeMethods.Check(st);
        return CreateWrapper(r);
    }

    /// <summary>Attribute value by name id; empty when absent.</summary>
    protected internal string GetAttrib(SclNameIdNet nameId, string message = DisposedMessage)
        => CallText(&NativeMethods.AttribValue, (ushort)nameId, message);

    /// <summary>Sets an attribute by name id, creating it when missing.</summary>
    protected internal SclErrorNet SetAttrib(SclNameIdNet nameId, string? value, string message = DisposedMessage)
    {
        nint p = Native(message);
        SclNetStatus st;
        int r;
        fixed (char* s = value)
            r = NativeMethods.SetAttribValue(&st, p, (ushort)nameId, s, value?.Length ?? 0);
        NativeMethods.Check(st);
        return (SclErrorNet)r;
    }
}
