"""The shortest use of the library from Python, with ctypes alone: one cryptString, its
result copied and handed back to freeString. Prints the hex text; exits 1 unless it is
the known answer.
    python3 examples/python/crypt_string.py [LIBRARY]    (default: build/native/bin/libkelvane.so)
"""
import sys

library_path = sys.argv[1] if len(sys.argv) > 1 else "build/native/bin/libkelvane.so"

import ctypes
lib = ctypes.CDLL(library_path)        # ctypes.CDLL("kelvane.dll") on Windows: cdecl
lib.cryptString.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
lib.cryptString.restype = ctypes.c_void_p
lib.freeString.argtypes = [ctypes.c_void_p]
lib.freeString.restype = None
result = lib.cryptString(b"licence 4711", b"pass phrase")
hex_text = ctypes.string_at(result).decode() if result else None
lib.freeString(result)

# DES-ECB of "licence 4711" zero-filled to 32 bytes under the key "pass phr", as OpenSSL gives it.
KNOWN_HEX = "A07E13A125786D5D878746000CF14905A792464C35B3AFE8A792464C35B3AFE8"
print(hex_text)
sys.exit(0 if hex_text == KNOWN_HEX else 1)
