#!/usr/bin/env python3
"""Packs a tree into an LZH archive with level-2 headers and stored (-lh0-)
members, the layout current LHA tools write, for the archive listing
benchmark: Debian has no LHA creator. usage: make_lzh_fixture.py TREE OUT
(the paths inside the archive start with TREE's last component)."""

import os
import struct
import sys


def crc16(data, crc=0):
    table = crc16.table
    for b in data:
        crc = (crc >> 8) ^ table[(crc ^ b) & 0xFF]
    return crc


def _table():
    t = []
    for i in range(256):
        c = i
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
        t.append(c)
    return t


crc16.table = _table()


def header(directory, name, data, mtime, is_dir):
    exts = [b"\x00\x00\x00"]
    if name:
        exts.append(b"\x01" + name)
    if directory:
        exts.append(b"\x02" + directory.replace(b"/", b"\xff"))
    chain = bytearray()
    sizes = [len(e) + 2 for e in exts] + [0]
    for i, e in enumerate(exts):
        chain += e + struct.pack("<H", sizes[i + 1])
    total = 26 + len(chain)
    if total & 0xFF == 0:
        chain += b"\0"
        total += 1
    method = b"-lhd-" if is_dir else b"-lh0-"
    head = bytearray(struct.pack("<H", total) + method
                     + struct.pack("<IIIBBH", len(data), len(data), mtime, 0x20, 2, crc16(data))
                     + b"U" + struct.pack("<H", sizes[0]) + chain)
    struct.pack_into("<H", head, 27, crc16(bytes(head)))
    return bytes(head) + data


def main():
    tree, out = sys.argv[1], sys.argv[2]
    base = os.path.dirname(os.path.abspath(tree))
    entries = []
    for root, dirs, files in os.walk(tree):
        dirs.sort()
        rel = os.path.relpath(root, base)
        entries.append((rel, None))
        for f in sorted(files):
            entries.append((rel, f))
    with open(out, "wb") as o:
        for rel, f in entries:
            path = os.path.join(base, rel, f) if f else os.path.join(base, rel)
            st = os.lstat(path)
            d = rel.encode() + b"/"
            if f is None:
                o.write(header(d, b"", b"", int(st.st_mtime), True))
            else:
                with open(path, "rb") as fh:
                    data = fh.read()
                o.write(header(d, f.encode(), data, int(st.st_mtime), False))
        o.write(b"\0")


main()
