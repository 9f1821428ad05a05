using System;

namespace Arvenko.Melvotar.SclNET;

/// <summary>Display texts of data attribute names, attribute values and attribute groups:
/// built-in key tables give a text reference, a text pool (loaded from a file, or the key
/// texts themselves) the text. Owns its native object: <see cref="Dispose"/> (or else the
/// finaliser) deletes it once. Lookups never throw: a missing row gives number 0, a missing
/// pool text an empty string.</summary>
public sealed unsafe class SclKevText : IDisposable
{
    internal const string DisposedMessage = "SclKevText object disposed";

    private OwnedNative m_KevText;

    /// <summary>Key tables of the library, an empty pool.</summary>
    public SclKevText()
    {
        Scl.EnsureInitialized();
        SclNetStatus st;
        nint p = NativeMethods.KevNew(&st);
        NativeMethods.Check(st);
        m_KevText = new OwnedNative(p, &NativeMethods.KevDelete, DisposedMessage);
    }

    ~SclKevText() => m_KevText.Release();

    /// <summary>Deletes the native object; a second call does nothing.</summary>
    public void Dispose()
    {
        m_KevText.Release();
        GC.SuppressFinalize(this);
    }

    private nint Native() => m_KevText.Get();

    /// <summary>Replaces the pool with the records of a pool file (path as UTF-8). False, pool
    /// unchanged, when the file is not readable; a file the XML reader cannot convert throws
    /// <see cref="Exception"/> after the pool was cleared.</summary>
    public bool LoadXMLFile(string path)
    {
        nint p = Native();
        SclNetStatus st;
        int r;
        fixed (byte* s = SclFile.PathBytes(path))
            r = NativeMethods.KevLoad(&st, p, s);
        GC.KeepAlive(this);
        NativeMethods.Check(st);
        return r != 0;
    }

    /// <summary>Replaces the pool with the key texts of every row (names, values, groups).</summary>
    public void LoadDefaultTexts()
    {
        nint p = Native();
        SclNetStatus st;
        NativeMethods.KevLoadDefault(&st, p);
        GC.KeepAlive(this);
        NativeMethods.Check(st);
    }

    /// <summary>Writes the pool as a pool file (UTF-8); nothing when the file cannot be created.</summary>
    public void SaveXMLFile(string path)
    {
        nint p = Native();
        SclNetStatus st;
        fixed (byte* s = SclFile.PathBytes(path))
            NativeMethods.KevSave(&st, p, s);
        GC.KeepAlive(this);
        NativeMethods.Check(st);
    }

    /// <summary>The pool text of a reference; empty when the pool has none.</summary>
    public string GetKevText(SclTextRefNet textRef)
    {
        nint p = Native();
        SclNetStatus st;
        int length;
        char* text = NativeMethods.KevText(&st, p, textRef.Sid, textRef.Nr, &length);
        GC.KeepAlive(this);
        NativeMethods.Check(st);
        return NativeMethods.Text(text, length);
    }

    /// <summary>(513, nr) of a sub-data-object name; the same lookup as <see cref="GetDAKevTextRef"/>.</summary>
    public SclTextRefNet GetSDOKevTextRef(string name) => Ref(name, &NativeMethods.KevSdoRef);
    /// <summary>Pool text of <see cref="GetSDOKevTextRef"/>.</summary>
    public string GetSDOKevText(string name) => Text(name, &NativeMethods.KevSdoText);
    /// <summary>Key text of the row <see cref="GetSDOKevTextRef"/> finds; "?" if none.</summary>
    public string GetSDOTextKey(string name) => Text(name, &NativeMethods.KevSdoKey);

    /// <summary>(513, nr) of an attribute name or path ("$" counts as "."; without a row for the
    /// whole path the text after each "." is tried from the left); nr 0 if nothing matches.</summary>
    public SclTextRefNet GetDAKevTextRef(string namePath) => Ref(namePath, &NativeMethods.KevDaRef);
    /// <summary>Pool text of <see cref="GetDAKevTextRef"/>.</summary>
    public string GetDAKevText(string namePath) => Text(namePath, &NativeMethods.KevDaText);
    /// <summary>Key text of the row <see cref="GetDAKevTextRef"/> finds; "?" if none.</summary>
    public string GetDATextKey(string namePath) => Text(namePath, &NativeMethods.KevDaKey);

    /// <summary>(515, nr) of an attribute value; keys tried in order "DO=value" (only for DA
    /// "stVal"), "CDC.DA=value", "DA=value", "value"; nr 0 if nothing matches.</summary>
    public SclTextRefNet GetDAValueKevTextRef(string daName, string doName, string cdc, string value)
    {
        nint p = Native();
        SclNetStatus st;
        int sid, nr;
        fixed (char* a = daName, d = doName, c = cdc, v = value)
            nr = NativeMethods.KevValueRef(&st, p, a, daName?.Length ?? 0, d, doName?.Length ?? 0, c, cdc?.Length ?? 0,
                v, value?.Length ?? 0, &sid);
        GC.KeepAlive(this);
        NativeMethods.Check(st);
        return new SclTextRefNet((short)sid, (ushort)nr);
    }

    /// <summary>Pool text of <see cref="GetDAValueKevTextRef"/>.</summary>
    public string GetDAValueKevText(string daName, string doName, string cdc, string value) =>
        ValueText(daName, doName, cdc, value, &NativeMethods.KevValueText);

    /// <summary>Key text of the row <see cref="GetDAValueKevTextRef"/> finds; "?" if none.</summary>
    public string GetDAValueTextKey(string daName, string doName, string cdc, string value) =>
        ValueText(daName, doName, cdc, value, &NativeMethods.KevValueKey);

    /// <summary>(517, nr) of an attribute group; nr 0 for ids without group row.</summary>
    public SclTextRefNet GetDAGroupKevTextRef(SclValueIdNet id)
    {
        nint p = Native();
        SclNetStatus st;
        int sid;
        int nr = NativeMethods.KevGroupRef(&st, p, (int)id, &sid);
        GC.KeepAlive(this);
        NativeMethods.Check(st);
        return new SclTextRefNet((short)sid, (ushort)nr);
    }

    /// <summary>Pool text of <see cref="GetDAGroupKevTextRef"/>.</summary>
    public string GetDAGroupKevText(SclValueIdNet id) => GroupText(id, &NativeMethods.KevGroupText);
    /// <summary>Key text of the group row; "?" if none.</summary>
    public string GetDAGroupTextKey(SclValueIdNet id) => GroupText(id, &NativeMethods.KevGroupKey);

    // ---- call helpers ----

    private SclTextRefNet Ref(string name, delegate*<SclNetStatus*, nint, char*, int, int*, int> call)
    {
        nint p = Native();
        SclNetStatus st;
        int sid, nr;
        fixed (char* s = name)
            nr = call(&st, p, s, name?.Length ?? 0, &sid);
        GC.KeepAlive(this);
        NativeMethods.Check(st);
        return new SclTextRefNet((short)sid, (ushort)nr);
    }

    private string Text(string name, delegate*<SclNetStatus*, nint, char*, int, int*, char*> call)
    {
        nint p = Native();
        SclNetStatus st;
        int length;
        char* text;
        fixed (char* s = name)
            text = call(&st, p, s, name?.Length ?? 0, &length);
        GC.KeepAlive(this);
        NativeMethods.Check(st);
        return NativeMethods.Text(text, length);
    }

    private string ValueText(string daName, string doName, string cdc, string value,
        delegate*<SclNetStatus*, nint, char*, int, char*, int, char*, int, char*, int, int*, char*> call)
    {
        nint p = Native();
        SclNetStatus st;
        int length;
        char* text;
        fixed (char* a = daName, d = doName, c = cdc, v = value)
            text = call(&st, p, a, daName?.Length ?? 0, d, doName?.Length ?? 0, c, cdc?.Length ?? 0, v, value?.Length ?? 0, &length);
        GC.KeepAlive(this);
        NativeMethods.Check(st);
        return NativeMethods.Text(text, length);
    }

    private string GroupText(SclValueIdNet id, delegate*<SclNetStatus*, nint, int, int*, char*> call)
    {
        nint p = Native();
        SclNetStatus st;
        int length;
        char* text = call(&st, p, (int)id, &length);
        GC.KeepAlive(this);
        NativeMethods.Check(st);
        return NativeMethods.Text(text, length);
    }
}
