namespace Arvenko.Melvotar.SclNET;

/// <summary>Identity of an object among its siblings (a copy of the native tIdStruct).</summary>
public struct SclIdStructNet
{
    public SclClassIdNet ClassId;
    public SclNameIdNet NameId;
    public string Id;
    public int Count;

    public SclIdStructNet(SclClassIdNet classId, SclNameIdNet nameId, string id, int count)
    {
        ClassId = classId;
        NameId = nameId;
        Id = id;
        Count = count;
    }

    /// <summary>Class id name, name id name, Id and Count, separated by ",".</summary>
    public override readonly string ToString() => $"{ClassId},{NameId},{Id},{Count}";
}

/// <summary>One allowed child kind of a class.</summary>
public struct SclChildInfoNet
{
    public SclClassIdNet ClassId;
    public SclNameIdNet NameId;
    /// <summary>The maker-extension flag; false in every record.</summary>
    public bool Arvenko;
    public int Min;
    public int Max;

    public SclChildInfoNet(SclClassIdNet classId, SclNameIdNet nameId, bool arvenko, int min, int max)
    {
        ClassId = classId;
        NameId = nameId;
        Arvenko = arvenko;
        Min = min;
        Max = max;
    }
}

/// <summary>One attribute link of a source CDC or attribute group.</summary>
public struct SclDALinkNet
{
    public SclValueIdNet SourceDA;
    public SclValueIdNet TargetFC;
    public SclValueIdNet TargetDA;

    public SclDALinkNet(SclValueIdNet sourceDA, SclValueIdNet targetFC, SclValueIdNet targetDA)
    {
        SourceDA = sourceDA;
        TargetFC = targetFC;
        TargetDA = targetDA;
    }
}

/// <summary>A functional constraint and attribute pair.</summary>
public struct SclFCDANet
{
    public SclValueIdNet FC;
    public SclValueIdNet DA;

    public SclFCDANet(SclValueIdNet fc, SclValueIdNet da)
    {
        FC = fc;
        DA = da;
    }
}

/// <summary>A text reference: text list id and text number.</summary>
public struct SclTextRefNet
{
    public short Sid;
    public ushort Nr;

    public SclTextRefNet(short sid, ushort nr)
    {
        Sid = sid;
        Nr = nr;
    }

    /// <summary>Sid and Nr in decimal, separated by ",".</summary>
    public override readonly string ToString() => $"{Sid},{Nr}";
}
