using System;
using System.Collections.Generic;
using System.Runtime.CompilerServices;
using System.Runtime.InteropServices;

namespace Arvenko.Melvotar.SclNET;

/// <summary>Receives one report line of the library.</summary>
public delegate void TextEventHandler(string line);

/// <summary>Wrapper of one native SCL object (element, value, remark, reference). There is at
/// most one live wrapper per native object; the tree owns the native objects, and a wrapper
/// whose object was deleted is detached and refuses every member with
/// <see cref="ObjectDisposedException"/>.</summary>
public unsafe partial class Scl
{
    internal const string DisposedMessage = "Scl object disposed";

    /// <summary>The native object; 0 once it is deleted or released.</summary>
    internal nint m_pScl;
    /// <summary>The native address the wrapper was made for; kept after detaching, for
    /// <see cref="Equals(object)"/> and <see cref="GetHashCode"/>.</summary>
    private readonly nint m_Address;

    /// <summary>The registry: native address to a weak handle of the one wrapper of it (weak, so
    /// that a wrapper nobody holds may be collected while its native object lives on). Plain weak
    /// GC handles rather than WeakReference objects: a walk over a large file makes a wrapper per
    /// object, and a finalizable WeakReference per wrapper cost more than the walk itself.</summary>
    private static readonly Dictionary<nint, GCHandle> s_Instances = new();
    /// <summary>Registry size at which collected entries are swept out.</summary>
    private static int s_SweepAt = 1024;
    private static TextEventHandler? m_pTextEventHandler;

    static Scl()
    {
        SclNetStatus st;
        NativeMethods.Init(&st, (nint)(delegate* unmanaged<nint, void>)&OnDeleteNotify,
            (nint)(delegate* unmanaged<char*, int, void>)&TextOutputFunction);
        NativeMethods.Check(st);
    }

    internal Scl(nint native)
    {
        m_pScl = native;
        m_Address = native;
    }

    /// <summary>Runs the static set-up (delete hook, text callback) if it has not run yet.</summary>
    internal static void EnsureInitialized() => RuntimeHelpers.RunClassConstructor(typeof(Scl).TypeHandle);

    // ---- registry ----

    /// <summary>The one wrapper of a native object, made by its class id when there is none; null
    /// for 0. One hash lookup: a registry slot whose wrapper was collected takes the new one.</summary>
    internal static Scl? CreateWrapper(nint native)
    {
        if (native == 0)
            return null;
        if (s_Instances.Count >= s_SweepAt)
            SweepInstances();
        ref GCHandle slot = ref CollectionsMarshal.GetValueRefOrAddDefault(s_Instances, native, out bool registered);
        if (registered && slot.Target is Scl live)
            return live;
        Scl wrapper;
        try
        {
            wrapper = NewWrapper(native); // leaf calls only: the registry does not change meanwhile
        }
        catch
        {
            if (!registered)
                s_Instances.Remove(native);
            throw;
        }
        if (registered)
            slot.Target = wrapper;
        else
            slot = GCHandle.Alloc(wrapper, GCHandleType.Weak);
        return wrapper;
    }

    private static Scl NewWrapper(nint native)
    {
        SclNetStatus st;
        int classId = NativeMethods.ClassId(&st, native);
        NativeMethods.Check(st);
        return NewTypedWrapper(classId, native) ?? classId switch
        {
            (int)SclClassIdNet.FILE => new SclFile(native),
            (int)SclClassIdNet.REMARK => new SclRemark(native),
            (int)SclClassIdNet.VALUE => new SclValue(native),
            _ => IsClassOf(native, SclClassIdNet.REF) ? new SclRef(native)
                : IsClassOf(native, SclClassIdNet.CONTAINER) ? new SclContainer(native) : new Scl(native),
        };
    }

    internal static T? CreateWrapper<T>(nint native) where T : Scl => (T?)CreateWrapper(native);

    internal static T[] CreateWrappers<T>(nint* natives, int count) where T : Scl
    {
        if (count <= 0)
            return Array.Empty<T>();
        var copy = new nint[count]; // the shim's array lives only until its next call
        new ReadOnlySpan<nint>(natives, count).CopyTo(copy);
        var result = new T[count];
        for (int i = 0; i < count; i++)
            result[i] = (T)CreateWrapper(copy[i])!;
        return result;
    }

    private static bool IsClassOf(nint native, SclClassIdNet classId)
    {
        SclNetStatus st;
        int r = NativeMethods.IsClass(&st, native, (int)classId);
        NativeMethods.Check(st);
        return r != 0;
    }

    /// <summary>Drops the entries of collected wrappers, so that the registry stays in
    /// proportion to the wrappers alive.</summary>
    private static void SweepInstances()
    {
        var dead = new List<nint>();
        foreach (KeyValuePair<nint, GCHandle> entry in s_Instances)
            if (entry.Value.Target == null)
                dead.Add(entry.Key);
        foreach (nint key in dead)
            if (s_Instances.Remove(key, out GCHandle weak))
                weak.Free();
        s_SweepAt = Math.Max(1024, 2 * s_Instances.Count);
    }

    /// <summary>Number of registry entries (live or not yet swept).</summary>
    internal static int InstanceCount => s_Instances.Count;

    [UnmanagedCallersOnly]
    private static void OnDeleteNotify(nint native)
    {
        try
        {
            if (s_Instances.Remove(native, out GCHandle weak))
            {
                if (weak.Target is Scl wrapper)
                    wrapper.m_pScl = 0;
                weak.Free();
            }
        }
        catch (Exception e)
        {
            NativeMethods.HoldCallbackException(e);
        }
    }

    [UnmanagedCallersOnly]
    private static void TextOutputFunction(char* line, int length)
    {
        try
        {
            m_pTextEventHandler?.Invoke(NativeMethods.Text(line, length));
        }
        catch (Exception e)
        {
            NativeMethods.HoldCallbackException(e);
        }
    }

    /// <summary>The one handler of the library's report lines; setting it replaces any earlier
    /// one, null drops the lines.</summary>
    public static TextEventHandler? TextEventHandler
    {
        get => m_pTextEventHandler;
        set => m_pTextEventHandler = value;
    }

    // ---- call pattern ----

    /// <summary>The native object, or the disposed exception with the operation's message.</summary>
    [MethodImpl(MethodImplOptions.AggressiveInlining)]
    internal nint Native(string message = DisposedMessage)
    {
        nint p = m_pScl;
        if (p == 0)
            ThrowDisposed(message);
        return p;
    }

    [MethodImpl(MethodImplOptions.NoInlining)]
    internal static void ThrowDisposed(string message) => throw new ObjectDisposedException(null, message);

    /// <summary>The native object of a wrapper argument: 0 for null, refused when detached.</summary>
    internal static nint Arg(Scl? argument) => argument == null ? 0 : argument.Native();

    internal static nint RequiredArg(Scl? argument, string name) =>
        argument == null ? throw new ArgumentNullException(name) : argument.Native();

    internal string CallText(delegate*<SclNetStatus*, nint, int*, char*> call, string message = DisposedMessage)
    {
        nint p = Native(message);
        SclNetStatus st;
        int length;
        char* text = call(&st, p, &length);
        NativeMethods.Check(st);
        return NativeMethods.Text(text, length);
    }

    internal string CallText<TArg>(delegate*<SclNetStatus*, nint, TArg, int*, char*> call, TArg argument,
        string message = DisposedMessage) where TArg : unmanaged
    {
        nint p = Native(message);
        SclNetStatus st;
        int length;
        char* text = call(&st, p, argument, &length);
        NativeMethods.Check(st);
        return NativeMethods.Text(text, length);
    }

    internal int CallInt(delegate*<SclNetStatus*, nint, int> call, string message = DisposedMessage)
    {
        nint p = Native(message);
        SclNetStatus st;
        int r = call(&st, p);
        NativeMethods.Check(st);
        return r;
    }

    internal int CallInt<TArg>(delegate*<SclNetStatus*, nint, TArg, int> call, TArg argument,
        string message = DisposedMessage) where TArg : unmanaged
    {
        nint p = Native(message);
        SclNetStatus st;
        int r = call(&st, p, argument);
        NativeMethods.Check(st);
        return r;
    }

    internal int CallInt(delegate*<SclNetStatus*, nint, char*, int, int> call, string? argument, string message = DisposedMessage)
    {
        nint p = Native(message);
        SclNetStatus st;
        int r;
        fixed (char* s = argument)
            r = call(&st, p, s, argument?.Length ?? 0);
        NativeMethods.Check(st);
        return r;
    }

    internal T? CallObject<T>(delegate*<SclNetStatus*, nint, nint> call, string message = DisposedMessage) where T : Scl
    {
        nint p = Native(message);
        SclNetStatus st;
        nint r = call(&st, p);
        NativeMethods.Check(st);
        return CreateWrapper<T>(r);
    }

    internal T? CallObject<T>(delegate*<SclNetStatus*, nint, int, nint> call, int argument, string message = DisposedMessage) where T : Scl
    {
        nint p = Native(message);
        SclNetStatus st;
        nint r = call(&st, p, argument);
        NativeMethods.Check(st);
        return CreateWrapper<T>(r);
    }

    internal T? CallObject<T>(delegate*<SclNetStatus*, nint, int, int, nint> call, int first, int second) where T : Scl
    {
        nint p = Native();
        SclNetStatus st;
        nint r = call(&st, p, first, second);
        NativeMethods.Check(st);
        return CreateWrapper<T>(r);
    }

    internal T[] CallObjects<T>(delegate*<SclNetStatus*, nint, int*, nint*> call, string message = DisposedMessage) where T : Scl
    {
        nint p = Native(message);
        SclNetStatus st;
        int count;
        nint* list = call(&st, p, &count);
        NativeMethods.Check(st);
        return CreateWrappers<T>(list, count);
    }

    // ---- members of every object ----

    /// <summary>The most derived class id.</summary>
    public SclClassIdNet ClassId => (SclClassIdNet)CallInt(&NativeMethods.ClassId);
    /// <summary>Whether the object answers the class (the class hierarchy of the name table).</summary>
    public bool IsClass(SclClassIdNet classId) => CallInt(&NativeMethods.IsClass, (int)classId) != 0;
    /// <summary>The element or attribute name; empty for text and unnamed objects.</summary>
    public string SclName => CallText(&NativeMethods.SclName);
    /// <summary>The name id; NONE for element text.</summary>
    public SclNameIdNet NameId
    {
        get
        {
            nint p = Native();
            SclNetStatus st;
            ushort r = NativeMethods.NameId(&st, p);
            NativeMethods.Check(st);
            return (SclNameIdNet)r;
        }
    }
    /// <summary>The name, with "[" + Id + "]" for an element that has an identifying value.</summary>
    public string IdName
    {
        get
        {
            nint p = Native();
            SclNetStatus st;
            int length;
            char* text = NativeMethods.IdName(&st, p, &length);
            NativeMethods.Check(st);
            return NativeMethods.Text(text, length);
        }
    }
    /// <summary>The IdNames from level 2 down to this object, joined by ".".</summary>
    public string IdNamePath => CallText(&NativeMethods.IdNamePath);
    /// <summary>The containing element; null for a root.</summary>
    public SclContainer? Parent => CallObject<SclContainer>(&NativeMethods.Parent);
    /// <summary>The nearest ancestor of the class; null if none.</summary>
    public SclContainer? GetParent(SclClassIdNet classId) => CallObject<SclContainer>(&NativeMethods.ParentOfClass, (int)classId);
    /// <summary>The file root above (or this object if it is one); null outside a file.</summary>
    public SclFile? File => CallObject<SclFile>(&NativeMethods.File);
    /// <summary>Position in the parent's child list; -1 without parent.</summary>
    public int Index => CallInt(&NativeMethods.Index);
    /// <summary>0 for a root, else the parent's level + 1.</summary>
    public int Level => CallInt(&NativeMethods.Level);
    /// <summary>Number of earlier siblings with the same class id; -1 without parent.</summary>
    public int InstanceIndex => CallInt(&NativeMethods.InstanceIndex);

    /// <summary>The value text (attribute value, text, comment, element text, reference path).
    /// Setting it ignores a refusal; see the native SetValue.</summary>
    public string Value
    {
        get => CallText(&NativeMethods.Value);
        set => CallInt(&NativeMethods.SetValue, value);
    }

    /// <summary>The pre-order successor within the levels minLevel..maxLevel; null at the end.</summary>
    public Scl? Next(int minLevel, int maxLevel)
    {
        nint p = Native();
        SclNetStatus st;
        nint r = NativeMethods.Next(&st, p, minLevel, maxLevel);
        NativeMethods.Check(st);
        return CreateWrapper(r);
    }

    /// <summary>The identity among the siblings.</summary>
    public SclIdStructNet IdStruct
    {
        get
        {
            nint p = Native();
            SclNetStatus st;
            int classId, count, length;
            ushort nameId;
            char* id = NativeMethods.IdStruct(&st, p, &classId, &nameId, &count, &length);
            NativeMethods.Check(st);
            return new SclIdStructNet((SclClassIdNet)classId, (SclNameIdNet)nameId, NativeMethods.Text(id, length), count);
        }
    }

    /// <summary>The identities from level 1 down to this object (Level entries).</summary>
    public SclIdStructNet[] IdStructArray
    {
        get
        {
            var result = new SclIdStructNet[Level];
            Scl? item = this;
            for (int i = result.Length - 1; i >= 0 && item != null; i--, item = item.Parent)
                result[i] = item.IdStruct;
            return result;
        }
    }

    /// <summary>Copies the content of source into this object.</summary>
    public SclErrorNet Copy(Scl source) => (SclErrorNet)CallInt(&NativeMethods.Copy, RequiredArg(source, nameof(source)));
    /// <summary>True if container is a proper ancestor.</summary>
    public bool IsElementOf(SclContainer container) => CallInt(&NativeMethods.IsElementOf, Arg(container)) != 0;
    /// <summary>Content comparison (class, name, value, children).</summary>
    public bool ContentCompare(Scl other) => CallInt(&NativeMethods.ContentCompare, RequiredArg(other, nameof(other))) != 0;
    /// <summary>The CRC-32 register after feeding this object into start.</summary>
    public int GetCRC32(int start) => CallInt(&NativeMethods.Crc32, start);

    /// <summary>Schema check of the names: <see cref="SclCheckNet.Name"/> against the built-in
    /// tables, <see cref="SclCheckNet.Edition"/> by the edition of the document,
    /// <see cref="SclCheckNet.Recursive"/> for all children; Other (14, the native "bad name",
    /// without report) for the first failing name.</summary>
    public SclErrorNet Check(SclCheckNet flags) => (SclErrorNet)CallInt(&NativeMethods.CheckSchema, (int)flags);

    // ---- identity ----

    /// <summary>True when the object has been deleted (or its owning wrapper disposed).</summary>
    public bool IsDeleted => m_pScl == 0;

    /// <summary>True for a wrapper of this class (or a derived one) around the same native address.</summary>
    public override bool Equals(object? obj) =>
        obj is Scl other && GetType().IsInstanceOfType(other) && other.m_Address == m_Address;

    /// <summary>The native address as a 32-bit integer.</summary>
    public override int GetHashCode() => unchecked((int)(long)m_Address);

    /// <summary>The IdNamePath.</summary>
    public override string ToString() => IdNamePath;
}
