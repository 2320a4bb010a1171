"""kelvane for Python: the library loaded through ctypes, every export's types declared,
and a thin wrapper that takes str, bytes or os.PathLike, gives str and frees each text result.

    from kelvane import Kelvane, load_library
    kelvane = Kelvane(load_library("lib/libkelvane.so.0"))   # or bin\x64\kelvane.dll
    kelvane.crypt_string("Install key: 4711", "pass phrase")

load_library() without a path takes the variable KELVANE_LIBRARY, else the library by its
name (libkelvane.so.0, kelvane.dll) from the system's search path.

On Windows paths, key paths and value names go to the wide twins (cryptFileW ...) as UTF-16,
so names outside the ANSI code page pass whole; the texts of cryptString and decryptString
stay narrow, as they are the cipher's bytes.

Text results are str whatever bytes the library returns: they are decoded from the
library's narrow encoding (UTF-8 on Linux, the ANSI code page on Windows) with the error
handler 'surrogateescape', so bytes that are no text in that encoding (the data of a
REG_DWORD or REG_BINARY value read by ReadKeyValue, say) come through as lone surrogates
instead of raising. raw_bytes() gives back exactly the bytes the library returned, and a
str passed in is encoded the same way, so a name read from the library goes back unchanged.
"""
import ctypes
import os

# The library's narrow encoding, and the error handler that lets any bytes through both ways.
ENCODING = "mbcs" if os.name == "nt" else "utf-8"
ERRORS = "surrogateescape"

# Text results stay raw pointers: Python copies the text out with string_at and hands
# the pointer back to freeString. Declared as c_char_p, ctypes would copy the text and
# lose the pointer, and the block would stay in the library's heap until unload.
TEXT = ctypes.c_void_p
STR = ctypes.c_char_p
INT = ctypes.c_int

# Every export: (result type, argument types).
SIGNATURES = {
    "cryptString": (TEXT, [STR, STR]),
    "decryptString": (TEXT, [STR, STR]),
    "cryptFile": (INT, [STR]),
    "decryptFile": (INT, [STR]),
    "ReadSubKeys": (TEXT, [STR]),
    "ReadSubKeysInFile": (INT, [STR, STR]),
    "ReadSubValues": (TEXT, []),
    "ReadKeyValue": (TEXT, [STR, STR]),
    "RegDeleteKeyNT": (INT, [STR]),
    "ComputerName": (TEXT, []),
    "freeString": (None, [ctypes.c_void_p]),
}

# The wide twins, in the DLL only: paths, names and text results in UTF-16, so that
# names outside the ANSI code page pass (copy a result with ctypes.wstring_at, then
# hand it to freeString).
WSTR = ctypes.c_wchar_p
WIDE_SIGNATURES = {
    "cryptFileW": (INT, [WSTR]),
    "decryptFileW": (INT, [WSTR]),
    "ReadSubKeysW": (TEXT, [WSTR]),
    "ReadSubKeysInFileW": (INT, [WSTR, WSTR]),
    "ReadSubValuesW": (TEXT, []),
    "ReadKeyValueW": (TEXT, [WSTR, WSTR]),
    "RegDeleteKeyNTW": (INT, [WSTR]),
    "ComputerNameW": (TEXT, []),
}

# cryptFile's and decryptFile's results, as include/kelvane.h defines them.
FILE_ENCRYPTED = 2
FILE_ALREADY = 1
FILE_RESTORED = 2
FILE_NOT_CONTAINER = 1
FILE_CANNOT_READ = -1
FILE_CANNOT_WRITE = -2
FILE_WRITE_FAILED = -3

# RegDeleteKeyNT's commonest results; any other is a status code of the registry.
DELETED = 0
MISSING = 2           # the key does not exist
REFUSED = 5           # the key has subkeys
NO_PATH = 1010        # null or empty path


WIDE = os.name == "nt"  # the wide twins exist in the DLL only
LIBRARY_VARIABLE = "KELVANE_LIBRARY"
LIBRARY_NAME = "kelvane.dll" if WIDE else "libkelvane.so.0"


def load_library(path=None):
    """The library with every export's types declared (CDLL: cdecl, also on 32-bit Windows)."""
    if path is None:
        path = os.environ.get(LIBRARY_VARIABLE) or LIBRARY_NAME
    library = ctypes.CDLL(os.fspath(path))
    signatures = {**SIGNATURES, **WIDE_SIGNATURES} if WIDE else SIGNATURES
    for name, (result, arguments) in signatures.items():
        function = getattr(library, name)
        function.restype = result
        function.argtypes = arguments
    return library


def raw_bytes(text):
    """The bytes the library returned for a text result (None stays None)."""
    return None if text is None else text.encode(ENCODING, ERRORS)


def narrow(value):
    """A str, bytes or os.PathLike argument as the narrow exports take it (None stays None)."""
    if value is None or isinstance(value, bytes):
        return value
    value = os.fspath(value)
    return value if isinstance(value, bytes) else value.encode(ENCODING, ERRORS)


def wide(value):
    """The same as the wide twins take it: bytes are read in the narrow encoding."""
    if value is None:
        return None
    value = os.fspath(value)
    return value.decode(ENCODING, ERRORS) if isinstance(value, bytes) else value


class Kelvane:
    """The exports with Python strings in and out; every text result is freed once copied.
    On Windows the calls that take paths and names use the wide twins."""

    def __init__(self, library, wide_names=WIDE):
        self.lib = library
        self.wide_names = wide_names

    def _text(self, pointer):
        if not pointer:  # ctypes gives None for a null c_void_p
            return None
        try:
            return ctypes.string_at(pointer).decode(ENCODING, ERRORS)
        finally:
            self.lib.freeString(pointer)

    def _wide_text(self, pointer):
        if not pointer:
            return None
        try:
            return ctypes.wstring_at(pointer)
        finally:
            self.lib.freeString(pointer)

    def _names(self, name, *arguments):
        """Calls the export `name` with path or name arguments: its wide twin on Windows."""
        if self.wide_names:
            return getattr(self.lib, name + "W")(*map(wide, arguments))
        return getattr(self.lib, name)(*map(narrow, arguments))

    def _names_text(self, name, *arguments):
        take = self._wide_text if self.wide_names else self._text
        return take(self._names(name, *arguments))

    def crypt_string(self, text, pass_phrase):
        return self._text(self.lib.cryptString(narrow(text), narrow(pass_phrase)))

    def decrypt_string(self, hex_text, pass_phrase):
        return self._text(self.lib.decryptString(narrow(hex_text), narrow(pass_phrase)))

    def crypt_file(self, path):
        return self._names("cryptFile", path)

    def decrypt_file(self, path):
        """The container back as its file; trailing zero bytes of the file are lost with the fill."""
        return self._names("decryptFile", path)

    def read_sub_keys(self, key_path):
        return self._names_text("ReadSubKeys", key_path)

    def read_sub_keys_in_file(self, key_path, file_path):
        """Appends the list with no separator after an earlier one (UTF-8 from the wide twin)."""
        return self._names("ReadSubKeysInFile", key_path, file_path)

    def read_sub_values(self):
        """The value names of the one fixed key HKLM\\SOFTWARE\\Microsoft\\MSSQLServer\\Client\\TDS."""
        return self._names_text("ReadSubValues")

    def read_key_value(self, key_path, value_name):
        return self._names_text("ReadKeyValue", key_path, value_name)

    def delete_key(self, key_path):
        return self._names("RegDeleteKeyNT", key_path)

    def computer_name(self):
        return self._names_text("ComputerName")
