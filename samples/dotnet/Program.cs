// Opens an SCL file, lists its IEDs with their logical nodes and type ids, renames an IED and
// shows the references that follow it, then saves. Usage: StationDemo IN.scd OUT.scd [IED NEWNAME]
using System;
using System.Linq;
using Arvenko.Melvotar.SclNET;

if (args.Length < 2)
{
    Console.Error.WriteLine("usage: StationDemo IN.scd OUT.scd [IED NEWNAME]");
    return 2;
}
Scl.TextEventHandler = line => Console.WriteLine("  report: " + line);

using var file = new SclFile();
file.Read(args[0]); // throws when the file cannot be read
var scl = (SclSCL)file.Child(SclClassIdNet.SCL)!;

foreach (SclIED ied in scl.IEDs)
    foreach (SclLDevice ld in ied.AccessPoints.Select(ap => ap.Server).OfType<SclServer>().SelectMany(s => s.LDevices))
        foreach (SclLNBase ln in ld.LNBases)
            Console.WriteLine($"{ied.name} {ld.inst}/{ln.IdName} -> {ln.RefLNodeType?.id ?? "(unresolved " + ln.lnType + ")"}");

SclIED renamed = args.Length > 3 ? scl.IED(args[2]) ?? throw new ArgumentException("no IED " + args[2]) : scl.IEDs[0];
string newName = args.Length > 3 ? args[3] : renamed.name + "_NEW";
// the references from elsewhere in the file that name the IED: they resolve to the IED or to an
// element inside it, and their iedName key reads from the target
SclRef[] refs = Enumerable.Repeat<Scl?>(renamed, 1).Concat(Descendants(renamed))
    .OfType<SclContainer>().SelectMany(c => c.RefList)
    .Where(r => !r.IsElementOf(renamed) && IedName(r) != null).ToArray();
Console.WriteLine($"\nrename {renamed.name} -> {newName}: {refs.Length} references name it");
string[] before = refs.Select(IedName).ToArray()!;
renamed.name = newName;
for (int i = 0; i < refs.Length; i++)
    Console.WriteLine($"  {refs[i].Parent!.IdNamePath} ({refs[i].SclName}): iedName {before[i]} -> {IedName(refs[i])}");

renamed.desc = "renamed by the .NET sample";
file.Write(args[1], false);
using var saved = new SclFile();
saved.Read(args[1]);
var savedScl = (SclSCL)saved.Child(SclClassIdNet.SCL)!;
Console.WriteLine($"\nsaved {args[1]}: IEDs {string.Join(", ", savedScl.IEDs.Select(i => i.name))}; " +
                  $"{newName}: \"{savedScl.IED(newName)?.desc}\"");
return 0;

// The iedName key of a reference that has one, else null.
static string? IedName(SclRef r) => r switch
{
    SclLNRef ln => ln.iedName,
    SclAPRef ap => ap.iedName,
    SclIEDRef ied => ied.Content,
    _ => null,
};

static System.Collections.Generic.IEnumerable<Scl> Descendants(SclContainer root)
{
    for (Scl? s = root.Next(0, 255); s != null && s.IsElementOf(root); s = s.Next(0, 255))
        yield return s;
}
