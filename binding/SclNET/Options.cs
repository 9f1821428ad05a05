using System;

namespace Arvenko.Melvotar.SclNET;

/// <summary>Flags of <see cref="Scl.Check"/> (the native Check flags, unchanged).</summary>
[Flags]
public enum SclCheckNet : int
{
    None = 0,
    /// <summary>Descends to all children; the first error wins.</summary>
    Recursive = 1,
    /// <summary>Tests the own name against the parent's class in the built-in schema tables.</summary>
    Name = 2,
    /// <summary>In place of <see cref="Name"/>: names of elements, attributes and reference keys
    /// judged by the schema of the document's edition (SCL_CHECK_EDITION).</summary>
    Edition = 4,
}

/// <summary>What a file does beyond the library's own conventions when it reads and writes
/// (the native tSclInterchange as flags); <see cref="None"/> reads and writes as the library
/// always has. <see cref="SclFile.InterchangeAll"/> gives the set tools switch on.</summary>
[Flags]
public enum SclInterchangeNet : int
{
    None = 0,
    /// <summary>Files read and written as XML processors read and write them (encoding by the
    /// declaration, every character reference decoded, characters outside Windows-1252 written
    /// as themselves or as references, line ends of the file read kept).</summary>
    XmlText = 1,
    /// <summary>Elements read and written in the order the schema of the file's edition
    /// prescribes; attributes keep the order read.</summary>
    EditionOrder = 2,
}
