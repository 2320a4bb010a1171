#!/usr/bin/env python3
"""Calls every export of the kelvane library from Python through ctypes, as a host
that loads the library by path would, and checks each result.

    python3 examples/python/kelvane_example.py [LIBRARY]

LIBRARY is the path of libkelvane.so (or kelvane.dll); without it the variable
KELVANE_LIBRARY names it, else build/native/bin/libkelvane.so of this source tree.
Exits with 0 when every check holds, 1 on any mismatch, 2 when the library cannot
be loaded. Only the standard library is used; on Linux the registry part builds a
small hive with the command-line host (`kelvane --empty-hive`, beside the library or in the
bin/ beside its lib/) and fills it with hivexsh (package libhivex-bin) when that is installed.
"""
import ctypes
import os
import pathlib
import shutil
import socket
import subprocess
import sys
import tempfile

from kelvane import (DELETED, FILE_ALREADY, FILE_CANNOT_READ, FILE_ENCRYPTED, FILE_NOT_CONTAINER, FILE_RESTORED,
                     MISSING, NO_PATH, REFUSED, Kelvane, load_library, raw_bytes)

# Size of a container's header, and the block its contents are zero-filled to.
CONTAINER_HEADER = 20
CIPHER_BLOCK = 32

# DES-ECB of "Install key: 4711" zero-filled to 32 bytes under the key "pass phr"
# (the pass phrase's first 8 bytes), as `openssl enc -des-ecb -nopad` also gives it.
KNOWN_TEXT, KNOWN_PASS = "Install key: 4711", "pass phrase"
KNOWN_HEX = "CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8"

HKLM_VARIABLE = "KELVANE_HKLM"  # the folder of hive files that stands in for HKLM on Linux


def default_library():
    name = "kelvane.dll" if os.name == "nt" else "libkelvane.so"
    if os.environ.get("KELVANE_LIBRARY"):
        return os.environ["KELVANE_LIBRARY"]
    return str(pathlib.Path(__file__).resolve().parents[2] / "build" / "native" / "bin" / name)


class Checks:
    """Prints each check and counts the mismatches."""

    def __init__(self):
        self.failures = 0

    def equal(self, what, actual, expected):
        if actual == expected:
            print(f"ok    {what}: {actual!r}")
        else:
            self.failures += 1
            print(f"FAIL  {what}: got {actual!r}, expected {expected!r}")


def check_strings(kelvane, checks):
    hex_text = kelvane.crypt_string(KNOWN_TEXT, KNOWN_PASS)
    checks.equal("cryptString known answer", hex_text, KNOWN_HEX)
    checks.equal("decryptString back", kelvane.decrypt_string(hex_text, KNOWN_PASS), KNOWN_TEXT)
    text = "Grüße aus Köln, 40 % Rabatt"  # UTF-8 bytes go through unchanged
    checks.equal("round trip of UTF-8 text", kelvane.decrypt_string(kelvane.crypt_string(text, "k"), "k"), text)
    checks.equal("cryptString with a null pass phrase", kelvane.crypt_string("text", None), None)
    checks.equal("decryptString of an odd-length hex text", kelvane.decrypt_string("ABC", "k"), None)


def check_file(kelvane, checks, folder):
    path = os.path.join(folder, "licence.txt")
    contents = b"licence 4711\n"
    pathlib.Path(path).write_bytes(contents)
    checks.equal("cryptFile of a plain file", kelvane.crypt_file(path), FILE_ENCRYPTED)
    container = pathlib.Path(path).read_bytes()
    padded = -(-len(contents) // CIPHER_BLOCK) * CIPHER_BLOCK
    checks.equal("container size", len(container), CONTAINER_HEADER + padded)
    checks.equal("cryptFile of the container", kelvane.crypt_file(path), FILE_ALREADY)
    checks.equal("container left as it was", pathlib.Path(path).read_bytes() == container, True)
    checks.equal("decryptFile of the container", kelvane.decrypt_file(path), FILE_RESTORED)
    checks.equal("contents back", pathlib.Path(path).read_bytes(), contents)
    checks.equal("decryptFile of the plain file", kelvane.decrypt_file(path), FILE_NOT_CONTAINER)
    checks.equal("plain file left as it was", pathlib.Path(path).read_bytes(), contents)
    checks.equal("cryptFile of a missing file", kelvane.crypt_file(os.path.join(folder, "missing")), FILE_CANNOT_READ)
    checks.equal("cryptFile of a null path", kelvane.crypt_file(None), FILE_CANNOT_READ)
    checks.equal("decryptFile of a missing file", kelvane.decrypt_file(os.path.join(folder, "missing")),
                 FILE_CANNOT_READ)


def check_path_kinds(kelvane, checks, folder):
    """A path as str, bytes or os.PathLike names the same file."""
    path = pathlib.Path(folder) / "kinds.txt"
    path.write_bytes(b"kinds\n")
    checks.equal("cryptFile of a pathlib.Path", kelvane.crypt_file(path), FILE_ENCRYPTED)
    checks.equal("cryptFile of bytes", kelvane.crypt_file(os.fsencode(path)), FILE_ALREADY)
    checks.equal("decryptFile of a str", kelvane.decrypt_file(str(path)), FILE_RESTORED)


class WideLibrary:
    """Stands in for the DLL: records which exports are called with what, and answers
    ReadKeyValueW with a UTF-16 result."""

    def __init__(self):
        self.calls = []
        self.result = ctypes.create_unicode_buffer("Ωmega")

    def __getattr__(self, name):
        def export(*arguments):
            self.calls.append((name, arguments))
            return ctypes.addressof(self.result) if name == "ReadKeyValueW" else None
        return export


def check_wide_names(checks):
    """On Windows paths and names go to the wide twins as str, and their results come back
    from UTF-16; texts stay narrow."""
    library = WideLibrary()
    kelvane = Kelvane(library, wide_names=True)
    checks.equal("ReadKeyValueW's result", kelvane.read_key_value(pathlib.PurePath("SOFTWARE"), b"Name"), "Ωmega")
    kelvane.crypt_file(pathlib.PurePath("C:/Ελληνικά/a.ini"))
    kelvane.crypt_string("text", "pass phrase")
    checks.equal("the exports called", [name for name, _ in library.calls],
                 ["ReadKeyValueW", "freeString", "cryptFileW", "cryptString"])
    checks.equal("the wide twins' arguments", [library.calls[0][1], library.calls[2][1]],
                 [("SOFTWARE", "Name"), (str(pathlib.PurePath("C:/Ελληνικά/a.ini")),)])
    checks.equal("cryptString's arguments", library.calls[3][1], (b"text", b"pass phrase"))


def check_registry_without_keys(kelvane, checks):
    """Results for keys that do not exist: on Linux with KELVANE_HKLM unset, no key exists."""
    missing = r"SOFTWARE\KelvaneExample\Missing"
    checks.equal("ReadSubKeys of a missing key", kelvane.read_sub_keys(missing), None)
    checks.equal("ReadKeyValue of a missing key", kelvane.read_key_value(missing, "Version"), None)
    checks.equal("RegDeleteKeyNT of a missing key", kelvane.delete_key(missing), MISSING)
    checks.equal("RegDeleteKeyNT of an empty path", kelvane.delete_key(""), NO_PATH)
    checks.equal("RegDeleteKeyNT of a null path", kelvane.delete_key(None), NO_PATH)


# What hivexsh adds to the empty SOFTWARE hive (setval replaces a key's values with
# the pairs of lines that follow it). Microsoft\MSSQLServer\Client\TDS is the key
# whose value names ReadSubValues lists.
SOFTWARE_SCRIPT = r"""add Kelvane
cd Kelvane
add Alpha
add Beta
setval 2
Version
string:1.2.3
InstallDir
string:C:\Program Files\Kelvane
cd ..
add Microsoft
cd Microsoft
add MSSQLServer
cd MSSQLServer
add Client
cd Client
add TDS
cd TDS
setval 2
DSQUERY
string:DBNETLIB
Port
dword:1433
commit
"""


def host_program(library_path):
    """The command-line host: beside the library (a build tree) or in the bin/ beside its lib/."""
    folder = pathlib.Path(library_path).resolve().parent
    for candidate in (folder / "kelvane", folder.parent / "bin" / "kelvane"):
        if candidate.is_file():
            return str(candidate)
    return shutil.which("kelvane")


def make_software_hive(folder, hivexsh, host):
    hive = os.path.join(folder, "SOFTWARE")
    subprocess.run([host, "--empty-hive", hive], check=True)
    script = os.path.join(folder, "software.hivexsh")  # the dot keeps it from counting as a hive
    pathlib.Path(script).write_text(SOFTWARE_SCRIPT)
    subprocess.run([hivexsh, "-w", "-f", script, hive], check=True)
    os.remove(script)


def check_registry_in_hive(kelvane, checks, folder):
    checks.equal("ReadSubKeys of HKLM itself", kelvane.read_sub_keys(""), "SOFTWARE")
    checks.equal("ReadSubKeys SOFTWARE", kelvane.read_sub_keys("software"), "Kelvane,Microsoft")
    checks.equal("ReadSubKeys SOFTWARE\\Kelvane", kelvane.read_sub_keys(r"SOFTWARE\Kelvane"), "Alpha,Beta")
    checks.equal("ReadKeyValue Version", kelvane.read_key_value(r"SOFTWARE\Kelvane", "Version"), "1.2.3")
    checks.equal("ReadKeyValue InstallDir", kelvane.read_key_value(r"SOFTWARE\Kelvane", "installdir"),
                 r"C:\Program Files\Kelvane")
    checks.equal("ReadKeyValue of a missing value", kelvane.read_key_value(r"SOFTWARE\Kelvane", "Nothing"), None)
    checks.equal("ReadSubValues", kelvane.read_sub_values(), "DSQUERY,Port")
    # A REG_DWORD comes back as its stored bytes up to the first zero: 1433 is 99 05 00 00.
    port = kelvane.read_key_value(r"SOFTWARE\Microsoft\MSSQLServer\Client\TDS", "Port")
    checks.equal("ReadKeyValue of the REG_DWORD Port, as bytes", raw_bytes(port), b"\x99\x05")
    checks.equal("ReadKeyValue of the REG_DWORD Port, as text", port, "\udc99\x05")

    listing = os.path.join(folder, "keys.txt")
    checks.equal("ReadSubKeysInFile", kelvane.read_sub_keys_in_file(r"SOFTWARE\Kelvane", listing), 0)
    checks.equal("ReadSubKeysInFile of a missing key", kelvane.read_sub_keys_in_file(r"SOFTWARE\None", listing), 0)
    checks.equal("the appended lists", pathlib.Path(listing).read_text(), "Alpha,Beta(null)")

    checks.equal("RegDeleteKeyNT of a key with subkeys", kelvane.delete_key(r"SOFTWARE\Kelvane"), REFUSED)
    checks.equal("RegDeleteKeyNT of a leaf key", kelvane.delete_key(r"SOFTWARE\Kelvane\Alpha"), DELETED)
    checks.equal("subkeys after the deletion", kelvane.read_sub_keys(r"SOFTWARE\Kelvane"), "Beta")
    checks.equal("RegDeleteKeyNT of the deleted key", kelvane.delete_key(r"SOFTWARE\Kelvane\Alpha"), MISSING)


def check_registry(kelvane, checks, folder, host):
    if os.name == "nt":  # the real registry: only what holds on any machine
        check_registry_without_keys(kelvane, checks)
        return
    hivexsh = shutil.which("hivexsh")
    saved = os.environ.pop(HKLM_VARIABLE, None)
    try:
        check_registry_without_keys(kelvane, checks)
        checks.equal("ReadSubValues without a hive folder", kelvane.read_sub_values(), None)
        if hivexsh is None or host is None:
            print("note  hivexsh (libhivex-bin) or the kelvane host is missing: no hive to read")
            return
        hives = os.path.join(folder, "hklm")
        os.mkdir(hives)
        make_software_hive(hives, hivexsh, host)
        os.environ[HKLM_VARIABLE] = hives  # read by the library at each call
        check_registry_in_hive(kelvane, checks, folder)
    finally:
        os.environ.pop(HKLM_VARIABLE, None)
        if saved is not None:
            os.environ[HKLM_VARIABLE] = saved


def upper_as_windows(c):
    """A character's simple upper case, as Windows applies it: one character for one, and
    none outside the Basic Multilingual Plane (str.upper would turn ß into SS)."""
    upper = c.upper()
    return upper if len(upper) == 1 and ord(c) <= 0xFFFF and ord(upper) <= 0xFFFF else c


def expected_computer_name():
    """Windows' name for this computer: the host name up to its first dot, upper-cased,
    15 characters (counted as characters, not bytes)."""
    if os.name == "nt":
        return os.environ.get("COMPUTERNAME")
    return "".join(upper_as_windows(c) for c in socket.gethostname().split(".")[0][:15])


def check_computer_name(kelvane, checks):
    checks.equal("ComputerName", kelvane.computer_name(), expected_computer_name())


def check_free(kelvane, checks):
    # A null pointer and a second free of the same result are both ignored.
    kelvane.lib.freeString(None)
    pointer = kelvane.lib.cryptString(b"twice", b"freed")
    kelvane.lib.freeString(pointer)
    kelvane.lib.freeString(pointer)
    checks.equal("the library still answers after those frees", kelvane.decrypt_string(
        kelvane.crypt_string("after", "frees"), "frees"), "after")


def main(argv):
    path = argv[1] if len(argv) > 1 else default_library()
    try:
        library = load_library(path)
    except (OSError, AttributeError) as error:
        print(f"cannot load {path}: {error}", file=sys.stderr)
        return 2
    print(f"library: {path}")
    kelvane = Kelvane(library)
    checks = Checks()
    with tempfile.TemporaryDirectory(prefix="kelvane-example-") as folder:
        check_strings(kelvane, checks)
        check_file(kelvane, checks, folder)
        check_path_kinds(kelvane, checks, folder)
        check_wide_names(checks)
        check_registry(kelvane, checks, folder, host_program(path))
        check_computer_name(kelvane, checks)
        check_free(kelvane, checks)
    print(f"{checks.failures} mismatch(es)" if checks.failures else "all checks passed")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
