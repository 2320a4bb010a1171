"""Fails unless the DLL carries a version resource of the given version: the fixed file
info's file and product versions, and the texts installers and Explorer show, the DLL's
own file name among them.
    check_version_resource.py DLL VERSION"""
import os
import struct
import sys

FIXED_INFO_SIGNATURE = struct.pack("<I", 0xFEEF04BD)  # VS_FIXEDFILEINFO.dwSignature
# Texts the resource must hold (UTF-16LE in the file), besides the version itself.
REQUIRED_TEXTS = ["ProductName", "kelvane", "OriginalFilename", "FileDescription",
                  "LegalCopyright", "MIT License", "FileVersion", "ProductVersion"]


def main(path, version):
    data = open(path, "rb").read()
    major, minor, patch = (int(part) for part in version.split("."))
    at = data.find(FIXED_INFO_SIGNATURE)
    if at < 0:
        sys.exit(f"{path}: no version resource")
    # After the signature and the structure version: file version MS, LS; product version MS, LS.
    numbers = struct.unpack_from("<4I", data, at + 8)
    wanted = ((major << 16) | minor, patch << 16) * 2
    if numbers != wanted:
        sys.exit(f"{path}: version numbers {[hex(n) for n in numbers]}, expected {version}.0")
    for text in REQUIRED_TEXTS + [version, os.path.basename(path)]:
        if text.encode("utf-16-le") not in data:
            sys.exit(f"{path}: the version resource lacks '{text}'")
    print(f"version resource {version}.0")


main(*sys.argv[1:])
