"""kelvane for Python: the library loaded by path through ctypes, every export's types
declared, and a thin wrapper that takes and gives str and frees each text result.

    from kelvane import Kelvane, load_library
    kelvane = Kelvane(load_library("build/native/bin/libkelvane.so"))
    kelvane.crypt_string("Install key: 4711", "pass phrase")

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


def load_library(path):
    """The library with every export's types declared (CDLL: cdecl, also on 32-bit Windows)."""
    library = ctypes.CDLL(path)
    signatures = {**SIGNATURES, **WIDE_SIGNATURES} if os.name == "nt" else SIGNATURES
    for name, (result, arguments) in signatures.items():
        function = getattr(library, name)
        function.restype = result
        function.argtypes = arguments
    return library


def raw_bytes(text):
    """The bytes the library returned for a text result (None stays None)."""
    return None if text is None else text.encode(ENCODING, ERRORS)


class Kelvane:
    """The exports with Python strings in and out; every text result is freed once copied."""

    def __init__(self, library):
        self.lib = library

    def _text(self, pointer):
        if pointer is None:  # ctypes gives None for a null c_void_p
            return None
        try:
            return ctypes.string_at(pointer).decode(ENCODING, ERRORS)
        finally:
            self.lib.freeString(pointer)

    @staticmethod
    def _arg(text):
        return None if text is None else text.encode(ENCODING, ERRORS)

    def crypt_string(self, text, pass_phrase):
        return self._text(self.lib.cryptString(self._arg(text), self._arg(pass_phrase)))

    def decrypt_string(self, hex_text, pass_phrase):
        return self._text(self.lib.decryptString(self._arg(hex_text), self._arg(pass_phrase)))

    def crypt_file(self, path):
        return self.lib.cryptFile(self._arg(path))

    def decrypt_file(self, path):
        """The container back as its file; trailing zero bytes of the file are lost with the fill."""
        return self.lib.decryptFile(self._arg(path))

    def read_sub_keys(self, key_path):
        return self._text(self.lib.ReadSubKeys(self._arg(key_path)))

    def read_sub_keys_in_file(self, key_path, file_path):
        return self.lib.ReadSubKeysInFile(self._arg(key_path), self._arg(file_path))

    def read_sub_values(self):
        return self._text(self.lib.ReadSubValues())

    def read_key_value(self, key_path, value_name):
        return self._text(self.lib.ReadKeyValue(self._arg(key_path), self._arg(value_name)))

    def delete_key(self, key_path):
        return self.lib.RegDeleteKeyNT(self._arg(key_path))

    def computer_name(self):
        return self._text(self.lib.ComputerName())
