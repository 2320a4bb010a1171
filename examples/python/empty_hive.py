"""An empty registry hive file: hivex fills hives but cannot create one, so the example
writes one itself (a base block, then one bin holding the root key and its security cell).
"""
import struct

HIVE_BLOCK = 0x1000     # size of the base block and of the one hive bin
BIN_HEADER = 32         # "hbin" header before the first cell
NO_CELL = 0xFFFFFFFF    # cell offset meaning "none"
ROOT_FLAGS = 0x2C       # hive entry, not deletable, ASCII name
NK_FIXED = 0x4C         # key record up to its name
SK_FIXED = 0x14         # security record up to its descriptor
DESCRIPTOR = 20         # empty self-relative security descriptor
CHECKSUM_AT = 508       # XOR of the 127 dwords before it


def aligned8(size):
    return (size + 7) & ~7


def empty_hive():
    image = bytearray(2 * HIVE_BLOCK)
    root_name = b"ROOT"
    root_at = BIN_HEADER
    root_size = aligned8(4 + NK_FIXED + len(root_name))
    security_at = root_at + root_size
    security_size = aligned8(4 + SK_FIXED + DESCRIPTOR)
    free_at = security_at + security_size

    struct.pack_into("<4sII", image, HIVE_BLOCK, b"hbin", 0, HIVE_BLOCK)
    nk = HIVE_BLOCK + root_at
    struct.pack_into("<i2sH", image, nk, -root_size, b"nk", ROOT_FLAGS)
    struct.pack_into("<I", image, nk + 4 + 0x1C, NO_CELL)       # subkey list
    struct.pack_into("<I", image, nk + 4 + 0x20, NO_CELL)       # volatile subkey list
    struct.pack_into("<III", image, nk + 4 + 0x28, NO_CELL, security_at, NO_CELL)  # values, security, class
    struct.pack_into("<H", image, nk + 4 + 0x48, len(root_name))
    image[nk + 4 + NK_FIXED:nk + 4 + NK_FIXED + len(root_name)] = root_name
    sk = HIVE_BLOCK + security_at
    # The only security cell links to itself both ways; the root key is its one reference.
    struct.pack_into("<i2sxxIIII", image, sk, -security_size, b"sk", security_at, security_at, 1, DESCRIPTOR)
    struct.pack_into("<BxH", image, sk + 4 + SK_FIXED, 1, 0x8000)  # revision 1, self-relative
    struct.pack_into("<i", image, HIVE_BLOCK + free_at, HIVE_BLOCK - free_at)  # free cell

    # regf, sequence numbers 1 and 1, version 1.3, primary file, memory-image format,
    # root cell, bins' size, clustering factor.
    struct.pack_into("<4sII8xIIIIIII", image, 0, b"regf", 1, 1, 1, 3, 0, 1, root_at, HIVE_BLOCK, 1)
    checksum = 0
    for (dword,) in struct.iter_unpack("<I", bytes(image[:CHECKSUM_AT])):
        checksum ^= dword
    struct.pack_into("<I", image, CHECKSUM_AT, checksum)
    return bytes(image)
