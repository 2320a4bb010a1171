# kelvane for PowerShell: every export of kelvane.dll declared through Add-Type, and a
# function that copies a text result out and hands it back to freeString.
# PowerShell on 64-bit Windows is a 64-bit process and loads the 64-bit DLL; the x86
# PowerShell loads the 32-bit one. The declarations serve both: cdecl is the 32-bit
# DLL's convention, and x86-64 has only one.
#   . .\kelvane.ps1 -DllPath 'C:\Program Files\MyTool\kelvane.dll'
#   Get-KelvaneText ([Kelvane]::cryptString('Install key: 4711', 'pass phrase'))
param([string]$DllPath = (Join-Path $PSScriptRoot 'kelvane.dll'))

if (-not ('Kelvane' -as [type])) {
    # DllImport takes a constant: the path goes into the source. Text results stay IntPtr,
    # so that the block can go back to freeString; strings go in as ANSI, the DLL's encoding.
    Add-Type -TypeDefinition @"
using System;
using System.Runtime.InteropServices;

public static class Kelvane {
    const string Dll = @"$DllPath";
    const CallingConvention Cdecl = CallingConvention.Cdecl;

    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Ansi)]
    public static extern IntPtr cryptString(string text, string passPhrase);
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Ansi)]
    public static extern IntPtr decryptString(string hexText, string passPhrase);
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Ansi)]
    public static extern int cryptFile(string filePath);
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Ansi)]
    public static extern int decryptFile(string filePath);
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Ansi)]
    public static extern IntPtr ReadSubKeys(string keyPath);
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Ansi)]
    public static extern int ReadSubKeysInFile(string keyPath, string filePath);
    [DllImport(Dll, CallingConvention = Cdecl)]
    public static extern IntPtr ReadSubValues();
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Ansi)]
    public static extern IntPtr ReadKeyValue(string keyPath, string valueName);
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Ansi)]
    public static extern int RegDeleteKeyNT(string keyPath);
    [DllImport(Dll, CallingConvention = Cdecl)]
    public static extern IntPtr ComputerName();
    [DllImport(Dll, CallingConvention = Cdecl)]
    public static extern void freeString(IntPtr result);

    // The wide twins: paths, names and text results in UTF-16, for names outside the
    // ANSI code page; read a text result with Get-KelvaneText -Wide.
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Unicode)]
    public static extern int cryptFileW(string filePath);
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Unicode)]
    public static extern int decryptFileW(string filePath);
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Unicode)]
    public static extern IntPtr ReadSubKeysW(string keyPath);
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Unicode)]
    public static extern int ReadSubKeysInFileW(string keyPath, string filePath);
    [DllImport(Dll, CallingConvention = Cdecl)]
    public static extern IntPtr ReadSubValuesW();
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Unicode)]
    public static extern IntPtr ReadKeyValueW(string keyPath, string valueName);
    [DllImport(Dll, CallingConvention = Cdecl, CharSet = CharSet.Unicode)]
    public static extern int RegDeleteKeyNTW(string keyPath);
    [DllImport(Dll, CallingConvention = Cdecl)]
    public static extern IntPtr ComputerNameW();
}
"@
}

# The text of a result ($null for a null one); the block goes back to the DLL's heap.
# -Wide for the result of a wide twin.
function Get-KelvaneText([IntPtr]$Result, [switch]$Wide) {
    if ($Result -eq [IntPtr]::Zero) { return $null }
    try {
        if ($Wide) { [Runtime.InteropServices.Marshal]::PtrToStringUni($Result) }
        else { [Runtime.InteropServices.Marshal]::PtrToStringAnsi($Result) }
    }
    finally { [Kelvane]::freeString($Result) }
}
