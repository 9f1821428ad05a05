namespace Arvenko.Melvotar.SclNET;

/// <summary>An attribute value (named) or a run of element text.</summary>
public unsafe class SclValue : Scl
{
    internal SclValue(nint native) : base(native) { }

    /// <summary>True for an attribute, false for element text.</summary>
    public bool IsAttrib => CallInt(&NativeMethods.ValueIsAttrib) != 0;
}

/// <summary>A comment or CDATA section.</summary>
public class SclRemark : Scl
{
    internal SclRemark(nint native) : base(native) { }
}

/// <summary>A reference element: points at another element of the same file.</summary>
public unsafe partial class SclRef : SclContainer
{
    internal SclRef(nint native) : base(native) { }

    /// <summary>The referenced element; null when unresolved. Setting null clears it; a target of
    /// the wrong class is refused (reported) and leaves the target unchanged.</summary>
    public SclContainer? RefSclContainer
    {
        get => CallObject<SclContainer>(&NativeMethods.RefTarget);
        set => CallInt(&NativeMethods.SetRefTarget, Arg(value));
    }

    /// <summary>Every element of the file that could be the target, in document order.</summary>
    public SclContainer[] RefValList => CallObjects<SclContainer>(&NativeMethods.RefValList);
}
