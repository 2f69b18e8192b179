#!/usr/bin/env python3
"""Clears the CheckSum field of a PE file's optional header.

The linker fills it in, but an e-book later gets its icon image overwritten in place without the
checksum being recomputed; a stub whose CheckSum is 0 stays consistent (0 means "not set").
Usage: pe_clear_checksum.py FILE.exe
"""
import struct
import sys

path = sys.argv[1]
with open(path, 'r+b') as f:
    data = f.read(4096)
    if data[:2] != b'MZ':
        sys.exit(f'{path}: not an executable')
    pe = struct.unpack_from('<I', data, 60)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        sys.exit(f'{path}: no PE header')
    # Signature (4) + file header (20) + CheckSum's offset in the optional header (64).
    f.seek(pe + 24 + 64)
    f.write(b'\0\0\0\0')
