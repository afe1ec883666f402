#!/usr/bin/env bash
# Checks the release zips that tools/package.sh made, as a user would meet them:
# unpacks each one and checks what it holds (the two shipped files, the guide in
# UTF-8 with a byte order mark and CRLF line ends naming this version, the
# licence; names in CP932 with their UTF-8 form beside them); checks the
# imports and the manifest of its files; and starts the x86_64 program from its
# folder under Wine (the demo: it groups windows on the stand-in taskbar and
# ends). The i686 files cannot run here.
#     bash tools/check-release.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${PELMORA_BUILD_DIR:-$root/build}"
version=$(cmake -N -L "$build/ship64" | sed -n 's/^PELMORA_VERSION:STRING=//p')
unpacked="$build/release/unpacked"
rm -rf "$unpacked"

for arch in i686 x86_64; do
    zip="$build/release/pelmora-$version-$arch.zip"
    python3 - "$zip" "$unpacked/$arch" "$version" <<'EOF'
import struct, sys, zipfile, zlib
path, out, version = sys.argv[1:]
guide = "はじめにお読みください.txt"
expected = ["pelmora.exe", "ravik.dll", guide, "LICENSE.txt"]
faults = []
with zipfile.ZipFile(path, metadata_encoding="cp932") as z:
    names = [i.filename for i in z.infolist()]
    if names != expected:
        faults.append(f"holds {names}, not {expected}")
    for i in z.infolist():
        raw = i.filename.encode("cp932")
        unicode_path = struct.pack("<HHBI", 0x7075, 5 + len(i.filename.encode()), 1,
                                   zlib.crc32(raw)) + i.filename.encode()
        if i.flag_bits & 0x800 or (unicode_path in i.extra) == raw.isascii():
            faults.append(f"{i.filename}: not a CP932 name with its UTF-8 form beside it")
    z.extractall(out)
    text = z.read(guide) if guide in names else b""
    if not text.startswith(b"\xef\xbb\xbf") or text.count(b"\n") != text.count(b"\r\n"):
        faults.append(f"{guide} is not UTF-8 with a byte order mark and CRLF line ends")
    for needed in (f"pelmora {version}", f"pelmora-{version}-i686.zip", f"pelmora-{version}-x86_64.zip",
                   "shell:startup", "pelmora.ini", "rule.ini", "takenbuttons.dat", "errorlog.txt"):
        if needed not in text.decode("utf-8-sig", "replace"):
            faults.append(f"{guide} does not mention {needed}")
    if "LICENSE.txt" in names and b"MIT License" not in z.read("LICENSE.txt"):
        faults.append("LICENSE.txt is not the MIT licence")
for fault in faults:
    print(f"check-release: {path}: {fault}", file=sys.stderr)
sys.exit(1 if faults else 0)
EOF
    bash "$root/tools/check-imports.sh" "$unpacked/$arch/pelmora.exe" "$unpacked/$arch/ravik.dll"
    python3 "$root/tools/check-manifest.py" "$unpacked/$arch/pelmora.exe"
    echo "check-release: $zip: as it should be"
done

echo "== The x86_64 program, started from the unpacked zip"
bash "$root/tools/demo.sh" --program "$unpacked/x86_64"
