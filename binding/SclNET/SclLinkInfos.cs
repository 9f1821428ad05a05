using System;

namespace Arvenko.Melvotar.SclNET;

/// <summary>The link-info catalogue: which common data classes split into attribute groups,
/// which CDC a source feeds and which source attribute feeds which target attribute. All
/// members are static; ids and names outside the catalogue give empty answers (empty text,
/// NONE, empty arrays).</summary>
public static unsafe class SclLinkInfos
{
    /// <summary>Name of an id ("SPC", "phsA.cVal.mag.f"); empty for an id without name.</summary>
    public static string GetValue(SclValueIdNet id)
    {
        SclNetStatus st;
        int length;
        char* text = NativeMethods.LinkValue(&st, (int)id, &length);
        NativeMethods.Check(st);
        return NativeMethods.Text(text, length);
    }

    /// <summary>Id of a name (exact, case-sensitive); NONE for an unknown name.</summary>
    public static SclValueIdNet GetValueId(string name)
    {
        SclNetStatus st;
        int r;
        fixed (char* s = name)
            r = NativeMethods.LinkValueId(&st, s, name?.Length ?? 0);
        NativeMethods.Check(st);
        return (SclValueIdNet)r;
    }

    /// <summary>True if the CDC splits into at least one attribute group.</summary>
    public static bool HasDAGroups(SclValueIdNet cdc)
    {
        SclNetStatus st;
        int r = NativeMethods.LinkHasGroups(&st, (int)cdc);
        NativeMethods.Check(st);
        return r != 0;
    }

    /// <summary>The attribute groups of a composite CDC in catalogue order.</summary>
    public static SclValueIdNet[] GetDAGroups(SclValueIdNet cdc) =>
        Ids(NativeMethods.List(1, (st, list, bytes) => NativeMethods.LinkGroups(st, (int)cdc, list, bytes)));

    /// <summary>The CDC a source CDC or group feeds; NONE if none (composite CDCs have none).</summary>
    public static SclValueIdNet GetTargetCDC(SclValueIdNet source)
    {
        SclNetStatus st;
        int r = NativeMethods.LinkTargetCdc(&st, (int)source);
        NativeMethods.Check(st);
        return (SclValueIdNet)r;
    }

    /// <summary>Every source feeding the target CDC, in ascending id order.</summary>
    public static SclValueIdNet[] GetSourceCDCs(SclValueIdNet target) =>
        Ids(NativeMethods.List(1, (st, list, bytes) => NativeMethods.LinkSourceCdcs(st, (int)target, list, bytes)));

    /// <summary>The attribute links of a source CDC or group in catalogue order.</summary>
    public static SclDALinkNet[] GetDALinks(SclValueIdNet source)
    {
        int[] n = NativeMethods.List(3, (st, list, bytes) => NativeMethods.LinkDaLinks(st, (int)source, list, bytes));
        var links = new SclDALinkNet[n.Length / 3];
        for (int i = 0; i < links.Length; i++)
            links[i] = new SclDALinkNet((SclValueIdNet)n[3 * i], (SclValueIdNet)n[3 * i + 1], (SclValueIdNet)n[3 * i + 2]);
        return links;
    }

    /// <summary>The FC/attribute pairs a target CDC may receive at most (SPC, DPC, INC, MV);
    /// empty for any other id.</summary>
    public static SclFCDANet[] GetMaxTargetFCDA(SclValueIdNet target)
    {
        int[] n = NativeMethods.List(2, (st, list, bytes) => NativeMethods.LinkMaxTargetFcda(st, (int)target, list, bytes));
        var pairs = new SclFCDANet[n.Length / 2];
        for (int i = 0; i < pairs.Length; i++)
            pairs[i] = new SclFCDANet((SclValueIdNet)n[2 * i], (SclValueIdNet)n[2 * i + 1]);
        return pairs;
    }

    private static SclValueIdNet[] Ids(int[] numbers) => Array.ConvertAll(numbers, n => (SclValueIdNet)n);
}
