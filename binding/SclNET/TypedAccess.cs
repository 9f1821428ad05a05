namespace Arvenko.Melvotar.SclNET;

/// <summary>The few helpers every generated typed member forwards to (Generated/TypedClasses.g.cs):
/// one per accessor family, each one shim call with the call pattern of <see cref="Scl"/>. The
/// message is the disposed text of the member (counts and the reference members name more than
/// the default).</summary>
public unsafe partial class SclContainer
{
    /// <summary>New typed child of the class at pos; null when refused.</summary>
    internal T? NewChild<T>(SclClassIdNet classId, int pos) where T : SclContainer =>
        CallObject<T>(&NativeMethods.CreateContainer, (int)classId, pos);

    /// <summary>The first child answering the class; null if none.</summary>
    internal T? FirstChild<T>(SclClassIdNet classId) where T : SclContainer =>
        CallObject<T>(&NativeMethods.ChildOfClass, (int)classId);

    /// <summary>Every child answering the class, in child order.</summary>
    internal T[] ChildrenOfClass<T>(SclClassIdNet classId) where T : SclContainer
    {
        nint p = Native();
        SclNetStatus st;
        int count;
        nint* list = NativeMethods.ChildrenOfClass(&st, p, (int)classId, &count);
        NativeMethods.Check(st);
        return CreateWrappers<T>(list, count);
    }

    /// <summary>Number of children answering the class.</summary>
    internal int CountOfClass(SclClassIdNet classId, string message) =>
        CallInt(&NativeMethods.ChildCountOfClass, (int)classId, message);

    /// <summary>The first child of the class whose identity equals key; null if none.</summary>
    internal T? FindChild<T>(SclClassIdNet classId, string key) where T : SclContainer
    {
        nint p = Native();
        SclNetStatus st;
        nint r;
        fixed (char* s = key)
            r = NativeMethods.FindChild(&st, p, (int)classId, s, key?.Length ?? 0);
        NativeMethods.Check(st);
        return CreateWrapper<T>(r);
    }

    /// <summary>The element's text; empty when there is none.</summary>
    internal string ContentText() => CallText(&NativeMethods.Content);

    /// <summary>Replaces the element's text (a refusal is reported, not thrown).</summary>
    internal void SetContentText(string value) => CallInt(&NativeMethods.SetContent, value);

    /// <summary>A reference attribute, read through the element's reference children.</summary>
    internal string RefAttrib(SclNameIdNet nameId, bool fallback, string message)
    {
        nint p = Native(message);
        SclNetStatus st;
        int length;
        char* text = NativeMethods.RefAttrib(&st, p, (ushort)nameId, fallback ? 1 : 0, &length);
        NativeMethods.Check(st);
        return NativeMethods.Text(text, length);
    }

    /// <summary>The target of class targetClassId that the reference child refClassId resolves to.</summary>
    internal T? RefTargetOf<T>(SclClassIdNet refClassId, SclClassIdNet targetClassId, string message) where T : SclContainer
    {
        nint p = Native(message);
        SclNetStatus st;
        nint r = NativeMethods.RefTargetOf(&st, p, (int)refClassId, (int)targetClassId);
        NativeMethods.Check(st);
        return CreateWrapper<T>(r);
    }

    /// <summary>Points the reference child refClassId (created when missing) at target; a target of
    /// the wrong class is refused and reported.</summary>
    internal void SetRefTargetOf(SclClassIdNet refClassId, SclContainer? target, string message)
    {
        nint p = Native(message);
        nint t = target == null ? 0 : target.Native(message);
        SclNetStatus st;
        NativeMethods.SetRefTargetOf(&st, p, (int)refClassId, t);
        NativeMethods.Check(st);
    }

    /// <summary>The type template node of the class that describes this instance; null if none.</summary>
    internal T? TypeNodeAs<T>(SclClassIdNet classId) where T : SclContainer =>
        CallObject<T>(&NativeMethods.TypeNodeAs, (int)classId);

    /// <summary>Whether a child of the class exists.</summary>
    internal bool FlagOf(SclClassIdNet classId) => CallInt(&NativeMethods.Flag, (int)classId) != 0;

    /// <summary>Adds the child of the class (at its place) or deletes it with its subtree.</summary>
    internal void SetFlagOf(SclClassIdNet classId, bool set)
    {
        nint p = Native();
        SclNetStatus st;
        NativeMethods.SetFlag(&st, p, (int)classId, set ? 1 : 0);
        NativeMethods.Check(st);
    }
}

/// <summary>Helpers of the generated reference classes.</summary>
public unsafe partial class SclRef
{
    /// <summary>A key of the reference: derived from the target while it resolves, else the stored
    /// value (NONE: the reference's text).</summary>
    internal string RefKeyText(SclNameIdNet nameId, string message)
        => CallText(&NativeMethods.RefKey, (ushort)nameId, message);

    /// <summary>The target when it answers the class, else null.</summary>
    internal T? RefTargetAs<T>(SclClassIdNet classId, string message) where T : SclContainer =>
        CallObject<T>(&NativeMethods.RefTargetAs, (int)classId, message);

    /// <summary>Sets the target (null clears it); a wrong class is refused and reported.</summary>
    internal void SetRefTarget(SclContainer? target, string message)
    {
        nint p = Native(message);
        nint t = target == null ? 0 : target.Native(message);
        SclNetStatus st;
        NativeMethods.SetRefTarget(&st, p, t);
        NativeMethods.Check(st);
    }
}
