#!/usr/bin/env python3
"""Makes the release zips of pelmora (tools/package.sh runs it).

    python3 tools/package.py VERSION OUT_DIR ARCH=DIST_DIR...

For each ARCH (i686, x86_64) writes OUT_DIR/pelmora-VERSION-ARCH.zip holding the
DIST_DIR's pelmora.exe and ravik.dll, the user's guide
"はじめにお読みください.txt" made from docs/はじめにお読みください.txt.in, and
LICENSE.txt (the repository's LICENSE).

The guide is UTF-8 with a byte order mark and CRLF line ends: Notepad from
Windows 2000 on recognises it, and it reads right whatever the system's code
page, where a CP932 file turns to mojibake on a Western system. Names in the
zip are CP932 without the UTF-8 flag, which Explorer's compressed folders on a
Japanese Windows (XP to 11) read right, and carry the Info-ZIP Unicode path
field (0x7075) with the UTF-8 name, which 7-Zip, Info-ZIP unzip and other
tools prefer. Every entry has the time of SOURCE_DATE_EPOCH (the last commit,
as package.sh sets it), not the time of packing.
"""
import os
import struct
import sys
import time
import zipfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GUIDE = "はじめにお読みください.txt"
SHIPPED = ("pelmora.exe", "ravik.dll")


class JapaneseName(zipfile.ZipInfo):
    """An entry whose name is stored in CP932, with its UTF-8 form beside it."""

    def __init__(self, name, when):
        super().__init__(name, when)
        self.create_system = 0  # MS-DOS: no Unix modes for Windows tools to misread
        self.external_attr = 0x20  # the archive attribute
        self.compress_type = zipfile.ZIP_DEFLATED
        raw = name.encode("cp932")
        if raw != name.encode("ascii", "replace"):
            utf8 = name.encode("utf-8")
            self.extra = struct.pack("<HHBI", 0x7075, 5 + len(utf8), 1, zlib.crc32(raw)) + utf8

    def _encodeFilenameFlags(self):  # zipfile's hook: the name's bytes and the flags
        return self.filename.encode("cp932"), self.flag_bits & ~0x800


def windows_text(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def main(version, out_dir, builds):
    when = time.gmtime(int(os.environ.get("SOURCE_DATE_EPOCH", time.time())))[:6]
    with open(os.path.join(ROOT, "docs", GUIDE + ".in"), encoding="utf-8") as f:
        guide = "\ufeff" + windows_text(f.read().replace("@PELMORA_VERSION@", version))
    with open(os.path.join(ROOT, "LICENSE"), encoding="utf-8") as f:
        licence = windows_text(f.read())
    os.makedirs(out_dir, exist_ok=True)
    for build in builds:
        arch, _, dist = build.partition("=")
        path = os.path.join(out_dir, f"pelmora-{version}-{arch}.zip")
        with zipfile.ZipFile(path + ".new", "w") as z:
            for name in SHIPPED:
                with open(os.path.join(dist, name), "rb") as f:
                    z.writestr(JapaneseName(name, when), f.read())
            z.writestr(JapaneseName(GUIDE, when), guide.encode("utf-8"))
            z.writestr(JapaneseName("LICENSE.txt", when), licence.encode("utf-8"))
        os.replace(path + ".new", path)
        print(f"package: {path}")


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__.strip().splitlines()[2].strip())
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
