#!/usr/bin/env python3
"""Writes the test archives of formats no Debian program creates: RAR 1.5-4
(plain and Unicode names), RAR 5, ACE, HA, ZIP64 and LZH header levels 0-2,
plus crafted tar and zip files with unsafe and linked members. Run in this
directory; the output is committed, so the tests never run it. Fixed times
and contents make the bytes the same on every run."""

import struct
import zlib

# 2021-03-04 05:06:08 as DOS date and time.
DOS_DATE = ((2021 - 1980) << 9) | (3 << 5) | 4
DOS_TIME = (5 << 11) | (6 << 5) | (8 // 2)
UNIX_TIME = 1614834368  # 2021-03-04 05:06:08 UTC


def crc16_arc(data, crc=0):
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------- RAR 1.5-4
def rar_block(body_after_crc):
    crc = zlib.crc32(body_after_crc) & 0xFFFF
    return struct.pack("<H", crc) + body_after_crc


def rar_unicode(name):
    """The 8-bit name, a zero and the compressed wide form: a run for a
    leading ASCII part, then single characters."""
    name8 = name.encode("ascii", "replace")
    out = bytearray()
    high = 0
    for c in name:
        if ord(c) > 255:
            high = ord(c) >> 8
            break
    out.append(high)
    codes = []
    i = 0
    prefix = 0
    while prefix < len(name) and ord(name[prefix]) < 128 and prefix < 129:
        prefix += 1
    if prefix >= 2:
        codes.append((3, bytes([prefix - 2])))
        i = prefix
    for c in name[i:]:
        v = ord(c)
        if v < 256:
            codes.append((0, bytes([v])))
        elif v >> 8 == high:
            codes.append((1, bytes([v & 0xFF])))
        else:
            codes.append((2, struct.pack("<H", v)))
    for k in range(0, len(codes), 4):
        group = codes[k:k + 4]
        flags = 0
        for j, (code, _) in enumerate(group):
            flags |= code << (6 - 2 * j)
        out.append(flags)
        for _, data in group:
            out += data
    return name8 + b"\0" + bytes(out)


def rar_file(name, data, directory=False, unicode=False, host=2, attr=0x20, large=False):
    stored = rar_unicode(name) if unicode else name.encode("cp850")
    flags = 0x8000
    if unicode:
        flags |= 0x200
    if directory:
        flags |= 0xE0
        data = b""
    if large:
        flags |= 0x100
    size = 32 + (8 if large else 0) + len(stored)
    unp = len(data) if not large else 0x123456789
    head = struct.pack("<BHHIIBIIBBHI", 0x74, flags, size, len(data) & 0xFFFFFFFF,
                       unp & 0xFFFFFFFF, host, zlib.crc32(data),
                       DOS_TIME | (DOS_DATE << 16), 29, 0x30, len(stored), attr)
    if large:
        head += struct.pack("<II", len(data) >> 32, unp >> 32)
    return rar_block(head + stored) + data


def rar_archive(files, sfx=b""):
    marker = b"Rar!\x1a\x07\x00"
    main = rar_block(struct.pack("<BHHHI", 0x73, 0, 13, 0, 0))
    end = rar_block(struct.pack("<BHH", 0x7B, 0x4000, 7))
    return sfx + marker + main + b"".join(files) + end


write("rar4.rar", rar_archive([
    rar_file("docs", b"", directory=True),
    rar_file("docs\\readme.txt", b"hello rar\n"),
    rar_file("café.txt", b"cp850\n"),  # 8-bit name in the code page
    rar_file("big.bin", b"xx", large=True),
]))
write("rar4_unicode.rar", rar_archive([
    rar_file("docs/файл.txt", b"unicode\n", unicode=True),
    rar_file("日本語.txt", b"nihongo\n", unicode=True),
]))
write("rar4_sfx.exe", rar_archive([rar_file("inside.txt", b"sfx\n")], sfx=b"MZ" + b"\x90" * 3000))
# A name size reaching past its header, and a Unicode run past the 8-bit name.
bad = bytearray(rar_file("n.txt", b"abc"))
struct.pack_into("<H", bad, 26, 60000)
write("rar4_bad_name.rar", rar_archive([bytes(bad)]))
run = b"ab\0" + bytes([0, 0xC0, 0x7F])  # high 0, code 3, run of 129 over a 2-byte name
head = struct.pack("<BHHIIBIIBBHI", 0x74, 0x8200, 32 + len(run), 0, 0, 2, 0,
                   DOS_TIME | (DOS_DATE << 16), 29, 0x30, len(run), 0x20)
write("rar4_bad_run.rar", rar_archive([rar_block(head + run)]))


# ---------------------------------------------------------------- RAR 5
def vint(n):
    out = bytearray()
    while True:
        b = n & 0x7F
        n >>= 7
        if n:
            out.append(b | 0x80)
        else:
            out.append(b)
            return bytes(out)


def rar5_header(fields):
    size = vint(len(fields))
    body = size + fields
    return struct.pack("<I", zlib.crc32(body)) + body


def rar5_file(name, data, directory=False):
    nm = name.encode("utf-8")
    fflags = 0x02 | 0x04 | (0x01 if directory else 0)
    body = (vint(2) + vint(0x02) + vint(len(data)) + vint(fflags) + vint(len(data)) + vint(0o100644 if not directory else 0o40755)
            + struct.pack("<II", UNIX_TIME, zlib.crc32(data)) + vint(0) + vint(1) + vint(len(nm)) + nm)
    return rar5_header(body) + data


write("rar5.rar", b"Rar!\x1a\x07\x01\x00" + rar5_header(vint(1) + vint(0) + vint(0))
      + rar5_file("dir", b"", directory=True) + rar5_file("dir/five.txt", b"rar five\n")
      + rar5_header(vint(5) + vint(0) + vint(0)))


# ---------------------------------------------------------------- ACE
def ace_block(body):
    # body starts with the type byte; the CRC is the low half of CRC-32.
    return struct.pack("<HH", ~zlib.crc32(body) & 0xFFFF, len(body)) + body


def ace_archive(files, sfx=b""):
    main = ace_block(struct.pack("<BH", 0, 0) + b"**ACE**" + bytes([20, 20, 2, 0])
                     + struct.pack("<I", DOS_TIME | (DOS_DATE << 16)) + b"\0" * 8 + b"\0")
    return sfx + main + b"".join(files)


def ace_file(name, data, attr=0x20):
    nm = name.encode("cp850")
    body = (struct.pack("<BHIIHHIIIHH", 1, 1, len(data), len(data), DOS_TIME, DOS_DATE, attr,
                        zlib.crc32(data), 0, 0, len(nm)) + nm)
    return ace_block(body) + data


write("test.ace", ace_archive([
    ace_file("docs", b"", attr=0x10),
    ace_file("docs\\ace.txt", b"ace data\n"),
    ace_file("top.txt", b"top\n"),
]))
write("ace_sfx.exe", ace_archive([ace_file("sfx.txt", b"x")], sfx=b"MZ" + b"\0" * 500))
bad = bytearray(ace_file("n.txt", b""))
struct.pack_into("<H", bad, 33, 5000)
write("ace_bad_name.ace", ace_archive([bytes(bad)]))


# ---------------------------------------------------------------- HA
def ha_member(path, name, data, method=0):
    head = struct.pack("<BIIIHH", (2 << 4) | method, len(data), len(data), zlib.crc32(data), DOS_TIME, DOS_DATE)
    return head + path + b"\0" + name.encode() + b"\0" + b"\x02" + b"\x01\x02" + data


write("test.ha", b"HA" + struct.pack("<H", 3)
      + ha_member(b"docs\xff", "", b"", method=14)
      + ha_member(b"docs\xffsub\xff", "ha.txt", b"ha data\n")
      + ha_member(b"", "top.txt", b"top\n"))
write("ha_long_string.ha", b"HA" + struct.pack("<H", 1) + struct.pack("<BIIIHH", 0x20, 0, 0, 0, 0, 0) + b"p" * 400 + b"\0")


# ---------------------------------------------------------------- ZIP64
def zip64_archive():
    """Two stored members: one claims 5 GiB unpacked (32-bit field all ones,
    the 64-bit value in the extra field followed by a large offset), the
    other a normal size; the end records are ZIP64 ones."""
    members = [("huge.bin", b"0123456789", 5 * 1024 ** 3), ("small.txt", b"small\n", None)]
    local = bytearray()
    central = bytearray()
    for name, data, claimed in members:
        nm = name.encode()
        offset = len(local)
        local += struct.pack("<4sHHHHHIIIHH", b"PK\x03\x04", 45, 0, 0, DOS_TIME, DOS_DATE,
                             zlib.crc32(data), len(data), len(data), len(nm), 0) + nm + data
        if claimed:
            # Only the unpacked size overflows; then the local header offset.
            extra = struct.pack("<HHQQ", 1, 16, claimed, 0x7777777777)
            usize = 0xFFFFFFFF
            off32 = 0xFFFFFFFF
        else:
            extra = b""
            usize = len(data)
            off32 = offset
        central += struct.pack("<4sHHHHHHIIIHHHHHII", b"PK\x01\x02", 0x031E, 45, 0, 0, DOS_TIME, DOS_DATE,
                               zlib.crc32(data), len(data), usize, len(nm), len(extra), 0, 0, 0,
                               0o100644 << 16, off32) + nm + extra
    cd_offset = len(local)
    z64_at = cd_offset + len(central)
    z64 = struct.pack("<4sQHHIIQQQQ", b"PK\x06\x06", 44, 45, 45, 0, 0, len(members), len(members),
                      len(central), cd_offset)
    locator = struct.pack("<4sIQI", b"PK\x06\x07", 0, z64_at, 1)
    end = struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    return bytes(local + central) + z64 + locator + end


write("zip64.zip", zip64_archive())


# ---------------------------------------------------------------- LZH
def lzh_level0(name, data):
    nm = name.encode()
    body = (b"-lh0-" + struct.pack("<IIHHBBB", len(data), len(data), DOS_TIME, DOS_DATE, 0x20, 0, len(nm))
            + nm + struct.pack("<H", crc16_arc(data)))
    return bytes([len(body), sum(body) & 0xFF]) + body + data


def lzh_ext(kind, payload):
    return bytes([kind]) + payload


def lzh_chain(exts):
    """Extended headers, each followed by the size of the next one."""
    out = bytearray()
    sizes = [len(e) + 2 for e in exts] + [0]
    for i, e in enumerate(exts):
        out += e + struct.pack("<H", sizes[i + 1])
    return bytes(out), sizes[0]


def lzh_level1(directory, name, data, method=b"-lh0-"):
    exts = [lzh_ext(0x01, name.encode())]
    if directory:
        exts.append(lzh_ext(0x02, directory.encode().replace(b"/", b"\xff")))
    exts.append(lzh_ext(0x54, struct.pack("<I", UNIX_TIME)))
    chain, first = lzh_chain(exts)
    body = (method + struct.pack("<IIHHBBB", len(data) + len(chain), len(data), DOS_TIME, DOS_DATE, 0x20, 1, 0)
            + struct.pack("<H", crc16_arc(data)) + b"U" + struct.pack("<H", first))
    return bytes([len(body), sum(body) & 0xFF]) + body + chain + data


def lzh_level2(directory, name, data, method=b"-lh0-"):
    exts = [lzh_ext(0x00, b"\0\0")]
    if name:
        exts.append(lzh_ext(0x01, name.encode()))
    if directory:
        exts.append(lzh_ext(0x02, directory.encode().replace(b"/", b"\xff")))
    exts.append(lzh_ext(0x51, struct.pack("<HH", 100, 1000)))
    chain, first = lzh_chain(exts)
    total = 26 + len(chain)
    if total & 0xFF == 0:
        chain += b"\0"
        total += 1
    head = bytearray(struct.pack("<H", total) + method
                     + struct.pack("<IIIBBH", len(data), len(data), UNIX_TIME, 0x20, 2, crc16_arc(data))
                     + b"U" + struct.pack("<H", first) + chain)
    # The header CRC in extended header 0, computed with itself zeroed.
    struct.pack_into("<H", head, 27, crc16_arc(bytes(head)))
    return bytes(head) + data


write("level0.lzh", lzh_level0("docs\\zero.txt", b"level zero\n") + lzh_level0("top0.txt", b"t\n") + b"\0")
write("level1.lzh", lzh_level1("docs/sub/", "one.txt", b"level one\n")
      + lzh_level1("docs/", "", b"", method=b"-lhd-") + b"\0")
write("level2.lzh", lzh_level2("docs/", "two.txt", b"level two\n")
      + lzh_level2("empty/", "", b"", method=b"-lhd-") + lzh_level2("", "root2.txt", b"r\n") + b"\0")
write("lzh_sfx.exe", b"MZ" + b"\0" * 900 + lzh_level2("", "sfx.txt", b"s\n") + b"\0")
bad = bytearray(lzh_level0("n.txt", b""))
bad[21] = 200
write("lzh_bad_name.lzh", bytes(bad) + b"\0")
bad = bytearray(lzh_level0("n.txt", b""))
bad[22] = 3  # level byte of the base header, offset 20 (+2)
bad = bytearray(lzh_level0("n.txt", b""))
bad[20] = 3
write("lzh_level3.lzh", bytes(bad) + b"\0")


# ---------------------------------------------------------------- crafted tar
def tar_header(name, size=0, kind=b"0", link=b"", mode=0o644, mtime=UNIX_TIME, prefix=b"", magic=b"ustar\x0000"):
    h = bytearray(512)
    h[0:len(name)] = name
    h[100:108] = b"%07o\0" % mode
    h[108:116] = b"%07o\0" % 1000
    h[116:124] = b"%07o\0" % 100
    if isinstance(size, bytes):
        h[124:136] = size
    else:
        h[124:136] = b"%011o\0" % size
    h[136:148] = b"%011o\0" % mtime
    h[156:157] = kind
    h[157:157 + len(link)] = link
    h[257:265] = magic
    h[345:345 + len(prefix)] = prefix
    h[148:156] = b"        "
    h[148:156] = b"%06o\0 " % sum(h)
    return bytes(h)


def tar_member(name, data=b"", **kw):
    pad = (-len(data)) % 512
    return tar_header(name, len(data), **kw) + data + b"\0" * pad


def pax(records, kind=b"x", name=b"./PaxHeaders/x"):
    body = b""
    for k, v in records:
        rec = b" " + k + b"=" + v + b"\n"
        n = len(rec) + 1
        while len(str(n)) + len(rec) != n:
            n = len(str(n)) + len(rec)
        body += str(n).encode() + rec
    return tar_member(name, body, kind=kind)


write("unsafe.tar", tar_member(b"docs/ok.txt", b"ok\n") + tar_member(b"docs/../../evil", b"e\n")
      + tar_member(b"../evil2", b"e\n") + tar_member(b"/abs/path", b"a\n") + tar_member(b"a/.../b")
      + tar_member(b"link", kind=b"2", link=b"/etc") + tar_member(b"link/passwd", b"p\n")
      + tar_member(b"./dot.txt", b"d\n") + b"\0" * 1024)
write("pax_global.tar", pax([(b"comment", b"global")], kind=b"g", name=b"pax_global_header")
      + pax([(b"path", b"pax/" + b"n" * 200 + b".txt"), (b"size", b"3"), (b"mtime", b"1614834368.5")])
      + tar_member(b"pax/short", b"abc") + tar_member(b"after.txt", b"x\n") + b"\0" * 1024)
# A size of 9 GiB in base-256; the data itself is not there, so the list ends after it.
size256 = b"\x80" + (9 * 1024 ** 3).to_bytes(11, "big")
write("base256.tar", tar_header(b"nine_gib.bin", size=size256) + b"\0" * 1024)
write("gnu_v_label.tar", tar_member(b"Volume 1", kind=b"V", magic=b"ustar  \0")
      + tar_member(b"in_volume.txt", b"v\n", magic=b"ustar  \0") + b"\0" * 1024)
long_name = b"L" * 300
write("gnu_long_huge.tar", tar_header(b"././@LongLink", size=100000, kind=b"L", magic=b"ustar  \0")
      + b"x" * 100352 + tar_member(b"b.txt", b"b\n") + b"\0" * 1024)
