using System;
using System.IO;
using System.Linq;
using System.Text;
using Arvenko.Melvotar.XmlParserNET;
using Xunit;

namespace Arvenko.Melvotar.SclNET.Tests;

/// <summary>Elements written as text and read back, compare and checksum members, type nodes, options.</summary>
[Collection("process-wide")]
public class ElementTextTests
{
    /// <summary>A new file with an SCL element, the target of read-back subtrees.</summary>
    private static (SclFile File, SclContainer Scl) NewDocument()
    {
        var file = new SclFile();
        return (file, file.CreateSclContainer(SclClassIdNet.SCL, SclContainer.InsertLast)!);
    }

    [Fact]
    public void ASubtreeWrittenAsTextReadsBackEqual()
    {
        using SclFile file = Support.LoadSample();
        SclContainer ied = Support.Scl(file).ChildById(SclClassIdNet.IED, "P1")!;
        string text = ied.WriteToString(1 << 20, FileFormatNet.Utf8, false);
        Assert.StartsWith("<IED name=\"P1\"", text);
        Assert.EndsWith("</IED>", text);

        foreach (FileFormatNet format in new[] { FileFormatNet.Utf8, FileFormatNet.Ansi, FileFormatNet.Utf16 })
        {
            // Through a string and through a byte buffer, in each format.
            var (copyFile, scl) = NewDocument();
            using (copyFile)
            {
                string written = ied.WriteToString(1 << 20, format, false);
                Assert.Equal(SclErrorNet.Ok, scl.ReadFromString(written, format));
                var buffer = new byte[1 << 20];
                Assert.Equal(SclErrorNet.Ok, ied.WriteToCharacterBuffer(buffer, 1 << 19, format));
                Assert.All(buffer.Skip(1 << 19), b => Assert.Equal(0, b));
                int size = format == FileFormatNet.Utf16 ? Utf16Length(buffer) : Array.IndexOf(buffer, (byte)0);
                Assert.Equal(SclErrorNet.Ok, scl.ReadFromCharacterBuffer(buffer, size, format));
                scl.Complete();
                SclContainer[] copies = scl.Children.OfType<SclIED>().ToArray();
                Assert.Equal(2, copies.Length);
                foreach (SclContainer copy in copies)
                {
                    Assert.True(copy.ContentCompare(ied), format + ": " + copy.WriteToString(1 << 20, format, false));
                    Assert.True(ied.ContentCompare(copy));
                    Assert.Equal(ied.GetCRC32(0), copy.GetCRC32(0));
                    Assert.Equal("Überstromschutz Abgang Süd", copy.GetValue(SclNameIdNet.desc));
                }

                // Compare and checksum without the own identity.
                copies[0].SetValue(SclNameIdNet.name, "P9");
                Assert.False(copies[0].ContentCompare(ied));
                Assert.True(copies[0].ContentCompareWithoutTopLevelId(ied));
                Assert.NotEqual(ied.GetCRC32(0), copies[0].GetCRC32(0));
                Assert.Equal(ied.GetCRC32WithoutTopLevelId(7), copies[0].GetCRC32WithoutTopLevelId(7));
                copies[0].SetValue(SclNameIdNet.desc, "anders");
                Assert.False(copies[0].ContentCompareWithoutTopLevelId(ied));
            }
        }

        // Through parser objects over a file.
        using (var temp = new TempPath("ied.xml"))
        {
            using (var writer = new XmlParser(temp.Path, FileFormatNet.Utf16, true))
                ied.Write(writer, false);
            var (copyFile, scl) = NewDocument();
            using (copyFile)
            {
                var reader = new XmlParser(temp.Path, FileFormatNet.Utf16, false);
                scl.Read(reader);
                reader.Dispose();
                Assert.Equal("XmlParser object disposed", Assert.Throws<ObjectDisposedException>(() => scl.Read(reader)).Message);
                scl.Complete();
                Assert.True(ied.ContentCompare(scl.Child(SclClassIdNet.IED)!));
            }
        }

        // Text content up to an end tag of the element's own name; nothing written: nothing read.
        var (small, root) = NewDocument();
        using (small)
        {
            Assert.Equal(SclErrorNet.Ok, root.ReadFromString("<Private type=\"a\">x</Private></SCL><Private type=\"b\"/>", FileFormatNet.Utf8));
            Assert.Equal(new[] { "Private[a]" }, root.Children.OfType<SclContainer>().Select(c => c.IdName));
            Assert.Equal(SclErrorNet.Ok, root.ReadFromCharacterBuffer(new byte[8], 0, FileFormatNet.Utf8));
            Assert.Single(root.Children.OfType<SclContainer>());
        }
    }

    /// <summary>Bytes of UTF-16 text up to its first zero unit.</summary>
    private static int Utf16Length(byte[] buffer)
    {
        int i = 0;
        while (i + 1 < buffer.Length && (buffer[i] | buffer[i + 1]) != 0)
            i += 2;
        return i;
    }

    [Fact]
    public void TypeNodesAndInterchange()
    {
        using SclFile file = Support.LoadSample();
        SclContainer scl = Support.Scl(file);
        SclContainer ln0 = ((SclSCL)scl).IED("P1")!.AccessPoint("S1")!.Server!.LDevice("PROT")!.LN0!;
        SclContainer type = ln0.GetTypeNodeOfInstance()!;
        Assert.Equal(SclClassIdNet.LNodeType, type.ClassId);
        Assert.Equal("LLN0_T", type.GetValue(SclNameIdNet.id));
        Assert.Contains(type.RefList, r => ReferenceEquals(r.Parent, ln0));
        Assert.Null(scl.GetTypeNodeOfInstance());

        // The defaults of a new file.
        using (var empty = new SclFile())
        {
            Assert.Equal(SclEditionNet.Edition2007B4, empty.Edition);
            Assert.Equal(SclInterchangeNet.None, empty.Interchange);
            Assert.False(empty.ReadTruncated);
        }
        // The edition follows the attributes of the SCL element (the sample has none: 2003).
        Assert.Equal(SclEditionNet.Edition2003, file.Edition);
        scl.SetValue(SclNameIdNet.version, "2007");
        scl.SetValue(SclNameIdNet.revision, "B");
        scl.CreateSclValue("release", SclContainer.InsertLast)!.Value = "4";
        Assert.Equal(SclEditionNet.Edition2007B4, file.Edition);
        SclContainer ied = scl.ChildById(SclClassIdNet.IED, "C1")!;

        // By default a character outside Windows-1252 is saved as its reference text and a tab as
        // it is; the interchange options save the character itself and the tab as a reference.
        ied.SetValue(SclNameIdNet.desc, "Ω\tFeld");
        using var temp = new TempPath("interchange.scd");
        file.Write(temp.Path, false);
        Assert.Contains("desc=\"&amp;#x3a9;\tFeld\"", File.ReadAllText(temp.Path, Encoding.UTF8));
        file.Interchange = SclFile.InterchangeAll;
        Assert.True(file.Interchange.HasFlag(SclInterchangeNet.XmlText));
        file.Write(temp.Path, false);
        string saved = File.ReadAllText(temp.Path, Encoding.UTF8);
        Assert.DoesNotContain("\t", saved);
        Assert.Contains("desc=\"Ω&#", saved);
        file.Interchange = SclInterchangeNet.XmlText | SclInterchangeNet.EditionOrder;
        Assert.Equal(SclInterchangeNet.XmlText | SclInterchangeNet.EditionOrder, file.Interchange);
        using var back = new SclFile();
        back.Read(temp.Path);
        Assert.Equal("Ω\tFeld", Support.Scl(back).ChildById(SclClassIdNet.IED, "C1")!.GetValue(SclNameIdNet.desc));
        Assert.Equal(SclEditionNet.Edition2007B4, back.Edition);
    }
}
