using System;

namespace Arvenko.Melvotar.SclNET;

/// <summary>An error of the object layer. The message is the base message followed by
/// " (ErrorCode: " + the German text of the code + ")".</summary>
public class SclException : ApplicationException
{
    /// <summary>The error code (native codes without a managed name arrive as their number).</summary>
    public SclErrorNet Error { get; }

    /// <summary>An exception with code Other (14).</summary>
    public SclException(string message) : this(SclErrorNet.Other, message) { }

    public SclException(SclErrorNet error, string message) : base(Compose(error, message)) => Error = error;

    private static unsafe string Compose(SclErrorNet error, string message)
    {
        Scl.EnsureInitialized();
        SclNetStatus st;
        int length;
        char* text = NativeMethods.ErrorText(&st, (int)error, &length);
        NativeMethods.Check(st);
        return message + " (ErrorCode: " + NativeMethods.Text(text, length) + ")";
    }
}
