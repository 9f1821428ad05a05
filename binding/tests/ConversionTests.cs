using System;
using System.IO;
using System.Linq;
using Arvenko.Melvotar.XmlParserNET;
using Xunit;

namespace Arvenko.Melvotar.SclNET.Tests;

[Collection("process-wide")]
public class ConversionTests
{
    [Fact]
    public void NativeFailuresArriveAsTheirManagedExceptions()
    {
        using var reports = new Reports();
        using SclFile file = Support.LoadSample();
        SclContainer ied = Support.Scl(file).ChildById(SclClassIdNet.IED, "P1")!;

        // scl_error: the container writer refuses an element that does not fit the buffer.
        var scl = Assert.Throws<SclException>(() => ied.WriteToString(64, FileFormatNet.Utf8, false));
        Assert.Equal(SclErrorNet.IO, scl.Error);
        Assert.Equal("IO-Fehler beim Schreiben ! (ErrorCode: I/O-Fehler)", scl.Message);
        Assert.Contains("Fehler: IO-Fehler beim Schreiben !", reports.Lines);
        Assert.StartsWith("<IED name=\"P1\"", ied.WriteToString(1 << 16, FileFormatNet.Utf8, false));

        // xml_parser_error: the runtime's general exception with the native text.
        string missing = Path.Combine(Path.GetTempPath(), "sclnet-missing-Ω.scd");
        var xml = Assert.Throws<Exception>(() => new SclFile().Read(missing));
        Assert.Equal("CXmlParser::CXmlParser - Fehler beim Öffnen der Datei", xml.Message);
        Assert.Throws<Exception>(() => new XmlParser(missing, FileFormatNet.Utf8, false));

        // The other kinds cannot be provoked through the library; the mapping of the status block.
        Assert.IsType<OutOfMemoryException>(Map(3, 0, "std::bad_alloc"));
        Assert.Equal("std::bad_alloc", Map(3, 0, "std::bad_alloc").Message);
        Exception other = Map(4, 0, "vector::_M_range_check");
        Assert.Equal(typeof(Exception), other.GetType());
        Assert.Equal("vector::_M_range_check", other.Message);
        Assert.IsType<System.Runtime.InteropServices.SEHException>(Map(5, 0, "unknown native exception"));
        var fromStatus = Assert.IsType<SclException>(Map(1, 14, "CSclX::Y - Name"));
        Assert.Equal(SclErrorNet.Other, fromStatus.Error);
        Assert.Equal("CSclX::Y - Name (ErrorCode: Name fehlerhaft)", fromStatus.Message);
        Assert.Equal("x (ErrorCode: anderer Fehler)", new SclException((SclErrorNet)15, "x").Message);
        Assert.Equal("x (ErrorCode: ID-Referenz fehlerhaft)", new SclException(SclErrorNet.IdRef, "x").Message);
        Assert.Equal(SclErrorNet.Other, new SclException("y").Error);
    }

    private static unsafe Exception Map(int kind, int code, string message)
    {
        fixed (char* m = message)
        {
            var status = new SclNetStatus { Kind = kind, Code = code, Message = m, MessageLength = message.Length };
            return Assert.ThrowsAny<Exception>(() => NativeMethods.Check(status));
        }
    }

    [Fact]
    public void AHandlerExceptionIsRethrownAfterTheNativeCall()
    {
        using SclFile file = Support.LoadSample();
        SclContainer ied = Support.Scl(file).ChildById(SclClassIdNet.IED, "P1")!;
        Scl.TextEventHandler = line => throw new InvalidOperationException("handler: " + line);
        try
        {
            var e = Assert.Throws<InvalidOperationException>(() => ied.DeleteChild(10000));
            Assert.StartsWith("handler: Fehler: CSclContainer::DeleteChild - Index zu gro", e.Message);
            Scl.TextEventHandler = null;
            Assert.Equal(SclErrorNet.Value, ied.DeleteChild(10000)); // nothing held over from before
        }
        finally
        {
            Scl.TextEventHandler = null;
        }
    }

    [Fact]
    public void ReportLinesAndStringsCrossInUtf16()
    {
        using var reports = new Reports();
        using var file = new SclFile();
        SclContainer scl = file.CreateSclContainer(SclClassIdNet.SCL, SclContainer.InsertLast)!;
        SclContainer ied = scl.CreateSclContainer(SclClassIdNet.IED, SclContainer.InsertLast)!;
        const string text = "Ω € 😀 äöüß";
        Assert.Equal(SclErrorNet.Ok, ied.SetValue(SclNameIdNet.name, text));
        Assert.Equal(text, ied.GetValue(SclNameIdNet.name));
        Assert.Equal("IED[" + text + "]", ied.IdName);

        Assert.Equal(SclErrorNet.Value, ied.DeleteChild(99));
        Assert.Equal(new[]
        {
            "Fehler: CSclContainer::DeleteChild - Index zu groß", "   Fehlercode: Wert unzulässig",
            "   Ort in SCL-Datei: IED[" + text + "]",
        }, reports.Lines.Take(3));
    }
}
