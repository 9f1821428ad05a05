using System;
using System.IO;
using System.Reflection;
using System.Runtime.CompilerServices;
using System.Runtime.ExceptionServices;
using System.Runtime.InteropServices;

[assembly: DisableRuntimeMarshalling]

namespace Arvenko.Melvotar.SclNET;

/// <summary>What a shim call caught (see binding/native/SclNetExports.h).</summary>
[StructLayout(LayoutKind.Sequential)]
internal unsafe struct SclNetStatus
{
    public int Kind;
    public int Code;
    public char* Message;
    public int MessageLength;
}

internal static unsafe partial class NativeMethods
{
    internal const string Library = "sclnet";
    private const string FileName = "libsclnet.so";

    /// <summary>Environment variable naming the shim (a file, or the folder holding it); it
    /// overrides the copies beside the assembly and in a package's runtimes folder.</summary>
    internal const string PathVariable = "SCLNET_NATIVE_PATH";

    // The resolver must be in place before the first import is bound, whichever type of the
    // library a caller touches first.
#pragma warning disable CA2255
    [ModuleInitializer]
#pragma warning restore CA2255
    internal static void InstallResolver() => NativeLibrary.SetDllImportResolver(typeof(NativeMethods).Assembly, Resolve);

    /// <summary>Finds the shim independent of the current directory: the environment variable,
    /// then beside this assembly, then the runtimes folders of a build output or a package.</summary>
    private static nint Resolve(string name, Assembly assembly, DllImportSearchPath? searchPath)
    {
        if (name != Library)
            return 0;
        string? overridePath = Environment.GetEnvironmentVariable(PathVariable);
        if (!string.IsNullOrEmpty(overridePath))
            return NativeLibrary.Load(Directory.Exists(overridePath) ? Path.Combine(overridePath, FileName) : overridePath);
        string dir = Path.GetDirectoryName(assembly.Location) ?? AppContext.BaseDirectory;
        string[] candidates =
        {
            Path.Combine(dir, FileName),
            Path.Combine(dir, "runtimes", "linux-x64", "native", FileName),
            Path.Combine(dir, "..", "..", "runtimes", "linux-x64", "native", FileName),
        };
        foreach (string candidate in candidates)
            if (System.IO.File.Exists(candidate))
                return NativeLibrary.Load(candidate);
        return 0; // the runtime's own probing (deps.json of the application)
    }

    /// <summary>A managed exception thrown inside a callback from native code, held until the
    /// native call returns.</summary>
    [ThreadStatic] private static ExceptionDispatchInfo? t_Pending;

    internal static void HoldCallbackException(Exception e) => t_Pending ??= ExceptionDispatchInfo.Capture(e);

    /// <summary>Throws what the call left: a callback's managed exception first, else the
    /// managed exception of the native one.</summary>
    [MethodImpl(MethodImplOptions.AggressiveInlining)]
    internal static void Check(in SclNetStatus status)
    {
        if (status.Kind != 0 || t_Pending != null)
            Throw(status);
    }

    private static void Throw(SclNetStatus status)
    {
        ExceptionDispatchInfo? pending = t_Pending;
        if (pending != null)
        {
            t_Pending = null;
            pending.Throw();
        }
        string message = Text(status.Message, status.MessageLength);
        throw status.Kind switch
        {
            1 => new SclException((SclErrorNet)status.Code, message),
            2 => new Exception(message),
            3 => new OutOfMemoryException(message),
            4 => new Exception(message),
            _ => new SEHException(message),
        };
    }

    /// <summary>A list export: writes as many items as fit into list (bytes long) and returns
    /// how many there are.</summary>
    internal delegate int ListCall(SclNetStatus* status, byte* list, int bytes);

    /// <summary>The numbers of a list export, width numbers per item; called again with room for
    /// every item when they did not fit.</summary>
    internal static int[] List(int width, ListCall call)
    {
        int capacity = 16;
        while (true)
        {
            var numbers = new int[capacity * width];
            SclNetStatus st;
            int count;
            fixed (int* p = numbers)
                count = call(&st, (byte*)p, numbers.Length * sizeof(int));
            Check(st);
            if (count <= capacity)
                return numbers.AsSpan(0, Math.Max(count, 0) * width).ToArray();
            capacity = count;
        }
    }

    [MethodImpl(MethodImplOptions.AggressiveInlining)]
    internal static string Text(char* text, int length) => length <= 0 ? string.Empty : new string(text, 0, length);
}

/// <summary>The one native object a disposable wrapper owns (a text pool, a parser): deleted
/// once, by whichever of Dispose and the finaliser comes first.</summary>
internal unsafe struct OwnedNative
{
    private nint m_Pointer;
    private readonly delegate*<SclNetStatus*, nint, void> m_Delete;
    private readonly string m_DisposedMessage;

    public OwnedNative(nint pointer, delegate*<SclNetStatus*, nint, void> delete, string disposedMessage)
    {
        m_Pointer = pointer;
        m_Delete = delete;
        m_DisposedMessage = disposedMessage;
    }

    /// <summary>The native object; <see cref="ObjectDisposedException"/> once it is deleted.</summary>
    public nint Get()
    {
        if (m_Pointer == 0)
            Scl.ThrowDisposed(m_DisposedMessage);
        return m_Pointer;
    }

    /// <summary>Deletes the native object; a second call does nothing.</summary>
    public void Release()
    {
        nint p = m_Pointer;
        if (p == 0)
            return;
        m_Pointer = 0;
        SclNetStatus st;
        m_Delete(&st, p);
    }
}
