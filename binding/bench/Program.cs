// Two walks of an SCL file through the managed binding, each beside the same walk in C++
// (bench/walk_bench) measured in the same run, by median time:
//  - every object with Next(0, 255), reading IdName;
//  - the typed walk: IEDs, their access points' servers, LDevices, LNBases (LN0 and LNs) and
//    each LN's type through RefLNodeType, reading the LN's IdName and the type's id.
// Usage: SclNET.Bench FILE WALK_BENCH_EXE [RUNS]
using System;
using System.Diagnostics;
using System.Globalization;
using System.Linq;
using Arvenko.Melvotar.SclNET;

if (args.Length < 2)
{
    Console.Error.WriteLine("usage: SclNET.Bench FILE WALK_BENCH_EXE [RUNS]");
    return 2;
}
int runs = args.Length > 2 ? Math.Max(1, int.Parse(args[2], CultureInfo.InvariantCulture)) : 5;

using var file = new SclFile();
var load = Stopwatch.StartNew();
file.Read(args[0]);
Console.WriteLine($"load {load.Elapsed.TotalMilliseconds:F0} ms");
var scl = (SclSCL)file.Child(SclClassIdNet.SCL)!;

bool same = Compare("walk (every object)", "", () =>
{
    long objects = 0, chars = 0;
    for (Scl? s = file.Next(0, 255); s != null; s = s.Next(0, 255))
    {
        chars += s.IdName.Length;
        objects++;
    }
    return (objects, chars);
});
same &= Compare("typed walk (LNs)", "typed", () =>
{
    long lns = 0, chars = 0;
    foreach (SclIED ied in scl.IEDs)
        foreach (SclAccessPoint ap in ied.AccessPoints)
        {
            SclServer? server = ap.Server;
            if (server == null)
                continue;
            foreach (SclLDevice ld in server.LDevices)
                foreach (SclLNBase ln in ld.LNBases)
                {
                    SclLNodeType? type = ln.RefLNodeType;
                    chars += ln.IdName.Length + (type?.id.Length ?? 0);
                    lns++;
                }
        }
    return (lns, chars);
});
return same ? 0 : 1;

// Runs the walk runs + 1 times (the first warms up the JIT and makes the wrappers; not counted),
// runs walk_bench in the mode, prints both medians and the ratio; true when the counts agree.
bool Compare(string title, string mode, Func<(long Count, long Chars)> walk)
{
    var native = Process.Start(new ProcessStartInfo(args[1], $"\"{args[0]}\" {runs} {mode}") { RedirectStandardOutput = true })!;
    string[] nativeOut = native.StandardOutput.ReadToEnd().Split(' ', StringSplitOptions.RemoveEmptyEntries);
    native.WaitForExit();
    long nativeCount = long.Parse(nativeOut[0], CultureInfo.InvariantCulture);
    double nativeMs = double.Parse(nativeOut[4], CultureInfo.InvariantCulture);
    var times = new double[runs + 1];
    (long Count, long Chars) result = default;
    for (int run = 0; run <= runs; run++)
    {
        var watch = Stopwatch.StartNew();
        result = walk();
        times[run] = watch.Elapsed.TotalMilliseconds;
    }
    double managedMs = times.Skip(1).OrderBy(t => t).ElementAt(runs / 2);
    Console.WriteLine($"{title}: {result.Count} (native {nativeCount}), {result.Chars} chars (native {nativeOut[2]})");
    Console.WriteLine($"  native  {nativeMs:F1} ms");
    Console.WriteLine($"  managed {managedMs:F1} ms (first walk, wrappers created: {times[0]:F1} ms)");
    Console.WriteLine($"  ratio managed/native {managedMs / nativeMs:F2}");
    return result.Count == nativeCount && result.Chars.ToString(CultureInfo.InvariantCulture) == nativeOut[2];
}
