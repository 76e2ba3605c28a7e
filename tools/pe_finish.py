#!/usr/bin/env python3
"""Finishes a PE file the way Authenticode signing leaves it: the length
padded with zeros to a multiple of 8 and the header checksum set. Removing a
signature then gives back exactly these bytes, so the reproducible hash of an
unsigned build can be checked against a signed release.
Usage: pe_finish.py FILE"""
import struct
import sys


def pe_checksum(data: bytes) -> int:
    """The header checksum of a file whose checksum field is zero."""
    total = 0
    padded = data + b"\0" * (len(data) % 2)
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(data)


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    with open(sys.argv[1], "rb") as f:
        data = bytearray(f.read())
    if data[:2] != b"MZ":
        print(f"pe_finish.py: {sys.argv[1]} is no PE file", file=sys.stderr)
        return 1
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        print(f"pe_finish.py: {sys.argv[1]} has no PE header", file=sys.stderr)
        return 1
    data += b"\0" * (-len(data) % 8)
    field = pe + 4 + 20 + 64  # OptionalHeader.CheckSum, same place for PE32 and PE32+
    struct.pack_into("<I", data, field, 0)
    struct.pack_into("<I", data, field, pe_checksum(bytes(data)))
    with open(sys.argv[1], "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
