// Walks every object of an SCL file through the managed binding with Next(0, 255), reading
// IdName, and compares the median walk time with the native walk of the same file measured in
// the same run (bench/walk_bench). Usage: SclNET.Bench FILE WALK_BENCH_EXE [RUNS]
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

// The native reference: "<objects> objects <chars> chars <ms> ms".
var native = Process.Start(new ProcessStartInfo(args[1], $"\"{args[0]}\" {runs}") { RedirectStandardOutput = true })!;
string[] nativeOut = native.StandardOutput.ReadToEnd().Split(' ', StringSplitOptions.RemoveEmptyEntries);
native.WaitForExit();
long nativeObjects = long.Parse(nativeOut[0], CultureInfo.InvariantCulture);
double nativeMs = double.Parse(nativeOut[4], CultureInfo.InvariantCulture);

using var file = new SclFile();
var load = Stopwatch.StartNew();
file.Read(args[0]);
double loadMs = load.Elapsed.TotalMilliseconds;
var times = new double[runs + 1];
long objects = 0, chars = 0;
for (int run = 0; run <= runs; run++) // run 0 warms up the JIT and is not counted
{
    var watch = Stopwatch.StartNew();
    objects = 0;
    chars = 0;
    for (Scl? s = file.Next(0, 255); s != null; s = s.Next(0, 255))
    {
        chars += s.IdName.Length;
        objects++;
    }
    times[run] = watch.Elapsed.TotalMilliseconds;
}
double managedMs = times.Skip(1).OrderBy(t => t).ElementAt(runs / 2);
Console.WriteLine($"objects: {objects} (native {nativeObjects}), load {loadMs:F0} ms");
Console.WriteLine($"walk native  {nativeMs:F1} ms");
Console.WriteLine($"walk managed {managedMs:F1} ms (first walk, wrappers created: {times[0]:F1} ms)");
Console.WriteLine($"ratio managed/native {managedMs / nativeMs:F2}");
return objects == nativeObjects ? 0 : 1;
