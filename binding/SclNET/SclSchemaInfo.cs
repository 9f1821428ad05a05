using System;

namespace Arvenko.Melvotar.SclNET;

/// <summary>The library's built-in knowledge of the SCL element set: one process-wide object,
/// which neither this wrapper nor its finaliser releases.</summary>
public sealed unsafe class SclSchemaInfo
{
    internal const string DisposedMessage = "SclSchemaInfo object disposed";

    private static SclSchemaInfo? s_Instance;
    private readonly nint m_pSchemaInfo;

    private SclSchemaInfo(nint native) => m_pSchemaInfo = native;

    /// <summary>The one object (the native index is built on the first use).</summary>
    public static SclSchemaInfo Instance
    {
        get
        {
            if (s_Instance == null)
            {
                Scl.EnsureInitialized();
                SclNetStatus st;
                nint p = NativeMethods.SchemaInstance(&st);
                NativeMethods.Check(st);
                if (p == 0)
                    throw new OutOfMemoryException("the schema index could not be allocated");
                s_Instance = new SclSchemaInfo(p);
            }
            return s_Instance;
        }
    }

    private nint Native()
    {
        nint p = m_pSchemaInfo;
        if (p == 0)
            Scl.ThrowDisposed(DisposedMessage);
        return p;
    }

    /// <summary>Every kind of child of the class: plain attributes (and for a reference class
    /// its key attributes), reference children, child elements in table order, text content;
    /// empty for an unknown class. Attributes and text carry the class id VALUE.</summary>
    public SclChildInfoNet[] GetChildInfos(SclClassIdNet classId)
    {
        nint p = Native();
        int[] n = NativeMethods.List(4, (st, list, bytes) => NativeMethods.SchemaChildInfos(st, p, (int)classId, list, bytes));
        var infos = new SclChildInfoNet[n.Length / 4];
        for (int i = 0; i < infos.Length; i++)
            infos[i] = new SclChildInfoNet((SclClassIdNet)n[4 * i], (SclNameIdNet)n[4 * i + 1], false, n[4 * i + 2], n[4 * i + 3]);
        return infos;
    }

    /// <summary>Whether the child is a maker extension of the schema: false for every argument
    /// (the library's schema tables hold none).</summary>
    public bool IsArvenkoExtension(SclClassIdNet classId, SclNameIdNet nameId)
    {
        Native();
        return false;
    }
}
